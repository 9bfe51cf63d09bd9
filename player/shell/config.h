// "Konfigurieren": the settings sheet with its pages "Flags", "Tastenbelegung",
// "Puffer" and "Cache", and the changes it applies after OK.
#pragma once
#include <windows.h>

#include <commctrl.h>

// Page templates.
#define IDD_KEY_MAPPING 152
#define IDD_FLAGS 158
#define IDD_BUFFER 159
#define IDD_CACHE 160

// Common to the pages.
#define IDC_PAGE_DEFAULT 3
// Flags page.
#define IDC_PLAY_AT_OPEN 1014
#define IDC_AUTO_REPEAT 1015
#define IDC_SHUFFLE 1016
#define IDC_POWER_SAVE_OFF 1017
#define IDC_AUTO_PRESET 1022
#define IDC_FADE_IN 1023
#define IDC_NO_WELCOME 1024
// Puffer page.
#define IDC_AUDIO_BUFFER 1053
#define IDC_SPEED 1054
#define IDC_AUDIO_BUFFER_VALUE 1056
#define IDC_SPEED_VALUE 1057
#define IDC_SPECTRUM_OFF 1062
// Cache page.
#define IDC_CACHE_SIZE 1064
#define IDC_CACHE_SIZE_VALUE 1065
#define IDC_CACHE_SYNC 1066
#define IDC_USE_CACHE 1067

#define SHEET_TAB_CONTROL 12320

// The sheet window while it is open (the pages press its OK and Cancel).
extern HWND g_settingsSheet;

// Shows the sheet owned by the main window; IDOK (1) when it ended with OK.
// Refuses (0) while a sheet is open already.
INT_PTR SettingsSheet(HWND owner);

// Changes a Cancel to "Wollen Sie wieder beginnen?" left for the next start:
// the board's Play calls this while the engine is Stopped, before it
// compares the entry's path with the engine's.
void ApplyPendingSettings(void);

struct PendingSettings {
  BOOL ring;    // the ring still has the old size
  BOOL reload;  // the cache settings changed: the next Play opens the title again
};
extern PendingSettings g_pendingSettings;
