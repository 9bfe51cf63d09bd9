// The media controls desktops use (MPRIS 2) on the session bus, served by a
// thread of its own that sleeps in poll() until the bus or the player has
// something for it.
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "desktop/desktop.h"
#include "desktop/shared.h"

namespace {

const char kPath[] = "/org/mpris/MediaPlayer2";
const char kRoot[] = "org.mpris.MediaPlayer2";
const char kPlayer[] = "org.mpris.MediaPlayer2.Player";
const char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// RunAction's numbers of the board's transport.
enum { ActionNext = 3, ActionPrevious = 4, ActionPlay = 5, ActionStop = 6, ActionPause = 7, ActionPlayPause = 8 };

sd_bus* s_bus;
sd_bus_slot* s_slots[2];
int s_wakeFd = -1;
std::atomic<bool> s_stopping;
std::thread s_thread;

DesktopSnapshot Snapshot(void) {
  std::lock_guard<std::mutex> hold(g_desktop.lock);
  return g_desktop.now;
}

void TrackId(char* to, size_t size, const DesktopSnapshot& s) {
  if (s.url[0])
    snprintf(to, size, "/org/lumtrax/track/%u", (unsigned)s.trackNumber);
  else
    snprintf(to, size, "%s", kNoTrack);
}

int Gone(sd_bus_error* error) {
  return sd_bus_error_set(error, "org.mpris.MediaPlayer2.Lumtrax.Gone", "the player is closing");
}

// ---- methods ----

int Post(sd_bus_message* m, sd_bus_error* error, DesktopRequest request, LPARAM value) {
  if (!DesktopPost(request, value)) return Gone(error);
  return sd_bus_reply_method_return(m, "");
}

int Raise(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestRaise, 0); }
int Quit(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestQuit, 0); }
int Play(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestAction, ActionPlay); }
int Pause(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestAction, ActionPause); }
int PlayPause(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestAction, ActionPlayPause); }
int Stop(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestAction, ActionStop); }
int Next(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestAction, ActionNext); }
int Previous(sd_bus_message* m, void*, sd_bus_error* e) { return Post(m, e, RequestAction, ActionPrevious); }

// A position in the title becomes the board knob's percent.
int SeekTo(sd_bus_message* m, sd_bus_error* error, const DesktopSnapshot& s, long long targetUs) {
  if (!s.trackOpen || s.lengthUs <= 0) return sd_bus_reply_method_return(m, "");
  if (targetUs < 0) targetUs = 0;
  long long percent = (targetUs * 100 + s.lengthUs / 2) / s.lengthUs;
  return Post(m, error, RequestSeek, (LPARAM)(percent > 100 ? 100 : percent));
}

int Seek(sd_bus_message* m, void*, sd_bus_error* error) {
  int64_t offset;
  int r = sd_bus_message_read(m, "x", &offset);
  if (r < 0) return r;
  DesktopSnapshot s = Snapshot();
  long long target = g_desktop.positionUs.load() + offset;
  // Past the end: as the next title.
  if (s.trackOpen && s.lengthUs > 0 && target > s.lengthUs) return Post(m, error, RequestAction, ActionNext);
  return SeekTo(m, error, s, target);
}

int SetPosition(sd_bus_message* m, void*, sd_bus_error* error) {
  const char* track;
  int64_t position;
  int r = sd_bus_message_read(m, "ox", &track, &position);
  if (r < 0) return r;
  DesktopSnapshot s = Snapshot();
  char current[64];
  TrackId(current, sizeof current, s);
  // Another title's id, or a place outside this one: ignored, as the interface asks.
  if (strcmp(track, current) != 0 || position < 0 || position > s.lengthUs) return sd_bus_reply_method_return(m, "");
  return SeekTo(m, error, s, position);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int OpenUri(sd_bus_message* m, void*, sd_bus_error* error) {
  const char* uri;
  int r = sd_bus_message_read(m, "s", &uri);
  if (r < 0) return r;
  const char* rest = NULL;
  if (strncmp(uri, "file:///", 8) == 0)
    rest = uri + 7;
  else if (strncmp(uri, "file://localhost/", 17) == 0)
    rest = uri + 16;
  if (!rest) return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "only local file: URIs");
  std::string host;
  for (const char* p = rest; *p; ++p) {
    int hi, lo;
    if (*p == '%' && (hi = HexDigit(p[1])) >= 0 && (lo = HexDigit(p[2])) >= 0) {
      host += (char)(hi * 16 + lo);
      p += 2;
    } else {
      host += *p;
    }
  }
  if (host.find('\0') != std::string::npos) return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "bad file name");
  std::u16string device = LxDevicePath(host);
  if (device.size() >= MAX_PATH) return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "file name too long");
  WCHAR* path = new WCHAR[device.size() + 1];
  memcpy(path, device.c_str(), (device.size() + 1) * sizeof(WCHAR));
  if (!DesktopPost(RequestOpen, (LPARAM)path)) {
    delete[] path;
    return Gone(error);
  }
  return sd_bus_reply_method_return(m, "");
}

