// The synthesis filter bank's parts shared by its portable kernel (synth.cpp)
// and its eight-lane kernel (synth_avx2.cpp): the fast 32-point cosine
// transform, written once over an arithmetic policy, and the window taps.
//
// The transform works in the format of its input (Q28 subband samples); every
// product is the sample rounded to Q16 times a Q12 constant. In 32 bits a
// product never overflows (|x >> 12| < 2^20, |K| < 2^12), but a sum of up to
// 32 samples near the top of Q28's eight-fold headroom can: the policy says
// how sums are carried (64 bits in Transform64, 32 bits with an overflow mark
// per lane in the vector kernel).
#pragma once
#include <cstdint>

// Window taps for output j (0..31): tap 2m (m = 0..7) weighs the step 2m
// back at index even(j), tap 2m + 1 the step 2m + 1 back at index odd(j), with
// the signs of the standard's 64-value vector folded in. That vector V of a
// step is rebuilt from its 32 stored outputs X as V[0..15] = X[16..31],
// V[16] = 0, V[17..47] = -X[31..1], V[48..63] = -X[0..15]; the window reads
// V[j] two steps apart and V[32 + j] in between. Outputs j and 32 - j read
// the same indices.
struct SynthesisTaps {
  int32_t coef[32][16];  // Q14
  uint8_t even[32];
  uint8_t odd[32];
  // While no value the window reaches exceeds this in magnitude, no sum of
  // products can leave 32 bits: (2^31 - 1) / the largest sum of |coef[j]|.
  int32_t quietLimit;
  // While the sum of |x| >> 5 over a block's 32 inputs x is at most this, no
  // value its transform forms (nor the roundings' additions) leaves 32 bits.
  uint32_t quietInputSum;
};
extern const SynthesisTaps kSynthesisTaps;

// One channel's blocks through the eight-lane kernel: ring and offset as in
// SynthesisState, PCM (Q28) for every block. Results are those of the
// portable kernel, bit for bit. 0 when this build has no such kernel.
int SynthesizeChannelAvx2(int32_t (*ring)[32], int offset, const int32_t (*in)[32], int blocks, int32_t* pcm);

namespace {

// Rotation angles (2n + 1) pi / 4M of the size-M odd parts, cos and sin in Q12.
constexpr int32_t kRot16[8][2] = {{4091, 201},  {4052, 601},  {3973, 995},  {3857, 1380},
                                  {3703, 1751}, {3513, 2106}, {3290, 2440}, {3035, 2751}};
constexpr int32_t kRot8[4][2] = {{4076, 401}, {3920, 1189}, {3612, 1931}, {3166, 2598}};
constexpr int32_t kRot4[2][2] = {{4017, 799}, {3406, 2276}};
constexpr int32_t kRot2[1][2] = {{3784, 1567}};
constexpr int32_t kSqrtHalf = 2896;  // 1/sqrt(2), Q12, rounded down

template <int M>
constexpr const int32_t (*Rotations())[2] {
  if constexpr (M == 16) return kRot16;
  else if constexpr (M == 8) return kRot8;
  else if constexpr (M == 4) return kRot4;
  else return kRot2;
}

template <int N, class Ops>
void CosineII(Ops& o, typename Ops::T* x);

// Y[k] = sum_n x[n] cos(pi (2n + 1)(2k + 1) / 4M), in place. The pairs
// (x[n], x[M-1-n]) are rotated by (2n + 1) pi / 4M; two half-size cosine
// transforms of the rotated pairs give the even outputs from the front and
// the odd ones from the back.
template <int M, class Ops>
inline void CosineIV(Ops& o, typename Ops::T* x) {
  using T = typename Ops::T;
  constexpr int H = M / 2;
  T a[H], b[H];
  for (int n = 0; n < H; n++) {
    // References to the tables, so that a policy may read a constant from memory.
    const int32_t& c = Rotations<M>()[n][0];
    const int32_t& s = Rotations<M>()[n][1];
    T lo = x[n], hi = x[M - 1 - n];
    a[n] = o.Add(o.Mul(lo, c), o.Mul(hi, s));
    T bn = o.Sub(o.Mul(hi, c), o.Mul(lo, s));
    b[n] = (n & 1) ? o.Neg(bn) : bn;
  }
  CosineII<H>(o, a);
  CosineII<H>(o, b);
  x[0] = a[0];
  x[M - 1] = o.Neg(b[0]);
  for (int p = 1; p < H; p++) {
    x[2 * p] = o.Add(a[p], b[H - p]);
    x[M - 1 - 2 * p] = o.Sub(a[H - p], b[p]);
  }
}

// X[k] = sum_n x[n] cos(pi (2n + 1) k / 2N), in place: sums of mirrored
// inputs give the even outputs, differences the odd ones through CosineIV.
template <int N, class Ops>
inline void CosineII(Ops& o, typename Ops::T* x) {
  using T = typename Ops::T;
  if constexpr (N == 2) {
    T s = o.Add(x[0], x[1]);
    x[1] = o.Mul(o.Sub(x[0], x[1]), kSqrtHalf);
    x[0] = s;
  } else if constexpr (N > 2) {
    constexpr int H = N / 2;
    T even[H], odd[H];
    for (int n = 0; n < H; n++) {
      even[n] = o.Add(x[n], x[N - 1 - n]);
      odd[n] = o.Sub(x[n], x[N - 1 - n]);
    }
    CosineII<H>(o, even);
    CosineIV<H>(o, odd);
    for (int k = 0; k < H; k++) {
      x[2 * k] = even[k];
      x[2 * k + 1] = odd[k];
    }
  }
}

// Sums in 64 bits: the transform's value without overflow, identical to the
// 32-bit one whenever no 32-bit sum overflows.
struct Wide {
  using T = int64_t;
  static T Add(T a, T b) { return a + b; }
  static T Sub(T a, T b) { return a - b; }
  static T Neg(T a) { return -a; }
  static T Mul(T x, int32_t k) { return ((x + 2048) >> 12) * k; }
};

// One matrixing step: 32 subband samples (Q28) to 32 outputs in Q16. For any
// int32 input the outputs fit 26 bits; they are saturated all the same.
inline void Transform64(const int32_t* in, int32_t* out, int stride = 1) {
  Wide o;
  int64_t x[32];
  for (int i = 0; i < 32; i++) x[i] = in[i];
  CosineII<32>(o, x);
  for (int i = 0; i < 32; i++) {
    int64_t v = (x[i] + 2048) >> 12;
    out[i * stride] = int32_t(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
  }
}

}  // namespace
