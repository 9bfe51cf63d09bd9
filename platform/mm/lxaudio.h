// Audio drivers behind wave-out, and the platform's audio settings.
// waveout.cpp owns the queue of buffers, the volume and the completion
// messages; a driver only takes PCM and says how much of it is still
// waiting to be heard.
#pragma once
#include <cstdint>
#include <string>

#include "mmsystem.h"

struct AudioFormat {
  int rate;      // frames per second
  int channels;  // 1 or 2
  int bits;      // 8 (unsigned) or 16 (signed, little-endian)
  int BytesPerSecond() const { return rate * channels * bits / 8; }
};

struct AudioDriver {
  const char* name;
  // Opens the driver for one wave-out handle; the result is the driver's
  // own state, null on failure. arg is the part after "name:" of the setting.
  void* (*Open)(const AudioFormat& format, const std::string& arg);
  void (*Close)(void* state);
  // Bytes the driver takes now (it may hold back when its own queue is long).
  uint32_t (*Room)(void* state);
  // Hands over PCM, at most Room() bytes, whole frames.
  void (*Submit)(void* state, const uint8_t* pcm, uint32_t bytes);
  // Bytes handed over but not yet played.
  uint64_t (*Pending)(void* state);
  void (*Pause)(void* state, int paused);
  // Drops everything pending.
  void (*Flush)(void* state);
};

extern const AudioDriver kSdlAudioDriver;
extern const AudioDriver kNullAudioDriver;
extern const AudioDriver kWavAudioDriver;
extern const AudioDriver kWavPacedAudioDriver;

// The device to play through: "sdl", "null" (paced in real time),
// "null:instant" (every buffer returns at once), "wav:FILE" (record to a
// WAV file, every buffer returning at once) or "wavrt:FILE" (record, paced
// in real time; a reset takes back what was not heard yet). Without a call, $LUMTRAX_AUDIO or "sdl" is used. Returns 0 for
// an unknown name.
LX_EXPORT int LxAudioSelect(const char* device);
// Sample rates that waveOutOpen refuses with WAVERR_BADFORMAT, as a list
// "R1,R2"; an empty list refuses none. Without a call, $LUMTRAX_REFUSE_RATES.
LX_EXPORT int LxAudioRefuseRates(const char* rates);

// Where completion messages go: PostMessageW, or a test's own function.
typedef int (*LxWaveOutPoster)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Replaces the poster (null restores PostMessageW).
LX_EXPORT void LxWaveOutSetPoster(LxWaveOutPoster poster);

// The device suspends: every open wave-out pauses, as its sound stops; the
// program restarts what it wants after waking. Returns how many were open.
LX_EXPORT int LxWaveOutPauseAll(void);

// The driver an open handle plays through ("sdl", "null", "wav", "wavrt"), null for a
// bad handle: "sdl" falls back to "null" without a sound device.
LX_EXPORT const char* LxWaveOutDriverName(HWAVEOUT hwo);
