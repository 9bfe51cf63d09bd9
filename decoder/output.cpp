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
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Two channels in lanes 0 and 2 of SSE2 registers (where the unsigned 32 x 32
// multiply looks), equalizer off: the same steps as OutputSample on both
// channels at once, arranged for the two chains from sample to sample. The
// error chain: m = e1 + (x + h2 - h1 + r + 4096), new e1 = (m AND 8191) - (r
// + 4096), which is a - (m AND -8192); the seed chain advances two samples
// per multiply. Clipping is rare, so it is a branch that the chains do not
// wait for.
void OutputStereo(DitherState states[2], const Fixed* left, const Fixed* right, int count, uint8_t* p) {
  const __m128i fullScale = _mm_set1_epi32(kFixedOne);
  const __m128i minusFullScale = _mm_set1_epi32(-kFixedOne);
  const __m128i mask = _mm_set1_epi32(8191);
  const __m128i round = _mm_set1_epi32(4096);
  const __m128i step2 = _mm_set1_epi32(int32_t(1664525u * 1664525u));
  const __m128i add2 = _mm_set1_epi32(int32_t(1664525u * 1013904223u + 1013904223u));
  __m128i e1 = _mm_setr_epi32(states[0].e1, 0, states[1].e1, 0);
  __m128i h1 = _mm_setr_epi32(states[0].h1, 0, states[1].h1, 0);
  __m128i h2 = _mm_setr_epi32(states[0].h2, 0, states[1].h2, 0);
  __m128i seed = _mm_setr_epi32(int32_t(states[0].seed), 0, int32_t(states[1].seed), 0);
  __m128i next = _mm_add_epi32(_mm_mul_epu32(seed, _mm_set1_epi32(1664525)), _mm_set1_epi32(1013904223));
  for (int i = 0; i < count; i++) {
    __m128i after = _mm_add_epi32(_mm_mul_epu32(seed, step2), add2);
    __m128i rr = _mm_add_epi32(_mm_sub_epi32(_mm_and_si128(next, mask), _mm_and_si128(seed, mask)), round);
    seed = next;
    next = after;
    __m128i x = _mm_unpacklo_epi64(_mm_cvtsi32_si128(left[i]), _mm_cvtsi32_si128(right[i]));
    __m128i m = _mm_add_epi32(e1, _mm_add_epi32(_mm_sub_epi32(x, h1), _mm_add_epi32(h2, rr)));
    h2 = h1;
    h1 = _mm_srai_epi32(_mm_add_epi32(e1, _mm_srli_epi32(e1, 31)), 1);  // e1 / 2 toward zero
    __m128i above = _mm_cmpgt_epi32(m, fullScale);
    __m128i below = _mm_cmplt_epi32(m, minusFullScale);
    if (_mm_movemask_epi8(_mm_or_si128(above, below))) [[unlikely]] {
      __m128i a = _mm_sub_epi32(m, rr);
      __m128i aAbove = _mm_and_si128(above, _mm_cmpgt_epi32(a, fullScale));
      __m128i aBelow = _mm_and_si128(below, _mm_cmplt_epi32(a, minusFullScale));
      __m128i clipA = _mm_or_si128(aAbove, aBelow);
      a = _mm_or_si128(_mm_andnot_si128(clipA, a),
                       _mm_or_si128(_mm_and_si128(aAbove, fullScale), _mm_and_si128(aBelow, minusFullScale)));
      __m128i clipM = _mm_or_si128(above, below);
      m = _mm_or_si128(_mm_andnot_si128(clipM, m),
                       _mm_or_si128(_mm_and_si128(above, fullScale), _mm_and_si128(below, minusFullScale)));
      e1 = _mm_sub_epi32(a, _mm_andnot_si128(mask, m));
    } else {
      e1 = _mm_sub_epi32(_mm_and_si128(m, mask), rr);
    }
    // -32768 .. 32768 in lanes 0 and 2; the pack saturates 32768.
    __m128i out = _mm_shuffle_epi32(_mm_srai_epi32(m, 13), 0x08);
    int32_t pair = _mm_cvtsi128_si32(_mm_packs_epi32(out, out));
    std::memcpy(p, &pair, 4);
    p += 4;
  }
  alignas(16) int32_t v[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(v), e1);
  states[0].e1 = v[0], states[1].e1 = v[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(v), h1);
  states[0].h1 = v[0], states[1].h1 = v[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(v), h2);
  states[0].h2 = v[0], states[1].h2 = v[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(v), seed);
  states[0].seed = uint32_t(v[0]), states[1].seed = uint32_t(v[2]);
}
#endif

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
#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (channels == 2) OutputStereo(d.dither, left, right, count, pcm);
#else
    if (channels == 2) Output<0, 2>(d.dither, left, right, count, preamp, pcm);
#endif
    else Output<0, 1>(d.dither, left, right, count, preamp, pcm);
  }
  return count * frameBytes;
}
