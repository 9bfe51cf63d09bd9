#include "equalizer/analyserview.h"

#include "equalizer/analyser.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"

// Heights as last drawn; a tick repaints only columns that differ, and none
// once every bar has been drawn at 0.
static SHORT g_drawn[2][SPECTRUM_BANDS];

static const LONG BoxLeft[2] = {SPECTRUM_LEFT, 157};

static RECT BarColumn(int channel, int band) {
  LONG x = BoxLeft[channel] + 2 + 4 * band;
  return RECT{x, SPECTRUM_TOP, x + 3, SPECTRUM_BOTTOM};
}

void DrawSpectrum(HDC destination, HDC barCanvas, const RECT* area) {
  for (int c = 0; c < 2; c++)
    for (int b = 0; b < SPECTRUM_BANDS; b++) {
      RECT column = BarColumn(c, b), meet;
      if (!IntersectRect(&meet, &column, area)) continue;
      SHORT h = g_spectrum.bars[c][b];
      // A bar of height h shows the bitmap's bottom h rows, standing on y 24.
      if (h > 0) BitBlt(destination, column.left, SPECTRUM_BOTTOM - h, 3, h, barCanvas, 0, SPECTRUM_MAX_LEVEL - h, SRCCOPY);
      g_drawn[c][b] = h;
    }
  SpectrumDecay();
}

void StartSpectrumTimer(HWND equalizer) {
  SpectrumSetSpeed(g_settings.spectrumSpeed);
  if (g_power.equalizerSpectrumSuspended) return;  // started again when it shows
  SetTimer(equalizer, TIMER_SPECTRUM, SpectrumTimerPeriod(g_settings.spectrumSpeed), nullptr);
}

void StopSpectrumTimer(HWND equalizer) { KillTimer(equalizer, TIMER_SPECTRUM); }

void ClearSpectrum(void) {
  SpectrumClearBars();
  if (!g_windows.equalizer) return;
  RECT area = {SPECTRUM_LEFT, SPECTRUM_TOP, SPECTRUM_RIGHT, SPECTRUM_BOTTOM};
  InvalidateRect(g_windows.equalizer, &area, FALSE);
}

void SpectrumTick(HWND equalizer) {
  if (g_power.equalizerSpectrumSuspended) {
    KillTimer(equalizer, TIMER_SPECTRUM);  // RecomputeSuspension starts it again
    return;
  }
  for (int c = 0; c < 2; c++)
    for (int b = 0; b < SPECTRUM_BANDS; b++)
      if (g_spectrum.bars[c][b] != g_drawn[c][b]) {
        RECT column = BarColumn(c, b);
        InvalidateRect(equalizer, &column, FALSE);
      }
}
