// Polyphase synthesis filter bank in fixed point: a fast 32-point cosine
// transform per block (Q28 in, Q16 out into a ring of 16 slots per channel),
// then the standard's window (Q14) over the ring; the sum (Q30) >> 2 is the
// PCM sample in Q28.
#include "state.h"
#include "tables.h"

namespace {

// Sums of up to 32 Q28 samples exceed 32 bits only on streams that are not
// audio; they wrap instead of being undefined.
inline Fixed Add(Fixed a, Fixed b) { return Fixed(uint32_t(a) + uint32_t(b)); }
inline Fixed Sub(Fixed a, Fixed b) { return Fixed(uint32_t(a) - uint32_t(b)); }
inline Fixed Neg(Fixed a) { return Fixed(0u - uint32_t(a)); }

// Rotation angles (2n + 1) pi / 4M of the size-M odd parts, cos and sin in Q12.
constexpr int32_t kRot16[8][2] = {{4091, 201},  {4052, 601},  {3973, 995},  {3857, 1380},
                                  {3703, 1751}, {3513, 2106}, {3290, 2440}, {3035, 2751}};
constexpr int32_t kRot8[4][2] = {{4076, 401}, {3920, 1189}, {3612, 1931}, {3166, 2598}};
constexpr int32_t kRot4[2][2] = {{4017, 799}, {3406, 2276}};
constexpr int32_t kRot2[1][2] = {{3784, 1567}};
constexpr int32_t kSqrtHalf = 2896;  // 1/sqrt(2), Q12, rounded down

template <int N>
struct Rotations;
template <> struct Rotations<16> { static constexpr const int32_t (*v)[2] = kRot16; };
template <> struct Rotations<8> { static constexpr const int32_t (*v)[2] = kRot8; };
template <> struct Rotations<4> { static constexpr const int32_t (*v)[2] = kRot4; };
template <> struct Rotations<2> { static constexpr const int32_t (*v)[2] = kRot2; };

template <int N>
void CosineII(Fixed* x);

// Y[k] = sum_n x[n] cos(pi (2n + 1)(2k + 1) / 4M), in place. The pairs
// (x[n], x[M-1-n]) are rotated by (2n + 1) pi / 4M; two half-size cosine
// transforms of the rotated pairs give the even outputs from the front and
// the odd ones from the back.
template <int M>
void CosineIV(Fixed* x) {
  constexpr int H = M / 2;
  Fixed a[H], b[H];
  for (int n = 0; n < H; n++) {
    const int32_t c = Rotations<M>::v[n][0], s = Rotations<M>::v[n][1];
    Fixed lo = x[n], hi = x[M - 1 - n];
    a[n] = Add(MulQ12(lo, c), MulQ12(hi, s));
    Fixed bn = Sub(MulQ12(hi, c), MulQ12(lo, s));
    b[n] = (n & 1) ? Neg(bn) : bn;
  }
  CosineII<H>(a);
  CosineII<H>(b);
  x[0] = a[0];
  x[M - 1] = Neg(b[0]);
  for (int p = 1; p < H; p++) {
    x[2 * p] = Add(a[p], b[H - p]);
    x[M - 1 - 2 * p] = Sub(a[H - p], b[p]);
  }
}

// X[k] = sum_n x[n] cos(pi (2n + 1) k / 2N), in place: sums of mirrored
// inputs give the even outputs, differences the odd ones through CosineIV.
template <int N>
void CosineII(Fixed* x) {
  constexpr int H = N / 2;
  Fixed even[H], odd[H];
  for (int n = 0; n < H; n++) {
    even[n] = Add(x[n], x[N - 1 - n]);
    odd[n] = Sub(x[n], x[N - 1 - n]);
  }
  CosineII<H>(even);
  CosineIV<H>(odd);
  for (int k = 0; k < H; k++) {
    x[2 * k] = even[k];
    x[2 * k + 1] = odd[k];
  }
}

template <>
void CosineII<2>(Fixed* x) {
  Fixed s = Add(x[0], x[1]);
  x[1] = MulQ12(Sub(x[0], x[1]), kSqrtHalf);
  x[0] = s;
}

template <>
void CosineII<1>(Fixed*) {}

// One matrixing step: 32 subband samples (Q28) to the ring slot (Q16).
void Matrix(const Fixed* in, int32_t* out) {
  Fixed x[32];
  for (int i = 0; i < 32; i++) x[i] = in[i];
  CosineII<32>(x);
  for (int i = 0; i < 32; i++) out[i] = int32_t((int64_t(x[i]) + 2048) >> 12);
}

// The window coefficients reordered for the ring: for output j and step m
// (0..7), the coefficient on the slot 2m steps back and the one on the slot
// 2m + 1 steps back, with the signs of the vector's symmetric halves folded
// in. The standard's 64-value vector V of a step is rebuilt from its 32 stored
// outputs X as V[0..15] = X[16..31], V[16] = 0, V[17..47] = -X[31..1],
// V[48..63] = -X[0..15]; the window reads V[j] two steps apart and V[32 + j]
// in between.
struct Window {
  int32_t coef[32][16];
  uint8_t index[32][2];
  Window() {
    for (int j = 0; j < 32; j++) {
      int evenSign = j < 16 ? 1 : (j == 16 ? 0 : -1);
      index[j][0] = uint8_t(j < 16 ? j + 16 : (j == 16 ? 0 : 48 - j));
      index[j][1] = uint8_t(j <= 16 ? 16 - j : j - 16);
      for (int m = 0; m < 8; m++) {
        coef[j][2 * m] = evenSign * kSynthesisWindow[j + 64 * m];
        coef[j][2 * m + 1] = -kSynthesisWindow[j + 64 * m + 32];
      }
    }
  }
};
const Window kWindow;

// One block of 32 PCM samples (Q28) from the ring, newest step at `slot`.
void Windowing(const int32_t (*ring)[32], int slot, Fixed* out) {
  const int32_t* steps[16];
  for (int t = 0; t < 16; t++) steps[t] = ring[(slot - t) & 15];
  for (int j = 0; j < 32; j++) {
    const int32_t* c = kWindow.coef[j];
    int ie = kWindow.index[j][0], io = kWindow.index[j][1];
    uint32_t acc = 0;
    for (int m = 0; m < 8; m++) {
      acc += uint32_t(steps[2 * m][ie]) * uint32_t(c[2 * m]);
      acc += uint32_t(steps[2 * m + 1][io]) * uint32_t(c[2 * m + 1]);
    }
    out[j] = Fixed(int32_t(acc) >> 2);
  }
}

}  // namespace

void SynthesizeFrame(SynthesisState& s, const SubbandBuffer& sb, int channels, int blocks) {
  for (int ch = 0; ch < channels; ch++) {
    for (int t = 0; t < blocks; t++) {
      int slot = (s.offset + t) & 15;
      Matrix(sb.sample[ch][t], s.ring[ch][slot]);
      Windowing(s.ring[ch], slot, &s.pcm[ch][t * 32]);
    }
  }
  s.offset = (s.offset + blocks) & 15;
  s.samples = blocks * 32;
  s.channels = channels;
}
