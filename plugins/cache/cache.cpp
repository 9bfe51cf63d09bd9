// LXINPUTCACHE: holds up to 20 blocks of a local file in memory for slow
// storage cards. A thread fills the chain chunk by chunk, or every block in one
// pass; when the reader nears the end of the last block the chain slides (the
// tail of the last block moves to the front of the first) and the thread reads
// on; a jump outside the chain restarts it there (refill).
#include "cache.h"
#include <cstdlib>
#include <cstring>
#include "inputplugin.h"

CacheBlockChain Cache;

static void Lock() { WaitForSingleObject(Cache.mutex, INFINITE); }
static void Unlock() { ReleaseMutex(Cache.mutex); }

static DWORD ReadFully(HANDLE file, BYTE* dst, DWORD want) {
  DWORD total = 0;
  while (total < want) {
    DWORD got = 0;
    if (!ReadFile(file, dst + total, want - total, &got, NULL) || got == 0) break;
    total += got;
  }
  return total;
}

// One chunk into the fill block, up to the next multiple of CACHE_CHUNK in it.
static void ReadChunk(HANDLE on) {
  int i = Cache.fillBlock;
  DWORD want = 0;
  if (i < Cache.blockCount) {
    DWORD room = Cache.blockBytes - Cache.fill[i];
    want = CACHE_CHUNK - Cache.fill[i] % CACHE_CHUNK;
    if (want > room) want = room;
  }
  DWORD got = 0;
  if (want && !ReadFile(Cache.file, Cache.block[i] + Cache.fill[i], want, &got, NULL)) got = 0;
  if (got == 0) {
    if (want && Cache.start[i] + Cache.fill[i] < Cache.size) Cache.stalled = TRUE;
    ResetEvent(on);
    return;
  }
  Cache.fill[i] += got;
  if (Cache.fill[i] == Cache.blockBytes) {
    Cache.fillBlock = i + 1;
    if (i + 1 == Cache.blockCount)
      ResetEvent(on);  // the chain is full; a slide or refill wakes the thread
    else
      Cache.start[i + 1] = Cache.start[i] + Cache.fill[i];
  }
}

// Fills every block from where the data ends. Blocks are full up to the end of
// the data, so a repeated pass reads nothing twice.
static void ReadPass() {
  for (int i = 0; i < Cache.blockCount; i++) {
    if (i > 0) {
      if (Cache.fill[i - 1] < Cache.blockBytes) return;
      if (Cache.fill[i] == 0) Cache.start[i] = Cache.start[i - 1] + Cache.fill[i - 1];
    }
    DWORD want = Cache.blockBytes - Cache.fill[i];
    if (!want) continue;
    DWORD got = ReadFully(Cache.file, Cache.block[i] + Cache.fill[i], want);
    Cache.fill[i] += got;
    if (got < want) {
      if (Cache.start[i] + Cache.fill[i] < Cache.size) Cache.stalled = TRUE;
      return;
    }
  }
}

static DWORD WINAPI CacheThread(LPVOID) {
  HANDLE on = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_ON);
  HANDLE done = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_DONE);
  HANDLE mutex = CreateMutexW(NULL, FALSE, INPUTMEDIA_MUTEX);
  for (;;) {
    WaitForSingleObject(on, INFINITE);
    WaitForSingleObject(mutex, INFINITE);
    if (!Cache.file) {
      ReleaseMutex(mutex);
      break;
    }
    // "eventon4" is cleared under the mutex, so a slide or refill that sets it
    // afterwards is never lost.
    if (Cache.wholeMode) {
      ResetEvent(on);
      ReadPass();
    } else {
      ReadChunk(on);
    }
    SetEvent(done);
    ReleaseMutex(mutex);
  }
  CloseHandle(mutex);
  CloseHandle(done);
  CloseHandle(on);
  InterlockedExchange(&Cache.threadFinished, 1);
  return 0;
}

// Restarts the chain at file offset k, discarding everything. Mutex held.
static void Refill(DWORD k) {
  for (int i = 0; i < Cache.blockCount; i++) Cache.start[i] = Cache.fill[i] = 0;
  Cache.readBlock = 0;
  Cache.fillBlock = 0;
  SetFilePointer(Cache.file, (LONG)k, NULL, FILE_BEGIN);
  Cache.start[0] = k;
  Cache.stalled = FALSE;
  Cache.refills++;
  ResetEvent(Cache.eventDone);
  SetEvent(Cache.eventOn);
}

// Moves the stretch from file offset k to the end of the full last block to the
// front of block 0; the thread goes on where it stopped. Mutex held, thread idle.
static void Slide(DWORD k) {
  int last = Cache.blockCount - 1;
  DWORD end = Cache.start[last] + Cache.fill[last];
  memmove(Cache.block[0], Cache.block[last] + (k - Cache.start[last]), end - k);
  for (int i = 1; i <= last; i++) Cache.start[i] = Cache.fill[i] = 0;
  Cache.start[0] = k;
  Cache.fill[0] = end - k;
  Cache.readBlock = 0;
  Cache.fillBlock = 0;
  Cache.slides++;
  SetEvent(Cache.eventOn);
}

