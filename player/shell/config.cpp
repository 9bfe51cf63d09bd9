// The settings sheet, its pages "Flags", "Puffer" and "Cache", and the
// changes applied after OK (display timers, ring size, music restart).
#include "shell/config.h"

#include "engine/engine.h"
#include "shell/buttons.h"
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"

HWND g_settingsSheet;
PendingSettings g_pendingSettings;

static BOOL s_sheetOpen;

static void PressSheet(int button) {
  if (g_settingsSheet) PropSheet_PressButton(g_settingsSheet, button);
}

static LRESULT PageOk(HWND, UINT, LPARAM, UINT) {
  PressSheet(PSBTN_OK);
  return 0;
}

static LRESULT PageCancel(HWND, UINT, LPARAM, UINT) {
  PressSheet(PSBTN_CANCEL);
  return 0;
}

static LRESULT Answer(HWND page, LRESULT result) {
  SetWindowLongW(page, DWL_MSGRESULT, (LONG_PTR)result);
  return TRUE;
}

// Only pages that were shown hear PSN_APPLY; the others leave Settings alone.
static BOOL IsApply(LPARAM lParam) { return ((const NMHDR*)lParam)->code == PSN_APPLY; }

static int SliderPos(HWND page, int id) { return (int)SendDlgItemMessageW(page, id, TBM_GETPOS, 0, 0); }

static void SetSlider(HWND page, int id, int low, int high, int pos) {
  SendDlgItemMessageW(page, id, TBM_SETRANGE, FALSE, MAKELONG(low, high));
  SendDlgItemMessageW(page, id, TBM_SETPOS, TRUE, pos);
}

static void SetNumber(HWND page, int id, LPCWSTR format, int value) {
  WCHAR text[16];
  LxFormatW(text, 16, format, value);
  SetDlgItemTextW(page, id, text);
}

static void Check(HWND page, int id, DWORD on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

// ---- Flags ----

static const int FlagControls[7] = {IDC_PLAY_AT_OPEN, IDC_AUTO_REPEAT, IDC_SHUFFLE,   IDC_POWER_SAVE_OFF,
                                    IDC_AUTO_PRESET,  IDC_FADE_IN,     IDC_NO_WELCOME};
static DWORD s_flags[7];

static DWORD* FlagField(Settings* s, int i) {
  DWORD* const fields[7] = {&s->playAtOpen, &s->autoRepeat, &s->shuffle, &s->disablePowerSave,
                            &s->autoPreset, &s->fadeIn,     &s->noWelcome};
  return fields[i];
}

static void ShowFlags(HWND page) {
  for (int i = 0; i < 7; i++) Check(page, FlagControls[i], s_flags[i]);
}

static LRESULT FlagsInit(HWND page, UINT, WPARAM, LPARAM) {
  for (int i = 0; i < 7; i++) s_flags[i] = *FlagField(&g_settings, i) ? 1 : 0;
  ShowFlags(page);
  return TRUE;
}

static LRESULT FlagsDefault(HWND page, UINT, LPARAM, UINT) {
  Settings defaults;
  SettingsDefaults(&defaults);
  for (int i = 0; i < 7; i++) s_flags[i] = *FlagField(&defaults, i);
  ShowFlags(page);
  return 0;
}

static LRESULT FlagsClick(HWND page, UINT command, LPARAM, UINT) {
  for (int i = 0; i < 7; i++)
    if (FlagControls[i] == (int)command) s_flags[i] = IsDlgButtonChecked(page, command) == BST_CHECKED;
  return 0;
}

static const CommandEntry FlagsCommands[] = {
    {IDC_PLAY_AT_OPEN, FlagsClick}, {IDC_AUTO_REPEAT, FlagsClick}, {IDC_SHUFFLE, FlagsClick},
    {IDC_POWER_SAVE_OFF, FlagsClick}, {IDC_AUTO_PRESET, FlagsClick}, {IDC_FADE_IN, FlagsClick},
    {IDC_NO_WELCOME, FlagsClick},   {IDC_PAGE_DEFAULT, FlagsDefault}, {IDOK, PageOk},
    {IDCANCEL, PageCancel},
};

static LRESULT FlagsCommand(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(page, message, wParam, lParam, FlagsCommands, TABLE_COUNT(FlagsCommands));
  return TRUE;
}

static LRESULT FlagsNotify(HWND page, UINT, WPARAM, LPARAM lParam) {
  if (!IsApply(lParam)) return FALSE;
  for (int i = 0; i < 7; i++) *FlagField(&g_settings, i) = s_flags[i];
  return Answer(page, PSNRET_NOERROR);
}

static const MessageEntry FlagsMessages[] = {
    {WM_INITDIALOG, FlagsInit}, {WM_COMMAND, FlagsCommand}, {WM_NOTIFY, FlagsNotify}};

static INT_PTR CALLBACK FlagsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(page, message, wParam, lParam, FlagsMessages, TABLE_COUNT(FlagsMessages), DialogDefault);
}

