#include "testing/playerprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "lxdevice.h"
#include "shell/settings.h"
#include "testing/playertest.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
// Generous: the machine running the tests may be busy building.
constexpr auto kUpWithin = std::chrono::seconds(20);
}  // namespace

PlayerProcess::PlayerProcess(const char* name) : folder_(("lumtrax-" + std::string(name)).c_str()) {
  lxtest::UseHome(Home());
  fs::create_directories(Home() + "/run");
  setenv("XDG_RUNTIME_DIR", (Home() + "/run").c_str(), 1);
}

// The folder goes after the players: they may still write to it.
PlayerProcess::~PlayerProcess() {
  for (pid_t pid : started_) {
    kill(pid, SIGCONT);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

pid_t PlayerProcess::Start(const std::vector<std::string>& args, const std::string& audio,
                           const std::string& program) {
  std::vector<std::string> all = {program.empty() ? BinFolder() + "/lumtrax" : program, "--headless", "--audio",
                                  audio};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  std::string errors = Home() + "/stderr.txt";
  posix_spawn_file_actions_addopen(&files, 2, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&files);
  if (pid) {
    started_.push_back(pid);
    if (!pid_) pid_ = pid;
  }
  return pid;
}

bool PlayerProcess::WaitUp(pid_t pid) {
  for (auto deadline = Clock::now() + kUpWithin; Clock::now() < deadline;) {
    if (Call("idle 2000", pid) == "ok 1\n") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

int PlayerProcess::WaitExit(pid_t pid, int ms) {
  pid = Which(pid);
  int status = 0;
  for (auto deadline = Clock::now() + std::chrono::milliseconds(ms); waitpid(pid, &status, WNOHANG) == 0;) {
    if (Clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::erase(started_, pid);
  if (pid == pid_) pid_ = started_.empty() ? 0 : started_.front();
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void PlayerProcess::Kill(int signal, pid_t pid) {
  pid = Which(pid);
  kill(pid, signal);
  WaitExit(pid);
}

std::string PlayerProcess::Call(const std::string& request, pid_t pid) {
  std::string reply;
  LxDeviceCall(Which(pid), request, reply, 10000);
  return reply;
}

std::string PlayerProcess::MainWindow(pid_t pid) {
  std::string reply = Call("find =Lumtrax ~", pid);
  return reply.size() > 3 ? reply.substr(3, reply.size() - 4) : "0";
}

bool PlayerProcess::Post(UINT message, WPARAM wParam, LPARAM lParam, pid_t pid) {
  bool posted = Call("post " + MainWindow(pid) + " " + std::to_string(message) + " " + std::to_string(wParam) + " " +
                         std::to_string(lParam),
                     pid) == "ok 1\n";
  return posted && WaitUp(pid);
}

bool PlayerProcess::Tap(int x, int y, pid_t pid) {
  return Call("tap " + std::to_string(x) + " " + std::to_string(y), pid) == "ok\n" && WaitUp(pid);
}

bool PlayerProcess::Key(int vk, pid_t pid) { return Call("key " + std::to_string(vk), pid) == "ok\n" && WaitUp(pid); }

bool PlayerProcess::HasWindow(const std::string& classWord, const std::string& titleWord, bool visible, pid_t pid) {
  std::string list = Call("windows", pid);
  std::string wanted = " " + classWord + " " + titleWord + " ";
  for (size_t at = list.find(wanted); at != std::string::npos; at = list.find(wanted, at + 1)) {
    size_t end = list.find('\n', at);
    if (end != std::string::npos && list[end - 1] == (visible ? '1' : '0')) return true;
  }
  return false;
}

std::vector<DWORD> PlayerProcess::Screen(pid_t pid) {
  std::string reply = Call("screenshot", pid);
  size_t eol = reply.find('\n');
  std::vector<DWORD> px;
  if (eol == std::string::npos || reply.size() < eol + 1 + 240 * 320 * 4) return px;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(reply.data() + eol + 1);
  px.resize(240 * 320);
  for (size_t i = 0; i < px.size(); i++, p += 4) px[i] = DWORD(p[0]) << 16 | DWORD(p[1]) << 8 | p[2];
  return px;
}

std::string PlayerProcess::TimeDigits(pid_t pid) {
  std::vector<DWORD> px = Screen(pid);
  std::string digits;
  if (px.empty()) return digits;
  for (int y = 56; y < 84; y++)
    for (int x = 24; x < 100; x++) digits += std::to_string(px[y * 240 + x]) + ",";
  return digits;
}

bool PlayerProcess::TimeMoves(int ms, pid_t pid) {
  std::string before = TimeDigits(pid);
  for (auto deadline = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (TimeDigits(pid) != before) return true;
  }
  return false;
}

void PlayerProcess::Seed(LPCWSTR name, DWORD value) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  RegCloseKey(key);
}

DWORD PlayerProcess::Stored(LPCWSTR name) {
  HKEY key;
  DWORD value = 0xDEAD, size = 4;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, 0, &key) != ERROR_SUCCESS) return value;
  RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return value;
}

std::string PlayerProcess::Text(const std::string& hostPath) {
  Bytes b = ReadHostFile(hostPath);
  return std::string(b.begin(), b.end());
}
