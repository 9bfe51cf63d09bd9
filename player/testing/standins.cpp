// Stand-ins for the shell's dispatch and actions, its power state and the
// engine's ring, for tests linked before those parts exist. Every definition
// is weak: the real one wins wherever it is linked.
#include "engine/engine.h"
#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"

#define STANDIN __attribute__((weak))

STANDIN PowerState g_power;
STANDIN void RecomputeSuspension(void) {}

STANDIN LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const MessageEntry* table,
                         int count, WNDPROC previous) {
  for (int i = 0; i < count; i++) {
    if (table[i].message != message) continue;
    if (!table[i].handler) return 0;
    LRESULT result = table[i].handler(hwnd, message, wParam, lParam);
    if (result != NOT_HANDLED) return result;
    break;
  }
  return previous ? CallWindowProcW(previous, hwnd, message, wParam, lParam)
                  : DefWindowProcW(hwnd, message, wParam, lParam);
}

STANDIN LRESULT DispatchCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam, const CommandEntry* table,
                                int count) {
  for (int i = 0; i < count; i++)
    if (table[i].command == LOWORD(wParam))
      return table[i].handler ? table[i].handler(hwnd, LOWORD(wParam), lParam, HIWORD(wParam)) : 0;
  return 0;
}

STANDIN LRESULT CALLBACK DialogDefault(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

static const WCHAR* const StandInNames[ACTION_COUNT] = {
    u"Nein Aktion",         u"Lautstärke auf", u"Lautstärke ab", u"nächster Titel",   u"vorhergehender Titel",
    u"Wiedergabe",          u"Stopp",          u"Pause",         u"Wiedergabe/Pause", u"Mute",
    u"Playlist auf",        u"Playlist ab",    u"Bildschirmschalter"};

STANDIN LPCWSTR ActionName(int n) { return StandInNames[(n < 0 || n >= ACTION_COUNT) ? 0 : n]; }

// Only the transport actions, posted to the board as the real ones are.
STANDIN LRESULT RunAction(int n) {
  UINT command = n == 5 ? IDM_PLAY : n == 6 ? IDM_STOP : n == 7 ? IDM_PAUSE : 0;
  if (n == 8) command = g_engine.state == Playing ? IDM_PAUSE : IDM_PLAY;
  if (!command) return NOT_HANDLED;
  PostMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return 0;
}

STANDIN int AllocateRing(LONG n) {
  g_ring.slots = new AudioSlot[n]();
  g_ring.count = n;
  return 1;
}

STANDIN void FreeRing(void) {
  delete[] g_ring.slots;
  g_ring.slots = nullptr;
  g_ring.count = 0;
}
