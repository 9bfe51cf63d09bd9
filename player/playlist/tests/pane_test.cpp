// The playlist pane on the test's own thread, beside recording main, board
// and equalizer windows; the main window passes commands on as the shell's
// does. Taps go through the device's input path.
#include <lxuser.h>

#include "dialogscript.h"
#include "playlist/playlistedit.h"
#include "playlist/playlistwindow.h"
#include "playlisttest.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

namespace {

std::vector<std::pair<UINT, LPARAM>> g_seen;

LRESULT CALLBACK StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == UM_MENUSTATE || msg == UM_LOADTRACK) {
    g_seen.push_back({msg, lParam});
    return 0;
  }
  if (msg == WM_COMMAND && hwnd == g_windows.main && g_windows.playlist)
    return SendMessageW(g_windows.playlist, msg, wParam, lParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class PaneTest : public PlaylistTest {
 protected:
  void SetUp() override {
    PlaylistTest::SetUp();
    static ATOM registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = StandInProc;
      wc.lpszClassName = u"PaneTestStandIn";
      return RegisterClassW(&wc);
    }();
    ASSERT_NE(registered, 0);
    DeleteFileW(u"\\My Documents\\Default.PLT");
    g_settings.plState = 0;
    g_windows.main = CreateWindowExW(0, u"PaneTestStandIn", u"Lumtrax", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                                     nullptr, nullptr, nullptr, nullptr);
    g_windows.board = CreateWindowExW(0, u"PaneTestStandIn", u"", WS_CHILD, 0, 0, 240, 100, g_windows.main, nullptr,
                                      nullptr, nullptr);
    g_windows.equalizer = CreateWindowExW(0, u"PaneTestStandIn", u"", WS_CHILD | WS_VISIBLE, 0, 100, 240, 90,
                                          g_windows.main, nullptr, nullptr, nullptr);
    pane = PlaylistWindowCreate(g_windows.main);
    ASSERT_NE(pane, nullptr);
    ASSERT_EQ(g_windows.playlist, pane);
    g_seen.clear();
  }
  void TearDown() override {
    DestroyWindow(g_windows.main);
    g_windows = PlayerWindows{};
    PlaylistTest::TearDown();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Pane client coordinates to the screen.
  POINT Screen(int x, int y) {
    POINT p{x, y};
    ClientToScreen(pane, &p);
    return p;
  }
  void Tap(int x, int y, bool twice = false) {
    POINT p = Screen(x, y);
    for (int i = 0; i < (twice ? 2 : 1); i++) {
      LxInputStylus(WM_LBUTTONDOWN, p.x, p.y);
      LxInputStylus(WM_LBUTTONUP, p.x, p.y);
    }
    Pump();
  }
  LRESULT Command(UINT id, UINT code = 0) { return SendMessageW(pane, WM_COMMAND, MAKEWPARAM(id, code), 0); }
  DWORD Pixel(int x, int y) {
    UpdateWindow(pane);
    std::vector<DWORD> screen(240 * 320);
    LxScreenshot(screen.data());
    POINT p = Screen(x, y);
    return screen[p.y * 240 + p.x] & 0xFFFFFF;
  }
  std::vector<LPARAM> Seen(UINT message) {
    std::vector<LPARAM> out;
    for (auto& s : g_seen)
      if (s.first == message) out.push_back(s.second);
    return out;
  }
  void Fill(int n) {
    AddFiles(n);
    PlaylistPlaceThumb();
    Pump();
  }
  HWND pane = nullptr;
};

std::u16string RowText(int k) {
  WCHAR text[300];
  PlaylistRowText(PlaylistEntryAt(k), k, text, 300);
  return text;
}

TEST_F(PaneTest, ScrollingStopsAtBothEndsAndTheThumbFollows) {
  Fill(120);
  EXPECT_EQ(RowText(0), u"001. t0");
  EXPECT_EQ(RowText(119), u"120. t119");
  g_playlist.count = 99;
  EXPECT_EQ(RowText(0), u"01. t0") << "two digits below 100 entries";
  g_playlist.count = 120;
  const RECT home = g_playlistView.thumbHome;
  Command(IDM_PL_SCROLL_DOWN, 1);
  EXPECT_EQ(g_playlistView.firstRow, 1) << "code 1 moves one row";
  for (int i = 0; i < 200; i++) Command(IDM_PL_SCROLL_DOWN, 1);
  EXPECT_EQ(g_playlistView.firstRow, 115) << "the last entry, 120., on the bottom row";
  EXPECT_EQ(g_playlistView.thumb.top, home.top + 27);
  EXPECT_FALSE(g_playlistPane.buttons[8].flags & ButtonPressed);

  // Posted with code 0 but no stylus held: one step, no wait for a release.
  DWORD start = GetTickCount();
  Command(IDM_PL_SCROLL_UP, 0);
  EXPECT_EQ(g_playlistView.firstRow, 114);
  EXPECT_LT(GetTickCount() - start, 400u);
  for (int i = 0; i < 200; i++) Command(IDM_PL_SCROLL_UP, 1);
  EXPECT_EQ(g_playlistView.firstRow, 0);
  EXPECT_EQ(g_playlistView.thumb.top, home.top);

  // Thumb dragged to the bottom of its travel, then a tap on the track.
  POINT from = Screen(231, home.top + 5), to = Screen(231, home.top + 5 + 27);
  LxInputStylus(WM_LBUTTONDOWN, from.x, from.y);
  LxInputStylus(WM_MOUSEMOVE, to.x, to.y);
  LxInputStylus(WM_LBUTTONUP, to.x, to.y);
  Pump();
  EXPECT_EQ(g_playlistView.firstRow, 115);
  Tap(231, home.top + 13);
  EXPECT_EQ(g_playlistView.firstRow, 115 * 13 / 27);
  EXPECT_EQ(g_playlistView.thumb.top, home.top + 27 * (115 * 13 / 27) / 115);
}

TEST_F(PaneTest, TapsSelectRowsAndMarkFavouritesWhichReachTheDefaultFile) {
  Fill(3);
  const RECT list = PlaylistLayouts[0].list;
  Tap(100, list.top + 4 * 11 + 5);
  EXPECT_EQ(g_navigation.selectedIndex, -1) << "below the last row";
  EXPECT_EQ(Seen(UM_MENUSTATE), std::vector<LPARAM>{0});

  Tap(100, list.top + 11 + 5);
  EXPECT_EQ(g_navigation.selectedIndex, 1);
  EXPECT_EQ(Pixel(list.left - 2 + 140 + 1, list.top + 11 + 5), 0x666666u) << "the selected row is grey";

  Tap(list.left + 2, list.top + 5);
  EXPECT_EQ(g_navigation.selectedIndex, 1) << "the number column does not select";
  EXPECT_TRUE(PlaylistEntryAt(0)->flags & EntryFavourite);
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"1");
  UpdateWindow(pane);
  int white = 0;
  for (int x = list.left; x < list.left + 40; x++) white += Pixel(x, list.top + 5) == 0xFFFFFF;
  EXPECT_GT(white, 0) << "a favourite is written in white";

  // Saved 2 s after the change, without a shutdown.
  std::string file = folder + "/../../My Documents/Default.PLT";
  DWORD deadline = GetTickCount() + 5000;
  SetTimer(g_windows.main, 1, 100, nullptr);  // wakes the wait below
  MSG msg;
  while (!HostFileExists(file) && GetTickCount() < deadline && GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  KillTimer(g_windows.main, 1);
  Bytes saved = ReadHostFile(file);
  ASSERT_EQ(saved.size(), 54u + 3 * 524);
  EXPECT_EQ(saved[54 + 520], 1);

  Tap(list.left + 2, list.top + 5);
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"0");
}

