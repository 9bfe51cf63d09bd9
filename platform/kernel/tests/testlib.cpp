// A library for the loader tests: one export of its own.
#include "windows.h"

extern "C" LX_EXPORT int LxTestAnswer(int x) { return x * 2 + 1; }
