// What the board shows and does: digits, progress, the text line, commands,
// the buffering indicator across threads, and the bitmaps it is drawn from.
#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include "display/tests/boardtest.h"
#include "shell/power.h"
#include "komp3reader.h"
#include "lxresource.h"

namespace {

const RECT kText = BOARD_TEXT_RECT;

// The board's background with `text` written on the text line as the board
// must write it, compared with the screen.
bool TextLineShows(LPCWSTR text) {
  HDC screen = GetDC(NULL);
  LOGFONTW lf = {};
  GetObjectW(GetCurrentObject(screen, OBJ_FONT), sizeof lf, &lf);
  lf.lfHeight = -13;
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP background = LoadBitmapW(NULL, MAKEINTRESOURCEW(IDB_BOARD));
  HGDIOBJ oldBitmap = SelectObject(dc, background);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  ExtTextOutW(dc, kText.left, kText.top, ETO_CLIPPED, &kText, text, lstrlenW(text), NULL);
  Shot shot;
  bool same = true;
  for (int y = kText.top; y < kText.bottom && same; ++y)
    for (int x = kText.left; x < kText.right && same; ++x) same = (GetPixel(dc, x, y) & 0xFFFFFF) == 
        (((shot.At(x, y) & 0xFF) << 16) | (shot.At(x, y) & 0xFF00) | ((shot.At(x, y) >> 16) & 0xFF));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(background);
  DeleteDC(dc);
  ReleaseDC(NULL, screen);
  return same;
}

// White pixels of the time area but the play-state symbol, as (x, y) pairs.
std::set<std::pair<int, int>> WhiteTimePixels() {
  Shot shot;
  const RECT state = BOARD_STATE_RECT;
  std::set<std::pair<int, int>> white;
  for (int y = 33; y <= 52; ++y)
    for (int x = 8; x <= 86; ++x)
      if (shot.At(x, y) == 0xFFFFFF && !PtInRect(&state, POINT{x, y})) white.insert({x, y});
  return white;
}

std::set<std::pair<int, int>> LitSegments(int x, int y, int digit) {
  static const RECT kSeg[7] = BOARD_LARGE_SEGMENTS;
  static const BYTE kLit[10] = BOARD_DIGIT_SEGMENTS;
  std::set<std::pair<int, int>> out;
  for (int s = 0; s < 7; ++s)
    if (kLit[digit] & (0x40 >> s))
      for (int j = kSeg[s].top; j < kSeg[s].bottom; ++j)
        for (int i = kSeg[s].left; i < kSeg[s].right; ++i) out.insert({x + i, y + j});
  return out;
}

class BoardView : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    info.words[STREAMINFO_SIZE_WORD] = 1000000;
    g_engine.streamInfo = &info;
    g_engine.bitRate = 128000;
  }
  void Progress(LONG position) {
    g_engine.lastPlayedPosition = position;
    SendMessageW(board, UM_PROGRESS, 0, 0);
    lxtest::Pump();
  }
  StreamInfo info = {};
};

TEST_F(BoardView, TimeDigitsLightExactlyTheirSegments) {
  Progress(83 * 16000);
  EXPECT_EQ(g_board.shownSeconds, 83u);
  std::set<std::pair<int, int>> expected;
  for (auto [x, digit] : {std::pair{27, 0}, {41, 1}, {61, 2}, {75, 3}}) expected.merge(LitSegments(x, 34, digit));
  for (int y : {38, 39, 40, 45, 46, 47})
    for (int x : {56, 57}) expected.insert({x, y});
  auto lit = WhiteTimePixels();
  for (auto p : lit) EXPECT_TRUE(expected.count(p)) << "lit but not a segment: " << p.first << "," << p.second;
  for (auto p : expected) EXPECT_TRUE(lit.count(p)) << "segment not lit: " << p.first << "," << p.second;

  Progress(3600 * 16000);
  auto white = WhiteTimePixels();
  for (int y : {34, 35, 36, 38, 39, 40}) EXPECT_TRUE(white.count({17, y})) << "thin hour 1 at row " << y;
  EXPECT_FALSE(white.count({17, 37}));
  EXPECT_FALSE(white.count({17, 41}));

  g_settings.minusTime = 1;
  g_engine.duration = 100;
  Progress(83 * 16000);
  white = WhiteTimePixels();
  for (int y = 42; y <= 44; ++y)
    for (int x = 20; x <= 24; ++x) EXPECT_TRUE(white.count({x, y})) << "minus";
  EXPECT_EQ(g_board.shownSeconds, 17u);
  Progress(200 * 16000);  // past the end: the tag's bytes count as audio
  EXPECT_EQ(g_board.shownSeconds, 0u);
  EXPECT_FALSE(WhiteTimePixels().count({22, 43})) << "no minus before zero";
}

