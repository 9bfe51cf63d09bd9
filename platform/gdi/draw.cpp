// Drawing into DCs: fills, blits, lines and shapes, DC attributes, device caps
// and the display's power escape.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gdiobj.h"

namespace lx {

std::atomic<int> gScreenGeneration{0};
std::atomic<void (*)()> gScreenChangedHook{nullptr};

void ScreenChanged() {
  gScreenGeneration.fetch_add(1, std::memory_order_relaxed);
  if (auto hook = gScreenChangedHook.load()) hook();
}
std::atomic<bool> gDisplayOff{false};

bool InClip(const DeviceContext& dc, int x, int y) {
  for (const RECT& r : dc.s.clip)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

void FillSurfaceRect(DeviceContext& dc, RECT r, uint32_t px) {
  Surface& s = *dc.surface;
  RECT bounds{0, 0, s.width, s.height};
  for (const RECT& c : dc.s.clip) {
    RECT i;
    if (!IntersectRect(&i, &r, &c) || !IntersectRect(&i, &i, &bounds)) continue;
    for (int y = i.top; y < i.bottom; ++y) std::fill_n(&s.px[(size_t)y * s.width + i.left], i.right - i.left, px);
  }
}

void BlendPixel(DeviceContext& dc, int x, int y, uint32_t px, int alpha) {
  Surface& s = *dc.surface;
  if (x < 0 || y < 0 || x >= s.width || y >= s.height || !InClip(dc, x, y)) return;
  uint32_t& d = s.px[(size_t)y * s.width + x];
  if (alpha >= 255) {
    d = px;
    return;
  }
  auto mix = [&](int shift) {
    int a = (d >> shift) & 0xff, b = (px >> shift) & 0xff;
    return (uint32_t)((a * (255 - alpha) + b * alpha + 127) / 255) << shift;
  };
  d = mix(16) | mix(8) | mix(0);
}

namespace {

void Plot(DeviceContext& dc, int x, int y, uint32_t px) { BlendPixel(dc, x, y, px, 255); }

// Pixels of a pen: a square of its width around the point.
void PenDot(DeviceContext& dc, int x, int y, const GdiObject& pen) {
  int w = std::max(pen.width, 1);
  uint32_t px = PixelOf(pen.color);
  int o = w / 2;
  for (int dy = 0; dy < w; ++dy)
    for (int dx = 0; dx < w; ++dx) Plot(dc, x - o + dx, y - o + dy, px);
}

// A line in surface coordinates, without its last point, as the device draws it.
void Line(DeviceContext& dc, int x0, int y0, int x1, int y1) {
  auto& pen = *dc.s.pen;
  if (pen.style == PS_NULL) return;
  int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy, n = 0;
  while (x0 != x1 || y0 != y1) {
    if (pen.style != PS_DASH || (n % 8) < 5) PenDot(dc, x0, y0, pen);
    ++n;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

// Fills a polygon (alternate rule), points in surface coordinates.
void FillPolygon(DeviceContext& dc, const std::vector<POINT>& p, uint32_t px) {
  if (p.size() < 3) return;
  int top = p[0].y, bottom = p[0].y;
  for (auto& q : p) top = std::min<int>(top, q.y), bottom = std::max<int>(bottom, q.y);
  std::vector<int> xs;
  for (int y = top; y < bottom; ++y) {
    xs.clear();
    double cy = y + 0.5;
    for (size_t i = 0; i < p.size(); ++i) {
      POINT a = p[i], b = p[(i + 1) % p.size()];
      if ((a.y <= cy) == (b.y <= cy)) continue;
      xs.push_back((int)(a.x + (cy - a.y) * (b.x - a.x) / (double)(b.y - a.y) + 0.5));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) FillSurfaceRect(dc, RECT{xs[i], y, xs[i + 1], y + 1}, px);
  }
}

bool SolidBrush(DeviceContext& dc, uint32_t* px) {
  if (!dc.s.brush || dc.s.brush->style == BS_NULL) return false;
  *px = PixelOf(dc.s.brush->color);
  return true;
}

uint32_t Rop(DWORD rop, uint32_t d, uint32_t s, uint32_t pat) {
  switch (rop) {
    case SRCCOPY: return s;
    case SRCPAINT: return d | s;
    case SRCAND: return d & s;
    case SRCINVERT: return (d ^ s) & 0xFFFFFF;
    case NOTSRCCOPY: return ~s & 0xFFFFFF;
    case PATCOPY: return pat;
    case BLACKNESS: return 0;
    case WHITENESS: return 0xFFFFFF;
  }
  return s;
}

const COLORREF kSysColors[] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(192, 192, 192), RGB(0, 0, 0)};

}  // namespace
}  // namespace lx

using namespace lx;

DWORD GetSysColor(int index) {
  if (index < 0 || index >= (int)(sizeof kSysColors / sizeof kSysColors[0])) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  static HBRUSH brushes[sizeof kSysColors / sizeof kSysColors[0]];
  if (index < 0 || index >= (int)(sizeof kSysColors / sizeof kSysColors[0])) return nullptr;
  std::lock_guard lock(GdiLock());
  if (!brushes[index]) {
    brushes[index] = CreateSolidBrush(kSysColors[index]);
    GetObj(brushes[index], GdiKind::Brush)->stock = true;
  }
  return brushes[index];
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  if (!rect) return 0;
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if ((uintptr_t)brush > 0 && (uintptr_t)brush <= 31) brush = GetSysColorBrush((int)(uintptr_t)brush - 1);
  auto b = GetObj(brush, GdiKind::Brush);
  if (!dc || !b) return 0;
  if (b->style == BS_NULL) return 1;
  RECT r = *rect;
  OffsetRect(&r, dc->origin.x, dc->origin.y);
  FillSurfaceRect(*dc, r, PixelOf(b->color));
  return 1;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  uint32_t px = 0;
  if (rop == WHITENESS)
    px = 0xFFFFFF;
  else if (rop == PATCOPY && !SolidBrush(*dc, &px))
    return TRUE;
  RECT r{x, y, x + width, y + height};
  if (width < 0) std::swap(r.left, r.right);
  if (height < 0) std::swap(r.top, r.bottom);
  OffsetRect(&r, dc->origin.x, dc->origin.y);
  FillSurfaceRect(*dc, r, px);
  return TRUE;
}

BOOL BitBlt(HDC hdst, int x, int y, int width, int height, HDC hsrc, int sx, int sy, DWORD rop) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dst = GetDC_(hdst);
  if (!dst) return FALSE;
  if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(hdst, x, y, width, height, rop);
  DeviceContext* src = GetDC_(hsrc);
  if (!src || width <= 0 || height <= 0) return FALSE;
  uint32_t pat = 0;
  SolidBrush(*dst, &pat);
  Surface& ss = *src->surface;
  Surface& ds = *dst->surface;
  // Source pixels outside the source surface are not copied.
  int srcX = sx + src->origin.x, srcY = sy + src->origin.y;
  int dx = x + dst->origin.x, dy = y + dst->origin.y;
  RECT want{dx, dy, dx + width, dy + height};
  RECT srcBounds{dx - srcX, dy - srcY, dx - srcX + ss.width, dy - srcY + ss.height};
  RECT dstBounds{0, 0, ds.width, ds.height};
  if (!IntersectRect(&want, &want, &srcBounds) || !IntersectRect(&want, &want, &dstBounds)) return TRUE;
  // Same surface: copy from a snapshot so that overlapping moves come out right.
  std::vector<uint32_t> snapshot;
  const uint32_t* from = ss.px.data();
  if (&ss == &ds) {
    snapshot = ss.px;
    from = snapshot.data();
  }
  for (const RECT& c : dst->s.clip) {
    RECT i;
    if (!IntersectRect(&i, &want, &c)) continue;
    for (int row = i.top; row < i.bottom; ++row) {
      uint32_t* d = &ds.px[(size_t)row * ds.width];
      const uint32_t* s = &from[(size_t)(row - dy + srcY) * ss.width];
      for (int col = i.left; col < i.right; ++col) d[col] = Rop(rop, d[col], s[col - dx + srcX], pat);
    }
  }
  return TRUE;
}

BOOL StretchBlt(HDC hdst, int x, int y, int width, int height, HDC hsrc, int sx, int sy, int sw, int sh, DWORD rop) {
  if (width == sw && height == sh) return BitBlt(hdst, x, y, width, height, hsrc, sx, sy, rop);
  std::lock_guard lock(GdiLock());
  DeviceContext* dst = GetDC_(hdst);
  DeviceContext* src = GetDC_(hsrc);
  if (!dst || !src || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return FALSE;
  Surface& ss = *src->surface;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      int px = sx + src->origin.x + col * sw / width, py = sy + src->origin.y + row * sh / height;
      if (px < 0 || py < 0 || px >= ss.width || py >= ss.height) continue;
      BlendPixel(*dst, x + dst->origin.x + col, y + dst->origin.y + row, ss.px[(size_t)py * ss.width + px], 255);
    }
  return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->s.pos;
  dc->s.pos = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  Line(*dc, dc->s.pos.x + dc->origin.x, dc->s.pos.y + dc->origin.y, x + dc->origin.x, y + dc->origin.y);
  dc->s.pos = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int count) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !pts || count < 2) return FALSE;
  POINT o = dc->origin;
  for (int i = 0; i + 1 < count; ++i) Line(*dc, pts[i].x + o.x, pts[i].y + o.y, pts[i + 1].x + o.x, pts[i + 1].y + o.y);
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !pts || count < 2) return FALSE;
  std::vector<POINT> p(pts, pts + count);
  for (auto& q : p) q.x += dc->origin.x, q.y += dc->origin.y;
  uint32_t px;
  if (SolidBrush(*dc, &px)) FillPolygon(*dc, p, px);
  for (int i = 0; i < count; ++i) Line(*dc, p[i].x, p[i].y, p[(i + 1) % count].x, p[(i + 1) % count].y);
  return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  RECT r{left + dc->origin.x, top + dc->origin.y, right + dc->origin.x, bottom + dc->origin.y};
  bool pen = dc->s.pen->style != PS_NULL;
  uint32_t px;
  if (SolidBrush(*dc, &px)) {
    RECT in = r;
    if (pen) InflateRect(&in, -1, -1);
    FillSurfaceRect(*dc, in, px);
  }
  if (pen) {
    Line(*dc, r.left, r.top, r.right - 1, r.top);
    Line(*dc, r.right - 1, r.top, r.right - 1, r.bottom - 1);
    Line(*dc, r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
    Line(*dc, r.left, r.bottom - 1, r.left, r.top);
  }
  return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || right <= left || bottom <= top) return FALSE;
  double cx = (left + right - 1) / 2.0, cy = (top + bottom - 1) / 2.0;
  double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
  uint32_t fill = 0;
  bool filled = SolidBrush(*dc, &fill);
  bool pen = dc->s.pen->style != PS_NULL;
  uint32_t line = PixelOf(dc->s.pen->color);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      double nx = (x - cx) / rx, ny = (y - cy) / ry, d = nx * nx + ny * ny;
      if (d > 1.0) continue;
      double inner = (std::abs(x - cx) + 1) / rx, innery = (std::abs(y - cy) + 1) / ry;
      bool edge = inner * inner + ny * ny > 1.0 || nx * nx + innery * innery > 1.0;
      if (edge && pen)
        BlendPixel(*dc, x + dc->origin.x, y + dc->origin.y, line, 255);
      else if (filled)
        BlendPixel(*dc, x + dc->origin.x, y + dc->origin.y, fill, 255);
    }
  return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return CLR_INVALID;
  BlendPixel(*dc, x + dc->origin.x, y + dc->origin.y, PixelOf(color), 255);
  return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return CLR_INVALID;
  x += dc->origin.x;
  y += dc->origin.y;
  Surface& s = *dc->surface;
  if (x < 0 || y < 0 || x >= s.width || y >= s.height || !InClip(*dc, x, y)) return CLR_INVALID;
  return ColorOf(s.px[(size_t)y * s.width + x]);
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->s.textColor;
  dc->s.textColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetTextColor(HDC hdc) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  return dc ? dc->s.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->s.bkColor;
  dc->s.bkColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetBkColor(HDC hdc) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  return dc ? dc->s.bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  int old = dc->s.bkMode;
  dc->s.bkMode = mode;
  return old;
}

