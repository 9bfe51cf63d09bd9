#include "equalizer/eqwindow.h"

#include <commdlg.h>

#include <cstring>

#include "engine/engine.h"
#include "equalizer/analyser.h"
#include "equalizer/eqdialogs.h"
#include "equalizer/analyserview.h"
#include "playlist/filechooser.h"
#include "shell/dispatch.h"
#include "shell/savefile.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

#define PANE_X 0
#define PANE_Y 100
#define PANE_WIDTH 240
#define PANE_HEIGHT 90

#define KNOB_SIZE 9
#define KNOB_TOP_MIN 30  // gain +20
#define KNOB_TOP_MAX 70  // gain -20
#define KNOB_ZERO 50     // gain = 50 - knob top
#define DRAG_FROM 30     // stylus y accepted while dragging
#define DRAG_TO 79

#define BUTTON_ON 0   // shown while the equalizer is off: switches it on
#define BUTTON_OFF 1
#define BUTTON_CHOOSE 2
#define BUTTON_REAPPLY 3

static const WCHAR PresetFilePath[] = u"\\My Documents\\Default.EQT";
static const WCHAR ValueFilter[] = u"Equalize Files(*.EQV)\0*.EQV\0";
static const WCHAR PresetFilter[] = u"Equalize Preset Files(*.EQT)\0*.EQT\0";

EqualizerPane g_equalizer;

static const SkinButton InitialButtons[EQ_BUTTON_COUNT] = {
    {nullptr, nullptr, 0, 0, IDM_EQ_ON, 0, {8, 8, 26, 26}},
    {nullptr, nullptr, 136, 136, IDM_EQ_OFF, ButtonVisible, {8, 8, 26, 26}},
    {nullptr, nullptr, 0, 128, IDM_EQ_CHOOSE_PRESET, ButtonVisible, {28, 8, 46, 26}},
    {nullptr, nullptr, 0, 130, MAKELONG(IDM_EQ_PRESET, 1), ButtonVisible, {48, 8, 66, 26}},
};

static LONG KnobLeft(int slider) { return slider < 10 ? 74 + 16 * slider : 20; }

// The tap area of a slider; it includes its right and bottom edge.
static int InTrack(int slider, int x, int y) {
  LONG left = slider < 10 ? 76 + 16 * slider : 22;
  return x >= left && x <= left + 4 && y >= 34 && y <= 74;
}

static signed char ClampGain(int g) { return (signed char)(g < GAIN_MIN ? GAIN_MIN : g > GAIN_MAX ? GAIN_MAX : g); }

// ---- file chooser --------------------------------------------------------

static const FileTypeRow ValueFileTypes[2] = {{u"Equalize Files(*.EQV)", u"EQV"}, {u"All Files(*.*)", u"*"}};
static const FileTypeRow PresetFileTypes[2] = {{u"Equalize Preset Files(*.EQT)", u"EQT"},
                                               {u"All Files(*.*)", u"*"}};

// The player's own chooser; subfolders do not apply to a single file.
static int RunFileChooser(BOOL presetFiles, WCHAR* path, DWORD* all) {
  static FileChooserParams params;
  params = FileChooserParams{};
  params.types = presetFiles ? PresetFileTypes : ValueFileTypes;
  params.typeCount = 2;
  params.subfoldersAllowed = 0;
  if (FileChooserRun(&params) != 1) return 2;
  lstrcpynW(path, params.path, MAX_PATH);
  *all = DWORD(params.all);
  return 1;
}

EqualizerFileChooser g_equalizerChooseFile = RunFileChooser;

// ---- helpers -------------------------------------------------------------

// The list goes back to Default.EQT only when it is the user's: read from
// there at start-up or replaced by the user since, and never empty.
static void SavePresetList(void) {
  if (g_equalizer.presetsTrusted && PresetCount() > 0) WritePresetFile(PresetFilePath);
}

// After anything that may have emptied or rebuilt the list: the current
// preset is found again by its name, never left pointing into freed memory.
static void FindCurrentPreset(void) { g_equalizer.current = PresetByName(g_settings.recentEq); }

// The text after the last backslash up to its first '.'. An empty or
// over-long name leaves the remembered one as it was.
static void RememberBaseName(WCHAR* remembered, const WCHAR* path) {
  const WCHAR* name = path;
  for (const WCHAR* p = path; *p; p++)
    if (*p == u'\\') name = p + 1;
  int length = 0;
  while (name[length] && name[length] != u'.') length++;
  if (length == 0 || length >= MAX_PATH) return;
  memcpy(remembered, name, length * sizeof(WCHAR));
  remembered[length] = 0;
}