// ---- properties ----

int True(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "b", 1);
}
int False(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "b", 0);
}
int One(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "d", 1.0);
}

int Identity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "Lumtrax");
}
int DesktopEntry(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "lumtrax");
}
int UriSchemes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "as", 1, "file");
}
int MimeTypes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "as", 4, "audio/mpeg", "audio/x-mpeg", "audio/mp3", "audio/x-mp3");
}

int Status(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  static const char* const names[3] = {"Stopped", "Playing", "Paused"};
  DWORD status = Snapshot().status;
  return sd_bus_message_append(reply, "s", names[status < 3 ? status : 0]);
}
int Loop(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", Snapshot().autoRepeat ? "Playlist" : "None");
}
int Shuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "b", Snapshot().shuffle ? 1 : 0);
}
int Volume(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "d", Snapshot().volume / 100.0);
}
int Position(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "x", (int64_t)g_desktop.positionUs.load());
}
int HasTitles(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "b", Snapshot().count > 0);
}
int CanSeek(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  DesktopSnapshot s = Snapshot();
  return sd_bus_message_append(reply, "b", s.trackOpen && s.lengthUs > 0);
}

int Entry(sd_bus_message* reply, const char* key, const char* type, const void* value) {
  int r = sd_bus_message_open_container(reply, 'e', "sv");
  if (r >= 0) r = sd_bus_message_append(reply, "s", key);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'v', type);
  if (r >= 0) {
    if (type[0] == 'a')
      r = sd_bus_message_append(reply, "as", 1, (const char*)value);
    else if (type[0] == 'x')
      r = sd_bus_message_append(reply, "x", *(const int64_t*)value);
    else
      r = sd_bus_message_append(reply, type, (const char*)value);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_message_close_container(reply);
  return r;
}

int Metadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  DesktopSnapshot s = Snapshot();
  char id[64];
  TrackId(id, sizeof id, s);
  int r = sd_bus_message_open_container(reply, 'a', "{sv}");
  if (r >= 0) r = Entry(reply, "mpris:trackid", "o", id);
  if (r >= 0 && s.url[0]) {
    int64_t length = s.lengthUs;
    r = Entry(reply, "mpris:length", "x", &length);
    if (r >= 0) r = Entry(reply, "xesam:url", "s", s.url);
    if (r >= 0 && s.title[0]) r = Entry(reply, "xesam:title", "s", s.title);
    if (r >= 0 && s.artist[0]) r = Entry(reply, "xesam:artist", "as", s.artist);
    if (r >= 0 && s.album[0]) r = Entry(reply, "xesam:album", "s", s.album);
    if (r >= 0 && s.genre[0]) r = Entry(reply, "xesam:genre", "as", s.genre);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  return r;
}

int SetLoop(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void*, sd_bus_error* error) {
  const char* loop;
  int r = sd_bus_message_read(value, "s", &loop);
  if (r < 0) return r;
  if (strcmp(loop, "None") != 0 && strcmp(loop, "Playlist") != 0)
    return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "repeats the playlist or nothing");
  return DesktopPost(RequestLoop, strcmp(loop, "Playlist") == 0) ? 1 : Gone(error);
}

int SetShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void*, sd_bus_error* error) {
  int on;
  int r = sd_bus_message_read(value, "b", &on);
  if (r < 0) return r;
  return DesktopPost(RequestShuffle, on != 0) ? 1 : Gone(error);
}

int SetVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void*, sd_bus_error* error) {
  double volume;
  int r = sd_bus_message_read(value, "d", &volume);
  if (r < 0) return r;
  if (!(volume >= 0)) volume = 0;  // NaN too
  if (volume > 1) volume = 1;
  return DesktopPost(RequestVolume, (LPARAM)(volume * 100 + 0.5)) ? 1 : Gone(error);
}

