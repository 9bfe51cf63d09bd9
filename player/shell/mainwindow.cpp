#include "shell/mainwindow.h"

#include <aygshell.h>
#include <string.h>

#include "engine/engine.h"
#include "playlist/playlist.h"
#include "shell/dispatch.h"
#include "shell/openfiles.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "trackinfo/trackinfo.h"

static const WCHAR MainClassName[] = u"Lumtrax";
static WCHAR s_commandLine[MAX_PATH];
static BOOL s_startPending = TRUE;
// Set only once creation got past Bind: WM_DESTROY of a refused window must
// neither unbind a half-bound engine nor save settings that were never loaded.
static BOOL s_bound;

// ---- Media keys and hot keys ----

void MediaKeys(HWND mainWindow, BOOL on) {
  for (int i = 0; i < MEDIA_KEY_COUNT; i++) {
    const MediaKey* key = &g_settings.mediaKeys[i];
    if (on)
      RegisterHotKey(mainWindow, (int)key->virtualKey, key->modifiers, key->virtualKey);
    else
      UnregisterHotKey(mainWindow, (int)key->virtualKey);
  }
  PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 228, 0);
}

static LRESULT OnHotKey(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
  if (g_shellHooks.hotKey && g_shellHooks.hotKey(hwnd, wParam, lParam)) return 0;
  DWORD key = HIWORD(lParam);
  for (int i = 0; i < MEDIA_KEY_COUNT; i++) {
    if (g_settings.mediaKeys[i].virtualKey != key) continue;
    RunAction((int)g_settings.mediaKeys[i].action);
    break;
  }
  return 0;
}

// ---- Creation and shutdown ----

static LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM) {
  SHMENUBARINFO bar = {};
  bar.cbSize = sizeof bar;
  bar.hwndParent = hwnd;
  bar.nToolBarId = IDR_MENUBAR;
  bar.hInstRes = g_windows.instance;
  if (!SHCreateMenuBar(&bar)) return -1;
  g_windows.menuBar = bar.hwndMB;
  g_windows.main = hwnd;
  if (!EngineBind(hwnd)) {
    g_windows.main = NULL;
    return -1;
  }
  s_bound = TRUE;
  RegisterWakeUp();
  MediaKeys(hwnd, TRUE);
  RecomputeSuspension();
  BoardCreate(hwnd);
  EqualizerCreate(hwnd);
  PlaylistWindowCreate(hwnd);
  ReadVolume(&g_settings.volume, &g_settings.volume);
  if (g_windows.board) SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 1), 0);
  if (g_settings.disablePowerSave) KeepAwake(hwnd, TRUE);
  return 0;
}

static LRESULT OnDestroy(HWND hwnd, UINT, WPARAM, LPARAM) {
  // Closed while the welcome dialog was up: there is no list to start into.
  s_startPending = FALSE;
  if (g_windows.menuBar) {
    DestroyWindow(g_windows.menuBar);
    g_windows.menuBar = NULL;
  }
  if (!s_bound) return 0;
  s_bound = FALSE;
  KeepAwake(hwnd, FALSE);
  // Nobody would be left to switch a dark display on again.
  if (!g_power.displayOn) DisplaySwitch(TRUE);
  ClearWakeUp();
  MediaKeys(hwnd, FALSE);
  EngineUnbind();
  PostQuitMessage(0);
  return 0;
}

static LRESULT OnTimer(HWND, UINT, WPARAM wParam, LPARAM) {
  if (wParam == TIMER_KEEP_AWAKE) SystemIdleTimerReset();
  return 0;
}

static LRESULT OnMenuState(HWND, UINT, WPARAM, LPARAM lParam) {
  if (!g_windows.menuBar) return 0;
  HMENU menu = (HMENU)SendMessageW(g_windows.menuBar, SHCMBM_GETSUBMENU, 0, 40025);
  if (!menu) return 0;
  UINT state = MF_BYCOMMAND | (lParam ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(menu, 42012, state);
  EnableMenuItem(menu, 42013, state);
  return 0;
}

static LRESULT OnActivate(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    g_power.active = FALSE;
    RecomputeSuspension();
  } else {
    g_power.active = TRUE;
    RecomputeSuspension();
    // Muted, the device reads 0: reading it then would lose the volume unmuting restores.
    if (PlayerFlagsTest(SoundOn)) ReadVolume(&g_settings.volume, &g_settings.volume);
    if (g_windows.board) SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 1), 0);
    if (!PlayerFlagsTest(SoundOn)) SetVolume(g_settings.volume);  // muted: the device word is 0
  }
  if (g_shellHooks.activate) g_shellHooks.activate(hwnd, wParam, lParam);
  return 0;
}

// ---- Welcome dialog and the start file step ----

static INT_PTR WelcomeEnd(HWND dialog, INT_PTR code) {
  EndDialog(dialog, code);
  return TRUE;
}

