// Window classes and windows: creation, destruction, geometry, text, order.
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <cstring>

#include "../gdi/lxgdi.h"
#include "aygshell.h"
#include "lxdisplay.h"
#include "lxwin.h"

namespace lx {

namespace {

struct WindowTable {
  std::map<uintptr_t, std::unique_ptr<Window>> windows;
  std::vector<std::shared_ptr<WndClass>> classes;
  std::vector<HWND> topLevels;  // bottom to top
  uintptr_t next = 0x10000;
  HWND foreground = nullptr;
  HWND focus = nullptr;
};

WindowTable& Table() {
  static WindowTable t;
  return t;
}

bool SameName(const std::u16string& a, LPCWSTR b) { return b && LxStrCmpiW(a.c_str(), b) == 0; }

std::shared_ptr<WndClass> FindClass(LPCWSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    // An atom is the class's position plus one.
    size_t i = (size_t)(uintptr_t)name - 1;
    return i < Table().classes.size() ? Table().classes[i] : nullptr;
  }
  for (auto& c : Table().classes)
    if (c && SameName(c->name, name)) return c;
  return nullptr;
}

void RemoveFrom(std::vector<HWND>& v, HWND h) { v.erase(std::remove(v.begin(), v.end(), h), v.end()); }

}  // namespace

std::recursive_mutex& UserLock() {
  static std::recursive_mutex m;
  return m;
}

Window* GetAnyWin(HWND hwnd) {
  auto& w = Table().windows;
  auto it = w.find((uintptr_t)hwnd);
  return it == w.end() ? nullptr : it->second.get();
}

Window* GetWin(HWND hwnd) {
  Window* w = GetAnyWin(hwnd);
  return w && !w->remote ? w : nullptr;
}

const std::vector<HWND>& TopLevels() { return Table().topLevels; }

std::vector<HWND> AllWindows() {
  std::vector<HWND> out;
  std::vector<HWND> stack(TopLevels().begin(), TopLevels().end());
  // Pre-order: each window before its children, parents paint first.
  std::function<void(HWND)> walk = [&](HWND h) {
    Window* w = GetWin(h);
    if (!w) return;
    out.push_back(h);
    for (HWND c : w->children) walk(c);
  };
  for (HWND h : TopLevels()) walk(h);
  return out;
}

HWND TopLevelOf(HWND hwnd) {
  Window* w = GetWin(hwnd);
  while (w && w->parent) w = GetWin(w->parent);
  return w ? w->handle : nullptr;
}

RECT ScreenRectOf(Window* w) {
  RECT r = w->rect;
  for (Window* p = GetWin(w->parent); p; p = GetWin(p->parent)) OffsetRect(&r, p->rect.left, p->rect.top);
  return r;
}

RECT SurfaceRectOf(Window* w) {
  RECT r = w->rect;
  if (!w->parent) {
    OffsetRect(&r, -r.left, -r.top);
    return r;
  }
  for (Window* p = GetWin(w->parent); p && p->parent; p = GetWin(p->parent)) OffsetRect(&r, p->rect.left, p->rect.top);
  return r;
}