#define CHANGES SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE
const sd_bus_vtable kRootTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", Raise, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", Quit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("CanQuit", "b", True, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanRaise", "b", True, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("HasTrackList", "b", False, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Identity", "s", Identity, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("DesktopEntry", "s", DesktopEntry, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", UriSchemes, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", MimeTypes, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kPlayerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Next", "", "", Next, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", Previous, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", Pause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("PlayPause", "", "", PlayPause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", Stop, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Play", "", "", Play, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Seek", "x", "", Seek, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", SetPosition, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", OpenUri, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_PROPERTY("PlaybackStatus", "s", Status, 0, CHANGES),
    SD_BUS_WRITABLE_PROPERTY("LoopStatus", "s", Loop, SetLoop, 0, CHANGES | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Rate", "d", One, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_WRITABLE_PROPERTY("Shuffle", "b", Shuffle, SetShuffle, 0, CHANGES | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Metadata", "a{sv}", Metadata, 0, CHANGES),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", Volume, SetVolume, 0, CHANGES | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Position", "x", Position, 0, 0),
    SD_BUS_PROPERTY("MinimumRate", "d", One, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("MaximumRate", "d", One, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanGoNext", "b", HasTitles, 0, CHANGES),
    SD_BUS_PROPERTY("CanGoPrevious", "b", HasTitles, 0, CHANGES),
    SD_BUS_PROPERTY("CanPlay", "b", HasTitles, 0, CHANGES),
    SD_BUS_PROPERTY("CanPause", "b", HasTitles, 0, CHANGES),
    SD_BUS_PROPERTY("CanSeek", "b", CanSeek, 0, CHANGES),
    SD_BUS_PROPERTY("CanControl", "b", True, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

// Announces what the user-interface thread published since last time.
void Announce(void) {
  unsigned changed;
  BOOL seeked;
  {
    std::lock_guard<std::mutex> hold(g_desktop.lock);
    changed = g_desktop.changed;
    seeked = g_desktop.seeked;
    g_desktop.changed = 0;
    g_desktop.seeked = FALSE;
  }
  const char* names[12];
  int n = 0;
  if (changed & ChangedStatus) names[n++] = "PlaybackStatus";
  if (changed & ChangedLoop) names[n++] = "LoopStatus";
  if (changed & ChangedShuffle) names[n++] = "Shuffle";
  if (changed & ChangedVolume) names[n++] = "Volume";
  if (changed & ChangedMetadata) names[n++] = "Metadata";
  if (changed & (ChangedAbilities | ChangedMetadata)) {
    static const char* const abilities[] = {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek"};
    for (const char* a : abilities) names[n++] = a;
  }
  names[n] = NULL;
  if (n) sd_bus_emit_properties_changed_strv(s_bus, kPath, kPlayer, (char**)names);
  if (seeked) sd_bus_emit_signal(s_bus, kPath, kPlayer, "Seeked", "x", (int64_t)g_desktop.positionUs.load());
}

void Serve(void) {
  while (!s_stopping) {
    int r;
    do r = sd_bus_process(s_bus, NULL);
    while (r > 0);
    if (r < 0) {
      fprintf(stderr, "lumtrax: session bus lost (%s); media controls off\n", strerror(-r));
      return;
    }
    uint64_t until = UINT64_MAX;
    sd_bus_get_timeout(s_bus, &until);
    int timeout = -1;
    if (until != UINT64_MAX) {
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      uint64_t nowUs = (uint64_t)now.tv_sec * 1000000 + (uint64_t)now.tv_nsec / 1000;
      timeout = until > nowUs ? (int)((until - nowUs + 999) / 1000) : 0;
    }
    pollfd fds[2] = {{sd_bus_get_fd(s_bus), (short)sd_bus_get_events(s_bus), 0}, {s_wakeFd, POLLIN, 0}};
    if (poll(fds, 2, timeout) < 0 && errno != EINTR) return;
    if (fds[1].revents & POLLIN) {
      uint64_t count;
      ssize_t got = read(s_wakeFd, &count, sizeof count);  // nonblocking: may find it drained
      (void)got;
      if (!s_stopping) Announce();
    }
  }
}

}  // namespace

int DesktopStart(HWND mainWindow) {
  int r = sd_bus_open_user(&s_bus);
  if (r >= 0) r = sd_bus_add_object_vtable(s_bus, &s_slots[0], kPath, kRoot, kRootTable, NULL);
  if (r >= 0) r = sd_bus_add_object_vtable(s_bus, &s_slots[1], kPath, kPlayer, kPlayerTable, NULL);
  if (r >= 0) {
    // A second player on the same bus (another device folder) takes a name of its own.
    r = sd_bus_request_name(s_bus, "org.mpris.MediaPlayer2.lumtrax", 0);
    if (r < 0) {
      char name[80];
      snprintf(name, sizeof name, "org.mpris.MediaPlayer2.lumtrax.instance%d", (int)getpid());
      r = sd_bus_request_name(s_bus, name, 0);
    }
  }
  if (r >= 0) {
    s_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (s_wakeFd < 0) r = -errno;
  }
  if (r >= 0 && !DesktopWatchStart(mainWindow, s_wakeFd)) r = -ENOMEM;
  if (r < 0) {
    fprintf(stderr, "lumtrax: no session bus (%s); media controls off\n", strerror(-r));
    DesktopStop();
    return 0;
  }
  s_stopping = false;
  s_thread = std::thread(Serve);
  return 1;
}

void DesktopStop(void) {
  DesktopWatchStop();
  if (s_thread.joinable()) {
    s_stopping = true;
    DesktopWake(s_wakeFd);
    s_thread.join();
  }
  for (sd_bus_slot*& slot : s_slots) slot = sd_bus_slot_unref(slot);
  if (s_bus) s_bus = sd_bus_flush_close_unref(s_bus);
  if (s_wakeFd >= 0) close(s_wakeFd);
  s_wakeFd = -1;
}
