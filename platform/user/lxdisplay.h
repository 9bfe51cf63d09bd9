// The display and input drivers (an SDL2 window, or none) and the device
// socket through which other processes and lumtrax-device reach this one.
#pragma once
#include <cstdint>

#include "windows.h"

namespace lx {

struct DisplayConfig {
  bool headless = true;  // programs that do not come through the entry stay headless
  int scale = 2;
};
DisplayConfig& Display();

// A display backend. Open starts it (its own thread, if any) and returns 0
// when it cannot show a window; the rest are called only after an Open
// that succeeded.
struct DisplayDriver {
  const char* name;
  int (*Open)();
  void (*Close)();
  // Brings the window to the front of the desktop.
  void (*Raise)();
  // The cursor (arrow or wait) changed.
  void (*CursorChanged)();
};
extern const DisplayDriver kSdlDisplayDriver;
extern const DisplayDriver kHeadlessDisplayDriver;

// Starts the backend and the device socket once; called when the first
// top-level window is created.
void DisplayStart();
void DisplayStop();
void DisplayRaise();
void DisplayCursorChanged();
// The program's main window: the oldest top-level window without an owner.
HWND MainWindow();

// Other processes' windows.
HWND RemoteFindWindow(LPCWSTR className, LPCWSTR title);
BOOL RemoteForeground(int pid, uint64_t handle);
BOOL RemoteIsWindow(int pid, uint64_t handle);
LRESULT RemoteSend(int pid, uint64_t handle, UINT msg, WPARAM wParam, LPARAM lParam, bool post);
void ServerStart();
// Writes this process's top-level windows where callers find them when the
// process cannot answer (stopped, hung).
void ServerPublishWindows();
void ServerStop();
// Unlinks the socket only: for a process about to end without exit handlers.
void ServerRemoveSocket();

}  // namespace lx
