// The player on a desktop: media controls on a private session bus driven by
// the clients desktops use (playerctl, dbus-send, dbus-monitor), the hand-over
// of a second start's file, the desktop files and an installed player.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "shell/settings.h"
#include "testing/playerprocess.h"
#include "testing/playertest.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool Have(const char* program) {
  return system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command, trailing newline removed.
std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// Polls until the command prints what is wanted; the last answer when it never does.
std::string WaitFor(const std::string& command, const std::string& wanted, int ms = 8000) {
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  std::string got;
  do {
    got = Shell(command);
    if (got == wanted) return got;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (Clock::now() < end);
  return got;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DesktopTest : public ::testing::Test {
 protected:
  // One private session bus for the whole suite.
  static void SetUpTestSuite() {
    if (!Have("dbus-daemon") || !Have("playerctl")) return;
    std::string got = Shell("dbus-daemon --session --fork --print-address=1 --print-pid=1");
    size_t nl = got.find('\n');
    if (nl == std::string::npos) return;
    s_address = got.substr(0, nl);
    s_busPid = atoi(got.c_str() + nl + 1);
  }
  static void TearDownTestSuite() {
    if (s_busPid > 0) kill(s_busPid, SIGTERM);
    s_busPid = 0;
  }

  void SetUp() override {
    home_ = player_.Home();
    fs::create_directories(home_ + "/music");
    setenv("DBUS_SESSION_BUS_ADDRESS", s_address.c_str(), 1);
    player_.Seed(u"No Display Welcome", 1);
    demo_ = std::string(getenv("LUMTRAX_SOURCE")) + "/player/resources/demo/demo.mp3";
  }
  void TearDown() override {
    for (pid_t pid : started_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  bool NeedBus() { return s_busPid > 0; }

  // A copy of the demo whose ID3v1 title is `title`.
  std::string Titled(const char* name, const char* title) {
    Bytes b = ReadHostFile(demo_);
    std::string path = home_ + "/music/" + name;
    for (size_t i = 0; i < 30; i++) b[b.size() - 128 + 3 + i] = i < strlen(title) ? title[i] : 0;
    WriteHostFile(path, b);
    return path;
  }
  void WriteDefaultList(const std::vector<std::string>& hosts) {
    Bytes file;
    for (char16_t c : std::u16string(u"Lumtrax Playlist File 1.1")) file.push_back(c), file.push_back(0);
    file.insert(file.end(), {(unsigned char)hosts.size(), 0, 0, 0});
    for (const std::string& host : hosts) {
      std::u16string path = DevicePath(host);
      Bytes record(524, 0);
      for (size_t u = 0; u < path.size(); u++) record[2 * u] = path[u] & 0xFF, record[2 * u + 1] = path[u] >> 8;
      file.insert(file.end(), record.begin(), record.end());
    }
    WriteHostFile(home_ + "/My Documents/Default.PLT", file);
  }
  // out, err: files for standard output and error; empty keeps the test's.
  pid_t Start(const std::string& program, std::vector<std::string> args, const std::string& err = "",
              const std::string& out = "") {
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!out.empty()) posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!err.empty()) posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    started_.push_back(pid);
    return pid;
  }
  pid_t StartPlayer(std::vector<std::string> args, const std::string& log = "") {
    std::vector<std::string> all = {"--headless", "--audio", "null"};
    all.insert(all.end(), args.begin(), args.end());
    return Start(BinFolder() + "/lumtrax", all, log);
  }
  // The exit code, or -1 when the process did not end in time.
  int WaitExit(pid_t pid, int ms = 10000) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(started_, pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  std::string Registry() { return ReadText(home_ + "/registry.txt"); }

  static inline std::string s_address;
  static inline pid_t s_busPid;
  PlayerProcess player_{"desktop"};
  std::string home_, demo_;
  std::vector<pid_t> started_;
};

const char kCtl[] = "playerctl -p lumtrax ";

TEST_F(DesktopTest, MediaControlsDriveThePlayerAndItsSettings) {
  if (!NeedBus()) GTEST_SKIP() << "dbus-daemon or playerctl missing (tools/deps.sh test)";
  WriteDefaultList({demo_, Titled("two.mp3", "Two"), Titled("three.mp3", "Three")});
  std::string x = Titled("x y.mp3", "X");
  std::string signals = home_ + "/signals.txt";
  Start("/usr/bin/dbus-monitor", {"--session", "type='signal',path='/org/mpris/MediaPlayer2'"}, "", signals);
  std::string metadataSignals = "grep -c '\"Metadata\"' '" + signals + "'";
  pid_t player = StartPlayer({});

  EXPECT_EQ(WaitFor(std::string(kCtl) + "status", "Playing"), "Playing");
  EXPECT_EQ(Shell(std::string(kCtl) + "metadata title"), "Demo");
  EXPECT_EQ(Shell(std::string(kCtl) + "metadata artist"), "Lumtrax");
  EXPECT_EQ(Shell(std::string(kCtl) + "metadata mpris:length"), "32000000");

  Shell(std::string(kCtl) + "play-pause");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "status", "Paused"), "Paused");
  Shell(std::string(kCtl) + "play-pause");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "status", "Playing"), "Playing");

  int before = atoi(Shell(metadataSignals).c_str());
  Shell(std::string(kCtl) + "next");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "metadata title", "Two"), "Two");
  EXPECT_EQ(WaitFor(metadataSignals + " | awk '$1>" + std::to_string(before) + "{print \"seen\"}'", "seen"), "seen")
      << ReadText(signals);

  Shell(std::string(kCtl) + "position 10");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "position | awk '$1>=9 && $1<=11{print \"near\"}'", "near"), "near");
  EXPECT_EQ(WaitFor("grep -c 'member=Seeked' '" + signals + "'", "1"), "1");

  Shell(std::string(kCtl) + "volume 0.5");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "volume", "0.500000"), "0.500000");
  Shell(std::string(kCtl) + "loop None");
  Shell(std::string(kCtl) + "shuffle On");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "loop", "None"), "None");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "shuffle", "On"), "On");

  Shell(std::string(kCtl) + "stop");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "status", "Stopped"), "Stopped");

  Shell(std::string(kCtl) + "open 'file://" + home_ + "/music/x%20y.mp3'");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "metadata title", "X"), "X");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "status", "Playing"), "Playing");

  Shell(
      "dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.lumtrax /org/mpris/MediaPlayer2 "
      "org.mpris.MediaPlayer2.Quit");
  EXPECT_EQ(WaitExit(player), 0);
  std::string registry = Registry();
  EXPECT_NE(registry.find("\"AutoRepeat\"=dword:00000000"), std::string::npos);
  EXPECT_NE(registry.find("\"Shuffle\"=dword:00000001"), std::string::npos);
}