// ---- Puffer ----

struct BufferCopy {
  DWORD audioBuffer;
  DWORD spectrumSpeed;
  DWORD spectrumOff;
};
static BufferCopy s_buffer;

static void ShowBufferValues(HWND page) {
  SetNumber(page, IDC_AUDIO_BUFFER_VALUE, u"%d", (SliderPos(page, IDC_AUDIO_BUFFER) + 1) * 50);
  SetNumber(page, IDC_SPEED_VALUE, u"%d fps", SliderPos(page, IDC_SPEED));
}

static void ShowBuffer(HWND page) {
  SetSlider(page, IDC_AUDIO_BUFFER, 0, 5, ((int)s_buffer.audioBuffer - 50) / 50);
  SetSlider(page, IDC_SPEED, 1, 10, (int)s_buffer.spectrumSpeed);
  Check(page, IDC_SPECTRUM_OFF, s_buffer.spectrumOff);
  ShowBufferValues(page);
}

static LRESULT BufferInit(HWND page, UINT, WPARAM, LPARAM) {
  s_buffer = {g_settings.audioBuffer, g_settings.spectrumSpeed, g_settings.spectrumOff ? 1u : 0u};
  ShowBuffer(page);
  return TRUE;
}

static LRESULT BufferDefault(HWND page, UINT, LPARAM, UINT) {
  s_buffer = {50, 10, 0};
  ShowBuffer(page);
  return 0;
}

static LRESULT BufferSpectrumOff(HWND page, UINT, LPARAM, UINT) {
  s_buffer.spectrumOff = IsDlgButtonChecked(page, IDC_SPECTRUM_OFF) == BST_CHECKED;
  return 0;
}

static const CommandEntry BufferCommands[] = {
    {IDC_SPECTRUM_OFF, BufferSpectrumOff}, {IDC_PAGE_DEFAULT, BufferDefault}, {IDOK, PageOk}, {IDCANCEL, PageCancel}};

static LRESULT BufferCommand(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(page, message, wParam, lParam, BufferCommands, TABLE_COUNT(BufferCommands));
  return TRUE;
}

// Every scroll code, the end of a drag included, shows the new values.
static LRESULT BufferScroll(HWND page, UINT, WPARAM, LPARAM) {
  ShowBufferValues(page);
  return TRUE;
}

static LRESULT BufferNotify(HWND page, UINT, WPARAM, LPARAM lParam) {
  if (!IsApply(lParam)) return FALSE;
  g_settings.audioBuffer = (DWORD)(SliderPos(page, IDC_AUDIO_BUFFER) + 1) * 50;
  g_settings.spectrumSpeed = (DWORD)SliderPos(page, IDC_SPEED);
  g_settings.spectrumOff = s_buffer.spectrumOff;
  return Answer(page, PSNRET_NOERROR);
}

static const MessageEntry BufferMessages[] = {
    {WM_INITDIALOG, BufferInit}, {WM_COMMAND, BufferCommand}, {WM_HSCROLL, BufferScroll}, {WM_NOTIFY, BufferNotify}};

static INT_PTR CALLBACK BufferPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(page, message, wParam, lParam, BufferMessages, TABLE_COUNT(BufferMessages), DialogDefault);
}

