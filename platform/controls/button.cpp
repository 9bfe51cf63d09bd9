// BUTTON: push buttons (default ones with a double frame), check boxes, radio
// buttons and group boxes. A tap that ends inside the button clicks it.
#include "lxctl.h"

namespace {

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;   // stylus down inside, or Space held
  bool tracking = false;
  bool focus = false;
};

UINT Kind(HWND h) { return (UINT)GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK; }

bool IsPush(UINT k) { return k == BS_PUSHBUTTON || k == BS_DEFPUSHBUTTON || k == BS_OWNERDRAW; }

void Click(HWND h) {
  auto* s = lxctl::StateOf<ButtonState>(h);
  switch (Kind(h)) {
    case BS_AUTOCHECKBOX: s->check = s->check ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: s->check = (s->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON: {
      // Checks this one and clears the other automatic radio buttons of its group.
      HWND parent = GetParent(h);
      auto kids = lxctl::ChildrenInOrder(parent);
      size_t me = 0;
      while (me < kids.size() && kids[me] != h) ++me;
      size_t first = me;
      while (first > 0 && !(GetWindowLongW(kids[first], GWL_STYLE) & WS_GROUP)) --first;
      for (size_t i = first; i < kids.size(); ++i) {
        if (i > first && (GetWindowLongW(kids[i], GWL_STYLE) & WS_GROUP)) break;
        if (kids[i] != h && Kind(kids[i]) == BS_AUTORADIOBUTTON) SendMessageW(kids[i], BM_SETCHECK, BST_UNCHECKED, 0);
      }
      s->check = BST_CHECKED;
      break;
    }
  }
  InvalidateRect(h, nullptr, FALSE);
  lxctl::Notify(h, BN_CLICKED);
}

void Paint(HWND h) {
  auto* s = lxctl::StateOf<ButtonState>(h);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  UINT kind = Kind(h);
  DWORD style = (DWORD)GetWindowLongW(h, GWL_STYLE);
  if (kind == BS_OWNERDRAW) {
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_BUTTON;
    di.CtlID = GetDlgCtrlID(h);
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = (s->pushed ? ODS_SELECTED : 0) | (s->focus ? ODS_FOCUS : 0) | (IsWindowEnabled(h) ? 0 : ODS_DISABLED);
    di.hwndItem = h;
    di.hDC = dc;
    di.rcItem = r;
    SendMessageW(GetParent(h), WM_DRAWITEM, di.CtlID, (LPARAM)&di);
    EndPaint(h, &ps);
    return;
  }
  HBRUSH bg = lxctl::ControlColours(h, dc, WM_CTLCOLORBTN);
  FillRect(dc, &r, bg);
  HGDIOBJ oldFont = SelectObject(dc, lxctl::FontOf(h));
  std::u16string text = lxctl::TextOf(h);
  COLORREF ink = IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey;
  if (IsPush(kind) || (style & BS_PUSHLIKE)) {
    bool down = s->pushed || ((style & BS_PUSHLIKE) && s->check);
    if (down) {
      HBRUSH b = CreateSolidBrush(RGB(0, 0, 0));
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    lxctl::FrameRect1(dc, r, ink);
    if (kind == BS_DEFPUSHBUTTON) {
      RECT in = r;
      InflateRect(&in, -1, -1);
      lxctl::FrameRect1(dc, in, ink);
    }
    SetTextColor(dc, down ? RGB(255, 255, 255) : ink);
    DrawTextW(dc, text.c_str(), (int)text.size(), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  } else if (kind == BS_GROUPBOX) {
    SIZE sz{};
    GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &sz);
    RECT f = r;
    f.top += sz.cy / 2;
    lxctl::FrameRect1(dc, f, ink);
    if (!text.empty()) {
      RECT t{r.left + 6, r.top, r.left + 10 + sz.cx, r.top + sz.cy};
      FillRect(dc, &t, bg);
      t.left += 2;
      DrawTextW(dc, text.c_str(), (int)text.size(), &t, DT_LEFT | DT_SINGLELINE);
    }
  } else {
    // Check box or radio button: an 11-pixel mark and the text beside it.
    int box = 11;
    int top = (r.bottom - box) / 2;
    bool right = style & BS_LEFTTEXT;
    RECT m{right ? r.right - box : 0, top, right ? r.right : box, top + box};
    bool radio = kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
    HPEN pen = CreatePen(PS_SOLID, 1, ink);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    if (radio) {
      Ellipse(dc, m.left, m.top, m.right, m.bottom);
      if (s->check) {
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        Ellipse(dc, m.left + 3, m.top + 3, m.right - 3, m.bottom - 3);
      }
    } else {
      lxctl::FrameRect1(dc, m, ink);
      if (s->check == BST_CHECKED) {
        POINT a[3] = {{m.left + 2, m.top + 5}, {m.left + 4, m.top + 8}, {m.left + 9, m.top + 2}};
        Polyline(dc, a, 3);
        for (auto& p : a) p.y += 1;
        Polyline(dc, a, 3);
      } else if (s->check == BST_INDETERMINATE) {
        RECT g = m;
        InflateRect(&g, -3, -3);
        HBRUSH b = CreateSolidBrush(lxctl::kGrey);
        FillRect(dc, &g, b);
        DeleteObject(b);
      }
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    RECT t = r;
    if (right) t.right -= box + 4; else t.left += box + 4;
    SetTextColor(dc, ink);
    if (style & BS_MULTILINE) {
      // Wrapped at words, the block centred beside the mark.
      RECT need = t;
      DrawTextW(dc, text.c_str(), (int)text.size(), &need, DT_LEFT | DT_WORDBREAK | DT_CALCRECT);
      int h = need.bottom - need.top;
      if (h < t.bottom - t.top) t.top += (t.bottom - t.top - h) / 2;
      DrawTextW(dc, text.c_str(), (int)text.size(), &t, DT_LEFT | DT_WORDBREAK);
    } else {
      DrawTextW(dc, text.c_str(), (int)text.size(), &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    if (s->focus && !text.empty() && !(style & BS_MULTILINE)) {
      RECT u = t;
      DrawTextW(dc, text.c_str(), (int)text.size(), &u, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
      int y = (r.bottom + (u.bottom - u.top)) / 2;
      RECT line{t.left, y, t.left + (u.right - u.left), y + 1};
      HBRUSH b = CreateSolidBrush(ink);
      FillRect(dc, &line, b);
      DeleteObject(b);
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(h, &ps);
}

LRESULT CALLBACK ButtonProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* s = lxctl::StateOf<ButtonState>(h);
  switch (m) {
    case WM_CREATE:
      SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR) new ButtonState);
      return 0;
    case WM_DESTROY:
      delete s;
      SetWindowLongW(h, lxctl::kStateSlot, 0);
      return 0;
  }
  if (!s) return DefWindowProcW(h, m, w, l);
  UINT kind = Kind(h);
  switch (m) {
    case WM_PAINT: Paint(h); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      if (l) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(h, m, w, l);
      InvalidateRect(h, nullptr, FALSE);
      return r;
    }
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_GETDLGCODE:
      if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (IsPush(kind)) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (kind == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (kind == BS_GROUPBOX) return 0;
      SetCapture(h);
      s->tracking = s->pushed = true;
      // The device's buttons always take the focus on a tap, so a field
      // that loses it reports EN_KILLFOCUS before the click.
      SetFocus(h);
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_MOUSEMOVE:
      if (s->tracking) {
        RECT r;
        GetClientRect(h, &r);
        bool in = PtInRect(&r, POINT{(short)LOWORD(l), (short)HIWORD(l)});
        if (in != s->pushed) s->pushed = in, InvalidateRect(h, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->tracking) {
        s->tracking = false;
        ReleaseCapture();
        RECT r;
        GetClientRect(h, &r);
        bool in = PtInRect(&r, POINT{(short)LOWORD(l), (short)HIWORD(l)});
        s->pushed = false;
        InvalidateRect(h, nullptr, FALSE);
        if (in) Click(h);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->tracking && (HWND)l != h) s->tracking = s->pushed = false, InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      if (w == VK_SPACE && kind != BS_GROUPBOX) s->pushed = true, InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_KEYUP:
      if (w == VK_SPACE && s->pushed) {
        s->pushed = false;
        Click(h);
      }
      return 0;
    case WM_CHAR: return 0;
    case WM_SETFOCUS:
      s->focus = true;
      InvalidateRect(h, nullptr, FALSE);
      if (GetWindowLongW(h, GWL_STYLE) & BS_NOTIFY) lxctl::Notify(h, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focus = false;
      s->pushed = false;
      InvalidateRect(h, nullptr, FALSE);
      if (GetWindowLongW(h, GWL_STYLE) & BS_NOTIFY) lxctl::Notify(h, BN_KILLFOCUS);
      return 0;
    case BM_GETCHECK: return s->check;
    case BM_SETCHECK:
      if (!IsPush(kind) && kind != BS_GROUPBOX) {
        UINT c = (UINT)w > BST_INDETERMINATE ? BST_CHECKED : (UINT)w;
        if (c == BST_INDETERMINATE && kind != BS_3STATE && kind != BS_AUTO3STATE) c = BST_CHECKED;
        if (c != s->check) s->check = c, InvalidateRect(h, nullptr, FALSE);
      }
      return 0;
    case BM_GETSTATE: return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
      s->pushed = w != 0;
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case BM_SETSTYLE:
      SetWindowLongW(h, GWL_STYLE, (GetWindowLongW(h, GWL_STYLE) & ~0xFFFF) | (w & 0xFFFF));
      if (l) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case BM_CLICK:
      if (IsWindowEnabled(h)) Click(h);
      return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"BUTTON", ButtonProc, CS_DBLCLKS), 1);

}  // namespace
