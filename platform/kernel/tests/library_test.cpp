// Libraries by device name, and child processes.
#include <filesystem>

#include "lxresource.h"
#include "lxkit.h"
#include "../lxkernel.h"

using lxtest::TempHome;
using lxtest::WriteHost;

namespace {

const char kProgramOwn[] = "program";
const LXRESOURCE kResources[] = {{RT_RCDATA, 7, kProgramOwn, sizeof kProgramOwn}};
LX_RESOURCE_TABLE(kResources);

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

using LibraryFolders = TempHome;

// A library's DllMain gets its own handle; its resources are found by that
// handle, the program's by the program's; a folder in the name is the only
// place searched.
TEST_F(LibraryFolders, DllMainResourcesAndFolderOfTheLibrary) {
  std::filesystem::create_directories(home + "/Program Files/X");
  std::filesystem::copy_file(LxPlatformFolder() + "/liblxkerneltest.so",
                             home + "/Program Files/X/liblxkerneltest.so");
  EXPECT_EQ(LoadLibraryW(u"\\Program Files\\Y\\LxKernelTest.dll"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  HMODULE lib = LoadLibraryW(u"\\Program Files\\X\\LxKernelTest.dll");
  ASSERT_NE(lib, nullptr);
  WCHAR path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(lib, path, MAX_PATH), 0u);
  EXPECT_NE(LxStrStrW(path, u"Program Files"), nullptr);
  auto attached = (int (*)(HANDLE*))GetProcAddress(lib, "LxTestAttached");
  ASSERT_NE(attached, nullptr);
  HANDLE seen = nullptr;
  EXPECT_EQ(attached(&seen), 1);
  EXPECT_EQ(seen, (HANDLE)lib);
  HMODULE again = LoadLibraryW(u"\\Program Files\\X\\LxKernelTest.dll");
  EXPECT_EQ(again, lib);
  EXPECT_EQ(attached(&seen), 1);  // attached once
  FreeLibrary(again);
  EXPECT_EQ(attached(&seen), 1);

  HRSRC own = FindResourceW(lib, MAKEINTRESOURCEW(7), RT_RCDATA);
  ASSERT_NE(own, nullptr);
  EXPECT_STREQ((const char*)LockResource(LoadResource(lib, own)), "library");
  HMODULE program = GetModuleHandleW(nullptr);
  HRSRC mine = FindResourceW(program, MAKEINTRESOURCEW(7), RT_RCDATA);
  ASSERT_NE(mine, nullptr);
  EXPECT_STREQ((const char*)LockResource(LoadResource(program, mine)), "program");
  EXPECT_EQ(FindResourceW(lib, MAKEINTRESOURCEW(8), RT_RCDATA), nullptr);
  EXPECT_TRUE(FreeLibrary(lib));

  // Unloaded, its table goes with it (its entries were in the library), and
  // a new load brings it back.
  HRSRC stale = FindResourceW(lib, MAKEINTRESOURCEW(7), RT_RCDATA);
  ASSERT_NE(stale, nullptr);
  EXPECT_STREQ((const char*)LockResource(LoadResource(lib, stale)), "program");
  lib = LoadLibraryW(u"\\Program Files\\X\\LxKernelTest.dll");
  ASSERT_NE(lib, nullptr);
  own = FindResourceW(lib, MAKEINTRESOURCEW(7), RT_RCDATA);
  ASSERT_NE(own, nullptr);
  EXPECT_STREQ((const char*)LockResource(LoadResource(lib, own)), "library");
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
