// The null device: plays nothing, but in time (each buffer takes as long as
// its sound would), or instantly with "null:instant" for tests.
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "lxaudio.h"

namespace {

using Clock = std::chrono::steady_clock;

struct NullState {
  bool instant;
  int bytesPerSecond;
  bool paused = false;
  Clock::time_point end;               // when everything handed over is heard
  Clock::duration remaining{};         // what was left when paused
};

Clock::duration DurationOf(const NullState* s, uint64_t bytes) {
  // Rounded up, so a buffer is never reported heard before its time.
  uint64_t ns = (bytes * 1000000000ull + uint64_t(s->bytesPerSecond) - 1) / uint64_t(s->bytesPerSecond);
  return std::chrono::nanoseconds(ns);
}

void* Open(const AudioFormat& format, const std::string& arg) {
  if (arg != "" && arg != "instant") return nullptr;
  auto* s = new NullState;
  s->instant = arg == "instant";
  s->bytesPerSecond = format.BytesPerSecond() > 0 ? format.BytesPerSecond() : 1;
  s->end = Clock::now();
  return s;
}

void Close(void* state) { delete static_cast<NullState*>(state); }

uint32_t Room(void*) { return UINT32_MAX; }

void Submit(void* state, const uint8_t*, uint32_t bytes) {
  auto* s = static_cast<NullState*>(state);
  if (s->instant) return;
  if (s->paused) {
    s->remaining += DurationOf(s, bytes);
    return;
  }
  // After running dry the new sound starts now.
  s->end = std::max(s->end, Clock::now()) + DurationOf(s, bytes);
}

uint64_t Pending(void* state) {
  auto* s = static_cast<NullState*>(state);
  if (s->instant) return 0;
  Clock::duration left = s->paused ? s->remaining : s->end - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  // Rounded up, matching DurationOf.
  return (uint64_t(ns) * uint64_t(s->bytesPerSecond) + 999999999ull) / 1000000000ull;
}

void Pause(void* state, int paused) {
  auto* s = static_cast<NullState*>(state);
  if (s->paused == bool(paused)) return;
  Clock::time_point now = Clock::now();
  if (paused) {
    s->remaining = s->end > now ? s->end - now : Clock::duration::zero();
  } else {
    s->end = now + s->remaining;
    s->remaining = Clock::duration::zero();
  }
  s->paused = paused;
}

void Flush(void* state) {
  auto* s = static_cast<NullState*>(state);
  s->end = Clock::now();
  s->remaining = Clock::duration::zero();
}

}  // namespace

const AudioDriver kNullAudioDriver = {"null", Open, Close, Room, Submit, Pending, Pause, Flush};
