// The player's top-level window: class "Lumtrax", its creation and shutdown
// sequences, its message and command tables, and the start file step.
#pragma once
#include <windows.h>

#define IDR_MENUBAR 101
#define IDD_WELCOME 154
#define IDB_WELCOME 156
#define IDC_WELCOME_PICTURE 1040
#define IDC_WELCOME_BUTTON 1041
#define IDC_WELCOME_VERSION 1042
#define IDC_WELCOME_PATCH 1043
#define MENU_BAR_HEIGHT 26

// Registers the class; 0 on failure.
ATOM MainWindowRegister(HINSTANCE instance);
// Keeps the command line and creates the window (moved above the menu bar,
// shown); null when creation was refused.
HWND MainWindowCreate(HINSTANCE instance, LPCWSTR commandLine, int show);
// Welcome dialog or, with it switched off, the start file step at once.
void MainWindowWelcome(void);
// Runs once, after the welcome dialog closed.
void StartFileStep(void);
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The fixed media keys (id = virtual key) on the main window.
void MediaKeys(HWND mainWindow, BOOL on);
