// Hardware buttons and hot keys, and the key-mapping page "Tastenbelegung".
#include "shell/buttons.h"

#include <commctrl.h>

#include "shell/config.h"
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"

KeyBinding g_keyBindings[KEY_BINDING_COUNT] = {
    {1, 0x26, u"Up", 0, 0x26},   {1, 0x28, u"Down", 0, 0x28}, {1, 0x25, u"Left", 0, 0x25},
    {1, 0x27, u"Right", 0, 0x27}, {1, 0x0D, u"Enter", 0, 0x0D},
};
HWND g_captureTarget;

static void AppButtonDefaults(void) {
  for (int i = FIRST_APP_BUTTON; i < KEY_BINDING_COUNT; i++) {
    KeyBinding* key = &g_keyBindings[i];
    key->present = 0;
    key->virtualKey = 0xC1 + (i - FIRST_APP_BUTTON);
    key->id = 0x4000 | key->virtualKey;
    key->modifiers = MOD_APP_BUTTON;
    key->name[0] = 0;
  }
}

// A name is taken only whole and as text; a present button is never left
// nameless: without a readable name it shows its key ("40C5").
void ReadButtonNames(void) {
  AppButtonDefaults();
  for (int i = FIRST_APP_BUTTON; i < KEY_BINDING_COUNT; i++) {
    KeyBinding* record = &g_keyBindings[i];
    WCHAR path[64];
    LxFormatW(path, 64, u"Software\\Microsoft\\Shell\\Keys\\40%2X", record->virtualKey);
    HKEY key = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    record->present = 1;
    WCHAR text[MAX_PATH];
    DWORD type = 0, size = sizeof(text) - sizeof(WCHAR);
    if (RegQueryValueExW(key, u"Name", NULL, &type, (BYTE*)text, &size) == ERROR_SUCCESS && type == REG_SZ) {
      text[size / sizeof(WCHAR)] = 0;
      lstrcpynW(record->name, text, KEY_NAME_UNITS);
    }
    if (record->name[0] == 0) LxFormatW(record->name, KEY_NAME_UNITS, u"40%2X", record->virtualKey);
    RegCloseKey(key);
  }
}

int FindKeyBinding(DWORD virtualKey) {
  for (int i = 0; i < KEY_BINDING_COUNT; i++)
    if (g_keyBindings[i].present && g_keyBindings[i].virtualKey == virtualKey) return i;
  return -1;
}

typedef BOOL (*UnregisterFunc1Proc)(UINT modifiers, int virtualKey);

// Registering takes an application button from the shell first, where the
// device offers that. Unregistering drops every present record's id, so a
// key bound or unbound in between is never left behind.
static void RegisterButtons(BOOL on, BOOL boundOnly) {
  HMODULE core = LoadLibraryW(u"Coredll.dll");
  UnregisterFunc1Proc takeFromShell = core ? (UnregisterFunc1Proc)GetProcAddressW(core, u"UnregisterFunc1") : NULL;
  HWND mainWindow = g_windows.main;
  for (int i = 0; i < KEY_BINDING_COUNT; i++) {
    const KeyBinding* key = &g_keyBindings[i];
    if (!key->present) continue;
    if (!on) {
      UnregisterHotKey(mainWindow, (int)key->id);
      continue;
    }
    if (boundOnly && g_settings.keyActions[i] == 0) continue;
    if (i >= FIRST_APP_BUTTON && takeFromShell) takeFromShell(MOD_APP_BUTTON, (int)key->virtualKey);
    RegisterHotKey(mainWindow, (int)key->id, key->modifiers, key->virtualKey);
  }
  PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 228, 0);
  if (core) FreeLibrary(core);
}

void BoundButtons(BOOL on) { RegisterButtons(on, TRUE); }
void CaptureButtons(BOOL on) { RegisterButtons(on, FALSE); }

void HotKeyPressed(DWORD virtualKey) {
  int record = FindKeyBinding(virtualKey);
  if (record >= 0) RunAction((int)g_settings.keyActions[record]);
  for (int i = 0; i < MEDIA_KEY_COUNT; i++)
    if (g_settings.mediaKeys[i].virtualKey == virtualKey) {
      RunAction((int)g_settings.mediaKeys[i].action);
      break;
    }
}

BOOL ButtonsHotKey(HWND, WPARAM id, LPARAM lParam) {
  // A target whose page is gone would swallow every key, media keys too.
  if (g_captureTarget && !IsWindow(g_captureTarget)) g_captureTarget = NULL;
  if (g_captureTarget) {
    SendMessageW(g_captureTarget, WM_HOTKEY, id, lParam);
    return TRUE;
  }
  HotKeyPressed(HIWORD(lParam));
  return TRUE;
}

