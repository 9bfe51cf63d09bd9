// Weak stand-ins for the shell's dispatch and power state and the engine's
// board operations, for as long as those parts are not in the build; the
// real definitions replace them. The engine ones record what the board asked.
#include "display/tests/boardtest.h"

#include "shell/power.h"

#define WEAK __attribute__((weak))

StandIn g_standIn;

WEAK PowerState g_power;
static LONG s_waitCount;

WEAK void WaitCursor(BOOL on, BOOL force) {
  if (force) s_waitCount = 0;
  else s_waitCount += on ? 1 : (s_waitCount > 0 ? -1 : 0);
}
WEAK LONG WaitCursorCount(void) { return s_waitCount; }

WEAK LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const MessageEntry* table, int count,
                      WNDPROC) {
  for (int i = 0; i < count; ++i)
    if (table[i].message == message) return table[i].handler ? table[i].handler(hwnd, message, wParam, lParam) : 0;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

WEAK LRESULT DispatchCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam, const CommandEntry* table, int count) {
  for (int i = 0; i < count; ++i)
    if (table[i].command == LOWORD(wParam)) return table[i].handler(hwnd, LOWORD(wParam), lParam, HIWORD(wParam));
  return 0;
}

WEAK BoardLook BoardPlayCommand(void) {
  if (g_engine.state != Paused && g_standIn.playFails) return LookStopped;
  g_engine.state = Playing;
  return LookPlaying;
}
WEAK BoardLook BoardPauseCommand(void) {
  g_engine.state = Paused;
  return LookPaused;
}
WEAK BoardLook BoardStopCommand(UINT code) {
  g_engine.state = Stopped;
  if (code == 0 || !g_windows.playlist) return LookStopped;
  return SendMessageW(g_windows.playlist, WM_COMMAND, MAKEWPARAM(IDM_NEXT_TITLE, g_settings.autoRepeat == 0), 0)
             ? LookStopped
             : LookPlaying;
}
WEAK void EngineSeekStep(HWND) { ++g_standIn.seekSteps; }
WEAK void BufferDone(WAVEHDR*) {}
WEAK void LoadTrack(const PlaylistEntry*) {}
WEAK void PlaybackEnded(void) {}
WEAK int SetVolume(DWORD percent) {
  DWORD v = PlayerFlagsTest(SoundOn) ? (DWORD)(percent * 65535 / 100) & 0xFFFF : 0;
  return waveOutSetVolume(NULL, v | v << 16) == MMSYSERR_NOERROR;
}
