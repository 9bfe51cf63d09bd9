// Export behaviour that needs real audio: fade-in, equalizer at zero gains,
// CRC errors. Fixtures from tools/make-decoder-fixtures.sh (a steady tone).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "komp3dec.h"
#include "state.h"

namespace {

std::vector<uint8_t> Fixture(const char* name) {
  const char* source = std::getenv("LUMTRAX_SOURCE");
  std::string path = std::string(source ? source : ".") + "/decoder/tests/fixtures/" + name;
  std::vector<uint8_t> data;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
  }
  return data;
}

// The whole stream in one buffer (plus the 8 bytes the last frame needs after
// it); the PCM of each decoded frame.
std::vector<std::vector<int16_t>> DecodeFrames(std::vector<uint8_t> stream, int32_t fadeIn, int32_t eqFlag,
                                               const int8_t* gains) {
  stream.insert(stream.end(), 8, 0);
  KO_Exit();
  KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
  g_decoder.fadeCounter = 16;
  KO_Init(fadeIn, eqFlag, gains, 0);
  std::vector<std::vector<int16_t>> frames;
  static int16_t pcm[4608];
  const uint8_t* data = stream.data();
  int32_t r = 0;
  do {
    int32_t bytes = 0, position = 0, bitRate = 0;
    r = KO_DecompressAudio(data, int32_t(stream.size()), reinterpret_cast<uint8_t*>(pcm), sizeof pcm, &bytes,
                           &position, &bitRate);
    data = nullptr;
    if (bytes > 0) frames.emplace_back(pcm, pcm + bytes / 2);
  } while (r == 0);
  return frames;
}

double Rms(const std::vector<int16_t>& v) {
  double s = 0;
  for (int16_t x : v) s += double(x) * x;
  return std::sqrt(s / double(v.size()));
}

// Leaves the one decoder as the other tests expect it.
class ExportsAudio : public ::testing::Test {
 protected:
  void TearDown() override {
    KO_Exit();
    KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
    const int8_t flat[11] = {};
    KO_Init(0, 0, flat, 0);
    g_decoder.fadeCounter = 16;
  }
};

}  // namespace

TEST_F(ExportsAudio, FadeInRisesOverSixteenFrames) {
  for (const char* name : {"tone-44100-stereo-192-crc.mp2", "tone-44100-stereo-128.mp3"}) {
    std::vector<uint8_t> stream = Fixture(name);
    ASSERT_FALSE(stream.empty()) << name;
    auto plain = DecodeFrames(stream, 0, 0, nullptr);
    auto faded = DecodeFrames(stream, 1, 0, nullptr);
    ASSERT_EQ(plain.size(), faded.size());
    ASSERT_GT(plain.size(), 30u);
    // Skip the encoder's silent start; the tone is steady from frame 3 on.
    // The filter bank's memory spans the frame boundary, so each frame's
    // level lies between its own factor and the previous frame's.
    for (size_t k = 2; k < 28; k++) {
      double ratio = Rms(faded[k]) / Rms(plain[k]);
      double now = k < 16 ? 0.20 + 0.05 * double(k) : 1.0;
      double before = k == 0 ? 0.0 : (k - 1 < 16 ? 0.20 + 0.05 * double(k - 1) : 1.0);
      EXPECT_GE(ratio, before - 0.01) << name << " frame " << k;
      EXPECT_LE(ratio, now + 0.01) << name << " frame " << k;
    }
  }
}

TEST_F(ExportsAudio, FadeRestartsDuringPlaybackWithoutResettingTheStream) {
  std::vector<uint8_t> stream = Fixture("tone-44100-stereo-192-crc.mp2");
  ASSERT_FALSE(stream.empty());
  KO_Exit();
  g_decoder.fadeCounter = 16;
  KO_Init(0, 0, nullptr, 0);
  static uint8_t pcm[4608];
  int32_t bytes = 0, position = 0, bitRate = 0, lastPosition = 0;
  int32_t r = KO_DecompressAudio(stream.data(), int32_t(stream.size()), pcm, sizeof pcm, &bytes, &position, &bitRate);
  for (int i = 0; i < 10 && r == 0; i++) r = KO_DecompressAudio(nullptr, 0, pcm, sizeof pcm, &bytes, &position, &bitRate);
  ASSERT_EQ(0, r);
  double steady = Rms(std::vector<int16_t>(reinterpret_cast<int16_t*>(pcm), reinterpret_cast<int16_t*>(pcm) + bytes / 2));
  lastPosition = position;

  KO_Init(1, 0, nullptr, -1);
  r = KO_DecompressAudio(nullptr, 0, pcm, sizeof pcm, &bytes, &position, &bitRate);
  ASSERT_EQ(0, r);
  EXPECT_GE(position - lastPosition, 626) << "the next frame of the same stream";
  EXPECT_LE(position - lastPosition, 627) << "the next frame of the same stream";
  r = KO_DecompressAudio(nullptr, 0, pcm, sizeof pcm, &bytes, &position, &bitRate);
  double second = Rms(std::vector<int16_t>(reinterpret_cast<int16_t*>(pcm), reinterpret_cast<int16_t*>(pcm) + bytes / 2));
  EXPECT_NEAR(0.25, second / steady, 0.06);
}

