#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/playertest.h"
#include "trackinfo/trackinfo.h"

namespace {

std::u16string Title(const PlaylistEntry& e) { return std::u16string(e.title); }
std::u16string Duration(const PlaylistEntry& e) { return std::u16string(e.durationText); }

struct Probed {
  int ok;
  PlaylistEntry entry;
};

Probed Probe(const std::string& folder, const std::string& name, const Bytes& bytes) {
  std::string host = folder + "/" + name;
  WriteHostFile(host, bytes);
  Probed p{};
  std::u16string path = DevicePath(host);
  lstrcpynW(p.entry.path, path.c_str(), MAX_PATH);
  p.ok = TrackProbe(&p.entry);
  return p;
}

class TrackProbeTest : public ::testing::Test {
 protected:
  void SetUp() override { folder = TestFolder("probe"); }
  std::string folder;
};


TEST_F(TrackProbeTest, ConstantRateFileGivesRateChannelsDurationAndFileTitle) {
  Mp3Spec shape;
  shape.audioBytes = 1280000;
  Probed p = Probe(folder, "Track.01.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.entry.sampleRate, 44100u);
  EXPECT_EQ(p.entry.channels, 2u);
  EXPECT_EQ(p.entry.bitRate, 128000);
  EXPECT_EQ(p.entry.audioStart, 0u);
  EXPECT_EQ(p.entry.audioBytes, 1280000u);
  EXPECT_EQ(p.entry.durationSeconds, 80u);
  EXPECT_EQ(Duration(p.entry), u"01:20");
  EXPECT_EQ(Title(p.entry), u"Track");
  EXPECT_EQ(p.entry.flags, 0);
  const unsigned char header[5] = {0xFF, 0xFB, 0x90, 0x00, 0x00};
  EXPECT_EQ(memcmp(p.entry.frameHeader, header, 5), 0);
  unsigned char noTag[128] = {};
  noTag[127] = 0xFF;
  EXPECT_EQ(memcmp(p.entry.tag, noTag, 128), 0) << "a missing tag is all zero with genre 0xFF";
}

TEST_F(TrackProbeTest, HourLongTitleShowsHours) {
  Mp3Spec shape;
  shape.frame.b1 = 0xF3;  // MPEG-2 Layer III
  shape.frame.b2 = 0x10;  // 8 kbit/s, 22050 Hz
  shape.audioBytes = 3600 * 1000;
  Probed p = Probe(folder, "long.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.entry.sampleRate, 22050u);
  EXPECT_EQ(p.entry.bitRate, 8000);
  EXPECT_EQ(p.entry.durationSeconds, 3600u);
  EXPECT_EQ(Duration(p.entry), u"01:00:00");
}

TEST_F(TrackProbeTest, SampleRatesAndChannelsFollowTheHeader) {
  struct Case {
    unsigned char b1, b2, b3;
    DWORD rate, channels;
    LONG bitRate;
  } const cases[] = {
      {0xFB, 0x94, 0xC0, 48000, 1, 128000},  // MPEG-1, single channel
      {0xFB, 0x98, 0x40, 32000, 2, 128000},  // joint stereo counts as two
      {0xF3, 0x90, 0x00, 22050, 2, 80000},   // MPEG-2 index 0
      {0xE3, 0x90, 0x00, 11025, 2, 80000},   // MPEG-2.5 index 0
      {0xE3, 0x98, 0x00, 8000, 2, 80000},    // MPEG-2.5 index 2
      {0xFD, 0x90, 0x00, 44100, 2, 160000},  // MPEG-1 Layer II
      {0xFF, 0x90, 0x00, 44100, 2, 288000},  // MPEG-1 Layer I
      {0xF7, 0x90, 0x00, 22050, 2, 144000},  // MPEG-2 Layer I
      {0xF5, 0x90, 0x00, 22050, 2, 80000},   // MPEG-2 Layer II
  };
  for (const Case& c : cases) {
    Mp3Spec shape;
    shape.frame = {c.b1, c.b2, c.b3};
    Probed p = Probe(folder, "rate.mp3", MakeMp3(shape));
    ASSERT_EQ(p.ok, 1) << std::hex << int(c.b1) << " " << int(c.b2);
    EXPECT_EQ(p.entry.sampleRate, c.rate) << std::hex << int(c.b1) << " " << int(c.b2);
    EXPECT_EQ(p.entry.channels, c.channels);
    EXPECT_EQ(p.entry.bitRate, c.bitRate) << std::hex << int(c.b1) << " " << int(c.b2);
  }
}

TEST_F(TrackProbeTest, Id3v2TagIsSkippedBeforeTheSearch) {
  Mp3Spec shape;
  shape.id3v2Size = 1000;
  Bytes bytes = MakeMp3(shape);
  // A frame-like pattern inside the tag must not be taken.
  bytes[500] = 0xFF, bytes[501] = 0xFB, bytes[502] = 0x50, bytes[503] = 0x00;
  Probed p = Probe(folder, "id3.mp3", bytes);
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.entry.audioStart, 1010u);
  EXPECT_EQ(p.entry.audioBytes, bytes.size() - 1010);
  EXPECT_EQ(p.entry.bitRate, 128000);
}

TEST_F(TrackProbeTest, FrameSearchCrossesBlockBorders) {
  for (size_t offset : {size_t(1018), size_t(1019), size_t(1023), size_t(2037), size_t(2038), size_t(5000)}) {
    Mp3Spec shape;
    shape.leadingJunk = offset;
    Probed p = Probe(folder, "late.mp3", MakeMp3(shape));
    ASSERT_EQ(p.ok, 1) << "frame at " << offset;
    EXPECT_EQ(p.entry.audioStart, offset);
    EXPECT_EQ(p.entry.frameHeader[0], 0xFF);
    EXPECT_EQ(p.entry.frameHeader[1], 0xFB);
  }
}

TEST_F(TrackProbeTest, FindFrameSyncAddsTheDistanceToTheStartOffset) {
  Mp3Spec shape;
  shape.leadingJunk = 1500;
  std::string host = folder + "/sync.mp3";
  WriteHostFile(host, MakeMp3(shape));
  HANDLE file = CreateFileW(DevicePath(host).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 100, nullptr, FILE_BEGIN);
  DWORD start = 100;
  BYTE header[5] = {};
  EXPECT_EQ(FindFrameSync(file, GetFileSize(file, nullptr), &start, header), 1);
  EXPECT_EQ(start, 1500u);
  CloseHandle(file);
}

TEST_F(TrackProbeTest, XingHeaderSetsVariableRateAndMovesTheStart) {
  Mp3Spec shape;
  shape.xing = true;
  shape.xingFlags = 0xF;
  shape.xingQuality = 50;
  Probed p = Probe(folder, "vbr.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.entry.bitRate, 128000);
  EXPECT_EQ(p.entry.flags & EntryVbr, EntryVbr);
  EXPECT_EQ(p.entry.audioStart, 0u + 32 + 7 + 4 + 4 + 100 + 4);

  struct Case {
    unsigned flags, quality;
    LONG bitRate;
    DWORD start;
  } const cases[] = {
      {0x0, 0, 96000, 32 + 7},          {0x8, 0, 96000, 32 + 7 + 4},
      {0x8, 15, 96000, 32 + 7 + 4},     {0x8, 16, 112000, 32 + 7 + 4},
      {0x8, 41, 128000, 32 + 7 + 4},    {0x8, 63, 160000, 32 + 7 + 4},
      {0x8, 88, 192000, 32 + 7 + 4},    {0x8, 1000, 192000, 32 + 7 + 4},
      {0x8, 0x80000000u, 96000, 32 + 7 + 4}, {0x3, 0, 96000, 32 + 7 + 8},
  };
  for (const Case& c : cases) {
    shape.xingFlags = c.flags;
    shape.xingQuality = c.quality;
    p = Probe(folder, "vbr.mp3", MakeMp3(shape));
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.entry.bitRate, c.bitRate) << "flags " << c.flags << " quality " << c.quality;
    EXPECT_EQ(p.entry.audioStart, c.start) << "flags " << c.flags;
  }

  // Single-channel MPEG-1 keeps 17 bytes of side information.
  shape.frame.b3 = 0xC0;
  shape.xingFlags = 0;
  p = Probe(folder, "vbr.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.entry.audioStart, 17u + 7);
  EXPECT_EQ(p.entry.flags & EntryVbr, EntryVbr);
}

TEST_F(TrackProbeTest, Id3v1TitleAndBlankTitles) {
  Mp3Spec shape;
  shape.tag = true;
  shape.genre = 17;
  shape.id3v1Title = "Song                          ";
  shape.audioBytes = 16000;
  Probed p = Probe(folder, "a.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(Title(p.entry), u"Song");
  EXPECT_EQ(p.entry.tag[127], 17);
  EXPECT_EQ(p.entry.audioBytes, 16000u) << "the tag is not audio";
  EXPECT_EQ(p.entry.durationSeconds, 1u);

  shape.id3v1Title = std::string(30, ' ');
  p = Probe(folder, "Blank Title.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(Title(p.entry), u"Blank Title");
  EXPECT_EQ(p.entry.tag[0], 0) << "a blank title wipes the tag";
  EXPECT_EQ(p.entry.tag[127], 0xFF);
  EXPECT_EQ(p.entry.audioBytes, 16000u) << "a wiped tag still counts as present";

  shape.id3v1Title = std::string("\0Hidden", 7);
  p = Probe(folder, "nul.mp3", MakeMp3(shape));
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(Title(p.entry), u"") << "a title starting with NUL is not blank";
  EXPECT_EQ(p.entry.tag[127], 17);
}

TEST_F(TrackProbeTest, UnusableFilesAreRefused) {
  Bytes ff(20000, 0xFF);  // Layer I with bit-rate index 15 everywhere
  EXPECT_EQ(Probe(folder, "ff.mp3", ff).ok, 0);
  Bytes reserved = MakeMp3(Mp3Spec{});
  reserved[1] = 0xEB;  // version 01
  EXPECT_EQ(Probe(folder, "reserved.mp3", reserved).ok, 0);
  Bytes badRate = MakeMp3(Mp3Spec{});
  badRate[2] = 0x9C;  // sample-rate index 3
  EXPECT_EQ(Probe(folder, "badrate.mp3", badRate).ok, 0);
  Bytes freeFormat = MakeMp3(Mp3Spec{});
  freeFormat[2] = 0x00;  // bit-rate index 0
  EXPECT_EQ(Probe(folder, "free.mp3", freeFormat).ok, 0);

  EXPECT_EQ(Probe(folder, "empty.mp3", {}).ok, 0);
  EXPECT_EQ(Probe(folder, "two.mp3", {0xFF, 0xFB}).ok, 0);
  EXPECT_EQ(Probe(folder, "id3short.mp3", {'I', 'D', '3', 3, 0}).ok, 0);
  Mp3Spec shortTail;
  shortTail.audioBytes = 204;  // the frame start needs 205 bytes behind it
  EXPECT_EQ(Probe(folder, "short.mp3", MakeMp3(shortTail)).ok, 0);
  shortTail.audioBytes = 205;
  EXPECT_EQ(Probe(folder, "enough.mp3", MakeMp3(shortTail)).ok, 1);

  Mp3Spec hugeTag;
  hugeTag.id3v2Size = 0x0FFFFFFF;  // points far beyond the end
  Bytes bytes = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  bytes.resize(3000, 0);
  EXPECT_EQ(Probe(folder, "hugetag.mp3", bytes).ok, 0);

  PlaylistEntry endless{};
  lstrcpyW(endless.path, u"\\dev\\zero");
  EXPECT_EQ(TrackProbe(&endless), 0) << "a device without end is refused, not read forever";

  PlaylistEntry missing{};
  lstrcpyW(missing.path, u"\\nonexistent\\folder\\x.mp3");
  EXPECT_EQ(TrackProbe(&missing), 0);
}

TEST_F(TrackProbeTest, TagOverlappingTheAudioGivesNoNegativeLength) {
  Mp3Spec shape;
  shape.audioBytes = 205;
  shape.xing = true;
  shape.xingFlags = 0xF;
  Bytes bytes = MakeMp3(shape);
  // Make the last 128 bytes a tag: the tag now covers the Xing data.
  memcpy(&bytes[bytes.size() - 128], "TAGTitle", 8);
  Probed p = Probe(folder, "overlap.mp3", bytes);
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.entry.audioBytes, 0u);
  EXPECT_EQ(p.entry.durationSeconds, 0u);
}

TEST(GenreNamesTest, RowsAndUnknown) {
  EXPECT_EQ(std::u16string(GenreName(0)), u"Blues");
  EXPECT_EQ(std::u16string(GenreName(17)), u"Rock");
  EXPECT_EQ(std::u16string(GenreName(117)), u"Poweer Ballad");
  EXPECT_EQ(std::u16string(GenreName(123)), u"A Capela");
  EXPECT_EQ(std::u16string(GenreName(125)), u"Dance Hall");
  EXPECT_EQ(std::u16string(GenreName(126)), u"Default");
  EXPECT_EQ(std::u16string(GenreName(127)), u"Unknown");
  EXPECT_EQ(std::u16string(GenreName(200)), u"Unknown");
  EXPECT_EQ(std::u16string(GenreName(0xFF)), u"Unknown");
  for (int i = 0; i < GENRE_COUNT; i++) ASSERT_NE(GenreNames[i], nullptr) << i;
}

TEST(TagTextTest, BlankFields) {
  const BYTE blank[4] = {' ', '\t', '\r', '\n'};
  EXPECT_EQ(IsBlankField(blank, 4), 1);
  const BYTE word[4] = {' ', 'a', ' ', ' '};
  EXPECT_EQ(IsBlankField(word, 4), 0);
  const BYTE nul[4] = {0, ' ', ' ', ' '};
  EXPECT_EQ(IsBlankField(nul, 4), 0) << "a field starting with NUL is not blank";
  const BYTE spaceThenNul[4] = {' ', ' ', 0, 0};
  EXPECT_EQ(IsBlankField(spaceThenNul, 4), 0);
}

TEST(TagTextTest, OemToWideConvertsWholeFieldsThatFit) {
  WCHAR out[40];
  const BYTE field[6] = {'A', 'b', 0, 'c', ' ', ' '};
  OemToWide(field, 6, out, 40);
  EXPECT_EQ(out[0], u'A');
  EXPECT_EQ(out[1], u'b');
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], u'c') << "NUL bytes are converted, not ends";
  const BYTE empty[3] = {0, 'x', 'y'};
  out[0] = u'Z';
  OemToWide(empty, 3, out, 40);
  EXPECT_EQ(out[0], 0);
  const BYTE tooLong[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
  OemToWide(tooLong, 6, out, 4);
  EXPECT_EQ(out[0], 0) << "a field that does not fit is not converted";
}

TEST(TagTextTest, TitleFromPathAndTrim) {
  WCHAR title[TITLE_UNITS];
  TitleFromPath(u"\\Storage Card\\Music\\Track.01.mp3", title);
  EXPECT_EQ(std::u16string(title), u"Track");
  TitleFromPath(u"NoFolder.mp2", title);
  EXPECT_EQ(std::u16string(title), u"NoFolder");
  TitleFromPath(u"\\x\\NoDot", title);
  EXPECT_EQ(std::u16string(title), u"NoDot");
  TitleFromPath(u"\\x\\.hidden", title);
  EXPECT_EQ(std::u16string(title), u"");

  WCHAR text[8] = {u'a', u' ', u'b', u' ', u' ', 0, u' ', 0};
  TrimTrailingBlanks(text, 8);
  EXPECT_EQ(std::u16string(text), u"a b");
  for (int i = 3; i < 8; i++) EXPECT_EQ(text[i], 0);
}

TEST(TagTextTest, DurationText) {
  WCHAR text[DURATION_UNITS];
  FormatDuration(0, text, DURATION_UNITS);
  EXPECT_EQ(std::u16string(text), u"00:00");
  FormatDuration(80, text, DURATION_UNITS);
  EXPECT_EQ(std::u16string(text), u"01:20");
  FormatDuration(3599, text, DURATION_UNITS);
  EXPECT_EQ(std::u16string(text), u"59:59");
  FormatDuration(3600, text, DURATION_UNITS);
  EXPECT_EQ(std::u16string(text), u"01:00:00");
  FormatDuration(100 * 3600 + 61, text, DURATION_UNITS);
  EXPECT_EQ(std::u16string(text), u"100:01:01");
}
}  // namespace
