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
// To the main window: play the file WM_COPYDATA handed over (a second start, the desktop's "open").
#define UM_OPENFILE 0x1405
// WM_COPYDATA's dwData for a file to open: its path, UTF-16 with the terminating zero.
#define COPYDATA_OPENFILE 0x4C58
#define UM_MENUSTATE 0x2400
#define UM_WAKEUP 50000
// Sent to the equalizer window; the last parameter is the address of 11 gains.
#define UM_SETGAINS 0x1402

#define IDM_NEXT_TITLE 42101
#define IDM_PREV_TITLE 42102
#define IDM_SHUFFLE_TITLE 42019
#define IDM_SELECTION_UP 51002
#define IDM_SELECTION_DOWN 51003

// Board commands: transport, and the internal ones of its buttons and sliders.
#define IDM_PLAY 40043
#define IDM_STOP 40044
#define IDM_PAUSE 40045
#define IDM_BOARD_PREVIOUS 259
#define IDM_BOARD_NEXT 260
#define IDM_BOARD_MUTE 261
#define IDM_BOARD_UNMUTE 262
#define IDM_BOARD_SEEK 263
#define IDM_BOARD_VOLUME 264

// Main window commands.
#define IDM_ABOUT 40007
#define IDM_OPEN 40006
#define IDM_EXIT 40005
#define IDM_CONFIGURE 40039
#define IDM_MINIMISE 40049
#define UM_NOTHING 0x3FF

struct PlayerWindows {
  HINSTANCE instance;
  HWND menuBar;
  HWND main;
  HWND board;
  HWND equalizer;
  HWND playlist;
};

extern PlayerWindows g_windows;
