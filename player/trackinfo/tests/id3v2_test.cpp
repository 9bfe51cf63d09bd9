#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/playertest.h"
#include "trackinfo/trackinfo.h"

namespace {

Bytes Header(BYTE version, BYTE flags) { return {'I', 'D', '3', version, 0, flags, 0, 0, 0, 0}; }

const size_t kSilence = 4170;  // the fixtures' ten frames

struct Probed {
  int ok;
  PlaylistEntry entry;
};

class Id3v2Test : public ::testing::Test {
 protected:
  void SetUp() override { folder = TestFolder("id3v2"); }

  Probed Probe(const std::string& name, const Bytes& bytes) {
    std::string host = folder + "/" + name;
    WriteHostFile(host, bytes);
    Probed p{};
    lstrcpynW(p.entry.path, DevicePath(host).c_str(), MAX_PATH);
    p.ok = TrackProbe(&p.entry);
    return p;
  }

  static Bytes Fixture(const std::string& name) {
    const char* source = std::getenv("LUMTRAX_SOURCE");
    return ReadHostFile(std::string(source ? source : ".") + "/player/trackinfo/tests/fixtures/" + name);
  }

  std::string folder;
};

std::u16string S(const WCHAR* text) { return std::u16string(text); }

TEST_F(Id3v2Test, FixturesOfEveryVersionAndEncoding) {
  struct Case {
    const char* file;
    const char16_t *title, *artist, *album, *year, *genreText;
    BYTE genre, tags;
    DWORD track;
  } const cases[] = {
      {"v24-utf8.mp3", u"Łódź Ünïcode", u"Motörhead Ensemble", u"Été à Paris", u"2004", u"Rock", 17, EntryId3v2, 3},
      {"v23-utf16-cyrillic.mp3", u"Звезда по имени Солнце", u"Кино", u"Звезда", u"1989", u"Rock", 17, EntryId3v2, 0},
      {"v24-utf16be-japanese.mp3", u"夜に駆ける", u"YOASOBI", u"", u"", u"Pop", 13, EntryId3v2, 0},
      {"v23-latin1.mp3", u"Café del Mar", u"José Padilla", u"Volumen Uno", u"1994", u"Ambient", 26, EntryId3v2, 0},
      {"v22.mp3", u"Tiny Version Two", u"Old Writer", u"", u"1998", u"Rock", 17, EntryId3v2, 0},
      {"v24-footer.mp3", u"Footer Song", u"", u"", u"", u"Rock", 17, EntryId3v2, 0},
      {"v23-unsync.mp3", u"Unsync ÿà Title", u"ÿà Latin", u"", u"", u"", 0xFF, EntryId3v2, 0},
      // Damage in the second frame: the title before it stands.
      {"truncated.mp3", u"Before The Damage", u"", u"", u"", u"", 0xFF, EntryId3v2, 0},
      // Both tags: ID3v2 wins where it speaks, ID3v1 fills the rest.
      {"both-tags.mp3", u"Title From Version Two", u"", u"", u"", u"Jazz", 8, EntryId3v1 | EntryId3v2, 0},
      {"v1-only.mp3", u"Only Version One", u"Old Artist", u"Old Album", u"1999", u"Rock", 17, EntryId3v1, 0},
  };
  for (const Case& c : cases) {
    Bytes bytes = Fixture(c.file);
    ASSERT_GT(bytes.size(), kSilence) << c.file << ": run tools/make-id3v2-fixtures.sh";
    Probed p = Probe(c.file, bytes);
    ASSERT_EQ(p.ok, 1) << c.file;
    const PlaylistEntry& e = p.entry;
    EXPECT_EQ(S(e.title), c.title) << c.file;
    EXPECT_EQ(S(e.artist), c.artist) << c.file;
    EXPECT_EQ(S(e.album), c.album) << c.file;
    EXPECT_EQ(S(e.year), c.year) << c.file;
    EXPECT_EQ(S(e.genreText), c.genreText) << c.file;
    EXPECT_EQ(e.genre, c.genre) << c.file;
    EXPECT_EQ(e.tags, c.tags) << c.file;
    EXPECT_EQ(e.trackNumber, c.track) << c.file;
    size_t v1 = (c.tags & EntryId3v1) ? 128 : 0;
    EXPECT_EQ(e.audioStart, bytes.size() - v1 - kSilence) << c.file << ": the audio follows the tag";
    EXPECT_EQ(e.audioBytes, kSilence) << c.file;
  }
}

TEST_F(Id3v2Test, BlankOrMissingTextFallsBackToVersionOneThenFileName) {
  // A 2.3 tag whose title is blank, with an ID3v1 tag behind the audio.
  Bytes tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 30};
  const char frame[] = "TIT2\0\0\0\x04\0\0\0   TPE1\0\0\0\x03\0\0\0Me";
  tag.insert(tag.end(), frame, frame + sizeof(frame) - 1);
  tag.resize(40, 0);
  Mp3Spec shape;
  shape.tag = true;
  shape.id3v1Title = "Old";
  shape.genre = 17;
  Bytes mp3 = MakeMp3(shape);
  Bytes bytes = tag;
  bytes.insert(bytes.end(), mp3.begin(), mp3.end());
  Probed p = Probe("blank.mp3", bytes);
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(S(p.entry.title), u"Old");
  EXPECT_EQ(S(p.entry.artist), u"Me");
  EXPECT_EQ(p.entry.genre, 17);
  EXPECT_EQ(S(EntryGenreName(&p.entry)), u"Rock");

