#include <cstdlib>

#include "engine/engine.h"
#include "playlist/playlist.h"
#include "trackinfo/trackinfo.h"

Playlist g_playlist;
PlaylistNavigation g_navigation = {-1, 0, 1};

static PlaylistEntry* Sentinel() { return &g_playlist.sentinel; }
static PlaylistEntry* First() { return g_playlist.sentinel.next; }

static void WriteTotalTime() {
  DWORD t = g_playlist.totalSeconds;
  LxFormatW(g_playlist.totalTimeText, TOTAL_TIME_UNITS, u"%0.2d:%0.2d:%0.2d", t / 3600, (t % 3600) / 60, t % 60);
}

static void WriteFavouriteCount() {
  LxFormatW(g_playlist.favouriteCountText, FAVOURITE_TEXT_UNITS, u"%d", g_playlist.favouriteCount);
}

void PlaylistInit(void) {
  PlaylistEntry* s = Sentinel();
  *s = PlaylistEntry{};
  s->next = s->prev = s;
  s->flags = EntryPlayed;
  g_playlist.count = 0;
  g_playlist.totalSeconds = 0;
  g_playlist.favouriteCount = 0;
  PathIndexCreate(&g_playlist.index);
  g_keptCount = 0;
  WriteTotalTime();
  WriteFavouriteCount();
  g_navigation = PlaylistNavigation{-1, 0, 1};
}

void PlaylistDestroy(void) {
  PlaylistClear(1);
  PathIndexClear(&g_playlist.index);
}

void PlaylistAppend(PlaylistEntry* entry) {
  PlaylistEntry* s = Sentinel();
  entry->prev = s->prev;
  entry->next = s;
  s->prev->next = entry;
  s->prev = entry;
  g_playlist.count++;
  g_playlist.totalSeconds += entry->durationSeconds;
  WriteTotalTime();
}

void PlaylistUnlink(PlaylistEntry* entry, int release) {
  entry->prev->next = entry->next;
  entry->next->prev = entry->prev;
  g_playlist.totalSeconds -= entry->durationSeconds;
  WriteTotalTime();
  if (entry->flags & EntryFavourite) {
    g_playlist.favouriteCount--;
    WriteFavouriteCount();
  }
  if (release) free(entry);
  g_playlist.count--;
}

PlaylistEntry* PlaylistAdd(LPCWSTR path) {
  if (g_playlist.count >= PLAYLIST_LIMIT) {
    PlaylistShowFull();
    return nullptr;
  }
  if (!path || !path[0] || PathIndexFind(&g_playlist.index, path)) return nullptr;
  // A path cut to fit would name another file, or none.
  if (lstrlenW(path) >= MAX_PATH) return nullptr;
  PlaylistEntry* entry = static_cast<PlaylistEntry*>(calloc(1, sizeof(PlaylistEntry)));
  if (!entry) return nullptr;
  lstrcpynW(entry->path, path, MAX_PATH);
  if (!TrackProbe(entry)) {
    free(entry);
    return nullptr;
  }
  PlaylistAppend(entry);
  if (!PathIndexInsert(&g_playlist.index, entry->path, entry)) {
    PlaylistUnlink(entry, 1);
    return nullptr;
  }
  return entry;
}

int PlaylistRemoveAt(int index) {
  if (index < 0) return 0;
  PlaylistEntry* entry = PlaylistEntryAt(index);
  if (!entry) return 0;
  PathIndexRemove(&g_playlist.index, entry->path);
  PlaylistUnlink(entry, 1);
  return 1;
}

void PlaylistClear(int release) {
  while (First() != Sentinel()) PlaylistUnlink(First(), release);
  PathIndexClear(&g_playlist.index);
  g_keptCount = 0;
  // A new list starts a new cycle; an old count would end the first one early.
  g_navigation.playedCount = 0;
}

// A spare flag bit marks the entries met while checking a new order.
#define EntrySeen 0x01

