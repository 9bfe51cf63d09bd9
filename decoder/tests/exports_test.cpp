// The library's contract as the player uses it: buffers, leftovers, positions,
// statuses, idle state and rate conversion, through the four exports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frames.h"

namespace {

const FrameSpec kLayer2;  // MPEG-1 Layer II, 128 kbit/s, 44100 Hz, stereo: 417 bytes

// Calls with null data until the buffer is used up; counts the frames.
struct Drain {
  int frames = 0, bytes = 0, result = 0;
  std::vector<int32_t> positions;
};
Drain DrainBuffer(const std::vector<uint8_t>& buffer) {
  Drain d;
  Call c = Decompress(buffer.data(), int32_t(buffer.size()));
  for (int guard = 0; guard < 10000; guard++) {
    if (c.bytes > 0) {
      d.frames++;
      d.bytes += c.bytes;
      d.positions.push_back(c.position);
    }
    if (c.result != 0) break;
    c = Decompress(nullptr, 0);
  }
  d.result = c.result;
  return d;
}

}  // namespace

TEST(Exports, NullCallAfterExitAsksForDataAndWritesNothing) {
  StartStream();
  std::vector<uint8_t> buffer = Frames(kLayer2, 3);
  Decompress(buffer.data(), int32_t(buffer.size()));
  KO_Exit();
  Call c = Decompress(nullptr, 0);
  EXPECT_EQ(1, c.result);
  EXPECT_EQ(0, c.bytes);
}

TEST(Exports, TextBeforeFramesIsSkippedUntilTwoFramesLineUp) {
  StartStream();
  std::vector<uint8_t> buffer(200, 'x');
  std::vector<uint8_t> frames = Frames(kLayer2, 6);
  buffer.insert(buffer.end(), frames.begin(), frames.end());

  Call first = Decompress(buffer.data(), int32_t(buffer.size()));
  EXPECT_EQ(0, first.result);
  EXPECT_EQ(0, first.bytes);
  EXPECT_EQ(STATUS_BAD_HEADER, g_decoder.cursor.status);

  Call c = Decompress(nullptr, 0);
  EXPECT_EQ(0, c.result);
  EXPECT_EQ(4608, c.bytes) << "1152 stereo samples";
  EXPECT_EQ(128000, c.bitRate);
  EXPECT_EQ(200 + 417, c.position);
  // Frames 2 to 5 follow; the sixth lacks the 8 bytes after it.
  int decoded = 1;
  while ((c = Decompress(nullptr, 0)).result == 0) decoded++;
  EXPECT_EQ(5, decoded);
  EXPECT_EQ(417 + 1, c.result) << "the last frame is handed back";
}

TEST(Exports, CandidateSyncTooCloseToTheEndHandsBackTheLastEightBytes) {
  StartStream();
  std::vector<uint8_t> buffer(100, 'x');
  buffer[95] = 0xFF;
  buffer[96] = 0xFB;  // a sync with 5 bytes after its start
  Call c = Decompress(buffer.data(), int32_t(buffer.size()));
  EXPECT_EQ(0, c.result) << "no header at the start";
  c = Decompress(nullptr, 0);
  EXPECT_EQ(STATUS_NEED_DATA, g_decoder.cursor.status);
  EXPECT_EQ(8 + 1, c.result);
  EXPECT_EQ(92, c.position);

  // Fewer than 8 bytes left from the read position: all of them come back.
  StartStream();
  std::vector<uint8_t> tiny = {'a', 'b', 0xFF, 0xFB, 0x90};
  c = Decompress(tiny.data(), int32_t(tiny.size()));
  EXPECT_EQ(5 + 1, c.result);
  EXPECT_EQ(0, c.position);
}

TEST(Exports, IncompleteLastFrameIsHandedBackWhole) {
  StartStream();
  std::vector<uint8_t> buffer = Frames(kLayer2, 3);
  std::vector<uint8_t> next = Frames(kLayer2, 1);
  buffer.insert(buffer.end(), next.begin(), next.begin() + 200);
  Drain d = DrainBuffer(buffer);
  EXPECT_EQ(3, d.frames);
  EXPECT_EQ(200 + 1, d.result) << "bytes from the incomplete frame's header to the end, plus 1";
  EXPECT_EQ(3 * 417, d.positions.back());
}