static int SaveDialog(const WCHAR* filter, const WCHAR* proposed, WCHAR* path) {
  lstrcpynW(path, proposed, MAX_PATH);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = g_equalizer.window;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  return GetSaveFileNameW(&ofn);
}

static void ShowSwitch(BOOL on) {
  EqualizerPane& p = g_equalizer;
  p.buttons[on ? BUTTON_ON : BUTTON_OFF].flags &= ~ButtonVisible;
  p.buttons[on ? BUTTON_OFF : BUTTON_ON].flags |= ButtonVisible;
  InvalidateRect(p.window, &p.buttons[BUTTON_OFF].rect, FALSE);
}

// ---- messages ------------------------------------------------------------

static LRESULT SetGains(HWND window, UINT, WPARAM, LPARAM lParam) {
  const signed char* gains = reinterpret_cast<const signed char*>(lParam);
  if (!gains) return 0;
  for (int i = 0; i < EQ_GAIN_COUNT; i++) g_settings.eq[i] = ClampGain(gains[i]);
  for (int i = 0; i < EQ_SLIDER_COUNT; i++) {
    g_equalizer.knobs[i].top = KNOB_ZERO - g_settings.eq[i];
    g_equalizer.knobs[i].bottom = g_equalizer.knobs[i].top + KNOB_SIZE;
  }
  InvalidateRect(window, nullptr, FALSE);
  return 0;
}

static void SwitchOff(void) {
  ShowSwitch(FALSE);
  PlayerFlagsClear(EqualizerOn);
  EqualizerUpdateDecoder(g_settings.eq);
}

// At a new spectrum speed (the settings sheet).
static void RestartSpectrumTimer(void) {
  if (!g_equalizer.window) return;
  StopSpectrumTimer(g_equalizer.window);
  StartSpectrumTimer(g_equalizer.window);
}

static LRESULT Create(HWND window, UINT, WPARAM, LPARAM) {
  EqualizerPane& p = g_equalizer;
  p.window = window;
  g_windows.equalizer = window;
  memcpy(p.buttons, InitialButtons, sizeof p.buttons);
  for (int i = 0; i < EQ_SLIDER_COUNT; i++) p.knobs[i] = RECT{KnobLeft(i), KNOB_ZERO, KnobLeft(i) + KNOB_SIZE, KNOB_ZERO + KNOB_SIZE};
  lstrcpyW(p.lastValueName, u"Default");
  lstrcpyW(p.lastPresetName, u"Default");

  HDC dc = GetDC(window);
  CreateBackBuffer(dc, &p.backBuffer, PANE_WIDTH, PANE_HEIGHT);
  LoadBackgroundCanvas(dc, &p.background, 102);
  LoadBackgroundCanvas(dc, &p.knob, 103);
  LoadBackgroundCanvas(dc, &p.bar, 152);
  ReleaseDC(window, dc);
  LoadButtonBitmaps(p.buttons, EQ_BUTTON_COUNT);

  // Stored gains are not checked on reading: a knob must stay on its track.
  for (signed char& g : g_settings.eq) g = ClampGain(g);
  if (!PlayerFlagsTest(EqualizerOn)) SwitchOff();
  SetGains(window, UM_SETGAINS, 0, reinterpret_cast<LPARAM>(g_settings.eq));
  StartSpectrumTimer(window);
  g_paneHooks.restartSpectrumTimer = RestartSpectrumTimer;
  g_paneHooks.clearSpectrum = ClearSpectrum;

  PresetListInit();
  p.presetsTrusted = ReadPresetFile(PresetFilePath, 1);
  // One that opens but does not read is damaged: set aside, the built-ins take its place.
  if (!p.presetsTrusted && SetAsideDamaged(PresetFilePath)) p.presetsTrusted = ReadPresetFile(PresetFilePath, 1);
  FindCurrentPreset();
  return 0;
}

static LRESULT Destroy(HWND window, UINT, WPARAM, LPARAM) {
  EqualizerPane& p = g_equalizer;
  ReleaseCanvas(&p.backBuffer);
  ReleaseCanvas(&p.background);
  ReleaseCanvas(&p.knob);
  ReleaseCanvas(&p.bar);
  FreeButtonBitmaps(p.buttons, EQ_BUTTON_COUNT);
  StopSpectrumTimer(window);
  g_paneHooks.restartSpectrumTimer = nullptr;
  g_paneHooks.clearSpectrum = nullptr;
  SavePresetList();
  PresetClear();
  p.current = nullptr;
  p.window = nullptr;
  if (g_windows.equalizer == window) g_windows.equalizer = nullptr;
  return 0;
}

