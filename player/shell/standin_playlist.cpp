// Stand-in for the playlist window until the skinned one exists: it owns the
// playlist model, keeps the default playlist file and serves the private
// messages and navigation commands, drawing the titles as plain rows.
#include "playlist/playlist.h"
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

static const WCHAR DefaultPlaylist[] = u"\\My Documents\\Default.PLT";

static LRESULT PlaylistPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
  SetBkMode(dc, TRANSPARENT);
  int top = 2;
  for (int i = g_playlistView.firstRow; i < (int)g_playlist.count && top < r.bottom; i++, top += 14) {
    PlaylistEntry* entry = PlaylistEntryAt(i);
    SetTextColor(dc, i == g_navigation.selectedIndex ? RGB(0xFF, 0xFF, 0x80) : RGB(0xC0, 0xC0, 0xC0));
    ExtTextOutW(dc, 48, top, 0, NULL, entry->title, lstrlenW(entry->title), NULL);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

static LRESULT PlaylistCreateMessage(HWND, UINT, WPARAM, LPARAM) {
  PlaylistInit();
  PlaylistLoad(DefaultPlaylist, 1);
  PlaylistPlaceThumb();
  return 0;
}

static LRESULT PlaylistDestroyMessage(HWND, UINT, WPARAM, LPARAM) {
  PlaylistSave(DefaultPlaylist);
  PlaylistDestroy();
  g_windows.playlist = NULL;
  return 0;
}

static LRESULT AddFile(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  LPCWSTR path = (LPCWSTR)lParam;
  int length = path ? lstrlenW(path) : 0;
  LRESULT added;
  if (length > 4 && path[length - 4] == '.' && lstrcmpiW(path + length - 3, u"PLT") == 0)
    added = PlaylistLoad(path, 0);
  else
    added = PlaylistAdd(path) != NULL;
  PlaylistPlaceThumb();
  InvalidateRect(hwnd, NULL, FALSE);
  return added;
}

static LRESULT ClearList(HWND hwnd, UINT, WPARAM, LPARAM) {
  PlaylistClear(1);
  g_playlistView.firstRow = 0;
  g_navigation.selectedIndex = -1;
  g_navigation.freshStart = 1;
  PlaylistPlaceThumb();
  InvalidateRect(hwnd, NULL, FALSE);
  PlaylistMenuState(0);
  return 0;
}

static LRESULT NextCommand(HWND, UINT, LPARAM, UINT code) { return NextTitle((int)code); }
static LRESULT PreviousCommand(HWND, UINT, LPARAM, UINT code) {
  PreviousTitle((int)code);
  return 0;
}
static LRESULT ShuffleCommand(HWND, UINT, LPARAM, UINT code) { return ShuffleTitle((int)code); }

static const CommandEntry PlaylistCommands[] = {
    {IDM_NEXT_TITLE, NextCommand},
    {IDM_PREV_TITLE, PreviousCommand},
    {IDM_SHUFFLE_TITLE, ShuffleCommand},
};

static LRESULT PlaylistCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = DispatchCommand(hwnd, message, wParam, lParam, PlaylistCommands, TABLE_COUNT(PlaylistCommands));
  InvalidateRect(hwnd, NULL, FALSE);
  return result;
}

static const MessageEntry PlaylistMessages[] = {
    {WM_CREATE, PlaylistCreateMessage},
    {WM_DESTROY, PlaylistDestroyMessage},
    {WM_PAINT, PlaylistPaint},
    {WM_COMMAND, PlaylistCommand},
    {UM_ADDFILE, AddFile},
    {UM_CLEARPLAYLIST, ClearList},
};

static LRESULT CALLBACK PlaylistProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, PlaylistMessages, TABLE_COUNT(PlaylistMessages), NULL);
}

HWND PlaylistWindowCreate(HWND parent) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlaylistProc;
  wc.hInstance = g_windows.instance;
  wc.lpszClassName = u"LumtraxPL";
  RegisterClassW(&wc);
  BOOL listOnly = g_settings.plState == 1;
  g_windows.playlist = CreateWindowW(u"LumtraxPL", u"", WS_CHILD | WS_VISIBLE, 0, listOnly ? 100 : 190, 240,
                                     listOnly ? 168 : 78, parent, NULL, g_windows.instance, NULL);
  return g_windows.playlist;
}
