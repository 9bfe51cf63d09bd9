// Test-only stand-in for the shell's dispatch, dialog loader and power
// record, for window tests built before the shell is there.
#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "shell/power.h"

PowerState g_power = {TRUE, TRUE, FALSE, 0, FALSE, FALSE, FALSE};

LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const MessageEntry* table, int count,
                 WNDPROC previous) {
  for (int i = 0; i < count; i++) {
    if (table[i].message != message) continue;
    if (!table[i].handler) return 0;
    LRESULT result = table[i].handler(hwnd, message, wParam, lParam);
    if (result != NOT_HANDLED) return result;
    break;
  }
  return previous ? CallWindowProcW(previous, hwnd, message, wParam, lParam)
                  : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT DispatchCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam, const CommandEntry* table, int count) {
  for (int i = 0; i < count; i++)
    if (table[i].command == LOWORD(wParam)) return table[i].handler(hwnd, LOWORD(wParam), lParam, HIWORD(wParam));
  return 0;
}

LRESULT CALLBACK DialogDefault(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR RunDialog(int id, DLGPROC proc, LPARAM param) {
  g_power.modalCount++;
  INT_PTR result = DialogBoxParamW(g_windows.instance, MAKEINTRESOURCEW(id), g_windows.main, proc, param);
  g_power.modalCount--;
  return result;
}
