// Hardware buttons: the twenty key records, their hot-key registrations on
// the main window, the pressed-key handler and the key-mapping page.
#pragma once
#include <windows.h>

#include "shell/settings.h"

#define KEY_BINDING_COUNT KEY_ACTION_COUNT
#define FIRST_APP_BUTTON 5  // records 0-4: arrows and Enter; 5-19: application buttons 1-15
#define KEY_NAME_UNITS 20
#define MOD_APP_BUTTON 8    // the Windows-key modifier the application buttons carry

// Page 152's controls.
#define IDC_KEY_LIST 1050
#define IDC_KEY_BACKGROUND 1051
#define IDC_KEY_ACTION 1059
#define IDC_KEY_STEP1 1060
#define IDC_KEY_STEP2 1061
#define IDC_KEY_DELETE 3

struct KeyBinding {
  DWORD present;
  DWORD id;
  WCHAR name[KEY_NAME_UNITS];
  DWORD modifiers;
  DWORD virtualKey;
};

extern KeyBinding g_keyBindings[KEY_BINDING_COUNT];
// The window that gets every hot key while it is set (the key-mapping page).
extern HWND g_captureTarget;

// Once at program entry: which application buttons the device has, and their names.
void ReadButtonNames(void);
// Bound buttons: the present ones with an action; Capture buttons: every
// present one. Both register on the main window.
void BoundButtons(BOOL on);
void CaptureButtons(BOOL on);
// The present record with that virtual key, or -1. A posted WM_HOTKEY can
// carry any key: it is matched, never used as an index.
int FindKeyBinding(DWORD virtualKey);
// A pressed key: its bound action, then its media-key action (a key may be
// in both tables). Also the entry for media controls from outside.
void HotKeyPressed(DWORD virtualKey);

// The main window's WM_HOTKEY and WM_ACTIVATE parts.
BOOL ButtonsHotKey(HWND mainWindow, WPARAM id, LPARAM lParam);
void ButtonsActivate(HWND mainWindow, WPARAM wParam, LPARAM lParam);

// "Tastenbelegung", the settings sheet's second page.
INT_PTR CALLBACK KeyMappingPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the shell's hooks with the buttons and the settings sheet.
void ButtonsInstall(void);
