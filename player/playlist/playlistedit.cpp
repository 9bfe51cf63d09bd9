// "Playlist bearbeiten": the titles in a list box of their own, moved or
// sorted there, and applied to the playlist only on "Ok".
#include <aygshell.h>

#include <cstdlib>

#include "playlist/playlist.h"
#include "playlist/playlistedit.h"
#include "shell/dispatch.h"
#include "shell/playerwindows.h"

#define OWNER_TITLE_UNITS 51
#define SORT_UNITS 31

struct EditDialog {
  int selectedRow;  // -1 until the first selection
  int lastSort;     // +1 ascending, -1 descending, 0 none yet
  WCHAR ownerTitle[OWNER_TITLE_UNITS];
};
static EditDialog g_edit;

int CompareTitles(const PlaylistEntry* a, const PlaylistEntry* b) {
  int c = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a->title, SORT_UNITS, b->title, SORT_UNITS);
  return c == 0 ? 0 : c - 2;
}

static int Ascending(const void* a, const void* b) {
  return CompareTitles(*static_cast<PlaylistEntry* const*>(a), *static_cast<PlaylistEntry* const*>(b));
}

static int Descending(const void* a, const void* b) { return -Ascending(a, b); }

static LRESULT ListMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(dialog, IDC_EDIT_LIST, message, wParam, lParam);
}

static PlaylistEntry* RowEntry(HWND dialog, int row) {
  LRESULT data = ListMessage(dialog, LB_GETITEMDATA, row, 0);
  return data == LB_ERR ? nullptr : reinterpret_cast<PlaylistEntry*>(data);
}

static void InsertRow(HWND dialog, int row, PlaylistEntry* entry) {
  int at = int(ListMessage(dialog, LB_INSERTSTRING, row, reinterpret_cast<LPARAM>(entry->title)));
  if (at >= 0) ListMessage(dialog, LB_SETITEMDATA, at, reinterpret_cast<LPARAM>(entry));
}

static void ShowNoMemory() { MessageBoxW(nullptr, u"Nicht genügend Speicher.", u"Warnung", MB_OK); }

static LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM) {
  g_edit = EditDialog{};
  g_edit.selectedRow = -1;
  SHINITDLGINFO full{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&full);
  if (g_windows.main) {
    GetWindowTextW(g_windows.main, g_edit.ownerTitle, OWNER_TITLE_UNITS);
    SetWindowTextW(g_windows.main, u"Playlist bearbeiten");
  }
  int row = 0;
  for (PlaylistEntry* e = g_playlist.sentinel.next; e != &g_playlist.sentinel; e = e->next) InsertRow(dialog, row++, e);
  return TRUE;
}

static LRESULT OnList(HWND dialog, UINT, LPARAM, UINT code) {
  if (code != LBN_SELCHANGE) return 0;
  if (g_edit.selectedRow < 0) {
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_UP), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_DOWN), TRUE);
  }
  g_edit.selectedRow = int(ListMessage(dialog, LB_GETCURSEL, 0, 0));
  return 0;
}

static void MoveSelected(HWND dialog, int step) {
  int row = g_edit.selectedRow;
  int rows = int(ListMessage(dialog, LB_GETCOUNT, 0, 0));
  if (row < 0 || row + step < 0 || row + step >= rows) return;
  PlaylistEntry* entry = RowEntry(dialog, row);
  if (!entry) return;
  ListMessage(dialog, LB_DELETESTRING, row, 0);
  InsertRow(dialog, row + step, entry);
  ListMessage(dialog, LB_SETCURSEL, row + step, 0);
  g_edit.selectedRow = row + step;
}

static LRESULT OnUp(HWND dialog, UINT, LPARAM, UINT) {
  MoveSelected(dialog, -1);
  return 0;
}

static LRESULT OnDown(HWND dialog, UINT, LPARAM, UINT) {
  MoveSelected(dialog, 1);
  return 0;
}

static void Sort(HWND dialog, int direction) {
  DWORD n = g_playlist.count;
  if (n < 2) return;
  g_edit.lastSort = direction;
  PlaylistEntry** entries = static_cast<PlaylistEntry**>(malloc(n * sizeof(PlaylistEntry*)));
  if (!entries) {
    ShowNoMemory();
    return;
  }
  DWORD i = 0;
  for (PlaylistEntry* e = g_playlist.sentinel.next; e != &g_playlist.sentinel && i < n; e = e->next) entries[i++] = e;
  qsort(entries, i, sizeof(PlaylistEntry*), direction > 0 ? Ascending : Descending);
  // The selection stays with its title, not with its row.
  PlaylistEntry* selected = g_edit.selectedRow >= 0 ? RowEntry(dialog, g_edit.selectedRow) : nullptr;
  ListMessage(dialog, LB_RESETCONTENT, 0, 0);
  for (DWORD k = 0; k < i; k++) {
    InsertRow(dialog, int(k), entries[k]);
    if (entries[k] == selected) g_edit.selectedRow = int(k);
  }
  if (selected) ListMessage(dialog, LB_SETCURSEL, g_edit.selectedRow, 0);
  free(entries);
}

static LRESULT OnAscending(HWND dialog, UINT, LPARAM, UINT) {
  Sort(dialog, 1);
  return 0;
}

static LRESULT OnDescending(HWND dialog, UINT, LPARAM, UINT) {
  Sort(dialog, -1);
  return 0;
}

static LRESULT OnOk(HWND dialog, UINT, LPARAM, UINT) {
  int rows = int(ListMessage(dialog, LB_GETCOUNT, 0, 0));
  PlaylistEntry** entries = static_cast<PlaylistEntry**>(malloc((rows > 0 ? rows : 1) * sizeof(PlaylistEntry*)));
  if (!entries) {
    ShowNoMemory();
    return 0;
  }
  for (int i = 0; i < rows; i++) entries[i] = RowEntry(dialog, i);
  // Played marks and the cycle's count stay as they are.
  PlaylistReorder(entries, DWORD(rows));
  free(entries);
  PlaylistRecountFavourites();
  EndDialog(dialog, IDOK);
  return 0;
}

static LRESULT OnCancel(HWND dialog, UINT, LPARAM, UINT) {
  EndDialog(dialog, IDCANCEL);
  return 0;
}

static const CommandEntry EditCommands[] = {
    {IDOK, OnOk},
    {IDCANCEL, OnCancel},
    {IDC_EDIT_UP, OnUp},
    {IDC_EDIT_DOWN, OnDown},
    {IDC_EDIT_ASCENDING, OnAscending},
    {IDC_EDIT_DESCENDING, OnDescending},
    {IDC_EDIT_LIST, OnList},
};

static LRESULT OnCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(dialog, message, wParam, lParam, EditCommands, TABLE_COUNT(EditCommands));
  return TRUE;
}

static LRESULT OnSize(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  FitListToDialog(dialog, GetDlgItem(dialog, IDC_EDIT_LIST), lParam);
  return FALSE;
}

static LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM) {
  if (g_windows.main) SetWindowTextW(g_windows.main, g_edit.ownerTitle);
  return FALSE;
}

static const MessageEntry EditMessages[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
    {WM_SIZE, OnSize},
    {WM_DESTROY, OnDestroy},
};

INT_PTR CALLBACK PlaylistEditProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(dialog, message, wParam, lParam, EditMessages, TABLE_COUNT(EditMessages), DialogDefault);
}

INT_PTR PlaylistEditRun(void) { return RunDialog(IDD_PLAYLISTEDIT, PlaylistEditProc, 0); }