void ButtonsActivate(HWND, WPARAM wParam, LPARAM) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    if (!g_settings.enableVK && g_power.modalCount == 0) BoundButtons(FALSE);
    return;
  }
  if (g_power.modalCount != 0) return;
  // Taking every button and dropping it again clears whatever another
  // program left registered on them.
  CaptureButtons(TRUE);
  CaptureButtons(FALSE);
  BoundButtons(TRUE);
}

// ---- Key-mapping page ----

struct KeyMappingState {
  DWORD actions[KEY_BINDING_COUNT];  // working copy
  DWORD enableVK;
  int selected;  // action chosen in step 1, 0 while none
  HFONT bold;
};

static KeyMappingState s_keys;

static HWND KeyList(HWND page) { return GetDlgItem(page, IDC_KEY_LIST); }

// The current step's label in the bold font, the other in the dialog's.
static void ShowStep(HWND page, int step) {
  HFONT normal = (HFONT)SendMessageW(page, WM_GETFONT, 0, 0);
  SendDlgItemMessageW(page, IDC_KEY_STEP1, WM_SETFONT, (WPARAM)(step == 1 ? s_keys.bold : normal), TRUE);
  SendDlgItemMessageW(page, IDC_KEY_STEP2, WM_SETFONT, (WPARAM)(step == 2 ? s_keys.bold : normal), TRUE);
}

static void BackToStepOne(HWND page) {
  s_keys.selected = 0;
  SendDlgItemMessageW(page, IDC_KEY_ACTION, CB_SETCURSEL, 0, 0);
  ShowStep(page, 1);
}

static HFONT MakeStepFont(void) {
  HDC screen = GetDC(NULL);
  LOGFONTW current = {};
  GetObjectW(GetCurrentObject(screen, OBJ_FONT), sizeof(current), &current);
  LOGFONTW font = {};
  font.lfHeight = -(90 * GetDeviceCaps(screen, LOGPIXELSY) / 720);
  font.lfWeight = 800;
  lstrcpynW(font.lfFaceName, current.lfFaceName, LF_FACESIZE);
  ReleaseDC(NULL, screen);
  return CreateFontIndirectW(&font);
}

static int RowOf(HWND list, int record) {
  LVFINDINFOW find = {};
  find.flags = LVFI_PARAM;
  find.lParam = record;
  return ListView_FindItem(list, -1, &find);
}

static void SetRowAction(HWND list, int row, int record) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = 1;
  item.pszText = (LPWSTR)ActionName((int)s_keys.actions[record]);
  ListView_SetItem(list, &item);
}

static int AppendRow(HWND list, int record) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = ListView_GetItemCount(list);
  item.pszText = g_keyBindings[record].name;
  item.lParam = record;
  int row = ListView_InsertItem(list, &item);
  if (row >= 0) SetRowAction(list, row, record);
  return row;
}

static LRESULT KeysInit(HWND page, UINT, WPARAM, LPARAM) {
  for (int i = 0; i < KEY_BINDING_COUNT; i++) s_keys.actions[i] = g_settings.keyActions[i];
  s_keys.enableVK = g_settings.enableVK;
  s_keys.bold = MakeStepFont();

  HWND combo = GetDlgItem(page, IDC_KEY_ACTION);
  SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)u"<Vorschau>");
  for (int n = 1; n < ACTION_COUNT; n++) SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)ActionName(n));

  HWND list = KeyList(page);
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 75;
  column.pszText = (LPWSTR)u"Taste";
  ListView_InsertColumn(list, 0, &column);
  column.pszText = (LPWSTR)u"Aktion";
  ListView_InsertColumn(list, 1, &column);
  // "Aktion" takes the rest of the client width, whatever the border takes.
  ListView_SetColumnWidth(list, 1, LVSCW_AUTOSIZE_USEHEADER);
  // Absent records keep their stored action but get no row.
  for (int i = 0; i < KEY_BINDING_COUNT; i++)
    if (g_keyBindings[i].present && s_keys.actions[i] != 0) AppendRow(list, i);

  CheckDlgButton(page, IDC_KEY_BACKGROUND, s_keys.enableVK ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(page, IDC_KEY_DELETE), FALSE);
  BackToStepOne(page);
  return TRUE;
}

static LRESULT KeysHotKey(HWND page, UINT, WPARAM, LPARAM lParam) {
  if (s_keys.selected == 0) return 0;
  int record = FindKeyBinding(HIWORD(lParam));
  if (record < 0) return NOT_HANDLED;
  HWND list = KeyList(page);
  int row = RowOf(list, record);
  if (row < 0) row = AppendRow(list, record);
  s_keys.actions[record] = (DWORD)s_keys.selected;
  if (row >= 0) SetRowAction(list, row, record);
  BackToStepOne(page);
  return 0;
}

