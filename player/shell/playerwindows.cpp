#include "shell/playerwindows.h"

PlayerWindows g_windows;
