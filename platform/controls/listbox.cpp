// LISTBOX: single selection, sorted or in order, item data, owner-drawn fixed
// rows, a vertical scroll bar; LBN_SELCHANGE and LBN_DBLCLK with LBS_NOTIFY.
#include "lxctl.h"


namespace {

using lxctl::ItemList;

DWORD Style(HWND h) { return (DWORD)GetWindowLongW(h, GWL_STYLE); }

RECT Area(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  if (Style(h) & WS_BORDER) InflateRect(&r, -1, -1);
  return r;
}

RECT ListArea(HWND h) {
  RECT r = Area(h);
  if (Style(h) & WS_VSCROLL) r.right -= lxctl::kBarWidth;
  return r;
}

void NotifyIf(HWND h, WORD code) {
  if (Style(h) & LBS_NOTIFY) lxctl::Notify(h, code);
}

void Select(HWND h, ItemList& l, int index, bool notify) {
  if (index >= l.Count()) index = l.Count() - 1;
  bool changed = index != l.sel;
  l.sel = index;
  l.ShowItem(index, ListArea(h));
  InvalidateRect(h, nullptr, FALSE);
  if (changed && notify) NotifyIf(h, LBN_SELCHANGE);
}

void Scroll(HWND h, ItemList& l, int by) {
  l.top += by;
  l.ClampTop(ListArea(h));
  InvalidateRect(h, nullptr, FALSE);
}

void Paint(HWND h, ItemList& l) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  lxctl::ControlColours(h, dc, WM_CTLCOLORLISTBOX);
  l.ClampTop(ListArea(h));
  bool owner = Style(h) & LBS_OWNERDRAWFIXED;
  l.Paint(dc, Area(h), lxctl::FontOf(h), Style(h) & WS_VSCROLL, owner ? h : nullptr, ODT_LISTBOX, GetDlgCtrlID(h));
  if (Style(h) & WS_BORDER) lxctl::FrameRect1(dc, c, RGB(0, 0, 0));
  EndPaint(h, &ps);
}

int MeasureHeight(HWND h) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  return tm.tmHeight + 2;
}

