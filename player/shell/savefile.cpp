#include "shell/savefile.h"

int SaveFileBegin(SaveFile* save, LPCWSTR path) {
  save->file = INVALID_HANDLE_VALUE;
  save->failed = 1;
  if (!path || !path[0] || lstrlenW(path) >= MAX_PATH) return 0;
  lstrcpynW(save->path, path, 2 * MAX_PATH);
  LxFormatW(save->tempPath, 2 * MAX_PATH, u"%s.new", path);
  save->file = CreateFileW(save->tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (save->file == INVALID_HANDLE_VALUE) return 0;
  save->failed = 0;
  return 1;
}

void SaveFileWrite(SaveFile* save, const void* data, DWORD size) {
  if (save->failed) return;
  DWORD written = 0;
  if (!WriteFile(save->file, data, size, &written, nullptr) || written != size) save->failed = 1;
}

int SaveFileCommit(SaveFile* save) {
  if (save->file == INVALID_HANDLE_VALUE) return 0;
  if (!save->failed && !FlushFileBuffers(save->file)) save->failed = 1;
  if (!CloseHandle(save->file)) save->failed = 1;
  save->file = INVALID_HANDLE_VALUE;
  if (!save->failed && MoveFileExW(save->tempPath, save->path, MOVEFILE_REPLACE_EXISTING)) return 1;
  DeleteFileW(save->tempPath);
  return 0;
}

int SetAsideDamaged(LPCWSTR path) {
  if (!path || !path[0] || lstrlenW(path) >= MAX_PATH) return 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(file);
  SYSTEMTIME t;
  GetLocalTime(&t);
  WCHAR aside[2 * MAX_PATH];
  for (int n = 1; n < 100; n++) {
    if (n == 1)
      LxFormatW(aside, 2 * MAX_PATH, u"%s.damaged-%04d%02d%02d-%02d%02d%02d", path, t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
    else
      LxFormatW(aside, 2 * MAX_PATH, u"%s.damaged-%04d%02d%02d-%02d%02d%02d-%d", path, t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, n);
    if (GetFileAttributesW(aside) == INVALID_FILE_ATTRIBUTES) return MoveFileW(path, aside) ? 1 : 0;
  }
  return 0;
}
