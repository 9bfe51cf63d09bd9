// The board in the running player: started headless with its own device
// folder and a playlist of three tagged demo copies, driven through the
// device socket, read back from screenshots.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "display/boardlayout.h"
#include "lxdevice.h"
#include "playlist/playlist.h"
#include "shell/settings.h"
#include "testing/playerprocess.h"
#include "testing/playertest.h"

namespace {

using Clock = std::chrono::steady_clock;
using Pixels = std::vector<uint32_t>;

const int kTop = 26;  // the board's top on the screen

// A bitmap of the player's resources as 0xRRGGBB pixels.
Pixels BitmapPixels(int id, int w, int h) {
  HDC dc = CreateCompatibleDC(NULL);
  HBITMAP b = LoadBitmapW(NULL, MAKEINTRESOURCEW(id));
  HGDIOBJ old = SelectObject(dc, b);
  Pixels px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      px.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
  SelectObject(dc, old);
  DeleteObject(b);
  DeleteDC(dc);
  return px;
}

class BoardProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = player_.Home();
    Seed(u"No Display Welcome", 1);
    Seed(u"PlayAtOpen", 0);
    // Three copies of the demo, told apart by their tags' titles.
    std::string demo = std::string(getenv("LUMTRAX_SOURCE") ? getenv("LUMTRAX_SOURCE") : ".") +
                       "/player/resources/demo/demo.mp3";
    Bytes bytes = ReadHostFile(demo);
    ASSERT_GT(bytes.size(), 128u);
    PlaylistInit();
    for (const char* title : {"One", "Two", "Three"}) {
      Bytes copy = bytes;
      std::fill_n(copy.end() - 125, 30, ' ');
      std::copy_n(title, strlen(title), copy.end() - 125);
      std::string path = home_ + "/" + title + ".mp3";
      WriteHostFile(path, copy);
      ASSERT_NE(PlaylistAdd(DevicePath(path).c_str()), nullptr);
    }
    ASSERT_TRUE(PlaylistSave(u"\\My Documents\\Default.PLT"));
    PlaylistDestroy();
  }
  void Seed(LPCWSTR name, DWORD value) { player_.Seed(name, value); }
  DWORD Stored(LPCWSTR name) { return player_.Stored(name); }
  void Start() {
    player_.Start();
    ASSERT_TRUE(player_.WaitUp());
  }
  // Ends the program through "Beenden", so it saves its settings.
  void Exit() {
    Call("post " + player_.MainWindow() + " 273 40005 0");
    ASSERT_NE(player_.WaitExit(), -1);
  }
  std::string Call(const std::string& request) { return player_.Call(request); }
  static bool WaitFor(const std::function<bool()>& done, int ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  // Taps on one spot come 0.5 s apart: quicker, the second is a double tap.
  void Tap(int x, int y) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(Call("tap " + std::to_string(x) + " " + std::to_string(y)).rfind("ok", 0), 0u);
    Call("idle 2000");
  }
  Pixels Shot() {
    std::string reply = Call("screenshot");
    size_t eol = reply.find('\n');
    Pixels px(240 * 320);
    if (eol != std::string::npos && reply.size() >= eol + 1 + px.size() * 4)
      memcpy(px.data(), reply.data() + eol + 1, px.size() * 4);
    return px;
  }
  // Board coordinates.
  static uint32_t At(const Pixels& s, int x, int y) { return s[(y + kTop) * 240 + x] & 0xFFFFFF; }
  static bool Shows(const Pixels& s, const Pixels& bitmap, int w, int h, int left, int top) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (At(s, left + x, top + y) != bitmap[y * w + x]) return false;
    return true;
  }
  static int WhiteIn(const Pixels& s, RECT r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(s, x, y) == 0xFFFFFF;
    return n;
  }
  static Pixels TextLine(const Pixels& s) {
    Pixels line;
    for (int y = 6; y < 23; ++y)
      for (int x = 8; x < 230; ++x) line.push_back(At(s, x, y));
    return line;
  }
  // The time digits read back from their segments; −1 when unreadable.
  static int Seconds(const Pixels& s) {
    static const RECT kSeg[7] = BOARD_LARGE_SEGMENTS;
    static const BYTE kLit[10] = BOARD_DIGIT_SEGMENTS;
    int value = 0;
    for (int x : {27, 41, 61, 75}) {
      BYTE lit = 0;
      for (int k = 0; k < 7; ++k)
        if (At(s, x + (kSeg[k].left + kSeg[k].right) / 2, 34 + (kSeg[k].top + kSeg[k].bottom) / 2) == 0xFFFFFF)
          lit |= 0x40 >> k;
      int digit = -1;
      for (int d = 0; d < 10; ++d)
        if (kLit[d] == lit) digit = d;
      if (digit < 0) return -1;
      value = x == 61 ? value * 6 + digit : value * 10 + digit;
    }
    return value;
  }
  int PositionKnob(const Pixels& s) {
    for (int x = BOARD_POSITION_MIN; x <= BOARD_POSITION_MAX; ++x)
      if (Shows(s, knob_, 22, 11, x, 85)) return x;
    return -1;
  }
  std::string DeviceState() {
    Bytes b = ReadHostFile(home_ + "/DeviceState.txt");
    return std::string(b.begin(), b.end());
  }
  // Selects the first row of the playlist and taps Play.
  void PlayFirst() {
    Tap(100, 226);
    Tap(116, 89);
    ASSERT_TRUE(WaitFor([&] { return Seconds(Shot()) >= 1; }, 10000)) << "the time runs";
  }

  PlayerProcess player_{"board"};
  std::string home_;
  Pixels knob_ = BitmapPixels(IDB_POSITION_KNOB, 22, 11);
};

