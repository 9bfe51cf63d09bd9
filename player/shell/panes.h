// The main window's three panes and the shell's extension points. Each pane
// registers its class, creates its window, sets its g_windows handle on
// creation and clears it on destruction.
#pragma once
#include <windows.h>

HWND BoardCreate(HWND parent);           // "LumtraxMB"
HWND EqualizerCreate(HWND parent);       // "LumtraxEQ"
HWND PlaylistWindowCreate(HWND parent);  // "LumtraxPL"

// Filled by the hardware-button and configuration work; every slot may be null.
struct ShellHooks {
  void (*readButtonNames)(void);                             // at program entry
  BOOL (*hotKey)(HWND main, WPARAM id, LPARAM lParam);       // WM_HOTKEY before the media step; TRUE: handled
  void (*activate)(HWND main, WPARAM wParam, LPARAM lParam); // WM_ACTIVATE, after the shell's own part
  INT_PTR (*settingsSheet)(HWND owner);                      // 40039; IDOK when it ended with OK
  void (*boundButtonsOff)(void);                             // engine Unbind's last step
  void (*applyPendingSettings)(void);                        // the board's Play in Stopped, before comparing paths
  void (*handled)(void);  // after each message a table handler took, on the window's thread: watchers of the state
};

extern ShellHooks g_shellHooks;

// Filled by the board and the equalizer window while they exist; the settings
// sheet calls them after OK. Every slot may be null.
struct PaneHooks {
  void (*restartAnimation)(void);      // the board's timers, at a new spectrum speed
  void (*restartSpectrumTimer)(void);  // the equalizer window's spectrum timer, likewise
  void (*clearSpectrum)(void);         // the spectrum was switched off
};

extern PaneHooks g_paneHooks;