TEST(Exports, FrameEndingOnTheLastByteWaitsForMoreData) {
  StartStream();
  std::vector<uint8_t> buffer = Frames(kLayer2, 2);
  Drain d = DrainBuffer(buffer);
  EXPECT_EQ(1, d.frames);
  EXPECT_EQ(417 + 1, d.result);

  // The caller moves the leftover to the front and appends: decoding goes on
  // and positions count from the start of the stream.
  std::vector<uint8_t> more(buffer.end() - 417, buffer.end());
  std::vector<uint8_t> tail = Frames(kLayer2, 2);
  more.insert(more.end(), tail.begin(), tail.end());
  d = DrainBuffer(more);
  EXPECT_EQ(2, d.frames);
  ASSERT_EQ(2u, d.positions.size());
  EXPECT_EQ(2 * 417, d.positions[0]);
  EXPECT_EQ(3 * 417, d.positions[1]);
}

TEST(Exports, FreeFormatAndReservedCodesAreNeverDecoded) {
  struct Case {
    const char* what;
    FrameSpec shape;
  };
  FrameSpec freeFormat = kLayer2;
  freeFormat.bitRateIndex = 0;
  FrameSpec badRateIndex = kLayer2;
  badRateIndex.bitRateIndex = 15;
  FrameSpec reservedRate = kLayer2;
  reservedRate.sampleRateIndex = 3;
  for (const Case& k : {Case{"free format", freeFormat}, Case{"bit-rate index 15", badRateIndex},
                        Case{"reserved sample rate", reservedRate}}) {
    StartStream();
    std::vector<uint8_t> buffer = Frames(k.shape, 20);
    Drain d = DrainBuffer(buffer);
    EXPECT_EQ(0, d.frames) << k.what;
    EXPECT_GT(d.result, 0) << k.what;
  }

  StartStream();
  std::vector<uint8_t> buffer = Frames(kLayer2, 4);
  buffer[1] &= ~0x06;  // layer bits 00
  Call c = Decompress(buffer.data(), int32_t(buffer.size()));
  EXPECT_EQ(0, c.result);
  EXPECT_EQ(STATUS_BAD_LAYER, g_decoder.cursor.status);

  StartStream();
  buffer = Frames(kLayer2, 4);
  buffer[1] = uint8_t((buffer[1] & ~0x18) | 0x08);  // version 01: reserved
  c = Decompress(buffer.data(), int32_t(buffer.size()));
  EXPECT_EQ(STATUS_BAD_HEADER, g_decoder.cursor.status);
}

TEST(Exports, Mpeg25At8000HzUsesTheLowerRateTableAndHalfLengthFrames) {
  FrameSpec s;
  s.version = Version::Mpeg25;
  s.layer = 3;
  s.sampleRateIndex = 2;  // 32000 / 4 = 8000 Hz
  s.bitRateIndex = 8;     // 64 kbit/s in the lower-frequency table
  s.modeBits = 3;
  const int length = 72 * 64000 / 8000;
  ASSERT_EQ(length, FrameBytes(s));
  s.padding = 1;
  std::vector<uint8_t> buffer = Frames(s, 1);
  s.padding = 0;
  AppendFrame(buffer, s);
  AppendFrame(buffer, s);
  StartStream();
  Drain d = DrainBuffer(buffer);
  ASSERT_EQ(2, d.frames);
  EXPECT_EQ(length + 1, d.positions[0]);
  EXPECT_EQ(2 * length + 1, d.positions[1]);
  EXPECT_EQ(2 * 576, d.bytes / 2) << "576 mono samples per frame";

  int32_t rate = 0, channels = 0, bitRate = 0;
  EXPECT_EQ(1, KO_GetHeaderInfo(buffer.data(), int32_t(buffer.size()), &rate, &channels, &bitRate));
  EXPECT_EQ(8000, rate);
  EXPECT_EQ(1, channels);
  EXPECT_EQ(64000, bitRate);
}

TEST(Exports, StartPositionAppliesOnlyWhileIdle) {
  std::vector<uint8_t> buffer = Frames(kLayer2, 4);
  StartStream();
  KO_Init(0, 0, nullptr, 5000);
  Call c = Decompress(buffer.data(), int32_t(buffer.size()));
  EXPECT_EQ(5000 + 417, c.position);

  // While decoding the start position is ignored ...
  KO_Init(0, 0, nullptr, 9000);
  c = Decompress(nullptr, 0);
  EXPECT_EQ(5000 + 2 * 417, c.position);

  // ... after KO_Exit it starts a new stream there.
  KO_Exit();
  KO_Init(0, 0, nullptr, 9000);
  c = Decompress(buffer.data(), int32_t(buffer.size()));
  EXPECT_EQ(9000 + 417, c.position);
}