  shape.tag = false;
  mp3 = MakeMp3(shape);
  bytes = tag;
  bytes.insert(bytes.end(), mp3.begin(), mp3.end());
  p = Probe("No Title.mp3", bytes);
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(S(p.entry.title), u"No Title");
  EXPECT_EQ(p.entry.genre, GENRE_NONE);
  EXPECT_EQ(S(EntryGenreName(&p.entry)), u"Unknown");
}

TEST_F(Id3v2Test, TagClaimingMoreThanTheFileIsNotBelieved) {
  Mp3Spec shape;
  shape.audioBytes = 1 << 20;
  Bytes mp3 = MakeMp3(shape);
  // 200 MB declared; a real title frame, then padding up to the audio.
  const DWORD declared = 200u << 20;
  Bytes bytes = Header(4, 0);
  for (int i = 0; i < 4; i++) bytes[6 + i] = BYTE((declared >> (21 - 7 * i)) & 0x7F);
  const char frame[] = "TIT2\0\0\0\x06\0\0\x03Liar!";
  bytes.insert(bytes.end(), frame, frame + sizeof(frame) - 1);
  bytes.resize(300, 0);
  bytes.insert(bytes.end(), mp3.begin(), mp3.end());
  Probed p = Probe("Huge Claim.mp3", bytes);
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(S(p.entry.title), u"Huge Claim");
  EXPECT_EQ(p.entry.audioStart, 300u);
  EXPECT_EQ(p.entry.tags, 0);

  bytes.resize(200);  // cut inside the tag: nothing to play
  EXPECT_EQ(Probe("cut.mp3", bytes).ok, 0);
}

// Tags laid out here go straight to the parser, header first.
int Parse(Bytes tag, Id3v2Text* out) {
  return int(ParseId3v2Body(tag.data(), tag.data() + ID3V2_HEADER_BYTES, DWORD(tag.size() - ID3V2_HEADER_BYTES), out));
}

void Add(Bytes& b, const char* bytes, size_t count) { b.insert(b.end(), bytes, bytes + count); }
#define ADD(b, literal) Add(b, literal, sizeof(literal) - 1)

