// Libraries: "NAME.DLL" is lib<name in lower case>.so in the program's folder,
// then in the platform's; "\Folder\NAME.DLL" only in that folder. "Coredll.dll"
// is the platform itself. An HMODULE is the library's dlopen handle (its link
// map). A library's DllMain sees the first load and the last free.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cctype>
#include <map>
#include <mutex>

#include "lxkernel.h"

namespace {

// "\Windows\KOMP3DEC.DLL" -> "komp3dec".
std::string StemOf(const std::string& fileName) {
  size_t slash = fileName.find_last_of("\\/");
  std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    std::string ext = base.substr(dot + 1);
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    if (ext == "dll" || ext == "exe") base.resize(dot);
  }
  for (char& c : base) c = (char)tolower((unsigned char)c);
  return base;
}

// "\Program Files\Lumtrax\LumtraxSetup.dll" -> the host folder; "" when the
// name has no folder.
std::string FolderOf(LPCWSTR name) {
  const WCHAR* last = nullptr;
  for (const WCHAR* p = name; *p; ++p)
    if (*p == u'\\' || *p == u'/') last = p;
  if (!last) return "";
  std::u16string folder(name, last - name);
  if (folder.empty()) folder = u"\\";
  return LxHostPath(folder.c_str());
}

typedef BOOL (*DllMainProc)(HANDLE, DWORD, LPVOID);

// References taken through LoadLibraryW, per module: DllMain runs when the
// count leaves and returns to 0.
std::mutex& LoadLock() {
  static std::mutex m;
  return m;
}
std::map<void*, int>& LoadCounts() {
  static std::map<void*, int> m;
  return m;
}

std::string PlatformPath() {
  Dl_info info{};
  if (!dladdr((void*)&PlatformPath, &info) || !info.dli_fname) return "";
  return info.dli_fname;
}

}  // namespace

std::string LxFindProgramFile(const std::string& fileName, bool libPrefix, const char* suffix) {
  std::string stem = StemOf(fileName);
  if (stem.empty()) return "";
  std::string file = (libPrefix ? "lib" : "") + stem + (suffix ? suffix : "");
  for (const std::string& folder : {LxProgramFolder(), LxPlatformFolder()}) {
    std::string path = folder + "/" + file;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return "";
}

HMODULE LoadLibraryW(LPCWSTR name) {
  if (!name || !name[0]) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  std::string utf8 = LxToUtf8(name);
  void* h;
  if (StemOf(utf8) == "coredll") {
    h = dlopen(PlatformPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  } else {
    std::string folder = FolderOf(name), path;
    if (folder.empty()) {
      path = LxFindProgramFile(utf8, true, ".so");
    } else {
      std::string stem = StemOf(utf8);
      path = folder + "/lib" + stem + ".so";
      struct stat st;
      if (stem.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) path.clear();
    }
    if (path.empty()) return SetLastError(ERROR_MOD_NOT_FOUND), nullptr;
    h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return SetLastError(ERROR_BAD_EXE_FORMAT), nullptr;
  }
  if (!h) return SetLastError(ERROR_MOD_NOT_FOUND), nullptr;
  std::unique_lock lock(LoadLock());
  if (LoadCounts()[h]++ == 0) {
    auto main = (DllMainProc)GetProcAddressA((HMODULE)h, "DllMain");
    // DllMain may load libraries itself.
    lock.unlock();
    if (main && !main((HANDLE)h, DLL_PROCESS_ATTACH, nullptr)) {
      lock.lock();
      LoadCounts().erase(h);
      lock.unlock();
      dlclose(h);
      return SetLastError(ERROR_DLL_INIT_FAILED), nullptr;
    }
  }
  SetLastError(NO_ERROR);
  return (HMODULE)h;
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  std::unique_lock lock(LoadLock());
  auto it = LoadCounts().find((void*)module);
  if (it != LoadCounts().end() && --it->second == 0) {
    LoadCounts().erase(it);
    lock.unlock();
    if (auto main = (DllMainProc)GetProcAddressA(module, "DllMain")) main((HANDLE)module, DLL_PROCESS_DETACH, nullptr);
  } else {
    lock.unlock();
  }
  struct link_map* map = nullptr;
  std::string name;
  if (dlinfo((void*)module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) name = map->l_name;
  if (dlclose((void*)module) != 0) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  // Once the library is really gone, so are its resources; a library still
  // held (by another library) keeps them, as its tables are not made again.
  void* still = name.empty() ? nullptr : dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (still)
    dlclose(still);
  else
    LxForgetResources(module);
  return TRUE;
}

FARPROC GetProcAddressA(HMODULE module, LPCSTR name) {
  // Exports by ordinal are not kept.
  if (!module || (uintptr_t)name < 0x10000) return SetLastError(ERROR_PROC_NOT_FOUND), nullptr;
  void* symbol = dlsym((void*)module, name);
  if (!symbol) return SetLastError(ERROR_PROC_NOT_FOUND), nullptr;
  // dlsym also searches the library's dependencies; an export must be the
  // library's own, as on the device.
  struct link_map* own = nullptr;
  struct link_map* where = nullptr;
  Dl_info info;
  if (dlinfo((void*)module, RTLD_DI_LINKMAP, &own) == 0 && dladdr1(symbol, &info, (void**)&where, RTLD_DL_LINKMAP) &&
      where && own && where != own) {
    return SetLastError(ERROR_PROC_NOT_FOUND), nullptr;
  }
  return (FARPROC)symbol;
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR name) {
  if ((uintptr_t)name < 0x10000) return GetProcAddressA(module, (LPCSTR)name);
  return GetProcAddressA(module, LxToUtf8(name).c_str());
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  void* h;
  if (!name) {
    h = dlopen(nullptr, RTLD_NOW);
  } else {
    std::string utf8 = LxToUtf8(name);
    std::string path = StemOf(utf8) == "coredll" ? PlatformPath() : LxFindProgramFile(utf8, true, ".so");
    h = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  }
  if (!h) return SetLastError(ERROR_MOD_NOT_FOUND), nullptr;
  // The device's GetModuleHandle takes no reference.
  if (name) dlclose(h);
  return (HMODULE)h;
}
