// State of the buffering plug-in: one file read ahead in a 163840-byte window
// by a thread of its own. Internal; tests link the plug-in's objects to see it.
#pragma once
#include <windows.h>

#define READAHEAD_CHUNK 16384
#define READAHEAD_WINDOW (10 * READAHEAD_CHUNK)

struct ReadAheadWindow {
  HANDLE file;        // null = closed
  DWORD size;
  BYTE* buffer;       // READAHEAD_WINDOW bytes
  DWORD windowStart;  // file offset of buffer byte 0
  DWORD windowEnd;    // windowStart + READAHEAD_WINDOW
  DWORD fill;         // bytes of the window already read
  DWORD readPos;      // file offset of the next byte to deliver
  BOOL stalled;       // the thread read nothing although the window had room
  LONG volatile threadFinished;
  HANDLE thread;
  HANDLE eventOn;
  HANDLE eventDone;
  HANDLE mutex;
  DWORD windowMoves;  // reads that ran into the next window
  DWORD refills;      // seeks that left the window
};

extern ReadAheadWindow Window;
