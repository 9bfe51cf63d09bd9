// Stylus routing, capture, double clicks, keys and hot keys.
#include "testwin.h"
#include "windowsx.h"

class InputTest : public WindowTest {};

TEST_F(InputTest, TapGoesToTheChildUnderTheStylusInClientCoordinates) {
  HWND top = Make();
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {10, 100, 110, 150});
  Pump();
  ClearSeen();
  LxInputStylus(WM_LBUTTONDOWN, 30, 26 + 120);
  LxInputStylus(WM_LBUTTONUP, 30, 26 + 120);
  Pump();
  std::lock_guard lock(gSeenLock);
  ASSERT_EQ(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[0].hwnd, child);
  EXPECT_EQ(gSeen[0].msg, (UINT)WM_LBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(gSeen[0].lParam), 20);
  EXPECT_EQ(GET_Y_LPARAM(gSeen[0].lParam), 20);
  EXPECT_EQ(gSeen[0].wParam & MK_LBUTTON, (WPARAM)MK_LBUTTON);
  EXPECT_EQ(gSeen[1].msg, (UINT)WM_LBUTTONUP);
}

TEST_F(InputTest, SecondQuickTapIsADoubleClickOnlyWithCsDblclks) {
  HWND plain = Make(WS_VISIBLE, nullptr, {0, 26, 120, 294});
  HWND dbl = Make(WS_VISIBLE, nullptr, {120, 26, 240, 294}, CS_DBLCLKS);
  Pump();
  ClearSeen();
  for (int i = 0; i < 3; ++i) {
    LxInputStylus(WM_LBUTTONDOWN, 50, 100);
    LxInputStylus(WM_LBUTTONUP, 50, 100);
  }
  for (int i = 0; i < 3; ++i) {
    LxInputStylus(WM_LBUTTONDOWN, 150 + i, 100);
    LxInputStylus(WM_LBUTTONUP, 150 + i, 100);
  }
  Pump();
  std::vector<UINT> p = SeenMessages(plain), d = SeenMessages(dbl);
  EXPECT_EQ(p, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN,
                                  WM_LBUTTONUP}));
  // The third tap starts a new pair.
  EXPECT_EQ(d, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
                                  WM_LBUTTONUP}));
}

TEST_F(InputTest, TapsFarApartOrSlowAreNotDoubleClicks) {
  HWND dbl = Make(WS_VISIBLE, nullptr, {0, 26, 240, 294}, CS_DBLCLKS);
  Pump();
  ClearSeen();
  LxInputStylus(WM_LBUTTONDOWN, 50, 100);
  LxInputStylus(WM_LBUTTONUP, 50, 100);
  LxInputStylus(WM_LBUTTONDOWN, 70, 100);
  LxInputStylus(WM_LBUTTONUP, 70, 100);
  Nap(GetDoubleClickTime() + 50);
  LxInputStylus(WM_LBUTTONDOWN, 70, 100);
  LxInputStylus(WM_LBUTTONUP, 70, 100);
  Pump();
  auto d = SeenMessages(dbl);
  EXPECT_EQ(std::count(d.begin(), d.end(), (UINT)WM_LBUTTONDBLCLK), 0);
}

TEST_F(InputTest, CaptureGetsMovesOutsideWithNegativeCoordinates) {
  HWND top = Make();
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {100, 100, 140, 140});
  Pump();
  ClearSeen();
  LxInputStylus(WM_LBUTTONDOWN, 110, 26 + 110);
  SetCapture(child);
  EXPECT_EQ(GetCapture(), child);
  LxInputStylus(WM_MOUSEMOVE, 5, 30);
  LxInputStylus(WM_LBUTTONUP, 5, 30);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  LxInputStylus(WM_LBUTTONDOWN, 5, 30);
  Pump();
  std::lock_guard lock(gSeenLock);
  ASSERT_EQ(gSeen.size(), 4u);
  EXPECT_EQ(gSeen[1].hwnd, child);
  EXPECT_EQ(gSeen[1].msg, (UINT)WM_MOUSEMOVE);
  EXPECT_EQ(GET_X_LPARAM(gSeen[1].lParam), -95);
  EXPECT_EQ(GET_Y_LPARAM(gSeen[1].lParam), -96);
  EXPECT_EQ(gSeen[2].hwnd, child);
  EXPECT_EQ(gSeen[3].hwnd, top) << "after release the stylus goes where it is";
}

