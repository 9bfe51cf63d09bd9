// Program entry: the platform's options are taken off the command line, host
// paths become device paths, then the program's WinMain runs.
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "../mm/lxaudio.h"
#include "lxdisplay.h"
#include "lxprogram.h"
#include "lxwin.h"

namespace {

LxProgramOptions gOptions;
const char* gProgramName = "lumtrax";

bool TakeValue(int argc, char** argv, int& i, const char* name, std::string& value) {
  size_t n = strlen(name);
  if (strcmp(argv[i], name) == 0) {
    if (i + 1 >= argc) return false;
    value = argv[++i];
    return true;
  }
  if (strncmp(argv[i], name, n) == 0 && argv[i][n] == '=') {
    value = argv[i] + n + 1;
    return true;
  }
  return false;
}

// An argument naming a file of the host (it has a slash, or exists here)
// becomes a device path; anything else ("WakeUp") stays as it is.
std::string DeviceArgument(const std::string& arg) {
  bool looksLikePath = arg.find('/') != std::string::npos || access(arg.c_str(), F_OK) == 0;
  if (!looksLikePath || arg.empty() || arg[0] == '\\') return LxToUtf8(LxFromUtf8(arg));
  std::string host = arg;
  if (host[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) host = std::string(cwd) + "/" + host;
  }
  char resolved[PATH_MAX];
  if (realpath(host.c_str(), resolved)) host = resolved;
  return LxToUtf8(LxDevicePath(host));
}

// The device's four application buttons, the first time any program starts on
// this device; each is named after the desktop key that presses it.
void SeedShellKeys() {
  HKEY probe;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys", 0, 0, &probe) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    return;
  }
  for (int i = 1; i <= 4; ++i) {
    WCHAR path[64], name[16];
    wsprintfW(path, u"Software\\Microsoft\\Shell\\Keys\\40%2X", 0xC0 + i);
    wsprintfW(name, u"F%d", i);
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, 0, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    RegSetValueExW(key, u"Name", 0, REG_SZ, (const BYTE*)name, (DWORD)(lstrlenW(name) + 1) * sizeof(WCHAR));
    RegCloseKey(key);
  }
}

// SIGINT, SIGTERM and SIGHUP close the main window as "Beenden" would, so the
// program saves what it keeps; a second signal ends the process at once.
// They are blocked in every thread the program starts and taken by one
// watcher with sigwait, so no handler has to run inside another thread's wait
// (a sanitiser's runtime holds a signal until such a wait ends).
sigset_t gCloseSignals;
bool gWatching = false;

int NextSignal() {
  int sig = 0;
  while (sigwait(&gCloseSignals, &sig) != 0) {
  }
  return sig;
}

void WatchSignals() {
  int sig = NextSignal();
  HWND main = lx::MainWindow();
  if (main && PostMessageW(main, WM_CLOSE, 0, 0)) sig = NextSignal();
  // No window to close, or closing takes too long: still leave no socket
  // behind for callers to trip on.
  lx::ServerRemoveSocket();
  _exit(128 + sig);
}

// Once per process: a program entered again (the tests do) keeps the first
// watcher. Programs it starts get an empty mask back (see process.cpp).
void CloseOnSignals() {
  if (gWatching) return;
  gWatching = true;
  sigemptyset(&gCloseSignals);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&gCloseSignals, sig);
  pthread_sigmask(SIG_BLOCK, &gCloseSignals, nullptr);
  std::thread(WatchSignals).detach();
}

}  // namespace

const LxProgramOptions* LxGetProgramOptions(void) { return &gOptions; }

int LxProgramNoArguments(LPCWSTR commandLine, const char* usage) {
  std::string line = commandLine ? LxToUtf8(commandLine) : "";
  if (line.empty()) return -1;
  std::string word = line.substr(0, line.find(' '));
  if (word == "-h" || word == "--help") {
    fputs(usage, stdout);
    fputs(LX_PROGRAM_OPTIONS_USAGE, stdout);
    return 0;
  }
  fprintf(stderr, "%s: unknown option %s (--help lists them)\n", gProgramName, word.c_str());
  return 2;
}

int LxProgramMain(int argc, char** argv, LxWinMainProc winMain) {
  gOptions.scale = 2;
  if (argc > 0) {
    const char* slash = strrchr(argv[0], '/');
    gProgramName = slash ? slash + 1 : argv[0];
  }
  std::string commandLine, value;
  bool headless = false, options = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--headless") {
      headless = true;
    } else if (options && TakeValue(argc, argv, i, "--scale", value)) {
      int s = atoi(value.c_str());
      if (s < 1 || s > 4) {
        fprintf(stderr, "%s: --scale takes 1 to 4\n", argv[0]);
        return 2;
      }
      gOptions.scale = s;
    } else if (options && TakeValue(argc, argv, i, "--audio", value)) {
      snprintf(gOptions.audio, sizeof gOptions.audio, "%s", value.c_str());
    } else if (options && TakeValue(argc, argv, i, "--refuse-rates", value)) {
      snprintf(gOptions.refuseRates, sizeof gOptions.refuseRates, "%s", value.c_str());
    } else {
      if (!commandLine.empty()) commandLine += ' ';
      commandLine += DeviceArgument(a);
    }
  }
  const char* x11 = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  if (!headless && !(x11 && *x11) && !(wayland && *wayland)) {
    fprintf(stderr, "%s: no display (DISPLAY, WAYLAND_DISPLAY); running headless\n", argv[0]);
    headless = true;
  }
  gOptions.headless = headless;
  lx::Display().headless = headless;
  lx::Display().scale = gOptions.scale;
  if (gOptions.audio[0] && !LxAudioSelect(gOptions.audio)) {
    fprintf(stderr, "%s: unknown audio device '%s' (sdl, null, null:instant, wav:FILE, wavrt:FILE)\n", argv[0], gOptions.audio);
    return 2;
  }
  if (gOptions.refuseRates[0] && !LxAudioRefuseRates(gOptions.refuseRates)) {
    fprintf(stderr, "%s: --refuse-rates takes rates like 44100,22050\n", argv[0]);
    return 2;
  }
  SeedShellKeys();
  CloseOnSignals();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  std::u16string cmd = LxFromUtf8(commandLine);
  int code = winMain(instance, nullptr, cmd.data(), SW_SHOW);
  lx::DisplayStop();
  return code;
}
