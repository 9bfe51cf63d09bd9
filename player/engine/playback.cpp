#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "display/skin.h"
#include "engine/shared.h"
#include "equalizer/analyser.h"
#include "equalizer/presets.h"
#include "playlist/playlist.h"
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "trackinfo/trackinfo.h"

namespace {

const DWORD kSpectrumEvery[10] = {38, 19, 12, 9, 7, 6, 5, 5, 4, 3};

WAVEHDR* HeaderOf(LONG slot) { return reinterpret_cast<WAVEHDR*>(g_ring.slots[slot].buffer); }
BYTE* PcmOf(LONG slot) { return g_ring.slots[slot].buffer + AUDIO_HEADER_BYTES; }

void PostBoard(UINT message, WPARAM wParam) { PostMessageW(g_windows.board, message, wParam, 0); }

void InitDecoder(LONG start) { g_engine.KO_Init(g_settings.fadeIn, EqualizerBit(), g_settings.eq, start); }

// ---- decode thread side ----

// Writes the held slots, those after the last one written. A slot the device
// refuses never comes back: it and the ones after it are given back.
void FlushHeld(void) {
  Store(g_ring.holding, 0);
  BoardBuffering(FALSE);
  LONG n = g_ring.count;
  LONG a = Load(g_ring.fill);
  LONG i = Load(g_ring.written);
  while (i != a) {
    LONG next = (i + 1) % n;
    if (!WriteBuffer(HeaderOf(next))) {
      AddTo(g_engine.queuedCount, -((a - i + n) % n));
      Store(g_ring.fill, i);
      break;
    }
    i = next;
  }
  Store(g_ring.written, i);
}

LONG TakeSlot(HANDLE event) {
  LONG n = g_ring.count;
  if (Load(g_engine.queuedCount) <= n / 10 && !Load(g_ring.holding)) {
    Store(g_ring.holding, 1);
    BoardBuffering(TRUE);
  }
  LONG a = (Load(g_ring.fill) + 1) % n;
  Store(g_ring.fill, a);
  // Reset, look again, then wait: a return between the look and the reset
  // would otherwise be slept through.
  while (a == Load(g_ring.done) && CurrentState() != Stopped) {
    ResetEvent(event);
    if (a != Load(g_ring.done) || CurrentState() == Stopped) break;
    WaitForSingleObject(event, INFINITE);
  }
  return a;
}

void GiveBack(void) {
  LONG a = Load(g_ring.fill) - 1;
  Store(g_ring.fill, a < 0 ? g_ring.count - 1 : a);
}

void QueueSlot(LONG a, int32_t bytes, int32_t position, int32_t bitRate) {
  if (position == 0 || bytes == 0) {
    GiveBack();
    return;
  }
  AddTo(g_engine.queuedCount, 1);
  Store(g_engine.lastQueuedPosition, (LONG)position);
  g_ring.slots[a].position = position;
  g_ring.slots[a].bitRate = bitRate;
  WAVEHDR* header = HeaderOf(a);
  header->dwBufferLength = (DWORD)bytes;
  header->dwBytesRecorded = (DWORD)bytes;
  if (!Load(g_ring.holding)) {
    if (WriteBuffer(header)) {
      Store(g_ring.written, a);
    } else {
      AddTo(g_engine.queuedCount, -1);
      GiveBack();
    }
  } else if (Load(g_engine.queuedCount) > g_ring.count - 3) {
    FlushHeld();
  }
}

int32_t Decode(HANDLE mutex, const BYTE* data, int32_t length, LONG slot, int32_t* bytes, int32_t* position,
               int32_t* bitRate) {
  *bytes = *position = *bitRate = 0;
  WaitForSingleObject(mutex, INFINITE);
  int32_t r = g_engine.KO_DecompressAudio(data, length, PcmOf(slot), AUDIO_PCM_BYTES, bytes, position, bitRate);
  ReleaseMutex(mutex);
  return r;
}

// Waits, not playing, until the state changes: every change sets the event.
void WaitWhileIdle(HANDLE event, DWORD state) {
  PlayerFlagsSet(DecoderIdle);
  ResetEvent(event);
  if (CurrentState() == state) WaitForSingleObject(event, INFINITE);
}

// Waits for the device to play what is queued. Not playing counts as idle,
// so a seek can run; 1 when a seek moved the stream and the thread reads on.
int Drain(LONG* seeks, HANDLE event) {
  if (Load(g_ring.holding) && Load(g_ring.fill) != Load(g_ring.done)) FlushHeld();
  for (;;) {
    // Reset before looking: a return or a change after the look sets it again.
    ResetEvent(event);
    DWORD state = CurrentState();
    if (state == Stopped) {
      ResetDevice();
      return 0;
    }
    if (state != Playing) {
      PlayerFlagsSet(DecoderIdle);
      WaitForSingleObject(event, INFINITE);
      continue;
    }
    PlayerFlagsClear(DecoderIdle);
    // Read after the state: a seek raises the counter before it restores Playing.
    LONG counter = Load(g_engine.seekCounter);
    if (counter != *seeks) {
      *seeks = counter;
      return 1;
    }
    if (Load(g_engine.lastQueuedPosition) == Load(g_engine.lastPlayedPosition)) return 0;
    if (Load(g_engine.queuedCount) <= 0) return 0;
    WaitForSingleObject(event, INFINITE);
  }
}

DWORD WINAPI DecodeThread(LPVOID) {
  PlayerEngine& e = g_engine;
  HANDLE event = Load(e.freeSlotEvent);
  HANDLE mutex = Load(e.decoderMutex);
  PrepareBuffers();
  BoardBuffering(TRUE);
  LONG carry = 0;   // the last result: its value − 1 bytes at the end of what was passed are kept
  LONG passed = 0;  // bytes handed to the decoder with the last buffer
  int firstTail = 1;
  LONG seeks = Load(e.seekCounter);
  int32_t bytes, position, bitRate;
  for (;;) {
    if (carry > ENGINE_INPUT_BYTES) {
      carry = 0;
    } else if (carry > 0) {
      carry = carry - 1 <= passed ? carry - 1 : passed;
      memmove(e.input, e.input + passed - carry, (size_t)carry);
    }
    DWORD n = e.reader.Read(e.input + carry, (DWORD)(ENGINE_INPUT_BYTES - carry));
    if (n > (DWORD)(ENGINE_INPUT_BYTES - carry)) n = (DWORD)(ENGINE_INPUT_BYTES - carry);
    int32_t r = 1;
    if (n != 0) {
      passed = carry + (LONG)n;
      LONG slot = TakeSlot(event);
      r = Decode(mutex, e.input, passed, slot, &bytes, &position, &bitRate);
      QueueSlot(slot, bytes, position, bitRate);
      while (r == 0) {
        DWORD state = CurrentState();
        if (state == Stopped) break;
        if (state != Playing) {
          WaitWhileIdle(event, state);
          continue;
        }
        PlayerFlagsClear(DecoderIdle);
        slot = TakeSlot(event);
        r = Decode(mutex, nullptr, 0, slot, &bytes, &position, &bitRate);
        if (firstTail) bytes = 0;
        QueueSlot(slot, bytes, position, bitRate);
        firstTail = 0;
      }
      if (r > 0) carry = r;
      if (r > 0 && CurrentState() != Stopped) continue;
    }
    // End of the stream, a decoder error, or Stop.
    if (CurrentState() != Paused) RestartDevice();
    if (CurrentState() != Stopped && Drain(&seeks, event)) {
      carry = 0;
      passed = 0;
      continue;
    }
    break;
  }
  if (CurrentState() == Stopped) ResetDevice();
  UnprepareBuffers();
  HWAVEOUT device = Load(e.waveOut);
  Store(e.waveOut, (HWAVEOUT) nullptr);
  waveOutClose(device);
  WaitForSingleObject(mutex, INFINITE);
  e.KO_Exit();
  Store(e.decoderMutex, (HANDLE) nullptr);
  ReleaseMutex(mutex);

  DWORD state = CurrentState();
  PostBoard(UM_PLAYBACKENDED, 0);
  if (state != Stopped) PostBoard(WM_COMMAND, MAKEWPARAM(IDM_STOP, 1));
  SetEngineState(Stopped);
  PlayerFlagsClear(Seeking | DecoderIdle);
  Store(g_ring.fill, 0);
  Store(g_ring.done, 0);
  Store(g_ring.written, 0);
  Store(g_ring.holding, 0);
  CloseHandle(event);
  CloseHandle(mutex);
  return 0;
}

// ---- user-interface thread side ----

// Waits for a thread that is ending or has ended and lets go of it.
void EndThread(void) {
  HANDLE thread = g_engine.thread;
  if (!thread) return;
  SetEngineState(Stopped);
  SetEvent(Load(g_engine.freeSlotEvent));
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  g_engine.thread = nullptr;
  Store(g_engine.freeSlotEvent, (HANDLE) nullptr);
  Store(g_engine.waveOut, (HWAVEOUT) nullptr);
}

}  // namespace

