#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "state.h"
#include "synthesis_model.h"

namespace {

struct ErrorStats {
  double maxLsb = 0, sumSq = 0;
  int n = 0;
  double Rms() const { return std::sqrt(sumSq / n); }
};

// Runs `frames` frames of 36 blocks through the fixed-point synthesis and the
// model; errors in 16-bit steps (full scale 1.0 = 32768 steps).
template <typename Fill>
ErrorStats Compare(int frames, bool q14Window, Fill fill) {
  static SynthesisState s;
  static SubbandBuffer sb;
  s = SynthesisState{};
  SynthesisModel model;
  model.q14Window = q14Window;
  ErrorStats e;
  for (int f = 0; f < frames; f++) {
    for (int t = 0; t < 36; t++)
      for (int k = 0; k < 32; k++) sb.sample[0][t][k] = Fixed(std::lround(fill(f * 36 + t, k) * kFixedOne));
    SynthesizeFrame(s, sb, 1, 36);
    for (int t = 0; t < 36; t++) {
      double in[32], out[32];
      for (int k = 0; k < 32; k++) in[k] = sb.sample[0][t][k] / double(kFixedOne);
      model.Block(in, out);
      for (int j = 0; j < 32; j++) {
        double err = (s.pcm[0][t * 32 + j] / double(kFixedOne) - out[j]) * 32768.0;
        e.maxLsb = std::max(e.maxLsb, std::fabs(err));
        e.sumSq += err * err;
        e.n++;
      }
    }
  }
  return e;
}

}  // namespace

// Bounds, in steps of 16-bit output (full scale = 32768 steps). The Q12
// constants of the transform and its operands rounded to Q16 limit the
// precision to about 1e-4 of the signal: on tones at 0.9 of full scale at
// most 12 steps off and 4 rms; on noise at a level of music (sd 0.02 per
// subband) at most 5 steps and 1 rms. (Measured: 10.8 / 3.1 and 3.4 / 0.77.)
TEST(Synthesis, MatchesStandardFilterBankOnNoise) {
  std::mt19937 rng(7);
  std::normal_distribution<double> u(0.0, 0.02);
  ErrorStats e = Compare(20, false, [&](int, int) { return u(rng); });
  EXPECT_LT(e.maxLsb, 5.0) << "rms " << e.Rms();
  EXPECT_LT(e.Rms(), 1.0) << "max " << e.maxLsb;
}

TEST(Synthesis, MatchesStandardFilterBankOnFullScaleTones) {
  for (int band : {0, 1, 7, 16, 31}) {
    ErrorStats e = Compare(4, false, [&](int t, int k) { return k == band ? 0.9 * std::sin(0.3 * t) : 0.0; });
    EXPECT_LT(e.maxLsb, 12.0) << "subband " << band << " rms " << e.Rms();
    EXPECT_LT(e.Rms(), 4.0) << "subband " << band << " max " << e.maxLsb;
  }
}

TEST(Synthesis, RingOffsetAdvancesByBlockCount) {
  static SynthesisState s;
  static SubbandBuffer sb;
  s = SynthesisState{};
  sb = SubbandBuffer{};
  SynthesizeFrame(s, sb, 2, 12);
  EXPECT_EQ(12, s.offset);
  EXPECT_EQ(384, s.samples);
  SynthesizeFrame(s, sb, 2, 18);
  EXPECT_EQ((12 + 18) % 16, s.offset);
  EXPECT_EQ(576, s.samples);
}
