// Polyphase synthesis filter bank in fixed point: a 32-point cosine transform
// per block (Q28 in, Q16 out into a ring of 16 slots), then the window (Q14)
// over the ring, sum >> 2 = Q28 PCM.
#include "state.h"
#include "tables.h"

#include <cmath>

namespace {

// cos((2k + 1) i pi / 64) in Q12 for the matrixing.
struct CosTable {
  int32_t v[32][32];
  CosTable() {
    for (int i = 0; i < 32; i++)
      for (int k = 0; k < 32; k++) v[i][k] = int32_t(std::lround(std::cos((2 * k + 1) * i * M_PI / 64) * 4096));
  }
};
const CosTable kCos;

// X[i] = sum_k S[k] cos((2k + 1) i pi / 64), Q28 in, Q16 out.
void Matrix(const Fixed* in, int32_t* out) {
  for (int i = 0; i < 32; i++) {
    uint32_t acc = 0;
    for (int k = 0; k < 32; k++) acc += uint32_t(MulQ12(in[k], kCos.v[i][k]));
    out[i] = int32_t((int64_t(int32_t(acc)) + 2048) >> 12);
  }
}

// One block of 32 PCM samples from the ring, newest slot at `slot`.
// The standard's 64-value vector V of each step is rebuilt from the 32 stored
// transform outputs X: V[0..15] = X[16..31], V[16] = 0, V[17..47] = -X[31..1],
// V[48..63] = -X[0..15].
void Window(const int32_t (*ring)[32], int slot, Fixed* out) {
  const int32_t* d = kSynthesisWindow;
  for (int j = 0; j < 32; j++) {
    uint32_t acc = 0;
    for (int m = 0; m < 8; m++) {
      const int32_t* even = ring[(slot - 2 * m) & 15];
      const int32_t* odd = ring[(slot - 2 * m - 1) & 15];
      int32_t ve = j < 16 ? even[j + 16] : (j == 16 ? 0 : -even[48 - j]);
      int32_t vo = j < 16 ? -odd[16 - j] : -odd[j - 16];
      acc += uint32_t(ve) * uint32_t(d[j + 64 * m]);
      acc += uint32_t(vo) * uint32_t(d[j + 64 * m + 32]);
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
      Window(s.ring[ch], slot, &s.pcm[ch][t * 32]);
    }
  }
  s.offset = (s.offset + blocks) & 15;
  s.samples = blocks * 32;
  s.channels = channels;
}
