// The user-interface thread's half: a hidden window that runs the bus
// thread's requests as the buttons would, and a watch that publishes what
// changed. The watch runs after each handled message (no timer): when
// nothing happens, nothing is sent.
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "desktop/shared.h"
#include "engine/engine.h"
#include "engine/shared.h"
#include "playlist/playlist.h"
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

#define UM_DESKTOP_PUBLISH 0x1500
#define UM_DESKTOP_REQUEST 0x1501

DesktopShared g_desktop;

namespace {

// The few things whose change the desktop hears of; compared after every
// handled message, so kept small.
struct Watched {
  DWORD status;
  DWORD seeking;
  DWORD autoRepeat;
  DWORD shuffle;
  DWORD volume;
  DWORD count;
  DWORD trackOpen;
  WCHAR path[MAX_PATH];
};

std::atomic<HWND> s_window;
DWORD s_thread;
int s_wakeFd = -1;
BOOL s_pending;
Watched s_published;
DWORD s_trackNumber;
// After a seek the played position is the old one until the first buffer
// returns: until then the position is where the seek went.
LONG s_seekBase = -1;
LONG s_seekStale;

void Observe(Watched* w) {
  const PlayerEngine& e = g_engine;
  w->seeking = e.SeekStep != 0 || PlayerFlagsTest(Seeking);
  w->status = e.SeekStep != 0 ? e.seekState : Load(g_engine.state);
  w->autoRepeat = g_settings.autoRepeat;
  w->shuffle = g_settings.shuffle;
  w->volume = g_settings.volume;
  w->count = g_playlist.count;
  w->trackOpen = PlayerFlagsTest(TrackOpen);
  memcpy(w->path, e.filePath, sizeof w->path);
}

long long PositionUs(void) {
  const PlayerEngine& e = g_engine;
  if (!PlayerFlagsTest(TrackOpen) || e.bitRate <= 0) return 0;
  LONG played = Load(g_engine.lastPlayedPosition);
  if (s_seekBase >= 0) {
    if (played == s_seekStale)
      played = s_seekBase;
    else
      s_seekBase = -1;
  }
  return (long long)played * 8000000 / e.bitRate;
}

// Length of the valid UTF-8 character at p (at most n bytes), 0 when invalid.
size_t CharBytes(const unsigned char* p, size_t n) {
  if (p[0] < 0x80) return 1;
  size_t k = p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 && p[0] < 0xE0 ? 2 : 0;
  if (k == 0 || k > n) return 0;
  for (size_t i = 1; i < k; i++)
    if ((p[i] & 0xC0) != 0x80) return 0;
  unsigned c = k == 2   ? (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu)
               : k == 3 ? (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu)
                        : (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
  if ((k == 3 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) || (k == 4 && (c < 0x10000 || c > 0x10FFFF))) return 0;
  return k;
}

// The bus refuses a message with invalid UTF-8 (a lone surrogate in a tag,
// a host name's stray byte): such bytes become '?'; whole characters only.
void CopyText(char* to, const std::string& text) {
  const unsigned char* p = (const unsigned char*)text.data();
  size_t n = text.size(), out = 0;
  for (size_t i = 0; i < n;) {
    size_t k = CharBytes(p + i, n - i);
    if (out + (k ? k : 1) >= DESKTOP_TEXT_BYTES) break;
    if (k == 0) {
      to[out++] = '?';
      i++;
    } else {
      memcpy(to + out, p + i, k);
      out += k;
      i += k;
    }
  }
  to[out] = 0;
}

void FileUrl(char* to, LPCWSTR devicePath) {
  std::string host = LxHostPath(devicePath);
  static const char digits[] = "0123456789ABCDEF";
  char* p = to;
  p += sprintf(p, "file://");
  for (unsigned char c : host) {
    if (p - to > DESKTOP_URL_BYTES - 4) break;
    if (isalnum(c) || strchr("/-._~", c)) {
      *p++ = (char)c;
    } else {
      *p++ = '%';
      *p++ = digits[c >> 4];
      *p++ = digits[c & 15];
    }
  }
  *p = 0;
}

void Metadata(DesktopSnapshot* s) {
  const PlayerEngine& e = g_engine;
  s->title[0] = s->artist[0] = s->album[0] = s->genre[0] = s->url[0] = 0;
  s->lengthUs = 0;
  if (!e.filePath[0]) return;
  s->lengthUs = (long long)e.duration * 1000000;
  FileUrl(s->url, e.filePath);
  const PlaylistEntry* entry = PlaylistFind(e.filePath);
  if (entry && entry->title[0]) {
    CopyText(s->title, LxToUtf8(entry->title));
  } else {
    LPCWSTR slash = LxStrRChrW(e.filePath, '\\');
    CopyText(s->title, LxToUtf8(slash ? slash + 1 : e.filePath));
  }
  if (!entry) return;
  CopyText(s->artist, LxToUtf8(entry->artist));
  CopyText(s->album, LxToUtf8(entry->album));
  CopyText(s->genre, LxToUtf8(entry->genreText));
}

void Publish(void) {
  Watched now;
  Observe(&now);
  static DesktopSnapshot s;
  BOOL newTitle = memcmp(now.path, s_published.path, sizeof now.path) != 0;
  BOOL seekEnded = s_published.seeking && !now.seeking;
  if (seekEnded) {
    s_seekBase = g_engine.decoderStart;
    s_seekStale = Load(g_engine.lastPlayedPosition);
  }
  s_published = now;
  unsigned changed = 0;
  if (newTitle) {
    ++s_trackNumber;
    Metadata(&s);
    changed |= ChangedMetadata;
  }
  s.status = now.status;
  s.autoRepeat = now.autoRepeat;
  s.shuffle = now.shuffle;
  s.volume = now.volume;
  s.count = now.count;
  s.trackOpen = now.trackOpen;
  s.trackNumber = s_trackNumber;
  g_desktop.positionUs = PositionUs();
  {
    std::lock_guard<std::mutex> hold(g_desktop.lock);
    DesktopSnapshot& old = g_desktop.now;
    if (old.status != s.status) changed |= ChangedStatus;
    if (old.autoRepeat != s.autoRepeat) changed |= ChangedLoop;
    if (old.shuffle != s.shuffle) changed |= ChangedShuffle;
    if (old.volume != s.volume) changed |= ChangedVolume;
    if (old.count != s.count || old.trackOpen != s.trackOpen) changed |= ChangedAbilities;
    old = s;
    g_desktop.changed |= changed;
    g_desktop.seeked |= seekEnded;
  }
  if ((changed || seekEnded) && s_wakeFd >= 0) DesktopWake(s_wakeFd);
}

void AfterMessage(void) {
  if (GetCurrentThreadId() != s_thread || !s_window) return;
  g_desktop.positionUs.store(PositionUs(), std::memory_order_relaxed);
  if (s_pending) return;
  Watched now;
  Observe(&now);
  if (memcmp(&now, &s_published, sizeof now) == 0) return;
  s_pending = PostMessageW(s_window, UM_DESKTOP_PUBLISH, 0, 0);
}

LRESULT OnPublish(HWND, UINT, WPARAM, LPARAM) {
  s_pending = FALSE;
  Publish();
  return 0;
}

void SetVolumePercent(DWORD percent) {
  g_settings.volume = percent > 100 ? 100 : percent;
  if (!g_windows.board) return;
  // As the volume keys do: the knob follows the value, the device the knob.
  SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 1), 0);
  SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 0), 0);
}

