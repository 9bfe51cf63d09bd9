// The equalizer's two full-screen dialogs: choosing a preset (151) and
// editing the preset list (156). Both run modally through RunDialog.
#pragma once
#include <windows.h>

#include "equalizer/presets.h"

#define IDD_EQ_PRESET 151
#define IDD_EQ_EDIT 156

#define IDC_PRESET_DEFAULT 3
#define IDC_PRESET_LIST 1013

#define IDC_EDIT_ADD 7
#define IDC_EDIT_DELETE 8
#define IDC_EDIT_UPDOWN 1001
#define IDC_EDIT_NAME 1043
#define IDC_EDIT_PRESETS 1044
#define IDC_EDIT_GENRE 1045
#define IDC_EDIT_BAND 1046
#define IDC_EDIT_VALUE 1047

#define MAIN_TITLE_UNITS 51  // a saved main-window title: 50 characters and the NUL

// Parameter: the address of the equalizer's current-preset reference, which
// a choice changes; the chosen preset's gains become the live gains.
// 1: chosen (or "Auswahl" without a row), 2: "Abbrechen".
INT_PTR CALLBACK PresetDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Parameter: the current preset or null. 1: "Ok" replaced the preset list,
// 2: "Abbrechen".
INT_PTR CALLBACK EditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
