// Writing a file so that a failed or interrupted save never destroys the
// previous one: everything goes to "<path>.new", which replaces the old file
// only after every byte was written.
#pragma once
#include <windows.h>

struct SaveFile {
  HANDLE file;
  int failed;
  WCHAR path[2 * MAX_PATH];
  WCHAR tempPath[2 * MAX_PATH];
};

// 0 when the temporary file cannot be created.
int SaveFileBegin(SaveFile* save, LPCWSTR path);
// Remembers a short or failed write; the commit then keeps the old file.
void SaveFileWrite(SaveFile* save, const void* data, DWORD size);
// 1 when the new file replaced the old one; otherwise the old file is untouched.
int SaveFileCommit(SaveFile* save);

// A file that is there and opens but whose content was refused: renamed
// "<path>.damaged-<date>-<time>" as the registry does with its own, so that
// the next save of defaults cannot destroy what the user may still need.
// 1 when it was renamed.
int SetAsideDamaged(LPCWSTR path);
