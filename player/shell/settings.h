// The in-memory record of every persistent option, and its registry store
// under HKEY_LOCAL_MACHINE\software\Oakhaven\Lumtrax.
#pragma once
#include <windows.h>

struct PlayerEngine;

// PlayerFlags: one status byte shared by shell and engine.
#define NoMemory 0x01
#define DecoderIdle 0x08
#define EqualizerOn 0x10
#define SoundOn 0x20
#define Seeking 0x40
#define TrackOpen 0x80
#define PLAYER_FLAGS_DEFAULT 0x30

#define KEY_ACTION_COUNT 20
#define MEDIA_KEY_COUNT 17
#define EQ_GAIN_COUNT 11
#define PRESET_NAME_UNITS 30
#define ACTION_COUNT 13

struct MediaKey {
  DWORD virtualKey;
  DWORD modifiers;
  DWORD action;
};

struct Settings {
  DWORD playAtOpen;
  DWORD autoRepeat;
  DWORD shuffle;
  DWORD disablePowerSave;
  DWORD autoPreset;
  DWORD fadeIn;
  DWORD noWelcome;
  DWORD keyActions[KEY_ACTION_COUNT];  // VKUp .. VKEnter, VKButton1 .. VKButtonF
  DWORD enableVK;
  MediaKey mediaKeys[MEDIA_KEY_COUNT];
  DWORD audioBuffer;
  DWORD spectrumSpeed;
  DWORD spectrumOff;
  DWORD cacheBuffer;
  DWORD cacheSync;
  DWORD useCache;
  signed char eq[EQ_GAIN_COUNT];
  WCHAR recentEq[PRESET_NAME_UNITS];
  DWORD minusTime;
  DWORD plState;
  DWORD wakeUp;
  BYTE playerFlags;
  DWORD volume;
  DWORD decoderStart;
};

extern Settings g_settings;
extern const WCHAR SettingsKeyPath[];

// Compiled-in defaults.
void SettingsDefaults(Settings* settings);
// Registry results: ERROR_SUCCESS or the registry error.
LONG LoadSettings(Settings* settings, PlayerEngine* engine);
LONG SaveSettings(const Settings* settings, const PlayerEngine* engine);
LONG SaveWakeUp(const Settings* settings);
