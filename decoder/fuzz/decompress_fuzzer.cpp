// libFuzzer target: any bytes through the exports as the player calls them.
// The first four bytes choose the settings (fade, equalizer and its gains,
// a forced output rate, the output capacity); the rest is the stream, fed in
// buffers of varying length with the unconsumed tail carried over.
#include <cstdint>
#include <cstring>
#include <vector>

#include "komp3dec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t flags = data[0];
  const uint8_t rateChoice = data[1];
  const uint8_t chunkSeed = data[2];
  const uint8_t capacityChoice = data[3];
  data += 4;
  size -= 4;

  static const int32_t kRates[8] = {0, 44100, 22050, 48000, 8000, 11025, 32000, 12345};
  int8_t gains[11];
  for (int i = 0; i < 11; i++) gains[i] = int8_t((flags * 37 + i * 101) ^ (rateChoice << 1));

  KO_Exit();
  KO_Init((flags & 1) ? 1 : 0, (flags & 2) ? 16 : 0, (flags & 4) ? gains : nullptr, (flags & 8) ? 1234 : 0);
  int32_t rate = kRates[rateChoice & 7], channels = 0, bitRate = 0;
  if (rate) KO_GetHeaderInfo(data, int32_t(size < 7999 ? size : 7999), &rate, &channels, &bitRate);
  else KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);

  // The caller's buffers sized exactly, so that any overrun is caught.
  const int32_t capacity = (capacityChoice & 0x80) ? 8000 : 1 + capacityChoice * 61;
  std::vector<uint8_t> pcm(static_cast<size_t>(capacity));
  std::vector<uint8_t> input(8000);

  size_t at = 0;
  int32_t carry = 0, filled = 0;
  uint32_t seed = chunkSeed;
  for (int rounds = 0; rounds < 10000; rounds++) {
    int32_t keep = carry > 0 && carry <= filled ? carry - 1 : 0;
    std::memmove(input.data(), input.data() + filled - keep, size_t(keep));
    seed = seed * 1103515245u + 12345u;
    size_t want = 1 + (seed >> 8) % (8000 - size_t(keep));
    size_t n = size - at < want ? size - at : want;
    if (n == 0) break;
    std::memcpy(input.data() + keep, data + at, n);
    at += n;
    filled = keep + int32_t(n);
    // An exact-size copy of the buffer: reads past its end are caught.
    std::vector<uint8_t> buffer(input.begin(), input.begin() + filled);
    int32_t bytes = 0, position = 0, frameRate = 0;
    int32_t r = KO_DecompressAudio(buffer.data(), filled, pcm.data(), capacity, &bytes, &position, &frameRate);
    int tail = 0;
    while (r == 0 && tail++ < 100000) {
      if (bytes < 0 || bytes > capacity) __builtin_trap();
      r = KO_DecompressAudio(nullptr, 0, pcm.data(), capacity, &bytes, &position, &frameRate);
    }
    if (r < 0 || r > filled + 1) __builtin_trap();
    if (bytes < 0 || bytes > capacity) __builtin_trap();
    std::memcpy(input.data(), buffer.data(), size_t(filled));
    carry = r;
    if ((seed >> 20) % 16 == 0) KO_Init(1, (flags & 2) ? 16 : 0, gains, -1);
  }
  KO_Exit();
  return 0;
}
