// Message cracking helpers.
#pragma once
#include "windef.h"

// Stylus coordinates are signed 16-bit halves of lParam.
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
