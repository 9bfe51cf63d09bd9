// Fixed-point arithmetic of the decoder. Samples, gains and coefficients are
// signed 32-bit with full scale 1.0 = 2^28 (Q28) unless a stage says otherwise;
// three guard bits above full scale absorb filter overshoot before the output
// stage clips.
#pragma once
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
// Whether the processor has AVX2, asked once at load (synth.cpp): a plain
// global, no guard, nothing asked of the C++ runtime.
extern const bool g_hasAvx2;
inline bool HasAvx2() { return g_hasAvx2; }
#endif

typedef int32_t Fixed;

constexpr int kFixedBits = 28;
constexpr Fixed kFixedOne = Fixed(1) << kFixedBits;

// The decoder's one multiply: sample a rounded to Q16, coefficient b rounded
// to Q12, so the product of two Q28 values is Q28 and never needs more than
// 32 bits for |a| < 2^31 and |b| < 2^30. The shifts are arithmetic and the
// sum wraps like the 32-bit multiply it stands for.
inline Fixed RoundedProduct(Fixed a, Fixed b) {
  int32_t ra = int32_t((int64_t(a) + 2048) >> 12);
  int32_t rb = int32_t((int64_t(b) + 32768) >> 16);
  return Fixed(uint32_t(ra) * uint32_t(rb));
}

// x rounded to Q16 and multiplied by a Q12 constant: the product form of the
// cosine transforms (result keeps x's format).
inline Fixed MulQ12(Fixed x, int32_t k) {
  int32_t rx = int32_t((int64_t(x) + 2048) >> 12);
  return Fixed(uint32_t(rx) * uint32_t(k));
}