LRESULT OnRequest(HWND, UINT, WPARAM request, LPARAM value) {
  HWND main = g_windows.main;
  switch ((DesktopRequest)request) {
    case RequestRaise:
      if (!main) break;
      SetForegroundWindow((HWND)((ULONG_PTR)main | 1));
      SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_MINIMISE, 1), 0);
      break;
    case RequestQuit:
      if (main) PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
      break;
    case RequestAction:
      RunAction((int)value);
      break;
    case RequestSeek:
      if (g_windows.board) PostMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_SEEK, (UINT)value + 1), 0);
      break;
    case RequestVolume:
      SetVolumePercent((DWORD)value);
      break;
    case RequestLoop:
      g_settings.autoRepeat = value ? 1 : 0;
      break;
    case RequestShuffle:
      g_settings.shuffle = value ? 1 : 0;
      break;
    case RequestOpen: {
      WCHAR* path = (WCHAR*)value;
      // The same hand-over as a second start with a file.
      COPYDATASTRUCT copy = {COPYDATA_OPENFILE, (DWORD)((lstrlenW(path) + 1) * sizeof(WCHAR)), path};
      if (main) SendMessageW(main, WM_COPYDATA, 0, (LPARAM)&copy);
      delete[] path;
      break;
    }
  }
  return 0;
}

LRESULT OnDestroy(HWND hwnd, UINT, WPARAM, LPARAM) {
  if (s_window.load() == hwnd) s_window = NULL;
  return 0;
}

const MessageEntry WatchMessages[] = {
    {UM_DESKTOP_PUBLISH, OnPublish},
    {UM_DESKTOP_REQUEST, OnRequest},
    {WM_DESTROY, OnDestroy},
};

LRESULT CALLBACK WatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, WatchMessages, TABLE_COUNT(WatchMessages), NULL);
}

}  // namespace

void DesktopWake(int fd) {
  uint64_t one = 1;
  // Fails only when the counter is full, and then the bus thread is awake anyway.
  ssize_t put = write(fd, &one, sizeof one);
  (void)put;
}

int DesktopPost(DesktopRequest request, LPARAM value) {
  HWND window = s_window;
  return window && PostMessageW(window, UM_DESKTOP_REQUEST, (WPARAM)request, value);
}

int DesktopWatchStart(HWND mainWindow, int wakeFd) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WatchProc;
  wc.hInstance = g_windows.instance;
  wc.lpszClassName = u"LumtraxDesktop";
  RegisterClassW(&wc);
  s_thread = GetCurrentThreadId();
  s_wakeFd = wakeFd;
  s_window = CreateWindowW(u"LumtraxDesktop", u"", WS_CHILD, 0, 0, 0, 0, mainWindow, NULL, g_windows.instance, NULL);
  if (!s_window) return 0;
  memset(&s_published, 0, sizeof s_published);
  Publish();
  {
    std::lock_guard<std::mutex> hold(g_desktop.lock);
    g_desktop.changed = 0;
    g_desktop.seeked = FALSE;
  }
  g_shellHooks.handled = AfterMessage;
  return 1;
}

void DesktopWatchStop(void) {
  g_shellHooks.handled = NULL;
  HWND window = s_window.exchange(NULL);
  if (window && IsWindow(window)) DestroyWindow(window);
  s_wakeFd = -1;
}
