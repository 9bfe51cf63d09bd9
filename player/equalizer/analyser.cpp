#include "equalizer/analyser.h"

#include <cmath>
#include <cstring>

Spectrum g_spectrum;

const int SpectrumBandBounds[SPECTRUM_BANDS + 1] = {0,  1,  2,  3,  5,   7,   10,  14, 20,
                                                    28, 40, 54, 74, 101, 137, 187, 255};

// Every butterfly input stays below this after normalising, so that sums of
// two values rotated by a Q15 twiddle still fit in 16 bits.
#define NORMAL_PEAK 13377

void BuildBitReverseTable(void) {
  for (DWORD i = 0; i < SPECTRUM_POINTS; i++) {
    DWORD r = 0;
    for (int b = 0; b < 9; b++)
      if (i & (1u << b)) r |= 1u << (8 - b);
    g_spectrum.bitReverse[i] = r;
  }
  // The angle is single precision; the product is truncated toward zero, so
  // pair 128 has -32766, not -32767.
  for (int k = 0; k < SPECTRUM_POINTS / 2; k++) {
    float angle = 2.0f * 3.14159265358979f * float(k) / float(SPECTRUM_POINTS);
    g_spectrum.twiddle[k][0] = SHORT(32767.0 * std::cos(double(angle)));
    g_spectrum.twiddle[k][1] = SHORT(-SHORT(32767.0 * std::sin(double(angle))));
  }
}

static DWORD IntegerSqrt(DWORD v) {
  DWORD root = 0, bit = 1u << 30;
  while (bit > v) bit >>= 2;
  while (bit) {
    if (v >= root + bit) {
      v -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
    bit >>= 2;
  }
  return root;
}

void SpectrumAnalyse(const SHORT* x, SHORT levels[SPECTRUM_BANDS]) {
  if (g_spectrum.twiddle[0][0] == 0) BuildBitReverseTable();
  SHORT re[SPECTRUM_POINTS], im[SPECTRUM_POINTS], mag[SPECTRUM_POINTS];
  for (int i = 0; i < SPECTRUM_POINTS; i++) {
    re[i] = SHORT(x[g_spectrum.bitReverse[i]] >> 3);
    im[i] = 0;
  }
  float scale = 1.0f;

  for (int h = 1; h < SPECTRUM_POINTS; h <<= 1) {
    int peak = 0;
    for (int i = 0; i < SPECTRUM_POINTS; i++) {
      int a = re[i] < 0 ? -re[i] : re[i], b = im[i] < 0 ? -im[i] : im[i];
      if (a > peak) peak = a;
      if (b > peak) peak = b;
    }
    if (peak == 0) peak = 1;
    for (int i = 0; i < SPECTRUM_POINTS; i++) {
      re[i] = SHORT(LONG(re[i]) * NORMAL_PEAK / peak);
      im[i] = SHORT(LONG(im[i]) * NORMAL_PEAK / peak);
    }
    scale *= float(NORMAL_PEAK) / float(peak);

    int stride = (SPECTRUM_POINTS / 2) / h;
    for (int g = 0; g < SPECTRUM_POINTS; g += 2 * h) {
      for (int k = 0; k < h; k++) {
        int i = g + k, j = i + h;
        LONG c = g_spectrum.twiddle[k * stride][0], s = g_spectrum.twiddle[k * stride][1];
        LONG tr = (c * re[j] - s * im[j]) >> 15;
        LONG ti = (c * im[j] + s * re[j]) >> 15;
        re[j] = SHORT(re[i] - tr);
        im[j] = SHORT(im[i] - ti);
        re[i] = SHORT(re[i] + tr);
        im[i] = SHORT(im[i] + ti);
      }
    }
  }

  // Near-silent input piles up a scale beyond any integer; such bins are 0
  // anyway, so the divisor is only kept in range.
  float divisor = ((512.0f * scale) * 0.1905f) * 256.0f;
  LONG d = divisor >= 2147483647.0f ? 2147483647 : divisor < 1.0f ? 1 : LONG(divisor);
  for (int n = 0; n < SPECTRUM_POINTS; n++) {
    // Below 2^31 for butterfly outputs (|value| < 32295).
    DWORD sum = DWORD(LONG(re[n]) * re[n]) + DWORD(LONG(im[n]) * im[n]);
    LONG q = LONG(IntegerSqrt(sum));
    LONG m = q == 0 ? 0 : (q * 256) / d;
    mag[n] = SHORT(m > 32767 ? 32767 : m);
  }

  for (int b = 0; b < SPECTRUM_BANDS; b++) {
    LONG sum = 0;
    for (int n = SpectrumBandBounds[b]; n < SpectrumBandBounds[b + 1]; n++) sum += mag[n];
    LONG level = sum >> 7;
    levels[b] = SHORT(level <= 0 ? 0 : level > SPECTRUM_MAX_LEVEL ? SPECTRUM_MAX_LEVEL : level);
  }
}

void SpectrumHoldLevels(int channel, const SHORT levels[SPECTRUM_BANDS]) {
  if (channel < 0 || channel > 1) return;
  for (int b = 0; b < SPECTRUM_BANDS; b++)
    if (levels[b] > g_spectrum.bars[channel][b]) g_spectrum.bars[channel][b] = levels[b];
}

void SpectrumFeed(const BYTE* pcm, DWORD bytes, DWORD channels) {
  if (!pcm || bytes < 2 * SPECTRUM_POINTS) return;
  const SHORT* samples = reinterpret_cast<const SHORT*>(pcm);
  if (channels == 2) {
    if (bytes < 4 * SPECTRUM_POINTS) return;
    for (int i = 0; i < SPECTRUM_POINTS; i++) {
      g_spectrum.input[0][i] = samples[2 * i];
      g_spectrum.input[1][i] = samples[2 * i + 1];
    }
    SpectrumAnalyse(g_spectrum.input[0], g_spectrum.levels[0]);
    SpectrumAnalyse(g_spectrum.input[1], g_spectrum.levels[1]);
    SpectrumHoldLevels(0, g_spectrum.levels[0]);
    SpectrumHoldLevels(1, g_spectrum.levels[1]);
  } else {
    memcpy(g_spectrum.input[0], samples, 2 * SPECTRUM_POINTS);
    SpectrumAnalyse(g_spectrum.input[0], g_spectrum.levels[0]);
    SpectrumHoldLevels(0, g_spectrum.levels[0]);
    SpectrumHoldLevels(1, g_spectrum.levels[0]);
  }
}

void SpectrumDecay(void) {
  for (auto& channel : g_spectrum.bars)
    for (SHORT& bar : channel) bar = SHORT(bar > g_spectrum.decayStep ? bar - g_spectrum.decayStep : 0);
}

void SpectrumClearBars(void) { memset(g_spectrum.bars, 0, sizeof(g_spectrum.bars)); }

static DWORD ClampSpeed(DWORD speed) { return speed < 1 ? 1 : speed > 10 ? 10 : speed; }

UINT SpectrumTimerPeriod(DWORD speed) { return 1000 / ClampSpeed(speed); }

void SpectrumSetSpeed(DWORD speed) { g_spectrum.decayStep = int(20 / ClampSpeed(speed)); }
