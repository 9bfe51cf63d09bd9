// The registry: type and size rules, the file, and writers in two processes.
#include <dirent.h>

#include <fstream>
#include <sstream>

#include "lxkit.h"
#include "../lxkernel.h"

using lxtest::TempHome;
using lxtest::WriteHost;

namespace {

using Registry = TempHome;

const WCHAR kKey[] = u"software\\Oakhaven\\Lumtrax";

HKEY Create(HKEY root = HKEY_LOCAL_MACHINE, LPCWSTR path = kKey) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition), ERROR_SUCCESS);
  return key;
}

std::string ReadHost(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST_F(Registry, EveryTypeRoundTripsThroughTheFile) {
  HKEY key = Create();
  DWORD dw = 0x12345678;
  const BYTE eq[1] = {0xFE};
  const WCHAR text[] = u"\\My Documents\\\"Grüße\"\ttab";
  const WCHAR multi[] = u"eins\0zwei\0";  // plus the array's own terminator
  const WCHAR unterminated[] = u"abc";
  ASSERT_EQ(RegSetValueExW(key, u"PlayAtOpen", 0, REG_DWORD, (BYTE*)&dw, 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"EQ00", 0, REG_BINARY, eq, 1), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Recent Music", 0, REG_SZ, (BYTE*)text, sizeof text), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Expand", 0, REG_EXPAND_SZ, (BYTE*)text, sizeof text), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Multi", 0, REG_MULTI_SZ, (BYTE*)multi, sizeof multi), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"NoTerminator", 0, REG_SZ, (BYTE*)unterminated, 6), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Short", 0, REG_DWORD, (BYTE*)&dw, 2), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, (BYTE*)u"default", 16), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  std::string file = ReadHost(home + "/registry.txt");
  EXPECT_NE(file.find("\"PlayAtOpen\"=dword:12345678"), std::string::npos) << file;
  EXPECT_NE(file.find("\"EQ00\"=hex:fe"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Multi\"=multi:\"eins\",\"zwei\""), std::string::npos) << file;

  // Another view of the file: as a fresh process would see it.
  std::string text2 = file;
  setenv("LUMTRAX_HOME", "/nonexistent-lxkernel", 1);
  setenv("LUMTRAX_HOME", home.c_str(), 1);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\oakhaven\\LUMTRAX", 0, KEY_READ, &key), ERROR_SUCCESS);
  struct Expect {
    LPCWSTR name;
    DWORD type;
    const void* data;
    DWORD size;
  } expected[] = {
      {u"playatopen", REG_DWORD, &dw, 4},         {u"EQ00", REG_BINARY, eq, 1},
      {u"Recent Music", REG_SZ, text, sizeof text}, {u"Expand", REG_EXPAND_SZ, text, sizeof text},
      {u"Multi", REG_MULTI_SZ, multi, sizeof multi}, {u"NoTerminator", REG_SZ, unterminated, 6},
      {u"Short", REG_DWORD, &dw, 2},                {u"Empty", REG_BINARY, nullptr, 0},
      {u"", REG_SZ, u"default", 16},
  };
  for (const Expect& e : expected) {
    BYTE buf[256];
    DWORD type = 0, size = sizeof buf;
    ASSERT_EQ(RegQueryValueExW(key, e.name, nullptr, &type, buf, &size), ERROR_SUCCESS) << LxToUtf8(e.name);
    EXPECT_EQ(type, e.type) << LxToUtf8(e.name);
    ASSERT_EQ(size, e.size) << LxToUtf8(e.name);
    if (size) EXPECT_EQ(memcmp(buf, e.data, size), 0) << LxToUtf8(e.name);
  }
  RegCloseKey(key);
  // A view written back unchanged is the same text.
  EXPECT_EQ(ReadHost(home + "/registry.txt"), text2);
}

