// GDI objects and device contexts, shared by the files of this folder.
#pragma once
#include <mutex>

#include "lxgdi.h"

namespace lx {

enum class GdiKind { Pen, Brush, Font, Bitmap, DC };

struct GdiObject {
  GdiKind kind;
  bool stock = false;
  // Pen and brush
  int style = 0;
  int width = 1;
  COLORREF color = 0;
  // Font
  LOGFONTW font{};
  // Bitmap: the pixels, the depth it was made with, the DC it is selected into.
  std::shared_ptr<Surface> surface;
  int bitsPerPixel = 32;
  HDC selectedIn = nullptr;
};

struct DCState {
  std::shared_ptr<GdiObject> pen, brush, font, bitmap;
  HGDIOBJ hpen = nullptr, hbrush = nullptr, hfont = nullptr, hbitmap = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  POINT pos{0, 0};
  std::vector<RECT> clip;  // surface coordinates
};

struct DeviceContext {
  bool memory = false;
  HWND hwnd = nullptr;
  std::shared_ptr<Surface> surface;
  POINT origin{0, 0};
  DCState s;
  std::vector<DCState> saved;
};

std::recursive_mutex& GdiLock();
std::shared_ptr<GdiObject> GetObj(HGDIOBJ h, GdiKind kind);
DeviceContext* GetDC_(HDC hdc);

// Pixel writing with the DC's clip; x, y in surface coordinates.
void FillSurfaceRect(DeviceContext& dc, RECT r, uint32_t px);
void BlendPixel(DeviceContext& dc, int x, int y, uint32_t px, int alpha);
bool InClip(const DeviceContext& dc, int x, int y);

// Fonts (text.cpp)
struct FontMetrics {
  int ascent, descent, height, aveWidth, maxWidth;
};
FontMetrics MetricsOf(const LOGFONTW& lf);
int TextWidth(const LOGFONTW& lf, const WCHAR* text, int count, int* advances);
// Draws with the top of the cell at y; underline per the font.
void DrawGlyphs(DeviceContext& dc, const LOGFONTW& lf, int x, int y, const WCHAR* text, int count, uint32_t color);
LOGFONTW SystemLogFont();

}  // namespace lx
