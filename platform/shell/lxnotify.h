// The device's side of user notifications: playing a system event starts the
// programs registered for it. lumtrax-device's "wake" calls LxDeviceWake.
#pragma once
#include <vector>

#include "windef.h"

// Starts every program registered (CNT_EVENT) for the event, with its
// arguments. Returns how many were started; with processes, their process
// handles go there (the caller closes them) for waiting on their ends.
LX_EXPORT int LxNotifyEvent(DWORD event, std::vector<HANDLE>* processes = nullptr);
// The device wakes up: NOTIFICATION_EVENT_WAKEUP.
LX_EXPORT int LxDeviceWake(std::vector<HANDLE>* processes = nullptr);
