// What the user-interface thread publishes for the bus thread, and the
// requests the bus thread hands back to it.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>

#include "playlist/playlistentry.h"

#define DESKTOP_TEXT_BYTES (3 * TITLE_UNITS + 1)  // UTF-8 of the longest tag field
#define DESKTOP_URL_BYTES (9 * MAX_PATH + 8)      // "file://" and every byte percent-encoded

// Properties to announce (DesktopShared::changed).
#define ChangedStatus 0x01
#define ChangedLoop 0x02
#define ChangedShuffle 0x04
#define ChangedVolume 0x08
#define ChangedMetadata 0x10
#define ChangedAbilities 0x20

struct DesktopSnapshot {
  DWORD status;  // EngineState as the user sees it (a seek keeps the state it restores)
  DWORD autoRepeat;
  DWORD shuffle;
  DWORD volume;  // 0 … 100
  DWORD count;   // titles in the list
  BOOL trackOpen;
  DWORD trackNumber;  // raised with each title: its track id
  long long lengthUs;
  char title[DESKTOP_TEXT_BYTES];
  char artist[DESKTOP_TEXT_BYTES];
  char album[DESKTOP_TEXT_BYTES];
  char genre[DESKTOP_TEXT_BYTES];
  char url[DESKTOP_URL_BYTES];
};

struct DesktopShared {
  std::mutex lock;
  DesktopSnapshot now;  // under lock
  unsigned changed;     // under lock: Changed* bits not yet announced
  BOOL seeked;          // under lock: a seek ended, not yet announced
  std::atomic<long long> positionUs;
};

extern DesktopShared g_desktop;

// Requests to the user-interface thread (wParam of UM_DESKTOP_REQUEST).
enum DesktopRequest {
  RequestRaise,
  RequestQuit,
  RequestAction,   // lParam: RunAction's number
  RequestSeek,     // lParam: percent
  RequestVolume,   // lParam: percent
  RequestLoop,     // lParam: AutoRepeat
  RequestShuffle,  // lParam: Shuffle
  RequestOpen,     // lParam: a WCHAR path from new[], freed by the receiver
};

// Wakes the bus thread (its eventfd).
void DesktopWake(int fd);
// Bus thread: hands a request over; 0 when the player is gone.
int DesktopPost(DesktopRequest request, LPARAM value);
// User-interface thread: the watch window and hook, and the first snapshot.
int DesktopWatchStart(HWND mainWindow, int wakeFd);
void DesktopWatchStop(void);
