// COMBOBOX as a drop-down list: a field showing the selected item and an
// arrow; a tap drops the list below (or above) the field as a popup that
// holds the stylus until the user picks an item or taps elsewhere.
#include "lxctl.h"
#include "../gdi/lxgdi.h"

namespace {

using lxctl::ItemList;

struct ComboState {
  ItemList list;
  HWND drop = nullptr;
  bool focus = false;
};

constexpr int kMaxDropItems = 8;

DWORD Style(HWND h) { return (DWORD)GetWindowLongW(h, GWL_STYLE); }

int FontHeight(HWND h) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  return tm.tmHeight;
}

void CloseDrop(HWND combo, ComboState& s, bool picked) {
  if (!s.drop) return;
  HWND d = s.drop;
  s.drop = nullptr;
  if (GetCapture() == d) ReleaseCapture();
  DestroyWindow(d);
  lxctl::Notify(combo, picked ? CBN_SELENDOK : CBN_SELENDCANCEL);
  lxctl::Notify(combo, CBN_CLOSEUP);
  InvalidateRect(combo, nullptr, FALSE);
}

void Pick(HWND combo, ComboState& s, int index) {
  bool changed = index != s.list.sel;
  s.list.sel = index;
  InvalidateRect(combo, nullptr, FALSE);
  if (changed) lxctl::Notify(combo, CBN_SELCHANGE);
}

