// What the tests share besides driving input (lxdrive.h): temporary and
// data folders (lxfolders.h), a data folder per test, plain parent windows.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "lxfolders.h"
#include "windows.h"

namespace lxtest {

// Every test on a data folder of its own, so none sees another's registry or
// files.
class TempHome : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.Path().empty());
    home = folder_.Path();
    UseHome(home);
  }
  TempFolder folder_{"lxhome"};
  std::string home;
};

// The work area: below the 26-pixel top bar, above the 26-pixel menu bar.
constexpr RECT kWorkArea = {0, 26, 240, 294};

// A top-level window of class `name` (registered on first use, with `proc` and
// a white background) over `area`, brought to the front so that taps and keys
// reach it.
inline HWND ParentWindow(LPCWSTR name, WNDPROC proc = DefWindowProcW, LPCWSTR title = u"",
                         DWORD style = WS_VISIBLE, RECT area = kWorkArea) {
  WNDCLASSW wc{};
  if (!GetClassInfoW(nullptr, name, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
  }
  HWND h = CreateWindowExW(0, name, title, style, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, nullptr, nullptr, nullptr, nullptr);
  if (h && (style & WS_VISIBLE)) SetForegroundWindow(h);
  return h;
}

}  // namespace lxtest
