// The engine playing one title in real time on the null device, with a
// board window that routes its messages and draws nothing: CPU share (user +
// system over wall time) and the highest VmRSS, from the first returned
// buffer to the end of the title, or over a span with the title paused.
//
//   bench_engine [--ring N] [--paused SECONDS] FILE
#include <sys/resource.h>
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "../../platform/mm/lxaudio.h"
#include "engine/engine.h"
#include "playlist/playlistentry.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "trackinfo/trackinfo.h"

namespace {

constexpr UINT_PTR kPauseTimer = 77;

struct Span {
  double wall = 0, cpu = 0;
  std::chrono::steady_clock::time_point start;
  double cpuStart = 0;
};

std::atomic<bool> g_sampling;
std::atomic<long> g_maxRss;
Span g_span;
bool g_started, g_ended;
int g_pausedSeconds;

double CpuSeconds() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long RssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

void Begin() {
  g_span.start = std::chrono::steady_clock::now();
  g_span.cpuStart = CpuSeconds();
  g_maxRss = RssKb();
  g_sampling = true;
}

void End() {
  g_sampling = false;
  g_span.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - g_span.start).count();
  g_span.cpu = CpuSeconds() - g_span.cpuStart;
  g_ended = true;
}

LRESULT CALLBACK BoardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case MM_WOM_DONE:
      if (!g_started) {
        g_started = true;
        if (g_pausedSeconds) {
          EnginePause();
          SetTimer(hwnd, kPauseTimer, g_pausedSeconds * 1000, nullptr);
        }
        Begin();
      }
      BufferDone(reinterpret_cast<WAVEHDR*>(lParam));
      return 0;
    case WM_TIMER:
      if (wParam == TIMER_SEEK) EngineSeekStep(hwnd);
      if (wParam == kPauseTimer) {
        KillTimer(hwnd, kPauseTimer);
        End();
        EngineStop();
      }
      return 0;
    case UM_PLAYBACKENDED:
      PlaybackEnded();
      if (!g_ended) End();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_STOP) BoardStopCommand(HIWORD(wParam));
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  long ring = 50;
  const char* file = nullptr;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--ring") && i + 1 < argc) ring = atol(argv[++i]);
    else if (!strcmp(argv[i], "--paused") && i + 1 < argc) g_pausedSeconds = atoi(argv[++i]);
    else file = argv[i];
  }
  if (!file || ring < 50 || ring > 300) {
    fprintf(stderr, "usage: bench_engine [--ring N] [--paused SECONDS] FILE\n");
    return 1;
  }
  LxAudioSelect("null");
  WNDCLASSW wc = {};
  wc.lpfnWndProc = BoardProc;
  wc.lpszClassName = u"BenchBoard";
  RegisterClassW(&wc);
  g_windows.board = CreateWindowW(u"BenchBoard", u"", 0, 0, 0, 240, 100, nullptr, nullptr, nullptr, nullptr);
  if (!EngineBind(g_windows.board)) {
    fprintf(stderr, "bench_engine: the libraries do not bind\n");
    return 16;
  }
  g_settings.spectrumSpeed = 10;
  g_settings.volume = 100;
  g_power.spectrumSuspended = FALSE;
  FreeRing();
  if (!AllocateRing(ring)) return 1;
  g_settings.audioBuffer = (DWORD)ring;

  static PlaylistEntry entry;
  std::u16string path = LxDevicePath(file);
  lstrcpynW(entry.path, path.c_str(), MAX_PATH);
  if (!TrackProbe(&entry)) {
    fprintf(stderr, "bench_engine: %s is no MPEG audio file\n", file);
    return 1;
  }
  std::thread sampler([] {
    while (!g_ended) {
      if (g_sampling) {
        long rss = RssKb();
        if (rss > g_maxRss) g_maxRss = rss;
      }
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  });
  LoadTrack(&entry);
  if (!EnginePlay()) return 1;
  MSG m;
  while (!g_ended && GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  EngineStop();
  sampler.join();
  printf("ring %ld%s: %.1f s, CPU %.3f s = %.2f %% of one core, max RSS %.1f MB\n", ring,
         g_pausedSeconds ? " paused" : "", g_span.wall, g_span.cpu, 100.0 * g_span.cpu / g_span.wall,
         g_maxRss / 1024.0);
  EngineUnbind();
  return 0;
}
