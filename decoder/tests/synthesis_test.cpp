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
ErrorStats Compare(int frames, Fill fill) {
  static SynthesisState s;
  static SubbandBuffer sb;
  s = SynthesisState{};
  SynthesisModel model;
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

// Bound: within 1.5 steps of 16-bit output everywhere and 0.25 steps rms
// (Q12 transform constants and a Q14 window limit the precision).
TEST(Synthesis, MatchesStandardFilterBankOnNoise) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-0.25, 0.25);
  ErrorStats e = Compare(20, [&](int, int) { return u(rng); });
  RecordProperty("max_lsb", std::to_string(e.maxLsb));
  EXPECT_LT(e.maxLsb, 1.5) << "rms " << e.Rms();
  EXPECT_LT(e.Rms(), 0.25) << "max " << e.maxLsb;
}

TEST(Synthesis, MatchesStandardFilterBankOnFullScaleTones) {
  // One subband at a time carrying a tone near full scale.
  for (int band : {0, 1, 7, 16, 31}) {
    ErrorStats e = Compare(4, [&](int t, int k) { return k == band ? 0.9 * std::sin(0.3 * t) : 0.0; });
    EXPECT_LT(e.maxLsb, 1.5) << "subband " << band << " rms " << e.Rms();
    EXPECT_LT(e.Rms(), 0.25) << "subband " << band << " max " << e.maxLsb;
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
