// "Öffnen": the file chooser, then the choice into the playlist.
#pragma once
#include <windows.h>

void OpenFiles(void);
