#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine.h"
#include "shell/settings.h"
#include "testing/playertest.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestFolder("settings");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyPath);
    SettingsDefaults(&settings);
    engine = PlayerEngine{};
  }
  HKEY Key() {
    HKEY key = nullptr;
    DWORD disposition;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    return key;
  }
  void Store(LPCWSTR name, DWORD type, const void* data, DWORD size) {
    HKEY key = Key();
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  void StoreDword(LPCWSTR name, DWORD value) { Store(name, REG_DWORD, &value, 4); }
  // Type and size of a stored value, or {0, 0} when it is missing.
  std::pair<DWORD, DWORD> Stored(LPCWSTR name) {
    HKEY key = Key();
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? std::make_pair(type, size) : std::make_pair(DWORD(0), DWORD(0));
  }
  Settings settings;
  PlayerEngine engine;
};

TEST_F(SettingsTest, DefaultsWhenTheKeyIsMissing) {
  EXPECT_NE(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(settings.playAtOpen, 1u);
  EXPECT_EQ(settings.autoRepeat, 1u);
  EXPECT_EQ(settings.shuffle, 0u);
  EXPECT_EQ(settings.disablePowerSave, 1u);
  EXPECT_EQ(settings.audioBuffer, 50u);
  EXPECT_EQ(settings.spectrumSpeed, 10u);
  EXPECT_EQ(settings.cacheBuffer, 1u);
  EXPECT_EQ(settings.playerFlags, 0x30);
  EXPECT_EQ(settings.volume, 50u);
  EXPECT_EQ(std::u16string(settings.recentEq), u"Default");
  EXPECT_EQ(settings.mediaKeys[0].virtualKey, 0xCAu);
  EXPECT_EQ(settings.mediaKeys[16].virtualKey, 0xB3u);
  EXPECT_EQ(settings.mediaKeys[16].action, 8u);
  for (DWORD a : settings.keyActions) EXPECT_EQ(a, 0u);
}

TEST_F(SettingsTest, SaveWritesEveryValueWithItsTypeAndLoadReadsItBack) {
  settings.shuffle = 1;
  settings.autoRepeat = 0;
  settings.keyActions[0] = 3;
  settings.keyActions[13] = 7;  // VKButton9
  settings.keyActions[14] = 8;  // VKButtonA
  settings.keyActions[19] = 12; // VKButtonF
  settings.audioBuffer = 150;
  settings.spectrumSpeed = 4;
  settings.cacheBuffer = 5;
  settings.useCache = 1;
  settings.plState = 1;
  settings.wakeUp = 0x1234;
  settings.eq[0] = -20;
  settings.eq[10] = 17;
  settings.playerFlags &= ~EqualizerOn;
  lstrcpyW(settings.recentEq, u"Rock");
  // A shorter path over a longer one: the tail of the first is not stored.
  lstrcpyW(engine.filePath, u"\\My Documents\\Earlier title.mp3");
  lstrcpyW(engine.filePath, u"\\Storage Card\\a.mp3");
  ASSERT_EQ(SaveSettings(&settings, &engine), ERROR_SUCCESS);
  {
    WCHAR stored[MAX_PATH];
    DWORD type, size = sizeof(stored);
    HKEY key = Key();
    ASSERT_EQ(RegQueryValueExW(key, u"Recent Music", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    int len = lstrlenW(u"\\Storage Card\\a.mp3");
    for (int i = len; i < MAX_PATH; i++) ASSERT_EQ(stored[i], 0) << i;
  }

  EXPECT_EQ(Stored(u"VKButton9"), std::make_pair(DWORD(REG_DWORD), DWORD(4)));
  EXPECT_EQ(Stored(u"VKButtonA"), std::make_pair(DWORD(REG_DWORD), DWORD(4)));
  EXPECT_EQ(Stored(u"VKButtonF"), std::make_pair(DWORD(REG_DWORD), DWORD(4)));
  EXPECT_EQ(Stored(u"VKButton10").first, 0u);
  EXPECT_EQ(Stored(u"EQ00"), std::make_pair(DWORD(REG_BINARY), DWORD(1)));
  EXPECT_EQ(Stored(u"EQ10"), std::make_pair(DWORD(REG_BINARY), DWORD(1)));
  EXPECT_EQ(Stored(u"Recent Music"), std::make_pair(DWORD(REG_SZ), DWORD(520)));
  EXPECT_EQ(Stored(u"Recent EQ"), std::make_pair(DWORD(REG_SZ), DWORD(60)));
  EXPECT_EQ(Stored(u"Enable Equalizer"), std::make_pair(DWORD(REG_DWORD), DWORD(4)));
  Settings loaded;
  SettingsDefaults(&loaded);
  PlayerEngine loadedEngine{};
  ASSERT_EQ(LoadSettings(&loaded, &loadedEngine), ERROR_SUCCESS);
  EXPECT_EQ(loaded.shuffle, 1u);
  EXPECT_EQ(loaded.autoRepeat, 0u);
  EXPECT_EQ(loaded.keyActions[0], 3u);
  EXPECT_EQ(loaded.keyActions[13], 7u);
  EXPECT_EQ(loaded.keyActions[14], 8u);
  EXPECT_EQ(loaded.keyActions[19], 12u);
  EXPECT_EQ(loaded.audioBuffer, 150u);
  EXPECT_EQ(loaded.spectrumSpeed, 4u);
  EXPECT_EQ(loaded.cacheBuffer, 5u);
  EXPECT_EQ(loaded.useCache, 1u);
  EXPECT_EQ(loaded.plState, 1u);
  EXPECT_EQ(loaded.wakeUp, 0x1234u);
  EXPECT_EQ(loaded.eq[0], -20);
  EXPECT_EQ(loaded.eq[10], 17);
  EXPECT_EQ(loaded.playerFlags & EqualizerOn, 0) << "a stored 0 turns the equalizer off";
  EXPECT_EQ(std::u16string(loaded.recentEq), u"Rock");
  EXPECT_EQ(std::u16string(loadedEngine.filePath), u"\\Storage Card\\a.mp3");
}

TEST_F(SettingsTest, ZeroAndWrongTypedValuesAreIgnored) {
  StoreDword(u"AudioBuffer", 0);
  StoreDword(u"Equalizer Spectrum Speed", 0);
  Store(u"Shuffle", REG_SZ, u"1", 4);
  Store(u"AutoRepeat", REG_BINARY, "\0\0\0\0", 4);
  StoreDword(u"EQ03", 5);
  Store(u"EQ04", REG_BINARY, "\x07\x07", 2);
  Store(u"EQ05", REG_BINARY, "\xF6", 1);
  Store(u"WakeUp", REG_SZ, u"7", 4);
  ASSERT_EQ(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(settings.audioBuffer, 50u) << "a stored 0 leaves the ring at 50 buffers";
  EXPECT_EQ(settings.spectrumSpeed, 10u);
  EXPECT_EQ(settings.shuffle, 0u);
  EXPECT_EQ(settings.autoRepeat, 1u);
  EXPECT_EQ(settings.eq[3], 0);
  EXPECT_EQ(settings.eq[4], 0) << "a gain longer than one byte is not taken";
  EXPECT_EQ(settings.eq[5], -10);
  EXPECT_EQ(settings.wakeUp, 0u);
}

TEST_F(SettingsTest, EnableEqualizerOnlyEverTurnsItOff) {
  StoreDword(u"Enable Equalizer", 1);
  settings.playerFlags = SoundOn;  // off before loading
  ASSERT_EQ(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(settings.playerFlags & EqualizerOn, 0) << "a stored 1 has no effect";
  SettingsDefaults(&settings);
  Store(u"Enable Equalizer", REG_SZ, u"0", 4);
  ASSERT_EQ(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(settings.playerFlags & EqualizerOn, EqualizerOn);
}

TEST_F(SettingsTest, TextsFallBackAndStayTerminated) {
  Store(u"Recent EQ", REG_SZ, u"", 2);
  WCHAR longPath[260];
  for (WCHAR& c : longPath) c = u'p';
  Store(u"Recent Music", REG_BINARY, longPath, sizeof(longPath));
  ASSERT_EQ(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(settings.recentEq), u"Default");
  EXPECT_EQ(std::u16string(engine.filePath), std::u16string(259, u'p'));

  WCHAR longName[30];
  for (WCHAR& c : longName) c = u'n';
  Store(u"Recent EQ", REG_SZ, longName, sizeof(longName));
  ASSERT_EQ(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(settings.recentEq), std::u16string(29, u'n'));
}

TEST_F(SettingsTest, OutOfRangeValuesArePulledIntoTheDialogRanges) {
  StoreDword(u"AudioBuffer", 7);
  StoreDword(u"CacheBuffer", 500);
  StoreDword(u"Equalizer Spectrum Speed", 0xFFFFFFFF);
  StoreDword(u"VKUp", 99);
  StoreDword(u"PLState", 5);
  ASSERT_EQ(LoadSettings(&settings, &engine), ERROR_SUCCESS);
  EXPECT_EQ(settings.audioBuffer, 50u);
  EXPECT_EQ(settings.cacheBuffer, 20u);
  EXPECT_EQ(settings.spectrumSpeed, 10u);
  EXPECT_EQ(settings.keyActions[0], 0u);
  EXPECT_EQ(settings.plState, 0u);
}

TEST_F(SettingsTest, SaveWakeUpWritesOnlyWakeUp) {
  settings.wakeUp = 42;
  ASSERT_EQ(SaveWakeUp(&settings), ERROR_SUCCESS);
  EXPECT_EQ(Stored(u"WakeUp"), std::make_pair(DWORD(REG_DWORD), DWORD(4)));
  EXPECT_EQ(Stored(u"PlayAtOpen").first, 0u);
  Settings loaded;
  SettingsDefaults(&loaded);
  ASSERT_EQ(LoadSettings(&loaded, &engine), ERROR_SUCCESS);
  EXPECT_EQ(loaded.wakeUp, 42u);
}

}  // namespace
