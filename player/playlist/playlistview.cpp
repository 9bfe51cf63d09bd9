// The playlist model's effects on the windows: the board loads a title, the
// main window updates its menu, the list scrolls, the full-list warning.
#include "playlist/playlist.h"
#include "shell/playerwindows.h"

// The small layout's figures; the playlist window replaces them with its own.
void PlaylistViewDefaults(PlaylistView* view) {
  view->firstRow = 0;
  view->visibleRows = 5;
  view->thumbTravel = 27;
  view->thumbHome = RECT{229, 14, 234, 26};
  view->thumb = view->thumbHome;
  view->repaintArea = RECT{44, 5, 234, 61};
}

PlaylistView g_playlistView = [] {
  PlaylistView v;
  PlaylistViewDefaults(&v);
  return v;
}();

void PlaylistPlaceThumb(void) {
  PlaylistView* v = &g_playlistView;
  int n = int(g_playlist.count), rows = v->visibleRows, offset = 0;
  if (n > rows) {
    offset = v->thumbTravel * v->firstRow / (n - rows);
    if (offset > v->thumbTravel) offset = v->thumbTravel;
    if (offset < 0) offset = 0;
  }
  v->thumb = v->thumbHome;
  v->thumb.top += offset;
  v->thumb.bottom += offset;
  if (g_windows.playlist) InvalidateRect(g_windows.playlist, &v->repaintArea, FALSE);
}

void PlaylistLoadTrack(PlaylistEntry* entry) {
  if (g_windows.board) SendMessageW(g_windows.board, UM_LOADTRACK, 0, reinterpret_cast<LPARAM>(entry));
}

void PlaylistMenuState(int rowSelected) {
  if (g_windows.main) PostMessageW(g_windows.main, UM_MENUSTATE, 0, rowSelected);
}

DWORD g_playlistFullRefusals;

void PlaylistShowFull(void) {
  g_playlistFullRefusals++;
  MessageBoxW(g_windows.main, u"Cannot exceed 999 to playlist!", u"Warning", MB_OK);
}
