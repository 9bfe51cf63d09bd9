// Wave-out: the queue of written buffers, their return in order, pause,
// reset and the software volume, over one of the audio drivers.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "../shell/lxstate.h"
#include "lxaudio.h"
#include "windows.h"

namespace {

const char kVolumeKey[] = "Volume";
const DWORD kFullVolume = 0xFFFFFFFFu;
const uint64_t kGatherMs = 50;  // see Run

struct AudioConfig {
  std::mutex lock;
  bool loaded = false;
  std::string device = "sdl";
  std::vector<int> refused;
};
AudioConfig g_config;

int ParseRates(const char* text, std::vector<int>& out) {
  out.clear();
  if (!text) return 1;
  const char* p = text;
  while (*p) {
    while (*p == ',' || *p == ' ') ++p;
    if (!*p) break;
    char* end = nullptr;
    long v = strtol(p, &end, 10);
    if (end == p || v <= 0 || v > 1000000) return 0;
    out.push_back(int(v));
    p = end;
  }
  return 1;
}

int KnownDevice(const std::string& d) {
  return d == "sdl" || d == "null" || d == "null:instant" || (d.rfind("wav:", 0) == 0 && d.size() > 4) ||
         (d.rfind("wavrt:", 0) == 0 && d.size() > 6);
}

// Caller holds g_config.lock.
void LoadConfig() {
  if (g_config.loaded) return;
  g_config.loaded = true;
  if (const char* d = getenv("LUMTRAX_AUDIO"); d && KnownDevice(d)) g_config.device = d;
  ParseRates(getenv("LUMTRAX_REFUSE_RATES"), g_config.refused);
}

LxWaveOutPoster g_poster = nullptr;

int Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (LxWaveOutPoster p = __atomic_load_n(&g_poster, __ATOMIC_ACQUIRE)) return p(window, message, wParam, lParam);
  return PostMessageW(window, message, wParam, lParam);
}

// Volume word as last set in this process; the device state file is the
// shared copy that other processes and later starts see.
std::mutex g_volumeLock;
DWORD g_volume = kFullVolume;

DWORD CurrentVolume() {
  std::lock_guard<std::mutex> guard(g_volumeLock);
  DWORD stored;
  if (LxDeviceStateGet(kVolumeKey, &stored)) g_volume = stored;
  return g_volume;
}

struct WaveOut {
  std::mutex lock;
  std::condition_variable wake;
  const AudioDriver* driver = nullptr;
  void* state = nullptr;
  AudioFormat format{};
  int blockAlign = 1;
  DWORD callbackType = CALLBACK_NULL;
  DWORD_PTR callback = 0;
  DWORD_PTR instance = 0;
  // Written and not yet returned, in the order written. The first
  // `handedOver` entries are wholly with the driver; `ends` holds, for each
  // of them, the byte count at which it has been heard.
  std::deque<LPWAVEHDR> queue;
  std::deque<uint64_t> ends;
  size_t handedOver = 0;
  DWORD offset = 0;  // bytes of queue[handedOver] already with the driver
  uint64_t submitted = 0;
  uint64_t positionBase = 0;  // `submitted` at open or the last reset
  bool paused = false;
  bool closing = false;
  DWORD volume = kFullVolume;
  std::vector<uint8_t> scratch;
  std::thread worker;

  HWAVEOUT Handle() { return reinterpret_cast<HWAVEOUT>(this); }
  uint64_t Played() { return submitted - std::min<uint64_t>(submitted, driver->Pending(state)); }
};

std::mutex g_handlesLock;
std::unordered_map<HWAVEOUT, std::shared_ptr<WaveOut>> g_handles;

std::shared_ptr<WaveOut> Find(HWAVEOUT hwo) {
  std::lock_guard<std::mutex> guard(g_handlesLock);
  auto it = g_handles.find(hwo);
  return it == g_handles.end() ? nullptr : it->second;
}

void Notify(WaveOut* w, UINT message, DWORD_PTR param) {
  switch (w->callbackType) {
    case CALLBACK_WINDOW:
      Post(reinterpret_cast<HWND>(w->callback), message, reinterpret_cast<WPARAM>(w->Handle()), LPARAM(param));
      break;
    case CALLBACK_FUNCTION:
      reinterpret_cast<LPWAVECALLBACK>(w->callback)(w->Handle(), message, w->instance, param, 0);
      break;
    default:
      break;
  }
}