bool IsVisibleChain(Window* w) {
  for (; w; w = GetWin(w->parent))
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

HWND ForegroundLocked() { return Table().foreground; }

void InvalidateAll(Window* w, bool children) {
  w->hasUpdate = true;
  w->updateErase = true;
  SetRect(&w->update, 0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top);
  if (w->queue) WakeQueue(*w->queue);
  if (children)
    for (HWND c : w->children)
      if (Window* cw = GetWin(c)) InvalidateAll(cw, true);
}

// The parent has to repaint where a child was or now is.
static void InvalidateParentArea(Window* w) {
  Window* p = GetWin(w->parent);
  if (!p) return;
  RECT r = w->rect;
  if (p->hasUpdate)
    UnionRect(&p->update, &p->update, &r);
  else
    p->update = r;
  p->hasUpdate = true;
  p->updateErase = true;
  if (p->queue) WakeQueue(*p->queue);
}

static void BringToTop(HWND hwnd) {
  auto& t = Table().topLevels;
  if (std::find(t.begin(), t.end(), hwnd) == t.end()) return;
  RemoveFrom(t, hwnd);
  t.push_back(hwnd);
  // Owned windows (dialogs) stay above their owner.
  std::vector<HWND> owned;
  for (HWND h : t)
    if (Window* w = GetWin(h); w && w->owner == hwnd) owned.push_back(h);
  for (HWND h : owned) BringToTop(h);
}

// Called without the lock: sends the activation pair. Each window hears of it
// on its own thread, whichever thread (an input backend, the device socket)
// asks, so that its procedure never runs beside its own message loop; and
// without waiting, so that a thread busy waiting on the caller cannot hang it.
void SetForegroundInternal(HWND hwnd, WORD how) {
  HWND old;
  {
    std::lock_guard lock(UserLock());
    hwnd = TopLevelOf(hwnd);
    if (!hwnd) return;
    BringToTop(hwnd);
    old = Table().foreground;
    Table().foreground = hwnd;
    Window* w = GetWin(hwnd);
    if (w && Table().focus && TopLevelOf(Table().focus) != hwnd) Table().focus = nullptr;
    NoteScreenChanged();
  }
  if (old == hwnd) return;
  if (old && IsWindow(old)) NotifyProc(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), (LPARAM)hwnd);
  NotifyProc(hwnd, WM_ACTIVATE, MAKEWPARAM(how, 0), (LPARAM)old);
}

HWND RemoteProxy(int pid, uint64_t handle) {
  std::lock_guard lock(UserLock());
  for (auto& [k, w] : Table().windows)
    if (w->remote && w->remotePid == pid && w->remoteHandle == handle) return w->handle;
  auto w = std::make_unique<Window>();
  w->handle = (HWND)(Table().next += 4);
  w->remote = true;
  w->remotePid = pid;
  w->remoteHandle = handle;
  HWND h = w->handle;
  Table().windows[(uintptr_t)h] = std::move(w);
  return h;
}

HWND FocusLocked() { return Table().focus; }

}  // namespace lx

