// Layer III hybrid filter bank: reordering of short blocks, alias reduction,
// the IMDCTs with their windows, overlap-add and frequency inversion. Lines
// come in as Q28 (three guard bits); the alias butterflies wrap like the
// 32-bit adds they stand for, the transforms and the overlap-add saturate, so
// no input is undefined and loud frames clip rather than wrap.
#include <cstdint>
#include <cstring>

#include "layer3.h"
#include "tables_layer3.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

inline Fixed Saturate(int64_t x) { return x > INT32_MAX ? INT32_MAX : x < -INT32_MAX ? -INT32_MAX : Fixed(x); }

// The sample side of the rounded product, (a + 2048) >> 12, in 32 bits.
inline int32_t RoundQ16(Fixed a) { return (a >> 12) + ((a >> 11) & 1); }

// a + b held within +-(2^31 - 1), without leaving 32 bits.
inline Fixed AddSaturated(Fixed a, Fixed b) {
  uint32_t sum = uint32_t(a) + uint32_t(b);
  uint32_t wrapped = uint32_t(int32_t((uint32_t(a) ^ sum) & (uint32_t(b) ^ sum)) >> 31);
  uint32_t limit = uint32_t(a >> 31) ^ 0x7FFFFFFFu;  // the bound on a's side
  int32_t r = int32_t((sum & ~wrapped) | (limit & wrapped));
  return r < -INT32_MAX ? -INT32_MAX : r;
}

}  // namespace

void Layer3Reorder(Fixed lines[576], const int16_t shortBands[14], int fromBand) {
  Fixed reordered[576];
  int first = 3 * shortBands[fromBand];
  int count = 0;
  for (int s = fromBand; s < 13; s++) {
    int width = shortBands[s + 1] - shortBands[s];
    const Fixed* src = lines + 3 * shortBands[s];
    for (int w = 0; w < 3; w++)
      for (int j = 0; j < width; j++) {
        int f = shortBands[s] + j;
        reordered[(f / 6) * 18 + w * 6 + f % 6] = *src++;
        count++;
      }
  }
  std::memcpy(lines + first, reordered + first, size_t(count) * sizeof(Fixed));
}

namespace {

// Clones stay inside this file: calls from elsewhere to a cloned function do
// not link with every compiler.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void AliasButterflies(Fixed lines[576], int boundaries) {
  for (int k = 1; k <= boundaries; k++) {
    Fixed* lower = lines + 18 * k - 8;  // lower[7 - i] pairs with upper[i]
    Fixed* upper = lines + 18 * k;
    uint32_t lo[8], up[8];
    for (int i = 0; i < 8; i++) {
      lo[i] = uint32_t(RoundQ16(lower[7 - i]));
      up[i] = uint32_t(RoundQ16(upper[i]));
    }
    for (int i = 0; i < 8; i++) {
      lower[7 - i] = Fixed(lo[i] * uint32_t(kLayer3AliasCsQ12[i]) - up[i] * uint32_t(kLayer3AliasCaQ12[i]));
      upper[i] = Fixed(up[i] * uint32_t(kLayer3AliasCsQ12[i]) + lo[i] * uint32_t(kLayer3AliasCaQ12[i]));
    }
  }
}

}  // namespace

void Layer3AliasReduce(Fixed lines[576], int boundaries) { AliasButterflies(lines, boundaries); }

