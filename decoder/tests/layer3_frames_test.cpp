// Layer III behaviour on hand-made frames and damaged streams: the statuses
// of the side information and the reservoir, the requantisation limits, the
// silent-subband shortcut, and decoding on after damage.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "layer3.h"
#include "layer3_stream.h"

namespace {

// MSB-first bit writer for hand-made frames.
struct BitWriter {
  std::vector<uint8_t> bytes;
  int bits = 0;
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; i--) {
      if (bits % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> (bits % 8));
      bits++;
    }
  }
};

struct GranuleFields {
  int part23 = 0, bigValues = 0, globalGain = 210, windowSwitching = 0, blockType = 0;
  int table0 = 0;
};

// One MPEG-1 Layer III frame at 128 kbit/s, 44100 Hz (417 bytes): mono, or
// joint stereo with mid/side. Main data is zero bytes.
std::vector<uint8_t> Frame(int mainDataBegin, bool stereo, const GranuleFields (&g)[2][2]) {
  BitWriter w;
  w.Put(0xFFFB, 16);  // sync, MPEG-1, Layer III, no CRC
  w.Put(0x90, 8);     // 128 kbit/s, 44100 Hz, no padding
  w.Put(stereo ? 0x60 : 0xC0, 8);  // joint stereo with mid/side, or single channel
  int channels = stereo ? 2 : 1;
  w.Put(uint32_t(mainDataBegin), 9);
  w.Put(0, stereo ? 3 : 5);
  w.Put(0, 4 * channels);  // scfsi
  for (int gr = 0; gr < 2; gr++)
    for (int ch = 0; ch < channels; ch++) {
      const GranuleFields& f = g[gr][ch];
      w.Put(uint32_t(f.part23), 12);
      w.Put(uint32_t(f.bigValues), 9);
      w.Put(uint32_t(f.globalGain), 8);
      w.Put(0, 4);
      w.Put(uint32_t(f.windowSwitching), 1);
      if (f.windowSwitching) {
        w.Put(uint32_t(f.blockType), 2);
        w.Put(0, 1);
        w.Put(uint32_t(f.table0), 5);
        w.Put(0, 5);
        w.Put(0, 9);
      } else {
        w.Put(uint32_t(f.table0), 5);
        w.Put(0, 10);
        w.Put(0, 7);
      }
      w.Put(0, 3);
    }
  std::vector<uint8_t> frame = w.bytes;
  frame.resize(417, 0);
  return frame;
}

std::vector<uint8_t> Frame(int mainDataBegin) {
  GranuleFields g[2][2];
  return Frame(mainDataBegin, false, g);
}

// Status of each call over a buffer of frames (0 = a frame decoded), in order,
// until the decoder asks for data.
std::vector<int32_t> Statuses(std::vector<uint8_t> stream) {
  // Two plain frames close the stream: after an error the decoder takes a
  // frame only when another sync follows it.
  for (int i = 0; i < 2; i++) {
    std::vector<uint8_t> tail = Frame(0);
    stream.insert(stream.end(), tail.begin(), tail.end());
  }
  stream.insert(stream.end(), 8, 0);
  KO_Exit();
  KO_Init(0, 0, nullptr, 0);
  std::vector<uint8_t> pcm(1152 * 4);
  std::vector<int32_t> seen;
  const uint8_t* data = stream.data();
  for (int call = 0; call < 64; call++) {
    int32_t bytes = 0, position = 0, rate = 0;
    int32_t r = KO_DecompressAudio(data, int32_t(stream.size()), pcm.data(), int32_t(pcm.size()), &bytes, &position,
                                   &rate);
    data = nullptr;
    if (bytes > 0) seen.push_back(0);
    else if (g_decoder.cursor.status != STATUS_NEED_DATA) seen.push_back(g_decoder.cursor.status);
    if (r != 0) break;
  }
  KO_Exit();
  return seen;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(Layer3Reservoir, FirstFrameReachingBackIsSkippedAndPrimesItsSuccessor) {
  // 396 main-data bytes per frame: the first frame keeps the 200 its successor asks for.
  std::vector<int32_t> seen = Statuses(Concat({Frame(200), Frame(200), Frame(0), Frame(0)}));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], STATUS_RESERVOIR);
  EXPECT_EQ(seen[1], 0);
  EXPECT_EQ(seen[2], 0);
}

