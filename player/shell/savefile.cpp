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
