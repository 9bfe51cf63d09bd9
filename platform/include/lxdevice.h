// Not on the device: the device socket through which processes of the same
// device (same user, same $LUMTRAX_HOME) find each other's windows and
// lumtrax-device drives a running program.
//
// One request per connection: a line of words, answered by "ok ..." or
// "err ..." lines; "screenshot" is followed by W*H pixels (240*320 on the handheld), 4 bytes each
// (0x00RRGGBB, little-endian). Strings are "~" (none) or "=" and UTF-8
// with %XX for bytes outside printable ASCII, space and '%'.
//
//   info                         -> ok PID NAME
//   find CLASS TITLE             -> ok HWND (0: none)
//   send|post HWND MSG WP LP     -> ok RESULT
//   foreground HWND              -> ok 1
//   tap X Y | down X Y | move X Y | up X Y
//   drag X1 Y1 X2 Y2 [STEPS]
//   key VK [down|up]             -> a press when neither is given
//   text STRING                  -> WM_CHAR per UTF-16 unit
//   idle [MS]                    -> ok 1 when the program waits for input
//   windows                      -> ok N, then N lines: HWND PARENT CLASS TITLE L T R B VISIBLE
//   screenshot                   -> ok W H, then the pixels
#pragma once
#include <string>
#include <vector>

#include "windef.h"

// Running devices' process ids, newest first (stale sockets are removed).
LX_EXPORT std::vector<int> LxDevicePids();
// Sends one request; reply gets everything the device answered. 0 when the
// process does not answer in time (at once when it is stopped).
LX_EXPORT int LxDeviceCall(int pid, const std::string& request, std::string& reply, int timeoutMs = 30000);
LX_EXPORT std::string LxDeviceSocketDir();
LX_EXPORT std::string LxEncodeWord(const std::u16string* s);
LX_EXPORT int LxDecodeWord(const std::string& word, std::u16string* s);