static DWORD HistoryStart(DWORD p) { return p > CACHE_HISTORY ? p - CACHE_HISTORY : 0; }

// A slide at p - CACHE_HISTORY must stay inside the last block, or it would copy
// bytes the block does not hold.
static BOOL SlideDue(int f, DWORD p, DWORD upto) {
  int last = Cache.blockCount - 1;
  if (f != last || Cache.fill[f] != Cache.blockBytes) return FALSE;
  DWORD end = Cache.start[f] + Cache.fill[f];
  return upto + Cache.slideMargin > end && p > Cache.start[f] + CACHE_HISTORY;
}

// Waits, mutex held, for the thread to bring more data. 0 when it cannot.
static BOOL WaitForThread() {
  if (Cache.stalled) return FALSE;
  ResetEvent(Cache.eventDone);
  Unlock();
  WaitForSingleObject(Cache.eventDone, 100);
  Lock();
  return TRUE;
}

static void ReleaseAll() {
  for (int i = 0; i < CACHE_MAX_BLOCKS; i++) {
    if (Cache.block[i]) LocalFree(Cache.block[i]);
    Cache.block[i] = NULL;
    Cache.start[i] = Cache.fill[i] = 0;
  }
  Cache.blockCount = 0;
  if (Cache.file) CloseHandle(Cache.file);
  Cache.file = NULL;
  HANDLE* objects[] = {&Cache.eventOn, &Cache.eventDone, &Cache.mutex};
  for (HANDLE* h : objects) {
    if (*h) CloseHandle(*h);
    *h = NULL;
  }
}

static DWORD HookValue(const char* name, DWORD fallback) {
  const char* text = getenv(name);
  if (!text || !*text) return fallback;
  char* end = NULL;
  unsigned long long v = strtoull(text, &end, 10);
  return (*end || v > 0xFFFFFFFFull) ? fallback : (DWORD)v;
}

static DWORD BlockBytes() {
  DWORD b = HookValue(CACHE_HOOK_BLOCK_BYTES, CACHE_BLOCK_BYTES);
  if (b % CACHE_CHUNK || b < 2 * CACHE_CHUNK || b > CACHE_BLOCK_BYTES) b = CACHE_BLOCK_BYTES;
  return b;
}

// Block count for a file of `size` bytes: the budget capped by cacheBlocks (0 =
// the maximum), all of the file plus its history when that fits, at least one
// block and never more than the tables hold.
static int CountBlocks(DWORD size, int cacheBlocks) {
  LONGLONG b = Cache.blockBytes;
  LONGLONG capBlocks = (cacheBlocks > 0 && cacheBlocks < CACHE_MAX_BLOCKS) ? cacheBlocks : CACHE_MAX_BLOCKS;
  LONGLONG budget = Cache.budget;
  if (budget > capBlocks * b) budget = capBlocks * b;
  if ((LONGLONG)size < budget) {
    Cache.slideMargin = 0;
    budget = (LONGLONG)size + CACHE_HISTORY;
  } else {
    Cache.slideMargin = CACHE_SLIDE_MARGIN;
  }
  if (budget < b) budget = b;
  LONGLONG n = (budget + b - 1) / b;
  return (int)(n < capBlocks ? n : capBlocks);
}

INPUTMEDIA_API DWORD InputMediaOpen(LPCWSTR path, int fillFirst, int, int memoryReserve, int cacheBlocks) {
  if (Cache.file) InputMediaClose();
  if (!path) return 0;
  // Any other value would leave the thread idle and the open waiting forever.
  Cache.wholeMode = fillFirst ? 1 : 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE || !file) return 0;
  Cache.file = file;
  if (memoryReserve != -1) {
    MEMORYSTATUS status = {};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    Cache.budget = (LONGLONG)HookValue(CACHE_HOOK_AVAIL_PHYS, status.dwAvailPhys) - memoryReserve;
  }
  DWORD high = 0;
  Cache.size = GetFileSize(file, &high);
  // Empty or unmeasurable files, and positions beyond a signed 32-bit offset,
  // are refused like a budget below zero.
  if (Cache.budget < 0 || Cache.size == 0 || Cache.size == INVALID_FILE_SIZE || high != 0 ||
      Cache.size > 0x7FFFFFFFu) {
    ReleaseAll();
    return 0;
  }
  Cache.blockBytes = BlockBytes();
  Cache.blockCount = CountBlocks(Cache.size, cacheBlocks);
  for (int i = 0; i < Cache.blockCount; i++) {
    Cache.start[i] = Cache.fill[i] = 0;
    Cache.block[i] = (BYTE*)LocalAlloc(LMEM_FIXED, Cache.blockBytes);
    if (!Cache.block[i]) {
      ReleaseAll();
      return 0;
    }
  }
  Cache.eventOn = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_ON);
  Cache.eventDone = CreateEventW(NULL, TRUE, FALSE, INPUTMEDIA_EVENT_DONE);
  Cache.mutex = CreateMutexW(NULL, FALSE, INPUTMEDIA_MUTEX);
  if (!Cache.eventOn || !Cache.eventDone || !Cache.mutex) {
    ReleaseAll();
    return 0;
  }
  Cache.readBlock = 0;
  Cache.fillBlock = 0;
  Cache.readPos = 0;
  Cache.stalled = FALSE;
  Cache.slides = 0;
  Cache.refills = 0;
  ResetEvent(Cache.eventDone);
  SetEvent(Cache.eventOn);
  Cache.threadFinished = 0;
  Cache.thread = CreateThread(NULL, 0, CacheThread, NULL, 0, NULL);
  if (!Cache.thread) {
    ReleaseAll();
    return 0;
  }
  WaitForSingleObject(Cache.eventDone, INFINITE);
  CeSetThreadPriority(Cache.thread, INPUTMEDIA_THREAD_PRIORITY);
  return Cache.size;
}