TEST_F(BoardView, ProgressPlacesTheKnobUnlessSeekingOrClosed) {
  Progress(500000);
  EXPECT_EQ(g_board.sliders[BoardPosition].knobRect.left, 109);
  EXPECT_EQ(g_board.sliders[BoardPosition].knobRect.right, 131);
  PlayerFlagsSet(Seeking);
  Progress(0);
  EXPECT_EQ(g_board.sliders[BoardPosition].knobRect.left, 109);
  PlayerFlagsClear(Seeking);
  info.words[STREAMINFO_SIZE_WORD] = 0;
  Progress(1000);
  g_engine.streamInfo = NULL;
  Progress(1000);
  EXPECT_EQ(g_board.sliders[BoardPosition].knobRect.left, 109);
}

// Drawing stops while the board is suspended, the seek does not: a seek from
// the desktop's media controls must finish while another window is active.
TEST_F(BoardView, SeekStepsRunWhileTheBoardIsSuspended) {
  g_power.boardSuspended = 1;
  g_engine.SeekStep = 0;
  PlayerFlagsSet(Seeking);
  SendMessageW(board, WM_TIMER, TIMER_SEEK, 0);
  EXPECT_FALSE(PlayerFlagsTest(Seeking)) << "no title open: the step ended the seek";
  g_power.boardSuspended = 0;
}

TEST_F(BoardView, SeekTextFollowsTheKnob) {
  PlayerFlagsSet(Seeking);
  g_engine.duration = 207;
  OffsetRect(&g_board.sliders[BoardPosition].knobRect, 101, 0);
  InvalidateRect(board, NULL, FALSE);
  lxtest::Pump();
  EXPECT_TRUE(TextLineShows(u"Seek to 01:41 / 03:27 (49%)"));
  g_engine.duration = 3725;
  OffsetRect(&g_board.sliders[BoardPosition].knobRect, 2, 0);
  InvalidateRect(board, NULL, FALSE);
  lxtest::Pump();
  EXPECT_TRUE(TextLineShows(u"Seek to 00:31:02 / 01:02:05 (50%)"));
  PlayerFlagsClear(Seeking);
}

TEST_F(BoardView, OnlyALineWiderThanTheBoardScrollsByTheSpeedsStep) {
  g_engine.state = Playing;
  lstrcpyW(g_engine.boardText, u"A & B");
  g_engine.boardTextWidth = 192 + 30;
  SendMessageW(board, WM_TIMER, TIMER_BOARD_ANIMATION, 0);
  EXPECT_EQ(g_board.scrollPosition, 0u);
  g_engine.boardTextWidth = 193 + 30;
  SendMessageW(board, WM_TIMER, TIMER_BOARD_ANIMATION, 0);
  EXPECT_EQ(g_board.scrollPosition, 2u);
  g_settings.spectrumSpeed = 1;
  BoardStartAnimation();
  SendMessageW(board, WM_TIMER, TIMER_BOARD_ANIMATION, 0);
  EXPECT_EQ(g_board.scrollPosition, 22u);
  g_board.scrollPosition = 0;
  InvalidateRect(board, NULL, FALSE);
  lxtest::Pump();
  EXPECT_TRUE(TextLineShows(u"A & B")) << "no prefix processing";
}

