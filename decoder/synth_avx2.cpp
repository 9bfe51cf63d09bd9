// Eight-lane synthesis kernel: eight blocks of one channel side by side in
// the lanes of 256-bit registers, so every step of the transform and of the
// window runs once for eight blocks. This file alone is built for AVX2 (and
// shares no inline code with the rest, so nothing of it runs elsewhere);
// synth.cpp calls it only when the processor has AVX2.
//
// The layout: the transform's outputs go to a history of 32 rows (index i)
// by time (the 15 steps before the frame, then the frame's blocks), so the
// window's tap m for eight consecutive blocks is one load, m columns back.
// Its results come out as rows of output index j by time and are turned back
// into blocks of 32 samples with 8 x 8 transposes.
//
// Same values as the portable kernel: the transform runs in 32-bit lanes and
// marks any lane where a sum overflowed; those blocks are redone in 64 bits.
// Window products are summed in 64-bit lanes and saturated to 32 bits.
#include "synth_dct.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

using V = __m256i;

constexpr int kHistory = 15;  // steps before the first block that the window reaches
constexpr int kColumns = 56;  // history + 36 blocks rounded up to whole groups of 8

inline V RoundToQ16(V x) {  // (x + 2048) >> 12 without the 32-bit overflow of the addition
  return _mm256_add_epi32(_mm256_srai_epi32(x, 12), _mm256_and_si256(_mm256_srai_epi32(x, 11), _mm256_set1_epi32(1)));
}

// 32-bit lanes; `overflow` gets the sign bit of every lane whose sum left the
// 32-bit range. Products cannot: |x >> 12| < 2^20 and |K| < 2^12.
struct Lanes {
  using T = V;
  V overflow = _mm256_setzero_si256();
  V Add(V a, V b) {
    V s = _mm256_add_epi32(a, b);
    overflow = _mm256_or_si256(overflow, _mm256_and_si256(_mm256_xor_si256(a, s), _mm256_xor_si256(b, s)));
    return s;
  }
  V Sub(V a, V b) {
    V d = _mm256_sub_epi32(a, b);
    overflow = _mm256_or_si256(overflow, _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(a, d)));
    return d;
  }
  V Neg(V a) { return Sub(_mm256_setzero_si256(), a); }
  V Mul(V x, int32_t k) { return _mm256_mullo_epi32(RoundToQ16(x), _mm256_set1_epi32(k)); }
};

// 32-bit lanes for blocks whose inputs are within kSynthesisTaps.quietInputSum:
// no sum can overflow, so none is watched.
struct QuietLanes {
  using T = V;
  static V Add(V a, V b) { return _mm256_add_epi32(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_epi32(a, b); }
  static V Neg(V a) { return _mm256_sub_epi32(_mm256_setzero_si256(), a); }
  // The constant broadcast straight from its table: left to itself the
  // compiler builds each one from an immediate in three instructions.
  static V Mul(V x, const int32_t& k) {
    V kv;
    __asm__("vpbroadcastd %1, %0" : "=x"(kv) : "m"(k));
    return _mm256_mullo_epi32(_mm256_srai_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(2048)), 12), kv);
  }
};

