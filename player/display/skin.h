// The skin toolkit shared by the board, equalizer and playlist panes: skinned
// child windows, bitmap buttons, sliders, back-buffered paint and the local
// loops of a press, a drag and a held scroll arrow. User-interface thread only.
#pragma once
#include <windows.h>

#define ButtonVisible 0x80
#define ButtonPressed 0x40

#define TIMER_ARROW_REPEAT 791
#define SKIN_CLASS_STYLE (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS)

struct SkinButton {
  HBITMAP normal;    // null when normalId is 0 or the load failed: the background shows
  HBITMAP pressed;
  DWORD normalId;
  DWORD pressedId;
  DWORD command;     // WM_COMMAND wParam posted on release over the button
  BYTE flags;        // ButtonVisible, ButtonPressed
  RECT rect;         // the bitmap's top-left corner is (left, top)
};

struct SkinSlider {
  HBITMAP knob;
  DWORD knobId;
  RECT knobRect;
  RECT trackRect;    // reacts to a tap
  LONG minimum;      // knob left limits; the value is derived from knobRect.left
  LONG maximum;
};

struct MemoryCanvas {
  HDC dc;
  HBITMAP bitmap;
  HBITMAP previous;  // selected back on release
};

// One memory context compatible with the main window, made by the engine's
// Bind and deleted by its Unbind; bitmaps are selected into it briefly.
extern HDC g_scratchDC;
int CreateScratchDC(HWND mainWindow);
void DeleteScratchDC(void);

// Registers className once per process (the platform refuses a second
// registration; later calls reuse it), then creates a WS_CHILD |
// WS_CLIPSIBLINGS | extraStyle window. 1 on success.
int CreateSkinnedWindow(HWND parent, WNDPROC proc, LPCWSTR className, HWND* window, int x, int y, int width,
                        int height, DWORD extraStyle);

// A bitmap of the program's resources; null when missing.
HBITMAP SkinLoadBitmap(DWORD id);
void LoadButtonBitmaps(SkinButton* buttons, int count);
void FreeButtonBitmaps(SkinButton* buttons, int count);
int CreateBackBuffer(HDC reference, MemoryCanvas* canvas, int width, int height);
// Background, knob or bar bitmap from the program's resources.
int LoadBackgroundCanvas(HDC reference, MemoryCanvas* canvas, DWORD id);
void ReleaseCanvas(MemoryCanvas* canvas);

// Copies the part of bitmap lying under destination, the bitmap placed with
// its top-left corner at origin's; destination == origin draws it whole.
void DrawBitmapPart(HDC destination, HBITMAP bitmap, const RECT* destinationRect, const RECT* originRect);

// Draws the pane's dynamic content into the back buffer within area.
typedef void (*SkinOverlay)(HDC backBuffer, const RECT* area);
// WM_PAINT: background, overlay, visible buttons, then the clip box to the
// screen. Answers 0.
LRESULT SkinnedPaint(HWND window, HDC background, HDC backBuffer, SkinButton* buttons, int count,
                     SkinOverlay overlay);
// The table entry for WM_ERASEBKGND ({WM_ERASEBKGND, SkinNoErase}, or a null
// handler): the background is never erased.
LRESULT SkinNoErase(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void ClampHorizontally(RECT* rect, LONG minimum, LONG maximum, LONG width);
void ClampVertically(RECT* rect, LONG minimum, LONG maximum, LONG height);
// a × b / c, 64-bit product, truncating; 0 when c is 0.
LONG Scale(LONG a, LONG b, LONG c);

// Index of the first visible button containing (x, y), or −1.
int ButtonHit(const SkinButton* buttons, int count, int x, int y);

// One step of a local loop: takes the next message into msg. 0 when the
// loop must end without a command: WM_QUIT (posted again for the outer
// loop), the pane destroyed, or the capture taken away.
int SkinLoopNext(HWND pane, MSG* msg);

// Press protocol on the first visible button under (x, y): pressed look,
// local loop to the release, WM_COMMAND posted when released over it.
// 1 when a button was hit (the tap is consumed), 0 when none was.
int ButtonPress(HWND pane, SkinButton* buttons, int count, int x, int y);

// A knob drag along one axis. The knob follows relative motion within
// [minimum, maximum] (left or top); moves outside [acceptFrom, acceptTo]
// are ignored but still remembered as the last position.
struct SkinDrag {
  RECT* knob;
  BOOL vertical;
  LONG acceptFrom;
  LONG acceptTo;
  LONG minimum;
  LONG maximum;
  BOOL paintAtOnce;                       // UpdateWindow after each move (equalizer)
  void (*onMessage)(HWND pane, const MSG* msg);  // seen before dispatch, may be null
};
// Runs the drag from the tap coordinate start. 1 when it ended with the
// release (the caller posts its command), 0 when it was broken off.
int SliderDrag(HWND pane, const SkinDrag* drag, LONG start);

// Centres the knob on coordinate: left (top) = coordinate − size / 2, then
// clamps. 1 when it moved (the old and new areas are invalidated).
int SliderTap(HWND pane, RECT* knob, BOOL vertical, LONG coordinate, LONG minimum, LONG maximum);

// A held scroll arrow of a list: firstRow is the pane's own state; count
// and visible are read on every step (the list may change meanwhile).
struct SkinArrow {
  LONG* firstRow;
  LONG (*count)(void);
  LONG visible;
  void (*redraw)(HWND pane);   // repaint the list after firstRow changed
  SkinButton* button;          // its pressed bit is cleared at the end; may be null
  RECT* buttonRect;            // repainted at the end when button is null; may be null
};
// Steps once, then (unless code is 1) again after 500 ms and every 100 ms
// on timer 791 until the release or the end of the list.
void AutoRepeatArrow(HWND pane, const SkinArrow* arrow, BOOL down, UINT code);
