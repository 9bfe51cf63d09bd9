// The player's own scan of an MPEG audio file, the ID3v1 block and the text
// helpers that turn tag fields and paths into display titles.
#pragma once
#include <windows.h>

#include "playlist/playlistentry.h"

#define GENRE_COUNT 127
#define ID3V1_GENRES 126  // rows 0..125; 126 "Default" is no genre of a tag
#define GENRE_NONE 0xFF

// ID3v1 field offsets inside PlaylistEntry::tag.
#define TAG_TITLE 3
#define TAG_ARTIST 33
#define TAG_ALBUM 63
#define TAG_YEAR 93
#define TAG_COMMENT 97
#define TAG_GENRE 127
#define TAG_FIELD_BYTES 30

extern const WCHAR* const GenreNames[GENRE_COUNT];
// The row for 0..126, otherwise "Unknown".
LPCWSTR GenreName(DWORD genre);
// The entry's genreText, or "Unknown" when its tags named none.
LPCWSTR EntryGenreName(const PlaylistEntry* entry);

#define ID3V2_HEADER_BYTES 10
#define ID3V2_FOOTER 0x10
#define ID3V2_READ_LIMIT (1u << 20)  // a tag's frames are looked for in its first MiB only

// What an ID3v2 tag says; empty where it says nothing.
struct Id3v2Text {
  WCHAR title[TITLE_UNITS];
  WCHAR artist[TAG_TEXT_UNITS];
  WCHAR album[TAG_TEXT_UNITS];
  WCHAR year[YEAR_UNITS];
  WCHAR genre[GENRE_TEXT_UNITS];  // as written; list values separated by '\n'
  DWORD track;
};

// Header, body and footer as the 10-byte header declares them.
DWORD Id3v2TagSize(const BYTE header[ID3V2_HEADER_BYTES]);
// The frames of the body that follows the header (length bytes, undone in
// place where unsynchronised). Returns how far the frames reached: padding,
// the first damaged frame or the end.
DWORD ParseId3v2Body(const BYTE header[ID3V2_HEADER_BYTES], BYTE* body, DWORD length, Id3v2Text* out);
// A genre frame's text ("(17)", "17", "Rock", "(17)Rock", lists) to a
// GenreNames number, or GENRE_NONE; text receives the name to show.
BYTE ParseGenre(LPCWSTR genre, WCHAR* text, int capacity);

// 1 when the file is usable and every field of the entry is filled.
int TrackProbe(PlaylistEntry* entry);
// Searches in 1024-byte blocks from the file's current position; on success
// *start has grown by the distance to the frame and header holds its 5 bytes.
int FindFrameSync(HANDLE file, DWORD fileSize, DWORD* start, BYTE header[FRAME_HEADER_BYTES]);
// The test on the four bytes after the 0xFF of a frame.
int FrameHeaderValid(const BYTE* b);
DWORD HeaderSampleRate(const BYTE* b);
LONG HeaderBitRate(const BYTE* b);

int IsBlankField(const BYTE* field, int width);
void OemToWide(const BYTE* field, int width, WCHAR* out, int capacity);
void TitleFromPath(LPCWSTR path, WCHAR* title);
void TrimTrailingBlanks(WCHAR* text, int capacity);
// "mm:ss", or "hh:mm:ss" from one hour on.
void FormatDuration(DWORD seconds, WCHAR* text, int capacity);
