// Equalizer: gain tables from the eleven user values, and their application
// per subband (Layers I, II) and per spectral line (Layer III). The only
// floating point of the library is here, run once per KO_Init with values.
#include <cmath>

#include "state.h"
#include "tables.h"

namespace {

inline int32_t Clamp20(int32_t v) { return v < -20 ? -20 : (v > 20 ? 20 : v); }

// Knot segments in spectral lines: segment k covers [bound_k, bound_k+1).
constexpr int kSegmentBounds[10] = {0, 4, 8, 16, 26, 78, 157, 313, 366, 418};
// Band value used by each subband.
constexpr int kSubbandBand[32] = {0, 1, 2, 3, 4, 5, 6, 6, 7, 7, 7, 7, 8, 8, 8, 8,
                                  8, 8, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};

}  // namespace

void PrepareEqualizer(EqualizerTables& eq, const int8_t values[11]) {
  float b[11];
  for (int k = 0; k < 11; k++) b[k] = float(Clamp20(values[k]));

  // Natural cubic spline with unit knot spacing: M0 = M10 = 0 and
  // M[k-1] + 4 M[k] + M[k+1] = 6 (b[k+1] - 2 b[k] + b[k-1]), solved by elimination.
  float m[11] = {};
  float diag[11], rhs[11];
  for (int k = 1; k < 10; k++) {
    diag[k] = 4.0f;
    rhs[k] = 6.0f * (b[k + 1] - 2.0f * b[k] + b[k - 1]);
  }
  for (int k = 2; k < 10; k++) {
    float f = 1.0f / diag[k - 1];
    diag[k] -= f;
    rhs[k] -= f * rhs[k - 1];
  }
  for (int k = 9; k >= 1; k--) m[k] = (rhs[k] - m[k + 1]) / diag[k];

  for (int k = 0; k < 9; k++) {
    int from = kSegmentBounds[k], to = kSegmentBounds[k + 1];
    for (int j = from; j < to; j++) {
      float x = float(k) + float(j - from) / float(to - from);
      float a = float(k + 1) - x;
      float bb = x - float(k);
      float y = a * b[k] + bb * b[k + 1] + ((a * a * a - a) * m[k] + (bb * bb * bb - bb) * m[k + 1]) * 0.167f;
      if (y < -20.0f) y = -20.0f;
      if (y > 20.0f) y = 20.0f;
      eq.lineGain[j] = int32_t(std::lround(std::pow(2.0, double(y) / 10.0) * 2048.0));
    }
  }
  for (int j = 418; j < 576; j++) eq.lineGain[j] = eq.lineGain[417];

  for (int s = 0; s < 32; s++) eq.subbandGain[s] = kEqualizerFactors[Clamp20(values[kSubbandBand[s]]) + 20];

  // The preamplifier value is not clamped; the output stage saturates.
  eq.preamp = int32_t(std::pow(2.0, double(values[10]) / 10.0) * 1024.0);
}

void ApplySubbandEqualizer(const EqualizerTables& eq, SubbandBuffer& sb, int channels, int blocks) {
  for (int ch = 0; ch < channels; ch++)
    for (int t = 0; t < blocks; t++) {
      Fixed* s = sb.sample[ch][t];
      for (int j = 0; j < 32; j++) s[j] = RoundedProduct(s[j], eq.subbandGain[j]);
    }
}

void ApplyLineEqualizer(const EqualizerTables& eq, Fixed lines[576]) {
  for (int j = 0; j < 576; j++) {
    int32_t x = int32_t((int64_t(lines[j]) + 2048) >> 12);
    lines[j] = Fixed(uint32_t(x) * uint32_t(eq.lineGain[j]));
  }
}
