// A device program showing the platform's dialogs and controls: the menu
// bar's "Zeigen" drop-down opens a sample dialog, a property sheet or a
// message box, or sets the text through its "Text" submenu; the result is
// shown in the window.
#include <cstdio>

#include "aygshell.h"
#include "commctrl.h"
#include "lxresource.h"
#include "lxprogram.h"
#include "windows.h"

namespace {

enum : WORD {
  kShowDialog = 200,
  kShowMessage = 201,
  kQuit = 202,
  kClearResult = 203,
  kGreet = 204,
  kMenu = 100,
  kMenuBar = 100,
  kDialog = 300,
  kName = 10,
  kShuffle = 11,
  kLeft = 12,
  kRight = 13,
  kList = 14,
  kCombo = 15,
  kTrack = 16,
  kCount = 17,
  kSpin = 18,
  kProgress = 19,
};

constexpr WORD kShowSheet = 205;
const LXMENUITEM kText[] = {{MF_STRING, kClearResult, u"Leeren", 0, nullptr},
                            {MF_STRING, kGreet, u"Gruß", 0, nullptr}};
const LXMENUITEM kShow[] = {{MF_STRING, kShowDialog, u"Dialog", 0, nullptr},
                            {MF_STRING, kShowSheet, u"Eigenschaften", 0, nullptr},
                            {MF_STRING, kShowMessage, u"Meldung", 0, nullptr},
                            {MF_POPUP, 0, u"Text", 2, kText},
                            {MF_SEPARATOR, 0, nullptr, 0, nullptr},
                            {MF_STRING, kQuit, u"Beenden", 0, nullptr}};
const LXMENUITEM kTop[] = {{MF_POPUP, 0, u"Zeigen", 6, kShow}};
const LXMENUTEMPLATE kMenuTemplate = {1, kTop};
const LXMENUBARBUTTON kButtons[] = {{40001, u"Zeigen", 0, TBSTATE_ENABLED, TBSTYLE_DROPDOWN},
                                    {kShowMessage, u"Meldung", -1, TBSTATE_ENABLED, TBSTYLE_BUTTON}};
const LXMENUBARTEMPLATE kBar = {kMenu, 2, kButtons};

constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

// ---- The list view: titles with icons, sorted by a tap on a header ----

constexpr WORD kTable = 30;
struct Title {
  LPCWSTR name, type, length;
  int image, seconds;
};
const Title kTitles[] = {{u"Morgen", u"MP3", u"3:12", 1, 192}, {u"Lieder", u"DIR", u"", 0, 0},
                         {u"Abend", u"MP2", u"4:05", 1, 245}, {u"Notizen.txt", u"TXT", u"", 2, 0},
                         {u"Brücke", u"MP3", u"2:48", 1, 168}};
int gSortColumn = 0, gSortDirection = 1;

int CALLBACK CompareTitles(LPARAM a, LPARAM b, LPARAM column) {
  const Title &x = kTitles[a], &y = kTitles[b];
  int c = column == 2 ? x.seconds - y.seconds : lstrcmpiW(column ? x.type : x.name, column ? y.type : y.name);
  return c * gSortDirection;
}

// Icons drawn at start: a folder, a note and a page, magenta around them.
HIMAGELIST MakeIcons() {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP strip = CreateCompatibleBitmap(dc, 48, 16);
  HGDIOBJ old = SelectObject(dc, strip);
  auto fill = [dc](int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    HBRUSH br = CreateSolidBrush(c);
    FillRect(dc, &rc, br);
    DeleteObject(br);
  };
  fill(0, 0, 48, 16, RGB(255, 0, 255));
  fill(1, 3, 7, 5, RGB(0xC0, 0x90, 0x20)), fill(1, 5, 15, 14, RGB(0xE8, 0xB8, 0x40));  // folder
  fill(16 + 9, 2, 16 + 11, 12, RGB(0, 0, 0)), fill(16 + 4, 10, 16 + 11, 14, RGB(0, 0, 0));  // note
  fill(16 + 11, 2, 16 + 14, 4, RGB(0, 0, 0));
  fill(32 + 3, 1, 32 + 13, 15, RGB(0, 0, 0)), fill(32 + 4, 2, 32 + 12, 14, RGB(255, 255, 255));  // page
  SelectObject(dc, old);
  DeleteDC(dc);
  HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR | ILC_MASK, 3, 0);
  ImageList_AddMasked(il, strip, RGB(255, 0, 255));
  DeleteObject(strip);
  return il;
}