static void Overlay(HDC backBuffer, const RECT* area) {
  EqualizerPane& p = g_equalizer;
  for (const RECT& knob : p.knobs) {
    RECT part;
    if (!IntersectRect(&part, &knob, area)) continue;
    BitBlt(backBuffer, part.left, part.top, part.right - part.left, part.bottom - part.top, p.knob.dc,
           part.left - knob.left, part.top - knob.top, SRCCOPY);
  }
  RECT spectrum = {SPECTRUM_LEFT, SPECTRUM_TOP, SPECTRUM_RIGHT, SPECTRUM_BOTTOM}, part;
  if (IntersectRect(&part, &spectrum, area)) DrawSpectrum(backBuffer, p.bar.dc, area);
}

static LRESULT Paint(HWND window, UINT, WPARAM, LPARAM) {
  EqualizerPane& p = g_equalizer;
  return SkinnedPaint(window, p.background.dc, p.backBuffer.dc, p.buttons, EQ_BUTTON_COUNT, Overlay);
}

static void PostSliderCommand(HWND window, int slider) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EQ_SLIDER, slider), 0);
}

static LRESULT Tap(HWND window, UINT, WPARAM, LPARAM lParam) {
  EqualizerPane& p = g_equalizer;
  int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
  POINT at = {x, y};
  for (int i = 0; i < EQ_SLIDER_COUNT; i++) {
    if (!PtInRect(&p.knobs[i], at)) continue;
    SkinDrag drag = {&p.knobs[i], TRUE, DRAG_FROM, DRAG_TO, KNOB_TOP_MIN, KNOB_TOP_MAX, TRUE, nullptr};
    SliderDrag(window, &drag, y);
    // Also when the drag was broken off: the gain follows the knob.
    if (IsWindow(window)) PostSliderCommand(window, i);
    return 0;
  }
  for (int i = 0; i < EQ_SLIDER_COUNT; i++) {
    if (!InTrack(i, x, y)) continue;
    if (SliderTap(window, &p.knobs[i], TRUE, y, KNOB_TOP_MIN, KNOB_TOP_MAX)) UpdateWindow(window);
    PostSliderCommand(window, i);
    return 0;
  }
  ButtonPress(window, p.buttons, EQ_BUTTON_COUNT, x, y);
  return 0;
}

static LRESULT Timer(HWND window, UINT, WPARAM wParam, LPARAM) {
  if (wParam == TIMER_SPECTRUM) SpectrumTick(window);
  return 0;
}

// ---- commands ------------------------------------------------------------

static LRESULT SliderChanged(HWND, UINT, LPARAM, UINT slider) {
  if (slider >= EQ_SLIDER_COUNT) return 0;
  g_settings.eq[slider] = ClampGain(KNOB_ZERO - g_equalizer.knobs[slider].top);
  EqualizerUpdateDecoder(g_settings.eq);
  return 0;
}

static LRESULT SwitchOffCommand(HWND, UINT, LPARAM, UINT) {
  SwitchOff();
  return 0;
}

static LRESULT SwitchOn(HWND, UINT, LPARAM, UINT) {
  ShowSwitch(TRUE);
  PlayerFlagsSet(EqualizerOn);
  EqualizerUpdateDecoder(g_settings.eq);
  return 0;
}

static LRESULT ChoosePreset(HWND window, UINT, LPARAM, UINT) {
  InvalidateRect(window, &g_equalizer.buttons[BUTTON_CHOOSE].rect, FALSE);
  if (RunDialog(IDD_EQ_PRESET, PresetDialogProc, reinterpret_cast<LPARAM>(&g_equalizer.current)) != 1) return 0;
  if (g_equalizer.current) lstrcpynW(g_settings.recentEq, g_equalizer.current->name, PRESET_NAME_UNITS);
  ApplyEqualizer(g_settings.eq);
  return 0;
}

// Menu "Voreinstellung" (code 0) goes back to the first preset; button 3
// (code 1) re-applies the current one, undoing slider changes.
static LRESULT PresetCommand(HWND window, UINT, LPARAM, UINT code) {
  if (code != 1 || !g_equalizer.current) g_equalizer.current = PresetAt(0);
  if (!g_equalizer.current) return 0;
  memcpy(g_settings.eq, g_equalizer.current->gains, EQ_GAIN_COUNT);
  EqualizerUpdateDecoder(g_settings.eq);
  SetGains(window, UM_SETGAINS, 0, reinterpret_cast<LPARAM>(g_settings.eq));
  return 0;
}

static LRESULT EditPresets(HWND, UINT, LPARAM, UINT) {
  EqPreset* start = g_equalizer.current ? g_equalizer.current : PresetAt(0);
  if (RunDialog(IDD_EQ_EDIT, EditDialogProc, reinterpret_cast<LPARAM>(start)) != 1) return 0;
  g_equalizer.presetsTrusted = TRUE;
  SavePresetList();
  FindCurrentPreset();
  if (!g_equalizer.current) g_equalizer.current = PresetAt(0);
  if (!g_equalizer.current) return 0;
  memcpy(g_settings.eq, g_equalizer.current->gains, EQ_GAIN_COUNT);
  lstrcpynW(g_settings.recentEq, g_equalizer.current->name, PRESET_NAME_UNITS);
  ApplyEqualizer(g_settings.eq);
  return 0;
}

