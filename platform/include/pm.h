// Power services of the device.
#pragma once
#include "windef.h"

// Restarts the idle count-down that would blank and suspend the device; a
// program that must keep the device awake calls it before the shortest idle
// time-out (SystemParametersInfoW 252, 254, 256) runs out.
WINBASEAPI void SystemIdleTimerReset(void);
