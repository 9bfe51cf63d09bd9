// SpectrumFeed of one 8000-byte stereo buffer (two 512-point analyses), and
// one spectrum timer tick with the repaint it causes, headless.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "display/skin.h"
#include "equalizer/analyser.h"
#include "equalizer/analyserview.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"

namespace {

std::vector<short> MusicLike() {
  std::vector<short> pcm(4000);
  for (int i = 0; i < 2000; i++) {
    double t = i / 44100.0;
    double v = 9000 * std::sin(2 * M_PI * 110 * t) + 6000 * std::sin(2 * M_PI * 1750 * t) +
               3000 * std::sin(2 * M_PI * 9000 * t) + (i * 7919 % 2001 - 1000);
    pcm[2 * i] = short(v);
    pcm[2 * i + 1] = short(v * 0.7);
  }
  return pcm;
}

void SpectrumFeedStereoBuffer(benchmark::State& state) {
  BuildBitReverseTable();
  std::vector<short> pcm = MusicLike();
  for (auto _ : state) {
    SpectrumFeed(reinterpret_cast<const BYTE*>(pcm.data()), 8000, 2);
    benchmark::DoNotOptimize(g_spectrum.bars);
  }
}
BENCHMARK(SpectrumFeedStereoBuffer)->Unit(benchmark::kMicrosecond);

LRESULT CALLBACK Host(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// Every bar moving, as while music plays: each tick repaints all 32 columns.
void SpectrumTimerRepaint(benchmark::State& state) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Host;
  wc.lpszClassName = u"BenchHost";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, u"BenchHost", u"Lumtrax", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr,
                              nullptr);
  g_windows.main = host;
  CreateScratchDC(host);
  HWND pane = EqualizerCreate(host);
  KillTimer(pane, TIMER_SPECTRUM);
  UpdateWindow(pane);
  SHORT level = 18;
  for (auto _ : state) {
    level = level == 18 ? 17 : 18;  // never what was drawn last
    for (auto& channel : g_spectrum.bars)
      for (SHORT& bar : channel) bar = level;
    SendMessageW(pane, WM_TIMER, TIMER_SPECTRUM, 0);
    UpdateWindow(pane);
  }
  DestroyWindow(host);
  DeleteScratchDC();
}
BENCHMARK(SpectrumTimerRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