static LRESULT OpenValueFile(HWND, UINT, LPARAM, UINT) {
  WCHAR path[MAX_PATH] = {};
  DWORD all = 0;
  if (g_equalizerChooseFile(FALSE, path, &all) != 1) return 0;
  // "Alle" names a folder, not a value file.
  if (all) return 0;
  EqPreset record = {};
  if (ReadValueFile(path, &record)) {
    PresetAddOrUpdate(&record);
    SavePresetList();
    ApplyEqualizer(record.gains);
  }
  RememberBaseName(g_equalizer.lastValueName, path);
  return 0;
}

static LRESULT SaveValueFile(HWND, UINT, LPARAM, UINT) {
  WCHAR path[MAX_PATH];
  if (!SaveDialog(ValueFilter, g_equalizer.lastValueName, path)) return 0;
  RememberBaseName(g_equalizer.lastValueName, path);
  EqPreset record = {};
  record.genre = 0;
  lstrcpynW(record.name, g_equalizer.lastValueName, PRESET_NAME_UNITS);
  memcpy(record.gains, g_settings.eq, EQ_GAIN_COUNT);
  WriteValueFile(path, &record);
  return 0;
}

static LRESULT OpenPresetFile(HWND, UINT, LPARAM, UINT) {
  WCHAR path[MAX_PATH] = {};
  DWORD all = 0;
  if (g_equalizerChooseFile(TRUE, path, &all) != 1) return 0;
  if (all) return 0;
  if (ReadPresetFile(path, 1)) {
    g_equalizer.presetsTrusted = TRUE;
    SavePresetList();
  }
  FindCurrentPreset();
  RememberBaseName(g_equalizer.lastPresetName, path);
  return 0;
}

static LRESULT SavePresetFile(HWND, UINT, LPARAM, UINT) {
  WCHAR path[MAX_PATH];
  if (!SaveDialog(PresetFilter, g_equalizer.lastPresetName, path)) return 0;
  RememberBaseName(g_equalizer.lastPresetName, path);
  WritePresetFile(path);
  return 0;
}

static LRESULT ResetPresets(HWND, UINT, LPARAM, UINT) {
  PresetReset();
  FindCurrentPreset();
  g_equalizer.presetsTrusted = TRUE;
  SavePresetList();
  return 0;
}

static const CommandEntry EqualizerCommands[] = {
    {IDM_EQ_SLIDER, SliderChanged},
    {IDM_EQ_OFF, SwitchOffCommand},
    {IDM_EQ_ON, SwitchOn},
    {IDM_EQ_CHOOSE_PRESET, ChoosePreset},
    {IDM_EQ_PRESET, PresetCommand},
    {IDM_EQ_EDIT, EditPresets},
    {IDM_EQ_OPEN_VALUES, OpenValueFile},
    {IDM_EQ_SAVE_VALUES, SaveValueFile},
    {IDM_EQ_OPEN_PRESETS, OpenPresetFile},
    {IDM_EQ_SAVE_PRESETS, SavePresetFile},
    {IDM_EQ_RESET_PRESETS, ResetPresets},
};

static LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DispatchCommand(window, message, wParam, lParam, EqualizerCommands, TABLE_COUNT(EqualizerCommands));
}

// Its own table: 0x1402 means Set gains here and playback ended on the board.
static const MessageEntry EqualizerMessages[] = {
    {WM_CREATE, Create},
    {WM_DESTROY, Destroy},
    {WM_PAINT, Paint},
    {WM_ERASEBKGND, nullptr},
    {WM_LBUTTONDOWN, Tap},
    {WM_LBUTTONDBLCLK, Tap},  // the class takes double clicks: a quick second tap is a tap too
    {WM_COMMAND, Command},
    {UM_SETGAINS, SetGains},
    {WM_TIMER, Timer},
};

static LRESULT CALLBACK EqualizerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(window, message, wParam, lParam, EqualizerMessages, TABLE_COUNT(EqualizerMessages), nullptr);
}

HWND EqualizerCreate(HWND parent) {
  HWND window = nullptr;
  DWORD visible = g_settings.plState == 1 ? 0 : WS_VISIBLE;
  if (!CreateSkinnedWindow(parent, EqualizerProc, u"LumtraxEQ", &window, PANE_X, PANE_Y, PANE_WIDTH, PANE_HEIGHT,
                           visible))
    return nullptr;
  return window;
}
