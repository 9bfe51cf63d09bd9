#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "equalizer/presets.h"
#include "testing/playertest.h"

namespace {

Bytes Header(const char16_t* text = u"Lumtrax Equalize File 1.0") {
  Bytes b(50, 0);
  for (int i = 0; i < 25 && text[i]; i++) b[2 * i] = text[i] & 0xFF, b[2 * i + 1] = text[i] >> 8;
  return b;
}

void PutDword(Bytes& b, DWORD v) {
  for (int i = 0; i < 4; i++) b.push_back((unsigned char)(v >> (8 * i)));
}

Bytes RecordBytes(const char16_t* name, BYTE genre, signed char gain, DWORD linkFill = 0) {
  Bytes r(84, 0);
  r[0] = genre;
  for (int i = 0; name[i]; i++) r[2 + 2 * i] = name[i] & 0xFF, r[3 + 2 * i] = name[i] >> 8;
  memset(&r[62], (unsigned char)gain, 11);
  memset(&r[76], (int)(linkFill & 0xFF), 8);
  return r;
}

Bytes PresetFile(const std::vector<Bytes>& records, DWORD count) {
  Bytes b = Header();
  PutDword(b, count);
  for (const Bytes& r : records) b.insert(b.end(), r.begin(), r.end());
  return b;
}

class EqFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = TestFolder("eqfiles");
    PresetListInit();
  }
  void TearDown() override { PresetClear(); }
  std::u16string Write(const std::string& name, const Bytes& bytes) {
    WriteHostFile(folder + "/" + name, bytes);
    return DevicePath(folder + "/" + name);
  }
  std::u16string Name(DWORD i) { return PresetAt(i) ? std::u16string(PresetAt(i)->name) : u"<none>"; }
  std::string folder;
};

TEST_F(EqFileTest, PresetFileRoundTrip) {
  PresetReset();
  EqPreset mine{};
  lstrcpyW(mine.name, u"Mine");
  mine.genre = 9;
  mine.gains[10] = -7;
  PresetAddOrUpdate(&mine);
  std::u16string path = DevicePath(folder + "/Default.EQT");
  ASSERT_EQ(WritePresetFile(path.c_str()), 1);
  Bytes b = ReadHostFile(folder + "/Default.EQT");
  ASSERT_EQ(b.size(), 54u + 84 * 19);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 50), Header());
  EXPECT_EQ(b[50], 19);
  EXPECT_EQ(Bytes(b.begin() + 54 + 76, b.begin() + 54 + 84), Bytes(8, 0)) << "link words are written as 0";

  PresetClear();
  ASSERT_EQ(ReadPresetFile(path.c_str(), 1), 1);
  ASSERT_EQ(PresetCount(), 19u);
  EXPECT_EQ(Name(0), u"Default");
  EXPECT_EQ(Name(18), u"Mine");
  EXPECT_EQ(PresetAt(18)->genre, 9);
  EXPECT_EQ(PresetAt(18)->gains[10], -7);
}

TEST_F(EqFileTest, FirstRecordOtherThanDefaultGetsAFlatDefaultBeforeIt) {
  std::u16string path = Write("rock.eqt", PresetFile({RecordBytes(u"Rock", 17, 4, 0xAB), RecordBytes(u"Pop", 13, 2)}, 2));
  ASSERT_EQ(ReadPresetFile(path.c_str(), 1), 1);
  ASSERT_EQ(PresetCount(), 3u);
  EXPECT_EQ(Name(0), u"Default");
  EXPECT_EQ(PresetAt(0)->gains[3], 0);
  EXPECT_EQ(Name(1), u"Rock");
  EXPECT_EQ(PresetAt(1)->gains[0], 4);
  EXPECT_EQ(PresetAt(1)->nextLink, 0u) << "link words from the file are ignored";
  EXPECT_EQ(Name(2), u"Pop");

  // A name the locale's compare takes for "Default" is another name.
  path = Write("near.eqt", PresetFile({RecordBytes(u"Default\x03", 255, 5)}, 1));
  ASSERT_EQ(ReadPresetFile(path.c_str(), 1), 1);
  ASSERT_EQ(PresetCount(), 2u);
  EXPECT_EQ(Name(0), u"Default");
}

TEST_F(EqFileTest, CountsDuplicatesAndClamping) {
  std::u16string empty = Write("empty.eqt", PresetFile({}, 0));
  PresetReset();
  ASSERT_EQ(ReadPresetFile(empty.c_str(), 1), 1);
  EXPECT_EQ(PresetCount(), 0u) << "N = 0 gives an empty list";

  std::u16string dup = Write("dup.eqt", PresetFile({RecordBytes(u"Default", 255, 0), RecordBytes(u"A", 1, 3),
                                                    RecordBytes(u"A", 2, 127)},
                                                   3));
  ASSERT_EQ(ReadPresetFile(dup.c_str(), 1), 1);
  ASSERT_EQ(PresetCount(), 2u);
  EXPECT_EQ(PresetAt(1)->genre, 2) << "the last record of a name wins";
  EXPECT_EQ(PresetAt(1)->gains[0], 20);
  EXPECT_EQ(PresetAt(1)->gains[10], 20);

  // A count far beyond the records, and a record cut in half.
  Bytes cut = PresetFile({RecordBytes(u"Default", 255, 0), RecordBytes(u"B", 1, 1)}, 0xFFFFFFFF);
  cut.resize(cut.size() - 40);
  ASSERT_EQ(ReadPresetFile(Write("cut.eqt", cut).c_str(), 1), 1);
  EXPECT_EQ(PresetCount(), 1u);
}