LRESULT CALLBACK ListBoxProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* s = lxctl::StateOf<ItemList>(h);
  switch (m) {
    case WM_CREATE: {
      auto* st = new ItemList;
      st->sorted = Style(h) & LBS_SORT;
      SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR)st);
      st->itemHeight = MeasureHeight(h);
      if (Style(h) & LBS_OWNERDRAWFIXED) {
        MEASUREITEMSTRUCT mi{ODT_LISTBOX, (UINT)GetDlgCtrlID(h), 0, 0, (UINT)st->itemHeight, 0};
        SendMessageW(GetParent(h), WM_MEASUREITEM, mi.CtlID, (LPARAM)&mi);
        if (mi.itemHeight > 0) st->itemHeight = (int)mi.itemHeight;
      }
      return 0;
    }
    case WM_DESTROY:
      delete s;
      SetWindowLongW(h, lxctl::kStateSlot, 0);
      return 0;
  }
  if (!s) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: Paint(h, *s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      if (!(Style(h) & LBS_OWNERDRAWFIXED)) s->itemHeight = MeasureHeight(h);
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_SETFOCUS: NotifyIf(h, LBN_SETFOCUS); return 0;
    case WM_KILLFOCUS: NotifyIf(h, LBN_KILLFOCUS); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int x = (short)LOWORD(l), y = (short)HIWORD(l);
      SetFocus(h);  // as on the device, with or without WS_TABSTOP
      RECT list = ListArea(h);
      if ((Style(h) & WS_VSCROLL) && x >= list.right) {
        RECT a = Area(h);
        RECT bar{list.right, a.top, a.right, a.bottom};
        int vis = s->Visible(list);
        switch (lxctl::VScrollBarHit(bar, y, s->top, vis, s->Count())) {
          case SB_LINEUP: Scroll(h, *s, -1); break;
          case SB_LINEDOWN: Scroll(h, *s, 1); break;
          case SB_PAGEUP: Scroll(h, *s, -vis); break;
          default: Scroll(h, *s, vis); break;
        }
        return 0;
      }
      int i = s->IndexAt(list, y);
      if (i < 0) return 0;
      Select(h, *s, i, true);
      if (m == WM_LBUTTONDBLCLK) NotifyIf(h, LBN_DBLCLK);
      return 0;
    }
    case WM_KEYDOWN: {
      int vis = s->Visible(ListArea(h)), to = s->sel;
      switch (w) {
        case VK_UP: to = std::max(0, s->sel - 1); break;
        case VK_DOWN: to = std::min(s->Count() - 1, s->sel + 1); break;
        case VK_PRIOR: to = std::max(0, s->sel - vis + 1); break;
        case VK_NEXT: to = std::min(s->Count() - 1, s->sel + vis - 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = s->Count() - 1; break;
        default: return 0;
      }
      if (s->Count()) Select(h, *s, to, true);
      return 0;
    }
    case WM_VSCROLL: {
      int vis = s->Visible(ListArea(h));
      switch (LOWORD(w)) {
        case SB_LINEUP: Scroll(h, *s, -1); break;
        case SB_LINEDOWN: Scroll(h, *s, 1); break;
        case SB_PAGEUP: Scroll(h, *s, -vis); break;
        case SB_PAGEDOWN: Scroll(h, *s, vis); break;
        case SB_TOP: Scroll(h, *s, -s->Count()); break;
        case SB_BOTTOM: Scroll(h, *s, s->Count()); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: Scroll(h, *s, (short)HIWORD(w) - s->top); break;
      }
      return 0;
    }
    case LB_ADDSTRING: {
      int i = s->Add((LPCWSTR)l);
      InvalidateRect(h, nullptr, FALSE);
      return i;
    }
    case LB_INSERTSTRING: {
      int i = s->Insert((int)w, (LPCWSTR)l);
      InvalidateRect(h, nullptr, FALSE);
      return i;
    }
    case LB_DELETESTRING: {
      int n = s->Delete((int)w);
      InvalidateRect(h, nullptr, FALSE);
      return n < 0 ? LB_ERR : n;
    }
    case LB_RESETCONTENT:
      s->items.clear();
      s->sel = -1, s->top = 0;
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case LB_GETCOUNT: return s->Count();
    case LB_GETCURSEL: return s->sel;
    case LB_SETCURSEL:
      if ((int)w >= s->Count()) {
        Select(h, *s, -1, false);
        return LB_ERR;
      }
      Select(h, *s, (int)w, false);
      return (int)w;
    case LB_GETSEL: return (int)w == s->sel && s->sel >= 0 ? 1 : ((int)w < s->Count() ? 0 : LB_ERR);
    case LB_SETSEL:
      if (w) Select(h, *s, (int)l, false);
      else if ((int)l == s->sel || (int)l == -1) Select(h, *s, -1, false);
      return 0;
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
      if ((int)w < 0 || (int)w >= s->Count()) return LB_ERR;
      const auto& t = s->items[w].text;
      if (m == LB_GETTEXT && l) {
        std::copy(t.begin(), t.end(), (WCHAR*)l);
        ((WCHAR*)l)[t.size()] = 0;
      }
      return (LRESULT)t.size();
    }
    case LB_GETITEMDATA: return (int)w >= 0 && (int)w < s->Count() ? s->items[w].data : LB_ERR;
    case LB_SETITEMDATA:
      if ((int)w < 0 || (int)w >= s->Count()) return LB_ERR;
      s->items[w].data = l;
      return 0;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: return s->Find((int)w, (LPCWSTR)l, m == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
      int i = s->Find((int)w, (LPCWSTR)l, false);
      if (i >= 0) Select(h, *s, i, false);
      return i;
    }
    case LB_GETTOPINDEX: return s->top;
    case LB_SETTOPINDEX:
      if ((int)w < 0 || (int)w >= std::max(1, s->Count())) return LB_ERR;
      s->top = (int)w;
      s->ClampTop(ListArea(h));
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case LB_GETITEMHEIGHT: return s->itemHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(l) == 0 || LOWORD(l) > 255) return LB_ERR;
      s->itemHeight = LOWORD(l);
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case LB_GETITEMRECT: {
      if ((int)w < 0 || (int)w >= s->Count() || !l) return LB_ERR;
      RECT a = ListArea(h);
      int y = a.top + ((int)w - s->top) * s->itemHeight;
      *(RECT*)l = RECT{a.left, y, a.right, y + s->itemHeight};
      return 1;
    }
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"LISTBOX", ListBoxProc, CS_DBLCLKS), 1);

}  // namespace
