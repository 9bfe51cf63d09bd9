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
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
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

// The dither's low 13 bits run through an LCG modulo 8192 of full period, so
// the dither step of each sample is a table entry at the seed's place on that
// cycle; the table repeats its first kBlock entries so that a block reads one
// slice.
constexpr int kBlock = 256;
constexpr uint32_t kSeedMul = 1664525u, kSeedAdd = 1013904223u;

struct DitherCycle {
  int16_t step[8192 + kBlock];  // (next & 8191) - (seed & 8191) + 4096
  uint16_t place[8192];         // of each seed & 8191 on the cycle
  DitherCycle() {
    uint32_t seed = 0;
    for (int k = 0; k < 8192; k++) {
      uint32_t next = seed * kSeedMul + kSeedAdd;
      place[seed & 8191] = uint16_t(k);
      step[k] = int16_t(int32_t(next & 8191) - int32_t(seed & 8191) + 4096);
      seed = next;
    }
    for (int k = 0; k < kBlock; k++) step[8192 + k] = step[k];
  }
};
const DitherCycle kCycle;

// The seed n steps on.
uint32_t SeedAfter(uint32_t seed, uint32_t n) {
  uint32_t a = kSeedMul, c = kSeedAdd;
  for (; n; n >>= 1) {
    if (n & 1) seed = seed * a + c;
    c = c * a + c;
    a *= a;
  }
  return seed;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define OUTPUT_PAIRS_AVX2 1
// The preparation below for eight pairs at a time: the sums and steps as
// pairs L R, and whether every sample stays away from full scale. Returns
// how many samples it took (a multiple of 8).
__attribute__((target("avx2"))) int PreparePairsAvx2(const Fixed* l, const Fixed* r, const int16_t* sl,
                                                     const int16_t* sr, int n, int32_t* sum, int32_t* steps,
                                                     bool& safe) {
  __m256i top = _mm256_set1_epi16(-32768), bottom = _mm256_set1_epi16(32767);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i xl = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l + i));
    __m256i xr = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r + i));
    __m256i hi = _mm256_packs_epi32(_mm256_srai_epi32(xl, 16), _mm256_srai_epi32(xr, 16));
    top = _mm256_max_epi16(top, hi);
    bottom = _mm256_min_epi16(bottom, hi);
    __m256i dl = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sl + i)));
    __m256i dr = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sr + i)));
    __m256i tl = _mm256_add_epi32(xl, dl), tr = _mm256_add_epi32(xr, dr);
    __m256i sLo = _mm256_unpacklo_epi32(tl, tr), sHi = _mm256_unpackhi_epi32(tl, tr);
    __m256i dLo = _mm256_unpacklo_epi32(dl, dr), dHi = _mm256_unpackhi_epi32(dl, dr);
    _mm256_store_si256(reinterpret_cast<__m256i*>(sum + 2 * i), _mm256_permute2x128_si256(sLo, sHi, 0x20));
    _mm256_store_si256(reinterpret_cast<__m256i*>(sum + 2 * i + 8), _mm256_permute2x128_si256(sLo, sHi, 0x31));
    _mm256_store_si256(reinterpret_cast<__m256i*>(steps + 2 * i), _mm256_permute2x128_si256(dLo, dHi, 0x20));
    _mm256_store_si256(reinterpret_cast<__m256i*>(steps + 2 * i + 8), _mm256_permute2x128_si256(dLo, dHi, 0x31));
  }
  __m256i out = _mm256_or_si256(_mm256_cmpgt_epi16(top, _mm256_set1_epi16(4093)),
                                _mm256_cmpgt_epi16(_mm256_set1_epi16(-4094), bottom));
  safe = _mm256_testz_si256(out, out) != 0;
  return i;
}

// The shaped values (count of them) to 16-bit samples, sixteen at a time;
// returns how many it took.
__attribute__((target("avx2"))) int PackPairsAvx2(const int32_t* shaped, int count, uint8_t* p) {
  int k = 0;
  for (; k + 16 <= count; k += 16) {
    __m256i a = _mm256_srai_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(shaped + k)), 13);
    __m256i b = _mm256_srai_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(shaped + k + 8)), 13);
    __m256i out = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 2 * k), out);
  }
  return k;
}

#endif