TEST(Layer3Reservoir, KeepsOnlyWhatTheNextFrameAsksFor) {
  // Frame 2 keeps nothing (frame 3 starts its main data at 0), so frame 3's
  // successor, asking for 10 bytes of frame 3 itself, is covered, and a frame
  // asking for more than frame 4 left is not.
  std::vector<int32_t> seen = Statuses(Concat({Frame(0), Frame(0), Frame(10), Frame(0), Frame(0)}));
  ASSERT_GE(seen.size(), 5u);
  for (int i = 0; i < 5; i++) EXPECT_EQ(seen[i], 0) << "frame " << i;
  seen = Statuses(Concat({Frame(0), Frame(400), Frame(0)}));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], 0);
  EXPECT_EQ(seen[1], STATUS_RESERVOIR);  // 396 bytes held at most, 400 asked
  EXPECT_EQ(seen[2], 0);
}

TEST(Layer3SideInfo, RejectsBigValuesAboveTheGranule) {
  GranuleFields g[2][2];
  g[1][0].bigValues = 289;
  std::vector<int32_t> seen = Statuses(Concat({Frame(0), Frame(0, false, g), Frame(0)}));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], 0);
  EXPECT_EQ(seen[1], STATUS_BIG_VALUES);
  EXPECT_EQ(seen[2], 0);
  g[1][0].bigValues = 288;
  seen = Statuses(Frame(0, false, g));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], 0);
}

TEST(Layer3SideInfo, RejectsWindowSwitchingWithBlockTypeZero) {
  GranuleFields g[2][2];
  g[0][0].windowSwitching = 1;
  g[0][0].blockType = 0;
  std::vector<int32_t> seen = Statuses(Frame(0, false, g));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], STATUS_BLOCK_TYPE);
}

TEST(Layer3SideInfo, RejectsTheTablesThatDoNotExist) {
  for (int table : {4, 14}) {
    GranuleFields g[2][2];
    g[0][0].bigValues = 10;
    g[0][0].part23 = 100;
    g[0][0].table0 = table;
    std::vector<int32_t> seen = Statuses(Concat({Frame(0, false, g), Frame(0)}));
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], STATUS_BIG_VALUES) << "table " << table;
    EXPECT_EQ(seen[1], 0);
  }
}

TEST(Layer3Stereo, RejectsJointStereoWithDifferentBlockTypes) {
  GranuleFields g[2][2];
  g[0][0].windowSwitching = 1;
  g[0][0].blockType = 2;  // short blocks on the left only
  std::vector<int32_t> seen = Statuses(Concat({Frame(0, true, g), Frame(0)}));
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], STATUS_STEREO);
  EXPECT_EQ(seen[1], 0);
  g[0][1].windowSwitching = 1;
  g[0][1].blockType = 2;  // both short: fine
  seen = Statuses(Frame(0, true, g));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], 0);
}

TEST(Layer3Requantize, FollowsThePowerLawAndSaturates) {
  EXPECT_EQ(Layer3Requantize(0, 0), 0);
  EXPECT_EQ(Layer3Requantize(1, 0), 1 << 28);
  EXPECT_EQ(Layer3Requantize(8206, 0), 0x7FFFFFFF);  // 8206^(4/3) = 165000 x full scale
  EXPECT_EQ(Layer3Requantize(8206, 12), 0x7FFFFFFF);
  EXPECT_EQ(Layer3Requantize(1, -4 * 40), 0);  // shifted out
  for (int k : {1, 2, 3, 7, 14, 15, 100, 1000, 8206})
    for (int e = -180; e <= 0; e += 7) {
      double exact = std::pow(double(k), 4.0 / 3.0) * std::pow(2.0, e / 4.0) * 268435456.0;
      if (exact >= 2147483647.0) continue;
      double got = Layer3Requantize(k, e);
      // 27-bit mantissa, truncating shifts, a quarter power as a rounded
      // product (its input rounded to 2^12).
      EXPECT_NEAR(got, exact, exact * 3e-4 + 4096.0) << "k " << k << " e " << e;
    }
}

