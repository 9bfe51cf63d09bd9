// Load settings, Save settings and Save wake-up: the registry side of the
// Settings record.
#include "engine/engine.h"
#include "shell/settings.h"

// The key-action value names: VKUp .. VKEnter, then VKButton1 .. VKButtonF.
static void KeyActionName(int index, WCHAR* name, int size) {
  static const WCHAR* const Named[5] = {u"VKUp", u"VKDown", u"VKLeft", u"VKRight", u"VKEnter"};
  if (index < 5)
    lstrcpynW(name, Named[index], size);
  else
    LxFormatW(name, size, u"VKButton%1X", index - 4);
}

static void GainName(int index, WCHAR* name, int size) { LxFormatW(name, size, u"EQ%02d", index); }

// A DWORD value replaces the field only when it was stored as REG_DWORD.
static int QueryDword(HKEY key, LPCWSTR name, DWORD* field) {
  DWORD value = 0, type = 0, size = sizeof(value);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    return 0;
  if (type != REG_DWORD || size != sizeof(value)) return 0;
  *field = value;
  return 1;
}

static DWORD Clamp(DWORD value, DWORD low, DWORD high) { return value < low ? low : value > high ? high : value; }

// Values the dialogs never write would index tables or size allocations;
// they are pulled back into the ranges the dialogs offer. The ring size
// also keeps the slider's steps of 50, or every OK would count as a change.
static void ClampToDialogRanges(Settings* s) {
  s->audioBuffer = Clamp(s->audioBuffer, 50, 300) / 50 * 50;
  s->spectrumSpeed = Clamp(s->spectrumSpeed, 1, 10);
  s->cacheBuffer = Clamp(s->cacheBuffer, 1, 20);
  for (DWORD& action : s->keyActions)
    if (action >= ACTION_COUNT) action = 0;
  if (s->plState > 1) s->plState = 0;
}

LONG LoadSettings(Settings* s, PlayerEngine* engine) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) return result;

  struct {
    LPCWSTR name;
    DWORD* field;
  } const flags[] = {
      {u"PlayAtOpen", &s->playAtOpen}, {u"AutoRepeat", &s->autoRepeat},
      {u"Shuffle", &s->shuffle},       {u"DisablePowerSafe", &s->disablePowerSave},
      {u"AutoPreset", &s->autoPreset}, {u"FadeIn", &s->fadeIn},
      {u"No Display Welcome", &s->noWelcome},
  };
  for (const auto& f : flags) QueryDword(key, f.name, f.field);
  for (int i = 0; i < KEY_ACTION_COUNT; i++) {
    WCHAR name[16];
    KeyActionName(i, name, 16);
    QueryDword(key, name, &s->keyActions[i]);
  }
  QueryDword(key, u"EnableVK", &s->enableVK);

  // A stored 0 would leave the ring without buffers or stop the spectrum timer.
  DWORD value = 0;
  if (QueryDword(key, u"AudioBuffer", &value) && value != 0) s->audioBuffer = value;
  if (QueryDword(key, u"Equalizer Spectrum Speed", &value) && value != 0) s->spectrumSpeed = value;
  QueryDword(key, u"CacheBuffer", &s->cacheBuffer);
  QueryDword(key, u"CacheSync", &s->cacheSync);
  QueryDword(key, u"UseCache", &s->useCache);
  QueryDword(key, u"Disable Equalizer Spectrum", &s->spectrumOff);
  QueryDword(key, u"MinusTime", &s->minusTime);
  QueryDword(key, u"PLState", &s->plState);

  // The equalizer is on by default; only a stored 0 turns it off.
  value = 1;
  if (QueryDword(key, u"Enable Equalizer", &value) && value == 0) s->playerFlags &= ~EqualizerOn;

  for (int i = 0; i < EQ_GAIN_COUNT; i++) {
    WCHAR name[8];
    GainName(i, name, 8);
    BYTE gain = 0;
    DWORD type = 0, size = 1;
    if (RegQueryValueExW(key, name, nullptr, &type, &gain, &size) == ERROR_SUCCESS && type == REG_BINARY &&
        size == 1)
      s->eq[i] = static_cast<signed char>(gain);
  }

  QueryDword(key, u"WakeUp", &s->wakeUp);

  // Taken whatever its stored type, but always terminated within the field.
  WCHAR text[MAX_PATH] = {};
  DWORD type = 0, size = sizeof(text);
  if (engine && RegQueryValueExW(key, u"Recent Music", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
                    ERROR_SUCCESS) {
    text[MAX_PATH - 1] = 0;
    for (int i = 0; i < MAX_PATH; i++) engine->filePath[i] = text[i];
  }

  WCHAR name[PRESET_NAME_UNITS] = {};
  size = sizeof(name);
  if (RegQueryValueExW(key, u"Recent EQ", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
      ERROR_SUCCESS) {
    name[PRESET_NAME_UNITS - 1] = 0;
    for (int i = 0; i < PRESET_NAME_UNITS; i++) s->recentEq[i] = name[i];
  }
  if (s->recentEq[0] == 0) lstrcpyW(s->recentEq, u"Default");

  ClampToDialogRanges(s);
  return RegCloseKey(key);
}

static LONG OpenForWriting(HKEY* key) {
  DWORD disposition = 0;
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_READ | KEY_WRITE, nullptr, key, &disposition);
}

