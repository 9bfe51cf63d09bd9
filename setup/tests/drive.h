// Programs of a device of the test's own, driven as a user would: started
// headless, their windows listed and tapped through lumtrax-device.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lxdevice.h"
#include "lxstring.h"
#include "windows.h"
#include "lxkit.h"

extern char** environ;

namespace lxsetup {

namespace fs = std::filesystem;

inline std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string Bin() { return getenv("LUMTRAX_BIN") ? getenv("LUMTRAX_BIN") : "."; }

struct Shown {
  std::string hwnd, cls, title;
  RECT rect;
  bool visible;
};

// One running program; killed at the end if it is still there.
class Program {
 public:
  ~Program() { Kill(); }
  // Starts it with standard error in a file (the platform echoes message
  // boxes there) and waits for its device socket.
  void Start(std::vector<std::string> args, const std::string& errors) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
  }
  // Adopts a program another one started, found on the device by name.
  bool Adopt(const std::string& name, int ms = 20000) {
    for (auto end = Deadline(ms); std::chrono::steady_clock::now() < end; Pause()) {
      for (int p : LxDevicePids()) {
        std::string reply;
        if (LxDeviceCall(p, "info", reply) && reply.find(" " + name + "\n") != std::string::npos) {
          pid = p;
          adopted = true;
          return true;
        }
      }
    }
    return false;
  }
  // The exit code, or -1 when it did not end in time.
  int Exit(int ms = 20000) {
    for (auto end = Deadline(ms); std::chrono::steady_clock::now() < end; Pause()) {
      if (adopted) {
        if (kill(pid, 0) != 0) return pid = 0, 0;
        continue;
      }
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }
  void Kill() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    if (!adopted) waitpid(pid, nullptr, 0);
    pid = 0;
  }
  std::vector<Shown> Windows() {
    std::vector<Shown> out;
    std::string reply, line;
    if (!LxDeviceCall(pid, "windows", reply)) return out;
    std::istringstream in(reply);
    std::getline(in, line);
    while (std::getline(in, line)) {
      std::istringstream w(line);
      std::string parent, cls, title;
      Shown s{};
      int visible = 0;
      w >> s.hwnd >> parent >> cls >> title >> s.rect.left >> s.rect.top >> s.rect.right >> s.rect.bottom >> visible;
      std::u16string c, t;
      LxDecodeWord(cls, &c);
      LxDecodeWord(title, &t);
      s.cls = LxToUtf8(c);
      s.title = LxToUtf8(t);
      s.visible = visible;
      out.push_back(s);
    }
    return out;
  }
  std::optional<Shown> Find(const std::string& title) {
    for (const Shown& s : Windows())
      if (s.visible && s.title == title) return s;
    return std::nullopt;
  }
  bool WaitFor(const std::string& title, int ms = 20000) {
    for (auto end = Deadline(ms); std::chrono::steady_clock::now() < end; Pause())
      if (Find(title)) return true;
    return false;
  }
  // A tap that starts a program the tapped one waits for is not answered;
  // such a tap may not wait.
  void Device(const std::string& args, bool answered = true) {
    std::string command = Bin() + "/lumtrax-device --pid " + std::to_string(pid) + (answered ? " " : " --timeout 1 ") +
                          args + " > /dev/null" + (answered ? "" : " 2>&1");
    int status = std::system(command.c_str());
    if (answered) {
      ASSERT_EQ(status, 0) << args;
    }
  }
  void TapAt(int x, int y, bool answered = true) {
    Device("tap " + std::to_string(x) + " " + std::to_string(y), answered);
  }
  void Tap(const std::string& title, bool answered = true) {
    auto s = Find(title);
    ASSERT_TRUE(s) << "\"" << title << "\" not shown";
    TapAt((s->rect.left + s->rect.right) / 2, (s->rect.top + s->rect.bottom) / 2, answered);
  }
  // A row of the n-th visible list box from the left, at the row height the
  // list reports (LB_GETITEMHEIGHT).
  void TapRow(int list, int row) {
    std::vector<Shown> lists;
    for (const Shown& s : Windows())
      if (s.visible && s.cls == "LISTBOX") lists.push_back(s);
    std::sort(lists.begin(), lists.end(), [](auto& a, auto& b) { return a.rect.left < b.rect.left; });
    ASSERT_GT((int)lists.size(), list);
    std::string reply;
    ASSERT_TRUE(LxDeviceCall(pid, "send " + lists[list].hwnd + " 417 0 0", reply));
    int height = atoi(reply.c_str() + 3);
    ASSERT_GT(height, 0);
    TapAt(lists[list].rect.left + 10, lists[list].rect.top + 2 + row * height + height / 2);
  }

  pid_t pid = 0;
  bool adopted = false;

 private:
  static std::chrono::steady_clock::time_point Deadline(int ms) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  }
  static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }
};

// A fresh device: data folder and socket folder of the test's own, headless.
class TestDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.Path().empty());
    dir = folder_.Path();
    home = dir + "/home";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("LUMTRAX_HOME", home.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
  static void RegisterAppManager(const std::u16string& value, DWORD bytes = 0) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              u"software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE", 0, nullptr, 0,
                              0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (!bytes) bytes = (DWORD)(value.size() + 1) * 2;
    RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)value.c_str(), bytes);
    RegCloseKey(key);
  }

  lxtest::TempFolder folder_{"lxsetup"};
  std::string dir, home;
};

}  // namespace lxsetup