TEST_F(EqFileTest, OnlyAMissingFileGivesBuiltIns) {
  ASSERT_EQ(ReadPresetFile(DevicePath(folder + "/none.eqt").c_str(), 1), 1);
  EXPECT_EQ(PresetCount(), 18u);
  PresetClear();
  ASSERT_EQ(ReadPresetFile(DevicePath(folder + "/no/such/none.eqt").c_str(), 1), 1);
  EXPECT_EQ(PresetCount(), 18u) << "a missing folder counts as a missing file";

  // A file that is there but cannot be opened keeps the list as it is.
  std::u16string held = Write("held.eqt", PresetFile({RecordBytes(u"Default", 255, 0)}, 1));
  HANDLE h = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  PresetClear();
  EXPECT_EQ(ReadPresetFile(held.c_str(), 1), 0);
  EXPECT_EQ(PresetCount(), 0u) << "no built-ins for a file held open";
  CloseHandle(h);
}

TEST_F(EqFileTest, FilesWithoutAWholeRecordKeepTheList) {
  PresetReset();
  Bytes plt = Header(u"Lumtrax Playlist File 1.1");
  PutDword(plt, 0);
  EXPECT_EQ(ReadPresetFile(Write("list.plt", plt).c_str(), 1), 0);
  EXPECT_EQ(ReadPresetFile(Write("tiny.eqt", Bytes{'L', 0}).c_str(), 1), 0);
  EXPECT_EQ(ReadPresetFile(Write("zero.eqt", Bytes{}).c_str(), 1), 0);
  EXPECT_EQ(ReadPresetFile(Write("nocount.eqt", Header()).c_str(), 1), 0);
  EXPECT_EQ(ReadPresetFile(Write("norecord.eqt", PresetFile({}, 1)).c_str(), 1), 0);
  Bytes half = PresetFile({RecordBytes(u"Rock", 17, 1)}, 1);
  half.resize(half.size() - 1);
  EXPECT_EQ(ReadPresetFile(Write("half.eqt", half).c_str(), 1), 0);
  // A value file: its record's first bytes read as the count.
  Bytes eqv = Header();
  Bytes bass = RecordBytes(u"Bass", 0, 4);
  eqv.insert(eqv.end(), bass.begin(), bass.end());
  EXPECT_EQ(ReadPresetFile(Write("bass.eqv", eqv).c_str(), 1), 0);
  EXPECT_EQ(PresetCount(), 18u) << "a wrong file must not cost the user's presets";
}

TEST_F(EqFileTest, ValueFiles) {
  EqPreset bass{};
  lstrcpyW(bass.name, u"Bass");
  bass.genre = 0;
  bass.gains[0] = 12;
  std::u16string path = DevicePath(folder + "/Bass.EQV");
  ASSERT_EQ(WriteValueFile(path.c_str(), &bass), 1);
  Bytes b = ReadHostFile(folder + "/Bass.EQV");
  ASSERT_EQ(b.size(), 134u);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 50), Header());

  EqPreset read{};
  ASSERT_EQ(ReadValueFile(path.c_str(), &read), 1);
  EXPECT_EQ(std::u16string(read.name), u"Bass");
  EXPECT_EQ(read.genre, 0);
  EXPECT_EQ(read.gains[0], 12);

  // Short file: what it lacks reads as zero.
  Bytes shortFile = Header();
  Bytes rec = RecordBytes(u"Half", 3, 5);
  shortFile.insert(shortFile.end(), rec.begin(), rec.begin() + 64);
  EqPreset half{};
  ASSERT_EQ(ReadValueFile(Write("half.eqv", shortFile).c_str(), &half), 1);
  EXPECT_EQ(std::u16string(half.name), u"Half");
  EXPECT_EQ(half.gains[0], 5);
  EXPECT_EQ(half.gains[2], 0);

  // An unterminated name is cut to 29 units.
  Bytes longName = Header();
  Bytes full = RecordBytes(u"", 0, 0);
  for (int i = 0; i < 30; i++) full[2 + 2 * i] = 'x';
  longName.insert(longName.end(), full.begin(), full.end());
  EqPreset cut{};
  ASSERT_EQ(ReadValueFile(Write("long.eqv", longName).c_str(), &cut), 1);
  EXPECT_EQ(std::u16string(cut.name), std::u16string(29, u'x'));

  EqPreset untouched = bass;
  EXPECT_EQ(ReadValueFile(Write("wrong.eqv", Header(u"Lumtrax Equalize File 2.0")).c_str(), &untouched), 0);
  EXPECT_EQ(ReadValueFile(DevicePath(folder + "/none.eqv").c_str(), &untouched), 0);
  EXPECT_EQ(memcmp(&untouched, &bass, sizeof(bass)), 0) << "a failed read changes nothing";
}

TEST_F(EqFileTest, FailedSaveKeepsTheOldFile) {
  PresetReset();
  std::u16string path = DevicePath(folder + "/keep.eqt");
  ASSERT_EQ(WritePresetFile(path.c_str()), 1);
  Bytes before = ReadHostFile(folder + "/keep.eqt");
  PresetClear();
  std::filesystem::create_directory(folder + "/keep.eqt.new");
  EXPECT_EQ(WritePresetFile(path.c_str()), 0);
  EXPECT_EQ(ReadHostFile(folder + "/keep.eqt"), before);
  EqPreset p{};
  EXPECT_EQ(WriteValueFile(DevicePath(folder + "/no/such/dir/x.eqv").c_str(), &p), 0);
}

}  // namespace
