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
  PlaylistEntry* next;
  PlaylistEntry* prev;
};