void BoardBuffering(BOOL on) {
  if (g_boardHooks.SetBufferingIndicator) g_boardHooks.SetBufferingIndicator(on);
}

void BoardEnableBuffering(BOOL enable) {
  if (g_boardHooks.EnableBufferingIndicator) g_boardHooks.EnableBufferingIndicator(enable);
}

HANDLE LockDecoder(void) {
  HANDLE mutex = Load(g_engine.decoderMutex);
  // A handle the thread has just closed fails the wait: the thread no longer
  // uses the decoder then.
  if (mutex && WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0) return mutex;
  return nullptr;
}

void UnlockDecoder(HANDLE mutex) {
  if (mutex) ReleaseMutex(mutex);
}

void ResetRing(void) {
  Store(g_engine.queuedCount, 0);
  LONG b = Load(g_ring.done);
  Store(g_ring.fill, b);
  Store(g_ring.written, b);
  Store(g_ring.holding, 0);
}

void FormatBoardText(const PlaylistEntry* entry) {
  // The probe's tag text, ID3v2 before ID3v1. An ID3v1 tag always shows its
  // artist part, blank or not; an ID3v2 tag only when it names one.
  if ((entry->tags & EntryId3v1) || entry->artist[0]) {
    LxFormatW(g_engine.boardText, BOARD_TEXT_UNITS, u"%s - %s <%s>", entry->title, entry->artist,
              entry->durationText);
  } else {
    LxFormatW(g_engine.boardText, BOARD_TEXT_UNITS, u"%s <%s>", entry->title, entry->durationText);
  }
}

