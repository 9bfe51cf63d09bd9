// Path mapping, files and enumeration on device paths.
#include <sys/stat.h>
#include <unistd.h>

#include <shlobj.h>

#include <set>

#include "lxkit.h"
#include "../lxkernel.h"

using lxtest::TempHome;
using lxtest::WriteHost;

namespace {

using Files = TempHome;

std::u16string W(const std::string& s) { return LxFromUtf8(s); }

TEST_F(Files, DataFolderHoldsMyDocumentsAndWindows) {
  EXPECT_EQ(LxHostPath(u"\\My Documents\\Default.PLT"), home + "/My Documents/Default.PLT");
  EXPECT_EQ(LxHostPath(u"\\Windows\\Lumtrax.exe"), home + "/Windows/Lumtrax.exe");
  EXPECT_EQ(LxHostPath(u"\\my documents\\x"), home + "/My Documents/x");
  EXPECT_EQ(LxHostPath(u"\\Program Files\\Lumtrax\\lumtrax"), home + "/Program Files/Lumtrax/lumtrax");
  EXPECT_EQ(LxDevicePath(home + "/Program Files/Lumtrax"), u"\\Program Files\\Lumtrax");
  EXPECT_EQ(LxHostPath(u"\\usr\\share\\x.mp3"), "/usr/share/x.mp3");
  EXPECT_EQ(LxHostPath(u"\\"), "/");
  EXPECT_EQ(LxHostPath(u"\\a\\.\\b\\..\\c"), "/a/c");
  EXPECT_EQ(LxDevicePath(home + "/My Documents/Default.EQT"), u"\\My Documents\\Default.EQT");
  EXPECT_EQ(LxDevicePath(home + "/Windows"), u"\\Windows");
  EXPECT_EQ(LxDevicePath("/home/user/Music/a b.mp3"), u"\\home\\user\\Music\\a b.mp3");
  EXPECT_EQ(LxDevicePath("/"), u"\\");
  // Both ways give back what went in.
  std::u16string device = W("\\" + home.substr(1) + "/Musik/Lied.mp3");
  for (auto& c : device) c = c == '/' ? '\\' : c;
  EXPECT_EQ(LxDevicePath(LxHostPath(device.c_str())), device);
  WCHAR dir[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryW(dir, MAX_PATH), 8u);
  EXPECT_EQ(std::u16string(dir), u"\\Windows");
}

TEST_F(Files, CaseIsIgnoredPerComponentWhereTheExactNameIsMissing) {
  mkdir((home + "/My Documents/Musik").c_str(), 0755);
  mkdir((home + "/My Documents/Musik/ABBA").c_str(), 0755);
  WriteHost(home + "/My Documents/Musik/ABBA/Waterloo.MP3", "x");
  EXPECT_EQ(LxHostPath(u"\\My Documents\\musik\\abba\\WATERLOO.mp3"), home + "/My Documents/Musik/ABBA/Waterloo.MP3");
  // A missing tail is kept as written, for files about to be created.
  EXPECT_EQ(LxHostPath(u"\\My Documents\\MUSIK\\Neu\\Datei.txt"), home + "/My Documents/Musik/Neu/Datei.txt");
  // An exact match wins over a case-insensitive one.
  WriteHost(home + "/My Documents/Musik/ABBA/waterloo.mp3", "y");
  EXPECT_EQ(LxHostPath(u"\\My Documents\\Musik\\ABBA\\waterloo.mp3"), home + "/My Documents/Musik/ABBA/waterloo.mp3");
  EXPECT_NE(GetFileAttributesW(u"\\MY DOCUMENTS\\MUSIK\\ABBA\\WATERLOO.MP3"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, WriteReadSeekAndSize) {
  HANDLE h = CreateFileW(u"\\My Documents\\t.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(GetFileSize(h, nullptr), 10u);
  EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
  char buf[16] = {};
  ASSERT_TRUE(ReadFile(h, buf, 16, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "6789");
  // At the end, a read succeeds with nothing.
  ASSERT_TRUE(ReadFile(h, buf, 16, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_CURRENT), 5u);
  EXPECT_EQ(SetFilePointer(h, -6, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NEGATIVE_SEEK);
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(h, 4, &high, FILE_BEGIN), 4u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 4u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_FALSE(ReadFile(h, buf, 1, &n, nullptr));
}

TEST_F(Files, DispositionsAndTheirErrors) {
  LPCWSTR path = u"\\My Documents\\d.txt";
  EXPECT_EQ(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CreateFileW(u"\\My Documents\\nope\\d.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u);
  WriteFile(h, "abc", 3, nullptr, nullptr);
  CloseHandle(h);
  EXPECT_EQ(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
  h = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_EQ(GetFileSize(h, nullptr), 3u);
  // Writing through a read-only handle is refused.
  EXPECT_FALSE(WriteFile(h, "x", 1, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  CloseHandle(h);
  h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);
  CloseHandle(h);
  EXPECT_EQ(CreateFileW(u"\\My Documents", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

TEST_F(Files, ShareModesAreEnforcedWithinTheProcess) {
  LPCWSTR path = u"\\My Documents\\s.txt";
  HANDLE a = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  WriteFile(a, "keep", 4, nullptr, nullptr);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  HANDLE b = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(b, INVALID_HANDLE_VALUE);
  // A second writer is refused, and a refused CREATE_ALWAYS truncates nothing.
  EXPECT_EQ(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileW(path));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  CloseHandle(a);
  EXPECT_EQ(GetFileSize(b, nullptr), 4u);
  CloseHandle(b);
  EXPECT_TRUE(DeleteFileW(path));
  EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, CopyMoveDeleteAndFolders) {
  EXPECT_TRUE(CreateDirectoryW(u"\\My Documents\\Neu", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"\\My Documents\\Neu", nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_EQ(GetFileAttributesW(u"\\My Documents\\neu") & FILE_ATTRIBUTE_DIRECTORY, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
  WriteHost(home + "/My Documents/a.txt", "alpha");
  WriteHost(home + "/My Documents/b.txt", "beta");
  EXPECT_FALSE(CopyFileW(u"\\My Documents\\a.txt", u"\\My Documents\\b.txt", TRUE));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
  EXPECT_TRUE(CopyFileW(u"\\My Documents\\a.txt", u"\\My Documents\\Neu\\c.txt", TRUE));
  EXPECT_FALSE(MoveFileW(u"\\My Documents\\a.txt", u"\\My Documents\\b.txt"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileW(u"\\My Documents\\a.txt", u"\\My Documents\\Neu\\d.txt"));
  EXPECT_EQ(GetFileAttributesW(u"\\My Documents\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(MoveFileExW(u"\\My Documents\\b.txt", u"\\My Documents\\Neu\\d.txt", MOVEFILE_REPLACE_EXISTING));
  HANDLE h = CreateFileW(u"\\My Documents\\Neu\\d.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  char buf[8];
  DWORD n;
  ReadFile(h, buf, 8, &n, nullptr);
  CloseHandle(h);
  EXPECT_EQ(std::string(buf, n), "beta");
  EXPECT_FALSE(RemoveDirectoryW(u"\\My Documents\\Neu"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(DeleteFileW(u"\\My Documents\\Neu"));
  EXPECT_TRUE(DeleteFileW(u"\\My Documents\\Neu\\c.txt"));
  EXPECT_TRUE(DeleteFileW(u"\\My Documents\\Neu\\d.txt"));
  EXPECT_TRUE(RemoveDirectoryW(u"\\My Documents\\Neu"));
}

std::set<std::u16string> List(LPCWSTR pattern) {
  std::set<std::u16string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pattern, &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.insert(fd.cFileName);
  while (FindNextFileW(h, &fd));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST_F(Files, EnumerationWithWildcards) {
  std::string dir = home + "/My Documents/Musik";
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/Alben").c_str(), 0755);
  WriteHost(dir + "/Eins.MP3", "1234");
  WriteHost(dir + "/zwei.mp3", "");
  WriteHost(dir + "/drei.mp2", "");
  WriteHost(dir + "/liste", "");
  WriteHost(dir + "/Gr\xC3\xBC\xC3\x9F\x65.mp3", "");
  using S = std::set<std::u16string>;
  EXPECT_EQ(List(u"\\My Documents\\Musik\\*.mp3"), (S{u"Eins.MP3", u"zwei.mp3", u"Grüße.mp3"}));
  EXPECT_EQ(List(u"\\My Documents\\musik\\*.MP?"), (S{u"Eins.MP3", u"zwei.mp3", u"Grüße.mp3", u"drei.mp2"}));
  EXPECT_EQ(List(u"\\My Documents\\Musik\\*.*").size(), 6u);  // names without a dot too
  EXPECT_EQ(List(u"\\My Documents\\Musik\\liste.*"), (S{u"liste"}));
  EXPECT_EQ(List(u"\\My Documents\\Musik\\EINS.mp3"), (S{u"Eins.MP3"}));
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(u"\\My Documents\\Musik\\Al*", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
  FindClose(h);
  h = FindFirstFileW(u"\\My Documents\\Musik\\Eins.mp3", &fd);
  EXPECT_EQ(fd.nFileSizeLow, 4u);
  FindClose(h);
  EXPECT_EQ(FindFirstFileW(u"\\My Documents\\Musik\\*.wav", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileW(u"\\My Documents\\Fehlt\\*.*", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  // The device's root shows the data folder's folders.
  S root = List(u"\\*");
  EXPECT_TRUE(root.count(u"My Documents"));
  EXPECT_TRUE(root.count(u"Program Files"));
  EXPECT_TRUE(root.count(u"Windows"));
}

TEST_F(Files, ModuleFileNameIsADevicePath) {
  WCHAR name[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, name, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(name[0], u'\\');
  EXPECT_NE(LxStrStrW(name, u"kernel_tests"), nullptr);
  EXPECT_EQ(GetFileAttributesW(name) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  WCHAR small[4];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small[3], 0);
}

}  // namespace

namespace {

TEST_F(Files, OnlyRegularFilesOpenAndFoldersHaveAnIdentity) {
  ASSERT_EQ(mkfifo((home + "/My Documents/pipe").c_str(), 0600), 0);
  SetLastError(0);
  EXPECT_EQ(CreateFileW(u"\\My Documents\\pipe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE)
      << "a FIFO neither blocks nor opens";
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  mkdir((home + "/My Documents/real").c_str(), 0755);
  symlink("real", (home + "/My Documents/link").c_str());
  LXFILEIDENTITY a{}, b{}, c{};
  ASSERT_TRUE(LxGetFileIdentity(u"\\My Documents\\real", &a));
  ASSERT_TRUE(LxGetFileIdentity(u"\\My Documents\\link\\", &b));
  ASSERT_TRUE(LxGetFileIdentity(u"\\My Documents", &c));
  EXPECT_TRUE(a.device == b.device && a.inode == b.inode);
  EXPECT_NE(a.inode, c.inode);
  EXPECT_FALSE(LxGetFileIdentity(u"\\My Documents\\none", &a));
}

TEST_F(Files, MalformedHostNamesOpenThroughTheirEscapedUnits) {
  WriteHost(home + "/My Documents/x\xFF.mp3", "data");
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(u"\\My Documents\\x*", &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_EQ(std::u16string(found.cFileName), (std::u16string{u'x', 0xDCFF, u'.', u'm', u'p', u'3'}));
  std::u16string path = u"\\My Documents\\" + std::u16string(found.cFileName);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
}

TEST_F(Files, MusicFolderComesFromTheUsersFolders) {
  mkdir((home + "/Tunes").c_str(), 0755);
  setenv("XDG_MUSIC_DIR", (home + "/Tunes").c_str(), 1);
  WCHAR path[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_MYMUSIC, FALSE));
  EXPECT_EQ(std::u16string(path), LxDevicePath(home + "/Tunes"));
  setenv("XDG_MUSIC_DIR", (home + "/Missing").c_str(), 1);
  EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, path, CSIDL_MYMUSIC, FALSE));
  unsetenv("XDG_MUSIC_DIR");
}

}  // namespace
