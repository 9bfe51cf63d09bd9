// The toolkit's protocols as the board uses them, and the held scroll arrow
// on a pane of its own.
#include <functional>

#include "display/tests/boardtest.h"

namespace {

// Runs `during` while the stylus is held at (x, y), then lifts it at (upX, upY).
std::function<void()> g_during;
POINT g_up;
void CALLBACK WhileHeld(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(hwnd, id);
  g_during();
  if (g_up.x >= 0) LxInputStylus(WM_LBUTTONUP, g_up.x, g_up.y + HOST_TOP);
}

class SkinTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    g_windows.playlist = MakePlaylist(host);
  }
  void Hold(int x, int y, int upX, int upY, std::function<void()> during) {
    g_during = std::move(during);
    g_up = POINT{upX, upY};
    SetTimer(host, 77, 10, WhileHeld);
    LxInputStylus(WM_LBUTTONDOWN, x, y + HOST_TOP);
    quit = -1;
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) quit = (int)m.wParam;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  int quit = -1;
};

bool SameArea(const Shot& a, const Shot& b, RECT r) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (a.At(x, y) != b.At(x, y)) return false;
  return true;
}

const RECT kPrevious = BOARD_PREVIOUS_RECT, kPlay = BOARD_PLAY_RECT, kSpeaker = BOARD_SPEAKER_RECT;

TEST_F(SkinTest, ReleaseOverTheButtonPostsOnceElsewhereRestoresIt) {
  Shot before;
  Hold(190, 70, 190, 70, [] {});
  EXPECT_EQ(g_scriptedPlaylist.commands, 1);
  EXPECT_EQ(g_scriptedPlaylist.last, (UINT)IDM_PREV_TITLE);

  Shot* pressed = nullptr;
  Hold(190, 70, 120, 20, [&] {
    UpdateWindow(board);
    pressed = new Shot;
  });
  lxtest::Pump();
  EXPECT_EQ(g_scriptedPlaylist.commands, 1) << "released outside: no command";
  EXPECT_FALSE(SameArea(before, *pressed, kPrevious)) << "the pressed bitmap shows while held";
  EXPECT_TRUE(SameArea(before, Shot(), kPrevious)) << "the normal look is back";
  delete pressed;

  Tap(220, 70);
  Tap(220, 70);  // quick: a double tap, which counts as a second tap
  EXPECT_EQ(g_scriptedPlaylist.commands, 3);
}

TEST_F(SkinTest, PressedIdZeroShowsTheBackgroundWhilePlayShowsItsBitmap) {
  Shot before, *muteHeld = nullptr, *playHeld = nullptr;
  Hold(179, 41, 120, 20, [&] {
    UpdateWindow(board);
    muteHeld = new Shot;
  });
  Hold(116, 63, 120, 20, [&] {
    UpdateWindow(board);
    playHeld = new Shot;
  });
  EXPECT_TRUE(SameArea(before, *muteHeld, kSpeaker));
  EXPECT_FALSE(SameArea(before, *playHeld, kPlay));
  delete muteHeld;
  delete playHeld;
}

TEST_F(SkinTest, QuitEndsAPressWithoutACommand) {
  Hold(190, 70, -1, -1, [] { PostQuitMessage(3); });  // a quit comes only once the queue is empty
  EXPECT_EQ(quit, 3) << "the quit is handed on";
  LxInputStylus(WM_LBUTTONUP, 190, 70 + HOST_TOP);
  lxtest::Pump();
  EXPECT_EQ(g_scriptedPlaylist.commands, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(g_board.buttons[BoardPrevious].flags & ButtonPressed);
}

TEST_F(SkinTest, BusyDropsTapsButNotTimers) {
  g_engine.state = Playing;
  g_engine.boardTextWidth = 400;
  WaitCursor(TRUE, FALSE);
  Tap(190, 70);
  SendMessageW(board, WM_TIMER, TIMER_BOARD_ANIMATION, 0);
  WaitCursor(FALSE, TRUE);
  EXPECT_EQ(g_scriptedPlaylist.commands, 0);
  EXPECT_EQ(g_board.scrollPosition, 2u);
}

TEST_F(SkinTest, DraggedKnobFollowsRelativeMotionPinnedAtItsLimits) {
  auto at = [](UINT m, int x) { LxInputStylus(m, x, 44 + HOST_TOP); };
  at(WM_LBUTTONDOWN, 192);
  at(WM_MOUSEMOVE, 120);  // outside the accepted range: remembered, not followed
  at(WM_MOUSEMOVE, 232);  // +112 pins the knob at 227
  at(WM_MOUSEMOVE, 222);  // moves back only by the stylus' own 10 pixels
  at(WM_LBUTTONUP, 222);
  lxtest::Pump();
  EXPECT_EQ(g_board.sliders[BoardVolume].knobRect.left, 217);
  EXPECT_EQ(g_board.sliders[BoardVolume].knobRect.right, 224);
  EXPECT_EQ(g_settings.volume, 73u) << "the release applies the value";
}

TEST_F(SkinTest, TrackTapCentresTheKnob) {
  Tap(120, 90);
  EXPECT_EQ(g_board.sliders[BoardPosition].knobRect.left, 109);
  Tap(200, 46);
  DWORD word = 0;
  waveOutGetVolume(NULL, &word);
  EXPECT_EQ(g_board.sliders[BoardVolume].knobRect.left, 197);
  EXPECT_EQ(word, 0x35C235C2u);
}

// A list pane with a held arrow: 20 rows, 5 visible.
LONG g_firstRow, g_rows;
int g_redraws;
UINT g_code;
BOOL g_down;
LONG Rows(void) { return g_rows; }
void Redraw(HWND) { ++g_redraws; }

LRESULT CALLBACK ArrowPaneProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    SkinArrow arrow = {&g_firstRow, Rows, 5, Redraw, NULL, NULL};
    AutoRepeatArrow(hwnd, &arrow, g_down, g_code);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(SkinTest, HeldArrowStepsOnEachRepeatTimerUntilTheListEnds) {
  HWND pane = NULL;
  ASSERT_TRUE(CreateSkinnedWindow(host, ArrowPaneProc, u"ArrowTestPane", &pane, 0, 100, 240, 90, WS_VISIBLE));
  int x = 0;
  auto run = [&](BOOL down, UINT code, LONG first, LONG rows, int ticks) {
    x += 30;  // a tap beside the last one, not a double tap
    g_down = down;
    g_code = code;
    g_firstRow = first;
    g_rows = rows;
    LxInputStylus(WM_LBUTTONDOWN, x, 110 + HOST_TOP);
    for (int i = 0; i < ticks; ++i) PostMessageW(pane, WM_TIMER, TIMER_ARROW_REPEAT, 0);
    LxInputStylus(WM_LBUTTONUP, x, 110 + HOST_TOP);
    lxtest::Pump();
    return g_firstRow;
  };
  EXPECT_EQ(run(TRUE, 0, 0, 20, 3), 4) << "once at once, once per tick";
  EXPECT_EQ(run(TRUE, 1, 0, 20, 3), 1) << "code 1 steps exactly once";
  EXPECT_EQ(run(TRUE, 0, 0, 6, 3), 1) << "stops at the end of the list";
  EXPECT_EQ(run(FALSE, 0, 3, 20, 5), 0) << "up stops at the top";
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyWindow(pane);
}

}  // namespace
