// Stand-in for the board until the skinned one exists: a plain pane in the
// board's place that keeps the window handle the others talk to.
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"

static LRESULT BoardPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x30, 0x50));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  EndPaint(hwnd, &ps);
  return 0;
}

static LRESULT BoardDestroy(HWND, UINT, WPARAM, LPARAM) {
  g_windows.board = NULL;
  return 0;
}

static LRESULT BoardCommand(HWND, UINT, WPARAM, LPARAM) { return 0; }

static const MessageEntry BoardMessages[] = {
    {WM_PAINT, BoardPaint},
    {WM_DESTROY, BoardDestroy},
    {WM_COMMAND, BoardCommand},
};

static LRESULT CALLBACK BoardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, BoardMessages, TABLE_COUNT(BoardMessages), NULL);
}

HWND BoardCreate(HWND parent) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = BoardProc;
  wc.hInstance = g_windows.instance;
  wc.lpszClassName = u"LumtraxMB";
  RegisterClassW(&wc);
  g_windows.board = CreateWindowW(u"LumtraxMB", u"", WS_CHILD | WS_VISIBLE, 0, 0, 240, 100, parent, NULL,
                                  g_windows.instance, NULL);
  return g_windows.board;
}