int PlaylistReorder(PlaylistEntry* const* entries, DWORD n) {
  if (!entries || n != g_playlist.count) return 0;
  DWORD i = 0;
  for (; i < n; i++) {
    PlaylistEntry* e = entries[i];
    // Only entries of the ring are in the index under their own path.
    if (!e || e == Sentinel() || PathIndexFind(&g_playlist.index, e->path) != e || (e->flags & EntrySeen)) break;
    e->flags |= EntrySeen;
  }
  for (DWORD k = 0; k < i; k++) entries[k]->flags &= ~EntrySeen;
  if (i < n) return 0;
  PlaylistEntry* prev = Sentinel();
  for (i = 0; i < n; i++) {
    prev->next = entries[i];
    entries[i]->prev = prev;
    prev = entries[i];
  }
  prev->next = Sentinel();
  Sentinel()->prev = prev;
  return 1;
}

PlaylistEntry* PlaylistEntryAt(int index) {
  if (index == -1) return Sentinel();
  if (index < 0 || DWORD(index) >= g_playlist.count) return nullptr;
  PlaylistEntry* e = First();
  while (index-- > 0) e = e->next;
  return e;
}

int PlaylistIndexOf(const PlaylistEntry* entry) {
  int i = 0;
  for (PlaylistEntry* e = First(); e != Sentinel(); e = e->next, i++)
    if (e == entry) return i;
  return -1;
}

PlaylistEntry* PlaylistFind(LPCWSTR path) { return PathIndexFind(&g_playlist.index, path); }

void PlaylistToggleFavourite(PlaylistEntry* entry) {
  if (!entry || entry == Sentinel()) return;
  entry->flags ^= EntryFavourite;
  if (entry->flags & EntryFavourite)
    g_playlist.favouriteCount++;
  else
    g_playlist.favouriteCount--;
  WriteFavouriteCount();
}

void PlaylistClearFavourites(void) {
  for (PlaylistEntry* e = First(); e != Sentinel(); e = e->next) e->flags &= ~EntryFavourite;
  g_playlist.favouriteCount = 0;
  WriteFavouriteCount();
}

void PlaylistRecountFavourites(void) {
  DWORD n = 0;
  for (PlaylistEntry* e = First(); e != Sentinel(); e = e->next)
    if (e->flags & EntryFavourite) n++;
  g_playlist.favouriteCount = n;
  WriteFavouriteCount();
}

void PlaylistClearPlayed(void) {
  for (PlaylistEntry* e = First(); e != Sentinel(); e = e->next) e->flags &= ~EntryPlayed;
}

// Walks forward from start (not included) to the first entry that is not
// played and, in a favourites cycle, a favourite. When the walk comes back to
// start, start is kept. The sentinel looks played and is never a favourite.
static PlaylistEntry* FirstUnplayedAfter(PlaylistEntry* start, int favouritesOnly) {
  PlaylistEntry* e = start->next;
  for (DWORD steps = 0; e != start && steps <= g_playlist.count; e = e->next, steps++) {
    if (e->flags & EntryPlayed) continue;
    if (favouritesOnly && !(e->flags & EntryFavourite)) continue;
    return e;
  }
  return start;
}

// The first favourite after start, walking forward around the ring.
static PlaylistEntry* NextFavourite(PlaylistEntry* start) {
  PlaylistEntry* e = start->next;
  for (DWORD steps = 0; steps <= g_playlist.count; e = e->next, steps++)
    if (e->flags & EntryFavourite) return e;
  return start;
}

static PlaylistEntry* PreviousFavourite(PlaylistEntry* start) {
  PlaylistEntry* e = start->prev;
  for (DWORD steps = 0; steps <= g_playlist.count; e = e->prev, steps++)
    if (e->flags & EntryFavourite) return e;
  return start;
}

static void StartNewCycle() {
  g_navigation.playedCount = 0;
  PlaylistClearPlayed();
}

static PlaylistEntry* SelectedOrSentinel() {
  PlaylistEntry* e = PlaylistEntryAt(g_navigation.selectedIndex);
  return e ? e : Sentinel();
}

