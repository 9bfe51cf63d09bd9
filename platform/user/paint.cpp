// Update areas, BeginPaint/EndPaint, window DCs and the default window procedure.
#include <algorithm>

#include "../gdi/lxgdi.h"
#include "lxwin.h"

namespace lx {

void NoteScreenChanged() { ScreenChanged(); }

// The parts of the window that show, in its top-level surface's coordinates:
// its rectangle within every ancestor's client area, less its visible
// children (always clipped on the device) and, with WS_CLIPSIBLINGS, less
// the siblings above it.
static std::vector<RECT> VisibleRects(Window* w) {
  RECT r = SurfaceRectOf(w);
  for (Window* a = w; a->parent; a = GetWin(a->parent)) {
    Window* p = GetWin(a->parent);
    RECT pr = SurfaceRectOf(p);
    if (!IntersectRect(&r, &r, &pr)) return {};
  }
  std::vector<RECT> rects{r};
  auto cut = [&](const RECT& hole) {
    std::vector<RECT> out;
    for (const RECT& a : rects) {
      RECT i;
      if (!IntersectRect(&i, &a, &hole)) {
        out.push_back(a);
        continue;
      }
      if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
      if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
      if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
      if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
    }
    rects.swap(out);
  };
  for (HWND c : w->children)
    if (Window* cw = GetWin(c); cw && (cw->style & WS_VISIBLE)) cut(SurfaceRectOf(cw));
  if (w->parent && (w->style & WS_CLIPSIBLINGS)) {
    auto& sib = GetWin(w->parent)->children;
    auto it = std::find(sib.begin(), sib.end(), w->handle);
    for (++it; it < sib.end(); ++it)
      if (Window* s = GetWin(*it); s && (s->style & WS_VISIBLE)) cut(SurfaceRectOf(s));
  }
  return rects;
}

static HDC DCFor(Window* w) {
  Window* top = GetWin(TopLevelOf(w->handle));
  RECT sr = SurfaceRectOf(w);
  std::vector<RECT> clip = IsVisibleChain(w) ? VisibleRects(w) : std::vector<RECT>{};
  return MakeWindowDC(w->handle, top->surface, POINT{sr.left, sr.top}, clip);
}

}  // namespace lx

using namespace lx;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  std::lock_guard lock(UserLock());
  if (!hwnd) {
    for (HWND h : AllWindows()) InvalidateAll(GetWin(h), false);
    return TRUE;
  }
  Window* w = GetWin(hwnd);
  if (!w) return FALSE;
  RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  RECT r = client;
  if (rect && !IntersectRect(&r, rect, &client)) return TRUE;
  if (w->hasUpdate)
    UnionRect(&w->update, &w->update, &r);
  else
    w->update = r;
  w->hasUpdate = true;
  if (erase) w->updateErase = true;
  WakeQueue(*w->queue);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) return FALSE;
  if (!rect) {
    w->hasUpdate = false;
    w->updateErase = false;
    SetRectEmpty(&w->update);
    return TRUE;
  }
  // The update area is one rectangle; it shrinks only when a side is covered.
  RECT out;
  if (SubtractRect(&out, &w->update, rect)) w->update = out;
  if (IsRectEmpty(&w->update)) w->hasUpdate = false;
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) return FALSE;
  if (rect) {
    if (w->hasUpdate)
      *rect = w->update;
    else
      SetRectEmpty(rect);
  }
  return w->hasUpdate;
}

BOOL UpdateWindow(HWND hwnd) {
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w) return FALSE;
    if (!w->hasUpdate || !IsVisibleChain(w)) return TRUE;
  }
  SendMessageW(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
  if (flags & RDW_INVALIDATE) {
    InvalidateRect(hwnd, rect, flags & RDW_ERASE);
    if (flags & RDW_ALLCHILDREN) {
      std::lock_guard lock(UserLock());
      if (Window* w = GetWin(hwnd))
        for (HWND c : w->children) InvalidateAll(GetWin(c), true);
    }
  }
  if (flags & RDW_UPDATENOW) UpdateWindow(hwnd);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  if (!ps) return nullptr;
  *ps = PAINTSTRUCT{};
  HDC hdc;
  bool erase;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w) return nullptr;
    RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    if (w->hasUpdate) IntersectRect(&ps->rcPaint, &w->update, &client);
    erase = w->updateErase;
    w->hasUpdate = false;
    ++w->paints;
    w->updateErase = false;
    SetRectEmpty(&w->update);
    hdc = DCFor(w);
    IntersectDCClip(hdc, ps->rcPaint);
  }
  ps->hdc = hdc;
  ps->fErase = TRUE;
  if (erase && CallProc(hwnd, WM_ERASEBKGND, (WPARAM)hdc, 0)) ps->fErase = FALSE;
  if (!erase) ps->fErase = FALSE;
  return hdc;
}

// The change shows once the drawing is done: noted at release, so a backend
// presenting meanwhile is told again rather than missing the new pixels.
BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (ps && ps->hdc && FreeWindowDC(ps->hdc)) NoteScreenChanged();
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  std::lock_guard lock(UserLock());
  if (!hwnd) {
    // The whole screen: the device keeps no surface of its own here, so the
    // screen DC draws into nothing but answers questions (escapes, caps).
    static auto screen = MakeSurface(Screen().width, Screen().height, 0);
    return MakeWindowDC(nullptr, screen, POINT{0, 0}, {RECT{0, 0, screen->width, screen->height}});
  }
  Window* w = GetWin(hwnd);
  return w ? DCFor(w) : nullptr;
}

HDC GetWindowDC(HWND hwnd) { return GetDC(hwnd); }

int ReleaseDC(HWND hwnd, HDC hdc) {
  if (!FreeWindowDC(hdc)) return 0;
  if (hwnd) NoteScreenChanged();
  return 1;
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush;
      {
        std::lock_guard lock(UserLock());
        Window* w = GetWin(hwnd);
        if (!w) return 0;
        brush = w->cls->wc.hbrBackground;
      }
      if (!brush) return 0;
      // Class brushes may be given as a system colour index plus one.
      if ((uintptr_t)brush <= 31) brush = GetSysColorBrush((int)(uintptr_t)brush - 1);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect((HDC)wParam, &r, brush);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT: {
      std::lock_guard lock(UserLock());
      Window* w = GetWin(hwnd);
      if (!w) return FALSE;
      w->text = lParam ? (LPCWSTR)lParam : u"";
      if (!w->parent) NoteScreenChanged();  // the task bar shows it
      return TRUE;
    }
    case WM_GETTEXT: {
      std::lock_guard lock(UserLock());
      Window* w = GetWin(hwnd);
      if (!w || !lParam || wParam == 0) return 0;
      size_t n = std::min(w->text.size(), (size_t)wParam - 1);
      std::copy_n(w->text.data(), n, (WCHAR*)lParam);
      ((WCHAR*)lParam)[n] = 0;
      return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: {
      std::lock_guard lock(UserLock());
      Window* w = GetWin(hwnd);
      return w ? (LRESULT)w->text.size() : 0;
    }
    case WM_MOUSEACTIVATE:
      return 1;
  }
  return 0;
}
