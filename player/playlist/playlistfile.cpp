// Playlist files: a 25-unit signature, a count and fixed-size path records.
#include <string_view>

#include "playlist/playlist.h"
#include "shell/savefile.h"

#define SIGNATURE_UNITS 25
#define SIGNATURE_BYTES (SIGNATURE_UNITS * 2)
#define PATH_BYTES (MAX_PATH * 2)

static const WCHAR Signature10[] = u"Lumtrax Playlist File 1.0";
static const WCHAR Signature11[] = u"Lumtrax Playlist File 1.1";

static void PutUnits(BYTE* out, const WCHAR* text, int units) {
  for (int i = 0; i < units; i++) {
    out[2 * i] = BYTE(text[i]);
    out[2 * i + 1] = BYTE(text[i] >> 8);
  }
}

static int UnitsEqual(const BYTE* bytes, const WCHAR* text, int units) {
  for (int i = 0; i < units; i++)
    if (WCHAR(bytes[2 * i] | (bytes[2 * i + 1] << 8)) != text[i]) return 0;
  return 1;
}

static void PutDword(BYTE* out, DWORD value) {
  for (int i = 0; i < 4; i++) out[i] = BYTE(value >> (8 * i));
}

static DWORD GetDword(const BYTE* in) {
  return DWORD(in[0]) | (DWORD(in[1]) << 8) | (DWORD(in[2]) << 16) | (DWORD(in[3]) << 24);
}

KeptRecord g_kept[PLAYLIST_LIMIT];
DWORD g_keptCount;

static int Save(LPCWSTR path, int withKept) {
  // Kept records the user has added again are in the list already.
  DWORD kept = 0;
  if (withKept)
    for (DWORD k = 0; k < g_keptCount; k++)
      if (!PlaylistFind(g_kept[k].path)) kept++;
  if (g_playlist.count + kept > PLAYLIST_LIMIT) kept = PLAYLIST_LIMIT - g_playlist.count;
  SaveFile save;
  if (!SaveFileBegin(&save, path)) return 0;
  BYTE head[SIGNATURE_BYTES + 4];
  PutUnits(head, Signature11, SIGNATURE_UNITS);
  PutDword(head + SIGNATURE_BYTES, g_playlist.count + kept);
  SaveFileWrite(&save, head, sizeof(head));
  BYTE record[PATH_BYTES + 4];
  for (PlaylistEntry* e = g_playlist.sentinel.next; e != &g_playlist.sentinel; e = e->next) {
    PutUnits(record, e->path, MAX_PATH);
    PutDword(record + PATH_BYTES, (e->flags & EntryFavourite) ? 1 : 0);
    SaveFileWrite(&save, record, sizeof(record));
  }
  for (DWORD k = 0; k < g_keptCount && kept > 0; k++) {
    if (PlaylistFind(g_kept[k].path)) continue;
    PutUnits(record, g_kept[k].path, MAX_PATH);
    PutDword(record + PATH_BYTES, g_kept[k].favourite);
    SaveFileWrite(&save, record, sizeof(record));
    kept--;
  }
  return SaveFileCommit(&save);
}

int PlaylistSave(LPCWSTR path) { return Save(path, 0); }
int PlaylistSaveDefault(LPCWSTR path) { return Save(path, 1); }

static int ReadExactly(HANDLE file, void* buffer, DWORD size) {
  DWORD got = 0;
  return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

// Whether the file's folder is gone or cannot be read, as opposed to the
// file being gone or no audio.
static int FolderMissing(LPCWSTR path) {
  WCHAR folder[MAX_PATH + 4];
  lstrcpynW(folder, path, MAX_PATH);
  WCHAR* cut = LxStrRChrW(folder, u'\\');
  if (!cut) return 0;
  lstrcpyW(cut + 1, u"*");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(folder, &data);
  if (find != INVALID_HANDLE_VALUE) {
    FindClose(find);
    return 0;
  }
  return GetLastError() == ERROR_PATH_NOT_FOUND;
}

static int IsKept(LPCWSTR path) {
  for (DWORD k = 0; k < g_keptCount; k++)
    if (std::u16string_view(g_kept[k].path) == path) return 1;
  return 0;
}

static int Load(LPCWSTR path, int replace, int keepMissing) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  BYTE head[SIGNATURE_BYTES];
  int withFlags;
  if (!ReadExactly(file, head, SIGNATURE_BYTES)) {
    CloseHandle(file);
    return 0;
  }
  if (UnitsEqual(head, Signature10, SIGNATURE_UNITS))
    withFlags = 0;
  else if (UnitsEqual(head, Signature11, SIGNATURE_UNITS))
    withFlags = 1;
  else {
    CloseHandle(file);
    return 0;
  }

  if (replace) {
    PlaylistClear(1);
    g_navigation.selectedIndex = -1;
    g_navigation.freshStart = 1;
    g_playlistView.firstRow = 0;
  }

  BYTE count[4];
  if (ReadExactly(file, count, 4)) {
    DWORD n = GetDword(count);
    DWORD refusals = g_playlistFullRefusals;
    BYTE record[PATH_BYTES];
    WCHAR entryPath[MAX_PATH];
    for (DWORD i = 0; i < n; i++) {
      if (!ReadExactly(file, record, PATH_BYTES)) break;
      for (int u = 0; u < MAX_PATH; u++) entryPath[u] = WCHAR(record[2 * u] | (record[2 * u + 1] << 8));
      entryPath[MAX_PATH - 1] = 0;
      PlaylistEntry* added = PlaylistAdd(entryPath);
      // One box for a full list is enough.
      if (g_playlistFullRefusals != refusals) break;
      DWORD favourite = 0;
      if (withFlags) {
        BYTE flag[4];
        if (!ReadExactly(file, flag, 4)) break;
        favourite = GetDword(flag) == 1;
        // Only the 1 that the writer produces marks a favourite.
        if (added && favourite) PlaylistToggleFavourite(added);
      }
      if (!added && keepMissing && entryPath[0] && g_keptCount < PLAYLIST_LIMIT && !IsKept(entryPath) &&
          FolderMissing(entryPath)) {
        lstrcpynW(g_kept[g_keptCount].path, entryPath, MAX_PATH);
        g_kept[g_keptCount].favourite = favourite;
        g_keptCount++;
      }
    }
  }
  CloseHandle(file);
  return 1;
}

int PlaylistLoad(LPCWSTR path, int replace) { return Load(path, replace, 0); }
int PlaylistLoadDefault(LPCWSTR path) { return Load(path, 1, 1); }