TEST_F(InputTest, DisabledWindowGetsNoTaps) {
  HWND top = Make();
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {0, 0, 50, 50});
  EnableWindow(child, FALSE);
  Pump();
  ClearSeen();
  LxInputStylus(WM_LBUTTONDOWN, 10, 36);
  Pump();
  EXPECT_TRUE(SeenMessages().empty());
}

TEST_F(InputTest, RegisteredButtonArrivesAsHotKeyWithTheWindowsModifier) {
  HWND h = Make();
  Pump();
  ClearSeen();
  ASSERT_TRUE(RegisterHotKey(h, 0x40C1, MOD_WIN, 0xC1));
  EXPECT_FALSE(RegisterHotKey(h, 0x99, MOD_WIN, 0xC1)) << "one owner per key";
  ASSERT_TRUE(RegisterHotKey(h, VK_MEDIA_PLAY_PAUSE, 0, VK_MEDIA_PLAY_PAUSE));
  LxInputKey(0xC1, TRUE);
  LxInputKey(0xC1, FALSE);
  LxInputKey(VK_MEDIA_PLAY_PAUSE, TRUE);
  LxInputKey(VK_MEDIA_PLAY_PAUSE, FALSE);
  Pump();
  {
    std::lock_guard lock(gSeenLock);
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].msg, (UINT)WM_HOTKEY);
    EXPECT_EQ(gSeen[0].wParam, 0x40C1u);
    EXPECT_EQ(LOWORD(gSeen[0].lParam), MOD_WIN);
    EXPECT_EQ(HIWORD(gSeen[0].lParam), 0xC1);
    EXPECT_EQ(gSeen[1].wParam, (WPARAM)VK_MEDIA_PLAY_PAUSE);
  }
  ClearSeen();
  EXPECT_TRUE(UnregisterHotKey(h, 0x40C1));
  EXPECT_FALSE(UnregisterHotKey(h, 0x40C1));
  LxInputKey(0xC1, TRUE);
  LxInputKey(0xC1, FALSE);
  Pump();
  EXPECT_EQ(SeenMessages(h), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
  UnregisterHotKey(h, VK_MEDIA_PLAY_PAUSE);
}

TEST_F(InputTest, HotKeysGoAwayWithTheirWindow) {
  HWND h = Make();
  ASSERT_TRUE(RegisterHotKey(h, 1, 0, VK_UP));
  DestroyWindow(h);
  HWND other = Make();
  EXPECT_TRUE(RegisterHotKey(other, 1, 0, VK_UP));
  UnregisterHotKey(other, 1);
}

TEST_F(InputTest, KeysGoToTheFocusAndReturnBecomesAChar) {
  HWND top = Make();
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {0, 0, 50, 50});
  SetFocus(child);
  Pump();
  ClearSeen();
  LxInputKey(VK_RETURN, TRUE);
  LxInputKey(VK_RETURN, FALSE);
  LxInputChar(u'x');
  Pump();
  EXPECT_EQ(SeenMessages(child), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_CHAR}));
  SetFocus(nullptr);
}

TEST_F(InputTest, UnregisterFunc1IsExportedUnadorned) {
  HMODULE core = LoadLibraryW(u"Coredll.dll");
  ASSERT_NE(core, nullptr);
  EXPECT_NE(GetProcAddressW(core, u"UnregisterFunc1"), nullptr);
  FreeLibrary(core);
}

TEST_F(InputTest, WaitCursorIsShownOnTheScreen) {
  Make();
  std::vector<DWORD> before(240 * 320), after(240 * 320);
  LxScreenshot(before.data());
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  LxScreenshot(after.data());
  SetCursor(old);
  EXPECT_NE(before[160 * 240 + 120 + 12], after[160 * 240 + 120 + 12]);
}
