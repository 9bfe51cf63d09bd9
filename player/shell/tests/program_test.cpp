// The player as a program: started headless with its own device folder,
// driven from outside through the device socket as a user would.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <notify.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "lxdevice.h"
#include "playlist/playlist.h"
#include "shell/settings.h"
#include "testing/playerprocess.h"
#include "testing/playertest.h"


namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = player_.Home();
    demo_ = std::string(getenv("LUMTRAX_SOURCE") ? getenv("LUMTRAX_SOURCE") : ".") +
            "/player/resources/demo/demo.mp3";
  }

  pid_t Start(std::vector<std::string> args, const std::string& program = "") {
    return player_.Start(args, "null", program);
  }
  // The exit code, or -1 when the program did not end in time.
  int WaitExit(pid_t pid, int ms = 10000) { return player_.WaitExit(pid, ms); }
  std::string Call(pid_t pid, const std::string& request) { return player_.Call(request, pid); }
  bool WaitUp(pid_t pid) { return player_.WaitUp(pid); }
  std::string MainWindow(pid_t pid) { return player_.MainWindow(pid); }
  void Post(pid_t pid, UINT message, WPARAM wParam) {
    EXPECT_EQ(Call(pid, "post " + MainWindow(pid) + " " + std::to_string(message) + " " + std::to_string(wParam) +
                            " 0"),
              "ok 1\n");
  }
  bool HasWindow(pid_t pid, const std::string& classWord, const std::string& titleWord, bool visible) {
    return player_.HasWindow(classWord, titleWord, visible, pid);
  }
  bool ScreenDark(pid_t pid) {
    std::string reply = Call(pid, "screenshot");
    size_t eol = reply.find('\n');
    if (eol == std::string::npos) return false;
    for (size_t i = eol + 1; i + 4 <= reply.size(); i += 4)
      if (reply[i] || reply[i + 1] || reply[i + 2]) return false;
    return true;
  }
  // Whether the time moves on within the given time.
  bool TimeMoves(pid_t pid, int ms) { return player_.TimeMoves(ms, pid); }
  // The device suspends and wakes; the wake starts "lumtrax WakeUp".
  void SuspendAndWake(pid_t pid) {
    EXPECT_EQ(Call(pid, "suspend").rfind("ok", 0), 0u);
    EXPECT_EQ(Call(pid, "wake").rfind("ok", 0), 0u);
    EXPECT_EQ(WaitExit(Start({"WakeUp"})), 255);
    ASSERT_TRUE(WaitUp(pid));
  }
  std::string Text(const std::string& hostPath) { return player_.Text(hostPath); }
  void Seed(LPCWSTR name, DWORD value) { player_.Seed(name, value); }
  DWORD Stored(LPCWSTR name) { return player_.Stored(name); }
  // Wake-up notifications: {application, arguments} each.
  std::vector<std::pair<std::u16string, std::u16string>> WakeUps() {
    DWORD count = 0;
    CeGetUserNotificationHandles(nullptr, 0, &count);
    std::vector<HANDLE> handles(count);
    if (count) CeGetUserNotificationHandles(handles.data(), count, &count);
    std::vector<std::pair<std::u16string, std::u16string>> found;
    for (HANDLE h : handles) {
      DWORD needed = 0;
      CeGetUserNotification(h, 0, &needed, nullptr);
      std::vector<BYTE> buffer(needed);
      if (!CeGetUserNotification(h, needed, &needed, buffer.data())) continue;
      auto* info = (CE_NOTIFICATION_INFO_HEADER*)buffer.data();
      if (info->pcent->dwEvent != NOTIFICATION_EVENT_WAKEUP) continue;
      found.push_back({info->pcent->lpszApplication, info->pcent->lpszArguments});
    }
    return found;
  }

  PlayerProcess player_{"program"};
  std::string home_, demo_;
};

