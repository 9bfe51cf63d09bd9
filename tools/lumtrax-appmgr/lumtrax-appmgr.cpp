// A stand-in for the Application Manager: a device program that installs the
// cabinet a "Setup.INI" names, asking the package's setup library before, and
// removes an installed package again.
//
//   lumtrax-appmgr --register        registers itself under App Paths\CEAPPMGR.EXE
//   lumtrax-appmgr --unregister
//   lumtrax-appmgr INI               installs the INI's cabinet
//   lumtrax-appmgr --uninstall NAME  removes an installed package
//
// Exit codes: 0 done, 1 cancelled by the setup library, 2 failed (shown in a
// box; nothing half-installed), 3 wrong use.
//
// The cabinet carries a manifest "package.ini" ([Package] Name, Folder,
// SetupLibrary, Executable). Installations are recorded under
// HKLM\Software\Apps\NAME.
#include <mspack.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ce_setup.h"
#include "lxstring.h"
#include "windows.h"

namespace {

const WCHAR kAppPaths[] = u"software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
const WCHAR kApps[] = u"Software\\Apps\\";
const WCHAR kTitle[] = u"Application Manager";

enum { kDone = 0, kCancelled = 1, kFailed = 2, kUsage = 3 };

HWND g_window;

struct Manifest {
  std::u16string name, folder, setupLibrary, executable;
};

std::u16string W(const std::string& s) { return LxFromUtf8(s); }
std::string U(const std::u16string& s) { return LxToUtf8(s); }

int Fail(const std::u16string& what) {
  std::u16string text = u"Die Installation ist fehlgeschlagen:\n" + what;
  MessageBoxW(g_window, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
  return kFailed;
}

bool ReadText(const std::u16string& path, std::string& text) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD got = 0;
  text.clear();
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0 && text.size() < 65536) text.append(buffer, got);
  CloseHandle(f);
  return true;
}

// The value of key in [section] of an INI text, "" when absent.
std::string IniValue(const std::string& text, const std::string& section, const std::string& key) {
  std::string current;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty() && line[0] == '[') {
      current = line.substr(1, line.find(']') - 1);
      continue;
    }
    size_t eq = line.find('=');
    if (eq != std::string::npos && strcasecmp(current.c_str(), section.c_str()) == 0 &&
        strcasecmp(line.substr(0, eq).c_str(), key.c_str()) == 0)
      return line.substr(eq + 1);
  }
  return "";
}

bool SafeName(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/;") == std::string::npos && name.find("..") == std::string::npos;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return lstrcmpiW(W(a).c_str(), W(b).c_str()) == 0;
}

// Unpacks every file of the cabinet into the staging folder after checking
// all names; false when a name is unsafe or the cabinet is damaged.
bool Unpack(const std::u16string& cabinet, const std::u16string& staging, std::vector<std::string>& names,
            std::u16string& why) {
  mscab_decompressor* cabd = mspack_create_cab_decompressor(nullptr);
  if (!cabd) return why = u"libmspack", false;
  std::string host = LxHostPath(cabinet.c_str());
  mscabd_cabinet* cab = cabd->open(cabd, host.c_str());
  bool ok = cab != nullptr;
  if (!ok) why = u"Kabinettdatei fehlt oder ist beschädigt: " + cabinet;
  for (mscabd_file* f = ok ? cab->files : nullptr; f; f = f->next) {
    std::string name = f->filename ? f->filename : "";
    bool duplicate = false;
    for (const std::string& n : names) duplicate = duplicate || SameIgnoringCase(n, name);
    if (!SafeName(name) || duplicate) {
      why = u"unzulässiger Name im Kabinett: " + W(name);
      ok = false;
      break;
    }
    names.push_back(name);
  }
  for (mscabd_file* f = ok ? cab->files : nullptr; f; f = f->next) {
    std::string out = LxHostPath((staging + u"\\" + W(f->filename)).c_str());
    if (cabd->extract(cabd, f, out.c_str()) != MSPACK_ERR_OK) {
      why = u"Kabinettdatei ist beschädigt: " + cabinet;
      ok = false;
      break;
    }
  }
  if (cab) cabd->close(cabd, cab);
  mspack_destroy_cab_decompressor(cabd);
  return ok;
}

void RemoveFolder(const std::u16string& folder, const std::vector<std::string>& names) {
  for (const std::string& n : names) DeleteFileW((folder + u"\\" + W(n)).c_str());
  RemoveDirectoryW(folder.c_str());
}

bool ReadManifest(const std::u16string& path, Manifest& m) {
  std::string text;
  if (!ReadText(path, text)) return false;
  m.name = W(IniValue(text, "Package", "Name"));
  m.folder = W(IniValue(text, "Package", "Folder"));
  m.setupLibrary = W(IniValue(text, "Package", "SetupLibrary"));
  m.executable = W(IniValue(text, "Package", "Executable"));
  return SafeName(U(m.name)) && m.folder.size() > 1 && m.folder[0] == u'\\' && !m.setupLibrary.empty();
}

