// One title of the playlist, filled by TrackProbe.
#pragma once
#include <windows.h>

#define EntryVbr 0x80
#define EntryFavourite 0x40
#define EntryPlayed 0x20

#define TITLE_UNITS 260
#define DURATION_UNITS 10
#define FRAME_HEADER_BYTES 5
#define TAG_BYTES 128
#define TAG_TEXT_UNITS 128
#define YEAR_UNITS 16
#define GENRE_TEXT_UNITS 64

// Which tags the probe found (PlaylistEntry::tags).
#define EntryId3v1 0x01
#define EntryId3v2 0x02

struct PlaylistEntry {
  WCHAR path[MAX_PATH];
  WCHAR title[TITLE_UNITS];
  WCHAR durationText[DURATION_UNITS];
  BYTE frameHeader[FRAME_HEADER_BYTES];
  BYTE tag[TAG_BYTES];  // raw ID3v1 block; all zero with genre 0xFF when there is none
  DWORD sampleRate;
  DWORD channels;
  LONG bitRate;
  DWORD audioStart;
  DWORD audioBytes;
  DWORD durationSeconds;
  BYTE flags;
  // Tag text in full Unicode, in memory only (playlist files keep the path
  // alone). Each field prefers the ID3v2 tag and falls back to ID3v1; the
  // display title is `title` above.
  WCHAR artist[TAG_TEXT_UNITS];
  WCHAR album[TAG_TEXT_UNITS];
  WCHAR year[YEAR_UNITS];
  WCHAR genreText[GENRE_TEXT_UNITS];  // genre name to show; empty without one
  BYTE genre;                         // GenreNames number for AutoPreset; 255 none
  BYTE tags;                          // EntryId3v1 | EntryId3v2
  DWORD trackNumber;                  // 0 when not tagged
  PlaylistEntry* next;
  PlaylistEntry* prev;
};