// The dropped list: a popup whose state is the combo's own list.
LRESULT CALLBACK DropProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  HWND combo = (HWND)GetWindowLongW(h, GWL_USERDATA);
  auto* s = combo && IsWindow(combo) ? lxctl::StateOf<ComboState>(combo) : nullptr;
  if (!s) return DefWindowProcW(h, m, w, l);
  RECT c;
  GetClientRect(h, &c);
  RECT area = c;
  InflateRect(&area, -1, -1);
  bool bar = s->list.Count() > kMaxDropItems;
  RECT list = area;
  if (bar) list.right -= lxctl::kBarWidth;
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      s->list.Paint(dc, area, lxctl::FontOf(combo), bar, nullptr, ODT_COMBOBOX, GetDlgCtrlID(combo));
      lxctl::FrameRect1(dc, c, RGB(0, 0, 0));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: {
      int x = (short)LOWORD(l), y = (short)HIWORD(l);
      if (!PtInRect(&c, POINT{x, y})) {
        CloseDrop(combo, *s, false);
        return 0;
      }
      if (bar && x >= list.right) {
        int vis = s->list.Visible(list);
        int hit = lxctl::VScrollBarHit(RECT{list.right, area.top, area.right, area.bottom}, y, s->list.top, vis,
                                       s->list.Count());
        s->list.top += hit == SB_LINEUP ? -1 : hit == SB_LINEDOWN ? 1 : hit == SB_PAGEUP ? -vis : vis;
        s->list.ClampTop(list);
        InvalidateRect(h, nullptr, FALSE);
        return 0;
      }
      int i = s->list.IndexAt(list, y);
      if (i >= 0) {
        CloseDrop(combo, *s, true);
        Pick(combo, *s, i);
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (w == VK_ESCAPE) CloseDrop(combo, *s, false);
      return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

void OpenDrop(HWND combo, ComboState& s) {
  if (s.drop || !IsWindowEnabled(combo)) return;
  static const int kRegistered = (lxctl::RegisterControlClass(u"LxComboDrop", DropProc), 1);
  (void)kRegistered;
  lxctl::Notify(combo, CBN_DROPDOWN);
  RECT r;
  GetWindowRect(combo, &r);
  int rows = std::max(1, std::min(kMaxDropItems, s.list.Count()));
  int height = rows * s.list.itemHeight + 2;
  int y = r.bottom;
  RECT work = lx::WorkArea();
  if (y + height > work.bottom && r.top - height >= work.top) y = r.top - height;  // no room below: above the field
  HWND top = combo;
  while (GetWindowLongW(top, GWL_STYLE) & WS_CHILD) top = GetParent(top);
  s.list.ShowItem(s.list.sel, RECT{0, 0, 1, rows * s.list.itemHeight});
  s.drop = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, u"LxComboDrop", u"", WS_POPUP, r.left, y, r.right - r.left, height, top,
                           nullptr, nullptr, nullptr);
  SetWindowLongW(s.drop, GWL_USERDATA, (LONG_PTR)combo);
  ShowWindow(s.drop, SW_SHOWNOACTIVATE);
  SetCapture(s.drop);
  InvalidateRect(combo, nullptr, FALSE);
}

void Paint(HWND h, ComboState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  HBRUSH bg = lxctl::ControlColours(h, dc, WM_CTLCOLOREDIT);
  FillRect(dc, &c, bg);
  COLORREF ink = IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey;
  RECT field = c;
  field.right -= lxctl::kBarWidth + 1;
  RECT text = field;
  InflateRect(&text, -2, -2);
  if (s.focus && !s.drop) {
    HBRUSH hi = CreateSolidBrush(lxctl::kHighlight);
    FillRect(dc, &text, hi);
    DeleteObject(hi);
  }
  if (s.list.sel >= 0 && s.list.sel < s.list.Count()) {
    HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
    SetTextColor(dc, s.focus && !s.drop ? RGB(255, 255, 255) : ink);
    RECT t = text;
    t.left += 1;
    const auto& str = s.list.items[s.list.sel].text;
    DrawTextW(dc, str.c_str(), (int)str.size(), &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
  }
  lxctl::FrameRect1(dc, c, ink);
  RECT arrow{c.right - lxctl::kBarWidth - 1, c.top, c.right, c.bottom};
  lxctl::FrameRect1(dc, arrow, ink);
  HPEN pen = CreatePen(PS_SOLID, 1, ink);
  HBRUSH fill = CreateSolidBrush(ink);
  HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, fill);
  int mx = (arrow.left + arrow.right) / 2, my = (c.top + c.bottom) / 2;
  POINT tri[3] = {{mx - 3, my - 1}, {mx + 3, my - 1}, {mx, my + 2}};
  Polygon(dc, tri, 3);
  SelectObject(dc, op), SelectObject(dc, ob);
  DeleteObject(pen), DeleteObject(fill);
  EndPaint(h, &ps);
}

LRESULT CALLBACK ComboProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* s = lxctl::StateOf<ComboState>(h);
  switch (m) {
    case WM_CREATE: {
      auto* st = new ComboState;
      st->list.sorted = Style(h) & CBS_SORT;
      SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR)st);
      st->list.itemHeight = FontHeight(h) + 2;
      // A template's height includes the dropped list; the field is one row.
      RECT r;
      GetWindowRect(h, &r);
      POINT p{r.left, r.top};
      ScreenToClient(GetParent(h), &p);
      MoveWindow(h, p.x, p.y, r.right - r.left, std::min<int>(r.bottom - r.top, FontHeight(h) + 6), FALSE);
      return 0;
    }
    case WM_DESTROY:
      if (s) {
        if (s->drop) DestroyWindow(s->drop);
        delete s;
      }
      SetWindowLongW(h, lxctl::kStateSlot, 0);
      return 0;
  }
  if (!s) return DefWindowProcW(h, m, w, l);
  ItemList& list = s->list;
  switch (m) {
    case WM_PAINT: Paint(h, *s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      list.itemHeight = FontHeight(h) + 2;
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_SETFOCUS:
      s->focus = true;
      InvalidateRect(h, nullptr, FALSE);
      lxctl::Notify(h, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focus = false;
      CloseDrop(h, *s, false);
      InvalidateRect(h, nullptr, FALSE);
      lxctl::Notify(h, CBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
      if (GetFocus() != h) SetFocus(h);
      if (s->drop) CloseDrop(h, *s, false);
      else OpenDrop(h, *s);
      return 0;
    case WM_KEYDOWN: {
      int to = list.sel;
      switch (w) {
        case VK_UP: to = std::max(0, list.sel - 1); break;
        case VK_DOWN: to = std::min(list.Count() - 1, list.sel + 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = list.Count() - 1; break;
        case 0x73 /* F4 */: OpenDrop(h, *s); return 0;
        default: return 0;
      }
      if (list.Count()) Pick(h, *s, to);
      return 0;
    }
    case WM_SETTEXT: return CB_ERR;
    case WM_GETTEXT: {
      if (!l || !w) return 0;
      std::u16string t = list.sel >= 0 ? list.items[list.sel].text : u"";
      int n = std::min((int)w - 1, (int)t.size());
      std::copy(t.begin(), t.begin() + n, (WCHAR*)l);
      ((WCHAR*)l)[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH: return list.sel >= 0 ? (LRESULT)list.items[list.sel].text.size() : 0;
    case CB_ADDSTRING: return list.Add((LPCWSTR)l);
    case CB_INSERTSTRING: return list.Insert((int)w, (LPCWSTR)l);
    case CB_DELETESTRING: {
      int n = list.Delete((int)w);
      InvalidateRect(h, nullptr, FALSE);
      return n < 0 ? CB_ERR : n;
    }
    case CB_RESETCONTENT:
      list.items.clear();
      list.sel = -1, list.top = 0;
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case CB_GETCOUNT: return list.Count();
    case CB_GETCURSEL: return list.sel;
    case CB_SETCURSEL:
      list.sel = (int)w >= 0 && (int)w < list.Count() ? (int)w : -1;
      InvalidateRect(h, nullptr, FALSE);
      return list.sel >= 0 ? list.sel : CB_ERR;
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN: {
      if ((int)w < 0 || (int)w >= list.Count()) return CB_ERR;
      const auto& t = list.items[w].text;
      if (m == CB_GETLBTEXT && l) {
        std::copy(t.begin(), t.end(), (WCHAR*)l);
        ((WCHAR*)l)[t.size()] = 0;
      }
      return (LRESULT)t.size();
    }
    case CB_GETITEMDATA: return (int)w >= 0 && (int)w < list.Count() ? list.items[w].data : CB_ERR;
    case CB_SETITEMDATA:
      if ((int)w < 0 || (int)w >= list.Count()) return CB_ERR;
      list.items[w].data = l;
      return 0;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT: return list.Find((int)w, (LPCWSTR)l, m == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      int i = list.Find((int)w, (LPCWSTR)l, false);
      if (i >= 0) list.sel = i, InvalidateRect(h, nullptr, FALSE);
      return i;
    }
    case CB_SHOWDROPDOWN:
      if (w) OpenDrop(h, *s);
      else CloseDrop(h, *s, false);
      return TRUE;
    case CB_GETDROPPEDSTATE: return s->drop != nullptr;
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"COMBOBOX", ComboProc), 1);

}  // namespace