namespace {

// Q24 constant times x, rounded: no sum below exceeds 2^61 for any 32-bit
// input, so the 64-bit arithmetic never wraps.
inline int64_t MulQ24(int64_t x, int64_t c) { return (x * c + (int64_t(1) << 23)) >> 24; }

// 9-point DCT-II, v[m] = sum a[k] cos(pi/18 (2k+1) m): inputs k and 8 - k
// share each cosine up to the sign (-1)^m, the middle one takes cos(pi m/2).
inline void Dct9(const int64_t a[9], int64_t v[9]) {
  int64_t sum[4], diff[4];
  for (int k = 0; k < 4; k++) {
    sum[k] = a[k] + a[8 - k];
    diff[k] = a[k] - a[8 - k];
  }
  v[0] = sum[0] + sum[1] + sum[2] + sum[3] + a[4];
  for (int m = 1; m < 9; m++) {
    const int64_t* c = kLayer3Dct9[m];
    const int64_t* x = (m & 1) ? diff : sum;
    int64_t acc = (x[0] * c[0] + x[1] * c[1] + x[2] * c[2] + x[3] * c[3] + (int64_t(1) << 23)) >> 24;
    if (!(m & 1)) acc += (m & 2) ? -a[4] : a[4];
    v[m] = acc;
  }
}

// The 36-point IMDCT is an 18-point DCT-IV Y followed by a fold:
// out[0..8] = Y[9..17], out[9..26] = -Y[17..0], out[27..35] = -Y[0..8].
// The DCT-IV runs as a DCT-II of the inputs twiddled by 2 cos(pi/72 (2k+1)),
// whose outputs are Y[j] + Y[j-1]; that DCT-II splits into a 9-point DCT-II
// of the folded sums (even outputs) and a 9-point DCT-IV of the folded
// differences (odd outputs), itself a twiddled 9-point DCT-II the same way.
// Everything stays in 64 bits with Q24 constants, rounded to Q28 once per
// product sum: Q12 constants on Q16-rounded inputs lose too much on loud
// tones (the 0 dB sine stream). Y stays in 64 bits: on loud frames (lines of
// several times full scale) it may exceed 32 bits while the windowed,
// overlapped samples fit again, so only the window product saturates.
void Dct18(const Fixed in[18], int64_t y[18]) {
  int64_t folded[9], twisted[9];
  for (int k = 0; k < 9; k++) {
    int64_t lo = MulQ24(in[k], kLayer3Dct18Twiddle[k]);
    int64_t hi = MulQ24(in[17 - k], kLayer3Dct18Twiddle[17 - k]);
    folded[k] = lo + hi;
    twisted[k] = MulQ24(lo - hi, kLayer3Dct9Twiddle[k]);
  }
  int64_t even[9], odd[9];
  Dct9(folded, even);
  Dct9(twisted, odd);
  // Unfold both recurrences: z[m] = odd[m] - z[m-1] are the odd outputs of
  // the DCT-II, Y[j] = v[j] - Y[j-1] the transform.
  int64_t z = odd[0] >> 1;
  int64_t yj = even[0] >> 1;
  y[0] = yj;
  yj = z - yj;
  y[1] = yj;
  for (int m = 1; m < 9; m++) {
    yj = even[m] - yj;
    y[2 * m] = yj;
    z = odd[m] - z;
    yj = z - yj;
    y[2 * m + 1] = yj;
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define LAYER3_DCT_AVX2 1

// Inputs below 2^26 in magnitude keep every multiplicand of Dct18 within 32
// bits and every result within 2^31, so four subbands can run it in the
// 64-bit lanes of AVX2 registers with 32 x 32 -> 64 products: the same
// products, sums and roundings, hence the same outputs (no saturation occurs).
// Only each lane's low half is kept exact: a product is exact from the low
// halves of its factors, a sum or difference's low half from theirs, and
// the two values halved at the end (the nine-point transforms' first
// outputs) stay below 0.88 * 2^31 for such inputs, so their low halves
// alone can be shifted.
constexpr int32_t kDctLaneLimit = 1 << 26;

// The transform's constants four times over, so that each product takes its
// constant straight from memory.
struct DctLanes {
  alignas(32) int64_t dct9[9][4][4];
  alignas(32) int64_t twiddle18[18][4];
  alignas(32) int64_t twiddle9[9][4];
  DctLanes() {
    for (int l = 0; l < 4; l++) {
      for (int m = 0; m < 9; m++)
        for (int k = 0; k < 4; k++) dct9[m][k][l] = kLayer3Dct9[m][k];
      for (int k = 0; k < 18; k++) twiddle18[k][l] = kLayer3Dct18Twiddle[k];
      for (int k = 0; k < 9; k++) twiddle9[k][l] = kLayer3Dct9Twiddle[k];
    }
  }
};
const DctLanes kDctLanes;

__attribute__((target("avx2"))) inline __m256i Lanes4(const int64_t* c) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(c));
}

__attribute__((target("avx2"))) inline __m256i MulQ24x4(__m256i x, const int64_t* c) {
  __m256i p = _mm256_mul_epi32(x, Lanes4(c));
  return _mm256_srli_epi64(_mm256_add_epi64(p, _mm256_set1_epi64x(int64_t(1) << 23)), 24);
}

__attribute__((target("avx2"))) inline void Dct9x4(const __m256i a[9], __m256i v[9]) {
  __m256i sum[4], diff[4];
  for (int k = 0; k < 4; k++) {
    sum[k] = _mm256_add_epi64(a[k], a[8 - k]);
    diff[k] = _mm256_sub_epi64(a[k], a[8 - k]);
  }
  v[0] = _mm256_add_epi64(_mm256_add_epi64(_mm256_add_epi64(sum[0], sum[1]), _mm256_add_epi64(sum[2], sum[3])), a[4]);
  for (int m = 1; m < 9; m++) {
    const int64_t (*c)[4] = kDctLanes.dct9[m];
    const __m256i* x = (m & 1) ? diff : sum;
    __m256i acc = _mm256_add_epi64(_mm256_mul_epi32(x[0], Lanes4(c[0])), _mm256_mul_epi32(x[1], Lanes4(c[1])));
    acc = _mm256_add_epi64(acc, _mm256_mul_epi32(x[2], Lanes4(c[2])));
    acc = _mm256_add_epi64(acc, _mm256_mul_epi32(x[3], Lanes4(c[3])));
    acc = _mm256_srli_epi64(_mm256_add_epi64(acc, _mm256_set1_epi64x(int64_t(1) << 23)), 24);
    if (!(m & 1)) acc = (m & 2) ? _mm256_sub_epi64(acc, a[4]) : _mm256_add_epi64(acc, a[4]);
    v[m] = acc;
  }
}

// Dct18 of the four subbands at in, in + 18, in + 36, in + 54 (all inputs
// below kDctLaneLimit): y[sb][j], each below 18 x 2^26 in magnitude.
__attribute__((target("avx2"))) void Dct18x4(const Fixed* in, Fixed y[4][18]) {
  // Four lines of each subband at a time, turned to lines of four subbands
  // by a 4 x 4 transpose (plain loads: cheaper than gathers on some cores).
  __m256i x[18];
  for (int k = 0; k < 16; k += 4) {
    __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
    __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 18 + k));
    __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 36 + k));
    __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 54 + k));
    __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpackhi_epi32(r0, r1);
    __m128i t2 = _mm_unpacklo_epi32(r2, r3), t3 = _mm_unpackhi_epi32(r2, r3);
    x[k] = _mm256_cvtepi32_epi64(_mm_unpacklo_epi64(t0, t2));
    x[k + 1] = _mm256_cvtepi32_epi64(_mm_unpackhi_epi64(t0, t2));
    x[k + 2] = _mm256_cvtepi32_epi64(_mm_unpacklo_epi64(t1, t3));
    x[k + 3] = _mm256_cvtepi32_epi64(_mm_unpackhi_epi64(t1, t3));
  }
  for (int k = 16; k < 18; k++) x[k] = _mm256_cvtepi32_epi64(_mm_setr_epi32(in[k], in[18 + k], in[36 + k], in[54 + k]));
  __m256i folded[9], twisted[9];
  for (int k = 0; k < 9; k++) {
    __m256i lo = MulQ24x4(x[k], kDctLanes.twiddle18[k]);
    __m256i hi = MulQ24x4(x[17 - k], kDctLanes.twiddle18[17 - k]);
    folded[k] = _mm256_add_epi64(lo, hi);
    twisted[k] = MulQ24x4(_mm256_sub_epi64(lo, hi), kDctLanes.twiddle9[k]);
  }
  __m256i even[9], odd[9];
  Dct9x4(folded, even);
  Dct9x4(twisted, odd);
  __m256i out[18];
  __m256i z = _mm256_srai_epi32(odd[0], 1);
  __m256i yj = _mm256_srai_epi32(even[0], 1);
  out[0] = yj;
  yj = _mm256_sub_epi64(z, yj);
  out[1] = yj;
  for (int m = 1; m < 9; m++) {
    yj = _mm256_sub_epi64(even[m], yj);
    out[2 * m] = yj;
    z = _mm256_sub_epi64(odd[m], z);
    yj = _mm256_sub_epi64(z, yj);
    out[2 * m + 1] = yj;
  }
  // The low halves of the lanes back to rows per subband: pairs of times
  // interleaved by a shift and a blend, then two pairs joined per subband.
  for (int j = 0; j < 16; j += 4) {
    __m256i p01 = _mm256_blend_epi32(out[j], _mm256_slli_epi64(out[j + 1], 32), 0xAA);
    __m256i p23 = _mm256_blend_epi32(out[j + 2], _mm256_slli_epi64(out[j + 3], 32), 0xAA);
    __m256i even = _mm256_unpacklo_epi64(p01, p23), odd = _mm256_unpackhi_epi64(p01, p23);  // subbands 0 2, 1 3
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y[0] + j), _mm256_castsi256_si128(even));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y[1] + j), _mm256_castsi256_si128(odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y[2] + j), _mm256_extracti128_si256(even, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y[3] + j), _mm256_extracti128_si256(odd, 1));
  }
  __m256i last = _mm256_blend_epi32(out[16], _mm256_slli_epi64(out[17], 32), 0xAA);
  __m128i first = _mm256_castsi256_si128(last), second = _mm256_extracti128_si256(last, 1);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(y[0] + 16), first);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(y[1] + 16), _mm_unpackhi_epi64(first, first));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(y[2] + 16), second);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(y[3] + 16), _mm_unpackhi_epi64(second, second));
}


