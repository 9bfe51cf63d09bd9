// How closely the null device keeps real time: plays S seconds of 44.1 kHz
// stereo through a ring of 50 buffers of 8000 bytes, as the player does, and
// reports the total time against the sound's length, how late each buffer
// came back against its ideal moment, and the CPU time spent.
//
//   bench_waveout_pacing [seconds [device]]    (default 10 s, device "null";
//   "sdl" measures the sound card, or SDL_AUDIODRIVER=dummy's timer)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <vector>

#include "lxaudio.h"
#include "windows.h"

namespace {

using Clock = std::chrono::steady_clock;

std::mutex g_lock;
std::condition_variable g_returned;
std::deque<LPWAVEHDR> g_free;
std::vector<Clock::time_point> g_doneAt;

void CALLBACK Done(HWAVEOUT, UINT msg, DWORD_PTR, DWORD_PTR param, DWORD_PTR) {
  if (msg != MM_WOM_DONE) return;
  std::lock_guard<std::mutex> guard(g_lock);
  g_doneAt.push_back(Clock::now());
  g_free.push_back(reinterpret_cast<LPWAVEHDR>(param));
  g_returned.notify_one();
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? atof(argv[1]) : 10.0;
  const int kRing = 50, kBytes = 8000, kRate = 44100, kBytesPerSecond = kRate * 4;
  int total = int(seconds * kBytesPerSecond / kBytes);
  if (!LxAudioSelect(argc > 2 ? argv[2] : "null")) {
    fprintf(stderr, "unknown device\n");
    return 1;
  }

  WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, kRate, kBytesPerSecond, 4, 16, 0};
  HWAVEOUT hwo = nullptr;
  if (waveOutOpen(&hwo, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(Done), 0, CALLBACK_FUNCTION) != 0) {
    fprintf(stderr, "open failed\n");
    return 1;
  }
  std::vector<std::vector<char>> pcm(kRing, std::vector<char>(kBytes));
  std::vector<WAVEHDR> hdr(kRing);
  for (int i = 0; i < kRing; ++i) {
    hdr[i].lpData = pcm[i].data();
    hdr[i].dwBufferLength = kBytes;
    waveOutPrepareHeader(hwo, &hdr[i], sizeof(WAVEHDR));
    g_free.push_back(&hdr[i]);
  }
  double cpu0 = CpuSeconds();
  Clock::time_point start = Clock::now();
  int written = 0;
  while (written < total) {
    LPWAVEHDR h;
    {
      std::unique_lock<std::mutex> guard(g_lock);
      g_returned.wait(guard, [] { return !g_free.empty(); });
      h = g_free.front();
      g_free.pop_front();
    }
    waveOutWrite(hwo, h, sizeof(WAVEHDR));
    ++written;
  }
  {
    std::unique_lock<std::mutex> guard(g_lock);
    g_returned.wait(guard, [&] { return int(g_doneAt.size()) == total; });
  }
  double wall = std::chrono::duration<double>(Clock::now() - start).count();
  double cpu = CpuSeconds() - cpu0;

  double sumLate = 0, maxLate = 0, minLate = 1e9;
  for (int i = 0; i < total; ++i) {
    double ideal = double(i + 1) * kBytes / kBytesPerSecond;
    double late = std::chrono::duration<double>(g_doneAt[size_t(i)] - start).count() - ideal;
    sumLate += late;
    maxLate = std::max(maxLate, late);
    minLate = std::min(minLate, late);
  }
  double nominal = double(total) * kBytes / kBytesPerSecond;
  printf("buffers            %d x %d bytes (44100 Hz stereo, %.2f ms each)\n", total, kBytes,
         1000.0 * kBytes / kBytesPerSecond);
  printf("sound length       %.3f s\n", nominal);
  printf("wall time          %.3f s (%+.3f%%)\n", wall, 100.0 * (wall - nominal) / nominal);
  printf("return lateness    mean %.3f ms, min %.3f ms, max %.3f ms\n", 1000 * sumLate / total, 1000 * minLate,
         1000 * maxLate);
  printf("cpu time           %.3f s (%.2f%% of one core)\n", cpu, 100.0 * cpu / wall);
  for (int i = 0; i < kRing; ++i) waveOutUnprepareHeader(hwo, &hdr[i], sizeof(WAVEHDR));
  waveOutClose(hwo);
  return 0;
}
