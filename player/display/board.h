// The board: the skinned pane at the top of the main window that shows what
// plays and carries the transport buttons, the position and volume sliders,
// and receives the engine's progress, load, end and buffer-done messages.
#pragma once
#include <windows.h>
#include "display/skin.h"

#define TIMER_BOARD_ANIMATION 1285
#define TIMER_SPECTRUM 2329
#define BOARD_BUTTON_COUNT 7
#define BOARD_SLIDER_COUNT 2

enum BoardButton { BoardPlay, BoardPause, BoardStop, BoardPrevious, BoardNext, BoardSoundOff, BoardSoundOn };
enum BoardSliderIndex { BoardPosition, BoardVolume };

struct BoardState {
  DWORD shownSeconds;
  LONG lastDrawnBitRate;
  DWORD progressCounter;
  DWORD scrollPosition;
  DWORD scrollStep;
  DWORD refreshDivider;
  LONG bufferingIndicator;  // also written by the decode thread: atomic access only
  LONG bufferingEnable;
  HFONT smallFont;
  HFONT textFont;
  HPEN whitePen;
  MemoryCanvas background;
  MemoryCanvas backBuffer;
  SkinButton buttons[BOARD_BUTTON_COUNT];
  SkinSlider sliders[BOARD_SLIDER_COUNT];
};

extern BoardState g_board;

// Timer 1285 from Equalizer Spectrum Speed; again when the speed changes.
void BoardStartAnimation(void);
void BoardStopAnimation(void);
