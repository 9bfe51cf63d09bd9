// Hand-built Layer I and Layer II frames: requantisation values, grouping and
// scfsi, joint-stereo bound, the CRC's extent and the error statuses with the
// results KO_DecompressAudio gives for them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "komp3dec.h"
#include "layer12.h"
#include "state.h"

namespace {

struct BitWriter {
  std::vector<uint8_t> bytes;
  size_t bits = 0;
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (bits % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> (bits % 8));
      ++bits;
    }
  }
  int Bit(size_t index) const { return (bytes[index / 8] >> (7 - index % 8)) & 1; }
};

// CRC-16, generator 0x8005, bit by bit over bits [from, from + count).
uint16_t ReferenceCrc(const BitWriter& w, size_t from, size_t count, uint16_t crc) {
  for (size_t i = from; i < from + count; ++i) {
    const int top = (crc >> 15) & 1;
    crc = uint16_t(crc << 1);
    if (top ^ w.Bit(i)) crc ^= 0x8005;
  }
  return crc;
}

struct Frame {
  int layer = 1;
  int bitRateIndex = 12;  // Layer I 384 kbit/s; Layer II see below
  int sampleRateIndex = 1;  // 48000 Hz
  int mode = 3;  // header bits: 0 stereo, 1 joint, 2 dual, 3 single
  int modeExtension = 0;
  bool crc = false;
};

// Writes the header (and a zero CRC word when protected); returns the writer.
BitWriter Header(const Frame& f) {
  BitWriter w;
  w.Put(0xFFF, 12);
  w.Put(1, 1);  // MPEG-1
  w.Put(4 - f.layer, 2);
  w.Put(f.crc ? 0 : 1, 1);
  w.Put(uint32_t(f.bitRateIndex), 4);
  w.Put(uint32_t(f.sampleRateIndex), 2);
  w.Put(0, 2);  // padding, private
  w.Put(uint32_t(f.mode), 2);
  w.Put(uint32_t(f.modeExtension), 2);
  w.Put(0, 4);  // copyright, original, emphasis
  if (f.crc) w.Put(0, 16);
  return w;
}

// Pads to the frame length and fills in the CRC over protectedBits after it.
std::vector<uint8_t> Finish(BitWriter w, const Frame& f, size_t length, size_t protectedBits) {
  if (f.crc) {
    uint16_t crc = ReferenceCrc(w, 16, 16, 0xFFFF);
    crc = ReferenceCrc(w, 48, protectedBits, crc);
    w.bytes[4] = uint8_t(crc >> 8);
    w.bytes[5] = uint8_t(crc);
  }
  w.bytes.resize(length, 0);
  return w.bytes;
}

constexpr size_t kLayer1Length = 384;  // 384 kbit/s at 48000 Hz

// A mono Layer I frame: subband 0 with allocation code `code`, scalefactor
// index `scalefactor`, and all twelve samples `sample` (nb = code + 1 bits).
std::vector<uint8_t> Layer1Mono(uint32_t code, uint32_t scalefactor, uint32_t sample, bool crc = false) {
  Frame f;
  f.crc = crc;
  BitWriter w = Header(f);
  w.Put(code, 4);
  for (int sb = 1; sb < 32; ++sb) w.Put(0, 4);
  if (code) w.Put(scalefactor, 6);
  for (int block = 0; block < 12 && code; ++block) w.Put(sample, int(code) + 1);
  return Finish(w, f, kLayer1Length, 128);
}

struct Call {
  int32_t result;
  int32_t pcmBytes;
  int32_t status;
};