using namespace lx;

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(UserLock());
  if (FindClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<WndClass>();
  c->name = wc->lpszClassName;
  c->wc = *wc;
  c->wc.lpszClassName = c->name.c_str();
  if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) {
    c->menuName = wc->lpszMenuName;
    c->wc.lpszMenuName = c->menuName.c_str();
  }
  auto& cl = Table().classes;
  for (size_t i = 0; i < cl.size(); ++i)
    if (!cl[i]) {
      cl[i] = c;
      return (ATOM)(i + 1);
    }
  cl.push_back(c);
  return (ATOM)cl.size();
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  std::lock_guard lock(UserLock());
  auto c = FindClass(className);
  if (!c) return FALSE;
  for (auto& [k, w] : Table().windows)
    if (w->cls == c) return FALSE;  // still in use
  for (auto& e : Table().classes)
    if (e == c) e = nullptr;
  return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, LPWNDCLASSW wc) {
  std::lock_guard lock(UserLock());
  auto c = FindClass(className);
  if (!c || !wc) return FALSE;
  *wc = c->wc;
  return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR name, int size) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w || !name || size <= 0) return 0;
  lstrcpynW(name, w->cls->name.c_str(), size);
  return lstrlenW(name);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  HWND hwnd;
  {
    std::lock_guard lock(UserLock());
    auto cls = FindClass(className);
    if (!cls) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    if (parent && !GetWin(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if ((style & WS_CHILD) && !parent) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    auto w = std::make_unique<Window>();
    w->handle = (HWND)(Table().next += 4);
    w->cls = cls;
    w->style = style;
    w->exStyle = exStyle;
    w->proc = cls->wc.lpfnWndProc;
    w->instance = instance;
    w->queue = CurrentQueue();
    if (title) w->text = title;
    bool child = style & WS_CHILD;
    if (child) {
      w->parent = parent;
      w->id = (LONG_PTR)menu;
      if (x == CW_USEDEFAULT) x = y = 0;
      if (width == CW_USEDEFAULT) width = height = 0;
    } else {
      w->owner = parent ? TopLevelOf(parent) : nullptr;
      // The default position is the work area: the screen less the task bar and the menu bar.
      RECT work = WorkArea();
      if (x == CW_USEDEFAULT) {
        x = work.left;
        y = work.top;
      }
      if (width == CW_USEDEFAULT) {
        width = work.right - work.left;
        height = work.bottom - work.top;
      }
    }
    SetRect(&w->rect, x, y, x + std::max(width, 0), y + std::max(height, 0));
    for (int off = 0; off + 4 <= cls->wc.cbWndExtra; off += 4) w->extra[off] = 0;
    if (!child) w->surface = MakeSurface(std::max(width, 1), std::max(height, 1), 0);
    hwnd = w->handle;
    Window* raw = w.get();
    Table().windows[(uintptr_t)hwnd] = std::move(w);
    if (child)
      GetWin(parent)->children.push_back(hwnd);
    else
      Table().topLevels.push_back(hwnd);
    if (style & WS_VISIBLE) InvalidateAll(raw, false);
  }
  if (!(style & WS_CHILD)) DisplayStart();
  CREATESTRUCTW cs{param, instance, menu, parent, height, width, y, x, (LONG)style, title, className, exStyle};
  if (CallProc(hwnd, WM_CREATE, 0, (LPARAM)&cs) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
  CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
  if ((style & WS_VISIBLE) && !(style & WS_CHILD)) SetForegroundInternal(hwnd, WA_ACTIVE);
  NoteScreenChanged();
  if (!(style & WS_CHILD)) ServerPublishWindows();
  return hwnd;
}

// The device's order: windows owned by this one first, then the window
// itself, then its children from the top down, so that a parent's WM_DESTROY
// still finds its children working.
static void DestroyTree(HWND hwnd, std::vector<HWND>& order) {
  std::vector<HWND> kids, owned;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w || w->destroying) return;
    w->destroying = true;
    kids = w->children;
    for (HWND t : Table().topLevels)
      if (Window* o = GetWin(t); o && o->owner == hwnd) owned.push_back(t);
  }
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) DestroyTree(*it, order);
  order.push_back(hwnd);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) DestroyTree(*it, order);
}