// OutputStereo for blocks that cannot reach full scale (the error terms stay
// within 2^16 of the sample): the dither steps come from the table, and the
// chain loop does only the error feedback on pairs prepared beforehand.
// (Built twice: the three-operand AVX encoding spares the chain loop its register copies.)
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void OutputStereoFast(DitherState states[2], const Fixed* left, const Fixed* right, int count, uint8_t* p) {
  // Sample + dither step and the steps, L R L R; the chain below reads four
  // values where it uses two, so two more pairs follow.
  alignas(32) int32_t sum[2 * kBlock + 4];
  alignas(32) int32_t steps[2 * kBlock + 4];
  for (int k = 2 * kBlock; k < 2 * kBlock + 4; k++) sum[k] = steps[k] = 0;
  alignas(16) int32_t shaped[2 * kBlock + 8];
  const __m128i mask = _mm_set1_epi32(8191);
  const __m128i highest = _mm_set1_epi16(4093), lowest = _mm_set1_epi16(-4094);
  for (int done = 0; done < count;) {
    int n = count - done < kBlock ? count - done : kBlock;
    const int16_t* sl = kCycle.step + kCycle.place[states[0].seed & 8191];
    const int16_t* sr = kCycle.step + kCycle.place[states[1].seed & 8191];
    const Fixed* l = left + done;
    const Fixed* r = right + done;
    int i = 0;
    bool safe = true;
#ifdef OUTPUT_PAIRS_AVX2
    if (HasAvx2()) i = PreparePairsAvx2(l, r, sl, sr, n, sum, steps, safe);
#endif
    __m128i top = _mm_set1_epi16(-32768), bottom = _mm_set1_epi16(32767);
    for (; i + 4 <= n; i += 4) {
      __m128i xl = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l + i));
      __m128i xr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i));
      __m128i hi = _mm_packs_epi32(_mm_srai_epi32(xl, 16), _mm_srai_epi32(xr, 16));
      top = _mm_max_epi16(top, hi);
      bottom = _mm_min_epi16(bottom, hi);
      __m128i dl = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sl + i));
      __m128i dr = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sr + i));
      __m128i d = _mm_unpacklo_epi16(dl, dr);  // L R L R as 16 bits
      __m128i dLo = _mm_srai_epi32(_mm_unpacklo_epi16(d, d), 16);
      __m128i dHi = _mm_srai_epi32(_mm_unpackhi_epi16(d, d), 16);
      __m128i xLo = _mm_unpacklo_epi32(xl, xr), xHi = _mm_unpackhi_epi32(xl, xr);
      _mm_store_si128(reinterpret_cast<__m128i*>(steps + 2 * i), dLo);
      _mm_store_si128(reinterpret_cast<__m128i*>(steps + 2 * i + 4), dHi);
      _mm_store_si128(reinterpret_cast<__m128i*>(sum + 2 * i), _mm_add_epi32(xLo, dLo));
      _mm_store_si128(reinterpret_cast<__m128i*>(sum + 2 * i + 4), _mm_add_epi32(xHi, dHi));
    }
    safe = safe && !_mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(top, highest), _mm_cmplt_epi16(bottom, lowest)));
    for (; i < n && safe; i++) {
      safe = l[i] >> 16 <= 4093 && l[i] >> 16 >= -4094 && r[i] >> 16 <= 4093 && r[i] >> 16 >= -4094;
      steps[2 * i] = sl[i];
      steps[2 * i + 1] = sr[i];
      sum[2 * i] = l[i] + sl[i];
      sum[2 * i + 1] = r[i] + sr[i];
    }
    if (!safe) {
      OutputStereo(states, l, r, n, p);
    } else {
      // Lanes 0 and 1 carry L and R; lanes 2 and 3 run along on the next
      // pair's values and are never used. The halves of the last two errors
      // alternate between two registers, the older one taking the newest.
      __m128i e1 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(states[0].e1), _mm_cvtsi32_si128(states[1].e1));
      __m128i h1 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(states[0].h1), _mm_cvtsi32_si128(states[1].h1));
      __m128i h2 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(states[0].h2), _mm_cvtsi32_si128(states[1].h2));
      auto step = [&](int k, __m128i& older, __m128i newer) {
        __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + 2 * k));
        __m128i d = _mm_sub_epi32(older, newer);
        __asm__("" : "+x"(d));  // kept as one term: regrouped, the sums cost copies
        __m128i m = _mm_add_epi32(_mm_add_epi32(t, e1), d);
        older = _mm_srai_epi32(_mm_add_epi32(e1, _mm_srli_epi32(e1, 31)), 1);  // e1 / 2 toward zero
        e1 = _mm_sub_epi32(_mm_and_si128(m, mask), _mm_loadu_si128(reinterpret_cast<const __m128i*>(steps + 2 * k)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(shaped + 2 * k), m);
      };
      int k = 0;
#pragma GCC unroll 2
      for (; k + 2 <= n; k += 2) {
        step(k, h2, h1);
        step(k + 1, h1, h2);
      }
      if (k < n) {
        step(k, h2, h1);
        std::swap(h1, h2);
      }
      // -32768 .. 32768; the pack saturates 32768.
      int packed = 0;
#ifdef OUTPUT_PAIRS_AVX2
      if (HasAvx2()) packed = PackPairsAvx2(shaped, 2 * n, p);
#endif
      for (int k = packed; k < 2 * n; k += 8) {
        __m128i a = _mm_srai_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(shaped + k)), 13);
        __m128i b = _mm_srai_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(shaped + k + 4)), 13);
        __m128i out = _mm_packs_epi32(a, b);
        if (2 * n - k >= 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 2 * k), out);
        else {
          alignas(16) int16_t rest[8];
          _mm_store_si128(reinterpret_cast<__m128i*>(rest), out);
          std::memcpy(p + 2 * k, rest, size_t(2 * n - k) * 2);
        }
      }
      states[0].e1 = _mm_cvtsi128_si32(e1);
      states[1].e1 = _mm_cvtsi128_si32(_mm_srli_si128(e1, 4));
      states[0].h1 = _mm_cvtsi128_si32(h1);
      states[1].h1 = _mm_cvtsi128_si32(_mm_srli_si128(h1, 4));
      states[0].h2 = _mm_cvtsi128_si32(h2);
      states[1].h2 = _mm_cvtsi128_si32(_mm_srli_si128(h2, 4));
      states[0].seed = SeedAfter(states[0].seed, uint32_t(n));
      states[1].seed = SeedAfter(states[1].seed, uint32_t(n));
    }
    done += n;
    p += 4 * n;
  }
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
    if (channels == 2) OutputStereoFast(d.dither, left, right, count, pcm);
#else
    if (channels == 2) Output<0, 2>(d.dither, left, right, count, preamp, pcm);
#endif
    else Output<0, 1>(d.dither, left, right, count, preamp, pcm);
  }
  return count * frameBytes;
}
