// Output stage: Q28 PCM to 16-bit samples with second-order noise shaping,
// triangular dither, clipping at full scale and, with the equalizer on, the
// preamplifier. The equalizer's gains halve the level (Q27 / Q11 at 0), so
// its variant quantises one bit finer and shifts one bit less.
#include "state.h"

namespace {

inline int32_t Add(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t Sub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }

inline int16_t OutputSample(DitherState& ds, Fixed x, int equalizer, int32_t preamp) {
  // Noise shaping: feed back the last error, plus the error before last's
  // half difference.
  int32_t a = Add(Sub(Add(x, ds.e1), ds.h1), ds.h2);
  ds.h2 = ds.h1;
  ds.h1 = ds.e1 / 2;

  uint32_t old = ds.seed;
  ds.seed = ds.seed * 1664525u + 1013904223u;
  uint32_t mask = equalizer ? 2047u : 8191u;
  int32_t r = int32_t(ds.seed & mask) - int32_t(old & mask);

  int32_t m = Add(Add(a, r), equalizer ? 2048 : 4096);
  if (m > kFixedOne) {
    m = kFixedOne;
    if (a > kFixedOne) a = kFixedOne;
  } else if (m < -kFixedOne) {
    m = -kFixedOne;
    if (a < -kFixedOne) a = -kFixedOne;
  }
  m &= equalizer ? -2048 : -8192;
  ds.e1 = Sub(a, m);

  int32_t out;
  if (equalizer) {
    out = int32_t((int64_t(m >> 12) * preamp) >> 10);
  } else {
    out = m >> 13;
  }
  if (out > 32767) out = 32767;
  if (out < -32768) out = -32768;
  return int16_t(out);
}

inline void Store(uint8_t* p, int16_t v) {
  p[0] = uint8_t(uint16_t(v) & 0xFF);
  p[1] = uint8_t(uint16_t(v) >> 8);
}

}  // namespace

int32_t OutputPcm(DecoderState& d, const Fixed* left, const Fixed* right, int channels, int count,
                  uint8_t* pcm, int32_t maxBytes) {
  if (!pcm || maxBytes <= 0 || count <= 0) return 0;
  int frameBytes = 2 * channels;
  if (count > maxBytes / frameBytes) count = maxBytes / frameBytes;
  int eq = d.equalizer.enabled ? 1 : 0;
  int32_t preamp = d.equalizer.preamp;
  uint8_t* p = pcm;
  for (int i = 0; i < count; i++) {
    Store(p, OutputSample(d.dither[0], left[i], eq, preamp));
    p += 2;
    if (channels == 2) {
      Store(p, OutputSample(d.dither[1], right[i], eq, preamp));
      p += 2;
    }
  }
  return int32_t(p - pcm);
}