BOOL DestroyWindow(HWND hwnd) {
  bool wasForeground;
  HWND owner, parentOfDestroyed;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w || w->destroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (w->style & WS_VISIBLE) InvalidateParentArea(w);
    wasForeground = Table().foreground == hwnd;
    owner = w->owner;
    parentOfDestroyed = w->parent;
  }
  std::vector<HWND> order;
  DestroyTree(hwnd, order);
  for (HWND h : order) {
    {
      std::lock_guard lock(UserLock());
      if (Window* w = GetWin(h)) w->style &= ~WS_VISIBLE;
    }
    CallProc(h, WM_DESTROY, 0, 0);
  }
  for (HWND h : order) CallProc(h, WM_NCDESTROY, 0, 0);
  {
    std::lock_guard lock(UserLock());
    for (HWND h : order) {
      Window* w = GetWin(h);
      if (!w) continue;
      ForgetWindowInput(h);
      if (Window* p = GetWin(w->parent)) RemoveFrom(p->children, h);
      RemoveFrom(Table().topLevels, h);
      if (Table().foreground == h) Table().foreground = nullptr;
      if (Table().focus == h) Table().focus = nullptr;
      if (w->queue) WakeQueue(*w->queue);
      Table().windows.erase((uintptr_t)h);
    }
    NoteScreenChanged();
  }
  if (!parentOfDestroyed) ServerPublishWindows();
  if (wasForeground) {
    HWND next = nullptr;
    {
      std::lock_guard lock(UserLock());
      if (GetWin(owner) && (GetWin(owner)->style & WS_VISIBLE)) next = owner;
      for (auto it = Table().topLevels.rbegin(); !next && it != Table().topLevels.rend(); ++it)
        if (GetWin(*it)->style & WS_VISIBLE) next = *it;
    }
    if (next) SetForegroundInternal(next, WA_ACTIVE);
  }
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  int pid;
  uint64_t remote;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetAnyWin(hwnd);
    if (!w) return FALSE;
    if (!w->remote) return TRUE;
    pid = w->remotePid;
    remote = w->remoteHandle;
  }
  // Another process's window lives as long as that process keeps it.
  return RemoteIsWindow(pid, remote);
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  bool was, show = cmd != SW_HIDE, topLevel;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w) return FALSE;
    was = w->style & WS_VISIBLE;
    topLevel = !w->parent;
    if (was != show) {
      if (show) {
        w->style |= WS_VISIBLE;
        InvalidateAll(w, true);
      } else {
        w->style &= ~WS_VISIBLE;
      }
      InvalidateParentArea(w);
      NoteScreenChanged();
    }
  }
  if (was != show) CallProc(hwnd, WM_SHOWWINDOW, show, 0);
  // A window's menu bar belongs to it on screen: it goes and comes with it.
  if (topLevel && was != show)
    if (HWND bar = SHFindMenuBar(hwnd); bar && bar != hwnd) ShowWindow(bar, show ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (topLevel) {
    if (show && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_MINIMIZE) {
      SetForegroundInternal(hwnd, WA_ACTIVE);
    } else if (!show) {
      // The foreground passes to a window that can take it; a menu bar or a
      // dropped list (WS_EX_NOACTIVATE) never does, and with none left the
      // hidden window still hears that it is no longer active.
      HWND next = nullptr;
      bool lost = false;
      {
        std::lock_guard lock(UserLock());
        if (Table().foreground == hwnd) {
          for (auto it = Table().topLevels.rbegin(); !next && it != Table().topLevels.rend(); ++it) {
            Window* o = GetWin(*it);
            if (*it != hwnd && (o->style & WS_VISIBLE) && !(o->exStyle & WS_EX_NOACTIVATE)) next = *it;
          }
          if (!next) Table().foreground = nullptr, lost = true;
        }
      }
      if (next) SetForegroundInternal(next, WA_ACTIVE);
      else if (lost) NotifyProc(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    }
  }
  return was;
}

BOOL IsWindowVisible(HWND hwnd) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  return w && IsVisibleChain(w);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w) return FALSE;
    wasDisabled = w->style & WS_DISABLED;
    if (enable)
      w->style &= ~WS_DISABLED;
    else
      w->style |= WS_DISABLED;
  }
  if (wasDisabled == !!enable) CallProc(hwnd, WM_ENABLE, enable, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  return w && !(w->style & WS_DISABLED);
}

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  bool sized, moved;
  int width, height;
  RECT nr;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w) return FALSE;
    nr = w->rect;
    if (!(flags & SWP_NOMOVE)) OffsetRect(&nr, x - nr.left, y - nr.top);
    if (!(flags & SWP_NOSIZE)) {
      nr.right = nr.left + std::max(cx, 0);
      nr.bottom = nr.top + std::max(cy, 0);
    }
    width = nr.right - nr.left;
    height = nr.bottom - nr.top;
    sized = width != w->rect.right - w->rect.left || height != w->rect.bottom - w->rect.top;
    moved = nr.left != w->rect.left || nr.top != w->rect.top;
    if (sized || moved) {
      if (w->style & WS_VISIBLE) InvalidateParentArea(w);
      w->rect = nr;
      if (!w->parent && sized) w->surface = MakeSurface(std::max(width, 1), std::max(height, 1), 0);
      if (!(flags & SWP_NOREDRAW)) InvalidateAll(w, true);
      if (w->style & WS_VISIBLE) InvalidateParentArea(w);
      NoteScreenChanged();
    }
    if (!(flags & SWP_NOZORDER) && w->parent) {
      Window* p = GetWin(w->parent);
      RemoveFrom(p->children, hwnd);
      if (after == HWND_BOTTOM)
        p->children.insert(p->children.begin(), hwnd);
      else
        p->children.push_back(hwnd);
    }
  }
  if (sized) CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
  if (moved) CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(nr.left, nr.top));
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w || !rect) return FALSE;
  SetRect(rect, 0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top);
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ScreenRectOf(w);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w || !pt) return FALSE;
  RECT r = ScreenRectOf(w);
  pt->x += r.left;
  pt->y += r.top;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w || !pt) return FALSE;
  RECT r = ScreenRectOf(w);
  pt->x -= r.left;
  pt->y -= r.top;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count) {
  std::lock_guard lock(UserLock());
  POINT o{0, 0};
  if (Window* f = GetWin(from)) {
    RECT r = ScreenRectOf(f);
    o.x += r.left;
    o.y += r.top;
  }
  if (Window* t = GetWin(to)) {
    RECT r = ScreenRectOf(t);
    o.x -= r.left;
    o.y -= r.top;
  }
  for (UINT i = 0; i < count; ++i) {
    pts[i].x += o.x;
    pts[i].y += o.y;
  }
  return MAKELONG(o.x, o.y);
}

