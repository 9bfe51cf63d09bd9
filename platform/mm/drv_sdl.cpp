// The desktop's sound card through SDL2's audio queue. The queue is kept
// short (about 200 ms) so that pause and reset act at once and the returned
// buffers follow what is heard. SDL is loaded at the first open.
#include <mutex>

#include "../sdl/lxsdl.h"
#include "lxaudio.h"

namespace {

struct SdlState {
  SDL_AudioDeviceID device;
  uint32_t limit;
};

std::mutex g_initLock;

void* Open(const AudioFormat& format, const std::string&) {
  if (!lx::Sdl()) return nullptr;
  {
    std::lock_guard<std::mutex> guard(g_initLock);
    if (lx::Sdl()->SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  }
  SDL_AudioSpec want{};
  want.freq = format.rate;
  want.format = format.bits == 16 ? AUDIO_S16LSB : AUDIO_U8;
  want.channels = Uint8(format.channels);
  want.samples = 1024;
  SDL_AudioSpec have{};
  SDL_AudioDeviceID device = lx::Sdl()->SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device == 0) {
    std::lock_guard<std::mutex> guard(g_initLock);
    lx::Sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  auto* s = new SdlState{device, uint32_t(format.BytesPerSecond() / 5)};
  if (s->limit < 8192) s->limit = 8192;
  lx::Sdl()->SDL_PauseAudioDevice(device, 0);
  return s;
}

void Close(void* state) {
  auto* s = static_cast<SdlState*>(state);
  lx::Sdl()->SDL_CloseAudioDevice(s->device);
  delete s;
  std::lock_guard<std::mutex> guard(g_initLock);
  lx::Sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

uint32_t Room(void* state) {
  auto* s = static_cast<SdlState*>(state);
  uint32_t queued = lx::Sdl()->SDL_GetQueuedAudioSize(s->device);
  return queued < s->limit ? s->limit - queued : 0;
}

void Submit(void* state, const uint8_t* pcm, uint32_t bytes) {
  lx::Sdl()->SDL_QueueAudio(static_cast<SdlState*>(state)->device, pcm, bytes);
}

uint64_t Pending(void* state) { return lx::Sdl()->SDL_GetQueuedAudioSize(static_cast<SdlState*>(state)->device); }

void Pause(void* state, int paused) { lx::Sdl()->SDL_PauseAudioDevice(static_cast<SdlState*>(state)->device, paused); }

void Flush(void* state) { lx::Sdl()->SDL_ClearQueuedAudio(static_cast<SdlState*>(state)->device); }

}  // namespace

const AudioDriver kSdlAudioDriver = {"sdl", Open, Close, Room, Submit, Pending, Pause, Flush};