// FilterBank's first look at the subbands below `active`: kind 0 (all
// lines zero), 1 (long, below longEnd) or 2 (short), and whether all lines
// lie within -2^26 .. 2^26 - 1 (each plus 2^26 sets no bit from 27 up).
__attribute__((target("avx2"))) void ScanSubbandsAvx2(const Fixed* lines, int active, int longEnd, uint8_t* kind,
                                                      uint8_t* fits) {
  const __m256i offset = _mm256_set1_epi32(1 << 26), high = _mm256_set1_epi32(-(1 << 27));
  for (int sb = 0; sb < 32; sb++) {
    if (sb >= active) {
      kind[sb] = 0;
      fits[sb] = 1;
      continue;
    }
    const Fixed* in = lines + sb * 18;
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 8));
    __m256i c = _mm256_zextsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 16)));
    __m256i any = _mm256_or_si256(_mm256_or_si256(a, b), c);
    __m256i wide = _mm256_or_si256(_mm256_add_epi32(a, offset), _mm256_add_epi32(b, offset));
    wide = _mm256_or_si256(wide, _mm256_add_epi32(c, offset));
    kind[sb] = _mm256_testz_si256(any, any) ? 0 : sb < longEnd ? 1 : 2;
    fits[sb] = _mm256_testz_si256(wide, high) != 0;
  }
}

