#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "equalizer/presets.h"
#include "testing/playertest.h"
#include "trackinfo/trackinfo.h"

namespace {

struct InitCall {
  LONG fadeIn, eqEnabled, start;
  std::vector<signed char> gains;
  bool mutexHeld;
};
std::vector<InitCall> g_calls;

// Whether another thread could take the decoder mutex right now.
bool MutexFreeElsewhere(HANDLE mutex) {
  struct Probe {
    HANDLE mutex;
    DWORD result;
  } probe{mutex, 0};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        Probe* pr = static_cast<Probe*>(p);
        pr->result = WaitForSingleObject(pr->mutex, 0);
        if (pr->result == WAIT_OBJECT_0) ReleaseMutex(pr->mutex);
        return 0;
      },
      &probe, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return probe.result == WAIT_OBJECT_0;
}

LONG RecordInit(LONG fadeIn, LONG eqEnabled, const signed char* gains, LONG start) {
  g_calls.push_back({fadeIn, eqEnabled, start, std::vector<signed char>(gains, gains + EQ_GAIN_COUNT),
                     !MutexFreeElsewhere(g_engine.decoderMutex)});
  return 0;
}

EqPreset Record(const char16_t* name, BYTE genre, signed char gain) {
  EqPreset p{};
  p.genre = genre;
  lstrcpynW(p.name, name, PRESET_NAME_UNITS);
  memset(p.gains, gain, EQ_GAIN_COUNT);
  return p;
}

class PresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = TestFolder("presets");
    PresetListInit();
    g_calls.clear();
    g_engine.KO_Init = RecordInit;
    g_engine.decoderMutex = CreateMutexW(nullptr, FALSE, nullptr);
    SettingsDefaults(&g_settings);
  }
  void TearDown() override {
    PresetClear();
    CloseHandle(g_engine.decoderMutex);
    g_engine.decoderMutex = nullptr;
    g_engine.KO_Init = nullptr;
  }
  std::string folder;
};

TEST(EqPresetLayout, IsTheEightyFourByteFileRecord) {
  EXPECT_EQ(sizeof(EqPreset), 84u);
  EXPECT_EQ(offsetof(EqPreset, name), 2u);
  EXPECT_EQ(offsetof(EqPreset, gains), 62u);
  EXPECT_EQ(offsetof(EqPreset, padding), 73u);
  EXPECT_EQ(offsetof(EqPreset, nextLink), 76u);
  EXPECT_EQ(offsetof(EqPreset, previousLink), 80u);
}

TEST_F(PresetTest, ResetGivesTheBuiltInsInOrder) {
  PresetReset();
  ASSERT_EQ(PresetCount(), 18u);
  EXPECT_EQ(std::u16string(PresetAt(0)->name), u"Default");
  EXPECT_EQ(std::u16string(PresetAt(13)->name), u"Rock");
  EXPECT_EQ(PresetAt(13)->genre, 17);
  EXPECT_EQ(std::u16string(PresetAt(17)->name), u"Techno");
  EXPECT_EQ(PresetAt(18), nullptr) << "an index equal to the count gives none";
}

TEST_F(PresetTest, AddOrUpdateMergesByNameAndClamps) {
  PresetReset();
  EqPreset rock = Record(u"Rock", 40, 3);
  EqPreset* merged = PresetAddOrUpdate(&rock);
  EXPECT_EQ(merged, PresetAt(13)) << "an existing name keeps its place";
  EXPECT_EQ(PresetCount(), 18u);
  EXPECT_EQ(merged->genre, 40);
  EXPECT_EQ(merged->gains[0], 3);

  EqPreset loud = Record(u"Loud", 255, 0);
  loud.gains[0] = -128;
  loud.gains[1] = 127;
  loud.gains[2] = -21;
  EqPreset* added = PresetAddOrUpdate(&loud);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added, PresetAt(18)) << "new presets go to the end";
  EXPECT_EQ(added->gains[0], -20);
  EXPECT_EQ(added->gains[1], 20);
  EXPECT_EQ(added->gains[2], -20);
  EXPECT_EQ(loud.gains[0], -20) << "the given record is clamped in place";

  EXPECT_EQ(PresetByName(u"rock"), nullptr) << "names compare case-sensitively";
  EXPECT_EQ(PresetByName(nullptr), nullptr);
  EXPECT_EQ(PresetByGenre(255), nullptr) << "255 never matches";
  EXPECT_EQ(PresetByGenre(40), merged);

  PresetRemove(added);
  EXPECT_EQ(PresetCount(), 18u);
  EXPECT_EQ(PresetByName(u"Loud"), nullptr);
}

