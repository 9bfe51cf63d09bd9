// Where everything on the board lies (client coordinates of the 240x100
// pane). Shared by the board and the artwork generator, so the background
// lines up with the hit areas and drawing positions.
#pragma once

#define BOARD_WIDTH 240
#define BOARD_HEIGHT 100

// Bitmap ids of the board.
#define IDB_BOARD 104
#define IDB_POSITION_KNOB 108
#define IDB_PLAY_PRESSED 114
#define IDB_PAUSE 115
#define IDB_PAUSE_PRESSED 116
#define IDB_STOP_PRESSED 117
#define IDB_PREVIOUS_PRESSED 119
#define IDB_NEXT_PRESSED 120
#define IDB_SPEAKER_OFF 121
#define IDB_VOLUME_KNOB 122

// Buttons in array order: {left, top, right, bottom}.
#define BOARD_PLAY_RECT {104, 51, 129, 76}
#define BOARD_STOP_RECT {143, 51, 168, 76}
#define BOARD_PREVIOUS_RECT {185, 67, 201, 74}
#define BOARD_NEXT_RECT {213, 67, 229, 74}
#define BOARD_SPEAKER_RECT {171, 33, 187, 49}

// Sliders.
#define BOARD_POSITION_KNOB_RECT {6, 85, 28, 96}
#define BOARD_POSITION_TRACK_RECT {6, 87, 233, 93}
#define BOARD_POSITION_MIN 6
#define BOARD_POSITION_MAX 212
#define BOARD_VOLUME_KNOB_RECT {189, 38, 196, 51}
#define BOARD_VOLUME_TRACK_RECT {189, 44, 233, 50}
#define BOARD_VOLUME_MIN 189
#define BOARD_VOLUME_MAX 227

// Display items.
#define BOARD_BITRATE_RECT {9, 56, 26, 64}        // invalidated
#define BOARD_BITRATE_TEXT_RECT {9, 54, 27, 64}   // drawn, right-aligned
#define BOARD_RATE_RECT {56, 56, 70, 64}
#define BOARD_RATE_TEXT_RECT {59, 54, 71, 64}
#define BOARD_CHANNELS_RECT {15, 67, 83, 75}
#define BOARD_MONO_TEXT_RECT {16, 65, 51, 75}
#define BOARD_STEREO_TEXT_RECT {56, 65, 86, 75}
#define BOARD_STATE_RECT {11, 43, 19, 52}
#define BOARD_TEXT_RECT {8, 6, 230, 23}

// Fixed areas.
#define BOARD_TIME_RECT {20, 34, 87, 53}          // tap target, repaint test
#define BOARD_TIME_REPAINT_RECT {8, 33, 87, 53}
#define BOARD_STATUS_RECT {6, 29, 92, 79}

// Time digits: minutes and seconds from (27, 34), the hour digit at (12, 33).
#define BOARD_DIGITS_X 27
#define BOARD_DIGITS_Y 34
#define BOARD_HOUR_X 12
#define BOARD_HOUR_Y 33
#define BOARD_MINUS_RECT {20, 42, 25, 45}
#define BOARD_DIGIT_STEP 14
#define BOARD_COLON_OFFSET 28
#define BOARD_SECONDS_OFFSET 34

// A large digit's seven segments relative to its origin, in the order top,
// upper left, upper right, middle, lower left, lower right, bottom.
#define BOARD_LARGE_SEGMENTS \
  {{2, 0, 10, 2}, {0, 2, 2, 8}, {10, 2, 12, 8}, {2, 8, 10, 10}, {0, 10, 2, 16}, {10, 10, 12, 16}, {2, 16, 10, 18}}
// The thin hour digit's segments as line end points (the end point is not drawn).
#define BOARD_THIN_SEGMENTS \
  {{1, 0, 5, 0}, {0, 1, 0, 4}, {5, 1, 5, 4}, {1, 4, 5, 4}, {0, 5, 0, 8}, {5, 5, 5, 8}, {1, 8, 5, 8}}
#define BOARD_COLON_DOTS {{1, 4, 3, 7}, {1, 11, 3, 14}}
// Lit segments per digit, bit 6 = top … bit 0 = bottom.
#define BOARD_DIGIT_SEGMENTS {0x77, 0x12, 0x5D, 0x5B, 0x3A, 0x6B, 0x6F, 0x52, 0x7F, 0x7B}

#define BOARD_LINE_WIDTH 222  // 230 − 8: a wider text scrolls
#define BOARD_TEXT_GAP 30
