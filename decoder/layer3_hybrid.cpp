// Layer III hybrid filter bank: reordering of short blocks, alias reduction,
// the IMDCTs with their windows, overlap-add and frequency inversion. Lines
// come in as Q28 (three guard bits); the alias butterflies wrap like the
// 32-bit adds they stand for, the transforms and the overlap-add saturate, so
// no input is undefined and loud frames clip rather than wrap.
#include <cstdint>
#include <cstring>

#include "layer3.h"
#include "tables_layer3.h"

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

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void Layer3AliasReduce(Fixed lines[576], int boundaries) {
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

}  // namespace

// The 36-point IMDCT is an 18-point DCT-IV Y followed by a fold:
// out[0..8] = Y[9..17], out[9..26] = -Y[17..0], out[27..35] = -Y[0..8].
// The DCT-IV runs as a DCT-II of the inputs twiddled by 2 cos(pi/72 (2k+1)),
// whose outputs are Y[j] + Y[j-1]; that DCT-II splits into a 9-point DCT-II
// of the folded sums (even outputs) and a 9-point DCT-IV of the folded
// differences (odd outputs), itself a twiddled 9-point DCT-II the same way.
// Everything stays in 64 bits with Q24 constants, rounded to Q28 once per
// product sum: Q12 constants on Q16-rounded inputs lose too much on loud
// tones (the 0 dB sine stream).
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void Layer3Imdct36(const Fixed in[18], Fixed out[36], int blockType) {
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
  Fixed y[18];
  int64_t z = odd[0] >> 1;
  int64_t yj = even[0] >> 1;
  y[0] = Saturate(yj);
  yj = z - yj;
  y[1] = Saturate(yj);
  for (int m = 1; m < 9; m++) {
    yj = even[m] - yj;
    y[2 * m] = Saturate(yj);
    z = odd[m] - z;
    yj = z - yj;
    y[2 * m + 1] = Saturate(yj);
  }
  Fixed f[36];
  for (int i = 0; i < 9; i++) f[i] = y[i + 9];
  for (int i = 9; i < 27; i++) f[i] = -y[26 - i];
  for (int i = 27; i < 36; i++) f[i] = -y[i - 27];
  const int32_t* window = kLayer3WindowQ12[blockType];
  for (int i = 0; i < 36; i++) out[i] = Fixed(uint32_t(RoundQ16(f[i])) * uint32_t(window[i]));
}

// Each window: a 6-point DCT-IV folded to 12 outputs
// (out[0..2] = Z[3..5], out[3..8] = -Z[5..0], out[9..11] = -Z[0..2]),
// windowed and added at 6 + 6w.
void Layer3ImdctShort(const Fixed in[18], Fixed out[36]) {
  for (int i = 0; i < 36; i++) out[i] = 0;
  for (int w = 0; w < 3; w++) {
    Fixed z[6];
    for (int j = 0; j < 6; j++) {
      int64_t acc = 0;
      for (int k = 0; k < 6; k++) acc += int64_t(in[w * 6 + k]) * kLayer3Imdct12[j][k];
      z[j] = Saturate((acc + 32768) >> 16);
    }
    Fixed y[12];
    for (int i = 0; i < 3; i++) y[i] = z[i + 3];
    for (int i = 3; i < 9; i++) y[i] = -z[8 - i];
    for (int i = 9; i < 12; i++) y[i] = -z[i - 9];
    Fixed* o = out + 6 + 6 * w;
    for (int i = 0; i < 12; i++)
      o[i] = Saturate(int64_t(o[i]) + Fixed(uint32_t(RoundQ16(y[i])) * uint32_t(kLayer3ShortWindowQ12[i])));
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void Layer3Hybrid(const Fixed lines[576], Fixed overlap[576], int longType, int longSubbands, int active,
                  Fixed* out, int stride) {
  Fixed buffer[36];
  Fixed sum[18];
  for (int sb = 0; sb < 32; sb++) {
    Fixed* ov = overlap + sb * 18;
    Fixed* o = out + sb;
    const Fixed* in = lines + sb * 18;
    uint32_t any = 0;  // a subband of zero lines transforms to zeros: only its overlap remains
    if (sb < active)
      for (int k = 0; k < 18; k++) any |= uint32_t(in[k]);
    if (any) {
      if (longSubbands < 0)  // all long, subbands 0 and 1 with the normal window
        Layer3Imdct36(in, buffer, sb < 2 ? 0 : longType);
      else if (sb < longSubbands)
        Layer3Imdct36(in, buffer, longType);
      else
        Layer3ImdctShort(in, buffer);
      for (int i = 0; i < 18; i++) sum[i] = AddSaturated(buffer[i], ov[i]);
      std::memcpy(ov, buffer + 18, sizeof sum);
    } else {
      for (int i = 0; i < 18; i++) sum[i] = ov[i] < -INT32_MAX ? -INT32_MAX : ov[i];
      std::memset(ov, 0, sizeof sum);
    }
    if (sb & 1)
      for (int i = 0; i < 18; i += 2) {
        o[i * stride] = sum[i];
        o[(i + 1) * stride] = -sum[i + 1];
      }
    else
      for (int i = 0; i < 18; i++) o[i * stride] = sum[i];
  }
}

int Layer3NonzeroEnd(const Fixed lines[576], int floor, int bound) {
  int n = bound;
  while (n > floor && lines[n - 1] == 0) n--;
  return n;
}
