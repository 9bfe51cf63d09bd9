// The playlist pane in the running player, driven through the device socket:
// a private device folder with generated MP3s and a Default.PLT.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "testing/playerprocess.h"
#include "testing/playertest.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The small layout's pane starts at screen y 26 + 190; its list at (44, 5).
constexpr int kListLeft = 44, kListTop = 26 + 190 + 5;

class PlaylistProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Home() + "/music");
    player_.Seed(u"No Display Welcome", 1);
    std::vector<std::u16string> paths;
    for (int i = 0; i < 3; i++) {
      std::string host = Home() + "/music/t" + std::to_string(i) + ".mp3";
      WriteHostFile(host, MakeMp3(Mp3Spec{}));
      paths.push_back(DevicePath(host));
    }
    paths.push_back(u"\\no-such-mount\\gone.mp3");
    Bytes file;
    for (char16_t c : std::u16string(u"Lumtrax Playlist File 1.1")) file.push_back(c), file.push_back(0);
    file.insert(file.end(), {4, 0, 0, 0});
    for (size_t i = 0; i < paths.size(); i++) {
      Bytes record(524, 0);
      for (size_t u = 0; u < paths[i].size(); u++) record[2 * u] = paths[i][u] & 0xFF, record[2 * u + 1] = paths[i][u] >> 8;
      record[520] = i == 3;  // the missing one is a favourite
      file.insert(file.end(), record.begin(), record.end());
    }
    WriteHostFile(DefaultFile(), file);
  }
  std::string Home() { return player_.Home(); }
  std::string DefaultFile() { return Home() + "/My Documents/Default.PLT"; }
  pid_t Start() { return player_.Start(); }
  void Kill(pid_t pid, int signal) { player_.Kill(signal, pid); }
  std::string Call(pid_t pid, const std::string& request) { return player_.Call(request, pid); }
  bool WaitUp(pid_t pid) { return player_.WaitUp(pid); }
  DWORD Pixel(pid_t pid, int x, int y) {
    std::vector<DWORD> screen = player_.Screen(pid);
    return screen.empty() ? 0xDEAD : screen[size_t(y) * 240 + x];
  }
  // Favourite flags of the records in Default.PLT, waiting up to 5 s for want.
  std::vector<int> Flags(const std::vector<int>& want = {}) {
    std::vector<int> flags;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    do {
      Bytes b = ReadHostFile(DefaultFile());
      flags.clear();
      for (size_t at = 54 + 520; at + 4 <= b.size(); at += 524) flags.push_back(b[at]);
      if (flags == want || want.empty()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < deadline);
    return flags;
  }
  PlayerProcess player_{"plprogram"};
};

TEST_F(PlaylistProgramTest, MarksReachTheDefaultFileAtOnceAndSurviveAKill) {
  pid_t pid = Start();
  ASSERT_TRUE(WaitUp(pid));
  Call(pid, "tap " + std::to_string(kListLeft + 100) + " " + std::to_string(kListTop + 11 + 5));
  ASSERT_TRUE(WaitUp(pid));
  EXPECT_EQ(Pixel(pid, kListLeft - 2 + 140 + 1, kListTop + 11 + 5), 0x666666u) << "row 2 selected";
  Call(pid, "tap " + std::to_string(kListLeft + 2) + " " + std::to_string(kListTop + 5));
  // The missing folder's record stays, after the list, with its mark.
  EXPECT_EQ(Flags({1, 0, 0, 1}), (std::vector<int>{1, 0, 0, 1}));
  Kill(pid, SIGKILL);

  pid = Start();
  ASSERT_TRUE(WaitUp(pid));
  EXPECT_NE(Pixel(pid, kListLeft - 2 + 140 + 1, kListTop + 11 + 5), 0x666666u) << "nothing selected after a start";
  Kill(pid, SIGTERM);
  EXPECT_EQ(Flags(), (std::vector<int>{1, 0, 0, 1})) << "list and marks came back and went out again";
}

}  // namespace