TEST_F(ExportsAudio, EqualizerOnAtZeroGainsMatchesOffUpToDither) {
  const int8_t flat[11] = {};
  for (const char* name : {"tone-44100-stereo-192-crc.mp2", "tone-44100-stereo-128.mp3"}) {
    std::vector<uint8_t> stream = Fixture(name);
    ASSERT_FALSE(stream.empty()) << name;
    auto off = DecodeFrames(stream, 0, 0, flat);
    auto on = DecodeFrames(stream, 0, 16, flat);
    ASSERT_EQ(off.size(), on.size()) << name;
    double sumSq = 0, sumXY = 0, sumXX = 0, largest = 0;
    size_t n = 0;
    for (size_t f = 0; f < off.size(); f++) {
      ASSERT_EQ(off[f].size(), on[f].size());
      for (size_t i = 0; i < off[f].size(); i++) {
        double x = off[f][i], y = on[f][i];
        sumSq += (x - y) * (x - y);
        sumXY += x * y;
        sumXX += x * x;
        largest = std::max(largest, std::fabs(x - y));
        n++;
      }
    }
    EXPECT_NEAR(1.0, sumXY / sumXX, 1e-3) << name << ": same level";
    EXPECT_LT(std::sqrt(sumSq / double(n)), 3.0) << name << " largest " << largest;
    EXPECT_LE(largest, 32.0) << name << " rms " << std::sqrt(sumSq / double(n));
  }
}

TEST_F(ExportsAudio, EqualizerGainsChangeTheLevel) {
  std::vector<uint8_t> stream = Fixture("tone-44100-stereo-128.mp3");
  ASSERT_FALSE(stream.empty());
  const int8_t flat[11] = {};
  const int8_t up[11] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 0};
  const int8_t preamp[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -10};
  double base = Rms(DecodeFrames(stream, 0, 16, flat)[20]);
  EXPECT_NEAR(2.0, Rms(DecodeFrames(stream, 0, 16, up)[20]) / base, 0.05) << "+10 doubles";
  EXPECT_NEAR(0.5, Rms(DecodeFrames(stream, 0, 16, preamp)[20]) / base, 0.02) << "preamplifier -10 halves";
}

TEST_F(ExportsAudio, CrcErrorDropsTheRestOfTheBuffer) {
  std::vector<uint8_t> stream = Fixture("tone-44100-stereo-192-crc.mp2");
  ASSERT_GT(stream.size(), 30000u);
  // Frames of 626 bytes, 627 with padding.
  std::vector<size_t> starts = {0};
  while (starts.back() < 20000) starts.push_back(starts.back() + 626 + ((stream[starts.back() + 2] >> 1) & 1));
  size_t fourth = starts[3];
  ASSERT_EQ(0xFF, stream[fourth]);
  ASSERT_EQ(0, stream[fourth + 1] & 1) << "protected";
  stream[fourth + 6] ^= 0x10;  // an allocation bit of the fourth frame

  KO_Exit();
  g_decoder.fadeCounter = 16;
  KO_Init(0, 0, nullptr, 0);
  std::vector<uint8_t> first(stream.begin(), stream.begin() + 8000);
  static uint8_t pcm[4608];
  int32_t bytes = 0, position = 0, bitRate = 0;
  int32_t r = KO_DecompressAudio(first.data(), 8000, pcm, sizeof pcm, &bytes, &position, &bitRate);
  int frames = 0;
  while (r == 0) {
    frames++;
    r = KO_DecompressAudio(nullptr, 0, pcm, sizeof pcm, &bytes, &position, &bitRate);
  }
  EXPECT_EQ(3, frames);
  EXPECT_EQ(1, r) << "nothing of the buffer is kept";
  EXPECT_EQ(STATUS_CRC, g_decoder.cursor.status);
  EXPECT_EQ(0, bytes);
  EXPECT_EQ(8000, position) << "the dropped rest counts as consumed";

  // The next buffer continues the stream: a search from its start finds the
  // next frame that its successor confirms, and positions stay true.
  std::vector<uint8_t> second(stream.begin() + 8000, stream.begin() + 16000);
  r = KO_DecompressAudio(second.data(), 8000, pcm, sizeof pcm, &bytes, &position, &bitRate);
  for (int guard = 0; r == 0 && bytes == 0 && guard < 10000; guard++)
    r = KO_DecompressAudio(nullptr, 0, pcm, sizeof pcm, &bytes, &position, &bitRate);
  EXPECT_EQ(4608, bytes);
  EXPECT_GT(position, 8000);
  bool frameEnd = false;
  for (size_t s : starts) frameEnd |= size_t(position) == s;
  EXPECT_TRUE(frameEnd) << "a frame end of the stream: " << position;
}
