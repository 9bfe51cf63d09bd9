// Helpers every control uses: fonts, colours from the parent, notifications.
#include <algorithm>

#include "lxctl.h"

namespace lxctl {

HFONT FontOf(HWND h) {
  HFONT f = (HFONT)GetWindowLongW(h, kFontSlot);
  return f ? f : (HFONT)GetStockObject(SYSTEM_FONT);
}

HBRUSH ControlColours(HWND h, HDC dc, UINT ctlColorMsg) {
  SetTextColor(dc, IsWindowEnabled(h) ? RGB(0, 0, 0) : kGrey);
  SetBkColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  HWND parent = GetParent(h);
  LRESULT r = parent ? SendMessageW(parent, ctlColorMsg, (WPARAM)dc, (LPARAM)h) : 0;
  return r ? (HBRUSH)r : (HBRUSH)GetStockObject(WHITE_BRUSH);
}

void Notify(HWND h, WORD code) {
  HWND parent = GetParent(h);
  if (parent) SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code), (LPARAM)h);
}

std::vector<HWND> ChildrenInOrder(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  std::reverse(out.begin(), out.end());  // the newest is on top
  return out;
}

void FrameRect1(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH b = CreateSolidBrush(colour);
  RECT e;
  SetRect(&e, r.left, r.top, r.right, r.top + 1), FillRect(dc, &e, b);
  SetRect(&e, r.left, r.bottom - 1, r.right, r.bottom), FillRect(dc, &e, b);
  SetRect(&e, r.left, r.top, r.left + 1, r.bottom), FillRect(dc, &e, b);
  SetRect(&e, r.right - 1, r.top, r.right, r.bottom), FillRect(dc, &e, b);
  DeleteObject(b);
}

void RegisterControlClass(LPCWSTR name, WNDPROC proc, UINT style) {
  WNDCLASSW wc{};
  wc.style = style | CS_GLOBALCLASS;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = kControlExtra;
  wc.hbrBackground = nullptr;  // each control paints its whole client area
  wc.lpszClassName = name;
  RegisterClassW(&wc);
}

std::u16string TextOf(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::u16string s(n + 1, u'\0');
  n = GetWindowTextW(h, s.data(), n + 1);
  s.resize(n > 0 ? n : 0);
  return s;
}

}  // namespace lxctl