TEST_F(BoardProgram, TransportButtonsAndWhatTheBoardShows) {
  Start();
  Pixels version = TextLine(Shot());
  PlayFirst();
  Pixels s = Shot();
  EXPECT_TRUE(Shows(s, BitmapPixels(IDB_PAUSE, 25, 25), 25, 25, 104, 51)) << "face 115 while playing";
  EXPECT_GT(WhiteIn(s, BOARD_BITRATE_TEXT_RECT), 0) << "128";
  EXPECT_GT(WhiteIn(s, BOARD_RATE_TEXT_RECT), 0) << "44";
  EXPECT_GT(WhiteIn(s, BOARD_STEREO_TEXT_RECT), 0) << "stereo";
  EXPECT_EQ(WhiteIn(s, BOARD_MONO_TEXT_RECT), 0);
  Pixels first = TextLine(s);
  EXPECT_NE(first, version);

  Tap(116, 89);  // Pause
  int held = Seconds(Shot());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(Seconds(Shot()), held) << "the time holds while paused";
  Tap(116, 89);  // Play again
  EXPECT_TRUE(WaitFor([&] { return Seconds(Shot()) > held; }, 5000));

  Tap(221, 96);  // Next
  EXPECT_TRUE(WaitFor([&] { return TextLine(Shot()) != first; }, 5000)) << "the second title";
  Tap(193, 96);  // Previous
  EXPECT_TRUE(WaitFor([&] { return TextLine(Shot()) == first; }, 5000)) << "the first title again";

  Tap(155, 89);  // Stop
  s = Shot();
  EXPECT_EQ(Seconds(s), 0);
  EXPECT_EQ(TextLine(s), version);
  EXPECT_EQ(PositionKnob(s), BOARD_POSITION_MIN);
}

TEST_F(BoardProgram, DraggingTheKnobSeeks) {
  Start();
  PlayFirst();
  EXPECT_EQ(Call("drag 17 116 120 116").rfind("ok", 0), 0u);
  Call("idle 2000");
  int knob = PositionKnob(Shot());
  EXPECT_GE(knob, 109);
  EXPECT_LE(knob, 116) << "50 %, or a second on (6.4 pixels a second)";
  Tap(116, 89);  // Pause
  int seconds = Seconds(Shot());
  EXPECT_GE(seconds, 16);
  EXPECT_LE(seconds, 17);
}

TEST_F(BoardProgram, VolumeMuteAndRemainingTime) {
  Start();
  PlayFirst();
  Tap(200, 73);
  EXPECT_NE(DeviceState().find("Volume=901920194"), std::string::npos);
  Tap(179, 67);  // the speaker
  EXPECT_NE(DeviceState().find("Volume=0\n"), std::string::npos);
  Tap(50, 70);
  EXPECT_TRUE(WaitFor([&] { return At(Shot(), 22, 43) == 0xFFFFFF; }, 5000)) << "the minus shows";
  Exit();
  EXPECT_EQ(Stored(u"MinusTime"), 1u);
}

TEST_F(BoardProgram, VolumeKeyMovesTheKnob) {
  Seed(u"VKUp", 1);
  Seed(u"EnableVK", 1);
  std::string state = "Volume=" + std::to_string(0x7FFF7FFFu) + "\n";
  WriteHostFile(home_ + "/DeviceState.txt", Bytes(state.begin(), state.end()));
  Start();
  EXPECT_EQ(Call("key 38").rfind("ok", 0), 0u);  // VK_UP
  Call("idle 2000");
  Pixels s = Shot();
  int at = -1;
  for (int x = BOARD_VOLUME_MIN; x <= BOARD_VOLUME_MAX; ++x)
    if (Shows(s, BitmapPixels(IDB_VOLUME_KNOB, 6, 13), 6, 13, x, 38)) at = x;
  EXPECT_EQ(at, 209) << "50 % and one step up: 55 %";
}

}  // namespace
