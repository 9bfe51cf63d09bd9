// The GDI handle table: pens, brushes, fonts, bitmaps and device contexts.
#include <algorithm>
#include <cstring>
#include <map>

#include "gdiobj.h"

namespace lx {

namespace {

struct GdiTable {
  std::map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  std::map<uintptr_t, std::unique_ptr<DeviceContext>> dcs;
  uintptr_t next = 0x400000;
  HGDIOBJ stock[16] = {};
  HBITMAP defaultBitmap = nullptr;  // what a new memory DC holds
};

GdiTable& T() {
  static GdiTable t;
  return t;
}

HGDIOBJ Add(std::shared_ptr<GdiObject> o) {
  HGDIOBJ h = (HGDIOBJ)(T().next += 4);
  T().objects[(uintptr_t)h] = std::move(o);
  return h;
}

std::shared_ptr<GdiObject> Make(GdiKind k) {
  auto o = std::make_shared<GdiObject>();
  o->kind = k;
  return o;
}

HGDIOBJ MakeStock(GdiKind k, int style, COLORREF c) {
  auto o = Make(k);
  o->stock = true;
  o->style = style;
  o->color = c;
  return Add(o);
}

void InitStock() {
  auto& s = T().stock;
  if (s[0]) return;
  s[WHITE_BRUSH] = MakeStock(GdiKind::Brush, BS_SOLID, RGB(255, 255, 255));
  s[LTGRAY_BRUSH] = MakeStock(GdiKind::Brush, BS_SOLID, RGB(192, 192, 192));
  s[GRAY_BRUSH] = MakeStock(GdiKind::Brush, BS_SOLID, RGB(128, 128, 128));
  s[DKGRAY_BRUSH] = MakeStock(GdiKind::Brush, BS_SOLID, RGB(64, 64, 64));
  s[BLACK_BRUSH] = MakeStock(GdiKind::Brush, BS_SOLID, RGB(0, 0, 0));
  s[NULL_BRUSH] = MakeStock(GdiKind::Brush, BS_NULL, 0);
  s[WHITE_PEN] = MakeStock(GdiKind::Pen, PS_SOLID, RGB(255, 255, 255));
  s[BLACK_PEN] = MakeStock(GdiKind::Pen, PS_SOLID, RGB(0, 0, 0));
  s[NULL_PEN] = MakeStock(GdiKind::Pen, PS_NULL, 0);
  auto f = Make(GdiKind::Font);
  f->stock = true;
  f->font = SystemLogFont();
  s[SYSTEM_FONT] = Add(f);
  auto b = Make(GdiKind::Bitmap);
  b->stock = true;
  b->surface = MakeSurface(1, 1, 0);
  b->bitsPerPixel = 1;
  T().defaultBitmap = Add(b);
}

void SetDefaults(DeviceContext& dc) {
  InitStock();
  auto& s = T().stock;
  dc.s.hpen = s[BLACK_PEN];
  dc.s.pen = GetObj(dc.s.hpen, GdiKind::Pen);
  dc.s.hbrush = s[WHITE_BRUSH];
  dc.s.brush = GetObj(dc.s.hbrush, GdiKind::Brush);
  dc.s.hfont = s[SYSTEM_FONT];
  dc.s.font = GetObj(dc.s.hfont, GdiKind::Font);
}

HDC AddDC(std::unique_ptr<DeviceContext> dc) {
  HDC h = (HDC)(T().next += 4);
  T().dcs[(uintptr_t)h] = std::move(dc);
  return h;
}

}  // namespace

std::recursive_mutex& GdiLock() {
  static std::recursive_mutex m;
  return m;
}

std::shared_ptr<GdiObject> GetObj(HGDIOBJ h, GdiKind kind) {
  auto it = T().objects.find((uintptr_t)h);
  if (it == T().objects.end() || it->second->kind != kind) return nullptr;
  return it->second;
}

DeviceContext* GetDC_(HDC hdc) {
  auto it = T().dcs.find((uintptr_t)hdc);
  return it == T().dcs.end() ? nullptr : it->second.get();
}

std::shared_ptr<Surface> MakeSurface(int width, int height, uint32_t fill) {
  auto s = std::make_shared<Surface>();
  s->width = std::max(width, 1);
  s->height = std::max(height, 1);
  s->px.assign((size_t)s->width * s->height, fill);
  return s;
}

HDC MakeWindowDC(HWND hwnd, std::shared_ptr<Surface> surface, POINT origin, const std::vector<RECT>& clip) {
  std::lock_guard lock(GdiLock());
  auto dc = std::make_unique<DeviceContext>();
  dc->hwnd = hwnd;
  dc->surface = std::move(surface);
  dc->origin = origin;
  SetDefaults(*dc);
  dc->s.clip = clip;
  return AddDC(std::move(dc));
}

void IntersectDCClip(HDC hdc, const RECT& client) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return;
  RECT r = client;
  OffsetRect(&r, dc->origin.x, dc->origin.y);
  std::vector<RECT> out;
  for (const RECT& c : dc->s.clip) {
    RECT i;
    if (IntersectRect(&i, &c, &r)) out.push_back(i);
  }
  dc->s.clip.swap(out);
}