TEST(Id3v2ParseTest, ExtendedHeadersLengthIndicatorsAndSkippedFrames) {
  Id3v2Text t;
  // 2.3: extended header of 6 bytes after its size; a compressed title is skipped.
  Bytes v23 = Header(3, 0x40);
  ADD(v23, "\0\0\0\x06\0\0\0\0\0\0");
  ADD(v23, "TIT2\0\0\0\x05\0\x80\0Zip!");
  ADD(v23, "TIT2\0\0\0\x05\0\0\0Real");
  Parse(v23, &t);
  EXPECT_EQ(S(t.title), u"Real");

  // 2.4: extended header counts itself; per-frame unsynchronisation and a
  // data length indicator; an encrypted frame is skipped.
  Bytes v24 = Header(4, 0x40);
  ADD(v24, "\0\0\0\x06\x01\0");
  ADD(v24, "TPE1\0\0\0\x04\0\x04\0Enc");
  ADD(v24,
      "TPE1\0\0\0\x0A\0\x03\0\0\0\x05\0\xFF\0\xE0"
      "Ab");
  ADD(v24, "TALB\0\0\x01\x00\0\0\0");  // 256 bytes in a plain size, as some writers do
  v24.insert(v24.end(), 255, 'x');
  ADD(v24,
      "TYER\0\0\0\x05\0\0\0"
      "2001");
  Parse(v24, &t);
  EXPECT_EQ(S(t.artist), u"ÿàAb");
  EXPECT_EQ(t.album[0], u'x');
  EXPECT_EQ(S(t.year), u"2001") << "the plain size led to the next frame";

  // Unknown versions and compressed 2.2 tags give nothing.
  Bytes v25 = Header(5, 0);
  ADD(v25, "TIT2\0\0\0\x02\0\0\0A");
  EXPECT_EQ(Parse(v25, &t), 0);
  EXPECT_EQ(t.title[0], 0);
}

TEST(Id3v2ParseTest, TextIsCleanedAndBounded) {
  Id3v2Text t;
  Bytes b = Header(4, 0);
  // Lists are joined; controls become spaces; bad UTF-8 shows a replacement character.
  ADD(b,
      "TPE1\0\0\0\x08\0\0\x03"
      "A\0B\x01\xC3"
      "\0\0");
  // A character outside the basic plane stays a whole surrogate pair.
  ADD(b,
      "TALB\0\0\0\x0B\0\0\x01\xFF\xFE\x3D\xD8\x35\xDE"
      "a\0\0\0");
  // Text longer than the field is cut, never overrun.
  std::string longTitle(1000, 'L');
  ADD(b, "TIT2\0\0\x07\x69\0\0\x03");
  b.insert(b.end(), longTitle.begin(), longTitle.end());
  Parse(b, &t);
  EXPECT_EQ(S(t.artist), u"A / B \uFFFD");
  EXPECT_EQ(S(t.album), u"\U0001F635a");
  EXPECT_EQ(S(t.title), std::u16string(TITLE_UNITS - 1, u'L'));
}

TEST(Id3v2ParseTest, GenresMapOntoGenreNumbers) {
  struct Case {
    const char16_t *tcon, *text;
    BYTE number;
  } const cases[] = {
      {u"(17)", u"Rock", 17},
      {u"17", u"Rock", 17},
      {u"Rock", u"Rock", 17},
      {u"(17)Rock", u"Rock", 17},
      {u"rOcK", u"Rock", 17},
      {u"(31)Psytrance", u"Psytrance", 31},
      {u"Psytrance", u"Psytrance", 255},
      {u"Psytrance\nTrance", u"Psytrance", 31},
      {u"((Bracket)", u"(Bracket)", 255},
      {u"(200)", u"(200)", 255},
      {u"(RX)(13)", u"Pop", 13},
      {u"Default", u"Default", 255},
  };
  for (const Case& c : cases) {
    WCHAR text[GENRE_TEXT_UNITS];
    EXPECT_EQ(ParseGenre(c.tcon, text, GENRE_TEXT_UNITS), c.number) << std::string(c.tcon, c.tcon + 3);
    EXPECT_EQ(S(text), c.text);
  }
}

}  // namespace