int GetBkMode(HDC hdc) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  return dc ? dc->s.bkMode : 0;
}

int GetClipBox(HDC hdc, LPRECT rect) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !rect) return ERROR;
  RECT box{};
  for (const RECT& r : dc->s.clip) UnionRect(&box, &box, &r);
  OffsetRect(&box, -dc->origin.x, -dc->origin.y);
  *rect = box;
  if (dc->s.clip.empty()) return NULLREGION;
  return dc->s.clip.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  IntersectDCClip(hdc, RECT{left, top, right, bottom});
  RECT r;
  return GetClipBox(hdc, &r);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return ERROR;
  RECT hole{left + dc->origin.x, top + dc->origin.y, right + dc->origin.x, bottom + dc->origin.y};
  std::vector<RECT> out;
  for (const RECT& a : dc->s.clip) {
    RECT i;
    if (!IntersectRect(&i, &a, &hole)) {
      out.push_back(a);
      continue;
    }
    if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
    if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
    if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
    if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
  }
  dc->s.clip.swap(out);
  RECT r;
  return GetClipBox(hdc, &r);
}

int GetDeviceCaps(HDC hdc, int index) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return 0;
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return Screen().width * 254 / 960;
    case VERTSIZE: return Screen().height * 254 / 960;
    case HORZRES: return Screen().width;
    case VERTRES: return Screen().height;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
  }
  return 0;
}

