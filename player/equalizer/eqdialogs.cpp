// The preset dialog picks a preset; the edit dialog edits copies of the whole
// list and replaces it only on "Ok".
#include "equalizer/eqdialogs.h"

#include <aygshell.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "trackinfo/trackinfo.h"

#define GENRE_ROW_NONE 126  // "Default" in the genre list stands for genre 255

// Both dialogs show their purpose in the main window's title while open.
static void SaveMainTitle(WCHAR* saved, LPCWSTR title) {
  saved[0] = 0;
  if (!g_windows.main) return;
  GetWindowTextW(g_windows.main, saved, MAIN_TITLE_UNITS);
  SetWindowTextW(g_windows.main, title);
}

static void RestoreMainTitle(const WCHAR* saved) {
  if (g_windows.main) SetWindowTextW(g_windows.main, saved);
}

static void FullScreen(HWND dialog) {
  SHINITDLGINFO info = {};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dialog;
  info.dwFlags = SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
  SHInitDialog(&info);
}

// ---- Preset dialog -------------------------------------------------------

struct PresetDialogState {
  EqPreset** current;
  int chosenRow;
  WCHAR savedTitle[MAIN_TITLE_UNITS];
};

static PresetDialogState g_presetDialog;

static void ChoosePreset(HWND dialog, EqPreset* preset) {
  if (preset) {
    *g_presetDialog.current = preset;
    memcpy(g_settings.eq, preset->gains, EQ_GAIN_COUNT);
  }
  EndDialog(dialog, 1);
}

static LRESULT PresetInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  FullScreen(dialog);
  g_presetDialog.current = reinterpret_cast<EqPreset**>(lParam);
  g_presetDialog.chosenRow = -1;
  // Row r is preset r + 1: the first preset is reached by "Voreinstellung" only.
  for (DWORD i = 1; i < PresetCount(); i++)
    SendDlgItemMessageW(dialog, IDC_PRESET_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PresetAt(i)->name));
  SaveMainTitle(g_presetDialog.savedTitle, u"Preset");
  return TRUE;
}

static LRESULT PresetSize(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  int width = LOWORD(lParam), height = HIWORD(lParam);
  if (!width || !height) return NOT_HANDLED;
  HWND list = GetDlgItem(dialog, IDC_PRESET_LIST);
  RECT r;
  GetWindowRect(list, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  MoveWindow(list, 0, r.top, width, height > r.top ? height - r.top : 0, TRUE);
  return 0;
}

static LRESULT PresetDestroy(HWND, UINT, WPARAM, LPARAM) {
  RestoreMainTitle(g_presetDialog.savedTitle);
  return NOT_HANDLED;
}

static LRESULT PresetDefault(HWND dialog, UINT, LPARAM, UINT) {
  ChoosePreset(dialog, PresetAt(0));
  return TRUE;
}

static LRESULT PresetChoose(HWND dialog, UINT, LPARAM, UINT) {
  if (g_presetDialog.chosenRow < 0) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  EqPreset* preset = PresetAt(DWORD(g_presetDialog.chosenRow) + 1);
  ChoosePreset(dialog, preset ? preset : PresetAt(0));
  return TRUE;
}

static LRESULT PresetCancel(HWND dialog, UINT, LPARAM, UINT) {
  EndDialog(dialog, 2);
  return TRUE;
}

static LRESULT PresetList(HWND dialog, UINT, LPARAM, UINT code) {
  if (code == LBN_SELCHANGE)
    g_presetDialog.chosenRow = int(SendDlgItemMessageW(dialog, IDC_PRESET_LIST, LB_GETCURSEL, 0, 0));
  else if (code == LBN_DBLCLK && g_presetDialog.chosenRow >= 0)
    PresetChoose(dialog, IDOK, 0, 0);
  return TRUE;
}

static const CommandEntry PresetCommands[] = {
    {IDOK, PresetChoose},
    {IDC_PRESET_DEFAULT, PresetDefault},
    {IDCANCEL, PresetCancel},
    {IDC_PRESET_LIST, PresetList},
};

static LRESULT PresetCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return DispatchCommand(dialog, message, wParam, lParam, PresetCommands, TABLE_COUNT(PresetCommands));
}

