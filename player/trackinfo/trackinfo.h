// The player's own scan of an MPEG audio file, the ID3v1 block and the text
// helpers that turn tag fields and paths into display titles.
#pragma once
#include <windows.h>

#include "playlist/playlistentry.h"

#define GENRE_COUNT 127
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
