// The folder scan behind "Alle": every matching file of a folder, and of its
// subfolders when asked, to a callback, depth first.
#include <cstdlib>
#include <string_view>

#include "playlist/filechooser.h"
#include "shell/playerwindows.h"

void ExtensionOf(LPCWSTR name, WCHAR* out, int capacity) {
  out[0] = 0;
  int n = lstrlenW(name);
  for (int i = n - 1; i >= 0; i--) {
    if (name[i] == u'/' || name[i] == u'\\') return;
    if (name[i] == u'.') {
      if (i > 0) lstrcpynW(out, name + i + 1, capacity);
      return;
    }
  }
}

namespace {

struct ScanState {
  LPCWSTR extension;
  int subfolders;
  FolderScanCallback callback;
  void* context;
  HWND pane;
  LXFILEIDENTITY* seen;  // every folder entered, so links cannot loop or repeat
  DWORD seenCount, seenCapacity;
  int stopped;
};

// 1 when the folder was met before, or cannot be told apart.
int AlreadySeen(ScanState* s, LPCWSTR folder) {
  LXFILEIDENTITY id;
  if (!LxGetFileIdentity(folder, &id)) return 1;
  for (DWORD i = 0; i < s->seenCount; i++)
    if (s->seen[i].device == id.device && s->seen[i].inode == id.inode) return 1;
  if (s->seenCount == s->seenCapacity) {
    DWORD capacity = s->seenCapacity ? s->seenCapacity * 2 : 32;
    void* grown = realloc(s->seen, capacity * sizeof(LXFILEIDENTITY));
    if (!grown) return 1;
    s->seen = static_cast<LXFILEIDENTITY*>(grown);
    s->seenCapacity = capacity;
  }
  s->seen[s->seenCount++] = id;
  return 0;
}

// The thread's other work goes on between files (buffer-done messages,
// timers, paints); taps and keys are dropped as under the busy cursor.
int RunMessages(ScanState* s) {
  MSG msg;
  for (int n = 0; n < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); n++) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      return 0;
    }
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
        (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !(s->pane && !IsWindow(s->pane));
}

void Scan(ScanState* s, LPCWSTR folder) {
  WCHAR pattern[MAX_PATH];
  int length = lstrlenW(folder);
  if (length + 3 >= MAX_PATH) return;
  lstrcpyW(pattern, folder);
  lstrcatW(pattern, u"*.*");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return;
  WCHAR path[MAX_PATH], extension[MAX_PATH];
  do {
    if (data.cFileName[0] == u'.') continue;
    int total = length + lstrlenW(data.cFileName);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // Room for the backslash and "*.*" behind the name.
      if (!s->subfolders || total + 4 >= MAX_PATH) continue;
      lstrcpyW(path, folder);
      lstrcatW(path, data.cFileName);
      lstrcatW(path, u"\\");
      if (AlreadySeen(s, path)) continue;
      Scan(s, path);
    } else {
      if (total >= MAX_PATH) continue;
      ExtensionOf(data.cFileName, extension, MAX_PATH);
      CharUpperW(extension);
      std::u16string_view wanted(s->extension);
      if (wanted != u"*" && wanted != extension) continue;
      lstrcpyW(path, folder);
      lstrcatW(path, data.cFileName);
      if (!RunMessages(s) || !s->callback(path, extension, s->context)) s->stopped = 1;
    }
  } while (!s->stopped && FindNextFileW(find, &data));
  FindClose(find);
}

}  // namespace

int FolderScan(LPCWSTR folder, LPCWSTR extension, int subfolders, FolderScanCallback callback, void* context) {
  if (!folder || !extension || !callback) return 0;
  ScanState s{};
  s.extension = extension;
  s.subfolders = subfolders;
  s.callback = callback;
  s.context = context;
  s.pane = g_windows.playlist;
  AlreadySeen(&s, folder);
  Scan(&s, folder);
  free(s.seen);
  return !s.stopped;
}
