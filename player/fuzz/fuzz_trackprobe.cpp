#include "fuzzfile.h"
#include "trackinfo/trackinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlaylistEntry entry{};
  lstrcpynW(entry.path, FuzzInputFile(data, size, "input.mp3"), MAX_PATH);
  if (TrackProbe(&entry)) {
    // What the rest of the player relies on after a successful probe.
    if (entry.title[TITLE_UNITS - 1] != 0 || entry.durationText[DURATION_UNITS - 1] != 0) __builtin_trap();
    if (entry.audioStart > size || entry.audioBytes > size) __builtin_trap();
    if (entry.channels != 1 && entry.channels != 2) __builtin_trap();
    if (entry.bitRate <= 0 || entry.sampleRate == 0) __builtin_trap();
  }
  return 0;
}
