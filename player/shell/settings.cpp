#include "shell/settings.h"

#include "engine/engine.h"

const WCHAR SettingsKeyPath[] = u"software\\Oakhaven\\Lumtrax";

static const MediaKey MediaKeyTable[MEDIA_KEY_COUNT] = {
    {0xCA, 8, 8}, {0xCB, 8, 3}, {0xCC, 8, 4}, {0xCD, 8, 6}, {0xCE, 8, 1}, {0xCF, 8, 2},
    {0x88, 0, 2}, {0x89, 0, 1}, {0x8A, 0, 3}, {0x8B, 0, 4}, {0x8C, 0, 6}, {0x8D, 0, 5},
    {0x8E, 0, 7}, {0xB0, 0, 3}, {0xB1, 0, 4}, {0xB2, 0, 6}, {0xB3, 0, 8},
};

static void DefaultsInto(Settings* s) {
  *s = Settings{};
  s->playAtOpen = 1;
  s->autoRepeat = 1;
  s->disablePowerSave = 1;
  for (int i = 0; i < MEDIA_KEY_COUNT; i++) s->mediaKeys[i] = MediaKeyTable[i];
  s->audioBuffer = 50;
  s->spectrumSpeed = 10;
  s->cacheBuffer = 1;
  lstrcpyW(s->recentEq, u"Default");
  s->playerFlags = PLAYER_FLAGS_DEFAULT;
  s->volume = 50;
}

Settings g_settings = [] {
  Settings s;
  DefaultsInto(&s);
  return s;
}();

void SettingsDefaults(Settings* settings) { DefaultsInto(settings); }
