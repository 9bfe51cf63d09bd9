// The stream reader's interface as the player sees it: InitializeReader fills
// an eight-slot ReaderOperations table; Open hands out the reader's StreamInfo.
#pragma once
#include <windows.h>

// The record through which the reader reports the stream: 32-bit words, the
// stream size in word 12 (byte offset 48). The three buffer addresses that
// Close frees (LocalFree) when set are pointer-sized and follow word 19.
typedef struct StreamInfo {
  DWORD words[20];
  void* buffers[3];
} StreamInfo;

#define STREAMINFO_TEXT_WORD 4
#define STREAMINFO_MARKER_WORD 10
#define STREAMINFO_MARKER 85
#define STREAMINFO_SIZE_WORD 12
#define STREAMINFO_SIZE_OFFSET 48

typedef int (*ReaderOpenProc)(LPCWSTR path, int fillFirst, int flags, int cacheBlocks, StreamInfo** infoOut);
typedef DWORD (*ReaderReadProc)(void* buffer, DWORD length);
typedef int (*ReaderReservedProc)(void);
typedef DWORD (*ReaderSeekPercentProc)(int percent);
typedef DWORD (*ReaderSeekToProc)(DWORD position);
typedef DWORD (*ReaderGetSizeProc)(void);
typedef double (*ReaderGetPositionPercentProc)(void);
typedef int (*ReaderCloseProc)(void);

// Slot order is fixed: the player calls through the table.
typedef struct ReaderOperations {
  ReaderOpenProc Open;
  ReaderReadProc Read;
  ReaderReservedProc Reserved;
  ReaderSeekPercentProc SeekPercent;
  ReaderSeekToProc SeekTo;
  ReaderGetSizeProc GetSize;
  ReaderGetPositionPercentProc GetPositionPercent;
  ReaderCloseProc Close;
} ReaderOperations;

// Bit 0 of Open's flags: read through the caching plug-in.
#define READER_FLAG_CACHE 0x1
// The memory the caching plug-in leaves free, in bytes.
#define READER_MEMORY_RESERVE 1000000

typedef ReaderOperations* (*InitializeReaderProc)(ReaderOperations* table);
LX_EXTERN_C LX_EXPORT ReaderOperations* InitializeReader(ReaderOperations* table);