TEST(Layer3Requantize, RateIndexCountsMpeg25RatesAsTheirDoubles) {
  const int32_t rates[9] = {48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000};
  for (int i = 0; i < 9; i++) EXPECT_EQ(Layer3RateIndex(rates[i], i >= 6), i) << rates[i];
}

TEST(Layer3Hybrid, OnlyTransformsSubbandsUpToTheLastNonzeroLine) {
  Fixed lines[576] = {};
  lines[40] = 1 << 26;  // all zero above line 40
  ASSERT_EQ(Layer3ActiveSubbands(lines), 3);
  lines[40] = 0;
  EXPECT_EQ(Layer3ActiveSubbands(lines), 2);  // subbands 0 and 1 always run
  lines[40] = 1 << 26;

  Fixed overlap[576];
  for (int i = 0; i < 576; i++) overlap[i] = 1000 + i;
  Fixed out[18 * 32] = {};
  Layer3Hybrid(lines, overlap, 0, 32, 3, out, 32);
  for (int sb = 3; sb < 32; sb++)
    for (int t = 0; t < 18; t++) {
      Fixed expected = 1000 + sb * 18 + t;
      if ((sb & 1) && (t & 1)) expected = -expected;  // frequency inversion
      ASSERT_EQ(out[t * 32 + sb], expected) << "subband " << sb << " time " << t;
      ASSERT_EQ(overlap[sb * 18 + t], 0);
    }
  bool transformed = false;  // subband 2 holds line 40's output and its new overlap
  for (int t = 0; t < 18; t++) transformed |= overlap[2 * 18 + t] != 0;
  EXPECT_TRUE(transformed);
}

TEST(Layer3Hybrid, LongTransformMatchesTheDefinition) {
  Fixed in[18], out[36];
  std::mt19937 random(7);
  for (int k = 0; k < 18; k++) in[k] = Fixed(int32_t(random() % (1 << 27)) - (1 << 26));
  for (int type : {0, 1, 3}) {
    Layer3Imdct36(in, out, type);
    for (int i = 0; i < 36; i++) {
      double x = 0;
      for (int k = 0; k < 18; k++) x += in[k] * std::cos(M_PI / 72 * (2 * i + 1 + 18) * (2 * k + 1));
      double w = type == 0 ? std::sin(M_PI / 36 * (i + 0.5))
                 : type == 1 ? (i < 18 ? std::sin(M_PI / 36 * (i + 0.5)) : i < 24 ? 1.0 : i < 30 ? std::sin(M_PI / 12 * (i - 18 + 0.5)) : 0.0)
                             : (i < 6 ? 0.0 : i < 12 ? std::sin(M_PI / 12 * (i - 6 + 0.5)) : i < 18 ? 1.0 : std::sin(M_PI / 36 * (i + 0.5)));
      EXPECT_NEAR(out[i], x * w, 2e-3 * (1 << 28)) << "type " << type << " output " << i;
    }
  }
}

