// Stylus and keys: routing to windows, capture, double clicks, hot keys, the cursor.
#include <algorithm>
#include <cstdlib>

#include "../gdi/lxgdi.h"
#include "lxdisplay.h"
#include "lxwin.h"

namespace lx {

namespace {

struct HotKey {
  HWND hwnd;
  std::shared_ptr<MsgQueue> queue;  // the registering thread's, for hot keys without a window
  int id;
  UINT modifiers;
  UINT vk;
};

struct InputState {
  HWND capture = nullptr;
  std::vector<HotKey> hotKeys;
  POINT cursor{0, 0};
  bool buttonDown = false;
  // Double clicks: the last press, where and when.
  HWND lastDownWnd = nullptr;
  POINT lastDownPt{};
  DWORD lastDownTime = 0;
  bool lastWasDouble = false;
  bool keys[256] = {};
  HCURSOR cursorShape = nullptr;
};

InputState& In() {
  static InputState s;
  return s;
}

constexpr UINT kDoubleClickMs = 500;
constexpr int kDoubleClickBox = 4;  // the device's SM_CXDOUBLECLK

DWORD Ticks() {
  using namespace std::chrono;
  return (DWORD)duration_cast<milliseconds>(Clock::now().time_since_epoch()).count();
}

void PostTo(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  MSG m{w->handle, msg, wp, lp, Ticks(), In().cursor};
  w->queue->posted.push_back(m);
  WakeQueue(*w->queue);
}

UINT CurrentModifiers() {
  auto& k = In().keys;
  return (k[VK_SHIFT] ? MOD_SHIFT : 0) | (k[VK_CONTROL] ? MOD_CONTROL : 0) | (k[VK_MENU] ? MOD_ALT : 0);
}

int arrowCursorTag, waitCursorTag;

}  // namespace

HCURSOR gArrowCursor = (HCURSOR)&arrowCursorTag;
HCURSOR gWaitCursor = (HCURSOR)&waitCursorTag;

HCURSOR CurrentCursor() {
  std::lock_guard lock(UserLock());
  return In().cursorShape;
}

void ForgetWindowInput(HWND hwnd) {
  auto& s = In();
  if (s.capture == hwnd) s.capture = nullptr;
  if (s.lastDownWnd == hwnd) s.lastDownWnd = nullptr;
  s.hotKeys.erase(std::remove_if(s.hotKeys.begin(), s.hotKeys.end(), [&](auto& h) { return h.hwnd == hwnd; }),
                  s.hotKeys.end());
  if (Window* w = GetWin(hwnd)) {
    auto& t = w->queue->timers;
    t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd; }), t.end());
  }
}

void InputMouse(UINT msg, int x, int y) {
  HWND activate = nullptr;
  {
    std::lock_guard lock(UserLock());
    auto& s = In();
    s.cursor = POINT{x, y};
    if (msg == WM_LBUTTONDOWN) s.buttonDown = true;
    if (msg == WM_LBUTTONUP) s.buttonDown = false;
    HWND target = s.capture;
    if (!target) {
      // Hit test without the lock dance: WindowFromPoint locks recursively.
      target = WindowFromPoint(POINT{x, y});
      if (target && !IsWindowEnabled(target)) return;
    }
    Window* w = GetWin(target);
    if (!w) return;
    RECT sr = ScreenRectOf(w);
    int cx = x - sr.left, cy = y - sr.top;
    UINT m = msg;
    if (msg == WM_LBUTTONDOWN) {
      DWORD now = Ticks();
      bool dbl = (w->cls->wc.style & CS_DBLCLKS) && !s.lastWasDouble && s.lastDownWnd == target &&
                 now - s.lastDownTime <= kDoubleClickMs && std::abs(x - s.lastDownPt.x) <= kDoubleClickBox / 2 &&
                 std::abs(y - s.lastDownPt.y) <= kDoubleClickBox / 2;
      if (dbl) m = WM_LBUTTONDBLCLK;
      s.lastWasDouble = dbl;
      s.lastDownWnd = target;
      s.lastDownPt = POINT{x, y};
      s.lastDownTime = now;
      HWND top = TopLevelOf(target);
      if (top != ForegroundLocked()) activate = top;
    }
    WPARAM keys = (s.buttonDown ? MK_LBUTTON : 0) | (s.keys[VK_SHIFT] ? MK_SHIFT : 0) | (s.keys[VK_CONTROL] ? MK_CONTROL : 0);
    // Coordinates travel as two signed 16-bit halves; captured moves may be negative.
    PostTo(w, m, keys, MAKELPARAM((SHORT)cx, (SHORT)cy));
  }
  if (activate) SetForegroundInternal(activate, WA_CLICKACTIVE);
}

