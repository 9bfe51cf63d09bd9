#include "shell/dispatch.h"

#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"

static LONG s_busyCount;
static HCURSOR s_cursorBefore;

LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const MessageEntry* table, int count,
                 WNDPROC previous) {
  for (int i = 0; i < count; ++i) {
    if (table[i].message != message) continue;
    if (!table[i].handler) return 0;
    // A tap or key while busy would start a second operation.
    BOOL input = (message >= WM_KEYDOWN && message < 259) || (message >= 512 && message <= 515);
    if (s_busyCount != 0 && input) return 0;
    LRESULT result = table[i].handler(hwnd, message, wParam, lParam);
    if (g_shellHooks.handled) g_shellHooks.handled();
    if (result != NOT_HANDLED) return result;
    break;
  }
  if (previous) return CallWindowProcW(previous, hwnd, message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT DispatchCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam, const CommandEntry* table, int count) {
  UINT command = LOWORD(wParam);
  for (int i = 0; i < count; ++i) {
    if (table[i].command != command) continue;
    if (!table[i].handler) return 0;
    return table[i].handler(hwnd, command, lParam, HIWORD(wParam));
  }
  return 0;
}

LRESULT CALLBACK DialogDefault(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void WaitCursor(BOOL on, BOOL force) {
  if (on) {
    if (s_busyCount == 0) s_cursorBefore = SetCursor(LoadCursorW(NULL, IDC_WAIT));
    ++s_busyCount;
    return;
  }
  if (s_busyCount <= 0) return;
  if (force)
    s_busyCount = 0;
  else
    --s_busyCount;
  if (s_busyCount == 0) SetCursor(s_cursorBefore);
}

LONG WaitCursorCount(void) { return s_busyCount; }

INT_PTR RunDialog(int id, DLGPROC proc, LPARAM param) {
  // A count, not a mark: a dialog opened from another must not end the
  // outer one's mark when it closes.
  ++g_power.modalCount;
  RecomputeSuspension();
  INT_PTR result = -1;
  HRSRC found = FindResourceW(g_windows.instance, MAKEINTRESOURCEW(id), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(g_windows.instance, found) : NULL;
  const void* dialogTemplate = loaded ? LockResource(loaded) : NULL;
  if (dialogTemplate) result = DialogBoxIndirectParamW(g_windows.instance, dialogTemplate, g_windows.main, proc, param);
  --g_power.modalCount;
  RecomputeSuspension();
  return result;
}

void FitListToDialog(HWND dialog, HWND list, LPARAM size) {
  int width = LOWORD(size), height = HIWORD(size);
  if (!width || !height || !list) return;
  RECT r;
  GetWindowRect(list, &r);
  POINT top{r.left, r.top};
  ScreenToClient(dialog, &top);
  if (height > top.y) MoveWindow(list, 0, top.y, width, height - top.y, TRUE);
}
