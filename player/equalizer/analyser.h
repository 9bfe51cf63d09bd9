// The spectrum analyser's arithmetic: a 512-point fixed-point FFT turned into
// 16 band levels of 0-18 pixels per channel, held as bar heights that fall by
// a fixed step at each repaint.
#pragma once
#include <windows.h>

#define SPECTRUM_POINTS 512
#define SPECTRUM_BANDS 16
#define SPECTRUM_MAX_LEVEL 18

struct Spectrum {
  DWORD bitReverse[SPECTRUM_POINTS];
  SHORT twiddle[SPECTRUM_POINTS / 2][2];  // (cos, -sin) in Q15
  SHORT bars[2][SPECTRUM_BANDS];
  int decayStep;
  SHORT input[2][SPECTRUM_POINTS];
  SHORT levels[2][SPECTRUM_BANDS];
};

extern Spectrum g_spectrum;
extern const int SpectrumBandBounds[SPECTRUM_BANDS + 1];

// Called once at start-up (component binding); also builds the twiddle table.
void BuildBitReverseTable(void);
void SpectrumAnalyse(const SHORT* samples, SHORT levels[SPECTRUM_BANDS]);
void SpectrumHoldLevels(int channel, const SHORT levels[SPECTRUM_BANDS]);
// The PCM of one returned buffer (16-bit, interleaved when stereo): its
// first 512 frames, when it has them, raise the bars of both channels.
void SpectrumFeed(const BYTE* pcm, DWORD bytes, DWORD channels);
// After each repaint: every bar falls by the decay step, not below 0.
void SpectrumDecay(void);
void SpectrumClearBars(void);
// Speed 1-10: the timer period in ms, and the decay step it sets.
UINT SpectrumTimerPeriod(DWORD speed);
void SpectrumSetSpeed(DWORD speed);