void FillTable(HWND list) {
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  ListView_SetImageList(list, MakeIcons(), LVSIL_SMALL);
  const LPCWSTR heads[] = {u"Titel", u"Typ", u"Zeit"};
  const int widths[] = {70, 30, 36};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNW col{LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM, c == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT, widths[c],
                  (LPWSTR)heads[c], 0, c, 0, 0};
    ListView_InsertColumn(list, c, &col);
  }
  for (int i = 0; i < (int)(sizeof kTitles / sizeof kTitles[0]); ++i) {
    LVITEMW it{LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, i, 0, 0, 0, (LPWSTR)kTitles[i].name, 0, kTitles[i].image, i, 0};
    ListView_InsertItem(list, &it);
    ListView_SetItemText(list, i, 1, kTitles[i].type);
    ListView_SetItemText(list, i, 2, kTitles[i].length);
  }
  ListView_SortItems(list, CompareTitles, gSortColumn);
}
const LXDLGITEM kItems[] = {
    {WS_CHILD | WS_VISIBLE, 0, 4, 6, 30, 10, 0xFFFF, u"STATIC", u"Name:"},
    {kTab | WS_BORDER | ES_AUTOHSCROLL, 0, 36, 4, 100, 13, kName, u"EDIT", u"Lumtrax"},
    {kTab | BS_AUTOCHECKBOX, 0, 4, 22, 70, 10, kShuffle, u"BUTTON", u"Zufall"},
    {WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 80, 18, 76, 30, 0xFFFF, u"BUTTON", u"Kanal"},
    {kTab | WS_GROUP | BS_AUTORADIOBUTTON, 0, 86, 28, 30, 10, kLeft, u"BUTTON", u"L"},
    {WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 120, 28, 30, 10, kRight, u"BUTTON", u"R"},
    {kTab | WS_GROUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 4, 52, 72, 50, kList, u"LISTBOX", u""},
    {kTab | CBS_DROPDOWNLIST, 0, 80, 52, 76, 60, kCombo, u"COMBOBOX", u""},
    {kTab | TBS_NOTICKS, 0, 80, 70, 76, 14, kTrack, TRACKBAR_CLASSW, u""},
    {kTab | WS_BORDER | ES_NUMBER, 0, 80, 88, 40, 13, kCount, u"EDIT", u""},
    {WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0, 0, 10, 13, kSpin,
     UPDOWN_CLASSW, u""},
    {WS_CHILD | WS_VISIBLE, 0, 124, 90, 32, 8, kProgress, PROGRESS_CLASSW, u""},
    {kTab | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 4, 104, 100, 42, kTable, WC_LISTVIEWW, u""},
    {WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0, 108, 104, 48, 42, 0xFFFF, u"EDIT",
     u"Ein Dialog mit weißem Grund, schwarzer Schrift und Rahmen von einem Pixel. Enter wählt OK, Escape bricht ab."},
    {kTab | WS_GROUP | BS_DEFPUSHBUTTON, 0, 30, 148, 44, 14, IDOK, u"BUTTON", u"OK"},
    {kTab, 0, 86, 148, 44, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
const LXDLGTEMPLATE kDialogTemplate = {WS_POPUP | DS_CENTER, 0, 0, 0, 160, 164, u"Beispiel", 0, nullptr,
                                       sizeof kItems / sizeof kItems[0], kItems};

const LXRESOURCE kResources[] = {{RT_MENU, kMenu, &kMenuTemplate, sizeof kMenuTemplate},
                                 {RT_RCDATA, kMenuBar, &kBar, sizeof kBar},
                                 {RT_DIALOG, kDialog, &kDialogTemplate, sizeof kDialogTemplate}};
LX_RESOURCE_TABLE(kResources);

HINSTANCE gInstance;
WCHAR gResult[128] = u"Zeigen > Dialog";

INT_PTR CALLBACK SampleProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_INITDIALOG: {
      for (LPCWSTR s : {u"Rock", u"Jazz", u"Klassik", u"Pop", u"Blues", u"Folk", u"Soul"})
        SendDlgItemMessageW(h, kList, LB_ADDSTRING, 0, (LPARAM)s);
      for (LPCWSTR s : {u"Normal", u"Wiederholen", u"Zufall"}) SendDlgItemMessageW(h, kCombo, CB_ADDSTRING, 0, (LPARAM)s);
      SendDlgItemMessageW(h, kCombo, CB_SETCURSEL, 0, 0);
      SendDlgItemMessageW(h, kTrack, TBM_SETRANGE, TRUE, MAKELONG(0, 10));
      SendDlgItemMessageW(h, kTrack, TBM_SETPOS, TRUE, 5);
      SendDlgItemMessageW(h, kSpin, UDM_SETRANGE32, 1, 99);
      SendDlgItemMessageW(h, kSpin, UDM_SETPOS32, 0, 3);
      SendDlgItemMessageW(h, kProgress, PBM_SETPOS, 50, 0);
      CheckRadioButton(h, kLeft, kRight, kLeft);
      FillTable(GetDlgItem(h, kTable));
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* nm = (NMLISTVIEW*)l;
      if (nm->hdr.idFrom != kTable || nm->hdr.code != LVN_COLUMNCLICK) return FALSE;
      // The same column again turns the order round.
      gSortDirection = nm->iSubItem == gSortColumn ? -gSortDirection : 1;
      gSortColumn = nm->iSubItem;
      ListView_SortItems(nm->hdr.hwndFrom, CompareTitles, gSortColumn);
      return TRUE;
    }
    case WM_HSCROLL:
      SendDlgItemMessageW(h, kProgress, PBM_SETPOS, SendDlgItemMessageW(h, kTrack, TBM_GETPOS, 0, 0) * 10, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
        if (LOWORD(w) == IDOK) GetDlgItemTextW(h, kName, gResult, 128);
        EndDialog(h, LOWORD(w));
      }
      return TRUE;
  }
  return FALSE;
}

