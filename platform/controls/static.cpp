// STATIC: text (left, centred, right; word-wrapped unless SS_LEFTNOWORDWRAP),
// bitmaps and icons, filled rectangles and an etched line (separators).
#include "lxctl.h"

namespace {

struct StaticState {
  HANDLE image = nullptr;
};

void Paint(HWND h) {
  auto* s = lxctl::StateOf<StaticState>(h);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  DWORD style = (DWORD)GetWindowLongW(h, GWL_STYLE);
  UINT kind = style & SS_TYPEMASK;
  HBRUSH bg = lxctl::ControlColours(h, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &r, bg);
  if (kind == SS_BLACKRECT || kind == SS_GRAYRECT) {
    FillRect(dc, &r, GetSysColorBrush(kind == SS_BLACKRECT ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW));
  } else if (kind == SS_ETCHEDHORZ) {
    // A shadow line over a highlight line, along the top.
    RECT dark{r.left, r.top, r.right, std::min(r.top + 1, r.bottom)};
    RECT light{r.left, r.top + 1, r.right, std::min(r.top + 2, r.bottom)};
    FillRect(dc, &dark, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  } else if (kind == SS_BITMAP || kind == SS_ICON) {
    BITMAP bm{};
    if (s->image && GetObjectW(s->image, sizeof bm, &bm)) {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, s->image);
      int x = 0, y = 0;
      if (style & SS_CENTERIMAGE) x = (r.right - bm.bmWidth) / 2, y = (r.bottom - bm.bmHeight) / 2;
      BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
  } else {
    HGDIOBJ oldFont = SelectObject(dc, lxctl::FontOf(h));
    std::u16string text = lxctl::TextOf(h);
    UINT fmt = kind == SS_CENTER ? DT_CENTER : kind == SS_RIGHT ? DT_RIGHT : DT_LEFT;
    fmt |= kind == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
    if (style & SS_NOPREFIX) fmt |= DT_NOPREFIX;
    if ((style & SS_CENTERIMAGE) && kind != SS_LEFTNOWORDWRAP) fmt = (fmt & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    DrawTextW(dc, text.c_str(), (int)text.size(), &r, fmt);
    SelectObject(dc, oldFont);
  }
  EndPaint(h, &ps);
}

LRESULT CALLBACK StaticProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* s = lxctl::StateOf<StaticState>(h);
  switch (m) {
    case WM_CREATE:
      SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR) new StaticState);
      return 0;
    case WM_DESTROY:
      delete s;
      SetWindowLongW(h, lxctl::kStateSlot, 0);
      return 0;
  }
  if (!s) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: Paint(h); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      if (l) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_SETTEXT:
    case WM_ENABLE: {
      LRESULT r = DefWindowProcW(h, m, w, l);
      InvalidateRect(h, nullptr, FALSE);
      return r;
    }
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONDOWN:
      if (GetWindowLongW(h, GWL_STYLE) & SS_NOTIFY) lxctl::Notify(h, STN_CLICKED);
      return 0;
    case STM_SETIMAGE:
    case STM_SETICON: {
      HANDLE old = s->image;
      s->image = (HANDLE)(m == STM_SETICON ? w : l);
      InvalidateRect(h, nullptr, FALSE);
      return (LRESULT)old;
    }
    case STM_GETIMAGE:
    case STM_GETICON: return (LRESULT)s->image;
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"STATIC", StaticProc), 1);

}  // namespace
