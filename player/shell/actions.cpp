#include "engine/engine.h"
#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"

static void PostBoard(UINT command, UINT code) {
  if (g_windows.board) PostMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(command, code), 0);
}

static void ShowVolume(void) {
  if (!g_windows.board) return;
  SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 1), 0);
  SendMessageW(g_windows.board, WM_COMMAND, MAKEWPARAM(IDM_BOARD_VOLUME, 0), 0);
}

static LRESULT NoAction(void) { return NOT_HANDLED; }

static LRESULT VolumeUp(void) {
  if (g_settings.volume >= 100) return 0;
  g_settings.volume = g_settings.volume + 5 > 100 ? 100 : g_settings.volume + 5;
  ShowVolume();
  return 0;
}

static LRESULT VolumeDown(void) {
  if (g_settings.volume == 0) return 0;
  g_settings.volume = g_settings.volume < 5 ? 0 : g_settings.volume - 5;
  ShowVolume();
  return 0;
}

static LRESULT NextTitleAction(void) { PostBoard(IDM_BOARD_NEXT, 0); return 0; }
static LRESULT PreviousTitleAction(void) { PostBoard(IDM_BOARD_PREVIOUS, 0); return 0; }

static LRESULT PlayAction(void) {
  Sleep(100);
  PostBoard(IDM_PLAY, 0);
  return 0;
}

static LRESULT StopAction(void) { PostBoard(IDM_STOP, 0); return 0; }
static LRESULT PauseAction(void) { PostBoard(IDM_PAUSE, 0); return 0; }

static LRESULT PlayPauseAction(void) {
  if (g_engine.state == Playing)
    PostBoard(IDM_PAUSE, 0);
  else if (g_engine.state == Paused)
    PostBoard(IDM_PLAY, 0);
  else
    PlayAction();
  return 0;
}

static LRESULT MuteAction(void) {
  PostBoard(PlayerFlagsTest(SoundOn) ? IDM_BOARD_MUTE : IDM_BOARD_UNMUTE, 0);
  return 0;
}

static LRESULT SelectionUpAction(void) {
  if (g_windows.playlist) PostMessageW(g_windows.playlist, WM_COMMAND, MAKEWPARAM(IDM_SELECTION_UP, 1), 0);
  return 0;
}

static LRESULT SelectionDownAction(void) {
  if (g_windows.playlist) PostMessageW(g_windows.playlist, WM_COMMAND, MAKEWPARAM(IDM_SELECTION_DOWN, 1), 0);
  return 0;
}

static LRESULT DisplaySwitchAction(void) {
  DisplaySwitch(!g_power.displayOn);
  RecomputeSuspension();
  return 0;
}

struct Action {
  LRESULT (*run)(void);
  LPCWSTR name;
};

static const Action ActionTable[ACTION_COUNT] = {
    {NoAction, u"Nein Aktion"},
    {VolumeUp, u"Lautstärke auf"},
    {VolumeDown, u"Lautstärke ab"},
    {NextTitleAction, u"nächster Titel"},
    {PreviousTitleAction, u"vorhergehender Titel"},
    {PlayAction, u"Wiedergabe"},
    {StopAction, u"Stopp"},
    {PauseAction, u"Pause"},
    {PlayPauseAction, u"Wiedergabe/Pause"},
    {MuteAction, u"Mute"},
    {SelectionUpAction, u"Playlist auf"},
    {SelectionDownAction, u"Playlist ab"},
    {DisplaySwitchAction, u"Bildschirmschalter"},
};

LRESULT RunAction(int n) {
  if (n < 0 || n >= ACTION_COUNT) n = 0;
  return ActionTable[n].run();
}

LPCWSTR ActionName(int n) {
  if (n < 0 || n >= ACTION_COUNT) n = 0;
  return ActionTable[n].name;
}