static LRESULT WelcomeInit(HWND dialog, UINT, WPARAM, LPARAM) {
  static const int shown[] = {IDC_WELCOME_PICTURE, IDC_WELCOME_VERSION, IDC_WELCOME_PATCH, IDC_WELCOME_BUTTON};
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(child);
    BOOL keep = FALSE;
    for (int s : shown) keep |= id == s;
    if (!keep) ShowWindow(child, SW_HIDE);
  }
  SetFocus(GetDlgItem(dialog, IDC_WELCOME_BUTTON));
  return FALSE;  // the focus is set
}

static LRESULT WelcomeClose(HWND dialog, UINT command, LPARAM, UINT) {
  return WelcomeEnd(dialog, command == IDCANCEL ? 2 : 1);
}

static const CommandEntry WelcomeCommands[] = {
    {IDC_WELCOME_BUTTON, WelcomeClose},
    {IDOK, WelcomeClose},
    {IDCANCEL, WelcomeClose},
};

static LRESULT WelcomeCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DispatchCommand(dialog, message, wParam, lParam, WelcomeCommands, TABLE_COUNT(WelcomeCommands));
  return TRUE;
}

static const MessageEntry WelcomeMessages[] = {
    {WM_INITDIALOG, WelcomeInit},
    {WM_COMMAND, WelcomeCommand},
};

static INT_PTR CALLBACK WelcomeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(dialog, message, wParam, lParam, WelcomeMessages, TABLE_COUNT(WelcomeMessages), DialogDefault);
}

static BOOL PlaylistFileSigned(LPCWSTR path) {
  static const WCHAR* const signatures[] = {u"Lumtrax Playlist File 1.1", u"Lumtrax Playlist File 1.0"};
  BYTE head[50];
  DWORD got = 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  BOOL read = ReadFile(file, head, sizeof head, &got, NULL) && got == sizeof head;
  CloseHandle(file);
  if (!read) return FALSE;
  for (const WCHAR* signature : signatures) {
    BOOL same = TRUE;
    for (int i = 0; i < 25; i++) same &= (WCHAR)(head[2 * i] | (head[2 * i + 1] << 8)) == signature[i];
    if (same) return TRUE;
  }
  return FALSE;
}

// A start file is checked before the list is touched: a mistyped argument
// must not empty the playlist (and with it Default.PLT at exit).
static BOOL StartFileValid(LPCWSTR path) {
  WCHAR extension[8] = {};
  int dot = -1, length = lstrlenW(path);
  for (int i = length - 1; i > 0; i--) {
    if (path[i] == '\\' || path[i] == '/') break;
    if (path[i] == '.') {
      dot = i;
      break;
    }
  }
  if (dot > 0 && length - dot - 1 < 8) lstrcpyW(extension, path + dot + 1);
  if (LxStrCmpiW(extension, u"PLT") == 0) return PlaylistFileSigned(path);
  static PlaylistEntry probe;
  memset(&probe, 0, sizeof probe);
  lstrcpynW(probe.path, path, MAX_PATH);
  return TrackProbe(&probe) != 0;
}

void StartFileStep(void) {
  int index = 0;
  BOOL added = FALSE;
  if (s_commandLine[0]) {
    if (StartFileValid(s_commandLine) && g_windows.playlist) {
      SendMessageW(g_windows.playlist, UM_CLEARPLAYLIST, 0, 0);
      added = SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)s_commandLine) != 0;
    }
    if (!added) MessageBoxW(g_windows.main, u"Ungültige Audiodatei", u"Fehler", MB_OK);
  }
  if (!added && g_engine.filePath[0]) {
    PlaylistEntry* remembered = PlaylistFind(g_engine.filePath);
    index = remembered ? PlaylistIndexOf(remembered) : 0;
  }
  PlayIndex(index, g_settings.playAtOpen == 0);
  if (g_settings.playAtOpen == 0) g_engine.filePath[0] = 0;
}

// A file handed over while running: taken at once (the sender waits), opened
// from the queue, so a box for a bad file does not hold the sender.
static WCHAR s_handedFile[MAX_PATH];

static LRESULT OnCopyData(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  const COPYDATASTRUCT* copy = (const COPYDATASTRUCT*)lParam;
  if (!copy || copy->dwData != COPYDATA_OPENFILE || !copy->lpData) return FALSE;
  DWORD units = copy->cbData / sizeof(WCHAR);
  if (units < 2 || units > MAX_PATH || ((const WCHAR*)copy->lpData)[units - 1] != 0) return FALSE;
  // Before the welcome dialog ends, the file becomes the start file.
  WCHAR* target = s_startPending ? s_commandLine : s_handedFile;
  memcpy(target, copy->lpData, units * sizeof(WCHAR));
  if (!s_startPending) PostMessageW(hwnd, UM_OPENFILE, 0, 0);
  return TRUE;
}

