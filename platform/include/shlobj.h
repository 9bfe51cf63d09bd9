// The shell's special folders.
#pragma once
#include "windef.h"

#define CSIDL_PROGRAMS 0x0002
#define CSIDL_PERSONAL 0x0005
#define CSIDL_STARTUP 0x0007
#define CSIDL_MYMUSIC 0x000D

// The user's music folder is $XDG_MUSIC_DIR (the environment, else the
// user's folder list), else ~/Music, as a device path; FALSE when it does not
// exist (create is not supported).
WINBASEAPI BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create);
#define SHGetSpecialFolderPathW SHGetSpecialFolderPath
