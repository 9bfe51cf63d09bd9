// The player on a Linux desktop: media controls on the session bus. The only
// player code that uses a host API; it reaches the player through the
// commands and actions the buttons and keys use.
#pragma once
#include <windows.h>

// After the main window exists, on its thread: connects to the session bus
// and serves the media controls from a thread of its own. Without a bus it
// says so on standard error and the player runs as before. 1 when connected.
int DesktopStart(HWND mainWindow);
// After the message loop: leaves the bus and ends the thread.
void DesktopStop(void);
