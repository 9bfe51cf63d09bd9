// The file chooser dialog: browses folders, filters by type, returns one
// file or a whole folder ("Alle").
#include <aygshell.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>
#include <string_view>

#include "playlist/filechooser.h"
#include "shell/dispatch.h"
#include "shell/playerwindows.h"

const FileTypeRow AudioFileTypes[AUDIO_TYPE_COUNT] = {{u"MP3 Files(*.MP3)", u"MP3"},
                                                      {u"MP2 Files(*.MP2)", u"MP2"},
                                                      {u"MP1 Files(*.MP1)", u"MP1"},
                                                      {u"Playlist Files(*.PLT)", u"PLT"},
                                                      {u"All Files(*.*)", u"*"}};
const FileTypeRow OpenFileTypes[AUDIO_TYPE_COUNT] = {{u"MP3 Files(*.MP3)", u"MP3"},
                                                     {u"MP2 Files(*.MP2)", u"MP2"},
                                                     {u"MP1 Files(*.MP1)", u"MP1"},
                                                     {u"Playlist Files(*.PLT)", u"PLT"},
                                                     {u"All Files(*.*)", u"*"}};
const FileTypeRow PlaylistFileTypes[1] = {{u"Playlist Files(*.PLT)", u"PLT"}};

#define TYPE_UNITS 10
#define OWNER_TITLE_UNITS 51
#define SIZE_UNITS 32

// The kind is kept apart from the type text: a file named "x.dir" or one
// without an extension is still a file.
enum BrowserKind { KindParent, KindFolder, KindFile };

struct BrowserItem {
  WCHAR name[MAX_PATH];
  WCHAR type[TYPE_UNITS];  // the extension, cut for display; "DIR" for folders
  ULONGLONG size;
  BYTE kind;
};

enum ChooserImage { ImageFolder, ImageAudio, ImagePdl, ImageOther };

// Kept for the program's lifetime: the chooser reopens where it was left.
struct ChooserMemory {
  WCHAR currentFolder[MAX_PATH];
  int sortColumn;
  int sortDirection;
};
static ChooserMemory g_chooser = {{0}, 1, 1};

struct ChooserDialog {
  FileChooserParams* params;
  HWND list;
  HIMAGELIST images;
  int chosenRow;
  DWORD listing;  // counts fills: a double tap acts only in the listing of its first tap
  int clickRow;
  DWORD clickListing;
  WCHAR ownerTitle[OWNER_TITLE_UNITS];
};
static ChooserDialog g_dialog;

static void StartFolder() {
  if (g_chooser.currentFolder[0]) return;
  WCHAR music[MAX_PATH];
  int n;
  if (SHGetSpecialFolderPath(nullptr, music, CSIDL_MYMUSIC, FALSE) && (n = lstrlenW(music)) > 0 &&
      n + 4 < MAX_PATH) {
    if (music[n - 1] != u'\\') lstrcatW(music, u"\\");
    lstrcpyW(g_chooser.currentFolder, music);
  } else {
    lstrcpyW(g_chooser.currentFolder, u"\\");
  }
}

LPCWSTR FileChooserFolder(void) {
  StartFolder();
  return g_chooser.currentFolder;
}

void FileChooserSetFolder(LPCWSTR folder) { lstrcpynW(g_chooser.currentFolder, folder, MAX_PATH); }

void FileChooserForget(void) { g_chooser = ChooserMemory{{0}, 1, 1}; }

static BrowserItem* ItemAt(int row) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (row < 0 || !ListView_GetItem(g_dialog.list, &item)) return nullptr;
  return reinterpret_cast<BrowserItem*>(item.lParam);
}

// 1 -1 0, never the difference, which wraps for large sizes.
static int Order(ULONGLONG a, ULONGLONG b) { return a < b ? -1 : a > b ? 1 : 0; }

static int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM) {
  const BrowserItem* a = reinterpret_cast<const BrowserItem*>(first);
  const BrowserItem* b = reinterpret_cast<const BrowserItem*>(second);
  int d = g_chooser.sortDirection;
  if (g_chooser.sortColumn == 2) return Order(a->size, b->size) * d;
  if (a->kind == KindParent) return b->kind == KindParent ? 0 : -d;
  if (b->kind == KindParent) return d;
  if (a->kind == KindFolder && b->kind != KindFolder) return -d;
  if (b->kind == KindFolder && a->kind != KindFolder) return d;
  LPCWSTR x = g_chooser.sortColumn == 0 ? a->name : a->type;
  LPCWSTR y = g_chooser.sortColumn == 0 ? b->name : b->type;
  int c = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x, -1, y, -1);
  return c == 0 ? 0 : (c - 2) * d;  // 0 is a failed comparison: equal
}