// Caller holds w->lock. Buffers go back one by one so the messages keep the
// order of the writes.
void ReturnFront(WaveOut* w) {
  LPWAVEHDR hdr = w->queue.front();
  w->queue.pop_front();
  if (!w->ends.empty()) {
    w->ends.pop_front();
    --w->handedOver;
  } else {
    w->offset = 0;
  }
  hdr->dwFlags = (hdr->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
  Notify(w, MM_WOM_DONE, reinterpret_cast<DWORD_PTR>(hdr));
}

// Scales PCM by the volume word (left in the low half, right in the high).
void ApplyVolume(const WaveOut* w, const uint8_t* in, uint8_t* out, uint32_t bytes) {
  uint32_t left = w->volume & 0xFFFF, right = w->volume >> 16;
  left += left >> 15;  // 0xFFFF is unity
  right += right >> 15;
  if (left == 0x10000 && (right == 0x10000 || w->format.channels == 1)) {
    memcpy(out, in, bytes);
    return;
  }
  if (w->format.bits == 16) {
    uint32_t frames = bytes / 2;
    for (uint32_t i = 0; i < frames; ++i) {
      int16_t s = int16_t(in[2 * i] | (in[2 * i + 1] << 8));
      uint32_t g = (w->format.channels == 2 && (i & 1)) ? right : left;
      int32_t v = int32_t((int64_t(s) * g) >> 16);
      out[2 * i] = uint8_t(v & 0xFF);
      out[2 * i + 1] = uint8_t((v >> 8) & 0xFF);
    }
  } else {
    for (uint32_t i = 0; i < bytes; ++i) {
      uint32_t g = (w->format.channels == 2 && (i & 1)) ? right : left;
      out[i] = uint8_t(128 + ((int64_t(in[i]) - 128) * g >> 16));
    }
  }
}

// Caller holds w->lock. Hands the driver as much queued PCM as it takes.
void Feed(WaveOut* w) {
  while (w->handedOver < w->queue.size()) {
    LPWAVEHDR hdr = w->queue[w->handedOver];
    DWORD length = hdr->lpData ? hdr->dwBufferLength - hdr->dwBufferLength % w->blockAlign : 0;
    if (w->offset >= length) {
      w->ends.push_back(w->submitted);
      ++w->handedOver;
      w->offset = 0;
      continue;
    }
    uint32_t room = w->driver->Room(w->state);
    room -= room % w->blockAlign;
    if (room == 0) return;
    uint32_t n = std::min<uint32_t>({length - w->offset, room, uint32_t(w->scratch.size())});
    ApplyVolume(w, reinterpret_cast<const uint8_t*>(hdr->lpData) + w->offset, w->scratch.data(), n);
    w->driver->Submit(w->state, w->scratch.data(), n);
    w->submitted += n;
    w->offset += n;
  }
}

void Run(WaveOut* w) {
  std::unique_lock<std::mutex> guard(w->lock);
  while (!w->closing) {
    if (!w->paused) Feed(w);
    uint64_t played = w->Played();
    while (!w->ends.empty() && w->ends.front() <= played) ReturnFront(w);
    if (w->queue.empty() || w->paused) {
      w->wake.wait(guard);
      continue;
    }
    // Sleep until the oldest buffer should have been heard, rounded up so
    // that one wake returns it, and looking again at least every 100 ms (the
    // driver may run ahead or behind its rate; its own queue is longer).
    // With nothing wholly handed over yet, the driver's queue is full.
    uint64_t rate = uint64_t(std::max(1, w->format.BytesPerSecond()));
    uint64_t due = w->ends.empty() ? rate / 100 : w->ends.front() - played;
    // While the driver holds plenty beyond it, what is heard comes back in
    // one wake per kGatherMs rather than one per buffer, as a sound chip's
    // interrupts would: a player writing a frame per buffer otherwise wakes
    // this thread and its own 38 times a second. With little queued, each
    // buffer comes back as soon as it is heard, so a short queue never runs dry.
    uint64_t gather = rate * kGatherMs / 1000;
    if (!w->ends.empty() && w->ends.back() - played >= 3 * gather) due = std::max(due, gather);
    int64_t ms = int64_t((due * 1000 + rate - 1) / rate);
    ms = std::clamp<int64_t>(ms, 1, 100);
    w->wake.wait_for(guard, std::chrono::milliseconds(ms));
  }
}

int FormatValid(const WAVEFORMATEX* f) {
  if (!f || f->wFormatTag != WAVE_FORMAT_PCM) return 0;
  if (f->nChannels < 1 || f->nChannels > 2) return 0;
  if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return 0;
  if (f->nSamplesPerSec < 1000 || f->nSamplesPerSec > 192000) return 0;
  if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) return 0;
  std::lock_guard<std::mutex> guard(g_config.lock);
  LoadConfig();
  for (int r : g_config.refused) {
    if (DWORD(r) == f->nSamplesPerSec) return 0;
  }
  return 1;
}

