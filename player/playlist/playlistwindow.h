// The playlist pane "LumtraxPL": numbered rows with durations, a skinned
// scroll bar and nine buttons; it owns the playlist model and the default
// playlist file. Created through PlaylistWindowCreate (shell/panes.h).
#pragma once
#include <windows.h>

#include "display/skin.h"
#include "playlist/playlistentry.h"

#define IDM_PL_ADD_FILE 42011
#define IDM_PL_DELETE 42012
#define IDM_PL_INFO 42013
#define IDM_PL_OPEN 42014
#define IDM_PL_SAVE 42015
#define IDM_PL_CLEAR 42018
#define IDM_PL_EDIT 40050
#define IDM_PL_CLEAR_FAVOURITES 40051
#define IDM_PL_LARGE 51000
#define IDM_PL_SMALL 51001
#define IDM_PL_SCROLL_UP 51002
#define IDM_PL_SCROLL_DOWN 51003

#define TIMER_PLAYLIST_SAVE 792
#define PLAYLIST_SAVE_DELAY 2000
#define PLAYLIST_BUTTONS 9
#define PLAYLIST_ROW_HEIGHT 11

// One of the two layouts; PLState picks it (0 small, 1 large).
struct PlaylistLayout {
  int x, y, width, height;
  RECT list;
  RECT track;
  RECT repaint;
  RECT thumbHome;
  RECT about;
  RECT totalTime;
  RECT favourites;
  int titleWidth;
  int thumbTravel;
  int visibleRows;
};

extern const PlaylistLayout PlaylistLayouts[2];

struct PlaylistPane {
  HWND window;
  const PlaylistLayout* layout;
  SkinButton buttons[PLAYLIST_BUTTONS];
  MemoryCanvas background;
  MemoryCanvas backBuffer;
  HBITMAP thumb;
  HFONT font;
  int numberColumnWidth;
  int arrowHeld;  // the stylus holds a scroll arrow: its command may repeat
  WCHAR playlistName[MAX_PATH];
};

extern PlaylistPane g_playlistPane;

// Row k's text: "%03d. %s" from 100 entries on, else "%02d. %s".
void PlaylistRowText(const PlaylistEntry* entry, int k, WCHAR* text, int units);