static void FormatSize(ULONGLONG size, WCHAR* out) {
  WCHAR digits[SIZE_UNITS];
  int n = 0;
  ULONGLONG k = size / 1000;
  do {
    digits[n++] = WCHAR(u'0' + k % 10);
    k /= 10;
  } while (k);
  int i = 0;
  while (n) out[i++] = digits[--n];
  lstrcpyW(out + i, u"kb");
}

static void AddRow(LPCWSTR name, LPCWSTR type, ULONGLONG size, BYTE kind, int image) {
  BrowserItem* item = static_cast<BrowserItem*>(calloc(1, sizeof(BrowserItem)));
  if (!item) return;
  lstrcpynW(item->name, name, MAX_PATH);
  lstrcpynW(item->type, type, TYPE_UNITS);
  item->size = size;
  item->kind = kind;
  LVITEMW row{};
  row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  row.iItem = ListView_GetItemCount(g_dialog.list);
  row.pszText = item->name;
  row.iImage = image;
  row.lParam = reinterpret_cast<LPARAM>(item);
  int at = ListView_InsertItem(g_dialog.list, &row);
  if (at < 0) {
    free(item);
    return;
  }
  if (item->type[0]) ListView_SetItemText(g_dialog.list, at, 1, item->type);
  if (kind == KindFile) {
    WCHAR text[SIZE_UNITS];
    FormatSize(size, text);
    ListView_SetItemText(g_dialog.list, at, 2, text);
  }
}

static void SortRows() { ListView_SortItems(g_dialog.list, CompareRows, 0); }

