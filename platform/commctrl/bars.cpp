// Trackbar, up-down and progress bar: the common controls that hold a
// position in a range and tell their parent by WM_HSCROLL/WM_VSCROLL.
#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

#include "../controls/lxctl.h"
#include "commctrl.h"

namespace {

DWORD Style(HWND h) { return (DWORD)GetWindowLongW(h, GWL_STYLE); }

HBRUSH Solid(COLORREF c) { return CreateSolidBrush(c); }

void Fill(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH b = Solid(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

template <class T>
LRESULT Lifetime(HWND h, UINT m) {
  if (m == WM_CREATE) SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR) new T);
  if (m == WM_DESTROY) {
    delete lxctl::StateOf<T>(h);
    SetWindowLongW(h, lxctl::kStateSlot, 0);
  }
  return 0;
}

// ---- Trackbar ----

struct Trackbar {
  int min = 0, max = 100, pos = 0, line = 1, page = 20;
  bool tracking = false;
};

constexpr int kThumb = 10;

bool Vertical(HWND h) { return Style(h) & TBS_VERT; }

// The thumb's travel along the control, in client pixels.
void Travel(HWND h, int* from, int* to) {
  RECT c;
  GetClientRect(h, &c);
  int length = Vertical(h) ? c.bottom : c.right;
  *from = kThumb / 2 + 2, *to = std::max(*from, length - kThumb / 2 - 2);
}

RECT ThumbRect(HWND h, const Trackbar& t) {
  RECT c;
  GetClientRect(h, &c);
  int from, to;
  Travel(h, &from, &to);
  int span = std::max(1, t.max - t.min);
  int at = from + (int)((long long)(t.pos - t.min) * (to - from) / span);
  return Vertical(h) ? RECT{c.left + 2, at - kThumb / 2, c.right - 2, at + kThumb / 2}
                     : RECT{at - kThumb / 2, c.top + 2, at + kThumb / 2, c.bottom - 2};
}

int PosAt(HWND h, const Trackbar& t, int x, int y) {
  int from, to;
  Travel(h, &from, &to);
  int v = Vertical(h) ? y : x;
  if (to == from) return t.min;
  long long p = t.min + ((long long)(v - from) * (t.max - t.min) + (to - from) / 2) / (to - from);
  return (int)std::clamp<long long>(p, t.min, t.max);
}

void TellParent(HWND h, const Trackbar& t, int code) {
  WPARAM w = MAKEWPARAM(code, code == TB_THUMBTRACK || code == TB_THUMBPOSITION ? t.pos : 0);
  SendMessageW(GetParent(h), Vertical(h) ? WM_VSCROLL : WM_HSCROLL, w, (LPARAM)h);
}

void Move(HWND h, Trackbar& t, int to, int code) {
  to = std::clamp(to, t.min, t.max);
  if (to != t.pos) t.pos = to, InvalidateRect(h, nullptr, FALSE);
  TellParent(h, t, code);
}

void PaintTrackbar(HWND h, const Trackbar& t) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  FillRect(dc, &c, lxctl::ControlColours(h, dc, WM_CTLCOLORSTATIC));
  COLORREF ink = IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey;
  int from, to;
  Travel(h, &from, &to);
  int mid = Vertical(h) ? c.right / 2 : c.bottom / 2;
  RECT channel = Vertical(h) ? RECT{mid - 2, from, mid + 2, to} : RECT{from, mid - 2, to, mid + 2};
  lxctl::FrameRect1(dc, channel, ink);
  RECT thumb = ThumbRect(h, t);
  Fill(dc, thumb, t.tracking ? RGB(0, 0, 0) : RGB(255, 255, 255));
  lxctl::FrameRect1(dc, thumb, ink);
  EndPaint(h, &ps);
}

