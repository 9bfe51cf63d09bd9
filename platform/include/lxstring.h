// Wide-string helpers over char16_t. The host's wcs* functions work on 32-bit
// wchar_t and cannot be used for WCHAR.
#pragma once
#include <cstdarg>
#include "windef.h"

WINBASEAPI int lstrlenW(LPCWSTR s);
WINBASEAPI LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src);
// Copies at most count - 1 units and always terminates (count > 0).
WINBASEAPI LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int count);
WINBASEAPI LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src);
WINBASEAPI int lstrcmpW(LPCWSTR a, LPCWSTR b);
WINBASEAPI int lstrcmpiW(LPCWSTR a, LPCWSTR b);
WINBASEAPI LPWSTR LxStrChrW(LPCWSTR s, WCHAR c);
WINBASEAPI LPWSTR LxStrRChrW(LPCWSTR s, WCHAR c);
WINBASEAPI LPWSTR LxStrStrW(LPCWSTR s, LPCWSTR sub);
WINBASEAPI int LxStrNCmpiW(LPCWSTR a, LPCWSTR b, int count);
// Ordinal and case-insensitive, like LxStrNCmpiW over whole texts: for names
// (classes, resources, extensions) that lstrcmpiW's locale order would only
// slow down.
WINBASEAPI int LxStrCmpiW(LPCWSTR a, LPCWSTR b);
WINBASEAPI int LxWtoi(LPCWSTR s);

// printf-style formatting into WCHAR: %d %i %u %x %X %c %s (WCHAR*) %S (char*)
// %ls %hs %%, with flags '-', '0', width and precision. wsprintfW writes at
// most 1024 units, as the device's does; the n-forms take the buffer size.
WINBASEAPI int wsprintfW(LPWSTR dst, LPCWSTR format, ...);
WINBASEAPI int wvsprintfW(LPWSTR dst, LPCWSTR format, va_list args);
WINBASEAPI int LxFormatW(LPWSTR dst, int size, LPCWSTR format, ...);
WINBASEAPI int LxFormatVW(LPWSTR dst, int size, LPCWSTR format, va_list args);

#ifdef __cplusplus
#include <string>
// Conversions for the platform and tools (UTF-8 <-> UTF-16).
LX_EXPORT std::u16string LxFromUtf8(const std::string& s);
LX_EXPORT std::string LxToUtf8(const std::u16string& s);
LX_EXPORT std::string LxToUtf8(LPCWSTR s);
// Host file names <-> UTF-16: a byte that is not part of valid UTF-8 becomes
// the unit 0xDC00 + byte and back, so every host name survives the round trip.
LX_EXPORT std::u16string LxFromHostName(const std::string& s);
LX_EXPORT std::string LxToHostName(const std::u16string& s);
LX_EXPORT std::string LxToHostName(LPCWSTR s);
// Device path <-> host path, as platform.md describes.
LX_EXPORT std::string LxHostPath(LPCWSTR devicePath);
LX_EXPORT std::u16string LxDevicePath(const std::string& hostPath);
#endif
