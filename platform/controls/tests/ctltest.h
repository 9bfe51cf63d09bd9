// A parent window that records what its controls tell it.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "commctrl.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

struct Told {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  int notifyCode;  // WM_NOTIFY: the code, with the up-down's delta below
  int delta;
};

inline std::vector<Told> gTold;
inline int gRefuseDelta = 0;

inline LRESULT CALLBACK RecordingParent(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND || m == WM_HSCROLL || m == WM_VSCROLL) gTold.push_back({m, w, l, 0, 0});
  if (m == WM_NOTIFY) {
    auto* hdr = (NMHDR*)l;
    int delta = hdr->code == UDN_DELTAPOS ? ((NMUPDOWN*)l)->iDelta : 0;
    gTold.push_back({m, w, l, (int)hdr->code, delta});
    if (hdr->code == UDN_DELTAPOS) return gRefuseDelta;
  }
  return DefWindowProcW(h, m, w, l);
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = lxtest::ParentWindow(u"LxControlParent", RecordingParent, u"Controls");
    gTold.clear();
    gRefuseDelta = 0;
  }
  void TearDown() override {
    DestroyWindow(parent_);
    Pump();
  }
  HWND Make(LPCWSTR cls, DWORD style, int x, int y, int cx, int cy, int id, LPCWSTR text = u"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent_, (HMENU)(UINT_PTR)id,
                           nullptr, nullptr);
  }
  static void Pump() { lxtest::Pump(); }
  // A tap in screen coordinates, delivered at once.
  static void Tap(int x, int y, bool twice = false) { lxtest::TapAndPump(x, y, twice); }
  int CountCommand(int id, int code) const {
    int n = 0;
    for (auto& t : gTold)
      if (t.msg == WM_COMMAND && LOWORD(t.wParam) == id && HIWORD(t.wParam) == code) ++n;
    return n;
  }
  static DWORD Pixel(int x, int y) {
    static DWORD screen[240 * 320];
    LxScreenshot(screen);
    return screen[y * 240 + x] & 0xFFFFFF;
  }
  HWND parent_ = nullptr;
};
