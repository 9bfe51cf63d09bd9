// Kept apart from the rest of the output: the shell's tests put their own
// stand-ins of these in place of the engine.
#include <windows.h>
#include <mmsystem.h>

#include "engine/shared.h"

int RestartDevice(void) { return waveOutRestart(Load(g_engine.waveOut)) == MMSYSERR_NOERROR; }

int SetVolume(DWORD percent) {
  DWORD word = 0;
  if (PlayerFlagsTest(SoundOn)) {
    DWORD v = (DWORD)((LONG)(percent * 65535) / 100) & 0xFFFF;
    word = v | (v << 16);
  }
  return waveOutSetVolume((HWAVEOUT)0, word) == MMSYSERR_NOERROR;
}

int ReadVolume(DWORD* left, DWORD* right) {
  DWORD word = 0;
  if (waveOutGetVolume((HWAVEOUT)0, &word) != MMSYSERR_NOERROR) return 0;
  *left = (word & 0xFFFF) * 100 / 65535;
  *right = (word >> 16) * 100 / 65535;
  return 1;
}