// ---- Cache ----

static DWORD s_cacheSync, s_useCache;

static void ShowCacheValue(HWND page) { SetNumber(page, IDC_CACHE_SIZE_VALUE, u"%dM", SliderPos(page, IDC_CACHE_SIZE)); }

static LRESULT CacheInit(HWND page, UINT, WPARAM, LPARAM) {
  s_cacheSync = g_settings.cacheSync ? 1 : 0;
  s_useCache = g_settings.useCache ? 1 : 0;
  SetSlider(page, IDC_CACHE_SIZE, 1, 20, (int)g_settings.cacheBuffer);
  Check(page, IDC_CACHE_SYNC, s_cacheSync);
  Check(page, IDC_USE_CACHE, s_useCache);
  ShowCacheValue(page);
  return TRUE;
}

static LRESULT CacheClick(HWND page, UINT command, LPARAM, UINT) {
  DWORD* field = command == IDC_CACHE_SYNC ? &s_cacheSync : &s_useCache;
  *field = !*field;
  Check(page, (int)command, *field);
  return 0;
}

static const CommandEntry CacheCommands[] = {
    {IDC_CACHE_SYNC, CacheClick}, {IDC_USE_CACHE, CacheClick}, {IDOK, PageOk}, {IDCANCEL, PageCancel}};

static LRESULT CacheCommand(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(page, message, wParam, lParam, CacheCommands, TABLE_COUNT(CacheCommands));
  return TRUE;
}

static LRESULT CacheScroll(HWND page, UINT, WPARAM, LPARAM) {
  ShowCacheValue(page);
  return TRUE;
}

static LRESULT CacheNotify(HWND page, UINT, WPARAM, LPARAM lParam) {
  if (!IsApply(lParam)) return FALSE;
  g_settings.cacheBuffer = (DWORD)SliderPos(page, IDC_CACHE_SIZE);
  g_settings.cacheSync = s_cacheSync;
  g_settings.useCache = s_useCache;
  return Answer(page, PSNRET_NOERROR);
}

static const MessageEntry CacheMessages[] = {
    {WM_INITDIALOG, CacheInit}, {WM_COMMAND, CacheCommand}, {WM_HSCROLL, CacheScroll}, {WM_NOTIFY, CacheNotify}};

static INT_PTR CALLBACK CachePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(page, message, wParam, lParam, CacheMessages, TABLE_COUNT(CacheMessages), DialogDefault);
}

// ---- After OK ----

struct SheetMemory {
  DWORD audioBuffer;
  DWORD spectrumSpeed;
  DWORD cacheBuffer;
  DWORD cacheSync;
  DWORD useCache;
};

static void RestartDisplayTimers(void) {
  if (g_paneHooks.restartSpectrumTimer) g_paneHooks.restartSpectrumTimer();
  if (g_paneHooks.restartAnimation) g_paneHooks.restartAnimation();
}

// Only with the engine Stopped: no decode thread writes into the ring.
static void ReallocateRing(void) {
  g_pendingSettings.ring = FALSE;
  FreeRing();
  if (!AllocateRing((LONG)g_settings.audioBuffer)) {
    MessageBoxW(NULL, u"Nicht genügend Speicher.", u"Anzeige", MB_OK);
    PlayerFlagsSet(NoMemory);
    return;
  }
  PlayerFlagsClear(NoMemory);
}

void ApplyPendingSettings(void) {
  if (g_engine.state != Stopped) return;
  if (g_pendingSettings.ring) ReallocateRing();
  // Emptied only now, so that quitting before this Play still saves the title.
  if (g_pendingSettings.reload) {
    g_pendingSettings.reload = FALSE;
    g_engine.filePath[0] = 0;
  }
}