INPUTMEDIA_API DWORD InputMediaRead(void* buffer, DWORD length) {
  if (!Cache.file || !buffer) return 0;
  Lock();
  DWORD left = Cache.size - Cache.readPos;
  if (length > left) length = left;
  DWORD copied = 0;
  while (copied < length) {
    DWORD p = Cache.readPos;
    DWORD upto = p + (length - copied);
    int f = Cache.readBlock;
    DWORD dataEnd = Cache.start[f] + Cache.fill[f];
    BOOL full = Cache.fill[f] == Cache.blockBytes;
    DWORD take = 0;
    if (upto > dataEnd) {
      if (!full) {
        if (!WaitForThread()) break;
        continue;
      }
      // Deliver what the block holds before moving on; a refill starts behind
      // the new position, so every turn of this loop makes progress.
      take = dataEnd - p;
    } else if (SlideDue(f, p, upto)) {
      Slide(HistoryStart(p));
      continue;
    } else {
      take = upto - p;
    }
    memcpy((BYTE*)buffer + copied, Cache.block[f] + (p - Cache.start[f]), take);
    copied += take;
    Cache.readPos = p + take;
    if (upto > dataEnd) {
      if (f == Cache.blockCount - 1)
        Refill(HistoryStart(Cache.readPos));
      else
        Cache.readBlock = f + 1;
    }
  }
  Unlock();
  return copied;
}

// Points the chain at t: steps back or forward over full blocks, slides when t
// nears the end of a full chain, refills when t lies outside the data.
static BOOL SeekChain(DWORD t) {
  int f = Cache.readBlock;
  BOOL refilled = FALSE;
  if (t < Cache.start[f]) {
    if (t < Cache.start[0]) {
      Refill(t);
      refilled = TRUE;
    }
    f = Cache.readBlock;
    while (f > 0 && Cache.start[f] > t) f--;
  }
  while (t > Cache.start[f] + Cache.fill[f] && Cache.fill[f] == Cache.blockBytes && f + 1 < Cache.blockCount) f++;
  if (t > Cache.start[f] + Cache.fill[f]) {
    Refill(HistoryStart(t));
    refilled = TRUE;
  } else {
    Cache.readBlock = f;
    if (SlideDue(f, t, t)) Slide(HistoryStart(t));
  }
  Cache.readPos = t;
  return refilled;
}

INPUTMEDIA_API DWORD InputMediaSeek(LONG offset, int origin) {
  if (!Cache.file) return 0;
  Lock();
  LONGLONG target;
  switch (origin) {
    case INPUTMEDIA_SEEK_SET: target = offset; break;
    case INPUTMEDIA_SEEK_CUR: target = (LONGLONG)Cache.readPos + offset; break;
    case INPUTMEDIA_SEEK_END: target = (LONGLONG)Cache.size + offset; break;
    default: Unlock(); return 0;
  }
  if (origin == INPUTMEDIA_SEEK_CUR && offset == 0) {
    DWORD pos = Cache.readPos;
    Unlock();
    return pos;
  }
  if (target < 0) target = 0;
  if (target > Cache.size) target = Cache.size;
  BOOL refilled = SeekChain((DWORD)target);
  Unlock();
  if (refilled) WaitForSingleObject(Cache.eventDone, INFINITE);
  return 0;
}

INPUTMEDIA_API void InputMediaClose(void) {
  if (!Cache.file) return;
  Lock();
  CloseHandle(Cache.file);
  Cache.file = NULL;
  Unlock();
  SetEvent(Cache.eventOn);
  while (!InterlockedCompareExchange(&Cache.threadFinished, 0, 0)) Sleep(10);
  WaitForSingleObject(Cache.thread, INFINITE);
  CloseHandle(Cache.thread);
  Cache.thread = NULL;
  ReleaseAll();
}
