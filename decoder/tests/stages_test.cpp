// The stages after the layer decoders: equalizer tables, output stage, rate
// conversion.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "state.h"
#include "tables.h"

namespace {

std::vector<int16_t> Output(DecoderState& d, const Fixed* left, const Fixed* right, int channels, int count) {
  std::vector<uint8_t> bytes(size_t(count) * channels * 2);
  int32_t n = OutputPcm(d, left, right, channels, count, bytes.data(), int32_t(bytes.size()));
  std::vector<int16_t> out(size_t(n) / 2);
  std::memcpy(out.data(), bytes.data(), size_t(n));
  return out;
}

}  // namespace

TEST(Tables, FixedValuesMatchTheirDefinitions) {
  EXPECT_EQ(53687091, kFadeTable[0]);
  EXPECT_EQ(1 << 27, kFadeTable[6]);
  EXPECT_EQ(1 << 25, kEqualizerFactors[0]);
  EXPECT_EQ(1 << 27, kEqualizerFactors[20]);
  EXPECT_EQ(1 << 29, kEqualizerFactors[40]);
  EXPECT_EQ(292174646, kRateSteps[0][1]) << "48000 -> 44100";
  EXPECT_EQ(1 << 29, kRateSteps[1][4]) << "44100 -> 22050";
  const int32_t window[9] = {0, -7, 53, -115, 509, -1288, 1644, -9372, 18760};
  for (int i = 0; i < 9; i++) EXPECT_EQ(window[i], kSynthesisWindow[32 * i]) << "D[" << 32 * i << "]";
  EXPECT_EQ(-kSynthesisWindow[1], kSynthesisWindow[511]);
  EXPECT_EQ(kSynthesisWindow[64], kSynthesisWindow[448]);
}

TEST(Equalizer, FlatValuesGiveUnitGainsAtHalfLevel) {
  static EqualizerTables eq;
  const int8_t flat[11] = {};
  PrepareEqualizer(eq, flat);
  for (int j = 0; j < 576; j++) ASSERT_EQ(2048, eq.lineGain[j]) << "line " << j;
  for (int s = 0; s < 32; s++) ASSERT_EQ(1 << 27, eq.subbandGain[s]) << "subband " << s;
  EXPECT_EQ(1024, eq.preamp);
}

TEST(Equalizer, SplineFollowsTheBandsAndClamps) {
  static EqualizerTables eq;
  const int8_t bands[11] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
  PrepareEqualizer(eq, bands);
  for (int j = 0; j < 576; j++) ASSERT_EQ(4096, eq.lineGain[j]) << "a constant +10 doubles every line";
  EXPECT_EQ(2048, eq.preamp);

  const int8_t wild[11] = {100, -100, 20, -20, 0, 0, 0, 0, 5, -7, -30};
  PrepareEqualizer(eq, wild);
  EXPECT_EQ(eq.lineGain[0], 4 * 2048) << "line 0 sits on band 0, clamped to +20";
  EXPECT_EQ(eq.lineGain[4], 2048 / 4) << "line 4 sits on band 1, clamped to -20";
  for (int j = 0; j < 576; j++) {
    ASSERT_GE(eq.lineGain[j], 512);
    ASSERT_LE(eq.lineGain[j], 8192);
  }
  EXPECT_EQ(eq.lineGain[417], eq.lineGain[575]);
  EXPECT_EQ(kEqualizerFactors[0], eq.subbandGain[1]);
  EXPECT_EQ(kEqualizerFactors[20 + 5], eq.subbandGain[12]);
  EXPECT_EQ(kEqualizerFactors[20 - 7], eq.subbandGain[31]);
  EXPECT_EQ(int32_t(std::pow(2.0, -3.0) * 1024), eq.preamp) << "the preamplifier is not clamped";
}

TEST(Equalizer, LineAndSubbandGainsHalveTheLevelAtZero) {
  static EqualizerTables eq;
  const int8_t flat[11] = {};
  PrepareEqualizer(eq, flat);
  Fixed lines[576];
  for (int j = 0; j < 576; j++) lines[j] = (j - 288) * 100000;
  ApplyLineEqualizer(eq, lines);
  for (int j = 0; j < 576; j++) ASSERT_NEAR((j - 288) * 50000, lines[j], 2048) << "line " << j;

  static SubbandBuffer sb;
  sb.sample[1][35][31] = 1 << 28;
  ApplySubbandEqualizer(eq, sb, 2, 36);
  EXPECT_EQ(1 << 27, sb.sample[1][35][31]);
}

TEST(Output, FullScaleSquareWaveClipsToTheSampleRange) {
  for (int equalizer : {0, 1}) {
    static DecoderState d;
    d = DecoderState{};
    const int8_t flat[11] = {};
    PrepareEqualizer(d.equalizer, flat);
    d.equalizer.enabled = equalizer;
    std::vector<Fixed> wave(1152);
    for (size_t i = 0; i < wave.size(); i++) wave[i] = (i / 16) % 2 ? -(kFixedOne + 10000) : kFixedOne + 10000;
    std::vector<int16_t> out = Output(d, wave.data(), wave.data(), 2, 1152);
    ASSERT_EQ(2304u, out.size());
    for (size_t i = 0; i < out.size(); i++)
      ASSERT_EQ((i / 32) % 2 ? -32768 : 32767, out[i]) << "sample " << i << " equalizer " << equalizer;
  }
}