const AudioDriver* DriverFor(const std::string& device, std::string& arg) {
  size_t colon = device.find(':');
  std::string name = device.substr(0, colon);
  arg = colon == std::string::npos ? "" : device.substr(colon + 1);
  if (name == "null") return &kNullAudioDriver;
  if (name == "wav") return &kWavAudioDriver;
  if (name == "wavrt") return &kWavPacedAudioDriver;
  return &kSdlAudioDriver;
}

int ValidHeader(LPWAVEHDR hdr, UINT size) { return hdr && size >= sizeof(WAVEHDR); }

}  // namespace

int LxAudioSelect(const char* device) {
  if (!device || !KnownDevice(device)) return 0;
  std::lock_guard<std::mutex> guard(g_config.lock);
  LoadConfig();
  g_config.device = device;
  return 1;
}

int LxAudioRefuseRates(const char* rates) {
  std::vector<int> parsed;
  if (!ParseRates(rates, parsed)) return 0;
  std::lock_guard<std::mutex> guard(g_config.lock);
  LoadConfig();
  g_config.refused = parsed;
  return 1;
}

void LxWaveOutSetPoster(LxWaveOutPoster poster) { __atomic_store_n(&g_poster, poster, __ATOMIC_RELEASE); }

const char* LxWaveOutDriverName(HWAVEOUT hwo) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  return w ? w->driver->name : nullptr;
}

UINT waveOutGetNumDevs(void) { return 1; }

