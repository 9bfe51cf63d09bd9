// State of the caching plug-in: a chain of up to 20 blocks holding consecutive
// stretches of one file. Internal; tests link the plug-in's objects to see it.
#pragma once
#include <windows.h>

#define CACHE_BLOCK_BYTES 1024000
#define CACHE_MAX_BLOCKS 20
#define CACHE_CHUNK 20480         // the thread's read unit in chunk mode
#define CACHE_HISTORY 10240       // kept behind the read position on a refill or slide
#define CACHE_SLIDE_MARGIN 20480  // slide this close to the end of the last block

// Test hooks, read at each open (environment variables, never set on the device):
//   LXINPUTCACHE_BLOCK_BYTES  block size, a multiple of 20480 from 40960 to 1024000
//   LXINPUTCACHE_AVAIL_PHYS   available physical memory in bytes, instead of the
//                             platform's memory status
#define CACHE_HOOK_BLOCK_BYTES "LXINPUTCACHE_BLOCK_BYTES"
#define CACHE_HOOK_AVAIL_PHYS "LXINPUTCACHE_AVAIL_PHYS"

struct CacheBlockChain {
  HANDLE file;  // null = closed
  DWORD size;
  LONGLONG budget;  // free memory less the reserve; kept between opens
  DWORD blockBytes;
  int blockCount;
  BYTE* block[CACHE_MAX_BLOCKS];
  DWORD start[CACHE_MAX_BLOCKS];  // file offset of each block's first byte
  DWORD fill[CACHE_MAX_BLOCKS];   // bytes held by each block
  int readBlock;                  // holds the read position
  int fillBlock;                  // being filled by the thread (chunk mode)
  DWORD readPos;
  DWORD slideMargin;  // 0 when the whole file fits
  int wholeMode;      // 1: each pass fills every block; 0: chunk by chunk
  BOOL stalled;       // the thread read nothing before the end of the file
  LONG volatile threadFinished;
  HANDLE thread;
  HANDLE eventOn;
  HANDLE eventDone;
  HANDLE mutex;
  DWORD slides;
  DWORD refills;
};

extern CacheBlockChain Cache;
