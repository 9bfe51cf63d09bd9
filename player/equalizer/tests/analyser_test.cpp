#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "equalizer/analyser.h"

namespace {

class SpectrumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildBitReverseTable();
    SpectrumClearBars();
  }
};

std::vector<SHORT> Sine(double cyclesPer512, double amplitude) {
  std::vector<SHORT> x(SPECTRUM_POINTS);
  for (int i = 0; i < SPECTRUM_POINTS; i++)
    x[i] = SHORT(std::lround(amplitude * std::sin(2 * M_PI * cyclesPer512 * i / SPECTRUM_POINTS)));
  return x;
}

TEST_F(SpectrumTest, TablesHoldTheBindingValues) {
  EXPECT_EQ(g_spectrum.bitReverse[0], 0u);
  EXPECT_EQ(g_spectrum.bitReverse[1], 256u);
  EXPECT_EQ(g_spectrum.bitReverse[3], 384u);
  EXPECT_EQ(g_spectrum.bitReverse[256], 1u);
  EXPECT_EQ(g_spectrum.bitReverse[511], 511u);
  for (DWORD i = 0; i < SPECTRUM_POINTS; i++) ASSERT_EQ(g_spectrum.bitReverse[g_spectrum.bitReverse[i]], i);

  EXPECT_EQ(g_spectrum.twiddle[0][0], 32767);
  EXPECT_EQ(g_spectrum.twiddle[0][1], 0);
  EXPECT_EQ(g_spectrum.twiddle[64][0], 23169);
  EXPECT_EQ(g_spectrum.twiddle[64][1], -23169);
  EXPECT_EQ(g_spectrum.twiddle[128][0], 0);
  EXPECT_EQ(g_spectrum.twiddle[128][1], -32766);
  EXPECT_EQ(g_spectrum.twiddle[192][0], -23169);
  for (int k = 1; k < 256; k++) {
    // Truncation toward zero never rounds a magnitude up.
    EXPECT_LE(std::abs(g_spectrum.twiddle[k][0]), std::abs(32767 * std::cos(2 * M_PI * k / 512)) + 1e-3) << k;
    EXPECT_GE(g_spectrum.twiddle[k][1], -32767) << k;
  }
}

TEST_F(SpectrumTest, SilenceGivesNoLevels) {
  std::vector<SHORT> silence(SPECTRUM_POINTS, 0);
  SHORT levels[SPECTRUM_BANDS];
  memset(levels, 0x55, sizeof(levels));
  SpectrumAnalyse(silence.data(), levels);
  for (SHORT l : levels) EXPECT_EQ(l, 0);
  // Almost silent: the scale grows huge, the levels stay 0.
  std::vector<SHORT> whisper(SPECTRUM_POINTS, 0);
  whisper[7] = 8;
  SpectrumAnalyse(whisper.data(), levels);
  for (SHORT l : levels) EXPECT_EQ(l, 0);
}

TEST_F(SpectrumTest, FullScaleLowSineFillsItsBand) {
  SHORT levels[SPECTRUM_BANDS];
  std::vector<SHORT> x = Sine(3, 32767);  // bin 3: band 3 covers bins 3 and 4
  SpectrumAnalyse(x.data(), levels);
  EXPECT_EQ(levels[3], SPECTRUM_MAX_LEVEL);
  for (int b = 5; b < SPECTRUM_BANDS; b++) EXPECT_LE(levels[b], 1) << "band " << b;

  x = Sine(60, 32767);  // band 11: bins 54 to 73
  SpectrumAnalyse(x.data(), levels);
  EXPECT_EQ(levels[11], SPECTRUM_MAX_LEVEL);
  EXPECT_LE(levels[2], 1);

  // mag is about |X| / 97.5 for the shifted samples: a quiet sine at bin 20
  // (amplitude A >> 3 = 100 gives |X| = 100 * 256 = 25600, mag about 262,
  // band 8 sum >> 7 = 2).
  x = Sine(20, 800);
  SpectrumAnalyse(x.data(), levels);
  EXPECT_GE(levels[8], 1);
  EXPECT_LE(levels[8], 3);
}

TEST_F(SpectrumTest, HoldRaisesAndDecayLowers) {
  SHORT levels[SPECTRUM_BANDS] = {};
  levels[0] = 18;
  levels[5] = 7;
  SpectrumHoldLevels(0, levels);
  levels[0] = 3;
  SpectrumHoldLevels(0, levels);
  EXPECT_EQ(g_spectrum.bars[0][0], 18) << "a lower level does not pull the bar down";
  EXPECT_EQ(g_spectrum.bars[1][0], 0);

  SpectrumSetSpeed(10);
  EXPECT_EQ(g_spectrum.decayStep, 2);
  int repaints = 0;
  while (g_spectrum.bars[0][0] > 0) SpectrumDecay(), repaints++;
  EXPECT_EQ(repaints, 9) << "a full bar empties in nine repaints at speed 10";
  EXPECT_EQ(g_spectrum.bars[0][5], 0);

  SpectrumHoldLevels(1, levels);
  SpectrumSetSpeed(1);
  SpectrumDecay();
  EXPECT_EQ(g_spectrum.bars[1][0], 0) << "speed 1 empties in one repaint";

  EXPECT_EQ(SpectrumTimerPeriod(3), 333u);
  SpectrumSetSpeed(3);
  EXPECT_EQ(g_spectrum.decayStep, 6);
  levels[0] = 9;
  SpectrumHoldLevels(0, levels);
  SpectrumClearBars();
  for (auto& ch : g_spectrum.bars)
    for (SHORT b : ch) EXPECT_EQ(b, 0);
}

TEST_F(SpectrumTest, FeedSplitsStereoAndCopiesMono) {
  std::vector<SHORT> low = Sine(3, 32767);
  std::vector<SHORT> stereo(2 * SPECTRUM_POINTS, 0);
  for (int i = 0; i < SPECTRUM_POINTS; i++) stereo[2 * i] = low[i];  // left only
  SpectrumFeed(reinterpret_cast<const BYTE*>(stereo.data()), DWORD(stereo.size() * 2), 2);
  EXPECT_EQ(g_spectrum.bars[0][3], SPECTRUM_MAX_LEVEL);
  EXPECT_EQ(g_spectrum.bars[1][3], 0);

  SpectrumClearBars();
  SpectrumFeed(reinterpret_cast<const BYTE*>(low.data()), DWORD(low.size() * 2), 1);
  EXPECT_EQ(g_spectrum.bars[0][3], SPECTRUM_MAX_LEVEL);
  EXPECT_EQ(memcmp(g_spectrum.bars[0], g_spectrum.bars[1], sizeof(g_spectrum.bars[0])), 0)
      << "one channel shows the same bars in both boxes";

  SpectrumClearBars();
  SpectrumFeed(reinterpret_cast<const BYTE*>(low.data()), 1022, 1);
  EXPECT_EQ(g_spectrum.bars[0][3], 0) << "buffers under 1024 bytes are not analysed";
}

}  // namespace