// r[l][i] -> r[i][l] for an 8 x 8 block of 32-bit values.
inline void Transpose(V r[8]) {
  V t0 = _mm256_unpacklo_epi32(r[0], r[1]), t1 = _mm256_unpackhi_epi32(r[0], r[1]);
  V t2 = _mm256_unpacklo_epi32(r[2], r[3]), t3 = _mm256_unpackhi_epi32(r[2], r[3]);
  V t4 = _mm256_unpacklo_epi32(r[4], r[5]), t5 = _mm256_unpackhi_epi32(r[4], r[5]);
  V t6 = _mm256_unpacklo_epi32(r[6], r[7]), t7 = _mm256_unpackhi_epi32(r[6], r[7]);
  V u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
  V u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
  V u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
  V u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
  r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
  r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
  r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
  r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
  r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
  r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
  r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
  r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// Largest magnitude in history column c (as unsigned: |INT32_MIN| = 2^31).
uint32_t ColumnPeak(const int32_t (*h)[kColumns], int c) {
  uint32_t largest = 0;
  for (int i = 0; i < 32; i++) {
    uint32_t a = h[i][c] < 0 ? 0u - uint32_t(h[i][c]) : uint32_t(h[i][c]);
    if (a > largest) largest = a;
  }
  return largest;
}

// Transform of `count` (1..8) blocks into history column `col` onwards, with
// each column's largest magnitude in peak.
void Transform8(const int32_t (*in)[32], int count, int32_t (*h)[kColumns], uint32_t* peak, int col) {
  alignas(32) int32_t padded[8][32];
  const int32_t* rows[8];
  for (int l = 0; l < 8; l++) {
    if (l < count) {
      rows[l] = in[l];
    } else {
      for (int i = 0; i < 32; i++) padded[l][i] = 0;
      rows[l] = padded[l];
    }
  }
  V x[32];
  for (int q = 0; q < 4; q++) {
    V r[8];
    for (int l = 0; l < 8; l++) r[l] = _mm256_loadu_si256(reinterpret_cast<const V*>(rows[l] + 8 * q));
    Transpose(r);
    for (int i = 0; i < 8; i++) x[8 * q + i] = r[i];
  }
  V input = _mm256_setzero_si256();
  for (int i = 0; i < 32; i++) input = _mm256_add_epi32(input, _mm256_srli_epi32(_mm256_abs_epi32(x[i]), 5));
  const V quietSum = _mm256_set1_epi32(int32_t(kSynthesisTaps.quietInputSum));
  if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_max_epu32(input, quietSum), quietSum)) == -1) {
    QuietLanes o;
    CosineII<32>(o, x);
    V largest = _mm256_setzero_si256();
    for (int i = 0; i < 32; i++) {
      V q = _mm256_srai_epi32(_mm256_add_epi32(x[i], _mm256_set1_epi32(2048)), 12);
      _mm256_storeu_si256(reinterpret_cast<V*>(h[i] + col), q);
      largest = _mm256_max_epu32(largest, _mm256_abs_epi32(q));
    }
    _mm256_storeu_si256(reinterpret_cast<V*>(peak + col), largest);
    return;
  }
  Lanes o;
  CosineII<32>(o, x);
  V largest = _mm256_setzero_si256();
  for (int i = 0; i < 32; i++) {
    V q = RoundToQ16(x[i]);
    _mm256_storeu_si256(reinterpret_cast<V*>(h[i] + col), q);
    largest = _mm256_max_epu32(largest, _mm256_abs_epi32(q));
  }
  _mm256_storeu_si256(reinterpret_cast<V*>(peak + col), largest);
  int marks = _mm256_movemask_ps(_mm256_castsi256_ps(o.overflow)) & ((1 << count) - 1);
  while (marks) {
    int l = __builtin_ctz(unsigned(marks));
    marks &= marks - 1;
    Transform64(rows[l], &h[0][col + l], kColumns);
    peak[col + l] = ColumnPeak(h, col + l);
  }
}

// 64-bit sums of the even and the odd lanes, saturated to 32 bits and
// shifted to Q28, back in lane order.
inline V Finish(V even, V odd) {
  V lo = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
  V hi = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
  V fits = _mm256_cmpeq_epi32(hi, _mm256_srai_epi32(lo, 31));
  V saturated = _mm256_xor_si256(_mm256_srai_epi32(hi, 31), _mm256_set1_epi32(0x7FFFFFFF));
  return _mm256_srai_epi32(_mm256_blendv_epi8(saturated, lo, fits), 2);
}

// Window output j for the eight blocks whose newest step is at column `col`.
// (Kept out of line, and the empty asm keeps the sums in tap order: left to
// itself the compiler forms all 32 products first and spills them.)
__attribute__((noinline)) void WindowOne(const int32_t (*h)[kColumns], int col, int j, int32_t* out) {
  const int32_t* c = kSynthesisTaps.coef[j];
  const int32_t* rowEven = h[kSynthesisTaps.even[j]] + col;
  const int32_t* rowOdd = h[kSynthesisTaps.odd[j]] + col;
  V ae = _mm256_setzero_si256(), ao = ae;
#pragma GCC unroll 16
  for (int m = 0; m < 16; m++) {
    const int32_t* src = (m & 1 ? rowOdd : rowEven) - m;
    V x = _mm256_loadu_si256(reinterpret_cast<const V*>(src));
    V cm = _mm256_set1_epi32(c[m]);
    ae = _mm256_add_epi64(ae, _mm256_mul_epi32(x, cm));
    ao = _mm256_add_epi64(ao, _mm256_mul_epi32(_mm256_srli_epi64(x, 32), cm));
    __asm__("" : "+x"(ae), "+x"(ao));
  }
  _mm256_store_si256(reinterpret_cast<V*>(out), Finish(ae, ao));
}

