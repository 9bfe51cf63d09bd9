#include "dialogscript.h"

#include <commctrl.h>
#include <lxuser.h>

#include <string_view>

namespace {

std::vector<DialogStep> g_steps;
size_t g_next;
int g_ticks;

HWND OpenDialog() {
  HWND active = GetActiveWindow();
  WCHAR name[32] = {};
  return active && GetClassNameW(active, name, 32) && std::u16string_view(name) == u"Dialog" ? active : nullptr;
}

LRESULT CALLBACK ScriptProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER) return DefWindowProcW(hwnd, message, wParam, lParam);
  HWND dialog = OpenDialog();
  if (!dialog) return 0;
  // A deadline that fails rather than hangs.
  if (++g_ticks > 1000 || g_next >= g_steps.size()) {
    EndDialog(dialog, -7);
    return 0;
  }
  g_steps[g_next++](dialog);
  return 0;
}

}  // namespace

INT_PTR RunScripted(const std::function<INT_PTR()>& run, std::vector<DialogStep> steps) {
  static ATOM registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ScriptProc;
    wc.lpszClassName = u"DialogScript";
    return RegisterClassW(&wc);
  }();
  (void)registered;
  g_steps = std::move(steps);
  g_next = 0;
  g_ticks = 0;
  HWND helper = CreateWindowExW(0, u"DialogScript", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetTimer(helper, 1, 15, nullptr);
  INT_PTR result = run();
  KillTimer(helper, 1);
  DestroyWindow(helper);
  g_steps.clear();
  return result;
}

void TapControl(HWND control, int x, int y, bool twice) {
  POINT p{x, y};
  ClientToScreen(control, &p);
  for (int i = 0; i < (twice ? 2 : 1); i++) {
    LxInputStylus(WM_LBUTTONDOWN, p.x, p.y);
    LxInputStylus(WM_LBUTTONUP, p.x, p.y);
  }
}

void TapListRow(HWND list, int row, bool twice) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
  TapControl(list, r.left + 20, (r.top + r.bottom) / 2, twice);
}

void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
