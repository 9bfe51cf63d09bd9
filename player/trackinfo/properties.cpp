// "Information anzeigen": what the probe found about one entry, as label and
// value rows in an owner-drawn list. Nothing is read from the file again.
#include <aygshell.h>
#include <commctrl.h>

#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "trackinfo/properties.h"
#include "trackinfo/trackinfo.h"

#define OWNER_TITLE_UNITS 51
#define DRAWN_UNITS 100
#define PROPERTY_FONT_HEIGHT (-12)

static const WCHAR* const CodecNames[4] = {u"", u"MPEG Layer-1 Decoder", u"MPEG Layer-2 Decoder",
                                           u"MPEG Layer-3 Decoder"};

static const WCHAR* const Labels[PROPERTY_ROWS / 2] = {
    u"Title :", u"Album :", u"Artist :", u"Year :", u"Duration :", u"Location :", u"Audio Codec :", u"Bit Rate :",
    u"Sample Rate :", u"Genre :"};

void PropertyRow(const PlaylistEntry* entry, int row, WCHAR* text, int capacity) {
  if (capacity <= 0) return;
  text[0] = 0;
  if (row < 0 || row >= PROPERTY_ROWS || !entry) return;
  if (row % 2 == 0) {
    LPCWSTR label = Labels[row / 2];
    if (row == 14 && (entry->flags & EntryVbr)) label = u"(VBR) Average Bit Rate :";
    lstrcpynW(text, label, capacity);
    return;
  }
  switch (row / 2) {
    case 0: lstrcpynW(text, entry->title, capacity); break;
    // Tag text as the probe took it: ID3v2 where the file has it, else ID3v1.
    case 1: lstrcpynW(text, entry->album, capacity); break;
    case 2: lstrcpynW(text, entry->artist, capacity); break;
    case 3: lstrcpynW(text, entry->year, capacity); break;
    case 4: lstrcpynW(text, entry->durationText, capacity); break;
    case 5: lstrcpynW(text, entry->path, capacity); break;
    case 6: {
      int layer = 4 - ((entry->frameHeader[1] >> 1) & 3);
      lstrcpynW(text, layer >= 1 && layer <= 3 ? CodecNames[layer] : u"", capacity);
      break;
    }
    case 7: LxFormatW(text, capacity, u"%d kbps", entry->bitRate / 1000); break;
    case 8: LxFormatW(text, capacity, u"%d kHz", entry->sampleRate / 1000); break;
    case 9: lstrcpynW(text, EntryGenreName(entry), capacity); break;
  }
}

struct PropertiesDialog {
  const PlaylistEntry* entry;
  HFONT labelFont;
  HFONT valueFont;
  WCHAR ownerTitle[OWNER_TITLE_UNITS];
};
static PropertiesDialog g_properties;

static HFONT MakeFont(LONG weight) {
  LOGFONTW font{};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
  font.lfHeight = PROPERTY_FONT_HEIGHT;
  font.lfWidth = 0;
  font.lfWeight = weight;
  return CreateFontIndirectW(&font);
}

// Comes while the list is made, before WM_INITDIALOG: no fonts are needed
// to answer it.
static LRESULT OnMeasureItem(HWND, UINT, WPARAM, LPARAM lParam) {
  reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = PROPERTY_ROW_HEIGHT;
  return TRUE;
}

static LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  g_properties.entry = reinterpret_cast<const PlaylistEntry*>(lParam);
  g_properties.ownerTitle[0] = 0;
  SHINITDLGINFO full{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&full);
  if (g_windows.main) {
    GetWindowTextW(g_windows.main, g_properties.ownerTitle, OWNER_TITLE_UNITS);
    SetWindowTextW(g_windows.main, u"Information anzeigen");
  }
  g_properties.labelFont = MakeFont(800);
  g_properties.valueFont = MakeFont(FW_NORMAL);
  HWND list = GetDlgItem(dialog, IDC_PROPERTIES_LIST);
  RECT client;
  GetClientRect(list, &client);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
  column.pszText = const_cast<LPWSTR>(u"Eigenschaften");
  ListView_InsertColumn(list, 0, &column);
  for (int row = 0; row < PROPERTY_ROWS; row++) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<LPWSTR>(u"");
    item.lParam = row;
    ListView_InsertItem(list, &item);
  }
  return TRUE;
}

static LRESULT OnDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
  const DRAWITEMSTRUCT* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  int row = int(draw->itemID);
  RECT box = draw->rcItem;
  int label = row % 2 == 0;
  FillRect(draw->hDC, &box, static_cast<HBRUSH>(GetStockObject(label ? WHITE_BRUSH : LTGRAY_BRUSH)));
  WCHAR text[PROPERTY_TEXT_UNITS];
  PropertyRow(g_properties.entry, row, text, DRAWN_UNITS + 1);
  HFONT font = label ? g_properties.labelFont : g_properties.valueFont;
  HGDIOBJ old = font ? SelectObject(draw->hDC, font) : nullptr;
  SetBkMode(draw->hDC, TRANSPARENT);
  SetTextColor(draw->hDC, RGB(0, 0, 0));
  box.left += 5;
  DrawTextW(draw->hDC, text, -1, &box, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (old) SelectObject(draw->hDC, old);
  return TRUE;
}

static LRESULT OnCommand(HWND dialog, UINT, WPARAM wParam, LPARAM) {
  if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}

static LRESULT OnSize(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  FitListToDialog(dialog, GetDlgItem(dialog, IDC_PROPERTIES_LIST), lParam);
  return FALSE;
}

static LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM) {
  if (g_properties.labelFont) DeleteObject(g_properties.labelFont);
  if (g_properties.valueFont) DeleteObject(g_properties.valueFont);
  g_properties.labelFont = g_properties.valueFont = nullptr;
  if (g_windows.main) SetWindowTextW(g_windows.main, g_properties.ownerTitle);
  return FALSE;
}

static const MessageEntry PropertiesMessages[] = {
    {WM_MEASUREITEM, OnMeasureItem}, {WM_INITDIALOG, OnInitDialog}, {WM_DRAWITEM, OnDrawItem},
    {WM_COMMAND, OnCommand},         {WM_SIZE, OnSize},             {WM_DESTROY, OnDestroy},
};

INT_PTR CALLBACK PropertiesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(dialog, message, wParam, lParam, PropertiesMessages, TABLE_COUNT(PropertiesMessages),
                  DialogDefault);
}

INT_PTR PropertiesRun(PlaylistEntry* entry) {
  return RunDialog(IDD_PROPERTIES, PropertiesProc, reinterpret_cast<LPARAM>(entry));
}