TEST_F(Registry, QuerySizeRules) {
  HKEY key = Create();
  const WCHAR text[] = u"Hallo";
  RegSetValueExW(key, u"Name", 0, REG_SZ, (BYTE*)text, sizeof text);
  DWORD type = 0, size = 0;
  // No buffer: the size comes back.
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof text);
  EXPECT_EQ(type, (DWORD)REG_SZ);
  // Too small: ERROR_MORE_DATA with the size needed, and the buffer untouched.
  BYTE small[4] = {1, 2, 3, 4};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof text);
  EXPECT_EQ(small[0], 1);
  // Large enough: the size is what was copied.
  WCHAR big[32];
  size = sizeof big;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, (BYTE*)big, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof text);
  EXPECT_EQ(std::u16string(big), u"Hallo");
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, &type, (BYTE*)big, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, (BYTE*)big, nullptr), ERROR_INVALID_PARAMETER);
  // Changing a value's type through a set is allowed, as on the device.
  DWORD one = 1;
  RegSetValueExW(key, u"NAME", 0, REG_DWORD, (BYTE*)&one, 4);
  size = 4;
  DWORD got = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, (BYTE*)&got, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_DWORD);
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(RegDeleteValueW(key, u"name"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, u"name"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(RegQueryValueExW((HKEY)(uintptr_t)0x4444, u"Name", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, KeysOpenCreateEnumerateDelete) {
  HKEY key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\A\\B", 0, nullptr, 0, 0, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"software\\a\\b", 0, nullptr, 0, 0, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);
  // HKLM and HKCU are separate.
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\A", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  HKEY parent;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\A", 0, 0, &parent), ERROR_SUCCESS);
  HKEY child = Create(parent, u"C");
  DWORD values[3] = {10, 20, 30};
  for (int i = 0; i < 3; ++i) {
    WCHAR name[8];
    wsprintfW(name, u"V%d", i);
    RegSetValueExW(child, name, 0, REG_DWORD, (BYTE*)&values[i], 4);
  }
  WCHAR name[16];
  DWORD nameSize, type, data, dataSize;
  for (DWORD i = 0; i < 3; ++i) {
    nameSize = 16;
    dataSize = 4;
    ASSERT_EQ(RegEnumValueW(child, i, name, &nameSize, nullptr, &type, (BYTE*)&data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(nameSize, 2u);
    EXPECT_EQ(data, values[i]);
  }
  nameSize = 16;
  EXPECT_EQ(RegEnumValueW(child, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  nameSize = 2;
  EXPECT_EQ(RegEnumValueW(child, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  nameSize = 16;
  EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"B");
  nameSize = 16;
  EXPECT_EQ(RegEnumKeyExW(parent, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"C");
  // Deleting a key takes what is below it; its open handles see it gone.
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\A"), ERROR_SUCCESS);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExW(child, u"V9", 0, REG_DWORD, (BYTE*)&one, 4), ERROR_KEY_DELETED);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\A\\B", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  RegCloseKey(child);
  RegCloseKey(parent);
  EXPECT_EQ(RegCloseKey(parent), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, ShellButtonsAreSeededOnFirstUse) {
  WCHAR path[64];
  LxFormatW(path, 64, u"Software\\Microsoft\\Shell\\Keys\\40%2X", 0xC1);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key), ERROR_SUCCESS);
  WCHAR name[20];
  DWORD size = 40;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, (BYTE*)name, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"F1");
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys\\40C4", 0, 0, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys\\40C5", 0, 0, &key),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DamagedFileIsSetAsideAndReadAsEmpty) {
  WriteHost(home + "/registry.txt", "Lumtrax Registry 1\n[HKEY_LOCAL_MACHINE\\software\\Oakhaven\\Lumtrax]\n\"A\"=dword:zz\n");
  HKEY key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, 0, &key), ERROR_FILE_NOT_FOUND);
  bool setAside = false;
  DIR* d = opendir(home.c_str());
  while (struct dirent* e = readdir(d)) setAside |= std::string(e->d_name).rfind("registry.txt.damaged-", 0) == 0;
  closedir(d);
  EXPECT_TRUE(setAside);
  // The registry works on: a new value is kept in a new, sound file.
  key = Create();
  DWORD v = 3;
  EXPECT_EQ(RegSetValueExW(key, u"A", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_NE(ReadHost(home + "/registry.txt").find("\"A\"=dword:00000003"), std::string::npos);
  // Random bytes are damage too, never a crash.
  WriteHost(home + "/registry.txt", std::string("\x00\xff[\"\\", 5));
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, 0, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, TwoProcessesWritingAtOnceKeepBothSetsOfValues) {
  PROCESS_INFORMATION a{}, b{};
  WCHAR argsA[] = u"regwrite a 40";
  WCHAR argsB[] = u"regwrite b 40";
  ASSERT_TRUE(CreateProcessW(u"lxkernelchild", argsA, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &a));
  ASSERT_TRUE(CreateProcessW(u"lxkernelchild", argsB, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &b));
  HANDLE both[2] = {a.hProcess, b.hProcess};
  ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, 60000), WAIT_OBJECT_0);
  DWORD code;
  GetExitCodeProcess(a.hProcess, &code);
  EXPECT_EQ(code, 0u);
  GetExitCodeProcess(b.hProcess, &code);
  EXPECT_EQ(code, 0u);
  for (HANDLE h : {a.hProcess, a.hThread, b.hProcess, b.hThread}) CloseHandle(h);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\LxTest", 0, 0, &key), ERROR_SUCCESS);
  for (const char* tag : {"a", "b"}) {
    for (int i = 0; i < 40; ++i) {
      WCHAR name[16];
      wsprintfW(name, u"%S%d", tag, i);
      DWORD v = 99, size = 4;
      ASSERT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, (BYTE*)&v, &size), ERROR_SUCCESS) << tag << i;
      EXPECT_EQ(v, (DWORD)i);
    }
  }
  RegCloseKey(key);
}

}  // namespace

