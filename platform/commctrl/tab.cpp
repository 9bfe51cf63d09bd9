// Tab control: one row of tabs along the top, or along the bottom with
// TCS_BOTTOM as the Pocket PC draws them, over a page area the parent fills.
// The row is laid out from the style at the moment of use, so a style set
// after creation moves the tabs.
#include <algorithm>
#include <string>
#include <vector>

#include "../controls/lxctl.h"
#include "commctrl.h"

namespace {

constexpr int kRowHeight = 20;  // the system font's 13 pixels and a margin
constexpr int kPad = 12;        // horizontal room around a tab's text
constexpr int kMinTab = 24;
constexpr int kInset = 2;       // how much shorter a tab that is not selected is
constexpr COLORREF kFace = RGB(0xD4, 0xD0, 0xC8);

struct TabItem {
  std::u16string text;
  LPARAM param = 0;
  DWORD state = 0;
  int image = -1;
};

struct TabControl {
  std::vector<TabItem> items;
  int cur = -1;
  int fixedWidth = 0;
};

TabControl* StateOf(HWND h) { return lxctl::StateOf<TabControl>(h); }

bool Bottom(HWND h) { return GetWindowLongW(h, GWL_STYLE) & TCS_BOTTOM; }

RECT RowRect(HWND h) {
  RECT c;
  GetClientRect(h, &c);
  return Bottom(h) ? RECT{c.left, std::max(c.top, c.bottom - kRowHeight), c.right, c.bottom}
                   : RECT{c.left, c.top, c.right, std::min(c.bottom, c.top + kRowHeight)};
}

// Each tab as wide as its text; when the row is too narrow every tab gives
// up width in proportion and its text ends in an ellipsis.
std::vector<RECT> Layout(HWND h, const TabControl& t) {
  std::vector<RECT> out;
  if (t.items.empty()) return out;
  RECT row = RowRect(h);
  std::vector<int> widths;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
  int total = 0;
  for (const TabItem& it : t.items) {
    int w = t.fixedWidth;
    if (w <= 0) {
      SIZE s{};
      GetTextExtentPoint32W(dc, it.text.c_str(), (int)it.text.size(), &s);
      w = std::max<int>(kMinTab, s.cx + kPad);
    }
    widths.push_back(w);
    total += w;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  int room = row.right - row.left;
  int x = row.left;
  for (size_t i = 0; i < widths.size(); ++i) {
    int w = total > room ? (int)((long long)widths[i] * room / total) : widths[i];
    if (total > room && i + 1 == widths.size()) w = row.right - x;  // no pixel lost to rounding
    out.push_back(RECT{x, row.top, x + w, row.bottom});
    x += w;
  }
  return out;
}

int HitTest(HWND h, const TabControl& t, POINT p, UINT* flags) {
  auto rects = Layout(h, t);
  for (size_t i = 0; i < rects.size(); ++i)
    if (PtInRect(&rects[i], p)) {
      if (flags) *flags = TCHT_ONITEMLABEL;
      return (int)i;
    }
  if (flags) *flags = TCHT_NOWHERE;
  return -1;
}

LRESULT NotifyParent(HWND h, UINT code) {
  NMHDR nm{h, (UINT_PTR)GetDlgCtrlID(h), code};
  HWND parent = GetParent(h);
  return parent ? SendMessageW(parent, WM_NOTIFY, nm.idFrom, (LPARAM)&nm) : 0;
}

// A selection the user makes: the parent may refuse it, then hears of it.
void Choose(HWND h, TabControl& t, int index) {
  if (index < 0 || index >= (int)t.items.size() || index == t.cur) return;
  if (NotifyParent(h, TCN_SELCHANGING)) return;
  if (!IsWindow(h)) return;
  t.cur = index;
  InvalidateRect(h, nullptr, FALSE);
  NotifyParent(h, TCN_SELCHANGE);
}

void Fill(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void PaintTab(HDC dc, const TabItem& it, RECT r, bool selected, bool bottom, bool focused, COLORREF ink) {
  if (!selected) {
    if (bottom) r.bottom -= kInset;
    else r.top += kInset;
  }
  // Neighbours share their dividing line: each tab's frame reaches one pixel into the next.
  RECT frame{r.left, r.top, r.right + 1, r.bottom};
  RECT inside{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
  Fill(dc, inside, selected ? RGB(255, 255, 255) : kFace);
  lxctl::FrameRect1(dc, frame, ink);
  if (selected) {
    // Open towards the page: the tab and the page are one surface.
    RECT gap = bottom ? RECT{frame.left + 1, frame.top, frame.right - 1, frame.top + 1}
                      : RECT{frame.left + 1, frame.bottom - 1, frame.right - 1, frame.bottom};
    Fill(dc, gap, RGB(255, 255, 255));
  }
  RECT text = inside;
  InflateRect(&text, -3, 0);
  SetTextColor(dc, ink);
  DrawTextW(dc, it.text.c_str(), (int)it.text.size(), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (focused) {
    RECT f = inside;
    InflateRect(&f, -2, -2);
    lxctl::FrameRect1(dc, f, lxctl::kGrey);
  }
}

void Paint(HWND h, const TabControl& t) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  FillRect(dc, &c, lxctl::ControlColours(h, dc, WM_CTLCOLORSTATIC));
  COLORREF ink = IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey;
  bool bottom = Bottom(h);
  RECT row = RowRect(h);
  // The line between the page area and the row.
  RECT line = bottom ? RECT{c.left, row.top, c.right, row.top + 1} : RECT{c.left, row.bottom - 1, c.right, row.bottom};
  Fill(dc, line, ink);
  HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
  SetBkMode(dc, TRANSPARENT);
  auto rects = Layout(h, t);
  for (size_t i = 0; i < rects.size(); ++i)
    if ((int)i != t.cur) PaintTab(dc, t.items[i], rects[i], false, bottom, false, ink);
  if (t.cur >= 0 && t.cur < (int)rects.size())
    PaintTab(dc, t.items[t.cur], rects[t.cur], true, bottom, GetFocus() == h, ink);
  SelectObject(dc, old);
  EndPaint(h, &ps);
}

bool GetItem(const TabControl& t, int i, TCITEMW* item) {
  if (!item || i < 0 || i >= (int)t.items.size()) return false;
  const TabItem& it = t.items[i];
  if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0)
    lstrcpynW(item->pszText, it.text.c_str(), item->cchTextMax);
  if (item->mask & TCIF_PARAM) item->lParam = it.param;
  if (item->mask & TCIF_IMAGE) item->iImage = it.image;
  if (item->mask & TCIF_STATE) item->dwState = it.state & item->dwStateMask;
  return true;
}

void SetItem(TabItem& it, const TCITEMW& item) {
  if ((item.mask & TCIF_TEXT) && item.pszText) it.text = item.pszText;
  if (item.mask & TCIF_PARAM) it.param = item.lParam;
  if (item.mask & TCIF_IMAGE) it.image = item.iImage;
  if (item.mask & TCIF_STATE) it.state = (it.state & ~item.dwStateMask) | (item.dwState & item.dwStateMask);
}

// The page area of a control rectangle (larger FALSE) or the reverse.
void AdjustRect(HWND h, BOOL larger, RECT* r) {
  if (!r) return;
  int row = kRowHeight;
  if (Bottom(h)) r->bottom += larger ? row : -row;
  else r->top += larger ? -row : row;
  if (r->bottom < r->top) r->bottom = r->top;
}

LRESULT CALLBACK TabProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE) {
    SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR) new TabControl);
    return 0;
  }
  auto* t = StateOf(h);
  if (m == WM_DESTROY) {
    delete t;
    SetWindowLongW(h, lxctl::kStateSlot, 0);
    return 0;
  }
  if (!t) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: Paint(h, *t); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      if (l) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SIZE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_STYLECHANGED:
      if (w == (WPARAM)GWL_STYLE) {
        InvalidateRect(h, nullptr, FALSE);
        if (HWND parent = GetParent(h)) SendMessageW(parent, lxctl::kTabLayoutChanged, 0, (LPARAM)h);
      }
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
      POINT p{(short)LOWORD(l), (short)HIWORD(l)};
      int i = HitTest(h, *t, p, nullptr);
      if (i >= 0 && !(GetWindowLongW(h, GWL_STYLE) & TCS_FOCUSNEVER)) SetFocus(h);
      Choose(h, *t, i);
      return 0;
    }
    case WM_KEYDOWN: {
      NMTCKEYDOWN nk{{h, (UINT_PTR)GetDlgCtrlID(h), TCN_KEYDOWN}, (WORD)w, (UINT)l};
      if (HWND parent = GetParent(h)) SendMessageW(parent, WM_NOTIFY, nk.hdr.idFrom, (LPARAM)&nk);
      if (!IsWindow(h)) return 0;
      if (w == VK_LEFT || w == VK_UP) Choose(h, *t, t->cur - 1);
      if (w == VK_RIGHT || w == VK_DOWN) Choose(h, *t, t->cur + 1);
      return 0;
    }
    case TCM_GETITEMCOUNT: return (LRESULT)t->items.size();
    case TCM_INSERTITEMW: {
      auto* item = (const TCITEMW*)l;
      if (!item) return -1;
      int i = std::clamp((int)w, 0, (int)t->items.size());
      TabItem it;
      SetItem(it, *item);
      t->items.insert(t->items.begin() + i, it);
      if (t->cur >= i) ++t->cur;
      InvalidateRect(h, nullptr, FALSE);
      return i;
    }
    case TCM_GETITEMW: return GetItem(*t, (int)w, (TCITEMW*)l);
    case TCM_SETITEMW: {
      int i = (int)w;
      if (!l || i < 0 || i >= (int)t->items.size()) return FALSE;
      SetItem(t->items[i], *(const TCITEMW*)l);
      InvalidateRect(h, nullptr, FALSE);
      return TRUE;
    }
    case TCM_DELETEITEM: {
      int i = (int)w;
      if (i < 0 || i >= (int)t->items.size()) return FALSE;
      t->items.erase(t->items.begin() + i);
      if (t->cur == i) t->cur = -1;  // nothing selected until the program says so
      else if (t->cur > i) --t->cur;
      InvalidateRect(h, nullptr, FALSE);
      return TRUE;
    }
    case TCM_DELETEALLITEMS:
      t->items.clear();
      t->cur = -1;
      InvalidateRect(h, nullptr, FALSE);
      return TRUE;
    case TCM_GETCURSEL:
    case TCM_GETCURFOCUS: return t->cur;
    case TCM_SETCURSEL:
    case TCM_SETCURFOCUS: {
      int old = t->cur, i = (int)w;
      if (i < 0 || i >= (int)t->items.size()) return m == TCM_SETCURSEL ? -1 : 0;
      if (m == TCM_SETCURFOCUS) {
        Choose(h, *t, i);  // moving the focus selects, and the parent hears of it
        return 0;
      }
      t->cur = i;
      if (i != old) InvalidateRect(h, nullptr, FALSE);
      return old;
    }
    case TCM_GETITEMRECT: {
      auto rects = Layout(h, *t);
      int i = (int)w;
      if (!l || i < 0 || i >= (int)rects.size()) return FALSE;
      *(RECT*)l = rects[i];
      return TRUE;
    }
    case TCM_HITTEST: {
      auto* info = (TCHITTESTINFO*)l;
      return info ? HitTest(h, *t, info->pt, &info->flags) : -1;
    }
    case TCM_ADJUSTRECT: AdjustRect(h, (BOOL)w, (RECT*)l); return 0;
    case TCM_SETITEMSIZE: {
      int old = t->fixedWidth > 0 ? t->fixedWidth : 0;
      if (GetWindowLongW(h, GWL_STYLE) & TCS_FIXEDWIDTH) t->fixedWidth = (short)LOWORD(l);
      InvalidateRect(h, nullptr, FALSE);
      return MAKELONG(old, kRowHeight);
    }
    case TCM_GETROWCOUNT: return t->items.empty() ? 0 : 1;
    case TCM_SETITEMEXTRA: return TRUE;
    case TCM_GETIMAGELIST:
    case TCM_SETIMAGELIST: return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(WC_TABCONTROLW, TabProc), 1);

}  // namespace
