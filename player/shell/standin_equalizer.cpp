// Stand-in for the equalizer pane until the real one exists.
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

static LRESULT EqualizerPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  HBRUSH brush = CreateSolidBrush(RGB(0x30, 0x50, 0x30));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  EndPaint(hwnd, &ps);
  return 0;
}

static LRESULT EqualizerDestroy(HWND, UINT, WPARAM, LPARAM) {
  g_windows.equalizer = NULL;
  return 0;
}

static LRESULT EqualizerCommand(HWND, UINT, WPARAM, LPARAM) { return 0; }

static const MessageEntry EqualizerMessages[] = {
    {WM_PAINT, EqualizerPaint},
    {WM_DESTROY, EqualizerDestroy},
    {WM_COMMAND, EqualizerCommand},
};

static LRESULT CALLBACK EqualizerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, EqualizerMessages, TABLE_COUNT(EqualizerMessages), NULL);
}

HWND EqualizerCreate(HWND parent) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = EqualizerProc;
  wc.hInstance = g_windows.instance;
  wc.lpszClassName = u"LumtraxEQ";
  RegisterClassW(&wc);
  DWORD style = WS_CHILD | (g_settings.plState == 1 ? 0 : WS_VISIBLE);
  g_windows.equalizer = CreateWindowW(u"LumtraxEQ", u"", style, 0, 100, 240, 90, parent, NULL, g_windows.instance, NULL);
  return g_windows.equalizer;
}
