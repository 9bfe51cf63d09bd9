// The one playback-engine record. The engine's operations (binding, decode
// thread, audio output) fill in the rest of their behaviour around it; the data
// parts of the player use the file path, the decoder mutex and KO_Init.
#pragma once
#include <windows.h>

enum EngineState : DWORD { Stopped = 0, Playing = 1, Paused = 2 };

// Decoder exports, looked up by name in KOMP3DEC.DLL; the same types as the
// decoder's own komp3dec.h.
typedef LONG (*KO_InitProc)(LONG fadeIn, LONG eqEnabled, const signed char* eqValues, LONG startPosition);
typedef LONG (*KO_ExitProc)(void);
typedef LONG (*KO_DecompressAudioProc)(const BYTE* input, LONG length, BYTE* output, LONG capacity,
                                       LONG* pcmBytes, LONG* streamPosition, LONG* bitRate);
typedef LONG (*KO_GetHeaderInfoProc)(const BYTE* input, LONG length, LONG* sampleRate, LONG* channels,
                                     LONG* bitRate);

struct StreamInfo;

// Filled by the reader library's InitializeReader, slot order fixed.
struct ReaderOperations {
  LONG (*Open)(LPCWSTR path, LONG fillFirst, LONG flags, LONG cacheBlocks, StreamInfo** info);
  LONG (*Read)(void* buffer, LONG length);
  LONG (*Reserved)(void);
  LONG (*SeekPercent)(LONG percent);
  LONG (*SeekTo)(LONG position);
  LONG (*GetSize)(void);
  LONG (*GetPositionPercent)(void);
  LONG (*Close)(void);
};

#define ENGINE_INPUT_BYTES 8000
#define BOARD_TEXT_UNITS 300

struct PlayerEngine {
  HMODULE decoderLibrary;
  HANDLE thread;
  HMODULE readerLibrary;
  HANDLE freeSlotEvent;
  HANDLE decoderMutex;
  HWAVEOUT waveOut;
  DWORD sampleRate;
  DWORD channels;
  LONG bitRate;
  DWORD duration;
  WCHAR filePath[MAX_PATH];
  WCHAR boardText[BOARD_TEXT_UNITS];
  LONG boardTextWidth;
  BYTE input[ENGINE_INPUT_BYTES];
  DWORD state;
  LONG queuedCount;
  LONG lastQueuedPosition;
  LONG lastPlayedPosition;
  LONG lastPlayedBitRate;
  KO_InitProc KO_Init;
  KO_ExitProc KO_Exit;
  KO_DecompressAudioProc KO_DecompressAudio;
  KO_GetHeaderInfoProc KO_GetHeaderInfo;
  ReaderOperations reader;
  StreamInfo* streamInfo;
  LONG SeekStep;
};

extern PlayerEngine g_engine;