LRESULT CALLBACK TrackbarProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE || m == WM_DESTROY) return Lifetime<Trackbar>(h, m);
  auto* t = lxctl::StateOf<Trackbar>(h);
  if (!t) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: PaintTrackbar(h, *t); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
      int x = (short)LOWORD(l), y = (short)HIWORD(l);
      if (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) SetFocus(h);
      RECT thumb = ThumbRect(h, *t);
      if (PtInRect(&thumb, POINT{x, y})) {
        t->tracking = true;
        SetCapture(h);
        InvalidateRect(h, nullptr, FALSE);
      } else {
        bool before = PosAt(h, *t, x, y) < t->pos;
        Move(h, *t, t->pos + (before ? -t->page : t->page), before ? TB_PAGEUP : TB_PAGEDOWN);
        TellParent(h, *t, TB_ENDTRACK);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (t->tracking) Move(h, *t, PosAt(h, *t, (short)LOWORD(l), (short)HIWORD(l)), TB_THUMBTRACK);
      return 0;
    case WM_LBUTTONUP:
      if (t->tracking) {
        t->tracking = false;
        ReleaseCapture();
        Move(h, *t, PosAt(h, *t, (short)LOWORD(l), (short)HIWORD(l)), TB_THUMBPOSITION);
        TellParent(h, *t, TB_ENDTRACK);
      }
      return 0;
    case WM_KEYDOWN: {
      switch (w) {
        case VK_LEFT: case VK_UP: Move(h, *t, t->pos - t->line, TB_LINEUP); break;
        case VK_RIGHT: case VK_DOWN: Move(h, *t, t->pos + t->line, TB_LINEDOWN); break;
        case VK_PRIOR: Move(h, *t, t->pos - t->page, TB_PAGEUP); break;
        case VK_NEXT: Move(h, *t, t->pos + t->page, TB_PAGEDOWN); break;
        case VK_HOME: Move(h, *t, t->min, TB_TOP); break;
        case VK_END: Move(h, *t, t->max, TB_BOTTOM); break;
        default: return 0;
      }
      TellParent(h, *t, TB_ENDTRACK);
      return 0;
    }
    case WM_KEYUP: return 0;
    case TBM_GETPOS: return t->pos;
    case TBM_GETRANGEMIN: return t->min;
    case TBM_GETRANGEMAX: return t->max;
    case TBM_SETPOS: t->pos = std::clamp((int)l, t->min, t->max); break;
    case TBM_SETRANGE: t->min = (short)LOWORD(l), t->max = (short)HIWORD(l); break;
    case TBM_SETRANGEMIN: t->min = (int)l; break;
    case TBM_SETRANGEMAX: t->max = (int)l; break;
    case TBM_SETPAGESIZE: { int old = t->page; t->page = (int)l; return old; }
    case TBM_GETPAGESIZE: return t->page;
    case TBM_SETLINESIZE: { int old = t->line; t->line = (int)l; return old; }
    case TBM_GETLINESIZE: return t->line;
    case TBM_SETTICFREQ: return 0;
    case TBM_GETTHUMBRECT: if (l) *(RECT*)l = ThumbRect(h, *t); return 0;
    default: return DefWindowProcW(h, m, w, l);
  }
  // A range or position set by the program: keep them consistent and redraw.
  if (t->max < t->min) t->max = t->min;
  t->pos = std::clamp(t->pos, t->min, t->max);
  if ((m != TBM_SETPOS && m != TBM_SETRANGE && m != TBM_SETRANGEMIN && m != TBM_SETRANGEMAX) || w)
    InvalidateRect(h, nullptr, FALSE);
  return 0;
}

// ---- Up-down ----

struct UpDown {
  int lower = 100, upper = 0, pos = 0;  // the device's default range runs backwards
  HWND buddy = nullptr;
  int pressed = 0;  // +1 the up half, -1 the down half
};

bool Horizontal(HWND h) { return Style(h) & UDS_HORZ; }

// Reads the buddy's number so that typing in it counts; false when it is not one.
bool SyncFromBuddy(HWND h, UpDown& u) {
  if (!u.buddy || !(Style(h) & UDS_SETBUDDYINT)) return true;
  std::u16string s = lxctl::TextOf(u.buddy);
  long long v = 0;
  bool neg = false, digits = false;
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) neg = s[i++] == u'-';
  for (; i < s.size(); ++i) {
    if (s[i] == u',' || s[i] == u'.') continue;  // thousands separators
    if (s[i] < u'0' || s[i] > u'9') return false;
    v = v * 10 + (s[i] - u'0'), digits = true;
    if (v > 0x7FFFFFFF) return false;
  }
  if (!digits) return false;
  int lo = std::min(u.lower, u.upper), hi = std::max(u.lower, u.upper);
  u.pos = std::clamp((int)(neg ? -v : v), lo, hi);
  return true;
}

void ShowInBuddy(HWND h, const UpDown& u) {
  if (!u.buddy || !(Style(h) & UDS_SETBUDDYINT)) return;
  WCHAR buf[16];
  char tmp[16];
  snprintf(tmp, sizeof tmp, "%d", u.pos);
  int i = 0;
  for (; tmp[i]; ++i) buf[i] = (WCHAR)tmp[i];
  buf[i] = 0;
  SetWindowTextW(u.buddy, buf);
}

