// The composed device screen: windows, the task bar, painting through WM_PAINT.
#include <gtest/gtest.h>

#include <vector>

#include "lxdrive.h"
#include "lxprogram.h"
#include "lxresource.h"
#include "lxuser.h"
#include "windows.h"

namespace {

LRESULT CALLBACK PaintRed(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{10, 10, 30, 30};
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

void Pump() { lxtest::Pump(); }

}  // namespace

TEST(Screen, WindowsShowAtTheirPlaceBelowTheTaskBar) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PaintRed;
  wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  wc.lpszClassName = u"LxTestScreen";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, u"LxTestScreen", u"Screen test", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  Pump();
  std::vector<DWORD> px(240 * 320);
  LxScreenshot(px.data());
  auto at = [&](int x, int y) { return px[y * 240 + x]; };
  EXPECT_EQ(at(5, 26 + 5), 0x000000u) << "erased with the class brush";
  EXPECT_EQ(at(15, 26 + 15), 0xFF0000u) << "painted in WM_PAINT";
  EXPECT_NE(at(2, 2), 0x000000u) << "the task bar is on top";
  EXPECT_NE(at(120, 310), 0x000000u) << "the menu-bar strip is not the work area";
  ShowWindow(h, SW_HIDE);
  LxScreenshot(px.data());
  EXPECT_NE(at(15, 26 + 15), 0xFF0000u);
  DestroyWindow(h);
}

// A desktop program's screen: no bars, the default window fills it, a
// captioned window wears its title strip above its rectangle. Back to the
// handheld afterwards, as every other test expects.
TEST(Screen, DesktopProfileHasNoBarsAndCaptionStrips) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PaintRed;
  wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  wc.lpszClassName = u"LxTestScreen";
  RegisterClassW(&wc);  // fails harmlessly when the test above made it
  LxSetScreenProfile(LX_SCREEN_DESKTOP);
  int width = 0, height = 0;
  LxGetScreenSize(&width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  HWND plain = CreateWindowExW(0, u"LxTestScreen", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  RECT r{};
  GetWindowRect(plain, &r);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 800);
  EXPECT_EQ(r.bottom, 600);
  DestroyWindow(plain);
  HWND captioned = CreateWindowExW(0, u"LxTestScreen", u"Setup", WS_VISIBLE | WS_POPUP | WS_CAPTION, 100, 100, 200,
                                   100, nullptr, nullptr, nullptr, nullptr);
  Pump();
  std::vector<DWORD> px(800 * 600);
  LxScreenshot(px.data());
  auto at = [&](int x, int y) { return px[y * 800 + x]; };
  EXPECT_EQ(at(400, 2), 0xFFFFFFu) << "no task bar";
  EXPECT_EQ(at(400, 598), 0xFFFFFFu) << "no menu-bar strip";
  EXPECT_EQ(at(190, 85), 0x0A246Au) << "caption strip above the window";
  EXPECT_EQ(at(190, 105), 0x000000u) << "the window itself";
  DestroyWindow(captioned);
  LxSetScreenProfile(LX_SCREEN_HANDHELD);
}

TEST(Screen, TaskBarShowsTheOwnersTitleForATitleLessDialog) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PaintRed;
  wc.lpszClassName = u"LxTestScreen";
  RegisterClassW(&wc);  // may be there already
  HWND owner = CreateWindowExW(0, u"LxTestScreen", u"Equalizer bearbeiten", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(owner);
  Pump();
  std::vector<DWORD> ownerBar(240 * 320), dialogBar(240 * 320);
  LxScreenshot(ownerBar.data());
  LXDLGTEMPLATE t{WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100, nullptr, 0, nullptr, 0, nullptr};
  HWND dlg = CreateDialogIndirectParamW(nullptr, &t, owner, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(dlg, nullptr);
  SetForegroundWindow(dlg);
  Pump();
  LxScreenshot(dialogBar.data());
  ownerBar.resize(240 * 26);
  dialogBar.resize(240 * 26);
  EXPECT_TRUE(ownerBar == dialogBar) << "the task bar reads as with the owner in front";
  DestroyWindow(dlg);
  DestroyWindow(owner);
}
