// Libraries: "NAME.DLL" is lib<name in lower case>.so in the program's folder,
// then in the platform's; "Coredll.dll" is the platform itself. An HMODULE is
// the library's dlopen handle.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cctype>

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
    std::string path = LxFindProgramFile(utf8, true, ".so");
    if (path.empty()) return SetLastError(ERROR_MOD_NOT_FOUND), nullptr;
    h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return SetLastError(ERROR_BAD_EXE_FORMAT), nullptr;
  }
  if (!h) return SetLastError(ERROR_MOD_NOT_FOUND), nullptr;
  SetLastError(NO_ERROR);
  return (HMODULE)h;
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || dlclose((void*)module) != 0) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
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
