// The hand-over: package i's INI and cabinet are copied to the temporary
// folder and the Application Manager registered under App Paths runs on the
// copied INI; the copies go when it ends. Any failure shows one box and
// leaves nothing behind.
#include "setup.h"

static const WCHAR kAppManagerKey[] = u"software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

static void FailureBox(HWND owner) { MessageBoxW(owner, u"Cannot install Lumtrax", u"Notify", MB_OK); }

// dest = a + b + c, 1 when it fits in MAX_PATH units.
static int JoinPath(WCHAR* dest, const WCHAR* a, const WCHAR* b, const WCHAR* c) {
  int la = lstrlenW(a), lb = lstrlenW(b), lc = lstrlenW(c);
  if (la + lb + lc >= MAX_PATH) return 0;
  lstrcpyW(dest, a);
  lstrcpyW(dest + la, b);
  lstrcpyW(dest + la + lb, c);
  return 1;
}

// The Application Manager's path: the key's default value, a string of less
// than MAX_PATH units once one surrounding pair of quotes is taken off.
static int ReadAppManager(WCHAR* path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppManagerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  WCHAR value[MAX_PATH + 1];
  DWORD type = 0, size = sizeof value - sizeof(WCHAR);
  LONG result = RegQueryValueExW(key, nullptr, nullptr, &type, (BYTE*)value, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return 0;
  value[size / sizeof(WCHAR)] = 0;  // the stored value may lack its terminator
  int length = lstrlenW(value);
  const WCHAR* start = value;
  if (length >= 2 && value[0] == u'"' && value[length - 1] == u'"') {
    value[length - 1] = 0;
    start = value + 1;
    length -= 2;
  }
  if (length == 0 || length >= MAX_PATH) return 0;
  lstrcpyW(path, start);
  return 1;
}

static int Readable(const WCHAR* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD attributes = GetFileAttributesW(path);
  CloseHandle(file);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static int TempFolder(WCHAR* temp) {
  WCHAR windows[MAX_PATH];
  UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !JoinPath(temp, windows, u"\\Temp", u"")) return 0;
  DWORD attributes = GetFileAttributesW(temp);
  if (attributes == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(temp, nullptr)) return 0;
  attributes = GetFileAttributesW(temp);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Runs `"A" "T\Setup.INI"` and waits for it to end.
static int RunAppManager(const WCHAR* appManager, const WCHAR* ini) {
  WCHAR commandLine[2 * MAX_PATH + 8];
  wsprintfW(commandLine, u"\"%s\" \"%s\"", appManager, ini);
  PROCESS_INFORMATION process;
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &process)) return 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 1;
}

int InstallPackage(HWND welcome, int package) {
  if (package < 0 || package >= PACKAGE_COUNT) return 0;
  const PackageRow* row = &PackageTable[package];
  WCHAR appManager[MAX_PATH], base[MAX_PATH], ini[MAX_PATH], cabinet[MAX_PATH];
  WCHAR temp[MAX_PATH], iniCopy[MAX_PATH], cabinetCopy[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, base, MAX_PATH);
  WCHAR* slash = nullptr;
  for (DWORD i = 0; i < length && i < MAX_PATH; ++i)
    if (base[i] == u'\\') slash = &base[i];
  int ready = ReadAppManager(appManager) && length > 0 && length < MAX_PATH && slash != nullptr;
  if (ready) slash[1] = 0;
  ready = ready && JoinPath(ini, base, row->folder, u"Setup.INI") && JoinPath(cabinet, base, row->folder, row->cabinet);
  ready = ready && Readable(appManager) && Readable(ini) && Readable(cabinet);
  if (!ready) {
    FailureBox(welcome);
    return 0;
  }
  ShowWindow(welcome, SW_HIDE);
  if (!TempFolder(temp) || !JoinPath(iniCopy, temp, u"\\", u"Setup.INI") ||
      !JoinPath(cabinetCopy, temp, u"\\", row->cabinet)) {
    FailureBox(welcome);
    return 0;
  }
  int copied = CopyFileW(ini, iniCopy, FALSE);
  copied = copied && CopyFileW(cabinet, cabinetCopy, FALSE);
  int ran = copied && RunAppManager(appManager, iniCopy);
  DeleteFileW(iniCopy);
  DeleteFileW(cabinetCopy);
  if (!ran) {
    FailureBox(welcome);
    return 0;
  }
  return 1;
}
