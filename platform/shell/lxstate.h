// Small persistent stores of the device in $LUMTRAX_HOME (device state,
// notification store): plain text, read on every use so that every process
// sees the same values, changed under an inter-process lock and replaced
// atomically so that a failed write leaves the previous file intact.
#pragma once
#include <functional>
#include <string>
#include "windef.h"

// Host path of a file in the device's data folder; creates the folder.
LX_EXPORT std::string LxStatePath(const char* name);

// Reads the whole file; an absent file gives an empty text and 1.
LX_EXPORT int LxStateRead(const char* name, std::string& text);

// Locks the file against other processes, reads it, lets edit change the
// text and writes it back when edit returns 1. Returns edit's result, 0 if
// the write failed.
LX_EXPORT int LxStateUpdate(const char* name, const std::function<int(std::string& text)>& edit);

// The device state: named 32-bit values (volume, idle time-outs) in
// "DeviceState.txt", one "Name=value" line each.
LX_EXPORT int LxDeviceStateGet(const char* key, DWORD* value);
LX_EXPORT int LxDeviceStateSet(const char* key, DWORD value);