// The start file step for a file handed over: a valid one replaces the list
// and plays; a bad one shows the box and leaves the list and playback alone.
static LRESULT OnOpenFile(HWND, UINT, WPARAM, LPARAM) {
  WCHAR path[MAX_PATH];
  lstrcpynW(path, s_handedFile, MAX_PATH);
  s_handedFile[0] = 0;
  if (!path[0]) return 0;
  BOOL added = FALSE;
  if (StartFileValid(path) && g_windows.playlist) {
    SendMessageW(g_windows.playlist, UM_CLEARPLAYLIST, 0, 0);
    added = SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)path) != 0;
  }
  if (!added) {
    MessageBoxW(g_windows.main, u"Ungültige Audiodatei", u"Fehler", MB_OK);
    return 0;
  }
  PlayIndex(0, FALSE);
  return 0;
}

void MainWindowWelcome(void) {
  if (g_settings.noWelcome == 1) {
    s_startPending = FALSE;
    StartFileStep();
  } else {
    PostMessageW(g_windows.main, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
  }
}

// ---- Commands ----

static LRESULT AboutCommand(HWND, UINT, LPARAM, UINT) {
  RunDialog(IDD_WELCOME, WelcomeProc, 0);
  if (s_startPending) {
    s_startPending = FALSE;
    StartFileStep();
  }
  return 0;
}

static LRESULT OpenCommand(HWND, UINT, LPARAM, UINT) {
  OpenFiles();
  return 0;
}

static LRESULT ExitCommand(HWND hwnd, UINT, LPARAM, UINT) {
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return 0;
}

static LRESULT ConfigureCommand(HWND hwnd, UINT, LPARAM, UINT) {
  if (!g_shellHooks.settingsSheet) return 0;
  if (g_shellHooks.settingsSheet(hwnd) == IDOK) KeepAwake(hwnd, g_settings.disablePowerSave != 0);
  return 0;
}

static LRESULT MinimiseCommand(HWND hwnd, UINT, LPARAM, UINT code) {
  BOOL shown = IsWindowVisible(hwnd);
  // From a second instance (code ≠ 0): only bring a hidden window back.
  if (code != 0 && shown) return 0;
  ShowWindow(hwnd, shown ? SW_HIDE : SW_SHOW);
  g_power.minimised = !g_power.minimised;
  RecomputeSuspension();
  return 0;
}

static const CommandEntry MainCommands[] = {
    {IDM_ABOUT, AboutCommand},         {IDM_OPEN, OpenCommand},           {IDM_EXIT, ExitCommand},
    {IDM_CONFIGURE, ConfigureCommand}, {IDM_MINIMISE, MinimiseCommand},
};

static LRESULT OnCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  UINT command = LOWORD(wParam);
  for (const CommandEntry& entry : MainCommands)
    if (entry.command == command)
      return DispatchCommand(hwnd, message, wParam, lParam, MainCommands, TABLE_COUNT(MainCommands));
  if (command == IDM_PLAY) Sleep(100);
  // Each pane serves its own commands and ignores the rest.
  HWND panes[3] = {g_windows.board, g_windows.equalizer, g_windows.playlist};
  for (HWND pane : panes)
    if (pane) SendMessageW(pane, WM_COMMAND, wParam, lParam);
  return 0;
}

static const MessageEntry MainMessages[] = {
    {WM_CREATE, OnCreate},       {WM_DESTROY, OnDestroy}, {WM_TIMER, OnTimer},      {WM_COMMAND, OnCommand},
    {UM_MENUSTATE, OnMenuState}, {WM_HOTKEY, OnHotKey},   {UM_NOTHING, NULL},       {WM_ACTIVATE, OnActivate},
    {UM_WAKEUP, WakeUpHandler},  {WM_SETTINGCHANGE, NULL}, {WM_COPYDATA, OnCopyData},   {UM_OPENFILE, OnOpenFile},
};

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, MainMessages, TABLE_COUNT(MainMessages), NULL);
}

ATOM MainWindowRegister(HINSTANCE instance) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(160));
  wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = MainClassName;
  return RegisterClassW(&wc);
}

HWND MainWindowCreate(HINSTANCE instance, LPCWSTR commandLine, int show) {
  g_windows.instance = instance;
  lstrcpynW(s_commandLine, commandLine ? commandLine : u"", MAX_PATH);
  s_startPending = TRUE;
  CreateWindowW(MainClassName, MainClassName, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                CW_USEDEFAULT, NULL, NULL, instance, NULL);
  HWND hwnd = g_windows.main;
  if (!hwnd) return NULL;
  RECT r;
  GetWindowRect(hwnd, &r);
  if (g_windows.menuBar) MoveWindow(hwnd, r.left, r.top, r.right, r.bottom - MENU_BAR_HEIGHT, FALSE);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  return hwnd;
}