void Step(HWND h, UpDown& u, int direction) {
  SyncFromBuddy(h, u);
  int delta = direction * (u.upper >= u.lower ? 1 : -1);
  NMUPDOWN nm{{h, (UINT_PTR)GetDlgCtrlID(h), UDN_DELTAPOS}, u.pos, delta};
  HWND parent = GetParent(h);
  if (parent && SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, (LPARAM)&nm)) return;  // refused
  int lo = std::min(u.lower, u.upper), hi = std::max(u.lower, u.upper);
  int to = u.pos + nm.iDelta;
  if (Style(h) & UDS_WRAP) to = to > hi ? lo : to < lo ? hi : to;
  to = std::clamp(to, lo, hi);
  if (to == u.pos && !(Style(h) & UDS_WRAP)) return;
  u.pos = to;
  ShowInBuddy(h, u);
  if (parent) SendMessageW(parent, Horizontal(h) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, u.pos), (LPARAM)h);
}

// UDS_ARROWKEYS: the buddy's up and down keys step the control as its
// arrows do. The buddy is subclassed; the table finds its up-down.
struct BuddyHook {
  HWND updown;
  WNDPROC old;
};

std::mutex gHookLock;
std::map<HWND, BuddyHook> gHooks;

LRESULT CALLBACK BuddyProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  BuddyHook hook{};
  {
    std::lock_guard lock(gHookLock);
    auto it = gHooks.find(h);
    if (it == gHooks.end()) return DefWindowProcW(h, m, w, l);
    hook = it->second;
    if (m == WM_DESTROY) gHooks.erase(it);
  }
  auto* u = hook.updown ? lxctl::StateOf<UpDown>(hook.updown) : nullptr;
  if (u && m == WM_KEYDOWN && (w == VK_UP || w == VK_DOWN)) {
    if (IsWindowEnabled(hook.updown)) Step(hook.updown, *u, w == VK_UP ? 1 : -1);
    return 0;
  }
  if (m == WM_DESTROY) SetWindowLongW(h, GWL_WNDPROC, (LONG_PTR)hook.old);
  LRESULT r = CallWindowProcW(hook.old, h, m, w, l);
  return u && m == WM_GETDLGCODE ? r | DLGC_WANTARROWS : r;
}

void Unhook(HWND updown, HWND buddy) {
  if (!buddy) return;
  std::lock_guard lock(gHookLock);
  auto it = gHooks.find(buddy);
  if (it == gHooks.end() || it->second.updown != updown) return;
  if (GetWindowLongW(buddy, GWL_WNDPROC) == (LONG_PTR)BuddyProc) {
    SetWindowLongW(buddy, GWL_WNDPROC, (LONG_PTR)it->second.old);
    gHooks.erase(it);
  } else {
    it->second.updown = nullptr;  // subclassed again since: stay in the chain, passing everything on
  }
}

void Hook(HWND updown, HWND buddy) {
  std::lock_guard lock(gHookLock);
  auto it = gHooks.find(buddy);
  if (it != gHooks.end()) {
    it->second.updown = updown;
    return;
  }
  auto old = (WNDPROC)GetWindowLongW(buddy, GWL_WNDPROC);
  if (!old) return;
  gHooks[buddy] = BuddyHook{updown, old};
  SetWindowLongW(buddy, GWL_WNDPROC, (LONG_PTR)BuddyProc);
}

