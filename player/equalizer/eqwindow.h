// The equalizer pane "LumtraxEQ": eleven vertical sliders, the on/off, preset
// and re-apply buttons, the spectrum boxes, and the "Equalizer" menu's
// commands. Created by EqualizerCreate (shell/panes.h).
#pragma once
#include <windows.h>

#include "display/skin.h"
#include "equalizer/presets.h"

#define EQ_SLIDER_COUNT 11  // bands 0-9, the preamplifier at 10
#define EQ_BUTTON_COUNT 4

#define IDM_EQ_SLIDER 256
#define IDM_EQ_OFF 42000
#define IDM_EQ_ON 42001
#define IDM_EQ_CHOOSE_PRESET 42002
#define IDM_EQ_PRESET 42003
#define IDM_EQ_EDIT 40040
#define IDM_EQ_OPEN_VALUES 40041
#define IDM_EQ_SAVE_VALUES 40042
#define IDM_EQ_OPEN_PRESETS 40068
#define IDM_EQ_SAVE_PRESETS 40069
#define IDM_EQ_RESET_PRESETS 40070

struct EqualizerPane {
  HWND window;
  MemoryCanvas backBuffer;
  MemoryCanvas background;  // bitmap 102
  MemoryCanvas knob;        // bitmap 103
  MemoryCanvas bar;         // bitmap 152
  SkinButton buttons[EQ_BUTTON_COUNT];
  RECT knobs[EQ_SLIDER_COUNT];   // top = 50 - gain
  EqPreset* current;             // in the preset list, or null
  WCHAR lastValueName[MAX_PATH];   // proposed by the next save
  WCHAR lastPresetName[MAX_PATH];
  // Default.EQT is written back only when the list came from it (or from the
  // built-ins) or the user has replaced it since.
  BOOL presetsTrusted;
};

extern EqualizerPane g_equalizer;

// The file chooser of the two "öffnen" commands (tests put their own in
// place): fills path (MAX_PATH units) and all (1: a whole folder was
// chosen). Answers 1 (OK) or 2.
typedef int (*EqualizerFileChooser)(BOOL presetFiles, WCHAR* path, DWORD* all);
extern EqualizerFileChooser g_equalizerChooseFile;
