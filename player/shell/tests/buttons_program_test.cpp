// The buttons and the settings sheet in the running player, driven through
// the device socket: a bound button stops the music, a new ring size restarts
// it, and the player ends cleanly when its window closes under the sheet.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "lxdevice.h"
#include "shell/settings.h"
#include "testing/playertest.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class ButtonsProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lumtrax-buttons-XXXXXX";
    home_ = mkdtemp(pattern);
    fs::create_directories(home_ + "/run");
    setenv("LUMTRAX_HOME", home_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home_ + "/run").c_str(), 1);
  }
  void TearDown() override {
    if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    fs::remove_all(home_);
  }
  void Seed(LPCWSTR name, DWORD value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&value, 4);
    RegCloseKey(key);
  }
  bool Start(const std::string& file) {
    std::string program = BinFolder() + "/lumtrax";
    const char* argv[] = {program.c_str(), "--headless", "--audio", "null", file.c_str(), nullptr};
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, (char**)argv, environ) != 0) return false;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      if (Call("idle 2000") == "ok 1\n") return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  std::string Call(const std::string& request) {
    std::string reply;
    LxDeviceCall(pid_, request, reply, 10000);
    return reply;
  }
  void PostMain(UINT message, WPARAM wParam) {
    std::string found = Call("find =Lumtrax ~");
    std::string main = found.size() > 3 ? found.substr(3, found.size() - 4) : "0";
    EXPECT_EQ(Call("post " + main + " " + std::to_string(message) + " " + std::to_string(wParam) + " 0"), "ok 1\n");
    Call("idle 2000");
  }
  // The board's time digits change within the given time.
  bool TimeMoves(int ms) {
    auto digits = [this] {
      std::string shot = Call("screenshot");
      size_t eol = shot.find('\n');
      std::string out;
      for (int y = 56; y < 84 && eol != std::string::npos && shot.size() > eol + (y * 240 + 100) * 4; y++)
        out += shot.substr(eol + 1 + (y * 240 + 24) * 4, 76 * 4);
      return out;
    };
    std::string before = digits();
    for (auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (digits() != before) return true;
    }
    return false;
  }
  int WaitExit() {
    int status = 0;
    for (auto end = Clock::now() + std::chrono::seconds(10); waitpid(pid_, &status, WNOHANG) == 0;) {
      if (Clock::now() > end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string home_;
  pid_t pid_ = 0;
};

TEST_F(ButtonsProgramTest, BoundButtonStopsNewRingRestartsAndClosingUnderTheSheetEndsCleanly) {
  Seed(u"No Display Welcome", 1);
  Seed(u"VKButton1", 6);  // F1: "Stopp"
  const char* source = std::getenv("LUMTRAX_SOURCE");
  ASSERT_TRUE(Start(std::string(source ? source : ".") + "/player/resources/demo/demo.mp3"));
  ASSERT_TRUE(TimeMoves(5000)) << "the demo plays";
  EXPECT_EQ(Call("key 193"), "ok\n");  // F1
  Call("idle 2000");
  EXPECT_FALSE(TimeMoves(1500)) << "F1 stopped it";

  EXPECT_EQ(Call("key 179"), "ok\n");  // the media key's Wiedergabe/Pause
  Call("idle 2000");
  ASSERT_TRUE(TimeMoves(5000));

  // A bigger ring while playing: asked, stopped, re-allocated, playing again.
  PostMain(WM_COMMAND, 40039);  // "Konfigurieren"
  Call("tap 145 283");          // "Puffer"
  Call("drag 40 77 210 77");    // the ring slider to 300
  Call("tap 40 248");           // "Ok"
  Call("idle 2000");
  EXPECT_NE(Call("windows").find(" =Dialog =Anzeige "), std::string::npos) << "Wollen Sie wieder beginnen?";
  EXPECT_EQ(Call("key 13"), "ok\n");
  Call("idle 2000");
  EXPECT_TRUE(TimeMoves(5000)) << "playing again on the new ring";

  PostMain(WM_COMMAND, 40039);
  EXPECT_NE(Call("windows").find(" =Dialog =Konfigurieren "), std::string::npos);
  PostMain(WM_CLOSE, 0);
  EXPECT_EQ(WaitExit(), 0);
  HKEY key;
  DWORD value = 0, size = 4;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, 0, &key), ERROR_SUCCESS);
  RegQueryValueExW(key, u"AudioBuffer", nullptr, nullptr, (BYTE*)&value, &size);
  RegCloseKey(key);
  EXPECT_EQ(value, 300u);
}

}  // namespace