void SetBuddy(HWND h, UpDown& u, HWND buddy) {
  Unhook(h, u.buddy);
  u.buddy = buddy;
  if (!buddy) return;
  if (Style(h) & UDS_ARROWKEYS) Hook(h, buddy);
  DWORD st = Style(h);
  if (!(st & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return;
  // The arrows sit against the buddy's edge, which gives up their width.
  RECT b, me;
  GetWindowRect(buddy, &b);
  GetWindowRect(h, &me);
  HWND parent = GetParent(h);
  POINT tl{b.left, b.top};
  ScreenToClient(parent, &tl);
  int width = me.right - me.left, bw = b.right - b.left, bh = b.bottom - b.top;
  if (st & UDS_ALIGNRIGHT) {
    MoveWindow(buddy, tl.x, tl.y, bw - width, bh, TRUE);
    MoveWindow(h, tl.x + bw - width, tl.y, width, bh, TRUE);
  } else {
    MoveWindow(buddy, tl.x + width, tl.y, bw - width, bh, TRUE);
    MoveWindow(h, tl.x, tl.y, width, bh, TRUE);
  }
}

void PaintUpDown(HWND h, const UpDown& u) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  COLORREF ink = IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey;
  Fill(dc, c, RGB(255, 255, 255));
  bool horz = Horizontal(h);
  RECT first = c, second = c;  // up (or right) and down (or left) halves
  if (horz) first.left = second.right = c.right / 2;
  else first.bottom = second.top = c.bottom / 2;
  if (u.pressed > 0) Fill(dc, first, RGB(0, 0, 0));
  if (u.pressed < 0) Fill(dc, second, RGB(0, 0, 0));
  lxctl::FrameRect1(dc, first, ink);
  lxctl::FrameRect1(dc, second, ink);
  auto arrow = [&](const RECT& r, int dir, bool inverse) {
    int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    POINT p[3];
    if (horz) p[0] = {mx + 2 * dir, my}, p[1] = {mx - 2 * dir, my - 3}, p[2] = {mx - 2 * dir, my + 3};
    else p[0] = {mx, my - 2 * dir}, p[1] = {mx - 3, my + 2 * dir}, p[2] = {mx + 3, my + 2 * dir};
    COLORREF c2 = inverse ? RGB(255, 255, 255) : ink;
    HPEN pen = CreatePen(PS_SOLID, 1, c2);
    HBRUSH b = Solid(c2);
    HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, b);
    Polygon(dc, p, 3);
    SelectObject(dc, op), SelectObject(dc, ob);
    DeleteObject(pen), DeleteObject(b);
  };
  arrow(first, 1, u.pressed > 0);
  arrow(second, -1, u.pressed < 0);
  EndPaint(h, &ps);
}

LRESULT CALLBACK UpDownProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE) {
    Lifetime<UpDown>(h, m);
    if (Style(h) & UDS_AUTOBUDDY) {
      // The buddy is the control made just before this one.
      auto kids = lxctl::ChildrenInOrder(GetParent(h));
      auto me = std::find(kids.begin(), kids.end(), h);
      if (me != kids.begin()) SetBuddy(h, *lxctl::StateOf<UpDown>(h), *(me - 1));
    }
    return 0;
  }
  if (m == WM_DESTROY) {
    if (auto* u = lxctl::StateOf<UpDown>(h)) Unhook(h, u->buddy);
    return Lifetime<UpDown>(h, m);
  }
  auto* u = lxctl::StateOf<UpDown>(h);
  if (!u) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: PaintUpDown(h, *u); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RECT c;
      GetClientRect(h, &c);
      int x = (short)LOWORD(l), y = (short)HIWORD(l);
      u->pressed = Horizontal(h) ? (x >= c.right / 2 ? 1 : -1) : (y < c.bottom / 2 ? 1 : -1);
      // The device's arrows hand the focus to an edit buddy: typing goes on there.
      WCHAR cls[16] = {};
      if (u->buddy && GetClassNameW(u->buddy, cls, 16) && !LxStrCmpiW(cls, u"EDIT")) SetFocus(u->buddy);
      SetCapture(h);
      InvalidateRect(h, nullptr, FALSE);
      Step(h, *u, u->pressed);
      return 0;
    }
    case WM_LBUTTONUP:
      if (u->pressed) {
        u->pressed = 0;
        ReleaseCapture();
        InvalidateRect(h, nullptr, FALSE);
      }
      return 0;
    case WM_KEYDOWN:
      if (w == VK_UP || w == VK_RIGHT) Step(h, *u, 1);
      if (w == VK_DOWN || w == VK_LEFT) Step(h, *u, -1);
      return 0;
    case UDM_SETRANGE: u->upper = (short)LOWORD(l), u->lower = (short)HIWORD(l); break;
    case UDM_SETRANGE32: u->lower = (int)w, u->upper = (int)l; break;
    case UDM_GETRANGE: return MAKELONG(u->upper, u->lower);
    case UDM_GETRANGE32:
      if (w) *(int*)w = u->lower;
      if (l) *(int*)l = u->upper;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int old = u->pos;
      int lo = std::min(u->lower, u->upper), hi = std::max(u->lower, u->upper);
      u->pos = std::clamp(m == UDM_SETPOS ? (int)(short)LOWORD(l) : (int)l, lo, hi);
      ShowInBuddy(h, *u);
      return old;
    }
    case UDM_GETPOS: {
      bool ok = SyncFromBuddy(h, *u);
      return MAKELONG(u->pos, ok ? 0 : 1);
    }
    case UDM_GETPOS32: {
      bool ok = SyncFromBuddy(h, *u);
      if (l) *(BOOL*)l = !ok;
      return u->pos;
    }
    case UDM_SETBUDDY: {
      HWND old = u->buddy;
      SetBuddy(h, *u, (HWND)w);
      return (LRESULT)old;
    }
    case UDM_GETBUDDY: return (LRESULT)u->buddy;
    default: return DefWindowProcW(h, m, w, l);
  }
  u->pos = std::clamp(u->pos, std::min(u->lower, u->upper), std::max(u->lower, u->upper));
  return 0;
}