static HWND ChildAt(Window* w, POINT screenPt, bool skipDisabled) {
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = GetWin(*it);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    RECT r = ScreenRectOf(c);
    if (!PtInRect(&r, screenPt)) continue;
    if (skipDisabled && (c->style & WS_DISABLED)) return nullptr;
    HWND deeper = ChildAt(c, screenPt, skipDisabled);
    return deeper ? deeper : c->handle;
  }
  return nullptr;
}

HWND WindowFromPoint(POINT pt) {
  std::lock_guard lock(UserLock());
  auto& t = Table().topLevels;
  for (auto it = t.rbegin(); it != t.rend(); ++it) {
    Window* w = GetWin(*it);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (!PtInRect(&w->rect, pt)) continue;
    HWND c = ChildAt(w, pt, false);
    return c ? c : w->handle;
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(parent);
  if (!w) return nullptr;
  RECT pr = ScreenRectOf(w);
  POINT s{pt.x + pr.left, pt.y + pr.top};
  if (!PtInRect(&pr, s)) return nullptr;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = GetWin(*it);
    if (!c) continue;
    RECT r = ScreenRectOf(c);
    if (PtInRect(&r, s)) return c->handle;
  }
  return parent;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) { return (BOOL)SendMessageW(hwnd, WM_SETTEXT, 0, (LPARAM)(text ? text : u"")); }

int GetWindowTextW(HWND hwnd, LPWSTR text, int size) {
  if (!text || size <= 0) return 0;
  text[0] = 0;
  return (int)SendMessageW(hwnd, WM_GETTEXT, size, (LPARAM)text);
}

int GetWindowTextLengthW(HWND hwnd) { return (int)SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0); }

HWND GetParent(HWND hwnd) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) return nullptr;
  return w->parent ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND parent) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(child);
  Window* p = GetWin(parent);
  if (!w || !p || !w->parent) return nullptr;
  HWND old = w->parent;
  RemoveFrom(GetWin(old)->children, child);
  w->parent = parent;
  p->children.push_back(child);
  InvalidateAll(w, true);
  return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.back();
  if (cmd == GW_OWNER) return w->owner;
  // Siblings in order from the top, as the device lists them.
  std::vector<HWND> sib = w->parent ? GetWin(w->parent)->children : Table().topLevels;
  std::reverse(sib.begin(), sib.end());
  auto it = std::find(sib.begin(), sib.end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST: return sib.front();
    case GW_HWNDLAST: return sib.back();
    case GW_HWNDNEXT: return it + 1 < sib.end() ? *(it + 1) : nullptr;
    case GW_HWNDPREV: return it > sib.begin() ? *(it - 1) : nullptr;
  }
  return nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children)
    if (GetWin(c)->id == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  return w ? (int)w->id : 0;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard lock(UserLock());
  for (Window* w = GetWin(hwnd); w && w->parent; w = GetWin(w->parent))
    if (w->parent == parent) return TRUE;
  return FALSE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR title) {
  {
    std::lock_guard lock(UserLock());
    for (HWND h : Table().topLevels) {
      Window* w = GetWin(h);
      if (className && !(IS_INTRESOURCE(className) ? FindClass(className) == w->cls : SameName(w->cls->name, className)))
        continue;
      if (title && w->text != title) continue;
      return h;
    }
  }
  return RemoteFindWindow(className, title);
}

