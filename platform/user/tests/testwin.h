// A recording window class for the window manager's tests.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"

inline void Nap(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::mutex gSeenLock;
inline std::vector<Seen> gSeen;

// Messages the tests do not look at.
inline bool Boring(UINT m) {
  return m == WM_SIZE || m == WM_MOVE || m == WM_SHOWWINDOW || m == WM_SETTEXT || m == WM_GETTEXT ||
         m == WM_GETTEXTLENGTH || m == WM_ERASEBKGND || m == WM_ACTIVATE || m == WM_CAPTURECHANGED || m == WM_NCDESTROY;
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (!Boring(m)) {
    std::lock_guard lock(gSeenLock);
    gSeen.push_back({h, m, w, l});
  }
  if (m == WM_USER + 50) return (LRESULT)(w + l);
  return DefWindowProcW(h, m, w, l);
}

inline const WCHAR* RecordingClass(UINT style = 0) {
  static bool done[2];
  const WCHAR* name = style & CS_DBLCLKS ? u"LxTestRecordDbl" : u"LxTestRecord";
  if (!done[style & CS_DBLCLKS ? 1 : 0]) {
    WNDCLASSW wc{};
    wc.style = style;
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = 8;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
    done[style & CS_DBLCLKS ? 1 : 0] = true;
  }
  return name;
}

using lxtest::Pump;

inline std::vector<UINT> SeenMessages(HWND h = nullptr) {
  std::lock_guard lock(gSeenLock);
  std::vector<UINT> out;
  for (auto& s : gSeen)
    if (!h || s.hwnd == h) out.push_back(s.msg);
  return out;
}

inline void ClearSeen() {
  std::lock_guard lock(gSeenLock);
  gSeen.clear();
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pump();
    ClearSeen();
  }
  void TearDown() override {
    for (HWND h : made_)
      if (IsWindow(h)) DestroyWindow(h);
    Pump();
    ClearSeen();
  }
  HWND Make(DWORD style = WS_VISIBLE, HWND parent = nullptr, RECT r = {0, 26, 240, 294}, UINT clsStyle = 0) {
    HWND h = CreateWindowExW(0, RecordingClass(clsStyle), u"Test", style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    made_.push_back(h);
    return h;
  }
  std::vector<HWND> made_;
};
