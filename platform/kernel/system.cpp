// Memory status, local memory, time and random numbers.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <random>

#include "lxkernel.h"

namespace {

// Figures are capped below 2 GB: the device's were far smaller, and callers
// do signed arithmetic on them.
DWORD Cap(unsigned long long bytes) { return bytes > 0x7FFFFFFFull ? 0x7FFFFFFFu : (DWORD)bytes; }

unsigned long long MemInfo(const char* text, const char* key) {
  const char* p = strstr(text, key);
  if (!p) return 0;
  return strtoull(p + strlen(key), nullptr, 10) * 1024ull;
}

std::mutex g_randomLock;
std::mt19937 g_random{std::random_device{}()};

// LocalAlloc keeps the block's size in front of it, for LocalSize and
// LocalReAlloc.
struct LocalHeader {
  size_t size;
  size_t pad;
};

}  // namespace

void GlobalMemoryStatus(LPMEMORYSTATUS status) {
  if (!status) return;
  char text[8192] = {0};
  if (FILE* f = fopen("/proc/meminfo", "r")) {
    size_t n = fread(text, 1, sizeof text - 1, f);
    text[n] = 0;
    fclose(f);
  }
  unsigned long long total = MemInfo(text, "MemTotal:");
  unsigned long long avail = MemInfo(text, "MemAvailable:");
  if (!avail) avail = MemInfo(text, "MemFree:");
  status->dwLength = sizeof(MEMORYSTATUS);
  status->dwMemoryLoad = total ? (DWORD)(100 - avail * 100 / total) : 0;
  status->dwTotalPhys = Cap(total);
  status->dwAvailPhys = Cap(avail);
  status->dwTotalPageFile = Cap(MemInfo(text, "SwapTotal:"));
  status->dwAvailPageFile = Cap(MemInfo(text, "SwapFree:"));
  status->dwTotalVirtual = 0x7FFE0000u;
  status->dwAvailVirtual = Cap(avail);
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  auto* h = (LocalHeader*)((flags & LMEM_ZEROINIT) ? calloc(1, sizeof(LocalHeader) + bytes)
                                                   : malloc(sizeof(LocalHeader) + bytes));
  if (!h) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  h->size = bytes;
  return (HLOCAL)(h + 1);
}

HLOCAL LocalFree(HLOCAL mem) {
  if (mem) free((LocalHeader*)mem - 1);
  return nullptr;
}

SIZE_T LocalSize(HLOCAL mem) { return mem ? ((LocalHeader*)mem - 1)->size : 0; }

HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags) {
  if (!mem) return LocalAlloc(flags, bytes);
  size_t old = LocalSize(mem);
  auto* h = (LocalHeader*)realloc((LocalHeader*)mem - 1, sizeof(LocalHeader) + bytes);
  if (!h) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  if ((flags & LMEM_ZEROINIT) && bytes > old) memset((char*)(h + 1) + old, 0, bytes - old);
  h->size = bytes;
  return (HLOCAL)(h + 1);
}

static void ToSystemTime(const struct tm& t, long nanoseconds, LPSYSTEMTIME st) {
  st->wYear = (WORD)(t.tm_year + 1900);
  st->wMonth = (WORD)(t.tm_mon + 1);
  st->wDayOfWeek = (WORD)t.tm_wday;
  st->wDay = (WORD)t.tm_mday;
  st->wHour = (WORD)t.tm_hour;
  st->wMinute = (WORD)t.tm_min;
  st->wSecond = (WORD)t.tm_sec;
  st->wMilliseconds = (WORD)(nanoseconds / 1000000);
}

void GetLocalTime(LPSYSTEMTIME st) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm t;
  localtime_r(&ts.tv_sec, &t);
  ToSystemTime(t, ts.tv_nsec, st);
}

void GetSystemTime(LPSYSTEMTIME st) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm t;
  gmtime_r(&ts.tv_sec, &t);
  ToSystemTime(t, ts.tv_nsec, st);
}

DWORD Random(void) {
  std::lock_guard<std::mutex> lock(g_randomLock);
  return (DWORD)g_random();
}

void LxSeedRandom(DWORD seed) {
  std::lock_guard<std::mutex> lock(g_randomLock);
  g_random.seed(seed);
}