bool FreeWindowDC(HDC hdc) {
  std::lock_guard lock(GdiLock());
  auto it = T().dcs.find((uintptr_t)hdc);
  if (it == T().dcs.end() || it->second->memory) return false;
  T().dcs.erase(it);
  return true;
}

HFONT StockSystemFont() {
  std::lock_guard lock(GdiLock());
  InitStock();
  return T().stock[SYSTEM_FONT];
}

}  // namespace lx

using namespace lx;

HDC CreateCompatibleDC(HDC) {
  std::lock_guard lock(GdiLock());
  auto dc = std::make_unique<DeviceContext>();
  dc->memory = true;
  SetDefaults(*dc);
  auto bmp = GetObj(T().defaultBitmap, GdiKind::Bitmap);
  dc->s.hbitmap = T().defaultBitmap;
  dc->s.bitmap = bmp;
  dc->surface = bmp->surface;
  dc->s.clip = {RECT{0, 0, 1, 1}};
  return AddDC(std::move(dc));
}

BOOL DeleteDC(HDC hdc) {
  std::lock_guard lock(GdiLock());
  auto it = T().dcs.find((uintptr_t)hdc);
  if (it == T().dcs.end()) return FALSE;
  auto& dc = *it->second;
  if (dc.s.bitmap && !dc.s.bitmap->stock) dc.s.bitmap->selectedIn = nullptr;
  for (auto& st : dc.saved)
    if (st.bitmap && st.bitmap->selectedIn == hdc) st.bitmap->selectedIn = nullptr;
  T().dcs.erase(it);
  return TRUE;
}

int SaveDC(HDC hdc) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return 0;
  dc->saved.push_back(dc->s);
  return (int)dc->saved.size();
}

BOOL RestoreDC(HDC hdc, int saved) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  int n = (int)dc->saved.size();
  int index = saved < 0 ? n + saved : saved - 1;
  if (index < 0 || index >= n) return FALSE;
  dc->s = dc->saved[index];
  dc->saved.resize(index);
  if (dc->memory) dc->surface = dc->s.bitmap->surface;
  return TRUE;
}

HGDIOBJ GetStockObject(int index) {
  std::lock_guard lock(GdiLock());
  InitStock();
  if (index < 0 || index >= 16) return nullptr;
  return T().stock[index];
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->s.hpen;
    case OBJ_BRUSH: return dc->s.hbrush;
    case OBJ_FONT: return dc->s.hfont;
    case OBJ_BITMAP: return dc->s.hbitmap;
  }
  return nullptr;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  auto it = T().objects.find((uintptr_t)h);
  if (!dc || it == T().objects.end()) return nullptr;
  auto o = it->second;
  HGDIOBJ old = nullptr;
  switch (o->kind) {
    case GdiKind::Pen: old = dc->s.hpen, dc->s.hpen = h, dc->s.pen = o; break;
    case GdiKind::Brush: old = dc->s.hbrush, dc->s.hbrush = h, dc->s.brush = o; break;
    case GdiKind::Font: old = dc->s.hfont, dc->s.hfont = h, dc->s.font = o; break;
    case GdiKind::Bitmap: {
      // Only memory DCs hold bitmaps, and a bitmap sits in one DC at a time.
      if (!dc->memory) return nullptr;
      if (!o->stock && o->selectedIn && o->selectedIn != hdc) return nullptr;
      old = dc->s.hbitmap;
      if (dc->s.bitmap && !dc->s.bitmap->stock) dc->s.bitmap->selectedIn = nullptr;
      dc->s.hbitmap = h;
      dc->s.bitmap = o;
      if (!o->stock) o->selectedIn = hdc;
      dc->surface = o->surface;
      dc->s.clip = {RECT{0, 0, o->surface->width, o->surface->height}};
      break;
    }
    default: return nullptr;
  }
  return old;
}

BOOL DeleteObject(HGDIOBJ h) {
  std::lock_guard lock(GdiLock());
  auto it = T().objects.find((uintptr_t)h);
  if (it == T().objects.end()) return FALSE;
  if (it->second->stock) return TRUE;
  if (it->second->kind == GdiKind::Bitmap && it->second->selectedIn && GetDC_(it->second->selectedIn)) return FALSE;
  // A pen, brush or font still selected lives on in its DC until replaced.
  T().objects.erase(it);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ h) {
  std::lock_guard lock(GdiLock());
  if (DeviceContext* dc = GetDC_((HDC)h)) return dc->memory ? OBJ_MEMDC : OBJ_DC;
  auto it = T().objects.find((uintptr_t)h);
  if (it == T().objects.end()) return 0;
  switch (it->second->kind) {
    case GdiKind::Pen: return OBJ_PEN;
    case GdiKind::Brush: return OBJ_BRUSH;
    case GdiKind::Font: return OBJ_FONT;
    case GdiKind::Bitmap: return OBJ_BITMAP;
    default: return 0;
  }
}