std::u16string RecordKey(const std::u16string& name) { return kApps + name; }

bool Installed(const std::u16string& name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, RecordKey(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetString(HKEY key, const WCHAR* name, const std::u16string& value) {
  RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)(value.size() + 1) * sizeof(WCHAR));
}

std::u16string GetString(HKEY key, const WCHAR* name) {
  WCHAR value[4096] = {};
  DWORD type = 0, size = sizeof value - sizeof(WCHAR);
  if (RegQueryValueExW(key, name, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS || type != REG_SZ) return u"";
  value[size / sizeof(WCHAR)] = 0;
  return value;
}

void Record(const Manifest& m, const std::vector<std::string>& names) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, RecordKey(m.name).c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  std::string files;
  for (const std::string& n : names) files += (files.empty() ? "" : ";") + n;
  SetString(key, u"InstallDir", m.folder);
  SetString(key, u"SetupLibrary", m.setupLibrary);
  SetString(key, u"Files", W(files));
  RegCloseKey(key);
}

struct SetupLibrary {
  HMODULE module = nullptr;
  pfnINSTALL_INIT installInit = nullptr;
  pfnINSTALL_EXIT installExit = nullptr;
  pfnUNINSTALL_INIT uninstallInit = nullptr;
  pfnUNINSTALL_EXIT uninstallExit = nullptr;
};

bool LoadSetupLibrary(const std::u16string& path, SetupLibrary& lib) {
  lib.module = LoadLibraryW(path.c_str());
  if (!lib.module) return false;
  lib.installInit = (pfnINSTALL_INIT)GetProcAddress(lib.module, szINSTALL_INIT);
  lib.installExit = (pfnINSTALL_EXIT)GetProcAddress(lib.module, szINSTALL_EXIT);
  lib.uninstallInit = (pfnUNINSTALL_INIT)GetProcAddress(lib.module, szUNINSTALL_INIT);
  lib.uninstallExit = (pfnUNINSTALL_EXIT)GetProcAddress(lib.module, szUNINSTALL_EXIT);
  return lib.installInit && lib.installExit && lib.uninstallInit && lib.uninstallExit;
}

// Copies each file beside its target, then renames it over the target, so
// that a running program keeps the libraries it has mapped. On a failed
// copy the copies made so far go again.
WORD CopyInto(const std::u16string& staging, const Manifest& m, const std::vector<std::string>& names) {
  WORD failed = 0;
  for (const std::string& n : names)
    if (!CopyFileW((staging + u"\\" + W(n)).c_str(), (m.folder + u"\\" + W(n) + u".new").c_str(), FALSE)) ++failed;
  for (const std::string& n : names) {
    std::u16string fresh = m.folder + u"\\" + W(n) + u".new", target = m.folder + u"\\" + W(n);
    if (failed) DeleteFileW(fresh.c_str());
    else if (!MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) ++failed;
  }
  if (!failed && !m.executable.empty()) chmod(LxHostPath((m.folder + u"\\" + m.executable).c_str()).c_str(), 0755);
  return failed;
}