static const MessageEntry PresetMessages[] = {
    {WM_INITDIALOG, PresetInit},
    {WM_SIZE, PresetSize},
    {WM_COMMAND, PresetCommand},
    {WM_DESTROY, PresetDestroy},
};

INT_PTR CALLBACK PresetDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(dialog, message, wParam, lParam, PresetMessages, TABLE_COUNT(PresetMessages), DialogDefault);
}

// ---- Edit dialog ---------------------------------------------------------

struct EditDialogState {
  HWND dialog;
  EqPreset buffer;  // the preset being edited
  int selectedRow;
  int selectedBand;
  BOOL checking;    // the "Invalid data" box is up
  BOOL closing;     // ended or being destroyed: the rows are no longer written
  WCHAR savedTitle[MAIN_TITLE_UNITS];
};

static EditDialogState g_editDialog;

static LRESULT Item(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(g_editDialog.dialog, id, message, wParam, lParam);
}

static EqPreset* RowCopy(int row) {
  if (row < 0) return nullptr;
  LRESULT data = Item(IDC_EDIT_PRESETS, LB_GETITEMDATA, WPARAM(row), 0);
  return data == LB_ERR ? nullptr : reinterpret_cast<EqPreset*>(data);
}

static int RowCount(void) { return int(Item(IDC_EDIT_PRESETS, LB_GETCOUNT, 0, 0)); }

// A heap copy attached to a new last row; the row stays without data when
// memory runs out (it is then skipped by "Ok").
static int AddRow(const EqPreset* preset) {
  int row = int(Item(IDC_EDIT_PRESETS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset->name)));
  if (row < 0) return row;
  EqPreset* copy = static_cast<EqPreset*>(malloc(sizeof(EqPreset)));
  if (copy) *copy = *preset;
  Item(IDC_EDIT_PRESETS, LB_SETITEMDATA, WPARAM(row), reinterpret_cast<LPARAM>(copy));
  return row;
}

static void ShowGenre(BYTE genre) {
  int row = genre < GENRE_ROW_NONE ? genre : GENRE_ROW_NONE;
  Item(IDC_EDIT_GENRE, CB_SETCURSEL, WPARAM(row), 0);
}

static void ShowBandValue(void) {
  if (g_editDialog.selectedRow < 0) {
    Item(IDC_EDIT_BAND, CB_SETCURSEL, WPARAM(-1), 0);
    return;
  }
  g_editDialog.selectedBand = int(Item(IDC_EDIT_BAND, CB_GETCURSEL, 0, 0));
  if (g_editDialog.selectedBand < 0 || g_editDialog.selectedBand >= EQ_GAIN_COUNT) return;
  SetDlgItemInt(g_editDialog.dialog, IDC_EDIT_VALUE, UINT(int(g_editDialog.buffer.gains[g_editDialog.selectedBand])),
                TRUE);
}

static void ShowBuffer(void) {
  SetDlgItemTextW(g_editDialog.dialog, IDC_EDIT_NAME, g_editDialog.buffer.name);
  ShowGenre(g_editDialog.buffer.genre);
  Item(IDC_EDIT_BAND, CB_SETCURSEL, 0, 0);
  ShowBandValue();
}

// The value field's number into the edit buffer and the selected row's copy.
// 0 when the field held no value from -20 to 20 (the box has been shown).
static int TakeValue(void) {
  EditDialogState& s = g_editDialog;
  if (s.closing || s.checking || s.selectedRow < 0 || s.selectedBand < 0 || s.selectedBand >= EQ_GAIN_COUNT) return 1;
  BOOL number = FALSE;
  int value = int(GetDlgItemInt(s.dialog, IDC_EDIT_VALUE, &number, TRUE));
  if (number && value >= GAIN_MIN && value <= GAIN_MAX) {
    s.buffer.gains[s.selectedBand] = (signed char)value;
    if (EqPreset* copy = RowCopy(s.selectedRow)) *copy = s.buffer;
    return 1;
  }
  // The box takes the focus away again: no second box from that.
  s.checking = TRUE;
  MessageBoxW(s.dialog, u"Invalid data", u"Error", MB_OK);
  s.checking = FALSE;
  if (s.closing || !IsWindow(s.dialog)) return 0;
  SetDlgItemTextW(s.dialog, IDC_EDIT_VALUE, u"0");
  SetFocus(GetDlgItem(s.dialog, IDC_EDIT_VALUE));
  return 0;
}