// Set while the end of a title moves on to the next: a title that no longer
// opens (deleted, now a folder) is then passed over without a box, which
// would hold the music until someone taps it. Passed-over titles in a row
// are counted so that a list of nothing but such titles stops.
static int s_advancing;
static DWORD s_passedOver;

int OpenTrack(DWORD audioStart) {
  PlayerEngine& e = g_engine;
  if (!e.filePath[0] || !e.reader.Open) return 0;  // nothing bound: a shell without its libraries
  WaitCursor(TRUE, FALSE);
  int useCache = g_settings.useCache ? 1 : 0;
  if (!e.reader.Open(e.filePath, useCache && g_settings.cacheSync ? 1 : 0, useCache, (int)g_settings.cacheBuffer,
                     &e.streamInfo)) {
    if (!s_advancing) MessageBoxW(nullptr, u"Nicht genügend Speicher!", u"Warnung", MB_OK);
    WaitCursor(FALSE, TRUE);
    return 0;
  }
  s_passedOver = 0;
  e.audioStart = audioStart;
  e.reader.SeekTo(audioStart);
  WaitCursor(FALSE, FALSE);
  PlayerFlagsSet(TrackOpen);
  e.decoderStart = 0;
  RECT r = {0, 0, 0, 0};
  HFONT font = g_boardHooks.TextFont ? g_boardHooks.TextFont() : nullptr;
  HGDIOBJ old = font && g_scratchDC ? SelectObject(g_scratchDC, font) : nullptr;
  if (g_scratchDC) DrawTextW(g_scratchDC, e.boardText, -1, &r, DT_CALCRECT | DT_NOPREFIX);
  if (old) SelectObject(g_scratchDC, old);
  e.boardTextWidth = r.right - r.left + 30;
  return 1;
}

void CloseTrack(void) {
  PlayerEngine& e = g_engine;
  BOOL open = PlayerFlagsTest(TrackOpen);
  PlayerFlagsClear(TrackOpen);
  if (e.KO_Exit) e.KO_Exit();
  if (open) e.reader.Close();
  e.streamInfo = nullptr;
  e.sampleRate = e.channels = e.duration = e.trackRate = 0;
  e.bitRate = 0;
  e.audioStart = 0;
}

void LoadTrack(const PlaylistEntry* entry) {
  PlayerEngine& e = g_engine;
  WaitCursor(TRUE, FALSE);
  EngineStop();
  WaitCursor(FALSE, FALSE);
  // A seek still running would move the new title and refuse its Play.
  if (e.SeekStep != 0) {
    if (g_windows.board) KillTimer(g_windows.board, TIMER_SEEK);
    e.SeekStep = 0;
    PlayerFlagsClear(Seeking);
    WaitCursor(FALSE, FALSE);
    BoardEnableBuffering(TRUE);
  }
  CloseTrack();
  FormatBoardText(entry);
  lstrcpynW(e.filePath, entry->path, MAX_PATH);
  e.sampleRate = e.trackRate = entry->sampleRate;
  e.channels = entry->channels;
  e.bitRate = entry->bitRate;
  e.duration = entry->durationSeconds;
  if (g_settings.autoPreset == 1) AutoPreset(entry);
  if (!OpenTrack(entry->audioStart)) {
    if (s_advancing && ++s_passedOver <= g_playlist.count) PostBoard(WM_COMMAND, MAKEWPARAM(IDM_STOP, 1));
    return;
  }
  PostBoard(WM_COMMAND, IDM_PLAY);
}

