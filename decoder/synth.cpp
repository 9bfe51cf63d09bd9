// Polyphase synthesis filter bank in fixed point: a fast 32-point cosine
// transform per block (Q28 in, Q16 out into a ring of 16 slots per channel),
// then the standard's window (Q14) over the ring; the sum (Q30) >> 2 is the
// PCM sample in Q28.
//
// Headroom: Q28 leaves eight-fold room for subband samples, the Q30 window
// sum only two-fold, and loud streams (lines of several times full scale)
// exceed both. Sums are therefore carried in 64 bits and the window sum is
// saturated to 32 bits before the shift: such samples reach the output stage
// at twice full scale and clip there instead of wrapping to the opposite
// sign. Whenever no 32-bit sum would overflow, every result equals the plain
// 32-bit arithmetic.
//
// Two kernels compute the same values: the portable one below, block by
// block, and an eight-lane one (synth_avx2.cpp) that takes eight blocks at a
// time where the processor has the instructions.
#include "state.h"
#include "synth_dct.h"
#include "tables.h"

namespace {

SynthesisTaps BuildTaps() {
  SynthesisTaps t{};
  int64_t largest = 1;
  for (int j = 0; j < 32; j++) {
    int evenSign = j < 16 ? 1 : (j == 16 ? 0 : -1);
    t.even[j] = uint8_t(j < 16 ? j + 16 : (j == 16 ? 0 : 48 - j));
    t.odd[j] = uint8_t(j <= 16 ? 16 - j : j - 16);
    for (int m = 0; m < 8; m++) {
      t.coef[j][2 * m] = evenSign * kSynthesisWindow[j + 64 * m];
      t.coef[j][2 * m + 1] = -kSynthesisWindow[j + 64 * m + 32];
    }
    int64_t sum = 0;
    for (int m = 0; m < 16; m++) sum += t.coef[j][m] < 0 ? -t.coef[j][m] : t.coef[j][m];
    if (sum > largest) largest = sum;
  }
  t.quietLimit = int32_t(INT32_MAX / largest);
  return t;
}

// One block of 32 PCM samples (Q28) from the ring, newest step at `slot`.
void Windowing(const int32_t (*ring)[32], int slot, Fixed* out) {
  const int32_t* steps[16];
  for (int t = 0; t < 16; t++) steps[t] = ring[(slot - t) & 15];
  for (int j = 0; j < 32; j++) {
    const int32_t* c = kSynthesisTaps.coef[j];
    int ie = kSynthesisTaps.even[j], io = kSynthesisTaps.odd[j];
    int64_t acc = 0;
    for (int m = 0; m < 8; m++) {
      acc += int64_t(steps[2 * m][ie]) * c[2 * m];
      acc += int64_t(steps[2 * m + 1][io]) * c[2 * m + 1];
    }
    int32_t sum = int32_t(acc > INT32_MAX ? INT32_MAX : acc < INT32_MIN ? INT32_MIN : acc);
    out[j] = Fixed(sum >> 2);
  }
}

void SynthesizeChannelPortable(int32_t (*ring)[32], int offset, const Fixed (*in)[32], int blocks, Fixed* pcm) {
  for (int t = 0; t < blocks; t++) {
    int slot = (offset + t) & 15;
    Transform64(in[t], ring[slot]);
    Windowing(ring, slot, pcm + t * 32);
  }
}

int UseVectorKernel() {
#if defined(__x86_64__) && defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
  return 0;
#endif
}

int g_vectorKernel = UseVectorKernel();

}  // namespace

const SynthesisTaps kSynthesisTaps = BuildTaps();

int SelectSynthesisKernel(int vector) {
  g_vectorKernel = vector && UseVectorKernel() ? 1 : 0;
  return g_vectorKernel;
}

void SynthesizeFrame(SynthesisState& s, const SubbandBuffer& sb, int channels, int blocks) {
  for (int ch = 0; ch < channels; ch++) {
    if (!g_vectorKernel || !SynthesizeChannelAvx2(s.ring[ch], s.offset, sb.sample[ch], blocks, s.pcm[ch]))
      SynthesizeChannelPortable(s.ring[ch], s.offset, sb.sample[ch], blocks, s.pcm[ch]);
  }
  s.offset = (s.offset + blocks) & 15;
  s.samples = blocks * 32;
  s.channels = channels;
}
