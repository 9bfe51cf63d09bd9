#include "shell/power.h"

#include <notify.h>
#include <pm.h>

#include "engine/engine.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

PowerState g_power = {TRUE, FALSE, FALSE, 0, FALSE, FALSE, FALSE};

void RecomputeSuspension(void) {
  BOOL modal = g_power.modalCount > 0;
  BOOL hidden = g_power.minimised || !g_power.active;
  BOOL dark = !g_power.displayOn;
  BOOL listOnly = g_settings.plState == 1;
  BOOL spectrumOff = g_settings.spectrumOff == 1;
  BOOL equalizerWas = g_power.equalizerSpectrumSuspended, boardWas = g_power.boardSuspended;
  g_power.spectrumSuspended = listOnly || hidden || spectrumOff || modal || dark;
  g_power.equalizerSpectrumSuspended = hidden || listOnly || dark || spectrumOff;
  g_power.boardSuspended = hidden || dark;
  // A suspended pane paints nothing and its timer stops at its next tick: it
  // wakes no one while the display is off or the pane unseen, and is drawn
  // whole when it returns.
  if (equalizerWas && !g_power.equalizerSpectrumSuspended && g_paneHooks.restartSpectrumTimer)
    g_paneHooks.restartSpectrumTimer();
  if (boardWas && !g_power.boardSuspended && g_windows.board) InvalidateRect(g_windows.board, NULL, FALSE);
}

// One second before the shortest idle time-out, in unsigned 32-bit
// arithmetic; with no time-out at all the timer in effect never fires.
DWORD KeepAwakePeriod(void) {
  static const UINT queries[] = {SPI_GETBATTERYIDLETIMEOUT, SPI_GETEXTERNALIDLETIMEOUT, SPI_GETWAKEUPIDLETIMEOUT};
  DWORD t = 0xFFFFFFFF;
  for (UINT query : queries) {
    DWORD seconds = 0;  // a failed query counts as no time-out
    if (!SystemParametersInfoW(query, 0, &seconds, 0)) seconds = 0;
    if (seconds != 0 && seconds < t) t = seconds;
  }
  DWORD period = t * 1000u - 1000u;
  // A one-second time-out would give a zero period; keep the timer useful.
  if (period < 500) period = 500;
  return period;
}

void KeepAwake(HWND mainWindow, BOOL on) {
  if (on)
    SetTimer(mainWindow, TIMER_KEEP_AWAKE, KeepAwakePeriod(), NULL);
  else
    KillTimer(mainWindow, TIMER_KEEP_AWAKE);
}

int DisplaySwitch(BOOL on) {
  HDC dc = GetDC(NULL);
  DWORD escape = SETPOWERMANAGEMENT;
  if (ExtEscape(dc, QUERYESCSUPPORT, sizeof escape, (LPCSTR)&escape, 0, NULL) <= 0) {
    ReleaseDC(NULL, dc);
    return 0;
  }
  VIDEO_POWER_MANAGEMENT power = {sizeof(VIDEO_POWER_MANAGEMENT), 1, (ULONG)(on ? VideoPowerOn : VideoPowerOff)};
  ExtEscape(dc, SETPOWERMANAGEMENT, sizeof power, (LPCSTR)&power, 0, NULL);
  g_power.displayOn = on ? TRUE : FALSE;
  ReleaseDC(NULL, dc);
  RecomputeSuspension();
  return 1;
}

void RegisterWakeUp(void) {
  static WCHAR program[MAX_PATH];
  static WCHAR arguments[] = u"WakeUp";
  // The program's own path as the system reports it: that is what a wake starts.
  GetModuleFileNameW(NULL, program, MAX_PATH);
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = CE_NOTIFICATION_TRIGGER_DEVICE_SIZE;
  trigger.dwType = CNT_EVENT;
  trigger.dwEvent = NOTIFICATION_EVENT_WAKEUP;
  trigger.lpszApplication = program;
  trigger.lpszArguments = arguments;
  HANDLE handle = CeSetUserNotificationEx((HANDLE)(ULONG_PTR)g_settings.wakeUp, &trigger, NULL);
  g_settings.wakeUp = (DWORD)(ULONG_PTR)handle;
  SaveWakeUp(&g_settings);
}

void ClearWakeUp(void) {
  if (g_settings.wakeUp) CeClearUserNotification((HANDLE)(ULONG_PTR)g_settings.wakeUp);
  g_settings.wakeUp = 0;
}

LRESULT WakeUpHandler(HWND, UINT, WPARAM, LPARAM) {
  if (!g_power.displayOn) {
    // The display came back with the device; no driver call is needed.
    g_power.displayOn = TRUE;
    RecomputeSuspension();
  }
  // Only output that was playing is resumed: a user's pause stays a pause.
  if (g_engine.state == Playing && !PlayerFlagsTest(Seeking)) RestartDevice();
  return 0;
}