// sums[sb][t] (32 subbands by 18 times) to out[t * 32 + sb], odd times of odd
// subbands negated: 8 x 8 tiles through the registers for times 0..15, the
// last two by 4 x 2 ones.
__attribute__((target("avx2"))) void WriteSubbandsAvx2(const Fixed (*sums)[18], Fixed* out) {
  const __m256i oddLanes = _mm256_setr_epi32(0, -1, 0, -1, 0, -1, 0, -1);
  for (int sb0 = 0; sb0 < 32; sb0 += 8)
    for (int t0 = 0; t0 < 16; t0 += 8) {
      __m256i r[8];
      for (int l = 0; l < 8; l++) r[l] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums[sb0 + l] + t0));
      __m256i a0 = _mm256_unpacklo_epi32(r[0], r[1]), a1 = _mm256_unpackhi_epi32(r[0], r[1]);
      __m256i a2 = _mm256_unpacklo_epi32(r[2], r[3]), a3 = _mm256_unpackhi_epi32(r[2], r[3]);
      __m256i a4 = _mm256_unpacklo_epi32(r[4], r[5]), a5 = _mm256_unpackhi_epi32(r[4], r[5]);
      __m256i a6 = _mm256_unpacklo_epi32(r[6], r[7]), a7 = _mm256_unpackhi_epi32(r[6], r[7]);
      __m256i b0 = _mm256_unpacklo_epi64(a0, a2), b1 = _mm256_unpackhi_epi64(a0, a2);
      __m256i b2 = _mm256_unpacklo_epi64(a1, a3), b3 = _mm256_unpackhi_epi64(a1, a3);
      __m256i b4 = _mm256_unpacklo_epi64(a4, a6), b5 = _mm256_unpackhi_epi64(a4, a6);
      __m256i b6 = _mm256_unpacklo_epi64(a5, a7), b7 = _mm256_unpackhi_epi64(a5, a7);
      const __m256i t[8] = {_mm256_permute2x128_si256(b0, b4, 0x20), _mm256_permute2x128_si256(b1, b5, 0x20),
                            _mm256_permute2x128_si256(b2, b6, 0x20), _mm256_permute2x128_si256(b3, b7, 0x20),
                            _mm256_permute2x128_si256(b0, b4, 0x31), _mm256_permute2x128_si256(b1, b5, 0x31),
                            _mm256_permute2x128_si256(b2, b6, 0x31), _mm256_permute2x128_si256(b3, b7, 0x31)};
      for (int j = 0; j < 8; j++) {
        __m256i v = t[j];
        if (j & 1) v = _mm256_sub_epi32(_mm256_xor_si256(v, oddLanes), oddLanes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + (t0 + j) * 32 + sb0), v);
      }
    }
  const __m128i odd4 = _mm_setr_epi32(0, -1, 0, -1);
  for (int sb0 = 0; sb0 < 32; sb0 += 4) {
    __m128i p[4];
    for (int l = 0; l < 4; l++) p[l] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums[sb0 + l] + 16));
    __m128i u01 = _mm_unpacklo_epi32(p[0], p[1]), u23 = _mm_unpacklo_epi32(p[2], p[3]);
    __m128i t16 = _mm_unpacklo_epi64(u01, u23), t17 = _mm_unpackhi_epi64(u01, u23);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * 32 + sb0), t16);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 17 * 32 + sb0), _mm_sub_epi32(_mm_xor_si128(t17, odd4), odd4));
  }
}
#endif

