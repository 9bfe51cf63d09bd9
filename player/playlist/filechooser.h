// The player's own file chooser (dialog 150): folders in a three-column
// list, a type filter, one file or a whole folder ("Alle"); and the folder
// scan that hands a folder's files to a callback.
#pragma once
#include <windows.h>

#define IDD_FILECHOOSER 150
#define IDB_CHOOSER_ICONS 150
#define IDC_CHOOSER_LIST 1002
#define IDC_CHOOSER_PATH 1004
#define IDC_CHOOSER_TYPE 1007
#define IDC_CHOOSER_ALL 1011
#define IDC_CHOOSER_SUBFOLDERS 1068
#define IDC_CHOOSER_SUBFOLDERS_NOTE 1069

struct FileTypeRow {
  LPCWSTR label;
  LPCWSTR extension;  // upper case, or "*" for every file
};

#define AUDIO_TYPE_COUNT 5
extern const FileTypeRow AudioFileTypes[AUDIO_TYPE_COUNT];  // "Datei hinzufügen"
extern const FileTypeRow OpenFileTypes[AUDIO_TYPE_COUNT];   // the main window's "Öffnen"
extern const FileTypeRow PlaylistFileTypes[1];              // "Playlist öffnen"

struct FileChooserParams {
  const FileTypeRow* types;
  int typeCount;
  WCHAR path[MAX_PATH];       // out: the chosen file, or the folder for "Alle"
  int all;                    // out: 1 when "Alle" closed the dialog
  int subfolders;             // out: the check box; starts at 0
  int subfoldersAllowed;      // in: 0 disables the check box
  WCHAR extension[MAX_PATH];  // out: the selected type's extension, for "Alle"
};

// Modal, owned by the main window: 1 (OK) or 2 (cancelled).
INT_PTR FileChooserRun(FileChooserParams* params);
INT_PTR CALLBACK FileChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The folder the chooser shows next (ends with a backslash).
LPCWSTR FileChooserFolder(void);
void FileChooserSetFolder(LPCWSTR folder);
// Back to the first opening's state: the start folder, sorted by type.
void FileChooserForget(void);

// path: folder + name; extension: the name's, upper case. 0 stops the scan.
typedef int (*FolderScanCallback)(LPCWSTR path, LPCWSTR extension, void* context);
// folder ends with a backslash; extension upper case or "*". Depth first in
// the platform's order; hidden (dot) names, folders met before (links) and
// paths of 260 units or more are left out. Between files the thread's
// messages run, pen and keys dropped. 1 when the scan ran to its end; 0 when
// the callback, WM_QUIT (posted again) or the playlist window's end stopped it.
int FolderScan(LPCWSTR folder, LPCWSTR extension, int subfolders, FolderScanCallback callback, void* context);
// The text after the last '.', scanning backwards; a '/' or '\' met first,
// or a '.' only at position 0, gives "".
void ExtensionOf(LPCWSTR name, WCHAR* out, int capacity);
