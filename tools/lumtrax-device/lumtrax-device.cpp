// lumtrax-device: talks to a running device program through its socket, as a
// user with a stylus and keys would, and takes screenshots.
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lxdevice.h"
#include "lxnotify.h"
#include "windows.h"

namespace {

const char kUsage[] =
    "usage: lumtrax-device [--pid PID] [--timeout S] COMMAND\n"
    "  -h, --help                    this text\n"
    "  --pid PID                     the program to talk to (the first one found)\n"
    "  --timeout S                   give up on a device that does not answer in S seconds (30)\n"
    "  list                          running device programs\n"
    "  tap X Y                       tap the screen (240x320 on the handheld, task bar included)\n"
    "  drag X1 Y1 X2 Y2 [STEPS]      press, move, lift\n"
    "  down X Y | move X Y | up X Y  one stylus event\n"
    "  key KEY [down|up]             KEY: up down left right enter escape app1..app12\n"
    "                                play next prev stop, or a virtual key (65, 0xC1)\n"
    "  text TEXT                     type characters\n"
    "  screenshot FILE.png [--scale N]  the screen as shown, N times enlarged\n"
    "  windows                       windows with class, title and rectangle\n"
    "  paints                        WM_PAINT calls per window so far\n"
    "  idle                          wait until the program waits for input: idle, or busy (status 1)\n"
    "  send|post HWND MSG WP LP      a message to a window: the result, or posted\n"
    "  suspend                       the device suspends: every program's screen dark, sound paused\n"
    "  wake [--wait]                 the device wakes up: screens on, registered programs started;\n"
    "                                --wait waits for them and prints their exit codes\n";

int Fail(const char* what) {
  fprintf(stderr, "lumtrax-device: %s\n", what);
  return 1;
}

// A wrong command line: one line, status 2.
int Wrong(const std::string& what) {
  fprintf(stderr, "lumtrax-device: %s\n", what.c_str());
  return 2;
}

// A whole number in [low, high], decimal or 0x hex.
bool Number(const std::string& text, long long low, long long high, long long& value) {
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(text.c_str(), &end, 0);
  if (errno || text.empty() || *end || v < low || v > high) return false;
  value = v;
  return true;
}

int KeyCode(const std::string& k) {
  struct Name {
    const char* name;
    int vk;
  };
  static const Name kNames[] = {{"up", VK_UP},          {"down", VK_DOWN},   {"left", VK_LEFT},
                                {"right", VK_RIGHT},    {"enter", VK_RETURN}, {"escape", VK_ESCAPE},
                                {"back", VK_BACK},      {"space", VK_SPACE}, {"play", VK_MEDIA_PLAY_PAUSE},
                                {"next", VK_MEDIA_NEXT_TRACK}, {"prev", VK_MEDIA_PREV_TRACK},
                                {"stop", VK_MEDIA_STOP}};
  for (const Name& n : kNames)
    if (k == n.name) return n.vk;
  if (k.rfind("app", 0) == 0) {
    int n = atoi(k.c_str() + 3);
    return n >= 1 && n <= 15 ? 0xC0 + n : -1;
  }
  char* end;
  long v = strtol(k.c_str(), &end, 0);
  return *end || v <= 0 || v > 255 ? -1 : (int)v;
}

bool WritePng(const char* path, const unsigned char* pixels, int w, int h) {
  std::vector<unsigned char> rgb((size_t)w * h * 3);
  for (int i = 0; i < w * h; ++i) {
    uint32_t p;
    memcpy(&p, pixels + i * 4, 4);
    rgb[i * 3] = (p >> 16) & 0xff;
    rgb[i * 3 + 1] = (p >> 8) & 0xff;
    rgb[i * 3 + 2] = p & 0xff;
  }
  png_image img;
  memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = w;
  img.height = h;
  img.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&img, path, 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace

// A title on one line: control characters and quotes escaped as in C.
static std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char ch : text) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += char(ch);
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch < 0x20 || ch == 0x7f) {
      char code[8];
      snprintf(code, sizeof(code), "\\x%02x", ch);
      out += code;
    } else {
      out += char(ch);
    }
  }
  return out + "\"";
}

