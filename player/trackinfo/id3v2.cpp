#include <cstring>

#include "trackinfo/trackinfo.h"

// ID3v2 tags of versions 2.2, 2.3 and 2.4. Everything here works on bytes
// already in memory, bounded by the size given; nothing trusts a size field
// without checking it against what is actually there.

static DWORD Synchsafe(const BYTE* p) {
  return (DWORD(p[0] & 0x7F) << 21) | (DWORD(p[1] & 0x7F) << 14) | (DWORD(p[2] & 0x7F) << 7) | DWORD(p[3] & 0x7F);
}

static DWORD Plain32(const BYTE* p) {
  return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | DWORD(p[3]);
}

DWORD Id3v2TagSize(const BYTE header[ID3V2_HEADER_BYTES]) {
  DWORD size = ID3V2_HEADER_BYTES + Synchsafe(header + 6);
  if (header[3] == 4 && (header[5] & ID3V2_FOOTER)) size += ID3V2_HEADER_BYTES;
  return size;
}

// Undoes unsynchronisation in place: every FF 00 becomes FF. Returns the new
// length.
static DWORD Resync(BYTE* data, DWORD length) {
  DWORD out = 0;
  for (DWORD i = 0; i < length; i++) {
    data[out++] = data[i];
    if (data[i] == 0xFF && i + 1 < length && data[i + 1] == 0) i++;
  }
  return out;
}

// Collects UTF-16 output with room for a terminator; a pair that does not fit
// is left out whole.
struct TextOut {
  WCHAR* text;
  int capacity;
  int length;
  int full;
};

static void PutUnits(TextOut* o, const WCHAR* units, int count) {
  if (o->full || o->length + count > o->capacity - 1) {
    o->full = 1;  // later text is dropped too
    return;
  }
  for (int i = 0; i < count; i++) o->text[o->length++] = units[i];
}

static void PutCodePoint(TextOut* o, DWORD c) {
  if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // lone surrogate
  if (c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x20 || c == 0x7F) c = u' ';  // no control characters on screen
  if (c < 0x10000) {
    WCHAR unit = WCHAR(c);
    PutUnits(o, &unit, 1);
  } else {
    c -= 0x10000;
    WCHAR pair[2] = {WCHAR(0xD800 + (c >> 10)), WCHAR(0xDC00 + (c & 0x3FF))};
    PutUnits(o, pair, 2);
  }
}

// One UTF-8 sequence from p (at most end - p bytes); returns bytes used.
static DWORD Utf8At(const BYTE* p, const BYTE* end, DWORD* c) {
  BYTE b = p[0];
  DWORD need, value, least;
  if (b < 0x80) {
    *c = b;
    return 1;
  } else if ((b & 0xE0) == 0xC0) {
    need = 1, value = b & 0x1F, least = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    need = 2, value = b & 0x0F, least = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    need = 3, value = b & 0x07, least = 0x10000;
  } else {
    *c = 0xFFFD;
    return 1;
  }
  if (DWORD(end - p) <= need) {
    *c = 0xFFFD;
    return 1;
  }
  for (DWORD i = 1; i <= need; i++) {
    if ((p[i] & 0xC0) != 0x80) {
      *c = 0xFFFD;
      return 1;
    }
    value = (value << 6) | (p[i] & 0x3F);
  }
  *c = value < least ? 0xFFFD : value;  // overlong forms are refused
  return need + 1;
}

#define ENC_LATIN1 0
#define ENC_UTF16 1
#define ENC_UTF16BE 2
#define ENC_UTF8 3

// A text frame's body (encoding byte first) as one line; the values of a
// NUL-separated list are joined with separator. Returns 0 for an unknown
// encoding.
static int DecodeText(const BYTE* data, DWORD size, WCHAR* text, int capacity, LPCWSTR separator) {
  text[0] = 0;
  if (size == 0) return 0;
  BYTE encoding = data[0];
  if (encoding > ENC_UTF8) return 0;
  TextOut o{text, capacity, 0, 0};
  const BYTE* p = data + 1;
  const BYTE* end = data + size;
  int wide = encoding == ENC_UTF16 || encoding == ENC_UTF16BE;
  int bigEndian = encoding == ENC_UTF16BE;
  int valueStart = 1;  // the separator goes only between values that have text
  while (p < end && !o.full) {
    if (wide && end - p < 2) break;
    if (wide && encoding == ENC_UTF16 && valueStart) {
      if (p[0] == 0xFF && p[1] == 0xFE)
        bigEndian = 0, p += 2;
      else if (p[0] == 0xFE && p[1] == 0xFF)
        bigEndian = 1, p += 2;
      if (end - p < 2) break;
    }
    DWORD c;
    if (!wide) {
      if (encoding == ENC_UTF8)
        p += Utf8At(p, end, &c);
      else
        c = *p++;
    } else {
      c = bigEndian ? (DWORD(p[0]) << 8 | p[1]) : (DWORD(p[1]) << 8 | p[0]);
      p += 2;
      if (c >= 0xD800 && c <= 0xDBFF && end - p >= 2) {
        DWORD low = bigEndian ? (DWORD(p[0]) << 8 | p[1]) : (DWORD(p[1]) << 8 | p[0]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          p += 2;
        }
      }
    }
    if (c == 0) {
      valueStart = 1;
      continue;
    }
    if (valueStart && o.length > 0)
      for (LPCWSTR s = separator; *s; s++) PutUnits(&o, s, 1);
    valueStart = 0;
    PutCodePoint(&o, c);
  }
  text[o.length] = 0;
  while (o.length > 0 && text[o.length - 1] == u' ') text[--o.length] = 0;
  return 1;
}

