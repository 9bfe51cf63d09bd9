// Sample-rate conversion by linear interpolation between the nine rates.
#include "state.h"
#include "tables.h"

namespace {

int RateIndex(int rate) {
  for (int i = 0; i < 9; i++)
    if (kConverterRates[i] == rate) return i;
  return -1;
}

}  // namespace

int ConvertRate(const Fixed* in, int count, int rate, int target, Fixed* out) {
  int from = RateIndex(rate), to = RateIndex(target);
  int32_t step = (from < 0 || to < 0) ? kFixedOne : kRateSteps[from][to];
  if (step == kFixedOne || count <= 0) {
    for (int i = 0; i < count; i++) out[i] = in[i];
    return count;
  }
  // Position: whole input samples in the top 4 bits, fraction in the low 28.
  const Fixed* p = in;
  const Fixed* end = in + count;
  uint32_t position = 0;
  int n = 0;
  while (int64_t(position >> 28) + 1 < end - p && n < kMaxConvertedSamples) {
    p += position >> 28;
    uint32_t f = position & (kFixedOne - 1);
    Fixed x0 = p[0];
    if (f == 0) {
      out[n++] = x0;
    } else {
      int32_t diff = int32_t((int64_t(p[1]) - x0 + 2048) >> 12);
      out[n++] = Fixed(uint32_t(x0) + uint32_t(int32_t((f + 32768) >> 16)) * uint32_t(diff));
    }
    position = f + uint32_t(step);
    // Snap to a whole sample when within 128 of it, so exact ratios stay exact.
    uint32_t frac = position & (kFixedOne - 1);
    if (frac < 128) position -= frac;
    else if (frac > uint32_t(kFixedOne) - 128) position += uint32_t(kFixedOne) - frac;
  }
  return n;
}