// ---- The property sheet: two pages that keep their values until OK ----

enum : WORD { kRepeat = 20, kFade = 21, kSpeed = 22, kSpeedText = 23 };

const LXDLGITEM kPlayItems[] = {
    {kTab | BS_AUTOCHECKBOX, 0, 6, 8, 140, 10, kRepeat, u"BUTTON", u"automatische Wiederholung"},
    {kTab | BS_AUTOCHECKBOX, 0, 6, 24, 140, 10, kFade, u"BUTTON", u"Audioblende"},
};
const LXDLGTEMPLATE kPlayPage = {WS_POPUP, 0, 0, 0, 160, 140, u"Wiedergabe", 0, nullptr, 2, kPlayItems};
const LXDLGITEM kShowItems[] = {
    {WS_CHILD | WS_VISIBLE, 0, 6, 8, 100, 10, 0xFFFF, u"STATIC", u"Geschwindigkeit"},
    {kTab | TBS_NOTICKS, 0, 6, 20, 110, 14, kSpeed, TRACKBAR_CLASSW, u""},
    {WS_CHILD | WS_VISIBLE, 0, 120, 22, 34, 10, kSpeedText, u"STATIC", u""},
};
const LXDLGTEMPLATE kShowPage = {WS_POPUP, 0, 0, 0, 160, 140, u"Anzeige", 0, nullptr, 3, kShowItems};

struct SheetValues {
  bool repeat = true, fade = false;
  int speed = 10;
} gValues;

