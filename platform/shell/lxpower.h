// Internal view of the power services, for tests and lumtrax-device.
#pragma once
#include "windef.h"

// How often SystemIdleTimerReset was called in this process.
LX_EXPORT DWORD LxIdleTimerResetCount(void);
// 1 while the desktop's screen saver is held off: from a reset until the
// shortest idle time-out passed without another.
LX_EXPORT BOOL LxIdleInhibited(void);
