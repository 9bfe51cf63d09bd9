// Keep-awake timer, display switch, wake-up notification and the three
// suspension flags that stop drawing nobody can see.
#pragma once
#include <windows.h>

#define TIMER_KEEP_AWAKE 790

struct PowerState {
  BOOL displayOn;   // 1 at start
  BOOL active;      // main window is the active window
  BOOL minimised;   // hidden by "Minimieren"
  LONG modalCount;  // nesting of modal dialogs (Run dialog, settings sheet); the modal mark is count > 0
  // Recomputed together by RecomputeSuspension.
  BOOL spectrumSuspended;           // Buffer done skips spectrum analysis
  BOOL equalizerSpectrumSuspended;  // the equalizer's spectrum timer skips its repaint
  BOOL boardSuspended;              // the board's timers skip their periodic work
};

extern PowerState g_power;

void RecomputeSuspension(void);
void KeepAwake(HWND mainWindow, BOOL on);
// Timer 790's period in ms: one second before the shortest idle time-out.
DWORD KeepAwakePeriod(void);
// 1 if the display driver supports power control.
int DisplaySwitch(BOOL on);
void RegisterWakeUp(void);
void ClearWakeUp(void);
// UM_WAKEUP on the main window.
LRESULT WakeUpHandler(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