TEST(Output, EqualizerAtZeroMatchesEqualizerOffUpToDither) {
  static DecoderState off, on;
  off = DecoderState{};
  on = DecoderState{};
  const int8_t flat[11] = {};
  PrepareEqualizer(on.equalizer, flat);
  on.equalizer.enabled = 1;

  static SubbandBuffer a, b;
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0.0, 0.05);
  double maxDiff = 0, sumSqDiff = 0, sumXY = 0, sumXX = 0;
  int n = 0;
  for (int frame = 0; frame < 8; frame++) {
    for (int ch = 0; ch < 2; ch++)
      for (int t = 0; t < 36; t++)
        for (int k = 0; k < 32; k++) a.sample[ch][t][k] = Fixed(noise(rng) * kFixedOne);
    b = a;
    ApplySubbandEqualizer(on.equalizer, b, 2, 36);
    SynthesizeFrame(off.synthesis, a, 2, 36);
    SynthesizeFrame(on.synthesis, b, 2, 36);
    std::vector<int16_t> x = Output(off, off.synthesis.pcm[0], off.synthesis.pcm[1], 2, 1152);
    std::vector<int16_t> y = Output(on, on.synthesis.pcm[0], on.synthesis.pcm[1], 2, 1152);
    double level = 0;
    for (size_t i = 0; i < x.size(); i++) {
      double diff = double(x[i]) - y[i];
      maxDiff = std::max(maxDiff, std::fabs(diff));
      sumSqDiff += diff * diff;
      sumXY += double(x[i]) * y[i];
      sumXX += double(x[i]) * x[i];
      n++;
      level = std::max(level, std::fabs(double(x[i])));
    }
    ASSERT_GT(level, 1000) << "the test signal is audible";
  }
  // Same level; the difference is the two paths' shaped dither noise (each
  // within a few steps).
  EXPECT_NEAR(1.0, sumXY / sumXX, 1e-3);
  EXPECT_LT(std::sqrt(sumSqDiff / n), 3.0);
  EXPECT_LE(maxDiff, 12.0);
}

// Each channel keeps its own dither and error state: the left and right
// samples of a stereo output are those of each channel written alone, also
// across frames and on loud signals that clip (where the error is clamped).
TEST(Output, StereoChannelsMatchEachChannelAlone) {
  for (int equalizer : {0, 1}) {
    static DecoderState both, left, right;
    const int8_t flat[11] = {};
    for (DecoderState* d : {&both, &left, &right}) {
      *d = DecoderState{};
      PrepareEqualizer(d->equalizer, flat);
      d->equalizer.enabled = equalizer;
    }
    std::mt19937 rng(5);
    std::normal_distribution<double> loud(0.0, 0.9);
    std::uniform_int_distribution<int32_t> edge(-16384, 16384);  // where dither alone decides the clip
    std::vector<Fixed> l(1152), r(1152);
    for (int frame = 0; frame < 4; frame++) {
      for (int i = 0; i < 1152; i++) {
        l[i] = Fixed(std::clamp(loud(rng), -7.0, 7.0) * kFixedOne);
        r[i] = Fixed(std::clamp(loud(rng) * 0.3, -7.0, 7.0) * kFixedOne);
        if (i % 3 == 0) l[i] = (i % 2 ? kFixedOne : -kFixedOne) + edge(rng);
      }
      std::vector<int16_t> stereo = Output(both, l.data(), r.data(), 2, 1152);
      std::vector<int16_t> a = Output(left, l.data(), nullptr, 1, 1152);
      std::vector<int16_t> b = Output(right, r.data(), nullptr, 1, 1152);
      for (int i = 0; i < 1152; i++) {
        ASSERT_EQ(a[i], stereo[2 * i]) << "left sample " << i << " frame " << frame << " equalizer " << equalizer;
        ASSERT_EQ(b[i], stereo[2 * i + 1]) << "right sample " << i << " frame " << frame << " equalizer " << equalizer;
      }
    }
  }
}

TEST(Output, CapacityCutsAtWholeSampleFrames) {
  static DecoderState d;
  d = DecoderState{};
  Fixed samples[8] = {};
  uint8_t pcm[16];
  std::memset(pcm, 0x5A, sizeof pcm);
  EXPECT_EQ(8, OutputPcm(d, samples, samples, 2, 8, pcm, 11));
  for (int i = 8; i < 16; i++) EXPECT_EQ(0x5A, pcm[i]);
  EXPECT_EQ(0, OutputPcm(d, samples, samples, 2, 8, pcm, 3));
  EXPECT_EQ(6, OutputPcm(d, samples, samples, 1, 8, pcm, 7));
}

TEST(RateConversion, CountsFollowTheRateRatio) {
  static Fixed in[1152], out[kMaxConvertedSamples];
  for (int i = 0; i < 1152; i++) in[i] = i << 16;
  EXPECT_EQ(1058, ConvertRate(in, 1152, 48000, 44100, out));
  EXPECT_EQ(576, ConvertRate(in, 1152, 44100, 22050, out));
  for (int i = 0; i < 576; i++) ASSERT_EQ(in[2 * i], out[i]) << "every second sample";
  EXPECT_EQ(1152, ConvertRate(in, 1152, 44100, 44000, out)) << "outside the nine rates: copied";
  EXPECT_EQ(1152, ConvertRate(in, 1152, 44000, 22050, out));
  // Upwards: a ramp stays a ramp between the input samples.
  int n = ConvertRate(in, 1152, 8000, 48000, out);
  EXPECT_GE(n, 1152 * 6 - 6);
  EXPECT_LE(n, kMaxConvertedSamples);
  for (int i = 1; i < n; i++) ASSERT_GE(out[i], out[i - 1]) << "at " << i;
}