// Outputs j and 32 - j with plain 32-bit sums, for blocks whose window
// reaches no value above kSynthesisTaps.quietLimit: then no sum can overflow
// and these are the 64-bit sums exactly. kGroups groups of eight blocks
// (columns col and col + 8) share each tap's broadcast.
template <bool kPair, int kGroups>
void WindowQuiet(const int32_t (*h)[kColumns], int col, int j, int32_t (*const out[kGroups])[8]) {
  const int32_t* c = kSynthesisTaps.coef[j];
  const int32_t* d = kSynthesisTaps.coef[kPair ? 32 - j : j];
  const int32_t* rowEven = h[kSynthesisTaps.even[j]] + col;
  const int32_t* rowOdd = h[kSynthesisTaps.odd[j]] + col;
  V a[kGroups], b[kGroups];
  for (int g = 0; g < kGroups; g++) a[g] = b[g] = _mm256_setzero_si256();
#pragma GCC unroll 16
  for (int m = 0; m < 16; m++) {
    const int32_t* src = (m & 1 ? rowOdd : rowEven) - m;
    const V cm = _mm256_set1_epi32(c[m]);
    const V dm = kPair ? _mm256_set1_epi32(d[m]) : cm;
    for (int g = 0; g < kGroups; g++) {
      V x = _mm256_loadu_si256(reinterpret_cast<const V*>(src + 8 * g));
      a[g] = _mm256_add_epi32(a[g], _mm256_mullo_epi32(x, cm));
      if (kPair) b[g] = _mm256_add_epi32(b[g], _mm256_mullo_epi32(x, dm));
      __asm__("" : "+x"(a[g]), "+x"(b[g]));
    }
  }
  for (int g = 0; g < kGroups; g++) {
    _mm256_store_si256(reinterpret_cast<V*>(out[g][j]), _mm256_srai_epi32(a[g], 2));
    if (kPair) _mm256_store_si256(reinterpret_cast<V*>(out[g][32 - j]), _mm256_srai_epi32(b[g], 2));
  }
}

template <int kGroups>
void WindowQuietAll(const int32_t (*h)[kColumns], int col, int32_t (*const out[kGroups])[8]) {
  WindowQuiet<false, kGroups>(h, col, 0, out);
  WindowQuiet<false, kGroups>(h, col, 16, out);
  for (int j = 1; j < 16; j++) WindowQuiet<true, kGroups>(h, col, j, out);
}

// Whether the window of the eight blocks whose newest step is at column col
// stays quiet: the largest magnitude over the columns col - 15 .. col + 7.
bool QuietWindow(const uint32_t* peak, int col) {
  V largest = _mm256_max_epu32(_mm256_loadu_si256(reinterpret_cast<const V*>(peak + col - 15)),
                               _mm256_loadu_si256(reinterpret_cast<const V*>(peak + col - 7)));
  largest = _mm256_max_epu32(largest, _mm256_loadu_si256(reinterpret_cast<const V*>(peak + col)));
  largest = _mm256_max_epu32(largest, _mm256_shuffle_epi32(largest, 0x4E));
  largest = _mm256_max_epu32(largest, _mm256_shuffle_epi32(largest, 0xB1));
  largest = _mm256_max_epu32(largest, _mm256_permute2x128_si256(largest, largest, 0x01));
  return uint32_t(_mm256_cvtsi256_si32(largest)) <= uint32_t(kSynthesisTaps.quietLimit);
}

// Outputs (rows j of eight blocks) back to blocks of 32 samples.
void StoreBlocks(const int32_t (*out)[8], int count, int32_t* pcm) {
  for (int q = 0; q < 4; q++) {
    V r[8];
    for (int i = 0; i < 8; i++) r[i] = _mm256_load_si256(reinterpret_cast<const V*>(out[8 * q + i]));
    Transpose(r);
    for (int l = 0; l < count; l++) _mm256_storeu_si256(reinterpret_cast<V*>(pcm + 32 * l + 8 * q), r[l]);
  }
}

void Window8(const int32_t (*h)[kColumns], const uint32_t* peak, int col, int count, int32_t* pcm) {
  alignas(32) int32_t out[32][8];
  int32_t (*const groups[1])[8] = {out};
  if (QuietWindow(peak, col)) {
    WindowQuietAll<1>(h, col, groups);
  } else {
    for (int j = 0; j < 32; j++) WindowOne(h, col, j, out[j]);
  }
  StoreBlocks(out, count, pcm);
}

