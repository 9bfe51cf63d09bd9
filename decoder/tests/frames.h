// Builders of MPEG audio frames for the tests: a header and a payload of
// zeros, which every layer decodes as silence (no allocation, empty side
// information, main_data_begin 0).
#pragma once
#include <cstdint>
#include <vector>

#include "komp3dec.h"
#include "state.h"

enum class Version { Mpeg1, Mpeg2, Mpeg25 };

struct FrameSpec {
  Version version = Version::Mpeg1;
  int layer = 2;
  int bitRateIndex = 8;     // 128 kbit/s for MPEG-1 Layer II
  int sampleRateIndex = 0;  // 44100 for MPEG-1
  int padding = 0;
  int modeBits = 0;  // 0 stereo, 1 joint, 2 dual, 3 single channel
  bool crc = false;
};

inline int FrameBytes(const FrameSpec& s) {
  static const int kRates[4] = {44100, 48000, 32000, 0};
  static const int kBitRates[2][3][16] = {
      {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
  int lsf = s.version == Version::Mpeg1 ? 0 : 1;
  int rate = kRates[s.sampleRateIndex] >> lsf >> (s.version == Version::Mpeg25 ? 1 : 0);
  int br = kBitRates[lsf][s.layer - 1][s.bitRateIndex] * 1000;
  if (br == 0 || rate == 0) return 64;  // not a frame: any length will do
  if (s.layer == 1) return (12 * br / rate + s.padding) * 4;
  if (s.layer == 3 && lsf) return 72 * br / rate + s.padding;
  return 144 * br / rate + s.padding;
}

inline void AppendFrame(std::vector<uint8_t>& out, const FrameSpec& s) {
  int versionBits = s.version == Version::Mpeg1 ? 3 : (s.version == Version::Mpeg2 ? 2 : 0);
  size_t at = out.size();
  out.resize(at + FrameBytes(s), 0);
  out[at] = 0xFF;
  out[at + 1] = uint8_t(0xE0 | versionBits << 3 | (4 - s.layer) << 1 | (s.crc ? 0 : 1));
  out[at + 2] = uint8_t(s.bitRateIndex << 4 | s.sampleRateIndex << 2 | s.padding << 1);
  out[at + 3] = uint8_t(s.modeBits << 6);
}

inline std::vector<uint8_t> Frames(const FrameSpec& s, int count) {
  std::vector<uint8_t> out;
  for (int i = 0; i < count; i++) AppendFrame(out, s);
  return out;
}

// One call of KO_DecompressAudio with its outputs.
struct Call {
  int32_t result = 0, bytes = -1, position = -1, bitRate = -1;
};

inline Call Decompress(const uint8_t* data, int32_t length, uint8_t* pcm = nullptr, int32_t capacity = 0) {
  static uint8_t scratch[16384];
  if (!pcm) {
    pcm = scratch;
    capacity = sizeof scratch;
  }
  Call c;
  c.result = KO_DecompressAudio(data, length, pcm, capacity, &c.bytes, &c.position, &c.bitRate);
  return c;
}

// Fresh stream state as the player sets it up before a title.
inline void StartStream(int32_t start = 0, int32_t fadeIn = 0) {
  KO_Exit();
  KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
  KO_Init(fadeIn, 0, nullptr, start);
  if (!fadeIn) g_decoder.fadeCounter = 16;
}
