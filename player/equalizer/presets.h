// Equalizer presets: the 84-byte record shared by memory and files, the
// preset list, the built-in set and the two ways gains reach the decoder.
#pragma once
#include <windows.h>

#include "playlist/playlistentry.h"
#include "shell/settings.h"

#define GAIN_MIN (-20)
#define GAIN_MAX 20
#define BUILT_IN_PRESET_COUNT 18
#define PRESET_NO_GENRE 255

// Byte for byte the file record. The link words are 32 bits wide there; this
// host's pointers are not, so the ring links live in PresetNode beside the
// record and the words stay 0.
struct EqPreset {
  BYTE genre;
  BYTE reserved;
  WCHAR name[PRESET_NAME_UNITS];
  signed char gains[EQ_GAIN_COUNT];
  BYTE padding[3];
  DWORD nextLink;
  DWORD previousLink;
};
static_assert(sizeof(EqPreset) == 84, "EqPreset is the 84-byte file record");

struct PresetNode {
  EqPreset preset;  // first, so a preset's address is its node's
  PresetNode* next;
  PresetNode* prev;
};

struct PresetList {
  PresetNode sentinel;
  DWORD count;
};

extern PresetList g_presets;
extern const EqPreset BuiltInPresets[BUILT_IN_PRESET_COUNT];
// The bands' names as the edit dialog lists them, preamplifier last.
extern const WCHAR* const EqualizerBandLabels[EQ_GAIN_COUNT];

void PresetListInit(void);
EqPreset* PresetAddOrUpdate(EqPreset* record);
void PresetRemove(EqPreset* preset);
void PresetClear(void);
EqPreset* PresetAt(DWORD index);
EqPreset* PresetByName(LPCWSTR name);
// Unit for unit, as the list finds names: no collation folds two names into one.
int PresetNamesEqual(const WCHAR* a, const WCHAR* b);
EqPreset* PresetByGenre(DWORD genre);
void PresetReset(void);
DWORD PresetCount(void);

// The decoder's live update: KO_Init with the on/off flag and the gains,
// under the decoder mutex, without resetting the stream.
void EqualizerUpdateDecoder(const signed char* gains);
// The decoder update, then the gains to the equalizer window (or straight
// into the live gains while it has none).
void ApplyEqualizer(const signed char* gains);
// The preset of the entry's genre when the AutoPreset setting is on.
void AutoPreset(const PlaylistEntry* entry);

// Files with the header "Lumtrax Equalize File 1.0".
int ReadValueFile(LPCWSTR path, EqPreset* record);
int WriteValueFile(LPCWSTR path, const EqPreset* record);
// A missing file gives the built-ins (1). Any other failure, or a file that
// names records it does not hold, leaves the list as it was (0).
int ReadPresetFile(LPCWSTR path, int replace);
int WritePresetFile(LPCWSTR path);