static void ApplySheetChanges(const SheetMemory* before) {
  if (g_settings.spectrumSpeed != before->spectrumSpeed) RestartDisplayTimers();

  BOOL ringChanged = g_settings.audioBuffer != before->audioBuffer;
  // Cache size and sync matter only while the cache is in use.
  BOOL cacheChanged = g_settings.useCache != before->useCache ||
                      (g_settings.useCache && (g_settings.cacheBuffer != before->cacheBuffer ||
                                               g_settings.cacheSync != before->cacheSync));
  if (!ringChanged && !cacheChanged) return;

  BOOL restart = FALSE;
  if (g_engine.state != Stopped) {
    if (MessageBoxW(g_windows.main, u"Wollen Sie wieder beginnen?", u"Anzeige", MB_OKCANCEL) == IDOK) {
      // Sent: the decode thread is gone before the ring is freed.
      if (g_windows.board) SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_STOP, 0), 0);
      restart = TRUE;
    }
    if (g_engine.state != Stopped) {
      // The music goes on with the old ring; the next start in Stopped applies the rest.
      g_pendingSettings.ring |= ringChanged;
      g_pendingSettings.reload |= cacheChanged;
      return;
    }
  }
  if (ringChanged || g_pendingSettings.ring) {
    ReallocateRing();
    if (PlayerFlagsTest(NoMemory)) return;
  }
  if (cacheChanged) g_pendingSettings.reload = TRUE;
  if (restart && g_windows.board) PostMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_PLAY, 0), 0);
}

// ---- The sheet ----

static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_GETVERSION) return COMCTL32_VERSION;
  if (message == PSCB_INITIALIZED) {
    g_settingsSheet = sheet;
    HWND tabs = GetDlgItem(sheet, SHEET_TAB_CONTROL);
    if (tabs) SetWindowLongW(tabs, GWL_STYLE, GetWindowLongW(tabs, GWL_STYLE) | TCS_BOTTOM);
  }
  return 0;
}

static PROPSHEETPAGEW SheetPage(int id, DLGPROC proc) {
  PROPSHEETPAGEW page = {};
  page.dwSize = sizeof(page);
  page.hInstance = g_windows.instance;
  page.pszTemplate = MAKEINTRESOURCEW(id);
  page.pfnDlgProc = proc;
  return page;
}

INT_PTR SettingsSheet(HWND) {
  // A second 40039, from a menu bar the sheet does not disable, finds it open.
  if (s_sheetOpen) return 0;
  s_sheetOpen = TRUE;
  HWND mainWindow = g_windows.main;
  ++g_power.modalCount;
  RecomputeSuspension();
  WCHAR title[51] = {};
  GetWindowTextW(mainWindow, title, 51);
  SetWindowTextW(mainWindow, u"Konfigurieren");
  BoundButtons(FALSE);
  CaptureButtons(TRUE);
  SheetMemory before = {g_settings.audioBuffer, g_settings.spectrumSpeed, g_settings.cacheBuffer,
                        g_settings.cacheSync, g_settings.useCache};

  PROPSHEETPAGEW pages[4] = {SheetPage(IDD_FLAGS, FlagsPage), SheetPage(IDD_KEY_MAPPING, KeyMappingPage),
                             SheetPage(IDD_BUFFER, BufferPage), SheetPage(IDD_CACHE, CachePage)};
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_MAXIMIZE | PSH_USECALLBACK;
  header.hwndParent = mainWindow;
  header.hInstance = g_windows.instance;
  header.pszCaption = u"Konfigurieren";
  header.nPages = 4;
  header.nStartPage = 0;
  header.ppsp = pages;
  header.pfnCallback = SheetCallback;
  INT_PTR result = PropertySheetW(&header);
  g_settingsSheet = NULL;
  g_captureTarget = NULL;

  // The main window may have gone while the sheet was open: nothing is left to apply to.
  if (IsWindow(mainWindow) && g_windows.main == mainWindow) {
    // The keys are ordinary again before any question: Enter answers it.
    CaptureButtons(FALSE);
    BoundButtons(TRUE);
    if (result == 1) ApplySheetChanges(&before);
    SetWindowTextW(mainWindow, title);
    if (g_settings.spectrumOff && g_paneHooks.clearSpectrum) g_paneHooks.clearSpectrum();
  }
  --g_power.modalCount;
  RecomputeSuspension();
  s_sheetOpen = FALSE;
  return result;
}
