// Each fuzz input becomes one file on the device; the harness returns its path.
#pragma once
#include <cstddef>
#include <cstdint>

#include <windows.h>

LPCWSTR FuzzInputFile(const uint8_t* data, size_t size, const char* name);