int main(int argc, char** argv) {
  int pid = 0, i = 1, timeoutMs = 30000;
  while (i + 1 < argc && (strcmp(argv[i], "--pid") == 0 || strcmp(argv[i], "--timeout") == 0)) {
    long long v = 0;
    if (strcmp(argv[i], "--pid") == 0) {
      if (!Number(argv[i + 1], 1, 0x7FFFFFFF, v)) return Wrong(std::string("not a process id: ") + argv[i + 1]);
      pid = (int)v;
    } else {
      char* end = nullptr;
      double seconds = strtod(argv[i + 1], &end);
      if (end == argv[i + 1] || *end || !(seconds > 0 && seconds <= 86400))
        return Wrong("--timeout takes seconds above 0");
      timeoutMs = std::max(1, (int)(seconds * 1000));
    }
    i += 2;
  }
  if (i >= argc) {
    fputs(kUsage, stderr);
    return 2;
  }
  std::string cmd = argv[i++];
  std::vector<std::string> args(argv + i, argv + argc);
  if (cmd == "-h" || cmd == "--help" || cmd == "help") {
    fputs(kUsage, stdout);
    return 0;
  }
  static const char* const kCommands[] = {"list", "tap", "drag", "down", "move", "up", "key", "text", "screenshot",
                                          "windows", "paints", "idle", "send", "post", "suspend", "wake"};
  bool known = false;
  for (const char* c : kCommands) known = known || cmd == c;
  if (!known) return Wrong("unknown command " + cmd + " (--help lists them)");
  std::vector<int> pids = LxDevicePids();
  if (cmd == "suspend" || cmd == "wake") {
    // Every program of the device hears it, as the whole device suspends.
    std::string reply;
    for (int p : pids) LxDeviceCall(p, cmd, reply, timeoutMs);
    if (cmd == "suspend") return 0;
    bool wait = !args.empty() && args[0] == "--wait";
    std::vector<HANDLE> started;
    LxDeviceWake(&started);
    if (!wait) printf("%zu program%s started\n", started.size(), started.size() == 1 ? "" : "s");
    for (HANDLE process : started) {
      DWORD code = 0;
      if (wait && WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code))
        printf("%lu\n", (unsigned long)code);
      CloseHandle(process);
    }
    return 0;
  }
  if (cmd == "list") {
    for (int p : pids) {
      std::string reply;
      if (LxDeviceCall(p, "info", reply, timeoutMs) && reply.rfind("ok ", 0) == 0) fputs(reply.c_str() + 3, stdout);
    }
    return 0;
  }
  auto need = [&](size_t n) { return args.size() >= n; };
  // Coordinates: the program itself refuses those off its screen.
  auto points = [&](size_t n, std::string& out) {
    for (size_t k = 0; k < n; ++k) {
      long long v;
      if (!Number(args[k], 0, 100000, v)) return false;
      out += " " + std::to_string(v);
    }
    return true;
  };
  std::string request;
  if (cmd == "tap" || cmd == "down" || cmd == "move" || cmd == "up") {
    request = cmd;
    if (!need(2) || !points(2, request)) return Wrong(cmd + " takes X Y, two numbers from 0");
  } else if (cmd == "drag") {
    request = "drag";
    long long steps = 8;
    if (!need(4) || !points(4, request) || (need(5) && !Number(args[4], 1, 1000, steps)))
      return Wrong("drag takes X1 Y1 X2 Y2 [STEPS], numbers from 0 and steps from 1 to 1000");
    request += " " + std::to_string(steps);
  } else if (cmd == "key") {
    if (!need(1)) return Wrong("key takes a KEY");
    int vk = KeyCode(args[0]);
    if (vk < 0) return Wrong("unknown key " + args[0]);
    request = "key " + std::to_string(vk);
    if (need(2)) {
      if (args[1] != "down" && args[1] != "up") return Wrong("key takes down or up");
      request += " " + args[1];
    }
  } else if (cmd == "text") {
    if (!need(1)) return Wrong("text takes a TEXT");
    std::string all = args[0];
    for (size_t k = 1; k < args.size(); ++k) all += " " + args[k];
    std::u16string t = LxFromUtf8(all);
    request = "text " + LxEncodeWord(&t);
  } else if (cmd == "send" || cmd == "post") {
    if (!need(4)) return Wrong(cmd + " takes HWND MSG WP LP");
    request = cmd;
    for (int k = 0; k < 4; ++k) {
      long long v;
      if (!Number(args[k], k < 2 ? 0 : LLONG_MIN, LLONG_MAX, v)) return Wrong("not a number: " + args[k]);
      request += " " + std::to_string(v);
    }
  } else if (cmd == "screenshot") {
    if (!need(1)) return Wrong("screenshot takes FILE.png");
    long long scale = 1;
    if (need(2) && (args.size() != 3 || args[1] != "--scale" || !Number(args[2], 1, 16, scale)))
      return Wrong("screenshot takes FILE.png [--scale N], N from 1 to 16");
    request = "screenshot";
  } else {
    request = cmd;
  }
  if (!pid) {
    if (pids.empty()) return Fail("no running device program (start one, e.g. lumtrax-sample --headless)");
    pid = pids.front();
  }
  std::string reply;
  auto started = std::chrono::steady_clock::now();
  if (!LxDeviceCall(pid, request, reply, timeoutMs)) {
    auto waited = std::chrono::steady_clock::now() - started;
    // The call counts its deadline in whole milliseconds.
    if (waited + std::chrono::milliseconds(10) >= std::chrono::milliseconds(timeoutMs)) {
      fprintf(stderr, "lumtrax-device: program %d did not answer within %g s\n", pid, timeoutMs / 1000.0);
      return 1;
    }
    fprintf(stderr, "lumtrax-device: program %d does not answer\n", pid);
    return 1;
  }
  if (reply.rfind("ok", 0) != 0) {
    fprintf(stderr, "lumtrax-device: %s", reply.rfind("err ", 0) == 0 ? reply.c_str() + 4 : reply.c_str());
    // Off the screen is a wrong command line, too.
    return reply.find("outside the screen") != std::string::npos ? 2 : 1;
  }
  if (cmd == "screenshot") {
    size_t eol = reply.find('\n');
    int w = 0, h = 0;
    if (eol == std::string::npos || sscanf(reply.c_str(), "ok %d %d", &w, &h) != 2 || w <= 0 || h <= 0 ||
        reply.size() - eol - 1 < (size_t)w * h * 4)
      return Fail("short screenshot");
    int scale = args.size() >= 3 ? atoi(args[2].c_str()) : 1;
    const unsigned char* px = (const unsigned char*)reply.data() + eol + 1;
    std::vector<unsigned char> big;
    if (scale > 1) {
      big.resize((size_t)w * h * 4 * scale * scale);
      for (int y = 0; y < h * scale; ++y)
        for (int x = 0; x < w * scale; ++x)
          memcpy(&big[((size_t)y * w * scale + x) * 4], px + ((size_t)(y / scale) * w + x / scale) * 4, 4);
      px = big.data();
      w *= scale;
      h *= scale;
    }
    if (!WritePng(args[0].c_str(), px, w, h))
      return Fail("cannot write the PNG file");
    return 0;
  }
  if (cmd == "paints") {
    // HWND CLASS COUNT
    size_t pos = reply.find('\n') + 1;
    printf("%-10s %-16s %s\n", "window", "class", "paints");
    while (pos < reply.size()) {
      size_t end = reply.find('\n', pos);
      std::string line = reply.substr(pos, end - pos);
      pos = end == std::string::npos ? reply.size() : end + 1;
      char h[32], c[1024];
      unsigned long n;
      if (sscanf(line.c_str(), "%31s %1023s %lu", h, c, &n) != 3) continue;
      std::u16string cls;
      LxDecodeWord(c, &cls);
      printf("%-10s %-16s %lu\n", h, LxToUtf8(cls).c_str(), n);
    }
    return 0;
  }
  if (cmd == "windows") {
    // HWND PARENT CLASS TITLE L T R B VISIBLE, strings decoded for reading.
    size_t pos = reply.find('\n') + 1;
    printf("%-10s %-10s %-16s %-24s %s\n", "window", "parent", "class", "title", "rect (visible)");
    while (pos < reply.size()) {
      size_t end = reply.find('\n', pos);
      std::string line = reply.substr(pos, end - pos);
      pos = end == std::string::npos ? reply.size() : end + 1;
      char h[32], p[32], c[1024], t[1024];
      int l, tp, r, b, v;
      if (sscanf(line.c_str(), "%31s %31s %1023s %1023s %d %d %d %d %d", h, p, c, t, &l, &tp, &r, &b, &v) != 9)
        continue;
      std::u16string cls, title;
      LxDecodeWord(c, &cls);
      LxDecodeWord(t, &title);
      printf("%-10s %-10s %-16s %-24s %d,%d-%d,%d%s\n", h, p, LxToUtf8(cls).c_str(), Quoted(LxToUtf8(title)).c_str(),
             l, tp, r, b, v ? "" : " hidden");
    }
    return 0;
  }
  size_t eol = reply.find('\n');
  std::string rest = reply.substr(2, eol == std::string::npos ? std::string::npos : eol - 2);
  if (cmd == "idle") {
    puts(rest == " 1" ? "idle" : "busy");
    return rest == " 1" ? 0 : 1;
  }
  if (cmd == "post") {
    puts(rest == " 0" ? "not posted" : "posted");
    return rest == " 0" ? 1 : 0;
  }
  if (!rest.empty() && rest[0] == ' ') printf("%s\n", rest.c_str() + 1);
  return 0;
}
