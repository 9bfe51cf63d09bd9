// "Playlist bearbeiten" (dialog 157): titles moved up and down or sorted by
// title in a list of their own, applied to the playlist on "Ok".
#pragma once
#include <windows.h>

#include "playlist/playlistentry.h"

#define IDD_PLAYLISTEDIT 157
#define IDC_EDIT_UP 6
#define IDC_EDIT_DOWN 7
#define IDC_EDIT_LIST 1049
#define IDC_EDIT_ASCENDING 1063
#define IDC_EDIT_DESCENDING 1064

// Modal, owned by the main window: 1 after "Ok", 2 after "Abbrechen".
INT_PTR PlaylistEditRun(void);
INT_PTR CALLBACK PlaylistEditProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The sort order: the first 31 characters of the titles, without case, by
// the user's locale; a failed comparison counts as equal.
int CompareTitles(const PlaylistEntry* a, const PlaylistEntry* b);
