// The device socket: one listening socket per process with windows, in a
// folder shared by the processes of one device, so that FindWindowW,
// SendMessageW, PostMessageW and SetForegroundWindow reach other processes'
// windows and lumtrax-device can drive this one.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>

#include "../gdi/lxgdi.h"
#include "../mm/lxaudio.h"
#include "../kernel/lxkernel.h"
#include "lxdevice.h"
#include "lxdisplay.h"
#include "lxuser.h"
#include "lxwin.h"

namespace lx {

namespace {

struct ServerState {
  int fd = -1;
  std::string path;
  std::thread thread;  // the accept loop
  // Requests being answered. A process that ends waits for them: a request
  // may end it (WM_CLOSE posted to its last window), and the asker must
  // still get the answer or it takes the call for failed.
  std::mutex lock;
  std::condition_variable answered;
  int busy = 0;
  std::atomic<bool> stopping{false};
};

// Never destroyed: request threads may still run while the process exits.
ServerState& S() {
  static ServerState* s = new ServerState;
  return *s;
}


std::string SocketPath(int pid) { return LxDeviceSocketDir() + "/" + std::to_string(pid) + ".sock"; }
// The process's top-level windows, for callers when the process cannot answer.
std::string WindowsPath(int pid) { return LxDeviceSocketDir() + "/" + std::to_string(pid) + ".windows"; }

// Bounds of calls to other processes: finding a window and bringing it
// forward are quick requests; a sent message waits for the other program.
constexpr int kQuickCallMs = 2000;
constexpr int kSendCallMs = 5000;
// A request line is read up to 64 KiB; WM_COPYDATA's block goes in hex.
constexpr size_t kCopyDataMax = 16384;

// A stopped process (Ctrl-Z, SIGSTOP) cannot answer at all: no use waiting.
bool ProcessStopped(int pid) {
  char path[64], buf[512];
  snprintf(path, sizeof path, "/proc/%d/stat", pid);
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t n = read(fd, buf, sizeof buf - 1);
  close(fd);
  if (n <= 0) return false;
  buf[n] = 0;
  const char* close = strrchr(buf, ')');  // the name may hold spaces and brackets
  return close && close[1] == ' ' && (close[2] == 'T' || close[2] == 't');
}

bool WriteAll(int fd, const void* data, size_t n) {
  const char* p = (const char*)data;
  while (n) {
    ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= (size_t)k;
  }
  return true;
}

std::string Hex64(uint64_t v) {
  char b[24];
  snprintf(b, sizeof b, "%llu", (unsigned long long)v);
  return b;
}

std::string ProgramName() {
  char buf[512];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "?";
  buf[n] = 0;
  const char* slash = strrchr(buf, '/');
  return slash ? slash + 1 : buf;
}

void InputAndSettle(UINT msg, int x, int y) {
  InputMouse(msg, x, y);
  WaitIdle(2000);
}

std::string WindowsList() {
  std::ostringstream out;
  std::lock_guard lock(UserLock());
  auto all = AllWindows();
  out << "ok " << all.size() << "\n";
  for (HWND h : all) {
    Window* w = GetWin(h);
    RECT r = ScreenRectOf(w);
    out << (uintptr_t)h << " " << (uintptr_t)w->parent << " " << LxEncodeWord(&w->cls->name) << " "
        << LxEncodeWord(&w->text) << " " << r.left << " " << r.top << " " << r.right << " " << r.bottom << " "
        << (IsVisibleChain(w) ? 1 : 0) << "\n";
  }
  return out.str();
}

// BeginPaint calls per window since it was made: HWND CLASS COUNT.
std::string PaintsList() {
  std::ostringstream out;
  std::lock_guard lock(UserLock());
  auto all = AllWindows();
  out << "ok " << all.size() << "\n";
  for (HWND h : all) {
    Window* w = GetWin(h);
    out << (uintptr_t)h << " " << LxEncodeWord(&w->cls->name) << " " << w->paints << "\n";
  }
  return out.str();
}

// Answers one request; the reply may carry binary data after its first line.
std::string Serve(const std::string& line) {
  std::istringstream in(line);
  std::string cmd;
  in >> cmd;
  auto num = [&]() {
    long long v = 0;
    in >> v;
    return v;
  };
  if (cmd == "info") return "ok " + std::to_string(getpid()) + " " + ProgramName() + "\n";
  if (cmd == "find") {
    std::string c, t;
    in >> c >> t;
    std::u16string cls, title;
    bool hasCls = LxDecodeWord(c, &cls), hasTitle = LxDecodeWord(t, &title);
    // Only this process's own windows: the asker searches every process itself.
    std::lock_guard lock(UserLock());
    for (HWND h : TopLevels()) {
      Window* w = GetWin(h);
      if (hasCls && LxStrCmpiW(w->cls->name.c_str(), cls.c_str()) != 0) continue;
      if (hasTitle && w->text != title) continue;
      return "ok " + Hex64((uintptr_t)h) + "\n";
    }
    return "ok 0\n";
  }
  if (cmd == "send" || cmd == "post") {
    HWND h = (HWND)(uintptr_t)num();
    UINT msg = (UINT)num();
    WPARAM wp = (WPARAM)num();
    LPARAM lp = (LPARAM)num();
    {
      std::lock_guard lock(UserLock());
      if (!GetWin(h)) return "err no such window\n";
    }
    // WM_COPYDATA carries its block after the numbers: dwData and the bytes in hex.
    COPYDATASTRUCT copy{};
    std::string bytes;
    if (msg == WM_COPYDATA) {
      if (cmd != "send") return "err copydata is sent\n";
      std::string hex;
      copy.dwData = (ULONG_PTR)num();
      in >> hex;
      if (hex == "-") hex.clear();
      if (hex.size() % 2 || hex.size() > 2 * kCopyDataMax) return "err bad copydata\n";
      for (size_t i = 0; i < hex.size(); i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end;
        long b = strtol(pair, &end, 16);
        if (*end) return "err bad copydata\n";
        bytes += (char)b;
      }
      copy.cbData = (DWORD)bytes.size();
      copy.lpData = bytes.empty() ? nullptr : bytes.data();
      lp = (LPARAM)&copy;
    }
    LRESULT r = cmd == "send" ? SendMessageW(h, msg, wp, lp) : PostMessageW(h, msg, wp, lp);
    return "ok " + std::to_string((long long)r) + "\n";
  }
  if (cmd == "iswindow") {
    HWND h = (HWND)(uintptr_t)num();
    std::lock_guard lock(UserLock());
    return std::string("ok ") + (GetWin(h) ? "1" : "0") + "\n";
  }
  if (cmd == "foreground") {
    HWND h = (HWND)(uintptr_t)num();
    {
      std::lock_guard lock(UserLock());
      if (!GetWin(h)) return "ok 0\n";  // gone, or a window this process only knows of
    }
    // The windows hear of it on their own threads, not on this one.
    return std::string("ok ") + (SetForegroundWindow(h) ? "1" : "0") + "\n";
  }
  // A stylus never lands off the glass.
  auto onScreen = [](long long x, long long y) {
    return x >= 0 && y >= 0 && x < GetSystemMetrics(SM_CXSCREEN) && y < GetSystemMetrics(SM_CYSCREEN);
  };
  if (cmd == "tap") {
    int x = (int)num(), y = (int)num();
    if (!onScreen(x, y)) return "err outside the screen\n";
    InputAndSettle(WM_LBUTTONDOWN, x, y);
    InputAndSettle(WM_LBUTTONUP, x, y);
    return "ok\n";
  }
  if (cmd == "down" || cmd == "move" || cmd == "up") {
    int x = (int)num(), y = (int)num();
    if (!onScreen(x, y)) return "err outside the screen\n";
    InputAndSettle(cmd == "down" ? WM_LBUTTONDOWN : cmd == "up" ? WM_LBUTTONUP : WM_MOUSEMOVE, x, y);
    return "ok\n";
  }
  if (cmd == "drag") {
    int x1 = (int)num(), y1 = (int)num(), x2 = (int)num(), y2 = (int)num();
    int steps = (int)num();
    if (!onScreen(x1, y1) || !onScreen(x2, y2)) return "err outside the screen\n";
    if (steps <= 0) steps = 8;
    InputAndSettle(WM_LBUTTONDOWN, x1, y1);
    for (int i = 1; i <= steps; ++i)
      InputAndSettle(WM_MOUSEMOVE, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps);
    InputAndSettle(WM_LBUTTONUP, x2, y2);
    return "ok\n";
  }
  if (cmd == "key") {
    UINT vk = (UINT)num();
    std::string how;
    in >> how;
    if (how != "up") InputKey(vk, true);
    if (how != "down") InputKey(vk, false);
    WaitIdle(2000);
    return "ok\n";
  }
  if (cmd == "text") {
    std::string w;
    in >> w;
    std::u16string t;
    if (!LxDecodeWord(w, &t)) return "err no text\n";
    for (char16_t c : t) InputChar(c);
    WaitIdle(2000);
    return "ok\n";
  }
  if (cmd == "idle") {
    long long ms = num();
    return std::string("ok ") + (WaitIdle(ms > 0 ? (int)ms : 2000) ? "1" : "0") + "\n";
  }
  if (cmd == "windows") return WindowsList();
  if (cmd == "paints") return PaintsList();
  // The device suspends (display dark, sound paused) and wakes (display on;
  // the programs restart their own sound).
  if (cmd == "suspend" || cmd == "wake") {
    bool off = cmd == "suspend";
    gDisplayOff = off;
    NoteScreenChanged();
    int paused = off ? LxWaveOutPauseAll() : 0;
    return "ok " + std::to_string(paused) + "\n";
  }
  if (cmd == "screenshot") {
    WaitIdle(2000);
    Surface s;
    ComposeScreen(s);
    std::string out = "ok " + std::to_string(s.width) + " " + std::to_string(s.height) + "\n";
    out.append((const char*)s.px.data(), s.px.size() * 4);
    return out;
  }
  return "err unknown request\n";
}

void HandleClient(int fd) {
  std::string line;
  char c;
  while (line.size() < 65536) {
    ssize_t n = recv(fd, &c, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n') break;
    line += c;
  }
  std::string reply = Serve(line);
  WriteAll(fd, reply.data(), reply.size());
  close(fd);
  std::lock_guard lock(S().lock);
  --S().busy;
  S().answered.notify_all();
}

void AcceptLoop(int fd) {
  while (!S().stopping) {
    // shutdown() wakes the poll (the socket then polls as hung up); the
    // time-out only makes sure of the end.
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, 5000);
    if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
    int c = accept(fd, nullptr, nullptr);
    if (c < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // shut down
    }
    {
      std::lock_guard lock(S().lock);
      ++S().busy;
    }
    std::thread(HandleClient, c).detach();
  }
}

void RemoveSocket() {
  if (!S().path.empty()) unlink(S().path.c_str());
  unlink(WindowsPath(getpid()).c_str());
}

// "find" as read from a process's published list, for a process that does
// not answer.
uint64_t FindPublished(int pid, const std::u16string* cls, const std::u16string* title) {
  FILE* f = fopen(WindowsPath(pid).c_str(), "r");
  if (!f) return 0;
  char line[4096];
  uint64_t found = 0;
  while (!found && fgets(line, sizeof line, f)) {
    char h[32], c[1024], t[2048];
    if (sscanf(line, "%31s %1023s %2047s", h, c, t) != 3) continue;
    std::u16string wc, wt;
    LxDecodeWord(c, &wc);
    LxDecodeWord(t, &wt);
    if (cls && LxStrCmpiW(wc.c_str(), cls->c_str()) != 0) continue;
    if (title && wt != *title) continue;
    found = strtoull(h, nullptr, 10);
  }
  fclose(f);
  return found;
}

int Connect(int pid) {
  std::string path = SocketPath(pid);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) {
    close(fd);
    return -1;
  }
  strcpy(a.sun_path, path.c_str());
  if (connect(fd, (sockaddr*)&a, sizeof a) != 0) {
    // Nobody listens and the process is gone: it left its socket behind.
    if (errno == ECONNREFUSED && kill(pid, 0) != 0 && errno == ESRCH) unlink(path.c_str());
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void ServerRemoveSocket() { RemoveSocket(); }

void ServerStart() {
  std::string dir = LxDeviceSocketDir();
  std::string path = SocketPath(getpid());
  std::string binding = dir + "/" + std::to_string(getpid()) + ".binding";
  if (binding.size() >= sizeof(sockaddr_un{}.sun_path)) {
    fprintf(stderr, "lumtrax: device socket path too long: %s\n", path.c_str());
    return;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  // Bound under a name no one looks for and renamed once it listens: a
  // socket seen between bind and listen refuses callers, and they would
  // take it for one left behind by a process that is gone.
  unlink(binding.c_str());
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  strcpy(a.sun_path, binding.c_str());
  if (bind(fd, (sockaddr*)&a, sizeof a) != 0 || listen(fd, 16) != 0 || rename(binding.c_str(), path.c_str()) != 0) {
    fprintf(stderr, "lumtrax: cannot open the device socket %s: %s\n", path.c_str(), strerror(errno));
    unlink(binding.c_str());
    close(fd);
    return;
  }
  S().fd = fd;
  S().path = path;
  atexit(RemoveSocket);
  S().thread = std::thread(AcceptLoop, fd);
}

void ServerPublishWindows() {
  static std::mutex publishing;
  std::lock_guard order(publishing);
  if (S().fd < 0) return;
  std::string text;
  {
    std::lock_guard lock(UserLock());
    for (HWND h : TopLevels()) {
      Window* w = GetWin(h);
      if (!w) continue;
      text += Hex64((uintptr_t)h) + " " + LxEncodeWord(&w->cls->name) + " " + LxEncodeWord(&w->text) + "\n";
    }
  }
  std::string path = WindowsPath(getpid()), temp = path + ".new";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  bool written = write(fd, text.data(), text.size()) == (ssize_t)text.size();
  close(fd);
  if (!written || rename(temp.c_str(), path.c_str()) != 0) unlink(temp.c_str());
}

void ServerStop() {
  RemoveSocket();  // no one finds this process any more
  if (S().fd >= 0) {
    S().stopping = true;
    shutdown(S().fd, SHUT_RDWR);
    if (S().thread.joinable()) S().thread.join();
    close(S().fd);
    S().fd = -1;
  }
  // Answers still being written go out before the process ends; a request
  // stuck on a thread that no longer pumps gives up after a while.
  std::unique_lock lock(S().lock);
  S().answered.wait_for(lock, std::chrono::seconds(2), [] { return S().busy == 0; });
}

HWND RemoteFindWindow(LPCWSTR className, LPCWSTR title) {
  if (className && IS_INTRESOURCE(className)) return nullptr;  // atoms are per process
  std::u16string c = className ? className : u"", t = title ? title : u"";
  std::string req = "find " + LxEncodeWord(className ? &c : nullptr) + " " + LxEncodeWord(title ? &t : nullptr);
  for (int pid : LxDevicePids()) {
    if (pid == getpid()) continue;
    std::string reply;
    uint64_t h = 0;
    if (LxDeviceCall(pid, req, reply, kQuickCallMs) && reply.rfind("ok ", 0) == 0)
      h = strtoull(reply.c_str() + 3, nullptr, 10);
    else
      h = FindPublished(pid, className ? &c : nullptr, title ? &t : nullptr);
    if (h) return RemoteProxy(pid, h);
  }
  return nullptr;
}

BOOL RemoteIsWindow(int pid, uint64_t handle) {
  std::string reply;
  return LxDeviceCall(pid, "iswindow " + Hex64(handle), reply, kQuickCallMs) && reply.rfind("ok 1", 0) == 0;
}

BOOL RemoteForeground(int pid, uint64_t handle) {
  std::string reply;
  return LxDeviceCall(pid, "foreground " + Hex64(handle), reply, kQuickCallMs) && reply.rfind("ok 1", 0) == 0;
}

LRESULT RemoteSend(int pid, uint64_t handle, UINT msg, WPARAM wParam, LPARAM lParam, bool post) {
  std::string req = std::string(post ? "post " : "send ") + Hex64(handle) + " " + std::to_string(msg) + " " +
                    std::to_string((long long)wParam) + " " + std::to_string((long long)lParam);
  if (msg == WM_COPYDATA) {
    // The block travels, not its address.
    const COPYDATASTRUCT* copy = (const COPYDATASTRUCT*)lParam;
    if (post || !copy || copy->cbData > kCopyDataMax || (copy->cbData && !copy->lpData)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    req.push_back(' ');
    req.append(std::to_string((unsigned long long)copy->dwData));
    req.push_back(' ');
    static const char digits[] = "0123456789abcdef";
    const unsigned char* b = (const unsigned char*)copy->lpData;
    for (DWORD i = 0; i < copy->cbData; i++) {
      req += digits[b[i] >> 4];
      req += digits[b[i] & 15];
    }
    if (copy->cbData == 0) req += "-";
  }
  std::string reply;
  if (!LxDeviceCall(pid, req, reply, kSendCallMs) || reply.rfind("ok ", 0) != 0) {
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  return (LRESULT)strtoll(reply.c_str() + 3, nullptr, 10);
}

}  // namespace lx

// One folder per device: the processes sharing a data folder are one device.
std::string LxDeviceSocketDir() {
  const char* run = getenv("XDG_RUNTIME_DIR");
  std::string base = run && *run ? std::string(run) + "/lumtrax" : "/tmp/lumtrax-" + std::to_string(getuid());
  mkdir(base.c_str(), 0700);
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : LxHome()) h = (h ^ c) * 1099511628211ull;
  char name[24];
  snprintf(name, sizeof name, "%016llx", (unsigned long long)h);
  std::string dir = base + "/" + name;
  mkdir(dir.c_str(), 0700);
  return dir;
}

std::vector<int> LxDevicePids() {
  std::string dir = LxDeviceSocketDir();
  std::vector<std::pair<long long, int>> found;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      int pid = atoi(e->d_name);
      if (pid <= 0 || !strstr(e->d_name, ".sock")) continue;
      struct stat st;
      if (stat((dir + "/" + e->d_name).c_str(), &st) != 0) continue;
      found.push_back({(long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, pid});
    }
    closedir(d);
  }
  std::sort(found.rbegin(), found.rend());
  std::vector<int> pids;
  for (auto& f : found) {
    // A process that is gone leaves its socket behind: tidy up.
    if (kill(f.second, 0) != 0 && errno == ESRCH) {
      unlink(lx::SocketPath(f.second).c_str());
      unlink(lx::WindowsPath(f.second).c_str());
      continue;
    }
    pids.push_back(f.second);
  }
  return pids;
}

int LxDeviceCall(int pid, const std::string& request, std::string& reply, int timeoutMs) {
  reply.clear();
  if (lx::ProcessStopped(pid)) return 0;
  int fd = lx::Connect(pid);
  if (fd < 0) return 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // Waits for the socket until the deadline; false when it passed.
  auto ready = [&](short events) {
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd, events, 0};
      int n = poll(&p, 1, (int)std::min<long long>(left.count(), 1000));
      if (n > 0) return true;
      if (n < 0 && errno != EINTR) return false;
      // Stopped while we wait: it will not answer now.
      if (n == 0 && lx::ProcessStopped(pid)) return false;
    }
  };
  std::string line = request + "\n";
  if (!ready(POLLOUT) || !lx::WriteAll(fd, line.data(), line.size())) {
    close(fd);
    return 0;
  }
  char buf[65536];
  for (;;) {
    if (!ready(POLLIN)) {
      close(fd);
      reply.clear();
      return 0;
    }
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reply.append(buf, (size_t)n);
  }
  close(fd);
  return !reply.empty();
}

std::string LxEncodeWord(const std::u16string* s) {
  if (!s) return "~";
  std::string u = LxToUtf8(*s), out = "=";
  for (unsigned char c : u) {
    if (c > 0x20 && c < 0x7f && c != '%') {
      out += (char)c;
    } else {
      char b[4];
      snprintf(b, sizeof b, "%%%02X", c);
      out += b;
    }
  }
  return out;
}

int LxDecodeWord(const std::string& word, std::u16string* s) {
  if (word.empty() || word[0] != '=') return 0;
  std::string u;
  for (size_t i = 1; i < word.size(); ++i) {
    if (word[i] == '%' && i + 2 < word.size()) {
      u += (char)strtol(word.substr(i + 1, 2).c_str(), nullptr, 16);
      i += 2;
    } else {
      u += word[i];
    }
  }
  if (s) *s = LxFromUtf8(u);
  return 1;
}