void InputKey(UINT vk, bool down) {
  std::lock_guard lock(UserLock());
  auto& s = In();
  vk &= 0xff;
  bool repeat = down && s.keys[vk];
  s.keys[vk] = down;
  if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) {
    // Modifiers alone still reach the focus as keys.
  } else {
    // The application buttons carry the Windows-key modifier, as on the device.
    UINT mods = CurrentModifiers() | (vk >= 0xC1 && vk <= 0xCF ? MOD_WIN : 0);
    for (auto& h : s.hotKeys) {
      bool wantsUp = h.modifiers & MOD_KEYUP;
      if (h.vk != vk || (h.modifiers & ~MOD_KEYUP) != mods || wantsUp == down) continue;
      if (down && repeat) return;
      LPARAM lp = MAKELPARAM(mods | (down ? 0 : MOD_KEYUP), vk);
      h.queue->posted.push_back(MSG{h.hwnd, WM_HOTKEY, (WPARAM)h.id, lp, Ticks(), s.cursor});
      WakeQueue(*h.queue);
      return;
    }
    for (auto& h : s.hotKeys)
      if (h.vk == vk && (h.modifiers & ~MOD_KEYUP) == mods) return;  // the other half of a hot key
  }
  HWND target = FocusLocked();
  if (!target || TopLevelOf(target) != ForegroundLocked()) target = ForegroundLocked();
  Window* w = GetWin(target);
  if (!w || (w->style & WS_DISABLED)) return;
  LPARAM lp = 1 | (repeat ? (1 << 30) : 0) | (down ? 0 : (3u << 30));
  PostTo(w, down ? WM_KEYDOWN : WM_KEYUP, vk, lp);
}

void InputChar(WCHAR ch) {
  std::lock_guard lock(UserLock());
  HWND target = FocusLocked();
  if (!target || TopLevelOf(target) != ForegroundLocked()) target = ForegroundLocked();
  Window* w = GetWin(target);
  if (!w || (w->style & WS_DISABLED)) return;
  PostTo(w, WM_CHAR, ch, 1);
}

}  // namespace lx

using namespace lx;

HWND SetCapture(HWND hwnd) {
  HWND old;
  {
    std::lock_guard lock(UserLock());
    if (!GetWin(hwnd)) return nullptr;
    old = In().capture;
    In().capture = hwnd;
  }
  if (old && old != hwnd) CallProc(old, WM_CAPTURECHANGED, 0, (LPARAM)hwnd);
  return old;
}

BOOL ReleaseCapture(void) {
  HWND old;
  {
    std::lock_guard lock(UserLock());
    old = In().capture;
    In().capture = nullptr;
  }
  if (old) CallProc(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture(void) {
  std::lock_guard lock(UserLock());
  return In().capture;
}

UINT GetDoubleClickTime(void) { return kDoubleClickMs; }

SHORT GetKeyState(int vk) {
  std::lock_guard lock(UserLock());
  if (vk == VK_LBUTTON) return In().buttonDown ? (SHORT)0x8000 : 0;
  return In().keys[vk & 0xff] ? (SHORT)0x8000 : 0;
}

SHORT GetAsyncKeyState(int vk) { return GetKeyState(vk); }

BOOL GetCursorPos(LPPOINT pt) {
  if (!pt) return FALSE;
  std::lock_guard lock(UserLock());
  *pt = In().cursor;
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old;
  {
    std::lock_guard lock(UserLock());
    old = In().cursorShape;
    In().cursorShape = cursor;
  }
  if (old != cursor) {
    NoteScreenChanged();
    DisplayCursorChanged();
  }
  return old;
}

HCURSOR GetCursor(void) { return CurrentCursor(); }

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR name) {
  if (name == IDC_WAIT) return gWaitCursor;
  return gArrowCursor;
}

int ShowCursor(BOOL show) { return show ? 0 : -1; }

HICON LoadIconW(HINSTANCE, LPCWSTR) {
  static int iconTag;
  return (HICON)&iconTag;
}

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk) {
  std::lock_guard lock(UserLock());
  if (hwnd && !GetWin(hwnd)) return FALSE;
  auto& hk = In().hotKeys;
  for (auto& h : hk) {
    if (h.hwnd == hwnd && h.id == id) {
      h.modifiers = modifiers;
      h.vk = vk;
      return TRUE;
    }
    if (h.vk == vk && h.modifiers == modifiers) {
      SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
      return FALSE;
    }
  }
  hk.push_back(HotKey{hwnd, hwnd ? GetWin(hwnd)->queue : CurrentQueue(), id, modifiers, vk});
  return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) {
  std::lock_guard lock(UserLock());
  auto& hk = In().hotKeys;
  auto it = std::find_if(hk.begin(), hk.end(), [&](auto& h) { return h.hwnd == hwnd && h.id == id; });
  if (it == hk.end()) return FALSE;
  hk.erase(it);
  return TRUE;
}

// The shell here holds no buttons, so there is nothing to take away.
BOOL UnregisterFunc1(UINT, int) { return TRUE; }

BOOL MessageBeep(UINT) { return TRUE; }