// Feeds frames (plus the 8 bytes of look-ahead the search needs) as one
// buffer and calls until the result is not 0.
std::vector<Call> Feed(const std::vector<std::vector<uint8_t>>& frames) {
  static std::vector<uint8_t> buffer;
  buffer.clear();
  for (const auto& frame : frames) buffer.insert(buffer.end(), frame.begin(), frame.end());
  buffer.resize(buffer.size() + 8, 0);
  KO_Exit();
  KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
  KO_Init(0, 0, nullptr, 0);
  g_decoder.fadeCounter = 16;
  std::vector<Call> calls;
  std::vector<uint8_t> pcm(1152 * 4 * 8);
  const uint8_t* data = buffer.data();
  for (int i = 0; i < 16; ++i) {
    int32_t pcmBytes = -1, position = 0, bitRate = 0;
    int32_t result = KO_DecompressAudio(data, data ? int32_t(buffer.size()) : 0, pcm.data(),
                                        int32_t(pcm.size()), &pcmBytes, &position, &bitRate);
    data = nullptr;
    calls.push_back({result, pcmBytes, g_decoder.cursor.status});
    if (result != 0) break;
  }
  return calls;
}

constexpr double kQ28 = 268435456.0;

TEST(Layer1Frames, RequantisesCodesToTheStandardsLevels) {
  // nb = 2: codes 0, 1, 2 are -2/3, 0, +2/3; nb = 4: code 12 is (4/8 + 1/8) * 16/15.
  const struct {
    uint32_t code, scalefactor, sample;
    double value;
  } cases[] = {
      {1, 3, 0, -2.0 / 3}, {1, 3, 1, 0.0}, {1, 3, 2, 2.0 / 3},
      {1, 0, 2, 4.0 / 3},  {3, 6, 12, 0.5 * 0.625 * 16 / 15}, {14, 3, 0, -(1.0 - 1.0 / 16384) * 32768 / 32767},
  };
  for (const auto& c : cases) {
    std::vector<Call> calls = Feed({Layer1Mono(c.code, c.scalefactor, c.sample)});
    ASSERT_GE(calls.size(), 1u);
    ASSERT_EQ(calls[0].result, 0);
    ASSERT_EQ(calls[0].pcmBytes, 384 * 2);
    for (int block = 0; block < 12; ++block) {
      EXPECT_NEAR(g_decoder.subbands.sample[0][block][0] / kQ28, c.value, 2e-3)
          << "code " << c.code << " sample " << c.sample << " block " << block;
      EXPECT_EQ(g_decoder.subbands.sample[0][block][1], 0);
    }
  }
}

TEST(Layer1Frames, AllocationCode15IsSkippedAndDecodingGoesOn) {
  Frame f;
  BitWriter w = Header(f);
  for (int sb = 0; sb < 32; ++sb) w.Put(sb == 20 ? 15 : 0, 4);
  std::vector<uint8_t> bad = Finish(w, f, kLayer1Length, 0);
  std::vector<uint8_t> good = Layer1Mono(2, 10, 3);
  std::vector<Call> calls = Feed({bad, good, good});
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].status, STATUS_BAD_ALLOCATION);
  EXPECT_EQ(calls[0].result, 0);
  EXPECT_EQ(calls[0].pcmBytes, 0);
  EXPECT_EQ(calls[1].pcmBytes, 384 * 2);
  EXPECT_EQ(calls[2].pcmBytes, 384 * 2);
}

TEST(Layer1Frames, ScalefactorIndex63IsSkippedLikeOtherRecoverableErrors) {
  std::vector<uint8_t> good = Layer1Mono(2, 10, 3);
  std::vector<Call> calls = Feed({Layer1Mono(2, 63, 3), good, good});
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].status, STATUS_BAD_SCALEFACTOR);
  EXPECT_EQ(calls[0].result, 0) << "resume the search in the same buffer";
  EXPECT_EQ(calls[0].pcmBytes, 0);
  EXPECT_EQ(calls[1].pcmBytes, 384 * 2);
  EXPECT_EQ(calls[2].pcmBytes, 384 * 2);
}