static void FillList(HWND dialog) {
  LPCWSTR folder = g_chooser.currentFolder;
  SetDlgItemTextW(dialog, IDC_CHOOSER_PATH, folder);
  ListView_DeleteAllItems(g_dialog.list);
  g_dialog.listing++;
  g_dialog.chosenRow = -1;
  if (std::u16string_view(folder) != u"\\") AddRow(u"..", u"", 0, KindParent, ImageFolder);
  int length = lstrlenW(folder);
  if (length + 3 >= MAX_PATH) return;
  WCHAR pattern[MAX_PATH];
  lstrcpyW(pattern, folder);
  lstrcatW(pattern, u"*.*");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return;
  WaitCursor(TRUE, FALSE);
  std::u16string_view wanted(g_dialog.params->extension);
  WCHAR extension[MAX_PATH];
  do {
    if (data.cFileName[0] == u'.') continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      AddRow(data.cFileName, u"DIR", 0, KindFolder, ImageFolder);
      continue;
    }
    ExtensionOf(data.cFileName, extension, MAX_PATH);
    CharUpperW(extension);
    if (wanted != u"*" && wanted != extension) continue;
    std::u16string_view ext(extension);
    int image = ext == u"PDL" ? ImagePdl : ext == u"MP3" || ext == u"WAV" ? ImageAudio : ImageOther;
    AddRow(data.cFileName, extension, (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow, KindFile, image);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  SortRows();
  InvalidateRect(g_dialog.list, nullptr, TRUE);
  WaitCursor(FALSE, FALSE);
}

// Up one level: cut behind the backslash before the last one; "\" stays.
static void LeaveFolder() {
  WCHAR* folder = g_chooser.currentFolder;
  for (int i = lstrlenW(folder) - 2; i >= 0; i--) {
    if (folder[i] == u'\\') {
      folder[i + 1] = 0;
      return;
    }
  }
  lstrcpyW(folder, u"\\");
}

// A folder whose pattern would not fit the path buffer is not entered.
static int EnterFolder(LPCWSTR name) {
  WCHAR* folder = g_chooser.currentFolder;
  if (lstrlenW(folder) + lstrlenW(name) + 4 >= MAX_PATH) return 0;
  lstrcatW(folder, name);
  lstrcatW(folder, u"\\");
  return 1;
}

// A tap, double tap or Enter on a row.
static void ActOnRow(HWND dialog, int row, int twice) {
  g_dialog.chosenRow = row;
  if (row < 0) return;
  if (!(ListView_GetItemState(g_dialog.list, row, LVIS_SELECTED) & LVIS_SELECTED)) {
    g_dialog.chosenRow = -1;
    return;
  }
  BrowserItem* item = ItemAt(row);
  if (!item) return;
  if (item->kind == KindParent) {
    LeaveFolder();
    FillList(dialog);
  } else if (item->kind == KindFolder) {
    g_dialog.chosenRow = -1;
    if (EnterFolder(item->name)) FillList(dialog);
  } else {
    if (lstrlenW(g_chooser.currentFolder) + lstrlenW(item->name) >= MAX_PATH) {
      g_dialog.chosenRow = -1;
      return;
    }
    lstrcpyW(g_dialog.params->path, g_chooser.currentFolder);
    lstrcatW(g_dialog.params->path, item->name);
    if (twice) EndDialog(dialog, IDOK);
  }
}

static void SetUpList(HWND dialog) {
  HWND list = g_dialog.list = GetDlgItem(dialog, IDC_CHOOSER_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  const LPCWSTR heads[] = {u"Datei", u"Typ", u"Größe"};
  const int widths[] = {115, 45, 78};
  for (int c = 0; c < 3; c++) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = c == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = widths[c];
    column.pszText = const_cast<LPWSTR>(heads[c]);
    column.iSubItem = c;
    ListView_InsertColumn(list, c, &column);
  }
  HBITMAP strip = LoadBitmapW(g_windows.instance, MAKEINTRESOURCEW(IDB_CHOOSER_ICONS));
  BITMAP info{};
  if (strip && GetObjectW(strip, sizeof info, &info)) {
    g_dialog.images = ImageList_Create(16, info.bmHeight, ILC_COLOR | ILC_MASK, 4, 0);
    if (g_dialog.images) ImageList_AddMasked(g_dialog.images, strip, RGB(255, 0, 255));
    ListView_SetImageList(list, g_dialog.images, LVSIL_SMALL);
  }
  if (strip) DeleteObject(strip);
}

static LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  g_dialog = ChooserDialog{};
  FileChooserParams* params = g_dialog.params = reinterpret_cast<FileChooserParams*>(lParam);
  g_dialog.chosenRow = -1;
  g_dialog.clickRow = -1;
  SHINITDLGINFO full{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&full);
  if (g_windows.main) {
    GetWindowTextW(g_windows.main, g_dialog.ownerTitle, OWNER_TITLE_UNITS);
    SetWindowTextW(g_windows.main, u"Datei öffnen");
  }
  params->all = 0;
  params->subfolders = 0;
  params->path[0] = 0;
  params->extension[0] = 0;
  for (int i = 0; i < params->typeCount; i++) {
    int at = int(SendDlgItemMessageW(dialog, IDC_CHOOSER_TYPE, CB_ADDSTRING, 0,
                                     reinterpret_cast<LPARAM>(params->types[i].label)));
    SendDlgItemMessageW(dialog, IDC_CHOOSER_TYPE, CB_SETITEMDATA, at, i);
  }
  SendDlgItemMessageW(dialog, IDC_CHOOSER_TYPE, CB_SETCURSEL, 0, 0);
  if (params->typeCount > 0) lstrcpynW(params->extension, params->types[0].extension, MAX_PATH);
  if (!params->subfoldersAllowed) {
    EnableWindow(GetDlgItem(dialog, IDC_CHOOSER_SUBFOLDERS), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_CHOOSER_SUBFOLDERS_NOTE), FALSE);
  }
  SetUpList(dialog);
  StartFolder();
  FillList(dialog);
  return TRUE;
}

static void Close(HWND dialog, INT_PTR result) { EndDialog(dialog, result); }

static LRESULT OnOk(HWND dialog, UINT, LPARAM, UINT) {
  // Enter on a folder row enters it; on a file it is "Ok".
  int selected = ListView_GetNextItem(g_dialog.list, -1, LVNI_SELECTED);
  BrowserItem* item = ItemAt(selected);
  if (item && item->kind != KindFile && GetFocus() == g_dialog.list) {
    ActOnRow(dialog, selected, 0);
    return 0;
  }
  Close(dialog, g_dialog.chosenRow >= 0 && g_dialog.params->path[0] ? IDOK : IDCANCEL);
  return 0;
}

static LRESULT OnAll(HWND dialog, UINT, LPARAM, UINT) {
  FileChooserParams* params = g_dialog.params;
  params->all = 1;
  lstrcpyW(params->path, g_chooser.currentFolder);
  int row = int(SendDlgItemMessageW(dialog, IDC_CHOOSER_TYPE, CB_GETCURSEL, 0, 0));
  if (row >= 0 && row < params->typeCount) lstrcpynW(params->extension, params->types[row].extension, MAX_PATH);
  Close(dialog, IDOK);
  return 0;
}

