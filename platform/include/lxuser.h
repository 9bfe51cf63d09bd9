// Not on the device: hooks into the window manager for tests and tools.
#pragma once
#include "windows.h"

// Message boxes shown so far (the answer given included).
typedef struct LxMessageBoxCall {
  HWND owner;
  UINT type;
  int answer;
  WCHAR caption[128];
  WCHAR text[512];
} LxMessageBoxCall;
WINUSERAPI int LxMessageBoxCount(void);
WINUSERAPI int LxMessageBoxGet(int index, LxMessageBoxCall* call);
// Forgets the calls; answer 0 lets each box answer with its default button.
WINUSERAPI void LxMessageBoxReset(int answer);
// 1: boxes are shown as modal dialogs; 0: answered at once; -1 (the start):
// shown only in programs started through the program entry.
WINUSERAPI void LxMessageBoxShow(int mode);

// Input as the stylus and keys give it, in screen coordinates; what the
// desktop window and lumtrax-device use.
WINUSERAPI void LxInputStylus(UINT message, int x, int y);  // WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP
WINUSERAPI void LxInputKey(UINT vk, BOOL down);
WINUSERAPI void LxInputChar(WCHAR ch);
// Waits until every thread with windows waits for messages with nothing to
// do; 1 when that happened within the time.
WINUSERAPI BOOL LxWaitIdle(DWORD milliseconds);
// The screen as shown, 0x00RRGGBB pixels, row by row: 240x320 on the
// handheld, what LxGetScreenSize reports in general.
WINUSERAPI void LxScreenshot(DWORD* pixels);
WINUSERAPI void LxGetScreenSize(int* width, int* height);
