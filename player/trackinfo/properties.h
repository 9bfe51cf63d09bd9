// "Informationen anzeigen" (dialog 149): label and value rows of one entry.
#pragma once
#include <windows.h>

#include "playlist/playlistentry.h"

#define IDD_PROPERTIES 149
#define IDC_PROPERTIES_LIST 1000
#define PROPERTY_ROWS 20
#define PROPERTY_TEXT_UNITS 261
#define PROPERTY_ROW_HEIGHT 16

// Row k of the dialog for an entry: even rows are labels, odd rows values.
void PropertyRow(const PlaylistEntry* entry, int row, WCHAR* text, int capacity);
// Modal, owned by the main window; 1 after OK.
INT_PTR PropertiesRun(PlaylistEntry* entry);
INT_PTR CALLBACK PropertiesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
