#include <cstring>

#include "equalizer/analyser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SHORT samples[SPECTRUM_POINTS] = {};
  memcpy(samples, data, size < sizeof(samples) ? size : sizeof(samples));
  SHORT levels[SPECTRUM_BANDS];
  SpectrumAnalyse(samples, levels);
  for (SHORT l : levels)
    if (l < 0 || l > SPECTRUM_MAX_LEVEL) __builtin_trap();
  return 0;
}