// Folds the DCT-IV outputs to the 36 IMDCT outputs and windows them: the
// product of the rounded Y and the Q12 window saturates (loud frames can
// take Y beyond 32 bits while the overlapped samples fit again).
void WindowFoldWide(const int64_t y[18], Fixed out[36], int blockType) {
  const int32_t* window = kLayer3WindowQ12[blockType];
  for (int i = 0; i < 9; i++) out[i] = Saturate(((y[i + 9] + 2048) >> 12) * window[i]);
  for (int i = 9; i < 27; i++) out[i] = Saturate(((-y[26 - i] + 2048) >> 12) * window[i]);
  for (int i = 27; i < 36; i++) out[i] = Saturate(((-y[i - 27] + 2048) >> 12) * window[i]);
}

// The same for Y below 2^31 - 2048 in magnitude: no product reaches 2^31, so
// the 32-bit form, which vectorises, gives the same values.
inline __attribute__((always_inline)) void WindowFold(const Fixed y[18], Fixed out[36], int blockType) {
  const int32_t* window = kLayer3WindowQ12[blockType];
  for (int i = 0; i < 9; i++) out[i] = RoundQ16(y[i + 9]) * window[i];
  for (int i = 9; i < 27; i++) out[i] = RoundQ16(-y[26 - i]) * window[i];
  for (int i = 27; i < 36; i++) out[i] = RoundQ16(-y[i - 27]) * window[i];
}

