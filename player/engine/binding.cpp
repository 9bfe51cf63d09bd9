#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "display/skin.h"
#include "engine/shared.h"
#include "equalizer/analyser.h"
#include "shell/panes.h"
#include "shell/settings.h"

namespace {

// Unbind saves the settings only if Bind read them: a failed Bind must not
// write defaults over the user's.
int s_settingsLoaded;

void* ZeroedBytes(size_t bytes) { return std::calloc(1, bytes); }

template <class T>
int Export(HMODULE library, const char* name, T* out) {
  *out = reinterpret_cast<T>(GetProcAddress(library, name));
  return *out != nullptr;
}

void FreeLibraries(void) {
  if (g_engine.decoderLibrary) FreeLibrary(g_engine.decoderLibrary);
  if (g_engine.readerLibrary) FreeLibrary(g_engine.readerLibrary);
  g_engine.decoderLibrary = nullptr;
  g_engine.readerLibrary = nullptr;
  g_engine.KO_Init = nullptr;
  g_engine.KO_Exit = nullptr;
  g_engine.KO_DecompressAudio = nullptr;
  g_engine.KO_GetHeaderInfo = nullptr;
  memset(&g_engine.reader, 0, sizeof g_engine.reader);
}

// A library without one of its exports, or a reader that leaves a slot the
// engine calls empty, counts as missing.
int LoadLibraries(LPCWSTR decoderName, LPCWSTR readerName) {
  PlayerEngine& e = g_engine;
  e.decoderLibrary = LoadLibraryW(decoderName);
  if (!e.decoderLibrary) return 0;
  if (!Export(e.decoderLibrary, "KO_Init", &e.KO_Init) || !Export(e.decoderLibrary, "KO_Exit", &e.KO_Exit) ||
      !Export(e.decoderLibrary, "KO_DecompressAudio", &e.KO_DecompressAudio) ||
      !Export(e.decoderLibrary, "KO_GetHeaderInfo", &e.KO_GetHeaderInfo))
    return 0;
  e.readerLibrary = LoadLibraryW(readerName);
  if (!e.readerLibrary) return 0;
  InitializeReaderProc initialize = nullptr;
  if (!Export(e.readerLibrary, "InitializeReader", &initialize)) return 0;
  initialize(&e.reader);
  return e.reader.Open && e.reader.Read && e.reader.SeekPercent && e.reader.SeekTo && e.reader.Close;
}

}  // namespace

void* (*g_ringAllocate)(size_t bytes) = ZeroedBytes;

int AllocateRing(LONG n) {
  g_ring.slots = static_cast<AudioSlot*>(g_ringAllocate(sizeof(AudioSlot) * n));
  if (!g_ring.slots) return 0;
  for (LONG i = 0; i < n; i++) {
    BYTE* block = static_cast<BYTE*>(g_ringAllocate(AUDIO_BLOCK_BYTES));
    if (!block) {
      g_ring.count = i;
      FreeRing();
      return 0;
    }
    WAVEHDR* header = reinterpret_cast<WAVEHDR*>(block);
    header->lpData = reinterpret_cast<LPSTR>(block + AUDIO_HEADER_BYTES);
    header->dwUser = reinterpret_cast<DWORD_PTR>(&g_ring.slots[i]);
    g_ring.slots[i].buffer = block;
  }
  g_ring.count = n;
  g_ring.fill = g_ring.done = g_ring.written = 0;
  g_ring.holding = 0;
  return 1;
}

void FreeRing(void) {
  if (g_ring.slots)
    for (LONG i = 0; i < g_ring.count; i++) std::free(g_ring.slots[i].buffer);
  std::free(g_ring.slots);
  g_ring.slots = nullptr;
  g_ring.count = 0;
}

int EngineBindLibraries(HWND mainWindow, LPCWSTR decoderName, LPCWSTR readerName) {
  if (!LoadLibraries(decoderName, readerName)) {
    FreeLibraries();
    return 0;
  }
  lstrcpynW(g_engine.boardText, VERSION_TEXT, BOARD_TEXT_UNITS);
  LoadSettings(&g_settings, &g_engine);
  s_settingsLoaded = 1;
  CreateScratchDC(mainWindow);
  BuildBitReverseTable();
  if (!AllocateRing((LONG)g_settings.audioBuffer)) {
    MessageBoxW(nullptr, u"Nicht genügend Speicher.", u"Anzeige", MB_OK);
    PlayerFlagsSet(NoMemory);
    return 0;
  }
  return 1;
}

int EngineBind(HWND mainWindow) { return EngineBindLibraries(mainWindow, u"KOMP3DEC.DLL", u"KOMP3READER.DLL"); }

int EngineUnbind(void) {
  DeleteScratchDC();
  if (g_engine.KO_Exit) {
    EngineStop();
    CloseTrack();
  }
  FreeLibraries();
  if (s_settingsLoaded) SaveSettings(&g_settings, &g_engine);
  s_settingsLoaded = 0;
  FreeRing();
  if (g_shellHooks.boundButtonsOff) g_shellHooks.boundButtonsOff();
  return 1;
}
