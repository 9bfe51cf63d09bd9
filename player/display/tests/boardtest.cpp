#include "display/tests/boardtest.h"

#include <cstring>

namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK PlaylistProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COMMAND) return DefWindowProcW(hwnd, message, wParam, lParam);
  ++g_scriptedPlaylist.commands;
  g_scriptedPlaylist.last = (UINT)wParam;
  return g_scriptedPlaylist.answer;
}

}  // namespace

ScriptedPlaylist g_scriptedPlaylist;

HWND MakePlaylist(HWND parent) {
  static bool registered;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlaylistProc;
    wc.lpszClassName = u"ScriptedPlaylist";
    RegisterClassW(&wc);
    registered = true;
  }
  g_scriptedPlaylist = ScriptedPlaylist{0, 0, 1};
  return CreateWindowExW(0, u"ScriptedPlaylist", NULL, WS_CHILD, 0, 190, 240, 79, parent, NULL, NULL, NULL);
}

void BoardTest::SetUp() {
  SettingsDefaults(&g_settings);
  memset(&g_engine, 0, sizeof g_engine);
  static bool registered;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = u"BoardTestHost";
    RegisterClassW(&wc);
    registered = true;
  }
  host = CreateWindowExW(0, u"BoardTestHost", u"Lumtrax", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, NULL, NULL, NULL, NULL);
  board = BoardCreate(host);
  ASSERT_NE(board, nullptr);
  POINT origin = {0, 0};
  ClientToScreen(board, &origin);
  ASSERT_EQ(origin.y, HOST_TOP);
  lxtest::Pump();
}

void BoardTest::TearDown() {
  DestroyWindow(host);
  g_windows.playlist = NULL;
  lxtest::Pump();
}

void BoardTest::Tap(int x, int y) {
  LxInputStylus(WM_LBUTTONDOWN, x, y + HOST_TOP);
  LxInputStylus(WM_LBUTTONUP, x, y + HOST_TOP);
  lxtest::Pump();
}
