// Weak stand-ins for the shell's dispatch, busy count and dialog loader,
// used only while the shell's own are not linked.
#include "shell/dispatch.h"
#include "shell/playerwindows.h"

static LONG g_busy;

__attribute__((weak)) LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       const MessageEntry* table, int count, WNDPROC previous) {
  for (int i = 0; i < count; i++) {
    if (table[i].message != message) continue;
    if (!table[i].handler) return 0;
    if (g_busy && ((message >= WM_KEYDOWN && message < 259) || (message >= 512 && message <= 515))) return 0;
    LRESULT r = table[i].handler(hwnd, message, wParam, lParam);
    if (r != NOT_HANDLED) return r;
    break;
  }
  return previous ? CallWindowProcW(previous, hwnd, message, wParam, lParam)
                  : DefWindowProcW(hwnd, message, wParam, lParam);
}

__attribute__((weak)) LRESULT DispatchCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam,
                                              const CommandEntry* table, int count) {
  for (int i = 0; i < count; i++)
    if (table[i].command == LOWORD(wParam)) return table[i].handler(hwnd, LOWORD(wParam), lParam, HIWORD(wParam));
  return 0;
}

__attribute__((weak)) LRESULT CALLBACK DialogDefault(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

__attribute__((weak)) void WaitCursor(BOOL on, BOOL force) {
  if (on)
    g_busy++;
  else if (force)
    g_busy = 0;
  else if (g_busy > 0)
    g_busy--;
}

__attribute__((weak)) LONG WaitCursorCount(void) { return g_busy; }

__attribute__((weak)) INT_PTR RunDialog(int id, DLGPROC proc, LPARAM param) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG);
  if (!found) return -1;
  return DialogBoxIndirectParamW(g_windows.instance, LockResource(LoadResource(nullptr, found)), g_windows.main, proc,
                                 param);
}