TEST_F(PresetTest, ApplyEqualizerCallsTheDecoderUnderItsMutex) {
  signed char gains[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1};
  ApplyEqualizer(gains);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].fadeIn, 0);
  EXPECT_EQ(g_calls[0].eqEnabled, EqualizerOn);
  EXPECT_EQ(g_calls[0].start, -1) << "a live update never resets the stream";
  EXPECT_TRUE(g_calls[0].mutexHeld);
  EXPECT_TRUE(MutexFreeElsewhere(g_engine.decoderMutex)) << "the mutex is released afterwards";
  EXPECT_EQ(memcmp(g_settings.eq, gains, 11), 0) << "the live gains follow";

  g_settings.playerFlags &= ~EqualizerOn;
  signed char other[11] = {5};
  EqualizerUpdateDecoder(other);
  EXPECT_EQ(g_calls[1].eqEnabled, 0);
  EXPECT_EQ(g_calls[1].gains[0], 5);
  EXPECT_EQ(memcmp(g_settings.eq, gains, 11), 0) << "the decoder update alone leaves the live gains";
}

TEST_F(PresetTest, AutoPresetChoosesByGenre) {
  PresetReset();
  PlaylistEntry entry{};
  entry.genre = 17;
  AutoPreset(&entry);
  EXPECT_TRUE(g_calls.empty()) << "the setting is off by default";

  g_settings.autoPreset = 1;
  AutoPreset(&entry);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(memcmp(g_calls[0].gains.data(), PresetByName(u"Rock")->gains, 11), 0);

  EqPreset earlier = Record(u"Earlier", 17, 5);
  PresetClear();
  PresetAddOrUpdate(&earlier);
  for (const EqPreset& row : BuiltInPresets) {
    EqPreset copy = row;
    PresetAddOrUpdate(&copy);
  }
  AutoPreset(&entry);
  EXPECT_EQ(g_calls.back().gains[0], 5) << "the first preset of the genre wins";

  // No tag: the flat row, even with the list's own "Default" edited.
  EqPreset edited = Record(u"Default", 255, 9);
  PresetAddOrUpdate(&edited);
  PlaylistEntry untagged{};
  untagged.genre = 0xFF;
  AutoPreset(&untagged);
  EXPECT_EQ(g_calls.back().gains, std::vector<signed char>(11, 0));
  EXPECT_EQ(memcmp(g_settings.eq, BuiltInPresets[0].gains, 11), 0);
}

// ID3v2 genres as files carry them, "(17)Rock" and "Rock", choose "Rock".
TEST_F(PresetTest, AutoPresetFollowsId3v2Genres) {
  PresetReset();
  g_settings.autoPreset = 1;
  const char* source = std::getenv("LUMTRAX_SOURCE");
  for (const char* file : {"v24-utf8.mp3", "v23-utf16-cyrillic.mp3"}) {
    PlaylistEntry entry{};
    std::u16string path = DevicePath(std::string(source ? source : ".") + "/player/trackinfo/tests/fixtures/" + file);
    lstrcpynW(entry.path, path.c_str(), MAX_PATH);
    ASSERT_EQ(TrackProbe(&entry), 1) << file;
    AutoPreset(&entry);
    EXPECT_EQ(memcmp(g_calls.back().gains.data(), PresetByName(u"Rock")->gains, 11), 0) << file;
  }
}

TEST_F(PresetTest, RealDecoderAcceptsLiveGains) {
  if (!HostFileExists(BinFolder() + "/libkomp3dec.so")) GTEST_SKIP() << "no decoder library built";
  HMODULE decoder = LoadLibraryW(u"KOMP3DEC.DLL");
  ASSERT_NE(decoder, nullptr);
  g_engine.KO_Init = reinterpret_cast<KO_InitProc>(GetProcAddress(decoder, "KO_Init"));
  ASSERT_NE(g_engine.KO_Init, nullptr);
  PresetReset();
  g_settings.autoPreset = 1;
  PlaylistEntry entry{};
  entry.genre = 32;
  AutoPreset(&entry);
  EXPECT_EQ(memcmp(g_settings.eq, PresetByName(u"Classical")->gains, 11), 0);
  g_engine.KO_Init = nullptr;
  FreeLibrary(decoder);
}

}  // namespace
