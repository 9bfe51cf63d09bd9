// The spectrum in the running player: headless with the null device, driven
// and watched through the device socket.
#include <gtest/gtest.h>


#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "lxdevice.h"
#include "shell/settings.h"
#include "testing/playerprocess.h"
#include "testing/playertest.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Call(pid_t pid, const std::string& request) {
  std::string reply;
  LxDeviceCall(pid, request, reply, 10000);
  return reply;
}

// Bar heights of the 32 columns (left box, then right), counted from the
// floor up to the first pixel of the background.
std::vector<int> Bars(pid_t pid, const std::vector<DWORD>& background) {
  std::string shot = Call(pid, "screenshot");
  size_t eol = shot.find('\n');
  std::vector<int> heights;
  if (eol == std::string::npos || shot.size() < eol + 1 + 240 * 320 * 4) return heights;
  const unsigned char* px = reinterpret_cast<const unsigned char*>(shot.data() + eol + 1);
  for (int box = 0; box < 2; box++)
    for (int b = 0; b < 16; b++) {
      int x = (box ? 159 : 79) + 4 * b, h = 0;
      for (; h < 18; h++) {
        int y = 23 - h;
        const unsigned char* p = px + ((126 + y) * 240 + x) * 4;
        DWORD rgb = DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16;
        if (rgb == background[y * 240 + x]) break;
      }
      heights.push_back(h);
    }
  return heights;
}

bool Any(const std::vector<int>& heights, int from, int to) {
  for (int i = from; i < to; i++)
    if (heights[i] > 0) return true;
  return false;
}

class EqualizerProgramTest : public ::testing::Test {
 protected:
  // The pane's background bitmap as 0x00RRGGBB, from the program's resources.
  std::vector<DWORD> Background() {
    std::vector<DWORD> px(240 * 90);
    HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(102));
    EXPECT_NE(bitmap, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < 90; y++)
      for (int x = 0; x < 240; x++) {
        COLORREF c = GetPixel(dc, x, y);
        px[y * 240 + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
      }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return px;
  }
  PlayerProcess player_{"eqprogram"};
};

TEST_F(EqualizerProgramTest, DemoShowsBarsInBothBoxesThatOnlyFallAfterStop) {
  player_.Seed(u"No Display Welcome", 1);
  std::vector<DWORD> background = Background();

  std::string demo = std::string(getenv("LUMTRAX_SOURCE") ? getenv("LUMTRAX_SOURCE") : ".") +
                     "/player/resources/demo/demo.mp3";
  pid_t pid_ = player_.Start({demo});

  auto deadline = Clock::now() + std::chrono::seconds(10);
  std::vector<int> bars;
  while (Clock::now() < deadline) {
    bars = Bars(pid_, background);
    if (bars.size() == 32 && Any(bars, 0, 16) && Any(bars, 16, 32)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(bars.size(), 32u);
  ASSERT_TRUE(Any(bars, 0, 16) && Any(bars, 16, 32)) << "bars in both boxes while the demo plays";

  // Once the loop has gone idle the Stop has been handled.
  ASSERT_TRUE(player_.Command(40044));
  // Levels held just before the Stop show at the next repaint: watch from there.
  std::vector<int> stopped = Bars(pid_, background), last = stopped;
  deadline = Clock::now() + std::chrono::seconds(5);
  while (last == stopped && Any(last, 0, 32) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    last = Bars(pid_, background);
  }
  while (Any(last, 0, 32) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::vector<int> now = Bars(pid_, background);
    for (int i = 0; i < 32; i++) EXPECT_LE(now[i], last[i]) << "column " << i << " grew after Stop";
    last = now;
  }
  EXPECT_FALSE(Any(last, 0, 32)) << "the boxes show the background again";
}

}  // namespace