static LRESULT OnCancel(HWND dialog, UINT, LPARAM, UINT) {
  Close(dialog, IDCANCEL);
  return 0;
}

static LRESULT OnType(HWND dialog, UINT, LPARAM, UINT code) {
  if (code != CBN_SELCHANGE) return 0;
  FileChooserParams* params = g_dialog.params;
  int row = int(SendDlgItemMessageW(dialog, IDC_CHOOSER_TYPE, CB_GETCURSEL, 0, 0));
  if (row < 0 || row >= params->typeCount) return 0;
  lstrcpynW(params->extension, params->types[row].extension, MAX_PATH);
  FillList(dialog);
  return 0;
}

static LRESULT OnSubfolders(HWND, UINT, LPARAM, UINT code) {
  if (code == BN_CLICKED) g_dialog.params->subfolders ^= 1;
  return 0;
}

static const CommandEntry ChooserCommands[] = {
    {IDOK, OnOk},
    {IDC_CHOOSER_ALL, OnAll},
    {IDCANCEL, OnCancel},
    {IDC_CHOOSER_TYPE, OnType},
    {IDC_CHOOSER_SUBFOLDERS, OnSubfolders},
};

static LRESULT OnCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(dialog, message, wParam, lParam, ChooserCommands, TABLE_COUNT(ChooserCommands));
  return TRUE;
}

static LRESULT OnNotify(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header || header->idFrom != IDC_CHOOSER_LIST) return FALSE;
  switch (header->code) {
    case NM_CLICK: {
      int row = reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem;
      g_dialog.clickRow = row;
      g_dialog.clickListing = g_dialog.listing;
      ActOnRow(dialog, row, 0);
      break;
    }
    case NM_DBLCLK: {
      // The first tap may have refilled the list: the second lands in
      // another listing and must not act there.
      int row = reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem;
      if (row == g_dialog.clickRow && g_dialog.clickListing == g_dialog.listing) ActOnRow(dialog, row, 1);
      break;
    }
    case LVN_ITEMCHANGED: {
      // Arrows choose too; a folder row chooses nothing.
      NMLISTVIEW* change = reinterpret_cast<NMLISTVIEW*>(lParam);
      if (!(change->uNewState & LVIS_SELECTED) || (change->uOldState & LVIS_SELECTED)) break;
      BrowserItem* item = ItemAt(change->iItem);
      if (item && item->kind == KindFile &&
          lstrlenW(g_chooser.currentFolder) + lstrlenW(item->name) < MAX_PATH) {
        g_dialog.chosenRow = change->iItem;
        lstrcpyW(g_dialog.params->path, g_chooser.currentFolder);
        lstrcatW(g_dialog.params->path, item->name);
      } else {
        g_dialog.chosenRow = -1;
      }
      break;
    }
    case LVN_COLUMNCLICK: {
      int column = reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem;
      if (column == g_chooser.sortColumn)
        g_chooser.sortDirection = -g_chooser.sortDirection;
      else
        g_chooser.sortDirection = 1;
      g_chooser.sortColumn = column;
      SortRows();
      break;
    }
    case LVN_DELETEITEM:
      free(reinterpret_cast<BrowserItem*>(reinterpret_cast<NMLISTVIEW*>(lParam)->lParam));
      break;
  }
  return FALSE;
}

static LRESULT OnSize(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  FitListToDialog(dialog, g_dialog.list, lParam);
  return FALSE;
}

static LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM) {
  // The rows free their items as the list goes.
  if (g_dialog.list) ListView_DeleteAllItems(g_dialog.list);
  if (g_dialog.images) {
    ImageList_Destroy(g_dialog.images);  // shared: the list does not free it
    g_dialog.images = nullptr;
  }
  if (g_windows.main) SetWindowTextW(g_windows.main, g_dialog.ownerTitle);
  g_dialog.list = nullptr;
  return FALSE;
}

static const MessageEntry ChooserMessages[] = {
    {WM_INITDIALOG, OnInitDialog}, {WM_COMMAND, OnCommand}, {WM_NOTIFY, OnNotify},
    {WM_SIZE, OnSize},             {WM_DESTROY, OnDestroy},
};

INT_PTR CALLBACK FileChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(dialog, message, wParam, lParam, ChooserMessages, TABLE_COUNT(ChooserMessages), DialogDefault);
}

INT_PTR FileChooserRun(FileChooserParams* params) {
  return RunDialog(IDD_FILECHOOSER, FileChooserProc, reinterpret_cast<LPARAM>(params));
}
