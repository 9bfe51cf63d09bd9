// A library for the loader tests: one export of its own, a DllMain that
// counts, and a resource whose id the test program uses too.
#include "lxresource.h"
#include "windows.h"

namespace {
int g_attached = 0;
HANDLE g_module = nullptr;
const char kOwn[] = "library";
const LXRESOURCE kResources[] = {{RT_RCDATA, 7, kOwn, sizeof kOwn}};
LX_RESOURCE_TABLE(kResources);
}  // namespace

extern "C" LX_EXPORT int LxTestAnswer(int x) { return x * 2 + 1; }
extern "C" LX_EXPORT int LxTestAttached(HANDLE* module) {
  *module = g_module;
  return g_attached;
}

extern "C" LX_EXPORT BOOL DllMain(HANDLE module, DWORD reason, LPVOID) {
  g_attached += reason == DLL_PROCESS_ATTACH ? 1 : -1;
  g_module = module;
  return TRUE;
}
