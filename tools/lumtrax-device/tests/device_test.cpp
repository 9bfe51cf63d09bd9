// Two processes of one device: the single-instance lookup across processes,
// and a headless program driven by lumtrax-device, checked on its screenshot.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lxdevice.h"
#include "windows.h"
#include "lxkit.h"

extern char** environ;

namespace {

std::string Bin() {
  const char* b = getenv("LUMTRAX_BIN");
  return b ? b : ".";
}

// Every process of the test shares a private device: its own data folder
// and socket folder.
class DeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new lxtest::TempFolder("lxdevtest");
    dir_ = folder_->Path();
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    setenv("LUMTRAX_HOME", (dir_ + "/home").c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
  static void TearDownTestSuite() { delete folder_; }
  // A failed test must not leave its programs running: ctest would wait for
  // their output until it gives up.
  void TearDown() override {
    for (pid_t pid : started_)
      if (waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
  }

  pid_t Start(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    if (pid > 0) started_.push_back(pid);
    return pid;
  }
  int Wait(pid_t pid) {
    for (int i = 0; i < 1500; ++i) {
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -2000;
  }
  HWND FindSample() {
    for (int i = 0; i < 1500; ++i) {
      if (HWND h = FindWindowW(u"LumtraxSample", nullptr)) return h;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
  }
  int Device(const std::string& args) { return std::system((Bin() + "/lumtrax-device " + args).c_str()); }

  static lxtest::TempFolder* folder_;
  static std::string dir_;
  std::vector<pid_t> started_;
};
lxtest::TempFolder* DeviceTest::folder_;
std::string DeviceTest::dir_;

std::vector<uint32_t> ReadPng(const std::string& path, int* w, int* h) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return {};
  img.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr)) return {};
  *w = img.width;
  *h = img.height;
  std::vector<uint32_t> px(img.width * img.height);
  for (size_t i = 0; i < px.size(); ++i) px[i] = (rgb[i * 3] << 16) | (rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2];
  return px;
}

}  // namespace