TEST_F(BoardView, EndOfTitleAdvanceShowsWhatThePlaylistAnswered) {
  g_windows.playlist = MakePlaylist(host);
  g_scriptedPlaylist.answer = 1;
  SendMessageW(board, WM_COMMAND, MAKEWPARAM(IDM_STOP, 1), 0);
  lxtest::Pump();
  EXPECT_TRUE(g_board.buttons[BoardPlay].flags & ButtonVisible);
  EXPECT_FALSE(g_board.buttons[BoardPause].flags & ButtonVisible);
  EXPECT_TRUE(TextLineShows(VERSION_TEXT));
  g_scriptedPlaylist.answer = 0;
  SendMessageW(board, WM_COMMAND, MAKEWPARAM(IDM_STOP, 1), 0);
  EXPECT_FALSE(g_board.buttons[BoardPlay].flags & ButtonVisible);
  EXPECT_TRUE(g_board.buttons[BoardPause].flags & ButtonVisible);
}

TEST_F(BoardView, MuteVolumeAndTheSliderMeetTheDeviceWord) {
  DWORD word = 1;
  g_settings.volume = 50;
  SendMessageW(board, WM_COMMAND, IDM_BOARD_MUTE, 0);
  waveOutGetVolume(NULL, &word);
  EXPECT_EQ(word, 0u);
  EXPECT_TRUE(g_board.buttons[BoardSoundOn].flags & ButtonVisible);
  SendMessageW(board, WM_COMMAND, IDM_BOARD_UNMUTE, 0);
  waveOutGetVolume(NULL, &word);
  EXPECT_EQ(word, 0x7FFF7FFFu);
  EXPECT_TRUE(g_board.buttons[BoardSoundOff].flags & ButtonVisible);
  g_settings.volume = 55;
  SendMessageW(board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 1), 0);
  EXPECT_EQ(g_board.sliders[BoardVolume].knobRect.left, 209);
  SendMessageW(board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 0), 0);
  waveOutGetVolume(NULL, &word);
  EXPECT_EQ(word, 0x851E851Eu);
}

TEST_F(BoardView, BufferingIndicatorFromAnotherThread) {
  g_engine.state = Playing;
  std::atomic<bool> done{false};
  std::thread decoder([&] {
    for (int i = 0; i < 2000; ++i) g_boardHooks.SetBufferingIndicator(i % 2 == 0);
    done = true;
  });
  while (!done) lxtest::Pump();
  decoder.join();
  lxtest::Pump();
  EXPECT_FALSE(TextLineShows(u"Buffering"));  // the last call turned it off
  g_boardHooks.SetBufferingIndicator(TRUE);
  lxtest::Pump();
  EXPECT_TRUE(TextLineShows(u"Buffering"));
  g_boardHooks.EnableBufferingIndicator(FALSE);
  g_boardHooks.SetBufferingIndicator(FALSE);
  EXPECT_TRUE(TextLineShows(u"Buffering")) << "a disabled indicator keeps its value";
}

TEST(Artwork, EveryBitmapLoadsAtItsSizeWithFourBits) {
  const int kSizes[][3] = {{102, 240, 90}, {103, 9, 9},    {104, 240, 100}, {108, 22, 11},  {114, 25, 25},
                           {115, 25, 25},  {116, 25, 25},  {117, 25, 25},   {119, 16, 7},   {120, 16, 7},
                           {121, 17, 17},  {122, 6, 13},   {124, 240, 79},  {128, 18, 18},  {130, 18, 18},
                           {136, 18, 18},  {139, 18, 17},  {141, 18, 17},   {145, 18, 17},  {146, 18, 17},
                           {150, 64, 15},  {152, 3, 18},   {156, 200, 150}, {163, 240, 169}, {164, 18, 17},
                           {165, 18, 17},  {166, 18, 17},  {167, 8, 9},     {168, 8, 9}};
  for (auto& s : kSizes) {
    HRSRC r = FindResourceW(NULL, MAKEINTRESOURCEW(s[0]), RT_BITMAP);
    ASSERT_NE(r, nullptr) << s[0];
    // The header follows the 14-byte file header: copied out, as it is not aligned.
    BITMAPINFOHEADER info;
    memcpy(&info, (const BYTE*)LockResource(LoadResource(NULL, r)) + 14, sizeof info);
    EXPECT_EQ(info.biWidth, s[1]) << s[0];
    EXPECT_EQ(info.biHeight, s[2]) << s[0];
    EXPECT_EQ(info.biBitCount, 4) << s[0];
    HBITMAP b = LoadBitmapW(NULL, MAKEINTRESOURCEW(s[0]));
    EXPECT_NE(b, nullptr) << s[0];
    DeleteObject(b);
  }
}

}  // namespace