#ifdef LAYER3_DCT_AVX2
__attribute__((target("avx2"))) inline __m256i RoundQ16x8(__m256i a) {
  return _mm256_add_epi32(_mm256_srai_epi32(a, 12), _mm256_and_si256(_mm256_srai_epi32(a, 11), _mm256_set1_epi32(1)));
}

// AddSaturated in eight lanes.
__attribute__((target("avx2"))) inline __m256i AddSaturatedx8(__m256i a, __m256i b) {
  __m256i sum = _mm256_add_epi32(a, b);
  __m256i wrapped = _mm256_srai_epi32(_mm256_and_si256(_mm256_xor_si256(a, sum), _mm256_xor_si256(b, sum)), 31);
  __m256i limit = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(0x7FFFFFFF));
  return _mm256_max_epi32(_mm256_blendv_epi8(sum, limit, wrapped), _mm256_set1_epi32(-INT32_MAX));
}

// WindowFold of narrow Y, the overlap-add into sum and the new overlap, as
// three overlapping rows of eight (lines 0..7, 5..12, 10..17) each way: the
// fold's first half is Y[9..17] then -Y[17..9], its second -Y[8..0] then
// -Y[0..8], so every row is a load and a lane permutation of Y.
__attribute__((target("avx2"))) void FoldOverlapAvx2(const Fixed y[18], const int32_t* window, Fixed ov[18],
                                                     Fixed sum[18]) {
#define LOAD8(p) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
#define STORE8(p, v) _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v)
  const __m256i zero = _mm256_setzero_si256();
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256i upperHalf = _mm256_setr_epi32(0, 0, 0, 0, -1, -1, -1, -1);
  const __m256i a = LOAD8(y + 9), b = LOAD8(y + 10);                // Y[9..16], Y[10..17]
  const __m256i c = _mm256_sub_epi32(zero, LOAD8(y)), d = _mm256_sub_epi32(zero, LOAD8(y + 1));  // -Y[0..7], -Y[1..8]
  const __m256i p0 = a;
  __m256i p5 = _mm256_permutevar8x32_epi32(b, _mm256_setr_epi32(4, 5, 6, 7, 7, 6, 5, 4));
  p5 = _mm256_sub_epi32(_mm256_xor_si256(p5, upperHalf), upperHalf);  // Y[14..17], -Y[17..14]
  const __m256i p10 = _mm256_sub_epi32(zero, _mm256_permutevar8x32_epi32(a, reverse));  // -Y[16..9]
  const __m256i q0 = _mm256_permutevar8x32_epi32(d, reverse);                           // -Y[8..1]
  const __m256i q5 = _mm256_permutevar8x32_epi32(c, _mm256_setr_epi32(3, 2, 1, 0, 0, 1, 2, 3));  // -Y[3..0], -Y[0..3]
  const __m256i q10 = d;                                                                // -Y[1..8]
  const __m256i ov0 = LOAD8(ov), ov5 = LOAD8(ov + 5), ov10 = LOAD8(ov + 10);
  STORE8(sum, AddSaturatedx8(_mm256_mullo_epi32(RoundQ16x8(p0), LOAD8(window)), ov0));
  STORE8(sum + 5, AddSaturatedx8(_mm256_mullo_epi32(RoundQ16x8(p5), LOAD8(window + 5)), ov5));
  STORE8(sum + 10, AddSaturatedx8(_mm256_mullo_epi32(RoundQ16x8(p10), LOAD8(window + 10)), ov10));
  STORE8(ov, _mm256_mullo_epi32(RoundQ16x8(q0), LOAD8(window + 18)));
  STORE8(ov + 5, _mm256_mullo_epi32(RoundQ16x8(q5), LOAD8(window + 23)));
  STORE8(ov + 10, _mm256_mullo_epi32(RoundQ16x8(q10), LOAD8(window + 28)));
#undef LOAD8
#undef STORE8
}
#endif