int NextTitle(int code) {
  if (g_playlist.count == 0) return 1;
  int current = -1;
  if (!g_navigation.freshStart) {
    PlaylistEntry* loaded = PathIndexFind(&g_playlist.index, g_engine.filePath);
    current = loaded ? PlaylistIndexOf(loaded) : -1;
  }
  PlaylistEntry* candidate;
  if (g_playlist.favouriteCount > 0) {
    if (g_navigation.playedCount >= g_playlist.favouriteCount) {
      if (code) return 1;
      StartNewCycle();
    }
    candidate = NextFavourite(PlaylistEntryAt(current));
    if (candidate->flags & EntryPlayed) candidate = FirstUnplayedAfter(candidate, 1);
  } else {
    if (g_navigation.playedCount >= g_playlist.count) {
      if (code) return 1;
      StartNewCycle();
    }
    int i = current + 1;
    if (DWORD(i) >= g_playlist.count) i = 0;
    candidate = PlaylistEntryAt(i);
    if (candidate->flags & EntryPlayed) candidate = FirstUnplayedAfter(candidate, 0);
  }
  PlayIndex(PlaylistIndexOf(candidate), 0);
  return 0;
}

void PreviousTitle(int code) {
  if (g_playlist.count == 0) return;
  int index;
  if (g_playlist.favouriteCount > 0) {
    index = PlaylistIndexOf(PreviousFavourite(SelectedOrSentinel()));
  } else {
    index = g_navigation.selectedIndex - 1;
    if (index < 0 || DWORD(index) >= g_playlist.count) index = int(g_playlist.count) - 1;
  }
  PlayIndex(index, code != 0);
}

int ShuffleTitle(int code) {
  if (g_playlist.count == 0) return 1;
  int favourites = g_playlist.favouriteCount > 0;
  DWORD n = favourites ? g_playlist.favouriteCount : g_playlist.count;
  if (g_navigation.playedCount >= n) {
    if (code == 0) return 1;
    StartNewCycle();
  }
  DWORD r = Random() % n;
  if (r == 0) r = 1;

  PlaylistEntry* candidate = SelectedOrSentinel();
  if (favourites) {
    // Counting only favourites; the bound keeps a stale count from looping.
    DWORD met = 0;
    for (DWORD steps = 0; met < r && steps <= r * (g_playlist.count + 1); steps++) {
      candidate = candidate->next;
      if (candidate->flags & EntryFavourite) met++;
    }
  } else {
    for (DWORD i = 0; i < r; i++) candidate = candidate->next;
  }
  if (candidate->flags & EntryPlayed) candidate = FirstUnplayedAfter(candidate, favourites);
  PlayIndex(PlaylistIndexOf(candidate), 0);
  return 0;
}

void PlaylistMarkStarted(PlaylistEntry* entry) {
  g_navigation.freshStart = 0;
  if (!entry || (entry->flags & EntryPlayed)) return;
  // A favourites cycle counts favourites only.
  DWORD cycle = g_playlist.favouriteCount ? g_playlist.favouriteCount : g_playlist.count;
  if (g_playlist.favouriteCount && !(entry->flags & EntryFavourite)) return;
  if (g_navigation.playedCount >= cycle) return;
  entry->flags |= EntryPlayed;
  g_navigation.playedCount++;
}

void PlayIndex(int index, int selectOnly) {
  if (g_playlist.count == 0) return;
  g_navigation.freshStart = 0;
  g_navigation.selectedIndex = index;
  // Index -1 names the sentinel, which is never played.
  PlaylistEntry* entry = index >= 0 ? PlaylistEntryAt(index) : nullptr;
  if (entry && !selectOnly) {
    if (g_navigation.playedCount < g_playlist.count) {
      entry->flags |= EntryPlayed;
      g_navigation.playedCount++;
    }
    PlaylistLoadTrack(entry);
  }
  int rows = g_playlistView.visibleRows;
  int count = int(g_playlist.count);
  int first = 0;
  if (count > rows) first = g_navigation.selectedIndex < count - rows ? g_navigation.selectedIndex : count - rows;
  g_playlistView.firstRow = first < 0 ? 0 : first;
  PlaylistPlaceThumb();
  PlaylistMenuState(1);
}
