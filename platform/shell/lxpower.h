// Internal view of the power services, for tests and lumtrax-device.
#pragma once
#include "windef.h"

// How often SystemIdleTimerReset was called in this process.
LX_EXPORT DWORD LxIdleTimerResetCount(void);
