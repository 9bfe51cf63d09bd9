// The playlist's effects on windows, through real test windows: the board
// gets UM_LOADTRACK at once, the main window UM_MENUSTATE through its queue,
// the list's repaint area is invalidated, the full-list box is owned by the
// main window.
#include "playlisttest.h"
#include "shell/playerwindows.h"

namespace {

struct Arrival {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Arrival> g_arrivals;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == UM_LOADTRACK || msg == UM_MENUSTATE) {
    g_arrivals.push_back({hwnd, msg, wParam, lParam});
    // The board loads the track: the engine's path follows.
    if (msg == UM_LOADTRACK)
      lstrcpynW(g_engine.filePath, reinterpret_cast<PlaylistEntry*>(lParam)->path, MAX_PATH);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class PlaylistWindowTest : public PlaylistTest {
 protected:
  void SetUp() override {
    PlaylistTest::SetUp();
    static ATOM registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = RecordingProc;
      wc.lpszClassName = u"PlaylistTestWindow";
      return RegisterClassW(&wc);
    }();
    ASSERT_NE(registered, 0);
    g_windows.main = Make();
    g_windows.board = Make();
    g_windows.playlist = Make();
    g_arrivals.clear();
    LxMessageBoxReset(0);
  }
  void TearDown() override {
    DestroyWindow(g_windows.main);
    DestroyWindow(g_windows.board);
    DestroyWindow(g_windows.playlist);
    g_windows = PlayerWindows{};
    PlaylistTest::TearDown();
  }
  static HWND Make() {
    return CreateWindowExW(0, u"PlaylistTestWindow", u"", WS_POPUP, 0, 0, 240, 80, nullptr, nullptr, nullptr,
                           nullptr);
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  std::vector<Arrival> Arrived(UINT message) {
    std::vector<Arrival> out;
    for (const Arrival& a : g_arrivals)
      if (a.message == message) out.push_back(a);
    return out;
  }
};

TEST_F(PlaylistWindowTest, PlayIndexLoadsOnTheBoardAndPostsMenuState) {
  AddFiles(8);
  PlayIndex(6, 0);
  std::vector<Arrival> loads = Arrived(UM_LOADTRACK);
  ASSERT_EQ(loads.size(), 1u) << "the board is sent the entry before PlayIndex returns";
  EXPECT_EQ(loads[0].window, g_windows.board);
  EXPECT_EQ(loads[0].lParam, reinterpret_cast<LPARAM>(PlaylistEntryAt(6)));
  EXPECT_TRUE(Arrived(UM_MENUSTATE).empty()) << "the menu state is posted, not sent";

  RECT update{};
  EXPECT_TRUE(GetUpdateRect(g_windows.playlist, &update, FALSE)) << "the list and scroll bar are repainted";
  EXPECT_EQ(update.left, 44);
  EXPECT_EQ(update.bottom, 61);

  Pump();
  std::vector<Arrival> menus = Arrived(UM_MENUSTATE);
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].window, g_windows.main);
  EXPECT_EQ(menus[0].lParam, 1);

  PlayIndex(2, 1);
  Pump();
  EXPECT_EQ(Arrived(UM_LOADTRACK).size(), 1u) << "select-only loads nothing";
  EXPECT_EQ(Arrived(UM_MENUSTATE).size(), 2u);
}

TEST_F(PlaylistWindowTest, NavigationFollowsWhatTheBoardLoaded) {
  AddFiles(3);
  EXPECT_EQ(NextTitle(1), 0);
  EXPECT_EQ(NextTitle(1), 0);
  EXPECT_EQ(NextTitle(1), 0);
  EXPECT_EQ(NextTitle(1), 1);
  std::vector<Arrival> loads = Arrived(UM_LOADTRACK);
  ASSERT_EQ(loads.size(), 3u);
  for (int i = 0; i < 3; i++) EXPECT_EQ(loads[i].lParam, reinterpret_cast<LPARAM>(PlaylistEntryAt(i)));
  EXPECT_EQ(ShuffleTitle(0), 1);
  EXPECT_EQ(Arrived(UM_LOADTRACK).size(), 3u) << "a finished cycle starts nothing";
}

TEST_F(PlaylistWindowTest, FullListBoxBelongsToTheMainWindow) {
  AddFiles(1);
  std::u16string extra = MakeFile("extra.mp3");
  DWORD real = g_playlist.count;
  g_playlist.count = PLAYLIST_LIMIT;
  EXPECT_EQ(PlaylistAdd(extra.c_str()), nullptr);
  g_playlist.count = real;
  ASSERT_EQ(LxMessageBoxCount(), 1);
  LxMessageBoxCall call{};
  ASSERT_TRUE(LxMessageBoxGet(0, &call));
  EXPECT_EQ(call.owner, g_windows.main);
  EXPECT_EQ(std::u16string(call.text), u"Cannot exceed 999 to playlist!");
  EXPECT_EQ(std::u16string(call.caption), u"Warning");
  EXPECT_EQ(call.type, UINT(MB_OK));
}

}  // namespace
