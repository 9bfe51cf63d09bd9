#include "shell/openfiles.h"

#include <string.h>

#include "engine/engine.h"
#include "playlist/filechooser.h"
#include "playlist/playlist.h"
#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"
#include "trackinfo/trackinfo.h"

static BOOL IsPlaylistFile(LPCWSTR path) {
  WCHAR extension[MAX_PATH];
  ExtensionOf(path, extension, MAX_PATH);
  return LxStrCmpiW(extension, u"PLT") == 0;
}

static void RepaintList(void) {
  PlaylistPlaceThumb();
  if (g_windows.playlist) InvalidateRect(g_windows.playlist, NULL, FALSE);
}

// A full list refuses every further file with a box: one box, then stop.
static int AddScanned(LPCWSTR path, LPCWSTR extension, void*) {
  if (g_playlist.count >= PLAYLIST_LIMIT) {
    PlaylistShowFull();
    return 0;
  }
  if (LxStrCmpiW(extension, u"PLT") == 0) {
    PlaylistLoad(path, 0);
    RepaintList();
  } else if (g_windows.playlist) {
    SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)path);
  }
  return 1;
}

int OpenChoice(const FileChooserParams* choice) {
  WaitCursor(TRUE, FALSE);
  if (choice->all) {
    if (g_windows.board) SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_STOP, 0), 0);
    if (g_windows.playlist) SendMessageW(g_windows.playlist, UM_CLEARPLAYLIST, 0, 0);
    FolderScan(choice->path, choice->extension, choice->subfolders, AddScanned, NULL);
  } else if (IsPlaylistFile(choice->path)) {
    PlaylistLoad(choice->path, 1);
    RepaintList();
  } else {
    // Probed first: a file that is no audio leaves the list as it was.
    static PlaylistEntry probe;
    memset(&probe, 0, sizeof probe);
    lstrcpynW(probe.path, choice->path, MAX_PATH);
    if (TrackProbe(&probe) && g_windows.playlist) {
      SendMessageW(g_windows.playlist, UM_CLEARPLAYLIST, 0, 0);
      SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)choice->path);
    }
  }
  WaitCursor(FALSE, FALSE);
  return g_playlist.count != 0;
}

void OpenFiles(void) {
  static FileChooserParams params;
  memset(&params, 0, sizeof params);
  params.types = OpenFileTypes;
  params.typeCount = AUDIO_TYPE_COUNT;
  params.subfoldersAllowed = 1;
  if (RunDialog(IDD_FILECHOOSER, FileChooserProc, (LPARAM)&params) != IDOK) return;
  if (OpenChoice(&params)) {
    if (g_windows.playlist)
      SendMessageW(g_windows.playlist, WM_COMMAND, MAKEWPARAM(IDM_NEXT_TITLE, g_settings.playAtOpen == 1 ? 0 : 1), 0);
  } else {
    MessageBoxW(g_windows.main, u"Ungültiges Datei-Format", u"Mitteilung", MB_OK);
    if (g_windows.playlist) SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)g_engine.filePath);
  }
}
