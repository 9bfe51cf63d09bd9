// Output stage: Q28 PCM to 16-bit samples with second-order noise shaping,
// triangular dither, clipping at full scale and, with the equalizer on, the
// preamplifier. The equalizer's gains halve the level (Q27 / Q11 at 0), so
// its variant quantises one bit finer and shifts one bit less.
//
// The error feedback makes each channel a chain from sample to sample, so the
// loop keeps both channels' states in locals and runs the two chains side by
// side; the variants (equalizer, channel count) are separate instances so
// that nothing is decided per sample.
#include <cstring>

#include "state.h"

namespace {

inline int32_t Add(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t Sub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }

template <int kEqualizer>
inline int16_t OutputSample(DitherState& ds, Fixed x, int32_t preamp) {
  constexpr uint32_t kMask = kEqualizer ? 2047u : 8191u;
  constexpr int32_t kRound = kEqualizer ? 2048 : 4096;
  constexpr int32_t kKeep = kEqualizer ? -2048 : -8192;

  // Noise shaping: feed back the last error, plus the error before last's
  // half difference.
  int32_t a = Add(Sub(Add(x, ds.e1), ds.h1), ds.h2);
  ds.h2 = ds.h1;
  ds.h1 = ds.e1 / 2;

  uint32_t old = ds.seed;
  ds.seed = ds.seed * 1664525u + 1013904223u;
  int32_t r = int32_t(ds.seed & kMask) - int32_t(old & kMask);

  int32_t m = Add(Add(a, r), kRound);
  if (m > kFixedOne) [[unlikely]] {
    m = kFixedOne;
    if (a > kFixedOne) a = kFixedOne;
  } else if (m < -kFixedOne) [[unlikely]] {
    m = -kFixedOne;
    if (a < -kFixedOne) a = -kFixedOne;
  }
  m &= kKeep;
  ds.e1 = Sub(a, m);

  int32_t out = kEqualizer ? int32_t((int64_t(m >> 12) * preamp) >> 10) : m >> 13;
  if (out > 32767) out = 32767;
  if (out < -32768) out = -32768;
  return int16_t(out);
}

// Little-endian 16-bit stores.
inline void Store(uint8_t* p, int16_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(p, &v, 2);
#else
  p[0] = uint8_t(uint16_t(v) & 0xFF);
  p[1] = uint8_t(uint16_t(v) >> 8);
#endif
}

template <int kEqualizer, int kChannels>
void Output(DitherState states[2], const Fixed* left, const Fixed* right, int count, int32_t preamp, uint8_t* p) {
  DitherState l = states[0], r = states[1];
  for (int i = 0; i < count; i++) {
    Store(p, OutputSample<kEqualizer>(l, left[i], preamp));
    p += 2;
    if (kChannels == 2) {
      Store(p, OutputSample<kEqualizer>(r, right[i], preamp));
      p += 2;
    }
  }
  states[0] = l;
  if (kChannels == 2) states[1] = r;
}

}  // namespace

int32_t OutputPcm(DecoderState& d, const Fixed* left, const Fixed* right, int channels, int count,
                  uint8_t* pcm, int32_t maxBytes) {
  if (!pcm || maxBytes <= 0 || count <= 0) return 0;
  int frameBytes = 2 * channels;
  if (count > maxBytes / frameBytes) count = maxBytes / frameBytes;
  int32_t preamp = d.equalizer.preamp;
  if (d.equalizer.enabled) {
    if (channels == 2) Output<1, 2>(d.dither, left, right, count, preamp, pcm);
    else Output<1, 1>(d.dither, left, right, count, preamp, pcm);
  } else {
    if (channels == 2) Output<0, 2>(d.dither, left, right, count, preamp, pcm);
    else Output<0, 1>(d.dither, left, right, count, preamp, pcm);
  }
  return count * frameBytes;
}