TEST(Layer1Frames, CrcCoversExactlyTheAllocationBits) {
  // Single channel: 128 allocation bits; the first scalefactor bit follows.
  std::vector<uint8_t> frame = Layer1Mono(2, 10, 3, true);
  std::vector<Call> calls = Feed({frame, frame});
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].pcmBytes, 384 * 2);

  std::vector<uint8_t> outside = frame;
  outside[6 + 16] ^= 0x80;  // scalefactor of subband 0
  calls = Feed({outside, frame});
  EXPECT_EQ(calls[0].pcmBytes, 384 * 2) << "a scalefactor bit is not protected";

  std::vector<uint8_t> inside = frame;
  inside[6 + 15] ^= 0x01;  // allocation of subband 31
  calls = Feed({inside, frame, frame});
  ASSERT_GE(calls.size(), 1u);
  EXPECT_EQ(calls[0].status, STATUS_CRC);
  EXPECT_EQ(calls[0].result, 1) << "a CRC error drops the rest of the buffer";
  EXPECT_EQ(calls[0].pcmBytes, 0);
}

TEST(Layer1Frames, JointStereoSharesAllocationAndSamplesFromTheBound) {
  // Mode extension 0: bound 4, allocation 4 x (32 + 4) = 144 bits under the CRC.
  Frame f;
  f.mode = 1;
  f.crc = true;
  BitWriter w = Header(f);
  for (int sb = 0; sb < 4; ++sb) w.Put(0, 4), w.Put(0, 4);
  w.Put(1, 4);  // subband 4, shared
  for (int sb = 5; sb < 32; ++sb) w.Put(0, 4);
  w.Put(3, 6);  // left scalefactor 1.0
  w.Put(6, 6);  // right scalefactor 0.5
  for (int block = 0; block < 12; ++block) w.Put(2, 2);
  std::vector<uint8_t> frame = Finish(w, f, kLayer1Length, 144);
  std::vector<Call> calls = Feed({frame, frame});
  ASSERT_GE(calls.size(), 1u);
  ASSERT_EQ(calls[0].pcmBytes, 384 * 4) << "status 0x" << std::hex << calls[0].status;
  EXPECT_TRUE(g_decoder.header.flags & HEADER_BOUND);
  for (int block = 0; block < 12; ++block) {
    EXPECT_NEAR(g_decoder.subbands.sample[0][block][4] / kQ28, 2.0 / 3, 2e-3);
    EXPECT_NEAR(g_decoder.subbands.sample[1][block][4] / kQ28, 1.0 / 3, 2e-3);
  }
}

// Layer II, 56 kbit/s single channel at 48000 Hz: Table 3-B.2a, 168 bytes.
constexpr size_t kLayer2Length = 168;

std::vector<uint8_t> Layer2Mono(uint32_t scfsi, const std::vector<uint32_t>& scalefactors, uint32_t codeword,
                                bool crc = false) {
  Frame f;
  f.layer = 2;
  f.bitRateIndex = 3;
  f.crc = crc;
  BitWriter w = Header(f);
  const size_t start = w.bits;
  w.Put(1, 4);  // subband 0: 3 levels, grouped in 5 bits
  for (int sb = 1; sb < 3; ++sb) w.Put(0, 4);
  for (int sb = 3; sb < 11; ++sb) w.Put(0, 4);
  for (int sb = 11; sb < 23; ++sb) w.Put(0, 3);
  for (int sb = 23; sb < 27; ++sb) w.Put(0, 2);
  w.Put(scfsi, 2);
  const size_t protectedBits = w.bits - start;
  for (uint32_t index : scalefactors) w.Put(index, 6);
  for (int granule = 0; granule < 12; ++granule) w.Put(codeword, 5);
  return Finish(w, f, kLayer2Length, protectedBits);
}

