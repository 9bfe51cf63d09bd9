// The spectrum analyser's two boxes in the equalizer pane: drawing the bars,
// the repaint timer and its cheap tick. User-interface thread only.
#pragma once
#include <windows.h>

#define TIMER_SPECTRUM 2329

// The pane's area the bars live in, and the left edge of each channel's box.
#define SPECTRUM_LEFT 77
#define SPECTRUM_TOP 6
#define SPECTRUM_RIGHT 223
#define SPECTRUM_BOTTOM 24

// Draws both channels' bars that meet area from the bar canvas (bitmap 152),
// then lowers every bar by the decay step.
void DrawSpectrum(HDC destination, HDC barCanvas, const RECT* area);
// Timer 2329 on the equalizer window at the period of the configured speed,
// and the decay step that goes with it. Stop, then start again when the
// speed changes.
void StartSpectrumTimer(HWND equalizer);
void StopSpectrumTimer(HWND equalizer);
// Bars to 0 and their area repainted (the spectrum was switched off).
void ClearSpectrum(void);
// One timer tick: invalidates the columns whose bars differ from what was
// last drawn, unless the spectrum is suspended.
void SpectrumTick(HWND equalizer);
