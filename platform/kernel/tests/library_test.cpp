// Libraries by device name, and child processes.
#include "temphome.h"

namespace {

TEST(Libraries, LoadsByDeviceNameAndFindsExports) {
  HMODULE lib = LoadLibraryW(u"LXKERNELTEST.DLL");
  ASSERT_NE(lib, nullptr) << "liblxkerneltest.so missing from the output folder";
  auto answer = (int (*)(int))GetProcAddress(lib, u"LxTestAnswer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(20), 41);
  EXPECT_EQ(GetProcAddress(lib, "LxTestAnswer"), (FARPROC)answer);
  // Names are not adorned, and the platform's exports are not the library's.
  EXPECT_EQ(GetProcAddress(lib, u"_Z12LxTestAnsweri"), nullptr);
  EXPECT_EQ(GetProcAddress(lib, u"CreateFileW"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
  WCHAR path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(lib, path, MAX_PATH), 0u);
  EXPECT_NE(LxStrStrW(path, u"liblxkerneltest.so"), nullptr);
  EXPECT_TRUE(FreeLibrary(lib));
}

TEST(Libraries, MissingLibraryFailsWithModNotFound) {
  EXPECT_EQ(LoadLibraryW(u"KOMP3NOTTHERE.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryW(u""), nullptr);
}

TEST(Libraries, CoredllIsThePlatformItself) {
  HMODULE core = LoadLibraryW(u"Coredll.dll");
  ASSERT_NE(core, nullptr);
  EXPECT_EQ((void*)GetProcAddress(core, u"CreateFileW"), (void*)&CreateFileW);
  EXPECT_EQ(GetProcAddress(core, u"NoSuchExport"), nullptr);
  EXPECT_TRUE(FreeLibrary(core));
}

using Processes = TempHome;

TEST_F(Processes, ChildExitCodeAndWaits) {
  PROCESS_INFORMATION pi{};
  WCHAR args[] = u"exit 5";
  ASSERT_TRUE(CreateProcessW(u"\\Windows\\LxKernelChild.exe", args, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             nullptr, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 5u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  WCHAR sleepArgs[] = u"sleep 300";
  ASSERT_TRUE(CreateProcessW(u"lxkernelchild.exe", sleepArgs, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                             &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10), (DWORD)WAIT_TIMEOUT);
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  EXPECT_FALSE(CreateProcessW(u"\\Windows\\NoSuchProgram.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              nullptr, &pi));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

}  // namespace
