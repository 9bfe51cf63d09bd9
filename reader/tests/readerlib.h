// Loads the reader library by name as the player does and hands out its table.
#pragma once
#include <dlfcn.h>
#include <string>
#include "komp3reader.h"
#include "testfiles.h"

inline ReaderOperations LoadReader() {
  ReaderOperations ops = {};
  HMODULE lib = LoadLibraryW(u"KOMP3READER.DLL");
  if (!lib) return ops;
  auto init = (InitializeReaderProc)(void (*)(void))GetProcAddressW(lib, u"InitializeReader");
  if (init) init(&ops);
  return ops;
}

// Whether the named library of the output folder (where libcoredll.so lives)
// is loaded in this process.
inline bool IsLoaded(const char* file) {
  Dl_info where = {};
  dladdr((void*)&LoadLibraryW, &where);
  std::string path = where.dli_fname ? where.dli_fname : "./";
  path = path.substr(0, path.rfind('/') + 1) + file;
  void* h = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h != nullptr;
}