static int IsAsciiDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }
static WCHAR AsciiLower(WCHAR c) { return c >= u'A' && c <= u'Z' ? WCHAR(c + 32) : c; }

// Decimal number of the digits in [p, p + count), or -1 when any is no digit or
// it exceeds 999.
static int Number(LPCWSTR p, int count) {
  if (count <= 0 || count > 3) return -1;
  int n = 0;
  for (int i = 0; i < count; i++) {
    if (!IsAsciiDigit(p[i])) return -1;
    n = n * 10 + (p[i] - u'0');
  }
  return n;
}

static int GenreByName(LPCWSTR p, int count) {
  for (int g = 0; g < ID3V1_GENRES; g++) {
    LPCWSTR name = GenreNames[g];
    int i = 0;
    while (i < count && name[i] && AsciiLower(name[i]) == AsciiLower(p[i])) i++;
    if (i == count && name[i] == 0) return g;
  }
  return -1;
}

static void CopyRange(WCHAR* out, int capacity, LPCWSTR p, int count) {
  if (count > capacity - 1) count = capacity - 1;
  memcpy(out, p, size_t(count) * sizeof(WCHAR));
  out[count] = 0;
}

BYTE ParseGenre(LPCWSTR genre, WCHAR* text, int capacity) {
  int number = -1;
  text[0] = 0;
  for (LPCWSTR value = genre; *value;) {
    int length = 0;
    while (value[length] && value[length] != u'\n') length++;
    LPCWSTR p = value, end = value + length;
    // "(17)", "(17)(RX)", "(17)Rock": references first, then free text;
    // "((" starts free text beginning with "(".
    while (p < end && p[0] == u'(' && !(p + 1 < end && p[1] == u'(')) {
      LPCWSTR close = p + 1;
      while (close < end && *close != u')') close++;
      if (close == end) break;
      int n = Number(p + 1, int(close - p - 1));
      if (number < 0 && n >= 0 && n < ID3V1_GENRES) number = n;
      p = close + 1;
    }
    if (p + 1 < end && p[0] == u'(' && p[1] == u'(') p++;
    while (p < end && *p == u' ') p++;
    int rest = int(end - p);
    while (rest > 0 && p[rest - 1] == u' ') rest--;
    if (rest > 0) {
      int n = Number(p, rest);
      if (n < 0)
        n = GenreByName(p, rest);
      else if (n >= ID3V1_GENRES)
        n = -1;
      if (n >= 0 && number < 0) number = n;
      if (!text[0]) {
        if (n >= 0)
          lstrcpynW(text, GenreNames[n], capacity);
        else if (Number(p, rest) < 0)
          CopyRange(text, capacity, p, rest);
      }
    }
    value = *end ? end + 1 : end;
  }
  if (!text[0] && number >= 0) lstrcpynW(text, GenreNames[number], capacity);
  if (!text[0]) {  // nothing known: show what the tag says
    int length = 0;
    while (genre[length] && genre[length] != u'\n') length++;
    CopyRange(text, capacity, genre, length);
  }
  return number < 0 ? GENRE_NONE : BYTE(number);
}

static int FrameIdValid(const BYTE* id, int length) {
  for (int i = 0; i < length; i++)
    if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return 0;
  return 1;
}

// Where a frame may begin: the end of the tag, padding or a frame header.
static int FrameMayStart(const BYTE* body, DWORD length, DWORD pos, int headerBytes, int idBytes) {
  if (pos == length) return 1;
  if (pos > length || length - pos < DWORD(headerBytes)) return pos < length && body[pos] == 0;
  return body[pos] == 0 || FrameIdValid(body + pos, idBytes);
}

enum TextField { FieldTitle, FieldArtist, FieldAlbum, FieldYear, FieldGenre, FieldTrack, FieldNone };

static TextField FieldOf(const BYTE* id, int idBytes) {
  static const struct {
    char v22[4], v23[5];
    TextField field;
  } ids[] = {
      {"TT2", "TIT2", FieldTitle}, {"TP1", "TPE1", FieldArtist}, {"TAL", "TALB", FieldAlbum},
      {"TYE", "TYER", FieldYear},  {"TCO", "TCON", FieldGenre},  {"TRK", "TRCK", FieldTrack},
      {"", "TDRC", FieldYear},
  };
  for (const auto& row : ids) {
    const char* name = idBytes == 3 ? row.v22 : row.v23;
    if (name[0] && memcmp(id, name, size_t(idBytes)) == 0) return row.field;
  }
  return FieldNone;
}