// Enter in the value field reaches "Ok" without the field losing the focus.
static int TakeFocusedValue(void) {
  if (GetFocus() != GetDlgItem(g_editDialog.dialog, IDC_EDIT_VALUE)) return 1;
  return TakeValue();
}

static LRESULT EditInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  EditDialogState& s = g_editDialog;
  s.dialog = dialog;
  s.selectedRow = s.selectedBand = -1;
  s.checking = s.closing = FALSE;
  FullScreen(dialog);
  SHSipPreference(dialog, SIP_UP);
  EqPreset* current = reinterpret_cast<EqPreset*>(lParam);
  // Without a current preset, "Hinzufügen" stores what is being heard.
  s.buffer = EqPreset{};
  s.buffer.genre = PRESET_NO_GENRE;
  memcpy(s.buffer.gains, g_settings.eq, EQ_GAIN_COUNT);

  int currentRow = -1;
  for (DWORD i = 0; i < PresetCount(); i++) {
    EqPreset* preset = PresetAt(i);
    EqPreset copy = *preset;
    // The dialog starts from what is being heard, not what was stored.
    if (preset == current) memcpy(copy.gains, g_settings.eq, EQ_GAIN_COUNT);
    int row = AddRow(&copy);
    if (preset == current) {
      currentRow = row;
      s.buffer = copy;
    }
  }
  for (int band = 0; band < EQ_GAIN_COUNT; band++)
    Item(IDC_EDIT_BAND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(EqualizerBandLabels[band]));
  for (int genre = 0; genre < GENRE_COUNT; genre++)
    Item(IDC_EDIT_GENRE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GenreNames[genre]));

  if (currentRow >= 0) {
    Item(IDC_EDIT_PRESETS, LB_SETCURSEL, WPARAM(currentRow), 0);
    s.selectedRow = currentRow;
    ShowBuffer();
  }
  SaveMainTitle(s.savedTitle, u"Equalizer bearbeiten");
  // Its upper limit is -20: the up arrow lowers the value.
  Item(IDC_EDIT_UPDOWN, UDM_SETRANGE, 0, MAKELPARAM(GAIN_MIN, GAIN_MAX));
  SetFocus(GetDlgItem(dialog, IDC_EDIT_NAME));
  return FALSE;
}

static LRESULT EditDestroy(HWND, UINT, WPARAM, LPARAM) {
  EditDialogState& s = g_editDialog;
  s.closing = TRUE;
  SHSipPreference(s.dialog, SIP_FORCEDOWN);
  for (int row = RowCount() - 1; row >= 0; row--) {
    free(RowCopy(row));
    Item(IDC_EDIT_PRESETS, LB_SETITEMDATA, WPARAM(row), 0);
  }
  RestoreMainTitle(s.savedTitle);
  return NOT_HANDLED;
}

static LRESULT EditPresets(HWND, UINT, LPARAM, UINT code) {
  EditDialogState& s = g_editDialog;
  if (code != LBN_SELCHANGE) return TRUE;
  int row = int(Item(IDC_EDIT_PRESETS, LB_GETCURSEL, 0, 0));
  EqPreset* copy = RowCopy(row);
  if (!copy) return TRUE;
  s.selectedRow = row;
  s.buffer = *copy;
  ShowBuffer();
  return TRUE;
}

static LRESULT EditGenre(HWND, UINT, LPARAM, UINT code) {
  if (code != CBN_SELCHANGE) return TRUE;
  if (g_editDialog.selectedRow < 0) {
    Item(IDC_EDIT_GENRE, CB_SETCURSEL, WPARAM(-1), 0);
    return TRUE;
  }
  int row = int(Item(IDC_EDIT_GENRE, CB_GETCURSEL, 0, 0));
  if (row >= 0) g_editDialog.buffer.genre = BYTE(row >= GENRE_ROW_NONE ? PRESET_NO_GENRE : row);
  return TRUE;
}

