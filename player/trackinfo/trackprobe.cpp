#include <cstdlib>
#include <cstring>

#include "trackinfo/trackinfo.h"

// b points at the four bytes after a frame's 0xFF: b[0..2] are header bytes
// 2-4 of ISO/IEC 11172-3, b[3] is the first byte after the header.
static int Version(const BYTE* b) { return (b[0] >> 3) & 3; }  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
static int LayerCode(const BYTE* b) { return (b[0] >> 1) & 3; }
static int BitRateIndex(const BYTE* b) { return b[1] >> 4; }
static int SampleRateIndex(const BYTE* b) { return (b[1] >> 2) & 3; }
static int IsSingleChannel(const BYTE* b) { return (b[2] >> 6) == 3; }

// kbit/s: ISO/IEC 11172-3 and 13818-3.
static const short BitRateTable[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
static const DWORD SampleRateTable[3] = {44100, 48000, 32000};

int FrameHeaderValid(const BYTE* b) {
  return Version(b) != 1 && LayerCode(b) != 0 && BitRateIndex(b) != 0 && BitRateIndex(b) != 15 &&
         SampleRateIndex(b) != 3;
}

DWORD HeaderSampleRate(const BYTE* b) {
  DWORD rate = SampleRateTable[SampleRateIndex(b) % 3];
  if (Version(b) == 2) rate /= 2;
  if (Version(b) == 0) rate /= 4;
  return rate;
}

LONG HeaderBitRate(const BYTE* b) {
  int layer = 4 - LayerCode(b);
  int row = Version(b) == 3 ? layer - 1 : (layer == 1 ? 3 : 4);
  if (row < 0 || row > 4) return 0;
  return BitRateTable[row][BitRateIndex(b) % 15] * 1000;
}

// Side information length: the Xing header sits at frame byte 4 + s.
static int SideInfoLength(const BYTE* b) {
  if (Version(b) == 3) return IsSingleChannel(b) ? 17 : 32;
  return IsSingleChannel(b) ? 9 : 17;
}

static DWORD BigEndian32(const BYTE* p) {
  return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | DWORD(p[3]);
}

static int ReadExactly(HANDLE file, void* buffer, DWORD size) {
  DWORD got = 0;
  return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

#define SYNC_BLOCK 1024
#define SYNC_SCAN 1019  // candidates need their 4 header bytes inside the block

int FindFrameSync(HANDLE file, DWORD fileSize, DWORD* start, BYTE header[FRAME_HEADER_BYTES]) {
  BYTE block[SYNC_BLOCK];
  DWORD got = 0;
  if (!ReadFile(file, block, SYNC_BLOCK, &got, nullptr) || got == 0) return 0;
  DWORD filled = got;
  for (;;) {
    for (DWORD i = 0; i < SYNC_SCAN && i + 4 < filled; i++) {
      if (block[i] == 0xFF && (block[i + 1] & 0xE0) == 0xE0 && FrameHeaderValid(block + i + 1)) {
        memcpy(header, block + i, FRAME_HEADER_BYTES);
        *start += i;
        return 1;
      }
    }
    // Past the file's size there is nothing to find; a device that never
    // ends (a path naming \dev\zero) must not keep the search going.
    if (*start + filled >= fileSize) return 0;
    // The last 5 bytes move to the front so that a frame across the block
    // border is still seen whole.
    DWORD keep = filled < 5 ? filled : 5;
    *start += filled - keep;
    memmove(block, block + filled - keep, keep);
    if (!ReadFile(file, block + keep, SYNC_BLOCK - keep, &got, nullptr) || got == 0) return 0;
    filled = keep + got;
  }
}

// Xing quality indicator to the bit rate shown for a variable-rate file.
static LONG XingBitRate(LONG quality) {
  if (quality < 1) return 96000;
  if (quality > 100) quality = 100;
  if (quality <= 15) return 96000;
  if (quality <= 40) return 112000;
  if (quality <= 62) return 128000;
  if (quality <= 87) return 160000;
  return 192000;
}

#define XING_FRAMES 0x1
#define XING_BYTES 0x2
#define XING_TOC 0x4
#define XING_QUALITY 0x8
#define PROBE_TAIL 200

static int IsBlankText(LPCWSTR text) {
  for (; *text; text++)
    if (*text != u' ') return 0;
  return 1;
}

// Reads the tag whose header is in hand and places the search for the audio.
// A tag that claims more than the file holds is not believed: its text is
// dropped and the search starts where its frames ended.
static int ReadId3v2(HANDLE file, DWORD fileSize, const BYTE header[ID3V2_HEADER_BYTES], DWORD* audioStart,
                     Id3v2Text* out) {
  DWORD tagSize = Id3v2TagSize(header);
  DWORD available = fileSize > ID3V2_HEADER_BYTES ? fileSize - ID3V2_HEADER_BYTES : 0;
  DWORD length = tagSize - ID3V2_HEADER_BYTES;  // a footer is never read
  if (length > available) length = available;
  if (length > ID3V2_READ_LIMIT) length = ID3V2_READ_LIMIT;
  BYTE* body = static_cast<BYTE*>(malloc(length ? length : 1));
  DWORD reached = 0, got = 0;
  int parsed = 0;
  memset(out, 0, sizeof(*out));
  if (body && ReadFile(file, body, length, &got, nullptr)) {
    reached = ParseId3v2Body(header, body, got, out);
    parsed = header[3] >= 2 && header[3] <= 4;
  }
  free(body);
  if (tagSize <= fileSize) {
    *audioStart = tagSize;
    return parsed;
  }
  memset(out, 0, sizeof(*out));
  *audioStart = ID3V2_HEADER_BYTES + reached;
  return 0;
}

// Artist, album, year and genre: ID3v2 where it says something, else ID3v1.
static void TakeTagText(PlaylistEntry* e, int v1Kept, const Id3v2Text* v2) {
  struct {
    WCHAR* field;
    int capacity;
    LPCWSTR v2Text;
    int v1Offset, v1Width;
  } const rows[] = {
      {e->artist, TAG_TEXT_UNITS, v2 ? v2->artist : nullptr, TAG_ARTIST, TAG_FIELD_BYTES},
      {e->album, TAG_TEXT_UNITS, v2 ? v2->album : nullptr, TAG_ALBUM, TAG_FIELD_BYTES},
      {e->year, YEAR_UNITS, v2 ? v2->year : nullptr, TAG_YEAR, 4},
  };
  for (const auto& row : rows) {
    if (row.v2Text && !IsBlankText(row.v2Text)) {
      lstrcpynW(row.field, row.v2Text, row.capacity);
    } else if (v1Kept) {
      OemToWide(e->tag + row.v1Offset, row.v1Width, row.field, row.capacity);
      TrimTrailingBlanks(row.field, row.capacity);
    }
  }
  e->genre = e->tag[TAG_GENRE];
  if (v1Kept && e->genre < GENRE_COUNT) lstrcpynW(e->genreText, GenreNames[e->genre], GENRE_TEXT_UNITS);
  if (v2 && !IsBlankText(v2->genre)) {
    BYTE number = ParseGenre(v2->genre, e->genreText, GENRE_TEXT_UNITS);
    if (number != GENRE_NONE) e->genre = number;
  }
  if (v2) e->trackNumber = v2->track;
  e->tags = BYTE((v1Kept ? EntryId3v1 : 0) | (v2 ? EntryId3v2 : 0));
}

static int ProbeOpenFile(HANDLE file, PlaylistEntry* e, Id3v2Text* v2) {
  DWORD fileSize = GetFileSize(file, nullptr);
  if (fileSize == INVALID_FILE_SIZE) return 0;
  e->audioBytes = fileSize;

  BYTE id3[ID3V2_HEADER_BYTES];
  if (!ReadExactly(file, id3, 3)) return 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  e->audioStart = 0;
  int v2Read = 0;
  if (id3[0] == 'I' && id3[1] == 'D' && id3[2] == '3') {
    if (!ReadExactly(file, id3, ID3V2_HEADER_BYTES)) return 0;
    v2Read = ReadId3v2(file, fileSize, id3, &e->audioStart, v2);
    if (SetFilePointer(file, LONG(e->audioStart), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  }

  if (!FindFrameSync(file, fileSize, &e->audioStart, e->frameHeader)) return 0;
  const BYTE* h = e->frameHeader + 1;

  BYTE b[PROBE_TAIL];  // b[0] is frame byte 5
  if (SetFilePointer(file, LONG(e->audioStart + 5), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  if (!ReadExactly(file, b, PROBE_TAIL)) return 0;

  e->sampleRate = HeaderSampleRate(h);
  e->channels = IsSingleChannel(h) ? 1 : 2;

  int s = SideInfoLength(h);
  if (b[s - 1] == 'X' && b[s] == 'i' && b[s + 1] == 'n' && b[s + 2] == 'g') {
    DWORD xingFlags = BigEndian32(b + s + 3);
    int o = s + 7;
    if (xingFlags & XING_FRAMES) o += 4;
    if (xingFlags & XING_BYTES) o += 4;
    if (xingFlags & XING_TOC) o += 100;
    if (xingFlags & XING_QUALITY) {
      e->bitRate = XingBitRate(LONG(BigEndian32(b + o)));
      o += 4;
    } else {
      e->bitRate = 96000;
    }
    e->audioStart += o;
    e->flags |= EntryVbr;
  }

  if (fileSize < TAG_BYTES) return 0;
  if (SetFilePointer(file, LONG(fileSize - TAG_BYTES), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  if (!ReadExactly(file, e->tag, TAG_BYTES)) return 0;

  int tagPresent = e->tag[0] == 'T' && e->tag[1] == 'A' && e->tag[2] == 'G';
  int v1Kept = tagPresent && !IsBlankField(e->tag + TAG_TITLE, TAG_FIELD_BYTES);
  if (!v1Kept) {
    memset(e->tag, 0, TAG_BYTES);
    e->tag[TAG_GENRE] = GENRE_NONE;
  }
  if (v2Read && !IsBlankText(v2->title))
    lstrcpynW(e->title, v2->title, TITLE_UNITS);
  else if (v1Kept)
    OemToWide(e->tag + TAG_TITLE, TAG_FIELD_BYTES, e->title, TITLE_UNITS);
  else
    TitleFromPath(e->path, e->title);
  TrimTrailingBlanks(e->title, TITLE_UNITS);
  TakeTagText(e, v1Kept, v2Read ? v2 : nullptr);
  if (!(e->flags & EntryVbr)) e->bitRate = HeaderBitRate(h);

  // A hostile file can put the tag over the start of the audio.
  DWORD end = tagPresent ? fileSize - TAG_BYTES : fileSize;
  e->audioBytes = end > e->audioStart ? end - e->audioStart : 0;

  DWORD bytesPerSecond = DWORD(e->bitRate) / 8;
  e->durationSeconds = bytesPerSecond ? e->audioBytes / bytesPerSecond : 0;
  FormatDuration(e->durationSeconds, e->durationText, DURATION_UNITS);
  return 1;
}

int TrackProbe(PlaylistEntry* entry) {
  HANDLE file = CreateFileW(entry->path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  Id3v2Text v2;
  int ok = ProbeOpenFile(file, entry, &v2);
  CloseHandle(file);
  return ok;
}