TEST_F(DeviceTest, SecondInstanceFindsTheFirstAndMessagesCross) {
  pid_t first = Start({Bin() + "/lumtrax-sample", "--headless"});
  HWND h = FindSample();
  ASSERT_NE(h, nullptr) << "the first instance's window is found from another process";
  EXPECT_EQ(SendMessageW(h, WM_USER + 1, 0, 0), 0) << "no marks yet";
  EXPECT_TRUE(SetForegroundWindow((HWND)((ULONG_PTR)h | 1)));
  EXPECT_EQ(FindWindowW(nullptr, u"Sample"), h);
  pid_t second = Start({Bin() + "/lumtrax-sample", "--headless"});
  EXPECT_EQ(Wait(second), 255) << "the second instance ends with -1";
  EXPECT_TRUE(PostMessageW(h, WM_CLOSE, 0, 0));
  EXPECT_EQ(Wait(first), 0);
  EXPECT_EQ(FindWindowW(u"LumtraxSample", nullptr), nullptr) << "gone with its process";
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(DeviceTest, TapsChangeWhatTheScreenshotShows) {
  pid_t sample = Start({Bin() + "/lumtrax-sample", "--headless"});
  HWND h = FindSample();
  ASSERT_NE(h, nullptr);
  // The box is at (70,100)-(170,150) in the client area, which starts below the 26-pixel task bar.
  ASSERT_EQ(Device("tap 120 151"), 0);
  ASSERT_EQ(Device("tap 30 250"), 0);
  EXPECT_EQ(SendMessageW(h, WM_USER + 1, 0, 0), 1);
  std::string png = dir_ + "/shot.png";
  ASSERT_EQ(Device("screenshot " + png), 0);
  int w = 0, hgt = 0;
  auto px = ReadPng(png, &w, &hgt);
  ASSERT_EQ(w, 240);
  ASSERT_EQ(hgt, 320);
  auto at = [&](int x, int y) { return px[y * 240 + x]; };
  EXPECT_EQ(at(75, 26 + 105), 0x00A000u) << "the tapped box turned green";
  EXPECT_EQ(at(30, 250), 0xFF0000u) << "the mark under the second tap";
  EXPECT_EQ(at(200, 250), 0xFFFFFFu) << "the window's background";
  EXPECT_EQ(Device("windows > " + dir_ + "/windows.txt"), 0);
  ASSERT_EQ(Device("screenshot " + png + " --scale 3"), 0);
  auto big = ReadPng(png, &w, &hgt);
  ASSERT_EQ(w, 720);
  EXPECT_EQ(big[(3 * 250 + 2) * 720 + 3 * 30 + 1], 0xFF0000u) << "each pixel as a 3x3 block";
  // Each tap repainted the sample at least once.
  std::string paints = dir_ + "/paints.txt";
  ASSERT_EQ(Device("paints > " + paints), 0);
  std::ifstream in(paints);
  std::string line;
  unsigned long count = 0;
  while (std::getline(in, line))
    if (line.find("LumtraxSample") != std::string::npos) count = std::stoul(line.substr(line.rfind(' ') + 1));
  EXPECT_GE(count, 3u);
  EXPECT_EQ(Device("key 0x41"), 0);
  EXPECT_NE(Device("key nosuchkey"), 0);
  PostMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_EQ(Wait(sample), 0);
}

TEST_F(DeviceTest, ForegroundFromAnotherProcessActivatesOnTheWindowsOwnThread) {
  pid_t sample = Start({Bin() + "/lumtrax-sample", "--headless"});
  HWND h = FindSample();
  ASSERT_NE(h, nullptr);
  LRESULT before = SendMessageW(h, WM_USER + 3, 0, 0);
  ASSERT_EQ(SendMessageW(h, WM_USER + 2, 0, 0), 1) << "a note window takes the foreground";
  EXPECT_TRUE(SetForegroundWindow(h));
  LRESULT after = SendMessageW(h, WM_USER + 3, 0, 0);
  EXPECT_EQ(LOWORD(after) - LOWORD(before), 2) << "deactivated by the note, then activated, on its own thread";
  EXPECT_EQ(HIWORD(after), 0) << "no activation ran on the socket's thread";
  PostMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_EQ(Wait(sample), 0);
}

// What a user meets on the command line: help, mistakes (status 2, one line),
// answers in words, a program that never answers, the end by SIGTERM.
TEST_F(DeviceTest, CommandLineAndTheSamplePrograms) {
  std::string out = dir_ + "/out.txt";
  auto said = [&] {
    std::ifstream f(out);
    return std::string(std::istreambuf_iterator<char>(f), {});
  };
  auto status = [](int s) { return WIFEXITED(s) ? WEXITSTATUS(s) : -1; };
  for (const char* help : {"-h", "--help"}) {
    EXPECT_EQ(status(Device(std::string(help) + " >" + out)), 0);
    EXPECT_NE(said().find("usage: lumtrax-device"), std::string::npos);
  }
  for (const char* wrong : {"frob", "tap 10 x", "tap 10", "drag 1 2 3 4 0", "--pid abc list", "--timeout -1 list"}) {
    EXPECT_EQ(status(Device(std::string(wrong) + " 2>" + out)), 2) << wrong;
    std::string text = said();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << wrong << ": " << text;
  }
  EXPECT_NE((Device("frob 2>" + out), said()).find("unknown command frob"), std::string::npos);
  std::vector<const char*> programs = {"lumtrax-sample", "lumtrax-dialogs"};
#ifdef LUMTRAX_WITH_BENCH
  programs.push_back("reader-bench");
#endif
  for (const char* program : programs) {
    EXPECT_EQ(status(std::system((Bin() + "/" + program + " --help >" + out + " 2>/dev/null").c_str())), 0);
    EXPECT_NE(said().find(std::string("usage: ") + program), std::string::npos) << program;
    EXPECT_EQ(status(std::system((Bin() + "/" + program + " --bogus 2>" + out).c_str())), 2) << program;
    EXPECT_NE(said().find("unknown option --bogus"), std::string::npos) << program << ": " << said();
  }

  pid_t sample = Start({Bin() + "/lumtrax-sample", "--headless"});
  HWND h = FindSample();
  ASSERT_NE(h, nullptr);
  std::string pid = "--pid " + std::to_string(sample) + " ";
  EXPECT_EQ(status(Device(pid + "tap 240 10 2>" + out)), 2) << "off the 240x320 screen";
  EXPECT_NE(said().find("outside the screen"), std::string::npos);
  EXPECT_EQ(status(Device(pid + "idle >" + out)), 0);
  EXPECT_EQ(said(), "idle\n");
  ASSERT_EQ(status(Device(pid + "windows >" + out)), 0);
  std::istringstream lines(said());
  std::string line, window;
  while (std::getline(lines, line))
    if (line.find("LumtraxSample") != std::string::npos) window = line.substr(0, line.find(' '));
  ASSERT_FALSE(window.empty());
  EXPECT_EQ(status(Device(pid + "post " + window + " 1025 0 0 >" + out)), 0) << window;
  EXPECT_EQ(said(), "posted\n");

  // A socket that takes the call and never answers.
  std::string path = LxDeviceSocketDir() + "/" + std::to_string(getpid()) + ".sock";
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(fd, (sockaddr*)&a, sizeof a), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  EXPECT_EQ(status(Device("--pid " + std::to_string(getpid()) + " --timeout 0.3 idle 2>" + out)), 1);
  EXPECT_NE(said().find("did not answer within 0.3 s"), std::string::npos) << said();
  close(fd);
  unlink(path.c_str());

  std::string socketPath = LxDeviceSocketDir() + "/" + std::to_string(sample) + ".sock";
  EXPECT_EQ(access(socketPath.c_str(), F_OK), 0);
  kill(sample, SIGTERM);
  EXPECT_EQ(Wait(sample), 0);
  EXPECT_NE(access(socketPath.c_str(), F_OK), 0) << "the socket goes with the program";
}
