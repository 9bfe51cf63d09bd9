// The display: a driver table like the audio's (an SDL2 desktop window, or
// none at all), and the device socket that serves other processes either way.
#include <cstdio>
#include <mutex>

#include "lxdisplay.h"
#include "lxuser.h"
#include "lxwin.h"

namespace lx {

namespace {

std::once_flag g_started;
const DisplayDriver* g_driver = &kHeadlessDisplayDriver;

}  // namespace

HWND MainWindow() {
  std::lock_guard lock(UserLock());
  for (HWND h : TopLevels())
    if (Window* w = GetWin(h); w && !w->owner) return h;
  return nullptr;
}

DisplayConfig& Display() {
  static DisplayConfig c;
  return c;
}

void DisplayStart() {
  std::call_once(g_started, [] {
    ServerStart();
    if (Display().headless) return;
    g_driver = &kSdlDisplayDriver;
    if (!g_driver->Open()) {
      fprintf(stderr, "lumtrax: no desktop window; running headless\n");
      Display().headless = true;
      g_driver = &kHeadlessDisplayDriver;
    }
  });
}

void DisplayStop() {
  g_driver->Close();
  ServerStop();
}

void DisplayRaise() { g_driver->Raise(); }

void DisplayCursorChanged() { g_driver->CursorChanged(); }

}  // namespace lx

void LxInputStylus(UINT message, int x, int y) { lx::InputMouse(message, x, y); }
void LxInputKey(UINT vk, BOOL down) { lx::InputKey(vk, down); }
void LxInputChar(WCHAR ch) { lx::InputChar(ch); }
BOOL LxWaitIdle(DWORD milliseconds) { return lx::WaitIdle((int)milliseconds); }