INT_PTR CALLBACK PlayPageProc(HWND h, UINT m, WPARAM, LPARAM l) {
  if (m == WM_INITDIALOG) {
    CheckDlgButton(h, kRepeat, gValues.repeat);
    CheckDlgButton(h, kFade, gValues.fade);
    return TRUE;
  }
  if (m == WM_NOTIFY && ((NMHDR*)l)->code == PSN_APPLY) {
    gValues.repeat = IsDlgButtonChecked(h, kRepeat), gValues.fade = IsDlgButtonChecked(h, kFade);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK ShowPageProc(HWND h, UINT m, WPARAM, LPARAM l) {
  auto show = [h] { SetDlgItemInt(h, kSpeedText, (UINT)SendDlgItemMessageW(h, kSpeed, TBM_GETPOS, 0, 0), FALSE); };
  switch (m) {
    case WM_INITDIALOG:
      SendDlgItemMessageW(h, kSpeed, TBM_SETRANGE, TRUE, MAKELONG(1, 10));
      SendDlgItemMessageW(h, kSpeed, TBM_SETPOS, TRUE, gValues.speed);
      show();
      return TRUE;
    case WM_HSCROLL: show(); return TRUE;
    case WM_NOTIFY:
      if (((NMHDR*)l)->code != PSN_APPLY) return FALSE;
      gValues.speed = (int)SendDlgItemMessageW(h, kSpeed, TBM_GETPOS, 0, 0);
      return TRUE;
  }
  return FALSE;
}

// Asks for the Pocket PC look and puts the tabs at the bottom, as device programs do.
int CALLBACK SheetCallback(HWND h, UINT m, LPARAM) {
  if (m == PSCB_GETVERSION) return COMCTL32_VERSION;
  if (m == PSCB_INITIALIZED) {
    HWND tabs = GetDlgItem(h, 0x3020);
    SetWindowLongW(tabs, GWL_STYLE, GetWindowLongW(tabs, GWL_STYLE) | TCS_BOTTOM);
  }
  return 0;
}

void ShowSheet(HWND owner) {
  PROPSHEETPAGEW pages[2] = {};
  const LXDLGTEMPLATE* templates[2] = {&kPlayPage, &kShowPage};
  DLGPROC procs[2] = {PlayPageProc, ShowPageProc};
  for (int i = 0; i < 2; ++i) {
    pages[i].dwSize = sizeof pages[i];
    pages[i].dwFlags = PSP_DLGINDIRECT;
    pages[i].hInstance = gInstance;
    pages[i].pResource = templates[i];
    pages[i].pfnDlgProc = procs[i];
  }
  PROPSHEETHEADERW sheet{};
  sheet.dwSize = sizeof sheet;
  sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_MAXIMIZE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
  sheet.hwndParent = owner;
  sheet.hInstance = gInstance;
  sheet.pszCaption = u"Eigenschaften";
  sheet.nPages = 2;
  sheet.ppsp = pages;
  sheet.pfnCallback = SheetCallback;
  if (PropertySheetW(&sheet) > 0) {
    char text[64];
    snprintf(text, sizeof text, "Wiederholung %d, Blende %d, Tempo %d", gValues.repeat, gValues.fade, gValues.speed);
    for (int i = 0; i < 64; ++i) gResult[i] = (WCHAR)(unsigned char)text[i];
  } else {
    lstrcpynW(gResult, u"Abgebrochen", 128);
  }
}

LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_CREATE: {
      SHMENUBARINFO mb{sizeof mb, h, 0, kMenuBar, gInstance, 0, 0, nullptr, 0};
      return SHCreateMenuBar(&mb) ? 0 : -1;
    }
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case kShowDialog:
          if (DialogBoxParamW(gInstance, MAKEINTRESOURCEW(kDialog), h, SampleProc, 0) == IDCANCEL)
            lstrcpynW(gResult, u"Abgebrochen", 128);
          InvalidateRect(h, nullptr, TRUE);
          break;
        case kShowSheet:
          ShowSheet(h);
          InvalidateRect(h, nullptr, TRUE);
          break;
        case kShowMessage: {
          int r = MessageBoxW(h, u"Wiedergabeliste speichern?", u"Lumtrax", MB_OKCANCEL | MB_ICONQUESTION);
          lstrcpynW(gResult, r == IDOK ? u"OK" : u"Abbrechen", 128);
          InvalidateRect(h, nullptr, TRUE);
          break;
        }
        case kClearResult:
        case kGreet:
          lstrcpynW(gResult, LOWORD(w) == kGreet ? u"Hallo" : u"", 128);
          InvalidateRect(h, nullptr, TRUE);
          break;
        case kQuit: DestroyWindow(h); break;
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, gResult, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show) {
  int refused = LxProgramNoArguments(commandLine,
                                     "usage: lumtrax-dialogs [OPTION...]\n"
                                     "The platform's dialogs and controls, one menu entry each, to try by hand.\n");
  if (refused >= 0) return refused;
  gInstance = instance;
  WNDCLASSW wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = u"LumtraxDialogs";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, u"LumtraxDialogs", u"Dialoge", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!h) return 1;
  ShowWindow(h, show);
  UpdateWindow(h);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return (int)msg.wParam;
}
