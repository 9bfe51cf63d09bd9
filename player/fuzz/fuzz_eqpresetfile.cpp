#include "equalizer/presets.h"
#include "fuzzfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PresetListInit();
  if (ReadPresetFile(FuzzInputFile(data, size, "input.eqt"), 1) && PresetCount() > 0) {
    for (DWORD i = 0; i < PresetCount(); i++) {
      EqPreset* p = PresetAt(i);
      if (p->name[PRESET_NAME_UNITS - 1] != 0) __builtin_trap();
      for (signed char g : p->gains)
        if (g < GAIN_MIN || g > GAIN_MAX) __builtin_trap();
    }
    if (PresetByName(u"Default") != PresetAt(0)) __builtin_trap();
  }
  PresetClear();
  return 0;
}