TEST_F(PaneTest, LargeLayoutHidesTheEqualizerAndShowsElevenRows) {
  Fill(20);
  Command(IDM_PL_LARGE);
  RECT r;
  GetWindowRect(pane, &r);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.bottom - r.top, 169);
  EXPECT_EQ(g_playlistView.visibleRows, 11);
  EXPECT_EQ(g_settings.plState, 1u);
  EXPECT_FALSE(IsWindowVisible(g_windows.equalizer));
  Command(IDM_PL_SMALL);
  GetWindowRect(pane, &r);
  EXPECT_EQ(r.top, 190);
  EXPECT_EQ(g_playlistView.visibleRows, 5);
  EXPECT_TRUE(IsWindowVisible(g_windows.equalizer));
}

TEST_F(PaneTest, ClearingAsksFirstButTheMessageDoesNot) {
  Fill(3);
  LxMessageBoxReset(IDCANCEL);
  Command(IDM_PL_CLEAR);
  EXPECT_EQ(g_playlist.count, 3u);
  LxMessageBoxCall call{};
  ASSERT_TRUE(LxMessageBoxGet(0, &call));
  EXPECT_EQ(std::u16string(call.text), u"Wollen Sie zurücksetzen?");
  EXPECT_EQ(std::u16string(call.caption), u"Aneige");
  LxMessageBoxReset(IDOK);
  Command(IDM_PL_CLEAR);
  EXPECT_EQ(g_playlist.count, 0u);
  EXPECT_EQ(std::u16string(g_playlist.totalTimeText), u"00:00:00");
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"0");
  Fill(2);
  LxMessageBoxReset(0);
  SendMessageW(pane, UM_CLEARPLAYLIST, 0, 0);
  EXPECT_EQ(g_playlist.count, 0u);
  EXPECT_EQ(LxMessageBoxCount(), 0);
}

// Counted, so that the cycle's end does not bring the row again.
TEST_F(PaneTest, DoubleTapLoadsTheRowAndCountsIt) {
  Fill(4);
  const RECT list = PlaylistLayouts[0].list;
  Tap(100, list.top + 2 * 11 + 5, true);
  EXPECT_EQ(Seen(UM_LOADTRACK), std::vector<LPARAM>{reinterpret_cast<LPARAM>(PlaylistEntryAt(2))});
  EXPECT_EQ(g_navigation.playedCount, 1u);
  EXPECT_TRUE(PlaylistEntryAt(2)->flags & EntryPlayed);
  EXPECT_EQ(g_navigation.freshStart, 0);
}

TEST_F(PaneTest, SelectionFollowsItsEntryAfterASort) {
  for (const char* name : {"b", "c", "A"}) ASSERT_NE(PlaylistAdd(MakeFile(std::string(name) + ".mp3").c_str()), nullptr);
  g_navigation.selectedIndex = 2;  // "A"
  PlaylistEntry* a = PlaylistEntryAt(2);
  RunScripted([this] { return Command(IDM_PL_EDIT); }, {[](HWND d) {
                                                           Click(d, IDC_EDIT_ASCENDING);
                                                           Click(d, IDOK);
                                                         }});
  EXPECT_EQ(PlaylistEntryAt(0), a);
  EXPECT_EQ(g_navigation.selectedIndex, 0);
}

}  // namespace