// The filter bank transforms subbands in groups where it can; whatever the
// grouping, each subband must come out as its own transform, overlap-add and
// frequency inversion: quiet and loud subbands side by side, zero subbands
// inside groups, short subbands above mixed long ones.
TEST(Layer3Hybrid, EverySubbandMatchesItsOwnTransform) {
  std::mt19937 random(3);
  for (int round = 0; round < 6; round++) {
    Fixed lines[576];
    for (int sb = 0; sb < 32; sb++) {
      uint32_t kind = random() % 6;  // zero, quiet (three in six), loud, one line at the 32-bit limit
      for (int k = 0; k < 18; k++) {
        int32_t quiet = int32_t(random() % (1u << 27)) - (1 << 26);
        lines[sb * 18 + k] = kind == 0 ? 0 : kind <= 3 ? quiet : kind == 4 ? quiet * 31 : (k == 5 ? INT32_MAX : quiet);
      }
    }
    const int longType = round % 2 ? 3 : 0;
    const int longSubbands = round < 2 ? 32 : round < 4 ? 2 : -2;  // long, mixed short, mixed on a stop block
    Fixed overlap[576], expectedOverlap[576];
    for (int i = 0; i < 576; i++) overlap[i] = expectedOverlap[i] = int32_t(random() % (1u << 29)) - (1 << 28);
    Fixed out[18 * 32];
    Layer3Hybrid(lines, overlap, longType, longSubbands, 30, out, 32);
    for (int sb = 0; sb < 32; sb++) {
      Fixed buffer[36] = {};
      if (sb < 30) {
        if (longSubbands < 0 || sb < longSubbands)
          Layer3Imdct36(lines + sb * 18, buffer, longSubbands < 0 && sb < 2 ? 0 : longType);
        else
          Layer3ImdctShort(lines + sb * 18, buffer);
      }
      for (int t = 0; t < 18; t++) {
        int64_t s = int64_t(buffer[t]) + expectedOverlap[sb * 18 + t];
        Fixed sample = Fixed(s > INT32_MAX ? INT32_MAX : s < -INT32_MAX ? -INT32_MAX : s);
        if ((sb & 1) && (t & 1)) sample = -sample;
        ASSERT_EQ(out[t * 32 + sb], sample) << "round " << round << " subband " << sb << " time " << t;
        ASSERT_EQ(overlap[sb * 18 + t], buffer[18 + t]) << "round " << round << " subband " << sb;
      }
    }
  }
}

// Damaged streams decode on: every frame after the damage that can be decoded is.
TEST(Layer3Damage, FlippedBitsTruncationAndCutsDecodeOn) {
  const char* source = std::getenv("LUMTRAX_SOURCE");
  std::vector<uint8_t> file =
      ReadWholeFile(std::string(source ? source : ".") + "/decoder/tests/fixtures/l3-32000-joint-80.mp3");
  ASSERT_FALSE(file.empty());
  DecodedStream clean = DecodeStream(file);
  ASSERT_GT(clean.frames, 40);

  std::mt19937 random(11);
  std::vector<uint8_t> flipped = file;
  for (int i = 0; i < 200; i++) flipped[random() % flipped.size()] ^= uint8_t(1 << (random() % 8));
  DecodedStream damaged = DecodeStream(flipped);
  EXPECT_GT(damaged.frames, clean.frames / 2);
  EXPECT_FALSE(damaged.statuses.empty());

  std::vector<uint8_t> truncated(file.begin(), file.begin() + file.size() / 2 + 123);
  DecodedStream half = DecodeStream(truncated);
  EXPECT_GE(half.frames, clean.frames / 2 - 2);
  EXPECT_LE(half.frames, clean.frames / 2 + 2);

  // A cut inside the reservoir: the second half's first frames reach back into
  // bytes that are gone; they are skipped with STATUS_RESERVOIR and the rest decode.
  std::vector<uint8_t> spliced(file.begin(), file.begin() + 2000);
  spliced.insert(spliced.end(), file.begin() + 6000, file.end());
  DecodedStream cut = DecodeStream(spliced);
  EXPECT_GT(cut.frames, clean.frames * 2 / 3);
  EXPECT_GE(cut.statuses[STATUS_RESERVOIR], 1) << StatusList(cut.statuses);
}

}  // namespace