static void SetDword(HKEY key, LPCWSTR name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG SaveSettings(const Settings* s, const PlayerEngine* engine) {
  HKEY key = nullptr;
  LONG result = OpenForWriting(&key);
  if (result != ERROR_SUCCESS) return result;

  SetDword(key, u"PlayAtOpen", s->playAtOpen);
  SetDword(key, u"AutoRepeat", s->autoRepeat);
  SetDword(key, u"Shuffle", s->shuffle);
  SetDword(key, u"DisablePowerSafe", s->disablePowerSave);
  SetDword(key, u"AutoPreset", s->autoPreset);
  SetDword(key, u"FadeIn", s->fadeIn);
  SetDword(key, u"No Display Welcome", s->noWelcome);
  for (int i = 0; i < KEY_ACTION_COUNT; i++) {
    WCHAR name[16];
    KeyActionName(i, name, 16);
    SetDword(key, name, s->keyActions[i]);
  }
  SetDword(key, u"EnableVK", s->enableVK);
  SetDword(key, u"AudioBuffer", s->audioBuffer);
  SetDword(key, u"Equalizer Spectrum Speed", s->spectrumSpeed);
  SetDword(key, u"CacheBuffer", s->cacheBuffer);
  SetDword(key, u"CacheSync", s->cacheSync);
  SetDword(key, u"UseCache", s->useCache);
  SetDword(key, u"Disable Equalizer Spectrum", s->spectrumOff);
  SetDword(key, u"MinusTime", s->minusTime);
  SetDword(key, u"PLState", s->plState);
  SetDword(key, u"Enable Equalizer", (s->playerFlags & EqualizerOn) ? 1 : 0);

  // Both texts are written at their full field width, zeroed past the
  // terminator: a shorter name copied over a longer one would otherwise store
  // the tail of an earlier title's path.
  WCHAR path[MAX_PATH] = {};
  if (engine) lstrcpynW(path, engine->filePath, MAX_PATH);
  RegSetValueExW(key, u"Recent Music", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof(path));
  WCHAR eq[PRESET_NAME_UNITS] = {};
  lstrcpynW(eq, s->recentEq, PRESET_NAME_UNITS);
  RegSetValueExW(key, u"Recent EQ", 0, REG_SZ, reinterpret_cast<const BYTE*>(eq), sizeof(eq));
  for (int i = 0; i < EQ_GAIN_COUNT; i++) {
    WCHAR name[8];
    GainName(i, name, 8);
    RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&s->eq[i]), 1);
  }
  SetDword(key, u"WakeUp", s->wakeUp);
  return RegCloseKey(key);
}

LONG SaveWakeUp(const Settings* s) {
  HKEY key = nullptr;
  LONG result = OpenForWriting(&key);
  if (result != ERROR_SUCCESS) return result;
  SetDword(key, u"WakeUp", s->wakeUp);
  return RegCloseKey(key);
}
