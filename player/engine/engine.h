// The one playback-engine record and its operations: component binding, the
// decode thread with its buffer ring and seek machine, audio output and volume.
// All operations run on the user-interface thread unless said otherwise.
#pragma once
#include <windows.h>
#include "komp3dec.h"
#include "komp3reader.h"

struct PlaylistEntry;

enum EngineState : DWORD { Stopped = 0, Playing = 1, Paused = 2 };

#define ENGINE_INPUT_BYTES 8000
#define BOARD_TEXT_UNITS 410  // "%s - %s <%s>" of a 260-unit title and a 128-unit artist needs up to 402
#define AUDIO_PCM_BYTES 8000
#define AUDIO_HEADER_BYTES 32
#define AUDIO_BLOCK_BYTES (AUDIO_HEADER_BYTES + AUDIO_PCM_BYTES)
#define TIMER_SEEK 1286
#define VERSION_TEXT u"Lumtrax v1.52 Service Pack 2(Patch 2)"

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
  DWORD trackRate;       // the title's own rate; every Prepare output starts from it
  DWORD audioStart;      // first audio byte of the open title; positions count from here
  LONG seekCounter;      // raised by each seek, so a draining thread reads on
  LONG decoderStart;     // start position for the next KO_Init
  DWORD seekState;       // the state a seek restores; Pause and Play in a seek change it
};

extern PlayerEngine g_engine;

// One PCM buffer of the ring: 16 bytes on 64-bit; its block is the 32-byte
// device header followed by 8000 bytes of PCM.
struct AudioSlot {
  LONG position;
  LONG bitRate;
  BYTE* buffer;
};

struct AudioRing {
  AudioSlot* slots;
  LONG count;      // N
  LONG fill;       // A
  LONG done;       // B
  LONG holding;
  DWORD completions;
  LONG written;    // last slot handed to the device: a flush writes only the ones after it
};

extern AudioRing g_ring;

// PlayerFlags (g_settings.playerFlags) is written by both threads: change it
// only through these.
BYTE PlayerFlagsGet(void);
void PlayerFlagsSet(BYTE bits);
void PlayerFlagsClear(BYTE bits);
BOOL PlayerFlagsTest(BYTE bits);

// What the board draws; filled by the board at creation, null-safe (every
// slot may be null, as in tests without a board).
struct BoardHooks {
  void (*SetBufferingIndicator)(BOOL on);     // may run on the decode thread
  void (*EnableBufferingIndicator)(BOOL enable);
  void (*ResetScroll)(void);
  HFONT (*TextFont)(void);                    // the board text line's font, to measure the text
  LONG (*KnobPercent)(void);                  // position knob as 0 … 100, for a seek
  void (*RepaintSlider)(void);
};

extern BoardHooks g_boardHooks;

// The look the board must show after a transport command.
enum BoardLook { LookUnchanged = 0, LookStopped = 1, LookPlaying = 2, LookPaused = 3 };

// Binding (main window creation / destruction). Bind shows its own boxes.
int EngineBind(HWND mainWindow);
int EngineUnbind(void);
// Bind with other library names (tests).
int EngineBindLibraries(HWND mainWindow, LPCWSTR decoderName, LPCWSTR readerName);

// Every ring allocation goes through this (tests make it fail).
extern void* (*g_ringAllocate)(size_t bytes);

int AllocateRing(LONG n);
void FreeRing(void);
void ResetRing(void);

void LoadTrack(const PlaylistEntry* entry);
int OpenTrack(DWORD audioStart);
void CloseTrack(void);
int EnginePlay(void);
int EnginePause(void);
void EngineStop(void);
void EngineSeekStep(HWND board);
void BufferDone(WAVEHDR* header);

// The engine half of the board's commands 40043, 45, 44 (with the playlist
// advance when code ≠ 0). The board shows the returned look.
BoardLook BoardPlayCommand(void);
BoardLook BoardPauseCommand(void);
BoardLook BoardStopCommand(UINT code);
void PlaybackEnded(void);  // UM_PLAYBACKENDED on the board

// Builds g_engine.boardText from an entry (bounded).
void FormatBoardText(const PlaylistEntry* entry);

// Audio output.
int PrepareOutput(void);
void PrepareBuffers(void);
void UnprepareBuffers(void);
int WriteBuffer(WAVEHDR* header);
int PauseDevice(void);
int RestartDevice(void);
int ResetDevice(void);
void CloseDevice(void);
int SetVolume(DWORD percent);
int ReadVolume(DWORD* left, DWORD* right);