TEST_F(ProgramTest, SecondStartShowsAHiddenFirstAndEnds) {
  Seed(u"No Display Welcome", 1);
  pid_t first = Start({});
  ASSERT_TRUE(WaitUp(first));
  Post(first, WM_COMMAND, 40049);  // "Minimieren"
  ASSERT_TRUE(WaitUp(first));
  EXPECT_TRUE(HasWindow(first, "=Lumtrax", "=Lumtrax", false));
  EXPECT_TRUE(HasWindow(first, "=menu_worker", "=", false)) << "the menu bar goes with its window";
  EXPECT_EQ(WaitExit(Start({})), 255);
  ASSERT_TRUE(WaitUp(first));
  EXPECT_TRUE(HasWindow(first, "=Lumtrax", "=Lumtrax", true));
  EXPECT_EQ(WaitExit(Start({})), 255);
  EXPECT_TRUE(HasWindow(first, "=Lumtrax", "=Lumtrax", true)) << "a visible first stays";
  kill(first, SIGSTOP);
  auto began = Clock::now();
  EXPECT_EQ(WaitExit(Start({})), 255);
  EXPECT_LT(Clock::now() - began, std::chrono::seconds(10)) << "a stopped first holds nobody";
  kill(first, SIGCONT);
  kill(first, SIGTERM);
  EXPECT_EQ(WaitExit(first), 0);
}

TEST_F(ProgramTest, WakeUpAloneCreatesNothing) {
  Seed(u"No Display Welcome", 1);
  pid_t player = Start({});
  ASSERT_TRUE(WaitUp(player));
  Post(player, WM_COMMAND, 40005);  // "Beenden": a seeded home
  ASSERT_EQ(WaitExit(player), 0);
  std::string registry = Text(home_ + "/registry.txt"), notifications = Text(home_ + "/Notifications.txt");
  EXPECT_EQ(WaitExit(Start({"WakeUp"})), 255);
  EXPECT_TRUE(LxDevicePids().empty());
  EXPECT_EQ(Text(home_ + "/registry.txt"), registry);
  EXPECT_EQ(Text(home_ + "/Notifications.txt"), notifications);
}

TEST_F(ProgramTest, OneWakeUpNotificationAndWakingTurnsTheDisplayOn) {
  Seed(u"No Display Welcome", 1);
  pid_t player = Start({});
  ASSERT_TRUE(WaitUp(player));
  auto wakeUps = WakeUps();
  ASSERT_EQ(wakeUps.size(), 1u);
  std::u16string program = DevicePath(fs::canonical(BinFolder() + "/lumtrax").string());
  EXPECT_EQ(wakeUps[0].first, program);
  EXPECT_EQ(wakeUps[0].second, u"WakeUp");
  EXPECT_NE(Stored(u"WakeUp"), 0u);
  kill(player, SIGKILL);
  WaitExit(player);
  player = Start({});
  ASSERT_TRUE(WaitUp(player));
  EXPECT_EQ(WakeUps().size(), 1u) << "the stored handle is replaced, not added to";
  EXPECT_EQ(Call(player, "suspend").rfind("ok", 0), 0u);
  EXPECT_TRUE(ScreenDark(player));
  std::string command = BinFolder() + "/lumtrax-device";
  command = "'" + command + "' wake --wait";
  FILE* wake = popen(command.c_str(), "r");
  ASSERT_NE(wake, nullptr);
  char line[64] = {};
  fgets(line, sizeof line, wake);
  EXPECT_EQ(pclose(wake), 0);
  EXPECT_STREQ(line, "255\n") << "the wake-started instance hands over and ends";
  ASSERT_TRUE(WaitUp(player));
  EXPECT_FALSE(ScreenDark(player));
}

TEST_F(ProgramTest, WakingResumesPlayingButNotPausedOutput) {
  Seed(u"No Display Welcome", 1);
  pid_t player = Start({demo_});
  ASSERT_TRUE(WaitUp(player));
  ASSERT_TRUE(TimeMoves(player, 5000)) << "the demo plays";
  SuspendAndWake(player);
  EXPECT_TRUE(TimeMoves(player, 5000)) << "buffers come back after waking";
  Post(player, WM_COMMAND, 40045);  // "Pause"
  ASSERT_TRUE(WaitUp(player));
  SuspendAndWake(player);
  EXPECT_FALSE(TimeMoves(player, 1500)) << "a pause stays a pause";
  kill(player, SIGTERM);
  EXPECT_EQ(WaitExit(player), 0);
}

TEST_F(ProgramTest, PlayMediaKeyStartsTheSelectedTitle) {
  Seed(u"No Display Welcome", 1);
  Seed(u"PlayAtOpen", 0);
  pid_t player = Start({demo_});
  ASSERT_TRUE(WaitUp(player));
  EXPECT_EQ(Call(player, "key 179"), "ok\n");  // VK_MEDIA_PLAY_PAUSE
  EXPECT_TRUE(TimeMoves(player, 5000));
  kill(player, SIGTERM);
  EXPECT_EQ(WaitExit(player), 0);
}