BOOL SetForegroundWindow(HWND hwnd) {
  // The lowest bit asks for the owned windows too; they always come along here.
  hwnd = (HWND)((uintptr_t)hwnd & ~(uintptr_t)1);
  int pid = 0;
  uint64_t remote = 0;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetAnyWin(hwnd);
    if (!w) return FALSE;
    if (w->remote) pid = w->remotePid, remote = w->remoteHandle;
  }
  // Not under the lock: the other process may be calling this one meanwhile.
  if (pid) return RemoteForeground(pid, remote);
  SetForegroundInternal(hwnd, WA_ACTIVE);
  DisplayRaise();
  return TRUE;
}

HWND GetForegroundWindow(void) {
  std::lock_guard lock(UserLock());
  return Table().foreground;
}

HWND GetActiveWindow(void) { return GetForegroundWindow(); }

HWND SetActiveWindow(HWND hwnd) {
  HWND old = GetForegroundWindow();
  SetForegroundInternal(hwnd, WA_ACTIVE);
  return old;
}

HWND SetFocus(HWND hwnd) {
  HWND old;
  {
    std::lock_guard lock(UserLock());
    if (hwnd && !GetWin(hwnd)) return nullptr;
    old = Table().focus;
    if (old == hwnd) return old;
    Table().focus = hwnd;
  }
  if (old && IsWindow(old)) CallProc(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
  if (hwnd) CallProc(hwnd, WM_SETFOCUS, (WPARAM)old, 0);
  return old;
}

HWND GetFocus(void) {
  std::lock_guard lock(UserLock());
  return Table().focus;
}

LONG_PTR GetWindowLongW(HWND hwnd, int index) {
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_WNDPROC: return (LONG_PTR)w->proc;
    case GWL_HINSTANCE: return (LONG_PTR)w->instance;
    case GWL_HWNDPARENT: return (LONG_PTR)(w->parent ? w->parent : w->owner);
    case GWL_ID: return w->id;
    case GWL_STYLE: return (LONG)w->style;
    case GWL_EXSTYLE: return (LONG)w->exStyle;
    case GWL_USERDATA: return w->userData;
  }
  auto it = w->extra.find(index);
  if (it == w->extra.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return it->second;
}

LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    STYLESTRUCT change{};
    {
      std::lock_guard lock(UserLock());
      Window* w = GetWin(hwnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
      }
      DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
      change.styleOld = field;
      change.styleNew = field = (DWORD)value;
      if (index == GWL_STYLE) NoteScreenChanged();
    }
    // Controls that draw by their style (tabs at the bottom, say) follow a change at once.
    if (change.styleOld != change.styleNew) SendMessageW(hwnd, WM_STYLECHANGED, (WPARAM)index, (LPARAM)&change);
    return (LONG)change.styleOld;
  }
  std::lock_guard lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWL_WNDPROC: old = (LONG_PTR)w->proc, w->proc = (WNDPROC)value; return old;
    case GWL_ID: old = w->id, w->id = value; return old;
    case GWL_USERDATA: old = w->userData, w->userData = value; return old;
  }
  auto it = w->extra.find(index);
  if (it == w->extra.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  old = it->second;
  it->second = value;
  return old;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  std::lock_guard lock(UserLock());
  Window* w = GetAnyWin(hwnd);
  if (!w) return 0;
  if (processId) *processId = w->remote ? (DWORD)w->remotePid : (DWORD)getpid();
  return w->remote ? 0 : w->queue->threadId;
}
