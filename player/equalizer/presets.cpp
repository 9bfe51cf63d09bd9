#include "equalizer/presets.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "shell/playerwindows.h"


#define PRESET(name, genre, ...) {genre, 0, name, {__VA_ARGS__, 0}, {0, 0, 0}, 0, 0}

const EqPreset BuiltInPresets[BUILT_IN_PRESET_COUNT] = {
    PRESET(u"Default", 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
    PRESET(u"Blues", 0, 12, -7, 2, 3, 7, 4, 0, 14, 10, 10),
    PRESET(u"Classical", 32, 0, 0, 0, 0, 0, 0, -8, -8, -8, -11),
    PRESET(u"Club", 112, 0, 0, 4, 6, 6, 6, 4, 0, 0, 0),
    PRESET(u"Dance", 3, 10, 7, 2, 0, 0, -6, -8, -8, 0, 0),
    PRESET(u"Full Base", 255, 10, 10, 10, 6, 2, -5, -9, -11, -12, -12),
    PRESET(u"Full Base & Treble", 255, 7, 6, 0, -8, -5, 2, 9, 11, 12, 12),
    PRESET(u"Full Treble", 255, -11, -11, -11, -5, 3, 11, 16, 16, 16, 18),
    PRESET(u"Dance Hall", 125, 11, 11, 6, 6, 0, -5, -5, -5, 0, 0),
    PRESET(u"Live", 255, -5, 0, 4, 5, 6, 6, 4, 3, 3, 2),
    PRESET(u"Party", 255, 7, 7, 0, 0, 0, 0, 0, 0, 7, 7),
    PRESET(u"Pop", 13, -2, 5, 7, 8, 5, -2, -3, -3, -2, -2),
    PRESET(u"Reggae", 16, 0, 0, 0, -6, 0, 7, 7, 0, 0, 0),
    PRESET(u"Rock", 17, 8, 5, -6, -9, -4, 4, 9, 11, 11, 11),
    PRESET(u"Ska", 21, -3, -5, -5, 0, 4, 6, 9, 10, 11, 10),
    PRESET(u"Soft", 255, 5, 2, -2, -3, -2, 4, 9, 10, 11, 12),
    PRESET(u"Classic Rock", 1, 4, 4, 2, 0, -5, -6, -4, 0, 3, 9),
    PRESET(u"Techno", 18, 8, 6, 0, -6, -5, 0, 8, 10, 10, 9),
};

const WCHAR* const EqualizerBandLabels[EQ_GAIN_COUNT] = {u"60", u"170", u"310", u"600", u"1K",    u"3K",
                                                          u"6K", u"12K", u"14K", u"16K", u"PreAmp"};

PresetList g_presets;

static PresetNode* Sentinel() { return &g_presets.sentinel; }
static PresetNode* NodeOf(EqPreset* preset) { return reinterpret_cast<PresetNode*>(preset); }

int PresetNamesEqual(const WCHAR* a, const WCHAR* b) {
  for (int i = 0; i < PRESET_NAME_UNITS; i++) {
    if (a[i] != b[i]) return 0;
    if (a[i] == 0) return 1;
  }
  return 1;
}

void PresetListInit(void) {
  PresetNode* s = Sentinel();
  *s = PresetNode{};
  s->next = s->prev = s;
  g_presets.count = 0;
}

EqPreset* PresetAddOrUpdate(EqPreset* record) {
  for (signed char& g : record->gains) g = g < GAIN_MIN ? GAIN_MIN : g > GAIN_MAX ? GAIN_MAX : g;
  // Names hold at most 29 characters; a file may not say so.
  record->name[PRESET_NAME_UNITS - 1] = 0;
  if (EqPreset* existing = PresetByName(record->name)) {
    existing->genre = record->genre;
    memcpy(existing->gains, record->gains, EQ_GAIN_COUNT);
    return existing;
  }
  if (!Sentinel()->next) PresetListInit();
  PresetNode* node = static_cast<PresetNode*>(calloc(1, sizeof(PresetNode)));
  if (!node) return nullptr;
  node->preset = *record;
  node->preset.nextLink = node->preset.previousLink = 0;
  PresetNode* s = Sentinel();
  node->prev = s->prev;
  node->next = s;
  s->prev->next = node;
  s->prev = node;
  g_presets.count++;
  return &node->preset;
}

void PresetRemove(EqPreset* preset) {
  if (!preset) return;
  PresetNode* node = NodeOf(preset);
  if (node == Sentinel()) return;
  node->prev->next = node->next;
  node->next->prev = node->prev;
  free(node);
  g_presets.count--;
}

void PresetClear(void) {
  if (!Sentinel()->next) PresetListInit();
  while (Sentinel()->next != Sentinel()) PresetRemove(&Sentinel()->next->preset);
}

EqPreset* PresetAt(DWORD index) {
  if (index >= g_presets.count) return nullptr;
  PresetNode* n = Sentinel()->next;
  while (index-- > 0) n = n->next;
  return &n->preset;
}

EqPreset* PresetByName(LPCWSTR name) {
  if (!name || !Sentinel()->next) return nullptr;
  for (PresetNode* n = Sentinel()->next; n != Sentinel(); n = n->next)
    if (PresetNamesEqual(n->preset.name, name)) return &n->preset;
  return nullptr;
}

EqPreset* PresetByGenre(DWORD genre) {
  if (genre == PRESET_NO_GENRE || !Sentinel()->next) return nullptr;
  for (PresetNode* n = Sentinel()->next; n != Sentinel(); n = n->next)
    if (n->preset.genre == genre) return &n->preset;
  return nullptr;
}

void PresetReset(void) {
  PresetClear();
  for (const EqPreset& row : BuiltInPresets) {
    EqPreset copy = row;
    PresetAddOrUpdate(&copy);
  }
}

DWORD PresetCount(void) { return g_presets.count; }

void EqualizerUpdateDecoder(const signed char* gains) {
  // The decode thread clears the mutex field before it closes the mutex; a
  // wait on a handle closed meanwhile fails, and then no thread decodes.
  HANDLE mutex = std::atomic_ref<HANDLE>(g_engine.decoderMutex).load();
  if (mutex && WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) mutex = nullptr;
  if (g_engine.KO_Init) g_engine.KO_Init(0, PlayerFlagsGet() & EqualizerOn, gains, -1);
  if (mutex) ReleaseMutex(mutex);
}

void ApplyEqualizer(const signed char* gains) {
  EqualizerUpdateDecoder(gains);
  if (g_windows.equalizer) {
    SendMessageW(g_windows.equalizer, UM_SETGAINS, 0, reinterpret_cast<LPARAM>(gains));
    return;
  }
  if (gains != g_settings.eq) memcpy(g_settings.eq, gains, EQ_GAIN_COUNT);
}

void AutoPreset(const PlaylistEntry* entry) {
  if (g_settings.autoPreset != 1 || !entry) return;
  // The probe puts the ID3v2 genre here when the file has one, else the ID3v1 byte.
  const EqPreset* preset = PresetByGenre(entry->genre);
  // The flat row, not the list's own "Default", which the user may have edited.
  if (!preset) preset = &BuiltInPresets[0];
  // The list may change while the window handles the gains; hand over a copy.
  signed char gains[EQ_GAIN_COUNT];
  memcpy(gains, preset->gains, EQ_GAIN_COUNT);
  ApplyEqualizer(gains);
}
