// LXINPUTBUFFER: reads a local file ahead in a window of ten 16384-byte chunks.
// The caller copies out of the window; the thread fills it chunk by chunk and
// sleeps once the window is full or the file has ended.
#include "readahead.h"
#include <cstring>
#include "inputplugin.h"

ReadAheadWindow Window;

static void Lock() { WaitForSingleObject(Window.mutex, INFINITE); }
static void Unlock() { ReleaseMutex(Window.mutex); }

static DWORD WINAPI ReadAheadThread(LPVOID) {
  HANDLE on = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_ON);
  HANDLE done = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_DONE);
  HANDLE mutex = CreateMutexW(NULL, FALSE, INPUTMEDIA_MUTEX);
  for (;;) {
    WaitForSingleObject(on, INFINITE);
    WaitForSingleObject(mutex, INFINITE);
    if (!Window.file) {
      ReleaseMutex(mutex);
      break;
    }
    DWORD room = READAHEAD_WINDOW - Window.fill;
    DWORD want = room < READAHEAD_CHUNK ? room : READAHEAD_CHUNK;
    DWORD got = 0;
    if (want && !ReadFile(Window.file, Window.buffer + Window.fill, want, &got, NULL)) got = 0;
    Window.fill += got;
    if (got == 0 && Window.windowStart + Window.fill < Window.size) Window.stalled = TRUE;
    // Gate the thread off while still holding the mutex: a window move made
    // after this point sets "eventon4" again and cannot be lost.
    if (got == 0 || Window.windowStart + Window.fill >= Window.size || Window.fill == READAHEAD_WINDOW)
      ResetEvent(on);
    SetEvent(done);
    ReleaseMutex(mutex);
  }
  CloseHandle(mutex);
  CloseHandle(done);
  CloseHandle(on);
  InterlockedExchange(&Window.threadFinished, 1);
  return 0;
}

// Restarts the thread on the window as it now stands. Mutex held.
static void StartWindow() {
  Window.fill = 0;
  Window.stalled = FALSE;
  ResetEvent(Window.eventDone);
  SetEvent(Window.eventOn);
}

// Waits, mutex held, until the window holds every byte before `upto`. Returns 0
// when the thread can bring no more (the file shrank or a read failed).
static BOOL WaitForFill(DWORD upto) {
  while (Window.windowStart + Window.fill < upto) {
    if (Window.stalled) return FALSE;
    ResetEvent(Window.eventDone);
    Unlock();
    WaitForSingleObject(Window.eventDone, 100);
    Lock();
  }
  return TRUE;
}

static void ReleaseAll() {
  if (Window.buffer) LocalFree(Window.buffer);
  Window.buffer = NULL;
  if (Window.file) CloseHandle(Window.file);
  Window.file = NULL;
  HANDLE* objects[] = {&Window.eventOn, &Window.eventDone, &Window.mutex};
  for (HANDLE* h : objects) {
    if (*h) CloseHandle(*h);
    *h = NULL;
  }
}

INPUTMEDIA_API DWORD InputMediaOpen(LPCWSTR path, int, int, int, int) {
  if (Window.file) InputMediaClose();
  if (!path) return 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE || !file) return 0;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  // Positions travel as signed 32-bit offsets; larger files are refused.
  if (size == 0 || size == INVALID_FILE_SIZE || high != 0 || size > 0x7FFFFFFFu) {
    CloseHandle(file);
    return 0;
  }
  Window.file = file;
  Window.size = size;
  if (!Window.buffer) Window.buffer = (BYTE*)LocalAlloc(LMEM_FIXED, READAHEAD_WINDOW);
  Window.eventOn = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_ON);
  Window.eventDone = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_DONE);
  Window.mutex = CreateMutexW(NULL, FALSE, INPUTMEDIA_MUTEX);
  if (!Window.buffer || !Window.eventOn || !Window.eventDone || !Window.mutex) {
    ReleaseAll();
    return 0;
  }
  Window.windowStart = 0;
  Window.windowEnd = READAHEAD_WINDOW;
  Window.readPos = 0;
  Window.windowMoves = 0;
  Window.refills = 0;
  StartWindow();
  Window.threadFinished = 0;
  Window.thread = CreateThread(NULL, 0, ReadAheadThread, NULL, 0, NULL);
  if (!Window.thread) {
    ReleaseAll();
    return 0;
  }
  WaitForSingleObject(Window.eventDone, INFINITE);
  CeSetThreadPriority(Window.thread, INPUTMEDIA_THREAD_PRIORITY);
  return size;
}

INPUTMEDIA_API DWORD InputMediaRead(void* buffer, DWORD length) {
  if (!Window.file || !buffer) return 0;
  Lock();
  DWORD left = Window.size - Window.readPos;
  if (length > left) length = left;
  DWORD copied = 0;
  while (copied < length) {
    DWORD p = Window.readPos;
    DWORD upto = p + (length - copied);
    BOOL pastWindow = upto > Window.windowEnd;
    if (pastWindow) upto = Window.windowEnd;
    // A reader may overtake the thread: it waits for its bytes instead of
    // copying what has not been read yet.
    if (!WaitForFill(upto)) break;
    memcpy((BYTE*)buffer + copied, Window.buffer + (p - Window.windowStart), upto - p);
    copied += upto - p;
    Window.readPos = upto;
    if (pastWindow) {
      // The old window is complete, so the file pointer stands at its end.
      Window.windowStart = Window.windowEnd;
      Window.windowEnd += READAHEAD_WINDOW;
      Window.windowMoves++;
      StartWindow();
    }
  }
  Unlock();
  return copied;
}

INPUTMEDIA_API DWORD InputMediaSeek(LONG offset, int origin) {
  if (!Window.file || (origin != INPUTMEDIA_SEEK_SET && origin != INPUTMEDIA_SEEK_CUR)) return 0;
  Lock();
  if (origin == INPUTMEDIA_SEEK_CUR && offset == 0) {
    DWORD pos = Window.readPos;
    Unlock();
    return pos;
  }
  LONGLONG target = offset;
  if (origin == INPUTMEDIA_SEEK_CUR) target += Window.readPos;
  if (target < 0) target = 0;
  if (target > Window.size) target = Window.size;
  DWORD t = (DWORD)target;
  BOOL refill = !(Window.windowStart <= t && t + READAHEAD_CHUNK <= Window.windowEnd);
  Window.readPos = t;
  if (refill) {
    Window.windowStart = t - t % READAHEAD_CHUNK;
    Window.windowEnd = Window.windowStart + READAHEAD_WINDOW;
    SetFilePointer(Window.file, (LONG)Window.windowStart, NULL, FILE_BEGIN);
    Window.refills++;
    StartWindow();
  }
  Unlock();
  if (refill) WaitForSingleObject(Window.eventDone, INFINITE);
  return t;
}

INPUTMEDIA_API void InputMediaClose(void) {
  if (!Window.file) return;
  Lock();
  CloseHandle(Window.file);
  Window.file = NULL;
  Unlock();
  SetEvent(Window.eventOn);
  while (!InterlockedCompareExchange(&Window.threadFinished, 0, 0)) Sleep(10);
  // The flag is set just before the thread returns; wait for the return too,
  // since the reader unloads this library right after.
  WaitForSingleObject(Window.thread, INFINITE);
  CloseHandle(Window.thread);
  Window.thread = NULL;
  ReleaseAll();
}