static void TakeFrame(TextField field, const BYTE* data, DWORD size, Id3v2Text* out) {
  // The first frame of a kind wins; text goes straight into its field so a
  // cut never splits a surrogate pair.
  WCHAR* target = nullptr;
  int capacity = 0;
  switch (field) {
    case FieldTitle:
      target = out->title, capacity = TITLE_UNITS;
      break;
    case FieldArtist:
      target = out->artist, capacity = TAG_TEXT_UNITS;
      break;
    case FieldAlbum:
      target = out->album, capacity = TAG_TEXT_UNITS;
      break;
    case FieldGenre:
      target = out->genre, capacity = GENRE_TEXT_UNITS;
      break;
    case FieldYear:
    case FieldTrack: {
      WCHAR line[YEAR_UNITS];
      if (!DecodeText(data, size, line, YEAR_UNITS, u" ")) return;
      int n = 0;
      if (field == FieldYear && !out->year[0]) {
        // A recording time "2004-05-12T10:00" shows as its year.
        while (line[n] && line[n] != u'-' && line[n] != u'T') n++;
        CopyRange(out->year, YEAR_UNITS, line, n);
      } else if (field == FieldTrack && !out->track) {  // "3" or "3/12"
        for (; IsAsciiDigit(line[n]) && out->track < 100000; n++) out->track = out->track * 10 + DWORD(line[n] - u'0');
      }
      return;
    }
    case FieldNone:
      return;
  }
  if (!target[0]) DecodeText(data, size, target, capacity, field == FieldGenre ? u"\n" : u" / ");
}

// v2.3 frame flags (second byte).
#define F23_COMPRESSED 0x80
#define F23_ENCRYPTED 0x40
#define F23_GROUPED 0x20
// v2.4 frame flags (second byte).
#define F24_GROUPED 0x40
#define F24_COMPRESSED 0x08
#define F24_ENCRYPTED 0x04
#define F24_UNSYNC 0x02
#define F24_LENGTH 0x01

#define TAG_UNSYNC 0x80
#define TAG_EXTENDED 0x40  // in 2.2: compression, which has no defined scheme

DWORD ParseId3v2Body(const BYTE header[ID3V2_HEADER_BYTES], BYTE* body, DWORD length, Id3v2Text* out) {
  memset(out, 0, sizeof(*out));
  int version = header[3];
  BYTE flags = header[5];
  if (version < 2 || version > 4) return 0;
  if (version == 2 && (flags & TAG_EXTENDED)) return 0;
  // Before 2.4 unsynchronisation covers the whole tag, frame headers included.
  if (version < 4 && (flags & TAG_UNSYNC)) length = Resync(body, length);

  DWORD pos = 0;
  if (version > 2 && (flags & TAG_EXTENDED)) {
    if (length < 4) return 0;
    // 2.3 counts the bytes after the size field, 2.4 the whole header.
    DWORD extended = version == 3 ? Plain32(body) + 4 : Synchsafe(body);
    if (extended < 4 || extended > length) return 0;
    pos = extended;
  }

  int idBytes = version == 2 ? 3 : 4;
  int headerBytes = version == 2 ? 6 : 10;
  while (length - pos >= DWORD(headerBytes)) {
    BYTE* f = body + pos;
    if (f[0] == 0) break;  // padding
    if (!FrameIdValid(f, idBytes)) break;
    DWORD size;
    BYTE frameFlags = 0;
    if (version == 2) {
      size = (DWORD(f[3]) << 16) | (DWORD(f[4]) << 8) | f[5];
    } else if (version == 3) {
      size = Plain32(f + 4);
      frameFlags = f[9];
    } else {
      // Some writers put plain sizes into 2.4 tags; take the reading after
      // which the next frame begins where it should.
      size = Synchsafe(f + 4);
      DWORD plain = Plain32(f + 4);
      if (plain != size) {
        DWORD next = pos + DWORD(headerBytes);
        int safeFits = size <= length - next && FrameMayStart(body, length, next + size, headerBytes, idBytes);
        int plainFits = plain <= length - next && FrameMayStart(body, length, next + plain, headerBytes, idBytes);
        if ((f[4] | f[5] | f[6] | f[7]) & 0x80 || (!safeFits && plainFits)) size = plain;
      }
      frameFlags = f[9];
    }
    if (size > length - pos - DWORD(headerBytes)) break;  // damaged: what was read before stands
    BYTE* data = f + headerBytes;
    DWORD dataSize = size;
    pos += DWORD(headerBytes) + size;

    int skip = version == 3 ? (frameFlags & (F23_COMPRESSED | F23_ENCRYPTED | F23_GROUPED)) != 0
                            : (frameFlags & (F24_COMPRESSED | F24_ENCRYPTED | F24_GROUPED)) != 0;
    TextField field = FieldOf(f, idBytes);
    if (skip || field == FieldNone) continue;
    if (version == 4) {
      if (frameFlags & F24_LENGTH) {
        if (dataSize < 4) continue;
        data += 4, dataSize -= 4;
      }
      if ((frameFlags & F24_UNSYNC) || (flags & TAG_UNSYNC)) dataSize = Resync(data, dataSize);
    }
    TakeFrame(field, data, dataSize, out);
  }
  return pos;
}