int Install(const std::u16string& ini) {
  std::string text;
  if (!ReadText(ini, text)) return Fail(u"Setup.INI fehlt: " + ini);
  std::string component = IniValue(text, "CEAppManager", "Component");
  std::string cabFiles = IniValue(text, component, "CabFiles");
  cabFiles = cabFiles.substr(0, cabFiles.find(','));
  if (component.empty() || !SafeName(cabFiles)) return Fail(u"Setup.INI nennt keine Kabinettdatei");
  std::u16string folder = ini.substr(0, ini.find_last_of(u"\\/") == std::u16string::npos ? 0 : ini.find_last_of(u"\\/"));
  std::u16string cabinet = folder + u"\\" + W(cabFiles);

  WCHAR windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  std::u16string temp = std::u16string(windows) + u"\\Temp";
  CreateDirectoryW(temp.c_str(), nullptr);
  std::u16string staging = temp + u"\\appmgr-" + W(std::to_string(GetCurrentProcessId()));
  if (!CreateDirectoryW(staging.c_str(), nullptr)) return Fail(u"kein Platz für die Dateien: " + staging);
  std::vector<std::string> names;
  std::u16string why;
  Manifest m;
  if (!Unpack(cabinet, staging, names, why)) {
    RemoveFolder(staging, names);
    return Fail(why);
  }
  if (!ReadManifest(staging + u"\\package.ini", m)) {
    RemoveFolder(staging, names);
    return Fail(u"package.ini fehlt oder ist unvollständig");
  }
  // The manifest describes the package; it is not installed.
  std::vector<std::string> installed;
  for (const std::string& n : names)
    if (!SameIgnoringCase(n, "package.ini")) installed.push_back(n);
  SetupLibrary lib;
  if (!LoadSetupLibrary(staging + u"\\" + m.setupLibrary, lib)) {
    if (lib.module) FreeLibrary(lib.module);
    RemoveFolder(staging, names);
    return Fail(u"Setup-Bibliothek fehlt: " + m.setupLibrary);
  }
  int result = kDone;
  if (lib.installInit(g_window, TRUE, Installed(m.name), m.folder.c_str()) != codeINSTALL_INIT_CONTINUE) {
    result = kCancelled;
  } else {
    bool made = CreateDirectoryW(m.folder.c_str(), nullptr);
    WORD failedDirs = !made && !(GetFileAttributesW(m.folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    if (GetFileAttributesW(m.folder.c_str()) == INVALID_FILE_ATTRIBUTES) failedDirs = 1;
    WORD failedFiles = failedDirs ? (WORD)installed.size() : CopyInto(staging, m, installed);
    codeINSTALL_EXIT exit = lib.installExit(g_window, m.folder.c_str(), failedDirs, failedFiles, 0, 0, 0);
    if (failedDirs || failedFiles || exit == codeINSTALL_EXIT_UNINSTALL) {
      if (!failedDirs && !failedFiles) {
        for (const std::string& n : installed) DeleteFileW((m.folder + u"\\" + W(n)).c_str());
      }
      if (made) RemoveDirectoryW(m.folder.c_str());
      result = failedDirs || failedFiles ? kFailed : kCancelled;
    } else {
      Record(m, installed);
    }
  }
  FreeLibrary(lib.module);
  RemoveFolder(staging, names);
  return result == kFailed ? Fail(u"Dateien konnten nicht nach " + m.folder + u" kopiert werden") : result;
}

int Uninstall(const std::u16string& name) {
  HKEY key;
  if (!SafeName(U(name)) ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, RecordKey(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return Fail(name + u" ist nicht installiert");
  std::u16string folder = GetString(key, u"InstallDir"), library = GetString(key, u"SetupLibrary");
  std::string files = U(GetString(key, u"Files"));
  RegCloseKey(key);
  SetupLibrary lib;
  if (folder.empty() || !LoadSetupLibrary(folder + u"\\" + library, lib)) {
    if (lib.module) FreeLibrary(lib.module);
    return Fail(u"Setup-Bibliothek fehlt: " + folder + u"\\" + library);
  }
  if (lib.uninstallInit(g_window, folder.c_str()) != codeUNINSTALL_INIT_CONTINUE) {
    FreeLibrary(lib.module);
    return kCancelled;
  }
  std::vector<std::string> names;
  for (size_t at = 0; at <= files.size();) {
    size_t end = files.find(';', at);
    if (end == std::string::npos) end = files.size();
    if (SafeName(files.substr(at, end - at))) names.push_back(files.substr(at, end - at));
    at = end + 1;
  }
  RemoveFolder(folder, names);
  lib.uninstallExit(g_window);
  FreeLibrary(lib.module);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, RecordKey(name).c_str());
  return kDone;
}

int Register(bool on) {
  if (!on) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kAppPaths);
    return kDone;
  }
  WCHAR self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return kFailed;
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPaths, 0, nullptr, 0, 0, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return kFailed;
  SetString(key, nullptr, self);
  RegCloseKey(key);
  return kDone;
}

LRESULT CALLBACK WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    DrawTextW(dc, kTitle, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

// Splits the command line into its words (quotes group).
std::vector<std::u16string> Words(const WCHAR* line) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool quoted = false, any = false;
  for (const WCHAR* p = line; p && *p; ++p) {
    if (*p == u'"') quoted = !quoted, any = true;
    else if (*p == u' ' && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else word.push_back(*p), any = true;
  }
  if (any) words.push_back(word);
  return words;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  std::vector<std::u16string> args = Words(commandLine);
  if (args.size() == 1 && (args[0] == u"--register" || args[0] == u"--unregister")) return Register(args[0] == u"--register");
  bool uninstall = args.size() == 2 && args[0] == u"--uninstall";
  if (!uninstall && (args.size() != 1 || args[0].rfind(u"--", 0) == 0)) {
    fprintf(stderr, "usage: lumtrax-appmgr --register | --unregister | INI | --uninstall NAME\n");
    return kUsage;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = u"LumtraxAppMgr";
  RegisterClassW(&wc);
  g_window = CreateWindowExW(0, u"LumtraxAppMgr", kTitle, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  UpdateWindow(g_window);
  int result = uninstall ? Uninstall(args[1]) : Install(args[0]);
  DestroyWindow(g_window);
  return result;
}