static LRESULT KeysChooseAction(HWND page, UINT, LPARAM, UINT code) {
  if (code != CBN_SELCHANGE) return 0;
  LRESULT n = SendDlgItemMessageW(page, IDC_KEY_ACTION, CB_GETCURSEL, 0, 0);
  // CB_ERR or "<Vorschau>" is no action.
  s_keys.selected = (n >= 1 && n < ACTION_COUNT) ? (int)n : 0;
  ShowStep(page, s_keys.selected ? 2 : 1);
  return 0;
}

// The row's item data names the record, whatever order the rows are in.
static LRESULT KeysDelete(HWND page, UINT, LPARAM, UINT) {
  HWND list = KeyList(page);
  int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return 0;
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (ListView_GetItem(list, &item) && item.lParam >= 0 && item.lParam < KEY_BINDING_COUNT)
    s_keys.actions[item.lParam] = 0;
  ListView_DeleteItem(list, row);
  EnableWindow(GetDlgItem(page, IDC_KEY_DELETE), FALSE);
  return 0;
}

static LRESULT KeysBackground(HWND page, UINT, LPARAM, UINT) {
  s_keys.enableVK = IsDlgButtonChecked(page, IDC_KEY_BACKGROUND) == BST_CHECKED;
  return 0;
}

static LRESULT KeysOk(HWND, UINT, LPARAM, UINT) {
  if (g_settingsSheet) PropSheet_PressButton(g_settingsSheet, PSBTN_OK);
  return 0;
}

static LRESULT KeysCancel(HWND, UINT, LPARAM, UINT) {
  if (g_settingsSheet) PropSheet_PressButton(g_settingsSheet, PSBTN_CANCEL);
  return 0;
}

static const CommandEntry KeysCommands[] = {
    {IDC_KEY_ACTION, KeysChooseAction}, {IDC_KEY_DELETE, KeysDelete}, {IDC_KEY_BACKGROUND, KeysBackground},
    {IDOK, KeysOk},                     {IDCANCEL, KeysCancel},
};

static LRESULT KeysCommand(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(page, message, wParam, lParam, KeysCommands, TABLE_COUNT(KeysCommands));
  return TRUE;
}

static void DropCaptureTarget(HWND page) {
  if (g_captureTarget == page) g_captureTarget = NULL;
}

static LRESULT Answer(HWND page, LRESULT result) {
  SetWindowLongW(page, DWL_MSGRESULT, (LONG_PTR)result);
  return TRUE;
}

static LRESULT KeysNotify(HWND page, UINT, WPARAM, LPARAM lParam) {
  const NMHDR* header = (const NMHDR*)lParam;
  switch (header->code) {
    case LVN_ITEMCHANGED:
      EnableWindow(GetDlgItem(page, IDC_KEY_DELETE), ListView_GetNextItem(KeyList(page), -1, LVNI_SELECTED) >= 0);
      return Answer(page, 0);
    case PSN_SETACTIVE:
      g_captureTarget = page;
      BackToStepOne(page);
      return Answer(page, 0);
    case PSN_KILLACTIVE:
    case PSN_RESET:
      DropCaptureTarget(page);
      return Answer(page, FALSE);
    case PSN_APPLY:
      for (int i = 0; i < KEY_BINDING_COUNT; i++) g_settings.keyActions[i] = s_keys.actions[i];
      g_settings.enableVK = s_keys.enableVK ? 1 : 0;
      return Answer(page, PSNRET_NOERROR);
  }
  return FALSE;
}

static LRESULT KeysDestroy(HWND page, UINT, WPARAM, LPARAM) {
  DropCaptureTarget(page);
  if (s_keys.bold) DeleteObject(s_keys.bold);
  s_keys.bold = NULL;
  return FALSE;
}

static const MessageEntry KeysMessages[] = {
    {WM_INITDIALOG, KeysInit}, {WM_HOTKEY, KeysHotKey},     {WM_COMMAND, KeysCommand},
    {WM_NOTIFY, KeysNotify},   {WM_DESTROY, KeysDestroy},
};

INT_PTR CALLBACK KeyMappingPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(page, message, wParam, lParam, KeysMessages, TABLE_COUNT(KeysMessages), DialogDefault);
}

static void BoundButtonsOff(void) { BoundButtons(FALSE); }

void ButtonsInstall(void) {
  g_shellHooks.readButtonNames = ReadButtonNames;
  g_shellHooks.hotKey = ButtonsHotKey;
  g_shellHooks.activate = ButtonsActivate;
  g_shellHooks.settingsSheet = SettingsSheet;
  g_shellHooks.boundButtonsOff = BoundButtonsOff;
  g_shellHooks.applyPendingSettings = ApplyPendingSettings;
}