TEST_F(ProgramTest, WelcomeComesBeforeTheStartFile) {
  pid_t player = Start({demo_});
  ASSERT_TRUE(WaitUp(player));
  EXPECT_TRUE(HasWindow(player, "=Dialog", "=Lumtrax", true));
  EXPECT_FALSE(HostFileExists(home_ + "/My Documents/Default.PLT"));
  EXPECT_EQ(Call(player, "key 13"), "ok\n");
  ASSERT_TRUE(WaitUp(player));
  EXPECT_FALSE(HasWindow(player, "=Dialog", "=Lumtrax", true));
  Post(player, WM_COMMAND, 40005);
  ASSERT_EQ(WaitExit(player), 0);
  PlaylistInit();
  ASSERT_TRUE(PlaylistLoad(u"\\My Documents\\Default.PLT", 1));
  ASSERT_EQ(g_playlist.count, 1u);
  EXPECT_EQ(std::u16string(PlaylistEntryAt(0)->path), DevicePath(fs::canonical(demo_).string()));
  PlaylistDestroy();
}

TEST_F(ProgramTest, ClosedDuringTheWelcomeStartsNothing) {
  pid_t player = Start({demo_});
  ASSERT_TRUE(WaitUp(player));
  ASSERT_TRUE(HasWindow(player, "=Dialog", "=Lumtrax", true));
  kill(player, SIGTERM);
  EXPECT_EQ(WaitExit(player), 0);
  EXPECT_EQ(Text(home_ + "/stderr.txt").find("[Fehler]"), std::string::npos) << "no start file step without a list";
}

TEST_F(ProgramTest, InvalidStartFileLeavesTheDefaultPlaylist) {
  Seed(u"No Display Welcome", 1);
  PlaylistInit();
  std::u16string demo = DevicePath(fs::canonical(demo_).string());
  ASSERT_NE(PlaylistAdd(demo.c_str()), nullptr);
  ASSERT_TRUE(PlaylistSave(u"\\My Documents\\Default.PLT"));
  PlaylistDestroy();
  std::string saved = Text(home_ + "/My Documents/Default.PLT");
  WriteHostFile(home_ + "/typo.mp3", Bytes(100, 'x'));
  pid_t player = Start({home_ + "/typo.mp3"});
  ASSERT_TRUE(WaitUp(player));
  EXPECT_TRUE(HasWindow(player, "=Dialog", "=Fehler", true));
  Call(player, "key 13");
  kill(player, SIGTERM);
  ASSERT_EQ(WaitExit(player), 0);
  EXPECT_EQ(Text(home_ + "/My Documents/Default.PLT"), saved);
}

TEST_F(ProgramTest, ExitAndSigtermKeepSettingsAndClearTheWakeUp) {
  for (bool signal : {false, true}) {
    Seed(u"No Display Welcome", 1);
    Seed(u"Shuffle", 1);
    Seed(u"AudioBuffer", 100);
    pid_t player = Start({});
    ASSERT_TRUE(WaitUp(player));
    if (signal)
      kill(player, SIGTERM);
    else
      Post(player, WM_COMMAND, 40005);
    EXPECT_EQ(WaitExit(player), 0) << (signal ? "SIGTERM" : "Beenden");
    EXPECT_EQ(Stored(u"Shuffle"), 1u);
    EXPECT_EQ(Stored(u"AudioBuffer"), 100u);
    EXPECT_EQ(Stored(u"WakeUp"), 0u);
    EXPECT_TRUE(WakeUps().empty());
    EXPECT_TRUE(HostFileExists(home_ + "/My Documents/Default.PLT"));
  }
}

TEST_F(ProgramTest, MissingReaderLibraryEndsWith16AndLeavesTheRegistry) {
  Seed(u"Shuffle", 1);
  std::string registry = Text(home_ + "/registry.txt");
  std::string folder = home_ + "/bin";
  fs::create_directories(folder);
  for (const char* file : {"lumtrax", "libcoredll.so", "libkomp3dec.so"})
    fs::copy_file(BinFolder() + "/" + file, folder + "/" + file);
  EXPECT_EQ(WaitExit(Start({}, folder + "/lumtrax")), 16);
  EXPECT_EQ(Text(home_ + "/registry.txt"), registry);
}

}  // namespace