// Y of one subband as 32-bit values when all are below 2^30 (all but loud frames).
inline bool Narrow(const int64_t y[18], Fixed v[18]) {
  int64_t wide = 0;
  for (int j = 0; j < 18; j++) {
    wide |= (y[j] >> 30) ^ (y[j] >> 63);  // nonzero when |y| >= 2^30
    v[j] = Fixed(y[j]);
  }
  return !wide;
}

}  // namespace

void Layer3Imdct36(const Fixed in[18], Fixed out[36], int blockType) {
  int64_t y[18];
  Fixed v[18];
  Dct18(in, y);
  if (Narrow(y, v))
    WindowFold(v, out, blockType);
  else
    WindowFoldWide(y, out, blockType);
}

// Each window: a 6-point DCT-IV folded to 12 outputs
// (out[0..2] = Z[3..5], out[3..8] = -Z[5..0], out[9..11] = -Z[0..2]),
// windowed and added at 6 + 6w.
void Layer3ImdctShort(const Fixed in[18], Fixed out[36]) {
  for (int i = 0; i < 36; i++) out[i] = 0;
  for (int w = 0; w < 3; w++) {
    int64_t z[6];  // 64 bits up to the window product, as in the long transform
    for (int j = 0; j < 6; j++) {
      int64_t acc = 0;
      for (int k = 0; k < 6; k++) acc += int64_t(in[w * 6 + k]) * kLayer3Imdct12[j][k];
      z[j] = (acc + 32768) >> 16;
    }
    int64_t y[12];
    for (int i = 0; i < 3; i++) y[i] = z[i + 3];
    for (int i = 3; i < 9; i++) y[i] = -z[8 - i];
    for (int i = 9; i < 12; i++) y[i] = -z[i - 9];
    Fixed* o = out + 6 + 6 * w;
    for (int i = 0; i < 12; i++)
      o[i] = Saturate(int64_t(o[i]) + Saturate(((y[i] + 2048) >> 12) * kLayer3ShortWindowQ12[i]));
  }
}

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void FilterBank(const Fixed lines[576], Fixed overlap[576], int longType, int longSubbands, int active, Fixed* out,
                int stride) {
  // Each subband's transform: none (its lines are zero, or it is above
  // `active`: a transform of zeros leaves only the overlap), long or short.
  enum { kNone, kLong, kShort };
  const int longEnd = longSubbands < 0 ? 32 : longSubbands;
  uint8_t kind[32];
  uint8_t fits[32];  // every line below kDctLaneLimit
#ifdef LAYER3_DCT_AVX2
  if (HasAvx2()) {
    ScanSubbandsAvx2(lines, active, longEnd, kind, fits);
  } else
#endif
  for (int sb = 0; sb < 32; sb++) {
    const Fixed* in = lines + sb * 18;
    uint32_t any = 0;
    uint32_t wide = 0;  // a line outside -2^26..2^26-1 sets a bit from 27 up
    if (sb < active)
      for (int k = 0; k < 18; k++) {
        any |= uint32_t(in[k]);
        wide |= uint32_t(in[k]) + (1u << 26);
      }
    kind[sb] = !any ? kNone : sb < longEnd ? kLong : kShort;
    fits[sb] = (wide >> 27) == 0;
  }

  Fixed y[32][18];  // DCT-IV outputs of the long subbands
  int64_t wideY[32][18];
  uint8_t narrow[32];  // y holds them; else wideY does
  int sb = 0;
#ifdef LAYER3_DCT_AVX2
  if (HasAvx2())
    while (sb + 4 <= 32) {
      bool group = kind[sb] == kLong || kind[sb + 1] == kLong || kind[sb + 2] == kLong || kind[sb + 3] == kLong;
      for (int i = 0; i < 4; i++) group = group && kind[sb + i] != kShort && fits[sb + i];
      if (group) {
        Dct18x4(lines + sb * 18, y + sb);
        for (int i = 0; i < 4; i++) narrow[sb + i] = 1;
        sb += 4;
      } else {
        if (kind[sb] == kLong) {
          Dct18(lines + sb * 18, wideY[sb]);
          narrow[sb] = Narrow(wideY[sb], y[sb]);
        }
        sb++;
      }
    }
#endif
  for (; sb < 32; sb++)
    if (kind[sb] == kLong) {
      Dct18(lines + sb * 18, wideY[sb]);
      narrow[sb] = Narrow(wideY[sb], y[sb]);
    }

  Fixed buffer[36];
  alignas(32) Fixed sums[32][18];
  for (sb = 0; sb < 32; sb++) {
    Fixed* ov = overlap + sb * 18;
    Fixed* sum = sums[sb];
    if (kind[sb] != kNone) {
      if (kind[sb] == kLong) {  // a mixed flag on a start or stop block: subbands 0 and 1 take the normal window
        int type = longSubbands < 0 && sb < 2 ? 0 : longType;
#ifdef LAYER3_DCT_AVX2
        if (narrow[sb] && HasAvx2()) {
          FoldOverlapAvx2(y[sb], kLayer3WindowQ12[type], ov, sum);
          continue;
        }
#endif
        if (narrow[sb])
          WindowFold(y[sb], buffer, type);
        else
          WindowFoldWide(wideY[sb], buffer, type);
      } else
        Layer3ImdctShort(lines + sb * 18, buffer);
      for (int i = 0; i < 18; i++) sum[i] = AddSaturated(buffer[i], ov[i]);
      std::memcpy(ov, buffer + 18, 18 * sizeof(Fixed));
    } else {
      for (int i = 0; i < 18; i++) sum[i] = ov[i] < -INT32_MAX ? -INT32_MAX : ov[i];
      std::memset(ov, 0, 18 * sizeof(Fixed));
    }
  }
  // Frequency inversion on the way out: odd subbands negate their odd samples.
#ifdef LAYER3_DCT_AVX2
  if (stride == 32 && HasAvx2()) {
    WriteSubbandsAvx2(sums, out);
    return;
  }
#endif
  for (sb = 0; sb < 32; sb++) {
    const Fixed flip = -(sb & 1);
    for (int i = 0; i < 18; i += 2) {
      out[i * stride + sb] = sums[sb][i];
      out[(i + 1) * stride + sb] = (sums[sb][i + 1] ^ flip) - flip;
    }
  }
}

}  // namespace

void Layer3Hybrid(const Fixed lines[576], Fixed overlap[576], int longType, int longSubbands, int active,
                  Fixed* out, int stride) {
  FilterBank(lines, overlap, longType, longSubbands, active, out, stride);
}

int Layer3NonzeroEnd(const Fixed lines[576], int floor, int bound) {
  int n = bound;
  while (n - 8 >= floor) {  // eight at a time through the zeros, then one by one
    const Fixed* p = lines + n - 8;
    if ((p[0] | p[1] | p[2] | p[3] | p[4] | p[5] | p[6] | p[7]) != 0) break;
    n -= 8;
  }
  while (n > floor && lines[n - 1] == 0) n--;
  return n;
}