int EnginePlay(void) {
  PlayerEngine& e = g_engine;
  if (PlayerFlagsTest(NoMemory)) return 0;
  if (e.SeekStep != 0) {
    // The state is the seek's until it ends: act on what it restores.
    if (e.seekState == Stopped) return 0;
    if (e.seekState == Paused) {
      if (!RestartDevice()) return 0;
      e.seekState = Playing;
    }
    return 1;
  }
  switch (CurrentState()) {
    case Paused:
      if (!RestartDevice()) return 0;
      SetEngineState(Playing);
      return 1;
    case Playing:
      return 1;
    default:
      break;
  }
  if (!PlayerFlagsTest(TrackOpen)) return 0;
  EndThread();
  if (!PrepareOutput()) return 0;
  SetEngineState(Playing);
  HANDLE thread = CreateThread(nullptr, 0, DecodeThread, &e, CREATE_SUSPENDED, nullptr);
  if (!thread) {
    SetEngineState(Stopped);
    waveOutClose(Load(e.waveOut));
    e.KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
    e.sampleRate = e.trackRate;
    CloseHandle(e.freeSlotEvent);
    CloseHandle(e.decoderMutex);
    Store(e.waveOut, (HWAVEOUT) nullptr);
    Store(e.freeSlotEvent, (HANDLE) nullptr);
    Store(e.decoderMutex, (HANDLE) nullptr);
    return 0;
  }
  e.thread = thread;
  ResumeThread(thread);
  return 1;
}

int EnginePause(void) {
  if (!PauseDevice()) return 0;
  if (g_engine.SeekStep != 0)
    g_engine.seekState = Paused;
  else
    SetEngineState(Paused);
  return 1;
}

void EngineStop(void) {
  PlayerEngine& e = g_engine;
  EndThread();
  if (e.SeekStep != 0) e.seekState = Stopped;
  Store(e.queuedCount, 0);
  Store(e.lastQueuedPosition, 0);
  Store(e.lastPlayedPosition, 0);
  e.decoderStart = 0;
  // Positions count from the first audio byte: rewind there, not to byte 0.
  if (PlayerFlagsTest(TrackOpen)) e.reader.SeekTo(e.audioStart);
  BoardBuffering(FALSE);
  if (g_boardHooks.ResetScroll) g_boardHooks.ResetScroll();
}

void BufferDone(WAVEHDR* header) {
  PlayerEngine& e = g_engine;
  // Returns of a thread that was stopped may still be queued: look at the
  // state before the header.
  if (CurrentState() == Stopped || !header) return;
  LONG n = g_ring.count;
  LONG b = Load(g_ring.done);
  LONG next = (b + 1) % n;
  AudioSlot* slot = reinterpret_cast<AudioSlot*>(header->dwUser);
  // The device returns in order: anything else is left over from a reset ring.
  if (!slot || slot != &g_ring.slots[next] || Load(e.queuedCount) <= 0) return;
  Store(e.lastPlayedPosition, slot->position);
  Store(e.lastPlayedBitRate, slot->bitRate);
  Store(g_ring.done, next);
  // The thread refills a quarter of the ring at a time, not a slot per
  // return: one wake per several buffers.
  if (AddTo(e.queuedCount, -1) <= n - 1 - n / 4) SetEvent(Load(e.freeSlotEvent));
  if (e.SeekStep != 0) return;
  if (!g_power.spectrumSuspended) {
    DWORD speed = g_settings.spectrumSpeed;
    DWORD k = kSpectrumEvery[(speed < 1 ? 1 : speed > 10 ? 10 : speed) - 1];
    if (g_ring.completions++ % k == 0 && header->dwBytesRecorded >= 1024)
      SpectrumFeed(reinterpret_cast<const BYTE*>(header->lpData), header->dwBytesRecorded, e.channels);
  }
  if (!PlayerFlagsTest(Seeking)) PostBoard(UM_PROGRESS, 0);
}