static LRESULT EditBand(HWND, UINT, LPARAM, UINT code) {
  if (code == CBN_SELCHANGE) ShowBandValue();
  return TRUE;
}

static LRESULT EditValue(HWND, UINT, LPARAM, UINT code) {
  if (code == EN_KILLFOCUS) TakeValue();
  return TRUE;
}

static int IsBlank(const WCHAR* text) {
  for (; *text; text++)
    if (*text != u' ' && *text != u'\t' && *text != u'\r' && *text != u'\n') return 0;
  return 1;
}

static LRESULT EditAdd(HWND dialog, UINT, LPARAM, UINT) {
  EditDialogState& s = g_editDialog;
  if (!TakeFocusedValue()) return TRUE;
  WCHAR name[PRESET_NAME_UNITS] = {};
  GetDlgItemTextW(dialog, IDC_EDIT_NAME, name, PRESET_NAME_UNITS);
  if (IsBlank(name)) return TRUE;
  for (int row = 0; row < RowCount(); row++) {
    EqPreset* copy = RowCopy(row);
    if (copy && PresetNamesEqual(copy->name, name)) {
      *copy = s.buffer;
      memcpy(copy->name, name, sizeof name);
      return TRUE;
    }
  }
  EqPreset added = s.buffer;
  memcpy(added.name, name, sizeof name);
  int row = AddRow(&added);
  if (row < 0) return TRUE;
  Item(IDC_EDIT_PRESETS, LB_SETCURSEL, WPARAM(row), 0);
  s.selectedRow = row;
  memcpy(s.buffer.name, name, sizeof name);
  return TRUE;
}

static LRESULT EditDelete(HWND dialog, UINT, LPARAM, UINT) {
  EditDialogState& s = g_editDialog;
  if (s.selectedRow <= 0) return TRUE;  // the first row is the base preset
  free(RowCopy(s.selectedRow));
  Item(IDC_EDIT_PRESETS, LB_DELETESTRING, WPARAM(s.selectedRow), 0);
  Item(IDC_EDIT_GENRE, CB_SETCURSEL, WPARAM(-1), 0);
  Item(IDC_EDIT_BAND, CB_SETCURSEL, WPARAM(-1), 0);
  SetDlgItemTextW(dialog, IDC_EDIT_VALUE, u"");
  SetDlgItemTextW(dialog, IDC_EDIT_NAME, u"");
  s.selectedRow = s.selectedBand = -1;
  return TRUE;
}

static LRESULT EditOk(HWND dialog, UINT, LPARAM, UINT) {
  if (!TakeFocusedValue()) return TRUE;
  g_editDialog.closing = TRUE;
  PresetClear();
  for (int row = 0; row < RowCount(); row++)
    if (EqPreset* copy = RowCopy(row)) PresetAddOrUpdate(copy);
  EndDialog(dialog, 1);
  return TRUE;
}

static LRESULT EditCancel(HWND dialog, UINT, LPARAM, UINT) {
  g_editDialog.closing = TRUE;
  EndDialog(dialog, 2);
  return TRUE;
}

static const CommandEntry EditCommands[] = {
    {IDOK, EditOk},
    {IDCANCEL, EditCancel},
    {IDC_EDIT_ADD, EditAdd},
    {IDC_EDIT_DELETE, EditDelete},
    {IDC_EDIT_PRESETS, EditPresets},
    {IDC_EDIT_GENRE, EditGenre},
    {IDC_EDIT_BAND, EditBand},
    {IDC_EDIT_VALUE, EditValue},
};

static LRESULT EditCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return DispatchCommand(dialog, message, wParam, lParam, EditCommands, TABLE_COUNT(EditCommands));
}

static const MessageEntry EditMessages[] = {
    {WM_INITDIALOG, EditInit},
    {WM_COMMAND, EditCommand},
    {WM_DESTROY, EditDestroy},
};

INT_PTR CALLBACK EditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(dialog, message, wParam, lParam, EditMessages, TABLE_COUNT(EditMessages), DialogDefault);
}
