// The WAV recorder: writes what would be heard (after the volume) to a WAV
// file. "wav:FILE" takes buffers as fast as they come; "wavrt:FILE" keeps
// time like the null device, so that pause, seek and live changes land in
// the recording as a listener would hear them: a flush takes back what was
// not heard yet. Successive opens with the same format continue one file, so
// a whole playlist lands in one recording; an open with another format
// starts a new file beside it ("name-2.wav", ...).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "lxaudio.h"

namespace {

struct Recording {
  std::mutex lock;
  std::string path;  // as given
  int files = 0;     // files started for this path
  int fd = -1;
  AudioFormat format{};
  uint64_t dataBytes = 0;
};
Recording g_rec;

// One open handle: the shared recording, and for "wavrt" the null device's
// state that keeps its time.
struct Handle {
  Recording* rec;
  void* clock;
  int blockAlign;
};

void Put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

int WriteAt(int fd, const void* data, size_t bytes, off_t at) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (bytes > 0) {
    ssize_t n = pwrite(fd, p, bytes, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    p += n;
    at += n;
    bytes -= size_t(n);
  }
  return 1;
}

// Keeps the header's sizes current, so the file is complete after every
// buffer even if the program never closes the device.
void WriteHeader(Recording& r) {
  uint8_t h[44];
  uint32_t data = r.dataBytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : uint32_t(r.dataBytes);
  int blockAlign = r.format.channels * r.format.bits / 8;
  memcpy(h, "RIFF", 4);
  Put32(h + 4, 36 + data);
  memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, uint32_t(r.format.channels));
  Put32(h + 24, uint32_t(r.format.rate));
  Put32(h + 28, uint32_t(r.format.BytesPerSecond()));
  Put16(h + 32, uint32_t(blockAlign));
  Put16(h + 34, uint32_t(r.format.bits));
  memcpy(h + 36, "data", 4);
  Put32(h + 40, data);
  WriteAt(r.fd, h, sizeof h, 0);
}

std::string NumberedPath(const std::string& path, int n) {
  if (n <= 1) return path;
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

bool SameFormat(const AudioFormat& a, const AudioFormat& b) {
  return a.rate == b.rate && a.channels == b.channels && a.bits == b.bits;
}

Recording* OpenRecording(const AudioFormat& format, const std::string& arg) {
  if (arg.empty()) return nullptr;
  std::lock_guard<std::mutex> guard(g_rec.lock);
  if (g_rec.fd >= 0 && g_rec.path == arg && SameFormat(g_rec.format, format)) return &g_rec;
  if (g_rec.path != arg) g_rec.files = 0;
  std::string file = NumberedPath(arg, g_rec.files + 1);
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    fprintf(stderr, "lumtrax: cannot record to %s: %s\n", file.c_str(), strerror(errno));
    return nullptr;
  }
  if (g_rec.fd >= 0) close(g_rec.fd);
  g_rec.fd = fd;
  g_rec.path = arg;
  g_rec.files++;
  g_rec.format = format;
  g_rec.dataBytes = 0;
  WriteHeader(g_rec);
  return &g_rec;
}

void* OpenWith(const AudioFormat& format, const std::string& arg, bool paced) {
  Recording* rec = OpenRecording(format, arg);
  if (!rec) return nullptr;
  void* clock = paced ? kNullAudioDriver.Open(format, "") : nullptr;
  if (paced && !clock) return nullptr;
  return new Handle{rec, clock, format.channels * format.bits / 8};
}

void* Open(const AudioFormat& format, const std::string& arg) { return OpenWith(format, arg, false); }
void* OpenPaced(const AudioFormat& format, const std::string& arg) { return OpenWith(format, arg, true); }

// The file stays open: the next open of the same format continues it.
void Close(void* state) {
  auto* h = static_cast<Handle*>(state);
  if (h->clock) kNullAudioDriver.Close(h->clock);
  delete h;
}

uint32_t Room(void*) { return UINT32_MAX; }

void Submit(void* state, const uint8_t* pcm, uint32_t bytes) {
  auto* h = static_cast<Handle*>(state);
  Recording* r = h->rec;
  {
    std::lock_guard<std::mutex> guard(r->lock);
    if (r->fd < 0 || !WriteAt(r->fd, pcm, bytes, off_t(44 + r->dataBytes))) return;
    r->dataBytes += bytes;
    WriteHeader(*r);
  }
  if (h->clock) kNullAudioDriver.Submit(h->clock, pcm, bytes);
}

uint64_t Pending(void* state) {
  auto* h = static_cast<Handle*>(state);
  return h->clock ? kNullAudioDriver.Pending(h->clock) : 0;
}

void Pause(void* state, int paused) {
  auto* h = static_cast<Handle*>(state);
  if (h->clock) kNullAudioDriver.Pause(h->clock, paused);
}

// What was handed over but not heard is cut from the recording's end, in
// whole frames: one handle plays at a time, so its sound is the file's tail.
void Flush(void* state) {
  auto* h = static_cast<Handle*>(state);
  if (!h->clock) return;
  uint64_t unheard = kNullAudioDriver.Pending(h->clock);
  kNullAudioDriver.Flush(h->clock);
  if (h->blockAlign > 0) unheard = (unheard + uint64_t(h->blockAlign) - 1) / uint64_t(h->blockAlign) * uint64_t(h->blockAlign);
  Recording* r = h->rec;
  std::lock_guard<std::mutex> guard(r->lock);
  if (r->fd < 0 || unheard == 0) return;
  r->dataBytes -= std::min(unheard, r->dataBytes);
  if (ftruncate(r->fd, off_t(44 + r->dataBytes)) != 0) return;
  WriteHeader(*r);
}

}  // namespace

const AudioDriver kWavAudioDriver = {"wav", Open, Close, Room, Submit, Pending, Pause, Flush};
const AudioDriver kWavPacedAudioDriver = {"wavrt", OpenPaced, Close, Room, Submit, Pending, Pause, Flush};
