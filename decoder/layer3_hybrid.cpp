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

void Layer3AliasReduce(Fixed lines[576], int boundaries) {
  for (int k = 1; k <= boundaries; k++) {
    Fixed* lower = lines + 18 * k - 1;
    Fixed* upper = lines + 18 * k;
    for (int i = 0; i < 8; i++) {
      Fixed lo = lower[-i];
      Fixed up = upper[i];
      lower[-i] = Fixed(uint32_t(RoundedProduct(lo, kLayer3AliasCs[i])) - uint32_t(RoundedProduct(up, kLayer3AliasCa[i])));
      upper[i] = Fixed(uint32_t(RoundedProduct(up, kLayer3AliasCs[i])) + uint32_t(RoundedProduct(lo, kLayer3AliasCa[i])));
    }
  }
}

// The 36-point IMDCT is an 18-point DCT-IV Y followed by a fold:
// out[0..8] = Y[9..17], out[9..26] = -Y[17..0], out[27..35] = -Y[0..8].
// Q28 lines times Q16 constants, summed in 64 bits, rounded back to Q28 and
// saturated: Q12 constants on Q16-rounded inputs lose too much on loud
// tones (the 0 dB sine stream), so this transform keeps the full precision.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))  // the 64-bit products vectorise with AVX2
#endif
void Layer3Imdct36(const Fixed in[18], Fixed out[36], int blockType) {
  int64_t acc[18] = {};
  for (int k = 0; k < 18; k++) {  // input by input, skipping zero lines (the kernel is symmetric)
    int64_t x = in[k];
    if (!x) continue;
    const int32_t* c = kLayer3Imdct36[k];
    for (int j = 0; j < 18; j++) acc[j] += x * c[j];
  }
  Fixed y[18];
  for (int j = 0; j < 18; j++) y[j] = Saturate((acc[j] + 32768) >> 16);
  const Fixed* window = kLayer3Window[blockType];
  for (int i = 0; i < 9; i++) out[i] = RoundedProduct(y[i + 9], window[i]);
  for (int i = 9; i < 27; i++) out[i] = RoundedProduct(-y[26 - i], window[i]);
  for (int i = 27; i < 36; i++) out[i] = RoundedProduct(-y[i - 27], window[i]);
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
    for (int i = 0; i < 12; i++) o[i] = Saturate(int64_t(o[i]) + RoundedProduct(y[i], kLayer3ShortWindow[i]));
  }
}

void Layer3Hybrid(const Fixed lines[576], Fixed overlap[576], int longType, int longSubbands, int active,
                  Fixed* out, int stride) {
  Fixed buffer[36];
  for (int sb = 0; sb < 32; sb++) {
    Fixed* ov = overlap + sb * 18;
    Fixed* o = out + sb;
    if (sb < active) {
      if (longSubbands < 0)  // all long, subbands 0 and 1 with the normal window
        Layer3Imdct36(lines + sb * 18, buffer, sb < 2 ? 0 : longType);
      else if (sb < longSubbands)
        Layer3Imdct36(lines + sb * 18, buffer, longType);
      else
        Layer3ImdctShort(lines + sb * 18, buffer);
      for (int i = 0; i < 18; i++) {
        Fixed s = Saturate(int64_t(buffer[i]) + ov[i]);
        ov[i] = buffer[18 + i];
        o[i * stride] = (sb & i & 1) ? -s : s;
      }
    } else {
      for (int i = 0; i < 18; i++) {
        Fixed s = ov[i] == INT32_MIN ? -INT32_MAX : ov[i];
        ov[i] = 0;
        o[i * stride] = (sb & i & 1) ? -s : s;
      }
    }
  }
}

int Layer3NonzeroEnd(const Fixed lines[576], int floor) {
  int n = 576;
  while (n > floor && lines[n - 1] == 0) n--;
  return n;
}
