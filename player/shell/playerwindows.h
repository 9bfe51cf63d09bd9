// Window handles the player's parts talk to, and the private messages and
// commands they exchange. Each window stores its handle here when it is
// created and clears it when it is destroyed.
#pragma once
#include <windows.h>

#define UM_PROGRESS 0x1400
#define UM_LOADTRACK 0x1401
#define UM_PLAYBACKENDED 0x1402
#define UM_ADDFILE 0x1403
#define UM_CLEARPLAYLIST 0x1404
#define UM_MENUSTATE 0x2400
#define UM_WAKEUP 50000
// Sent to the equalizer window; the last parameter is the address of 11 gains.
#define UM_SETGAINS 0x1402

#define IDM_NEXT_TITLE 42101
#define IDM_PREV_TITLE 42102
#define IDM_SHUFFLE_TITLE 42019

struct PlayerWindows {
  HWND main;
  HWND board;
  HWND equalizer;
  HWND playlist;
};

extern PlayerWindows g_windows;