int ExtEscape(HDC hdc, int escape, int inSize, LPCSTR in, int outSize, LPSTR out) {
  {
    std::lock_guard lock(GdiLock());
    if (!GetDC_(hdc)) return -1;
  }
  switch (escape) {
    case QUERYESCSUPPORT: {
      if (!in || inSize < 4) return 0;
      DWORD which;
      memcpy(&which, in, 4);
      return which == QUERYESCSUPPORT || which == SETPOWERMANAGEMENT || which == GETPOWERMANAGEMENT;
    }
    case SETPOWERMANAGEMENT: {
      VIDEO_POWER_MANAGEMENT vpm;
      if (!in || inSize < (int)sizeof vpm) return -1;
      memcpy(&vpm, in, sizeof vpm);
      if (vpm.Length < sizeof vpm || vpm.PowerState < VideoPowerOn || vpm.PowerState > VideoPowerOff) return -1;
      gDisplayOff = vpm.PowerState != VideoPowerOn;
      ScreenChanged();
      return 1;
    }
    case GETPOWERMANAGEMENT: {
      VIDEO_POWER_MANAGEMENT vpm{sizeof vpm, 1, (ULONG)(gDisplayOff ? VideoPowerOff : VideoPowerOn)};
      if (!out || outSize < (int)sizeof vpm) return -1;
      memcpy(out, &vpm, sizeof vpm);
      return 1;
    }
  }
  return 0;
}