int GetObjectW(HGDIOBJ h, int size, LPVOID out) {
  std::lock_guard lock(GdiLock());
  auto it = T().objects.find((uintptr_t)h);
  if (it == T().objects.end()) return 0;
  auto& o = *it->second;
  auto give = [&](const void* data, int n) {
    if (!out) return n;
    n = std::min(n, size);
    if (n <= 0) return 0;
    memcpy(out, data, n);
    return n;
  };
  switch (o.kind) {
    case GdiKind::Pen: {
      LOGPEN lp{(UINT)o.style, POINT{o.width, 0}, o.color};
      return give(&lp, sizeof lp);
    }
    case GdiKind::Brush: {
      LOGBRUSH lb{(UINT)o.style, o.color, 0};
      return give(&lb, sizeof lb);
    }
    case GdiKind::Font: return give(&o.font, sizeof o.font);
    case GdiKind::Bitmap: {
      BITMAP bm{};
      bm.bmWidth = o.surface->width;
      bm.bmHeight = o.surface->height;
      bm.bmBitsPixel = (WORD)o.bitsPerPixel;
      bm.bmPlanes = 1;
      bm.bmWidthBytes = ((o.surface->width * o.bitsPerPixel + 15) / 16) * 2;
      return give(&bm, sizeof bm);
    }
    default: return 0;
  }
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  std::lock_guard lock(GdiLock());
  if (!GetDC_(hdc) || width < 0 || height < 0) return nullptr;
  // Every surface here is 32-bit colour, also for a memory DC's default bitmap.
  auto o = Make(GdiKind::Bitmap);
  o->surface = MakeSurface(width, height, 0);
  return Add(o);
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, LPCVOID bits) {
  std::lock_guard lock(GdiLock());
  if (width <= 0 || height <= 0) return nullptr;
  auto o = Make(GdiKind::Bitmap);
  o->surface = MakeSurface(width, height, 0);
  o->bitsPerPixel = bitsPerPixel == 1 ? 1 : 32;
  if (bits) {
    // Rows are WORD-aligned, as the device stores them.
    const BYTE* p = (const BYTE*)bits;
    if (bitsPerPixel == 1) {
      int stride = ((width + 15) / 16) * 2;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          o->surface->px[(size_t)y * width + x] = (p[y * stride + x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0;
    } else if (bitsPerPixel == 32) {
      for (int i = 0; i < width * height; ++i) o->surface->px[i] = ((const uint32_t*)bits)[i] & 0xFFFFFF;
    }
  }
  return Add(o);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
  // Only the form the surfaces use: 32 bits, top-down rows.
  if (!info || info->bmiHeader.biBitCount != 32 || info->bmiHeader.biHeight >= 0 || info->bmiHeader.biWidth <= 0)
    return nullptr;
  std::lock_guard lock(GdiLock());
  auto o = Make(GdiKind::Bitmap);
  o->surface = MakeSurface(info->bmiHeader.biWidth, -info->bmiHeader.biHeight, 0);
  if (bits) *bits = o->surface->px.data();
  return Add(o);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  std::lock_guard lock(GdiLock());
  auto o = Make(GdiKind::Brush);
  o->style = BS_SOLID;
  o->color = color & 0xFFFFFF;
  return Add(o);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  if (lb->lbStyle == BS_NULL) return GetStockObject(NULL_BRUSH);
  return CreateSolidBrush(lb->lbColor);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  std::lock_guard lock(GdiLock());
  auto o = Make(GdiKind::Pen);
  o->style = style;
  o->width = std::max(width, 1);
  o->color = color & 0xFFFFFF;
  return Add(o);
}

HPEN CreatePenIndirect(const LOGPEN* lp) { return lp ? CreatePen(lp->lopnStyle, lp->lopnWidth.x, lp->lopnColor) : nullptr; }

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  if (!lf) return nullptr;
  std::lock_guard lock(GdiLock());
  auto o = Make(GdiKind::Font);
  o->font = *lf;
  return Add(o);
}

namespace lx {
HBITMAP AddBitmapSurface(std::shared_ptr<Surface> s, int bitsPerPixel) {
  std::lock_guard lock(GdiLock());
  auto o = Make(GdiKind::Bitmap);
  o->surface = std::move(s);
  o->bitsPerPixel = bitsPerPixel;
  return Add(o);
}
}  // namespace lx
