// The player's entry: one instance per device; a second start hands its
// request to the first and ends.
#include <windows.h>

#include "shell/buttons.h"
#include "shell/mainwindow.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#ifdef LUMTRAX_DESKTOP
#include "desktop/desktop.h"
#endif

// Only the first six characters count: "WakeUpX" is a wake-up start too.
static BOOL IsWakeUp(LPCWSTR commandLine) {
  static const WCHAR wakeUp[] = u"WakeUp";
  for (int i = 0; i < 6; i++)
    if (commandLine[i] != wakeUp[i]) return FALSE;
  return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show) {
  HWND running = FindWindowW(u"Lumtrax", NULL);
  // The low bit brings the running window's owned windows forward too.
  HWND withOwned = (HWND)((ULONG_PTR)running | 1);
  if (IsWakeUp(commandLine)) {
    if (running) {
      SetForegroundWindow(withOwned);
      SendMessageW(running, UM_WAKEUP, 0, 0);
    }
    return -1;
  }
  if (running) {
    SetForegroundWindow(withOwned);
    SendMessageW(running, WM_COMMAND, MAKEWPARAM(IDM_MINIMISE, 1), 0);
    // The file of an "open with" goes to the running player instead of being lost.
    if (commandLine && commandLine[0]) {
      COPYDATASTRUCT copy = {COPYDATA_OPENFILE, (DWORD)((lstrlenW(commandLine) + 1) * sizeof(WCHAR)),
                             (PVOID)commandLine};
      if (copy.cbData <= MAX_PATH * sizeof(WCHAR)) SendMessageW(running, WM_COPYDATA, 0, (LPARAM)&copy);
    }
    return -1;
  }
  if (!MainWindowRegister(instance)) return 1;
  ButtonsInstall();
  if (g_shellHooks.readButtonNames) g_shellHooks.readButtonNames();
  if (!MainWindowCreate(instance, commandLine, show)) return 16;
#ifdef LUMTRAX_DESKTOP
  DesktopStart(g_windows.main);
#endif
  MainWindowWelcome();
  MSG msg;
  while (GetMessageW(&msg, NULL, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
#ifdef LUMTRAX_DESKTOP
  DesktopStop();
#endif
  return (int)msg.wParam;
}