namespace {

// Mangled copies of a sound file: each either reads back or is set aside,
// never crashes, and the registry stays usable afterwards.
TEST_F(Registry, MangledFilesNeverCrash) {
  HKEY key = Create();
  DWORD dw = 7;
  const WCHAR text[] = u"Text \"mit\" \\ Zeichen";
  BYTE bin[5] = {0, 1, 2, 0xFE, 0xFF};
  RegSetValueExW(key, u"D", 0, REG_DWORD, (BYTE*)&dw, 4);
  RegSetValueExW(key, u"S", 0, REG_SZ, (BYTE*)text, sizeof text);
  RegSetValueExW(key, u"B", 0, REG_BINARY, bin, 5);
  RegSetValueExW(key, u"M", 0, REG_MULTI_SZ, (BYTE*)u"a\0b\0", 10);
  RegCloseKey(key);
  const std::string sound = ReadHost(home + "/registry.txt");
  LxSeedRandom(77);
  for (int round = 0; round < 300; ++round) {
    std::string mangled = sound;
    int edits = 1 + Random() % 4;
    for (int e = 0; e < edits; ++e) {
      size_t at = Random() % mangled.size();
      switch (Random() % 3) {
        case 0: mangled[at] = (char)Random(); break;
        case 1: mangled.erase(at, 1 + Random() % 8); break;
        default: mangled.insert(mangled.begin() + at, "\"\\[]=:,\n\0x"[Random() % 10]); break;
      }
      if (mangled.empty()) mangled.assign(1, 'x');
    }
    WriteHost(home + "/registry.txt", mangled);
    HKEY k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, 0, &k) == ERROR_SUCCESS) {
      BYTE buf[128];
      DWORD size = sizeof buf;
      RegQueryValueExW(k, u"S", nullptr, nullptr, buf, &size);
      RegCloseKey(k);
    }
  }
  key = Create();
  EXPECT_EQ(RegSetValueExW(key, u"D", 0, REG_DWORD, (BYTE*)&dw, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace
