// Test helpers for Layer III streams: decoding a whole file through the four
// exports the way the player's decode loop does, and comparing PCM.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "komp3dec.h"
#include "state.h"

struct DecodedStream {
  std::vector<int16_t> pcm;           // interleaved as the decoder wrote it
  std::vector<int> frameChannels;     // channels of each decoded frame
  std::vector<int> frameSamples;      // samples per channel of each frame
  int outputChannels = 0;             // of every frame's PCM: the first frame's
  std::map<int32_t, int> statuses;    // every status seen except need-data, with counts
  int frames = 0;
};

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> data;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return data;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
  std::fclose(f);
  return data;
}

// Feeds the stream in buffers of `bufferSize` bytes, keeping the unconsumed
// tail as the player does; eight zero bytes follow the last byte so that the
// last frame can be taken.
inline DecodedStream DecodeStream(const std::vector<uint8_t>& file, size_t bufferSize = 8000) {
  DecodedStream out;
  std::vector<uint8_t> stream = file;
  stream.insert(stream.end(), 8, 0);
  KO_Exit();
  KO_Init(0, 0, nullptr, 0);
  std::vector<uint8_t> buffer(bufferSize);
  std::vector<uint8_t> pcm(1152 * 2 * 2 * 8);
  size_t pos = 0, held = 0;
  while (true) {
    size_t n = std::min(bufferSize - held, stream.size() - pos);
    std::memcpy(buffer.data() + held, stream.data() + pos, n);
    pos += n;
    size_t length = held + n;
    if (length == 0) break;
    const uint8_t* data = buffer.data();
    int32_t result;
    int guard = 0;
    do {
      int32_t bytes = 0, position = 0, rate = 0;
      result = KO_DecompressAudio(data, int32_t(length), pcm.data(), int32_t(pcm.size()), &bytes, &position, &rate);
      data = nullptr;
      if (bytes > 0) {
        // A frame comes out with the stream's first channel count.
        out.pcm.insert(out.pcm.end(), reinterpret_cast<int16_t*>(pcm.data()),
                       reinterpret_cast<int16_t*>(pcm.data()) + bytes / 2);
        out.frameChannels.push_back(g_decoder.synthesis.channels);
        out.frameSamples.push_back(bytes / 2 / g_decoder.streamChannels);
        out.outputChannels = g_decoder.streamChannels;
        out.frames++;
      } else if (g_decoder.cursor.status != STATUS_NEED_DATA && size_t(position) <= file.size()) {
        out.statuses[g_decoder.cursor.status]++;  // (the zeros after the last frame are no header)
      }
    } while (result == 0 && ++guard < 100000);
    held = size_t(result > 0 ? result - 1 : 0);
    if (held > length) held = length;
    if (pos >= stream.size() && held == length) break;  // nothing more will be taken
    std::memmove(buffer.data(), buffer.data() + length - held, held);
    if (pos >= stream.size() && n == 0) break;
  }
  KO_Exit();
  return out;
}

struct Difference {
  double rms = 0;
  int largest = 0;
  size_t compared = 0;
};

inline Difference Compare(const int16_t* a, const int16_t* b, size_t count) {
  Difference d;
  double sum = 0;
  for (size_t i = 0; i < count; i++) {
    int diff = int(a[i]) - int(b[i]);
    sum += double(diff) * diff;
    if (std::abs(diff) > d.largest) d.largest = std::abs(diff);
  }
  d.compared = count;
  d.rms = count ? std::sqrt(sum / double(count)) : 0;
  return d;
}

inline std::string StatusList(const std::map<int32_t, int>& statuses) {
  std::string s;
  char text[32];
  for (auto& [code, count] : statuses) {
    std::snprintf(text, sizeof text, "%s0x%X x%d", s.empty() ? "" : ", ", unsigned(code), count);
    s += text;
  }
  return s.empty() ? "none" : s;
}
