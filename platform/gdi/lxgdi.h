// Inside GDI: surfaces and the device contexts that draw into them.
#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include "windows.h"

namespace lx {

// 32-bit pixels 0x00RRGGBB, rows top to bottom.
struct Surface {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> px;
};

std::shared_ptr<Surface> MakeSurface(int width, int height, uint32_t fill);
inline uint32_t PixelOf(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
inline COLORREF ColorOf(uint32_t p) { return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff); }

// A DC drawing into a window: origin is the client's (0,0) inside the surface,
// clip the visible rectangles in surface coordinates.
HDC MakeWindowDC(HWND hwnd, std::shared_ptr<Surface> surface, POINT origin, const std::vector<RECT>& clip);
// Restricts a window DC further (BeginPaint), in client coordinates.
void IntersectDCClip(HDC hdc, const RECT& client);
bool FreeWindowDC(HDC hdc);

// Screen composition: the task bar, the top-level windows in their order, the
// wait cursor; a blanked display shows black.
void ComposeScreen(Surface& out);
extern std::atomic<int> gScreenGeneration;
// Something visible changed: raises the generation and wakes the display
// backend through its hook (set while a desktop window shows). Any thread.
void ScreenChanged();
extern std::atomic<void (*)()> gScreenChangedHook;
extern std::atomic<bool> gDisplayOff;

// The screen shown: the handheld's (the default) or, for a desktop program
// that asks before its first window (LxSetScreenProfile), a desktop's.
struct ScreenProfile {
  int width, height;
  int taskBar;  // the task bar's height at the top, 0 without one
  int menuBar;  // the menu bar's strip at the bottom, 0 without one
  int caption;  // the caption strip above a top-level WS_CAPTION window, 0 without
};
const ScreenProfile& Screen();
// The screen less the bars: where top-level windows go by default.
inline RECT WorkArea() {
  const ScreenProfile& s = Screen();
  return RECT{0, s.taskBar, s.width, s.height - s.menuBar};
}

// Text through FreeType, shared with the task bar.
HFONT StockSystemFont();

}  // namespace lx