// Sixteen blocks (eight at col, `count` 1..8 at col + 8) in one pass when
// both windows are quiet, else eight at a time.
void Window16(const int32_t (*h)[kColumns], const uint32_t* peak, int col, int count, int32_t* pcm) {
  if (!QuietWindow(peak, col) || !QuietWindow(peak, col + 8)) {
    Window8(h, peak, col, 8, pcm);
    Window8(h, peak, col + 8, count, pcm + 32 * 8);
    return;
  }
  alignas(32) int32_t out[2][32][8];
  int32_t (*const groups[2])[8] = {out[0], out[1]};
  WindowQuietAll<2>(h, col, groups);
  StoreBlocks(out[0], 8, pcm);
  StoreBlocks(out[1], count, pcm + 32 * 8);
}

// Eight ring slots (time) by rows i0..i0+7 into history columns col..col+7, or back.
inline void SlotsToColumns(int32_t (*const slots[8])[32], int i0, int32_t (*h)[kColumns], int col) {
  V r[8];
  for (int l = 0; l < 8; l++) r[l] = _mm256_loadu_si256(reinterpret_cast<const V*>(*slots[l] + i0));
  Transpose(r);
  for (int i = 0; i < 8; i++) _mm256_storeu_si256(reinterpret_cast<V*>(h[i0 + i] + col), r[i]);
}

inline void ColumnsToSlots(const int32_t (*h)[kColumns], int col, int i0, int32_t (*const slots[8])[32]) {
  V r[8];
  for (int i = 0; i < 8; i++) r[i] = _mm256_loadu_si256(reinterpret_cast<const V*>(h[i0 + i] + col));
  Transpose(r);
  for (int l = 0; l < 8; l++) _mm256_storeu_si256(reinterpret_cast<V*>(*slots[l] + i0), r[l]);
}

}  // namespace

int SynthesizeChannelAvx2(int32_t (*ring)[32], int offset, const int32_t (*in)[32], int blocks, int32_t* pcm) {
  if (blocks < 0 || blocks > kColumns - kHistory - 1) return 0;
  alignas(32) int32_t h[32][kColumns];
  alignas(32) uint32_t peak[kColumns];
  // History columns 0..14 as two groups of eight (column 7 twice), with the
  // largest magnitude of each.
  for (int group = 0; group < 2; group++) {
    const int col = group ? kHistory - 8 : 0;
    int32_t (*rows[8])[32];
    for (int l = 0; l < 8; l++) rows[l] = &ring[(offset - kHistory + col + l) & 15];
    for (int i0 = 0; i0 < 32; i0 += 8) SlotsToColumns(rows, i0, h, col);
    V largest = _mm256_setzero_si256();
    for (int i = 0; i < 32; i++)
      largest = _mm256_max_epu32(largest, _mm256_abs_epi32(_mm256_loadu_si256(reinterpret_cast<const V*>(h[i] + col))));
    _mm256_storeu_si256(reinterpret_cast<V*>(peak + col), largest);
  }
  for (int t = 0; t < blocks; t += 16) {
    int count = blocks - t < 8 ? blocks - t : 8;
    Transform8(in + t, count, h, peak, kHistory + t);
    if (blocks - t <= 8) {
      Window8(h, peak, kHistory + t, count, pcm + 32 * t);
      break;
    }
    int more = blocks - t - 8 < 8 ? blocks - t - 8 : 8;
    Transform8(in + t + 8, more, h, peak, kHistory + t + 8);
    Window16(h, peak, kHistory + t, more, pcm + 32 * t);
  }
  if (blocks >= 16) {
    for (int first = blocks - 16; first < blocks; first += 8) {
      int32_t (*rows[8])[32];
      for (int l = 0; l < 8; l++) rows[l] = &ring[(offset + first + l) & 15];
      for (int i0 = 0; i0 < 32; i0 += 8) ColumnsToSlots(h, kHistory + first, i0, rows);
    }
  } else {
    for (int t = 0; t < blocks; t++) {
      int32_t* slot = ring[(offset + t) & 15];
      for (int i = 0; i < 32; i++) slot[i] = h[i][kHistory + t];
    }
  }
  return 1;
}

#else

int SynthesizeChannelAvx2(int32_t (*)[32], int, const int32_t (*)[32], int, int32_t*) { return 0; }

#endif
