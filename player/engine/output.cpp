#include <windows.h>
#include <mmsystem.h>

#include "engine/shared.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

namespace {

MMRESULT OpenDevice(DWORD rate) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = (WORD)g_engine.channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = (WORD)(g_engine.channels * 16 / 8);
  format.nAvgBytesPerSec = format.nBlockAlign * rate;
  format.cbSize = 0;
  HWAVEOUT device = nullptr;
  MMRESULT result = waveOutOpen(&device, WAVE_MAPPER, &format, (DWORD_PTR)g_windows.board, 0,
                                CALLBACK_WINDOW | WAVE_MAPPED);
  Store(g_engine.waveOut, result == MMSYSERR_NOERROR ? device : (HWAVEOUT) nullptr);
  return result;
}

void InitDecoder(LONG start) {
  g_engine.KO_Init(g_settings.fadeIn, EqualizerBit(), g_settings.eq, start);
}

void CloseSync(void) {
  CloseHandle(g_engine.freeSlotEvent);
  CloseHandle(g_engine.decoderMutex);
  Store(g_engine.freeSlotEvent, (HANDLE) nullptr);
  Store(g_engine.decoderMutex, (HANDLE) nullptr);
}

}  // namespace

int PrepareOutput(void) {
  // A fallback of an earlier Play lowered the rate: start from the title's own.
  g_engine.sampleRate = g_engine.trackRate;
  InitDecoder(g_engine.decoderStart);
  Store(g_engine.freeSlotEvent, CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Store(g_engine.decoderMutex, CreateMutexW(nullptr, FALSE, nullptr));
  Store(g_ring.fill, 0);
  Store(g_ring.done, 0);
  Store(g_ring.written, 0);
  Store(g_ring.holding, 0);
  if (!g_engine.freeSlotEvent || !g_engine.decoderMutex) {
    CloseSync();
    return 0;
  }

  MMRESULT result = OpenDevice(g_engine.sampleRate);
  if (result == MMSYSERR_NOERROR) {
    g_engine.KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
    return 1;
  }
  if (result == WAVERR_BADFORMAT) {
    g_engine.KO_Exit();
    InitDecoder(-1);
    g_engine.sampleRate = g_engine.sampleRate == 48000 ? 44100 : 22050;
    // The buffer holds no byte of this title: only the rate request counts,
    // channels and bit rate go to scratch.
    int32_t rate = (int32_t)g_engine.sampleRate, channels = 0, bitRate = 0;
    g_engine.KO_GetHeaderInfo(g_engine.input, ENGINE_INPUT_BYTES - 1, &rate, &channels, &bitRate);
    // The header step reset the decoder's position base.
    InitDecoder(g_engine.decoderStart);
    if (OpenDevice(g_engine.sampleRate) == MMSYSERR_NOERROR) return 1;
    g_engine.KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
    g_engine.sampleRate = g_engine.trackRate;
  }
  CloseSync();
  return 0;
}

void PrepareBuffers(void) {
  HWAVEOUT device = Load(g_engine.waveOut);
  for (LONG i = 0; i < g_ring.count; i++) {
    WAVEHDR* header = reinterpret_cast<WAVEHDR*>(g_ring.slots[i].buffer);
    header->dwFlags = 0;
    header->dwLoops = 0;
    header->dwBufferLength = AUDIO_PCM_BYTES;
    header->dwBytesRecorded = AUDIO_PCM_BYTES;
    waveOutPrepareHeader(device, header, AUDIO_HEADER_BYTES);
  }
}

void UnprepareBuffers(void) {
  HWAVEOUT device = Load(g_engine.waveOut);
  for (LONG i = 0; i < g_ring.count; i++)
    waveOutUnprepareHeader(device, reinterpret_cast<WAVEHDR*>(g_ring.slots[i].buffer), AUDIO_HEADER_BYTES);
}

int WriteBuffer(WAVEHDR* header) {
  return waveOutWrite(Load(g_engine.waveOut), header, AUDIO_HEADER_BYTES) == MMSYSERR_NOERROR;
}
int PauseDevice(void) { return waveOutPause(Load(g_engine.waveOut)) == MMSYSERR_NOERROR; }
int ResetDevice(void) { return waveOutReset(Load(g_engine.waveOut)) == MMSYSERR_NOERROR; }
void CloseDevice(void) { waveOutClose(Load(g_engine.waveOut)); }