TEST(Layer2Frames, ChoosesTheAllocationTableByRatePerChannel) {
  FrameHeader h{};
  h.layer = 2;
  const struct {
    int32_t mode, bitRate, sampleRate;
    uint32_t flags;
    int sblimit;
    const AllocationTable* table;
  } cases[] = {
      {MODE_STEREO, 128000, 44100, 0, 27, &kAllocationTables[ALLOC_B2A]},
      {MODE_STEREO, 64000, 48000, 0, 8, &kAllocationTables[ALLOC_B2C]},
      {MODE_STEREO, 32000, 44100, 0, 30, &kAllocationTables[ALLOC_B2B]},
      {MODE_SINGLE, 48000, 32000, 0, 12, &kAllocationTables[ALLOC_B2D]},
      {MODE_JOINT, 192000, 48000, 0, 27, &kAllocationTables[ALLOC_B2A]},
      {MODE_DUAL, 384000, 32000, 0, 30, &kAllocationTables[ALLOC_B2B]},
      {MODE_SINGLE, 64000, 22050, HEADER_LSF, 30, &kAllocationTables[ALLOC_LSF]},
  };
  for (const auto& c : cases) {
    h.mode = c.mode, h.bitRate = c.bitRate, h.sampleRate = c.sampleRate, h.flags = c.flags;
    const AllocationTable& t = ChooseAllocationTable(h);
    EXPECT_EQ(&t, c.table) << c.bitRate << " bit/s at " << c.sampleRate;
    EXPECT_EQ(t.sblimit, c.sblimit);
  }
}

TEST(Layer2Frames, GroupedCodewordsSplitRemainderFirstAndScfsiPicksTheParts) {
  // Codeword 5 = 2 + 1 x 3: level values 2, 1, 0 -> +2/3, 0, -2/3.
  // scfsi 3: two indices, the second serving parts 2 and 3.
  std::vector<uint8_t> frame = Layer2Mono(3, {3, 6}, 5, true);
  std::vector<Call> calls = Feed({frame, frame});
  ASSERT_GE(calls.size(), 1u);
  ASSERT_EQ(calls[0].pcmBytes, 1152 * 2) << "status 0x" << std::hex << calls[0].status;
  for (int granule = 0; granule < 12; ++granule) {
    const double scale = granule < 4 ? 1.0 : 0.5;
    const Fixed* triple[3] = {&g_decoder.subbands.sample[0][3 * granule][0],
                              &g_decoder.subbands.sample[0][3 * granule + 1][0],
                              &g_decoder.subbands.sample[0][3 * granule + 2][0]};
    EXPECT_NEAR(triple[0][0] / kQ28, 2.0 / 3 * scale, 2e-3) << "granule " << granule;
    EXPECT_NEAR(triple[1][0] / kQ28, 0.0, 2e-3) << "granule " << granule;
    EXPECT_NEAR(triple[2][0] / kQ28, -2.0 / 3 * scale, 2e-3) << "granule " << granule;
    for (int sb = 1; sb < 32; ++sb) EXPECT_EQ(triple[0][sb], 0);
  }

  // scfsi 1: the first index serves parts 1 and 2.
  frame = Layer2Mono(1, {6, 3}, 5);
  calls = Feed({frame, frame});
  ASSERT_EQ(calls[0].pcmBytes, 1152 * 2);
  EXPECT_NEAR(g_decoder.subbands.sample[0][3 * 7][0] / kQ28, 1.0 / 3, 2e-3);
  EXPECT_NEAR(g_decoder.subbands.sample[0][3 * 8][0] / kQ28, 2.0 / 3, 2e-3);
}

TEST(Layer2Frames, ErrorsInsideTheFrameAreSkipped) {
  std::vector<uint8_t> good = Layer2Mono(2, {3}, 5, true);
  // Scalefactor 63 in the third part.
  std::vector<Call> calls = Feed({Layer2Mono(0, {3, 3, 63}, 5, true), good, good});
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].status, STATUS_BAD_SCALEFACTOR);
  EXPECT_EQ(calls[0].result, 0);
  EXPECT_EQ(calls[1].pcmBytes, 1152 * 2);
  EXPECT_EQ(calls[2].pcmBytes, 1152 * 2);

  // A flipped scfsi bit is under the CRC.
  std::vector<uint8_t> damaged = good;
  damaged[6 + 11] ^= 0x80;  // 88 allocation bits, then scfsi at bits 88..89
  calls = Feed({damaged, good});
  EXPECT_EQ(calls[0].status, STATUS_CRC);
  EXPECT_EQ(calls[0].result, 1);
}

}  // namespace