MMRESULT waveOutGetDevCapsW(UINT_PTR deviceId, LPWAVEOUTCAPSW caps, UINT size) {
  if (deviceId != 0 && deviceId != UINT_PTR(WAVE_MAPPER)) {
    // A handle may stand for its device.
    if (!Find(reinterpret_cast<HWAVEOUT>(deviceId))) return MMSYSERR_BADDEVICEID;
  }
  if (!caps || size < sizeof(WAVEOUTCAPSW)) return MMSYSERR_INVALPARAM;
  memset(caps, 0, sizeof *caps);
  caps->wMid = 1;
  caps->wPid = 1;
  caps->vDriverVersion = 0x0100;
  const char16_t name[] = u"Audio Output";
  memcpy(caps->szPname, name, sizeof name);
  caps->dwFormats = 0xFFF;
  caps->wChannels = 2;
  caps->dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME | WAVECAPS_SAMPLEACCURATE;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutOpen(LPHWAVEOUT hwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
  if (deviceId != 0 && deviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
  if (!format) return MMSYSERR_INVALPARAM;
  DWORD callbackType = flags & CALLBACK_TYPEMASK;
  if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_WINDOW && callbackType != CALLBACK_FUNCTION)
    return MMSYSERR_INVALFLAG;
  if (!FormatValid(format)) return WAVERR_BADFORMAT;
  if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  if (!hwo) return MMSYSERR_INVALPARAM;
  *hwo = nullptr;

  auto w = std::make_shared<WaveOut>();
  w->format = AudioFormat{int(format->nSamplesPerSec), format->nChannels, format->wBitsPerSample};
  w->blockAlign = format->nBlockAlign;
  w->callbackType = callbackType;
  w->callback = callback;
  w->instance = instance;
  w->volume = CurrentVolume();
  w->scratch.resize(16384 - 16384 % w->blockAlign);

  std::string device;
  {
    std::lock_guard<std::mutex> guard(g_config.lock);
    LoadConfig();
    device = g_config.device;
  }
  std::string arg;
  w->driver = DriverFor(device, arg);
  w->state = w->driver->Open(w->format, arg);
  if (!w->state && w->driver == &kSdlAudioDriver) {
    // A desktop without a sound device still plays, silently and in time.
    static bool told = false;
    if (!told) fprintf(stderr, "lumtrax: no sound device, playing silently\n");
    told = true;
    w->driver = &kNullAudioDriver;
    w->state = w->driver->Open(w->format, "");
  }
  if (!w->state) return MMSYSERR_ALLOCATED;

  {
    std::lock_guard<std::mutex> guard(g_handlesLock);
    g_handles[w->Handle()] = w;
  }
  w->worker = std::thread(Run, w.get());
  *hwo = w->Handle();
  std::lock_guard<std::mutex> guard(w->lock);
  Notify(w.get(), MM_WOM_OPEN, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> guard(w->lock);
    if (!w->queue.empty()) return WAVERR_STILLPLAYING;
    w->closing = true;
  }
  {
    std::lock_guard<std::mutex> guard(g_handlesLock);
    g_handles.erase(hwo);
  }
  w->wake.notify_all();
  w->worker.join();
  w->driver->Close(w->state);
  Notify(w.get(), MM_WOM_CLOSE, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT size) {
  if (!Find(hwo)) return MMSYSERR_INVALHANDLE;
  if (!ValidHeader(hdr, size)) return MMSYSERR_INVALPARAM;
  if (!(hdr->dwFlags & WHDR_INQUEUE)) hdr->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT size) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  if (!ValidHeader(hdr, size)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> guard(w->lock);
  if (hdr->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  hdr->dwFlags &= ~DWORD(WHDR_PREPARED);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR hdr, UINT size) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  if (!ValidHeader(hdr, size)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> guard(w->lock);
  if (!(hdr->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (hdr->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  hdr->dwFlags = (hdr->dwFlags & ~DWORD(WHDR_DONE)) | WHDR_INQUEUE;
  bool idle = w->queue.empty();
  w->queue.push_back(hdr);
  // Handed over here, the worker need not wake for it: it already sleeps
  // until the oldest buffer is heard, unless it had none.
  if (!w->paused) Feed(w.get());
  if (idle) w->wake.notify_all();
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPause(HWAVEOUT hwo) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> guard(w->lock);
  if (!w->paused) {
    w->paused = true;
    w->driver->Pause(w->state, 1);
  }
  return MMSYSERR_NOERROR;
}

int LxWaveOutPauseAll(void) {
  std::vector<HWAVEOUT> open;
  {
    std::lock_guard<std::mutex> guard(g_handlesLock);
    for (auto& [handle, w] : g_handles) open.push_back(handle);
  }
  for (HWAVEOUT h : open) waveOutPause(h);
  return (int)open.size();
}

MMRESULT waveOutRestart(HWAVEOUT hwo) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> guard(w->lock);
  if (w->paused) {
    w->paused = false;
    w->driver->Pause(w->state, 0);
    w->wake.notify_all();
  }
  return MMSYSERR_NOERROR;
}

// Every buffer still queued comes back before this returns, marked done, in
// the order written. A paused device stays paused.
MMRESULT waveOutReset(HWAVEOUT hwo) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> guard(w->lock);
  w->driver->Flush(w->state);
  while (!w->queue.empty()) ReturnFront(w.get());
  w->handedOver = 0;
  w->offset = 0;
  w->positionBase = w->submitted;
  w->wake.notify_all();
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetPosition(HWAVEOUT hwo, LPMMTIME time, UINT size) {
  std::shared_ptr<WaveOut> w = Find(hwo);
  if (!w) return MMSYSERR_INVALHANDLE;
  if (!time || size < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> guard(w->lock);
  uint64_t bytes = w->Played() - std::min(w->Played(), w->positionBase);
  switch (time->wType) {
    case TIME_SAMPLES:
      time->u.sample = DWORD(bytes / uint64_t(w->blockAlign));
      break;
    case TIME_MS:
      time->u.ms = DWORD(bytes * 1000 / uint64_t(w->format.BytesPerSecond()));
      break;
    default:
      time->wType = TIME_BYTES;
      time->u.cb = DWORD(bytes);
      break;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD volume) {
  if (hwo && !Find(hwo)) return MMSYSERR_INVALHANDLE;
  if (!volume) return MMSYSERR_INVALPARAM;
  *volume = CurrentVolume();
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD volume) {
  if (hwo && !Find(hwo)) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> guard(g_volumeLock);
    g_volume = volume;
    // Not kept across starts if the state file cannot be written; the
    // volume still applies now.
    LxDeviceStateSet(kVolumeKey, volume);
  }
  std::vector<std::shared_ptr<WaveOut>> open;
  {
    std::lock_guard<std::mutex> guard(g_handlesLock);
    for (auto& entry : g_handles) open.push_back(entry.second);
  }
  for (auto& w : open) {
    std::lock_guard<std::mutex> guard(w->lock);
    w->volume = volume;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetID(HWAVEOUT hwo, UINT* deviceId) {
  if (!Find(hwo)) return MMSYSERR_INVALHANDLE;
  if (!deviceId) return MMSYSERR_INVALPARAM;
  *deviceId = 0;
  return MMSYSERR_NOERROR;
}
