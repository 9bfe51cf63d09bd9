// "Öffnen": the file chooser, then the choice into the playlist.
#pragma once
#include <windows.h>

struct FileChooserParams;

void OpenFiles(void);
// Hands a chooser's answer to the playlist; 1 when the list is not empty.
int OpenChoice(const FileChooserParams* choice);
