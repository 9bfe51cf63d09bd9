#include "equalizer/presets.h"
#include "fuzzfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EqPreset record{};
  if (ReadValueFile(FuzzInputFile(data, size, "input.eqv"), &record)) {
    if (record.name[PRESET_NAME_UNITS - 1] != 0) __builtin_trap();
    PresetListInit();
    EqPreset* p = PresetAddOrUpdate(&record);
    for (signed char g : p->gains)
      if (g < GAIN_MIN || g > GAIN_MAX) __builtin_trap();
    PresetClear();
  }
  return 0;
}
