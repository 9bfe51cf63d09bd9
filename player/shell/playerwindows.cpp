#include "shell/playerwindows.h"

PlayerWindows g_windows;

#include "shell/panes.h"
ShellHooks g_shellHooks;
PaneHooks g_paneHooks;