// ---- Progress bar ----

struct Progress {
  int min = 0, max = 100, pos = 0, step = 10;
};

void PaintProgress(HWND h, const Progress& p) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  Fill(dc, c, RGB(255, 255, 255));
  RECT in = c;
  InflateRect(&in, -1, -1);
  int span = std::max(1, p.max - p.min);
  if (Style(h) & PBS_VERTICAL) {
    int height = (int)((long long)(in.bottom - in.top) * (p.pos - p.min) / span);
    in.top = in.bottom - height;
  } else {
    in.right = in.left + (int)((long long)(in.right - in.left) * (p.pos - p.min) / span);
  }
  if (in.right > in.left && in.bottom > in.top) Fill(dc, in, lxctl::kHighlight);
  lxctl::FrameRect1(dc, c, RGB(0, 0, 0));
  EndPaint(h, &ps);
}

LRESULT CALLBACK ProgressProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE || m == WM_DESTROY) return Lifetime<Progress>(h, m);
  auto* p = lxctl::StateOf<Progress>(h);
  if (!p) return DefWindowProcW(h, m, w, l);
  LRESULT r = 0;
  switch (m) {
    case WM_PAINT: PaintProgress(h, *p); return 0;
    case WM_ERASEBKGND: return 1;
    case PBM_SETRANGE:
    case PBM_SETRANGE32:
      r = MAKELONG(p->min, p->max);
      if (m == PBM_SETRANGE) p->min = (short)LOWORD(l), p->max = (short)HIWORD(l);
      else p->min = (int)w, p->max = (int)l;
      if (p->max < p->min) p->max = p->min;
      break;
    case PBM_SETPOS: r = p->pos, p->pos = (int)w; break;
    case PBM_DELTAPOS: r = p->pos, p->pos += (int)w; break;
    case PBM_SETSTEP: r = p->step, p->step = (int)w; return r;
    case PBM_STEPIT:
      r = p->pos;
      p->pos += p->step;
      if (p->pos > p->max) p->pos = p->min + (p->pos - p->max);  // starts over, as the device does
      break;
    case PBM_GETRANGE:
      if (l) ((PBRANGE*)l)->iLow = p->min, ((PBRANGE*)l)->iHigh = p->max;
      return w ? p->min : p->max;
    case PBM_GETPOS: return p->pos;
    default: return DefWindowProcW(h, m, w, l);
  }
  p->pos = std::clamp(p->pos, p->min, p->max);
  InvalidateRect(h, nullptr, FALSE);
  return r;
}

const int kRegistered = (lxctl::RegisterControlClass(TRACKBAR_CLASSW, TrackbarProc),
                         lxctl::RegisterControlClass(UPDOWN_CLASSW, UpDownProc, CS_DBLCLKS),
                         lxctl::RegisterControlClass(PROGRESS_CLASSW, ProgressProc), 1);

}  // namespace

void InitCommonControls(void) {}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) { return icc != nullptr; }

HWND CreateUpDownControl(DWORD style, int x, int y, int cx, int cy, HWND parent, int id, HINSTANCE instance, HWND buddy,
                         int upper, int lower, int pos) {
  HWND h = CreateWindowExW(0, UPDOWN_CLASSW, u"", style, x, y, cx, cy, parent, (HMENU)(UINT_PTR)id, instance, nullptr);
  if (!h) return nullptr;
  SendMessageW(h, UDM_SETRANGE32, lower, upper);
  if (buddy) SendMessageW(h, UDM_SETBUDDY, (WPARAM)buddy, 0);
  SendMessageW(h, UDM_SETPOS32, 0, pos);
  return h;
}
