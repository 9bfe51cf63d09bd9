// Not on the device: how a program was started. The platform's main() reads
// and removes these options before the program's WinMain sees its command line:
//   --headless             no desktop window (also without DISPLAY/WAYLAND_DISPLAY)
//   --scale N              desktop window scale 1-4 (default 2)
//   --audio sdl|null|null:instant|wav:FILE|wavrt:FILE
//   --refuse-rates R1,R2   sample rates wave-out refuses
#pragma once
#include "windef.h"

typedef struct LxProgramOptions {
  int headless;
  int scale;
  char audio[512];        // empty: not given
  char refuseRates[256];  // empty: not given
} LxProgramOptions;

typedef int(WINAPI* LxWinMainProc)(HINSTANCE, HINSTANCE, LPWSTR, int);

// Parses the options, converts host paths, starts the program; the result is
// the process's exit code.
LX_EXTERN_C LX_EXPORT int LxProgramMain(int argc, char** argv, LxWinMainProc winMain);
// The platform's options as a usage text lists them.
#define LX_PROGRAM_OPTIONS_USAGE                                          \
  "  --headless              no desktop window\n"                           \
  "  --scale N               desktop window scale 1-4 (2)\n"                \
  "  --audio DEVICE          sdl, null, null:instant, wav:FILE or wavrt:FILE\n" \
  "  --refuse-rates R1,R2    sample rates wave-out refuses\n"

// For a program that takes no arguments of its own: -h or --help prints the
// usage (then the platform's options) and gives 0, any other word an error
// line and 2; -1 for an empty command line, when the program goes on.
LX_EXTERN_C LX_EXPORT int LxProgramNoArguments(LPCWSTR commandLine, const char* usage);

// The options as parsed (all zero before LxProgramMain runs).
LX_EXTERN_C LX_EXPORT const LxProgramOptions* LxGetProgramOptions(void);

// The screen a program shows, chosen before its first window: the handheld
// (the default) or a desktop screen of 800x600 without the task bar and menu
// bar, at scale 1, where a top-level WS_CAPTION window wears its title in a
// caption strip above it and closing the desktop window closes the window in
// front.
#define LX_SCREEN_HANDHELD 0
#define LX_SCREEN_DESKTOP 1
LX_EXTERN_C LX_EXPORT void LxSetScreenProfile(int profile);