TEST_F(DesktopTest, SecondStartHandsItsFileToTheRunningPlayer) {
  if (!NeedBus()) GTEST_SKIP() << "dbus-daemon or playerctl missing (tools/deps.sh test)";
  std::string two = Titled("zwei ä.mp3", "Two"), bad = home_ + "/music/bad.mp3";
  WriteHostFile(bad, Bytes(3000, 'x'));
  pid_t first = StartPlayer({demo_});
  EXPECT_EQ(WaitFor(std::string(kCtl) + "metadata title", "Demo"), "Demo");

  auto began = Clock::now();
  EXPECT_EQ(WaitExit(StartPlayer({two})), 255);
  EXPECT_LT(Clock::now() - began, std::chrono::seconds(1));
  EXPECT_EQ(WaitFor(std::string(kCtl) + "metadata title", "Two"), "Two");
  EXPECT_EQ(WaitFor(std::string(kCtl) + "status", "Playing"), "Playing");

  EXPECT_EQ(WaitExit(StartPlayer({bad})), 255);
  std::string device = BinFolder() + "/lumtrax-device --pid " + std::to_string(first) + " ";
  EXPECT_EQ(WaitFor(device + "windows | grep -c Fehler", "1"), "1");
  EXPECT_EQ(Shell(std::string(kCtl) + "metadata title"), "Two");  // the list stays
}

TEST_F(DesktopTest, WithoutASessionBusThePlayerPlaysAsBefore) {
  setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);
  std::string log = home_ + "/stderr.txt", wav = home_ + "/out.wav";
  pid_t player = Start(BinFolder() + "/lumtrax", {"--headless", "--audio", "wav:" + wav, demo_}, log);
  EXPECT_EQ(WaitFor("stat -c %s '" + wav + "' | awk '$1>100000{print \"sound\"}'", "sound"), "sound");
  EXPECT_NE(ReadText(log).find("no session bus"), std::string::npos) << ReadText(log);
  kill(player, SIGTERM);
  EXPECT_EQ(WaitExit(player), 0);
}

TEST_F(DesktopTest, DesktopFilesValidateAndTheInstalledPlayerPlays) {
  if (!Have("desktop-file-validate") || !Have("appstreamcli")) GTEST_SKIP() << "tools/deps.sh test";
  std::string share = std::string(getenv("LUMTRAX_SOURCE")) + "/player/desktop/share/";
  EXPECT_EQ(system(("desktop-file-validate '" + share + "lumtrax.desktop'").c_str()), 0);
  EXPECT_EQ(
      system(("appstreamcli validate --no-net '" + share + "org.oakhaven.Lumtrax.metainfo.xml' >/dev/null").c_str()),
      0);

  std::string prefix = home_ + "/prefix";
  std::string build = fs::path(BinFolder()).parent_path();
  ASSERT_EQ(system(("cmake --install '" + build + "' --prefix '" + prefix + "' >/dev/null").c_str()), 0);
  for (const char* f :
       {"bin/lumtrax", "bin/lumtrax-decode", "lib/lumtrax/libkomp3dec.so", "share/applications/lumtrax.desktop",
        "share/icons/hicolor/256x256/apps/lumtrax.png", "share/man/man1/lumtrax.1"})
    EXPECT_TRUE(fs::exists(prefix + "/" + f)) << f;
  setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);
  std::string wav = home_ + "/installed.wav";
  pid_t player =
      Start(prefix + "/bin/lumtrax", {"--headless", "--audio", "wav:" + wav, prefix + "/share/doc/lumtrax/demo.mp3"},
            home_ + "/stderr.txt");
  EXPECT_EQ(WaitFor("stat -c %s '" + wav + "' | awk '$1>100000{print \"sound\"}'", "sound"), "sound");
  kill(player, SIGTERM);
  EXPECT_EQ(WaitExit(player), 0);
}

}  // namespace