void EngineSeekStep(HWND board) {
  PlayerEngine& e = g_engine;
  switch (e.SeekStep) {
    case 0:
      if (!PlayerFlagsTest(TrackOpen)) {
        PlayerFlagsClear(Seeking);
        return;
      }
      e.SeekStep = 1;
      SetTimer(board, TIMER_SEEK, 10, nullptr);
      [[fallthrough]];
    case 1:
      WaitCursor(TRUE, FALSE);
      e.seekState = CurrentState();
      PlayerFlagsSet(Seeking);
      if (e.seekState == Stopped) {
        e.SeekStep = 4;
        return;
      }
      // Both ways wait for the thread to idle after the change, then reset
      // again: a paused device's returns free a slot for one more buffer.
      if (e.seekState == Paused) {
        BoardEnableBuffering(FALSE);
        ResetDevice();
      }
      PlayerFlagsClear(DecoderIdle);
      SetEngineState(Paused);
      e.SeekStep = 2;
      return;
    case 2:
      if (e.thread && !PlayerFlagsTest(DecoderIdle) && CurrentState() != Stopped) {
        // Paused meanwhile: the device keeps what it holds, and a thread
        // waiting for a free slot would never reach its idle point.
        if (e.seekState == Paused) ResetDevice();
        return;
      }
      ResetDevice();
      e.SeekStep = 3;
      return;
    case 3:
      ResetRing();
      e.SeekStep = 4;
      return;
    case 4: {
      DWORD percent = g_boardHooks.KnobPercent ? (DWORD)g_boardHooks.KnobPercent() : 0;
      if (PlayerFlagsTest(TrackOpen)) {
        HANDLE mutex = LockDecoder();
        e.KO_Exit();
        DWORD p = e.reader.SeekPercent((int)percent);
        if (p < e.audioStart) {
          e.reader.SeekTo(e.audioStart);
          p = e.audioStart;
        }
        e.decoderStart = (LONG)(p - e.audioStart);
        InitDecoder(e.decoderStart);
        UnlockDecoder(mutex);
      }
      AddTo(e.seekCounter, 1);
      e.SeekStep = 5;
      return;
    }
    default:
      KillTimer(board, TIMER_SEEK);
      WaitCursor(FALSE, FALSE);
      Store(e.queuedCount, 0);
      // A thread that ended meanwhile leaves nothing to restore.
      SetEngineState(e.thread && CurrentState() != Stopped ? e.seekState : (DWORD)Stopped);
      e.SeekStep = 0;
      PlayerFlagsClear(Seeking);
      BoardEnableBuffering(TRUE);
      if (g_boardHooks.RepaintSlider) g_boardHooks.RepaintSlider();
      return;
  }
}

void PlaybackEnded(void) {
  WaitCursor(FALSE, TRUE);
  if (g_windows.board) KillTimer(g_windows.board, TIMER_SEEK);
  PlayerFlagsClear(Seeking);
  g_engine.SeekStep = 0;
}

// Unit for unit: the locale's compare would take two paths that differ only
// in characters it ignores for the same file.
static int SamePath(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) a++, b++;
  return *a == *b;
}

BoardLook BoardPlayCommand(void) {
  if (CurrentState() != Paused) {
    PlaylistEntry* entry = g_navigation.selectedIndex >= 0 ? PlaylistEntryAt(g_navigation.selectedIndex) : nullptr;
    if (!entry) return LookStopped;
    // A ring size or cache change the settings sheet could not apply under running music.
    if (CurrentState() == Stopped && g_shellHooks.applyPendingSettings) g_shellHooks.applyPendingSettings();
    if (!SamePath(entry->path, g_engine.filePath)) {
      PlaylistMarkStarted(entry);
      LoadTrack(entry);
      return LookUnchanged;
    }
  }
  return EnginePlay() ? LookPlaying : LookStopped;
}

BoardLook BoardPauseCommand(void) {
  EnginePause();
  return LookPaused;
}

BoardLook BoardStopCommand(UINT code) {
  WaitCursor(TRUE, FALSE);
  EngineStop();
  WaitCursor(FALSE, FALSE);
  if (code == 0 || !g_windows.playlist) return LookStopped;
  LRESULT answer;
  s_advancing = 1;
  if (g_settings.shuffle)
    answer = SendMessageW(g_windows.playlist, WM_COMMAND, MAKEWPARAM(IDM_SHUFFLE_TITLE, g_settings.autoRepeat), 0);
  else
    answer = SendMessageW(g_windows.playlist, WM_COMMAND,
                          MAKEWPARAM(IDM_NEXT_TITLE, g_settings.autoRepeat == 0 ? 1 : 0), 0);
  s_advancing = 0;
  if (answer != 0) s_passedOver = 0;
  return answer == 0 ? LookPlaying : LookStopped;
}
