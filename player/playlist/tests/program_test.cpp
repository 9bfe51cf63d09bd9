// The playlist pane in the running player, driven through the device socket:
// a private device folder with generated MP3s and a Default.PLT.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "lxdevice.h"
#include "shell/settings.h"
#include "testing/playertest.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The small layout's pane starts at screen y 26 + 190; its list at (44, 5).
constexpr int kListLeft = 44, kListTop = 26 + 190 + 5;

class PlaylistProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lumtrax-plprogram-XXXXXX";
    home_ = mkdtemp(pattern);
    fs::create_directories(home_ + "/run");
    fs::create_directories(home_ + "/My Documents");
    fs::create_directories(home_ + "/music");
    setenv("LUMTRAX_HOME", home_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home_ + "/run").c_str(), 1);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExW(key, u"No Display Welcome", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    RegCloseKey(key);
    std::vector<std::u16string> paths;
    for (int i = 0; i < 3; i++) {
      std::string host = home_ + "/music/t" + std::to_string(i) + ".mp3";
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
  void TearDown() override {
    for (pid_t pid : started_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(home_);
  }
  std::string DefaultFile() { return home_ + "/My Documents/Default.PLT"; }
  pid_t Start() {
    std::vector<std::string> all = {BinFolder() + "/lumtrax", "--headless", "--audio", "null"};
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    started_.push_back(pid);
    return pid;
  }
  void Kill(pid_t pid, int signal) {
    kill(pid, signal);
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (waitpid(pid, nullptr, WNOHANG) == 0 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::erase(started_, pid);
  }
  std::string Call(pid_t pid, const std::string& request) {
    std::string reply;
    LxDeviceCall(pid, request, reply, 10000);
    return reply;
  }
  bool WaitUp(pid_t pid) {
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      if (Call(pid, "idle 2000") == "ok 1\n") return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  DWORD Pixel(pid_t pid, int x, int y) {
    std::string reply = Call(pid, "screenshot");
    size_t at = reply.find('\n') + 1 + 4 * (size_t(y) * 240 + x);
    if (at + 4 > reply.size()) return 0xDEAD;
    return DWORD(BYTE(reply[at])) | DWORD(BYTE(reply[at + 1])) << 8 | DWORD(BYTE(reply[at + 2])) << 16;
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
  std::string home_;
  std::vector<pid_t> started_;
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
