#include "fuzzfile.h"
#include "trackinfo/trackinfo.h"

static int Terminated(const WCHAR* text, int capacity) {
  for (int i = 0; i < capacity; i++)
    if (!text[i]) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlaylistEntry entry{};
  lstrcpynW(entry.path, FuzzInputFile(data, size, "input.mp3"), MAX_PATH);
  if (TrackProbe(&entry)) {
    // What the rest of the player relies on after a successful probe.
    if (entry.title[TITLE_UNITS - 1] != 0 || entry.durationText[DURATION_UNITS - 1] != 0) __builtin_trap();
    if (entry.audioStart > size || entry.audioBytes > size) __builtin_trap();
    if (entry.channels != 1 && entry.channels != 2) __builtin_trap();
    if (entry.bitRate <= 0 || entry.sampleRate == 0) __builtin_trap();
    if (!Terminated(entry.artist, TAG_TEXT_UNITS) || !Terminated(entry.album, TAG_TEXT_UNITS) ||
        !Terminated(entry.year, YEAR_UNITS) || !Terminated(entry.genreText, GENRE_TEXT_UNITS))
      __builtin_trap();
    // The text of an ID3v2 tag reaches the screen without control characters.
    if ((entry.tags & EntryId3v2) && !(entry.tags & EntryId3v1))
      for (const WCHAR* p = entry.artist; *p; p++)
        if (*p < 0x20) __builtin_trap();
  }
  return 0;
}
