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

#if defined(__x86_64__) && defined(__GNUC__)
#include <cstdlib>

// LUMTRAX_NO_AVX2=1 takes the portable paths on any processor, so the tests
// can prove them on a machine that has AVX2.
static bool DetectAvx2() {
  const char* off = getenv("LUMTRAX_NO_AVX2");
  if (off && off[0] == '1') return false;
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
// Before the kernel choice below: globals start in the order they are defined.
extern const bool g_hasAvx2 = DetectAvx2();
#endif

namespace {

// Bounds every value the transform forms as sum_i b[i] |x[i]| + e over its
// inputs x (products as in Wide::Mul, whose rounding adds at most |k| / 2),
// and keeps the largest sum of |x[i]| for which none of them, nor the
// rounding additions, can leave 32 bits. The b are sums of products of
// k / 4096, exact in doubles; the limit is taken with a margin all the same.
struct Reach {
  struct T {
    double b[32];
    double e;
  };
  double limit = 1e300;
  const T& Note(const T& v, double extra = 0) {
    double largest = 0;
    for (double c : v.b) largest = c > largest ? c : largest;
    if (largest > 0 && (INT32_MAX - extra - v.e) / largest < limit) limit = (INT32_MAX - extra - v.e) / largest;
    return v;
  }
  T Add(T a, const T& b) {
    for (int i = 0; i < 32; i++) a.b[i] += b.b[i];
    a.e += b.e;
    return Note(a);
  }
  T Sub(const T& a, const T& b) { return Add(a, b); }
  static T Neg(const T& a) { return a; }
  T Mul(T x, int32_t k) {
    Note(x, 2048);
    const double f = (k < 0 ? -k : k) / 4096.0;
    for (double& c : x.b) c *= f;
    x.e = x.e * f + (k < 0 ? -k : k) / 2.0;
    return Note(x);
  }
};

// The largest sum of |x| >> 5 over a block's 32 inputs (at most 2^31, so an
// unsigned 32-bit sum) for which nothing in the transform leaves 32 bits:
// the sum of |x| is below 32 times it plus 32 * 31.
uint32_t QuietInputSum() {
  Reach o;
  static Reach::T x[32];
  for (int i = 0; i < 32; i++) {
    for (int j = 0; j < 32; j++) x[i].b[j] = i == j;
    x[i].e = 0;
  }
  CosineII<32>(o, x);
  for (int i = 0; i < 32; i++) o.Note(x[i], 2048);
  const double sum = o.limit * (1 - 1e-9) - 32 * 31 - 1;
  return sum <= 0 ? 0 : uint32_t(sum / 32);
}

const uint32_t kQuietInputSum = QuietInputSum();

// The taps by step for the quiet window: outputs j and 32 - j (j = 0..15)
// read index 16 + j at even steps and 16 - j at odd ones, output 16 index 0.
struct QuietTaps {
  int32_t a[16][16];  // [step][j], output j
  int32_t b[16][16];  // [step][j], output 32 - j (j = 0 unused)
  int32_t mid[16];    // output 16
};

// Filled with the window taps (BuildTaps): a plain global, so that no guard
// asks anything of the C++ runtime.
QuietTaps g_quietTaps;

void BuildQuietTaps(const SynthesisTaps& t, QuietTaps& q) {
  for (int m = 0; m < 16; m++) {
    for (int j = 0; j < 16; j++) {
      q.a[m][j] = t.coef[j][m];
      q.b[m][j] = j ? t.coef[32 - j][m] : 0;
    }
    q.mid[m] = t.coef[16][m];
  }
}

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
  t.quietInputSum = kQuietInputSum;
  BuildQuietTaps(t, g_quietTaps);
  return t;
}

// Sums in 32 bits, for blocks whose inputs are within kQuietInputSum.
struct Narrow {
  using T = int32_t;
  static T Add(T a, T b) { return a + b; }
  static T Sub(T a, T b) { return a - b; }
  static T Neg(T a) { return -a; }
  static T Mul(T x, int32_t k) { return ((x + 2048) >> 12) * k; }
};

// Sum of |v| >> 5 over 32 values (|INT32_MIN| = 2^31).
uint32_t InputSum(const int32_t* v) {
  uint32_t sum = 0;
  for (int i = 0; i < 32; i++) sum += (v[i] < 0 ? 0u - uint32_t(v[i]) : uint32_t(v[i])) >> 5;
  return sum;
}

// Largest magnitude of 32 values, as unsigned (|INT32_MIN| = 2^31).
uint32_t Peak(const int32_t* v) {
  uint32_t largest = 0;
  for (int i = 0; i < 32; i++) {
    uint32_t a = v[i] < 0 ? 0u - uint32_t(v[i]) : uint32_t(v[i]);
    largest = a > largest ? a : largest;
  }
  return largest;
}

// One matrixing step in 32 bits where the inputs allow (then exactly the
// 64-bit values), otherwise in 64 bits.
void Transform(const int32_t* in, int32_t* out) {
  if (InputSum(in) > kQuietInputSum) {
    Transform64(in, out);
    return;
  }
  Narrow o;
  int32_t x[32];
  for (int i = 0; i < 32; i++) x[i] = in[i];
  CosineII<32>(o, x);
  for (int i = 0; i < 32; i++) out[i] = (x[i] + 2048) >> 12;
}

// No value the window reaches exceeds kSynthesisTaps.quietLimit: 32-bit sums
// cannot overflow and equal the saturated 64-bit ones. Summed step by step,
// so each step is one pass over contiguous (or reversed) values.
void WindowQuiet(const int32_t* const* steps, Fixed* out) {
  const QuietTaps& taps = g_quietTaps;
  int32_t a[16] = {}, b[16] = {}, mid = 0;
  for (int m = 0; m < 16; m++) {
    const int32_t* row = steps[m];
    int32_t x[16];
    if (m & 1) {
      for (int j = 0; j < 16; j++) x[j] = row[16 - j];
    } else {
      for (int j = 0; j < 16; j++) x[j] = row[16 + j];
    }
    for (int j = 0; j < 16; j++) {
      a[j] += x[j] * taps.a[m][j];
      b[j] += x[j] * taps.b[m][j];
    }
    mid += row[0] * taps.mid[m];
  }
  for (int j = 0; j < 16; j++) out[j] = Fixed(a[j] >> 2);
  out[16] = Fixed(mid >> 2);
  for (int j = 1; j < 16; j++) out[32 - j] = Fixed(b[j] >> 2);
}

// One block of 32 PCM samples (Q28) from the ring, newest step at `slot`.
void Windowing(const int32_t (*ring)[32], int slot, int quiet, Fixed* out) {
  const int32_t* steps[16];
  for (int t = 0; t < 16; t++) steps[t] = ring[(slot - t) & 15];
  if (quiet) {
    WindowQuiet(steps, out);
    return;
  }
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
  uint32_t peak[16];
  for (int s = 0; s < 16; s++) peak[s] = Peak(ring[s]);
  for (int t = 0; t < blocks; t++) {
    int slot = (offset + t) & 15;
    Transform(in[t], ring[slot]);
    peak[slot] = Peak(ring[slot]);
    uint32_t largest = 0;
    for (int s = 0; s < 16; s++) largest = peak[s] > largest ? peak[s] : largest;
    Windowing(ring, slot, largest <= uint32_t(kSynthesisTaps.quietLimit), pcm + t * 32);
  }
}

int UseVectorKernel() {
#if defined(__x86_64__) && defined(__GNUC__)
  return HasAvx2() ? 1 : 0;
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