TEST(Exports, HeaderInfoReportsTheStreamAndResetsIt) {
  StartStream(700);
  std::vector<uint8_t> buffer(50, 0);
  std::vector<uint8_t> frames = Frames(kLayer2, 3);
  buffer.insert(buffer.end(), frames.begin(), frames.end());
  int32_t rate = 0, channels = 0, bitRate = 0;
  EXPECT_EQ(1, KO_GetHeaderInfo(buffer.data(), int32_t(buffer.size()), &rate, &channels, &bitRate));
  EXPECT_EQ(44100, rate);
  EXPECT_EQ(2, channels);
  EXPECT_EQ(128000, bitRate);
  // Decoding starts afresh at byte 0 of the next buffer.
  Call c = Decompress(frames.data(), int32_t(frames.size()));
  EXPECT_EQ(417, c.position);
  EXPECT_EQ(4608, c.bytes);

  // Nothing decodable: rate 0, one channel, bit rate 0.
  StartStream();
  std::vector<uint8_t> junk(3000, 'j');
  rate = 0;
  EXPECT_EQ(1, KO_GetHeaderInfo(junk.data(), int32_t(junk.size()), &rate, &channels, &bitRate));
  EXPECT_EQ(0, rate);
  EXPECT_EQ(1, channels);
  EXPECT_EQ(0, bitRate);
}

TEST(Exports, ForcedRateConvertsEveryFrameUntilCancelled) {
  FrameSpec s48 = kLayer2;
  s48.sampleRateIndex = 1;  // 48000 Hz: 384 bytes
  std::vector<uint8_t> buffer = Frames(s48, 6);
  StartStream();
  int32_t rate = 44100, channels = 0, bitRate = 0;
  EXPECT_EQ(1, KO_GetHeaderInfo(buffer.data(), int32_t(buffer.size()), &rate, &channels, &bitRate));
  EXPECT_EQ(44100, rate) << "the requested rate stays in the variable";
  Drain d = DrainBuffer(buffer);
  ASSERT_EQ(5, d.frames);
  EXPECT_EQ(5 * 1058 * 4, d.bytes) << "1058 stereo samples per frame";

  KO_GetHeaderInfo(nullptr, 0, &rate, &channels, &bitRate);
  StartStream();
  d = DrainBuffer(buffer);
  EXPECT_EQ(5 * 1152 * 4, d.bytes) << "cancelled";

  // 44100 -> 22050 takes every second sample.
  std::vector<uint8_t> b44 = Frames(kLayer2, 3);
  StartStream();
  rate = 22050;
  KO_GetHeaderInfo(b44.data(), int32_t(b44.size()), &rate, &channels, &bitRate);
  d = DrainBuffer(b44);
  EXPECT_EQ(2 * 576 * 4, d.bytes);

  // A target outside the nine rates leaves the frames as they are.
  StartStream();
  rate = 44000;
  KO_GetHeaderInfo(b44.data(), int32_t(b44.size()), &rate, &channels, &bitRate);
  d = DrainBuffer(b44);
  EXPECT_EQ(2 * 1152 * 4, d.bytes);
  KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
}

TEST(Exports, OutputNeverExceedsCapacity) {
  // MPEG-2.5 Layer II at 8000 Hz, stereo, converted up to 22050 Hz: 3175
  // sample pairs (12,700 bytes) would not fit the player's 8000-byte buffer.
  FrameSpec s;
  s.version = Version::Mpeg25;
  s.layer = 2;
  s.sampleRateIndex = 2;
  s.bitRateIndex = 8;
  std::vector<uint8_t> buffer = Frames(s, 3);
  StartStream();
  int32_t rate = 22050, channels = 0, bitRate = 0;
  KO_GetHeaderInfo(buffer.data(), int32_t(buffer.size()), &rate, &channels, &bitRate);
  std::vector<uint8_t> pcm(8000 + 64, 0xA5);
  Call c = Decompress(buffer.data(), int32_t(buffer.size()), pcm.data(), 8000);
  EXPECT_EQ(0, c.result);
  EXPECT_EQ(8000, c.bytes);
  for (size_t i = 8000; i < pcm.size(); i++) ASSERT_EQ(0xA5, pcm[i]) << "written past capacity at " << i;

  // Capacity is cut at whole sample pairs.
  c = Decompress(nullptr, 0, pcm.data(), 4097);
  EXPECT_EQ(4096, c.bytes);
  KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
}
