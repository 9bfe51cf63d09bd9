// The one playlist: a ring of up to 999 entries closed by a sentinel, the path
// index, and the navigation state that decides what plays next.
#pragma once
#include <windows.h>

#include "playlist/playlistentry.h"

#define PLAYLIST_LIMIT 999
#define PATH_BUCKETS 17
#define PATH_BLOCK_NODES 10

struct PathNode {
  DWORD bucket;
  const WCHAR* key;  // the entry's own path, not a copy
  PlaylistEntry* value;
  PathNode* next;
};

struct PathBlock {
  PathBlock* next;
  PathNode nodes[PATH_BLOCK_NODES];
};

struct PathIndex {
  PathNode* buckets[PATH_BUCKETS];
  PathNode* freeList;
  PathBlock* blocks;
  DWORD itemCount;
};

DWORD PathHash(LPCWSTR key);
void PathIndexCreate(PathIndex* index);
// Replaces the value of an existing key. 0 only when no node can be had.
int PathIndexInsert(PathIndex* index, const WCHAR* key, PlaylistEntry* value);
PlaylistEntry* PathIndexFind(const PathIndex* index, LPCWSTR key);
int PathIndexRemove(PathIndex* index, LPCWSTR key);
// Buckets zeroed, blocks released, free list and item count reset.
void PathIndexClear(PathIndex* index);

#define TOTAL_TIME_UNITS 16
#define FAVOURITE_TEXT_UNITS 12

struct Playlist {
  DWORD count;
  DWORD totalSeconds;
  PlaylistEntry sentinel;  // always EntryPlayed, never EntryFavourite
  DWORD favouriteCount;
  PathIndex index;
  WCHAR totalTimeText[TOTAL_TIME_UNITS];
  WCHAR favouriteCountText[FAVOURITE_TEXT_UNITS];
};

// Shared with the playlist window.
struct PlaylistNavigation {
  int selectedIndex;  // -1: none
  DWORD playedCount;  // entries started in the current cycle
  int freshStart;     // 1 while nothing was started from the current list
};

// What the model needs of the playlist window's current layout; the window
// copies its layout in when it is created or switched.
struct PlaylistView {
  int firstRow;
  int visibleRows;
  int thumbTravel;
  RECT thumbHome;
  RECT thumb;
  RECT repaintArea;
};

extern Playlist g_playlist;
extern PlaylistNavigation g_navigation;
extern PlaylistView g_playlistView;

void PlaylistInit(void);
void PlaylistDestroy(void);

PlaylistEntry* PlaylistAdd(LPCWSTR path);
void PlaylistAppend(PlaylistEntry* entry);
void PlaylistUnlink(PlaylistEntry* entry, int release);
int PlaylistRemoveAt(int index);
// Also drops the records kept for missing folders.
void PlaylistClear(int release);
// Relinks the ring in the given order; refuses (0) anything but a
// permutation of the ring's entries. Totals, index and marks stay.
int PlaylistReorder(PlaylistEntry* const* entries, DWORD n);
PlaylistEntry* PlaylistEntryAt(int index);
int PlaylistIndexOf(const PlaylistEntry* entry);
PlaylistEntry* PlaylistFind(LPCWSTR path);

void PlaylistToggleFavourite(PlaylistEntry* entry);
void PlaylistClearFavourites(void);
void PlaylistRecountFavourites(void);
void PlaylistClearPlayed(void);

// NextTitle and ShuffleTitle: 1 when they start nothing, 0 when they start a title.
int NextTitle(int code);
void PreviousTitle(int code);
int ShuffleTitle(int code);
void PlayIndex(int index, int selectOnly);
// A title the user starts by hand (play on the selection, a double tap)
// belongs to the cycle like one PlayIndex starts, so the cycle's end does
// not bring it again.
void PlaylistMarkStarted(PlaylistEntry* entry);

// Window side: thumb placement from firstRow, the board's load message, the
// main window's menu state and the full-list warning.
void PlaylistPlaceThumb(void);
void PlaylistLoadTrack(PlaylistEntry* entry);
void PlaylistMenuState(int rowSelected);
void PlaylistShowFull(void);
void PlaylistViewDefaults(PlaylistView* view);

// Full-list refusals so far: a scan or load stops at the first one it causes.
extern DWORD g_playlistFullRefusals;

// Records of the default file whose folder was missing at start (a drive or
// share not mounted): kept, and written back after the list by every save
// of the default file, so that they are not lost.
struct KeptRecord {
  WCHAR path[MAX_PATH];
  DWORD favourite;
};
extern KeptRecord g_kept[PLAYLIST_LIMIT];
extern DWORD g_keptCount;

// Files: signature "Lumtrax Playlist File 1.1" (written) or "... 1.0". A
// load stops at the first refusal for a full list.
int PlaylistSave(LPCWSTR path);
int PlaylistLoad(LPCWSTR path, int replace);
// The default file: replaces the list and keeps missing-folder records;
// the save writes them back, up to 999 records in all.
int PlaylistLoadDefault(LPCWSTR path);
int PlaylistSaveDefault(LPCWSTR path);
