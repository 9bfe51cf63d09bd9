#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

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

namespace {

// Restores the default kernel when a test ends.
struct KernelChoice {
  ~KernelChoice() { SelectSynthesisKernel(1); }
};

// Runs the same frames (block counts as Layer I, II and the two Layer III
// sizes mix them) through one kernel; returns every PCM sample and the ring.
template <typename Fill>
std::vector<int32_t> RunKernel(int vector, Fill fill) {
  static SynthesisState s;
  static SubbandBuffer sb;
  s = SynthesisState{};
  SelectSynthesisKernel(vector);
  std::vector<int32_t> out;
  const int blockCounts[] = {36, 18, 12, 36, 18, 36, 12, 12, 36};
  int frame = 0;
  for (int blocks : blockCounts) {
    for (int ch = 0; ch < 2; ch++)
      for (int t = 0; t < blocks; t++)
        for (int k = 0; k < 32; k++) sb.sample[ch][t][k] = fill(frame, ch, t, k);
    SynthesizeFrame(s, sb, 2, blocks);
    for (int ch = 0; ch < 2; ch++) out.insert(out.end(), s.pcm[ch], s.pcm[ch] + blocks * 32);
    frame++;
  }
  for (int ch = 0; ch < 2; ch++) out.insert(out.end(), &s.ring[ch][0][0], &s.ring[ch][0][0] + 16 * 32);
  out.push_back(s.offset);
  return out;
}

}  // namespace

// The eight-lane kernel must give the portable kernel's samples bit for bit:
// on music-like levels, on loud frames whose transform sums leave 32 bits,
// and on arbitrary 32-bit values.
TEST(Synthesis, KernelsAgreeBitForBit) {
  KernelChoice restore;
  if (!SelectSynthesisKernel(1)) GTEST_SKIP() << "no eight-lane kernel on this processor";
  std::mt19937 rng(11);
  std::normal_distribution<double> music(0.0, 0.05);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  std::uniform_real_distribution<double> loud(-7.9, 7.9);
  struct Case {
    const char* name;
    std::function<Fixed(int, int, int, int)> fill;
  } cases[] = {
      {"music", [&](int, int, int, int k) { return Fixed(music(rng) * kFixedOne / (1 + k / 4)); }},
      {"loud", [&](int f, int, int, int) { return f % 3 == 1 ? Fixed(loud(rng) * kFixedOne) : Fixed(0); }},
      {"coherent", [&](int, int ch, int t, int) { return Fixed(((t + ch) & 1 ? -7.5 : 7.5) * kFixedOne); }},
      {"any", [&](int, int, int, int) { return any(rng); }},
  };
  for (const Case& c : cases) {
    std::mt19937 saved = rng;
    std::vector<int32_t> portable = RunKernel(0, c.fill);
    rng = saved;
    std::vector<int32_t> lanes = RunKernel(1, c.fill);
    ASSERT_EQ(portable.size(), lanes.size());
    size_t first = 0;
    while (first < portable.size() && portable[first] == lanes[first]) first++;
    EXPECT_EQ(portable.size(), first) << c.name << ": first difference at value " << first;
  }
}

// Subband samples of several times full scale drive the window sum (Q30,
// twice full scale) and the transform's sums past 32 bits. Such samples must
// come out clipped with the right sign, never wrapped to the other one, and
// the output stage must turn them into the extreme 16-bit values.
TEST(Synthesis, LoudFramesClipInsteadOfWrapping) {
  KernelChoice restore;
  struct Case {
    const char* name;
    double (*fill)(int t, int k);
  } cases[] = {
      {"one subband at 6x", [](int t, int k) { return k == 0 ? 6.0 * std::sin(0.05 * t) : 0.0; }},
      {"all subbands at 7.5x", [](int t, int k) { return (k & 1 ? -7.5 : 7.5) * std::cos(0.02 * t + k); }},
  };
  for (int vector : {0, 1}) {
    SelectSynthesisKernel(vector);
    for (const Case& c : cases) {
      static DecoderState d;
      d = DecoderState{};
      SynthesisModel model;
      int wrapped = 0, clipped = 0, beyond = 0;
      double inRangeError = 0;
      for (int f = 0; f < 6; f++) {
        for (int t = 0; t < 36; t++)
          for (int k = 0; k < 32; k++) d.subbands.sample[0][t][k] = Fixed(std::lround(c.fill(f * 36 + t, k) * kFixedOne));
        SynthesizeFrame(d.synthesis, d.subbands, 1, 36);
        uint8_t pcm[1152 * 2];
        OutputPcm(d, d.synthesis.pcm[0], nullptr, 1, 1152, pcm, sizeof pcm);
        for (int t = 0; t < 36; t++) {
          double in[32], expected[32];
          for (int k = 0; k < 32; k++) in[k] = d.subbands.sample[0][t][k] / double(kFixedOne);
          model.Block(in, expected);
          for (int j = 0; j < 32; j++) {
            int i = t * 32 + j;
            double got = d.synthesis.pcm[0][i] / double(kFixedOne);
            int16_t out = int16_t(pcm[2 * i] | pcm[2 * i + 1] << 8);
            if (std::fabs(expected[j]) > 2.01) {
              beyond++;
              if (got * expected[j] < 0) wrapped++;
              if (std::fabs(got) == 2.0 || got == (INT32_MAX >> 2) / double(kFixedOne)) clipped++;
            } else {
              inRangeError = std::max(inRangeError, std::fabs(got - expected[j]));
            }
            if (std::fabs(expected[j]) > 1.01) {
              EXPECT_EQ(expected[j] > 0 ? 32767 : -32768, out) << c.name << " frame " << f << " sample " << i;
              if (::testing::Test::HasFailure()) return;
            }
          }
        }
      }
      EXPECT_GT(beyond, 100) << c.name << ": the case must reach past twice full scale";
      EXPECT_EQ(0, wrapped) << c.name << " kernel " << vector;
      EXPECT_EQ(beyond, clipped) << c.name << " kernel " << vector;
      // Below twice full scale the loud blocks stay as precise as quiet ones
      // relative to their level (Q12 constants: about 1e-4 of up to 8x).
      EXPECT_LT(inRangeError, 0.01) << c.name << " kernel " << vector;
    }
  }
}
