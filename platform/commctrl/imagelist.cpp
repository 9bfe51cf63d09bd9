// Image lists: equal-sized images kept as pixels with a transparency mask,
// added from bitmap strips and drawn into any DC. A handle is a number that
// is never reused, so a list destroyed twice (by its control and by its
// owner) or a stale handle is refused instead of followed.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "../gdi/gdiobj.h"
#include "commctrl.h"

namespace {

struct ImageList {
  int cx = 16, cy = 16;
  bool masked = false;
  COLORREF bk = CLR_NONE;
  // Every image's pixels, row by row, one image after another; opaque[i]
  // is 0 where the mask makes a pixel transparent.
  std::vector<uint32_t> px;
  std::vector<uint8_t> opaque;
  int count = 0;
};

std::mutex gLock;
std::map<uintptr_t, std::shared_ptr<ImageList>> gLists;
uintptr_t gNextId = 0x1000;

std::shared_ptr<ImageList> Find(HIMAGELIST h) {
  std::lock_guard lock(gLock);
  auto it = gLists.find((uintptr_t)h);
  return it == gLists.end() ? nullptr : it->second;
}

// A snapshot of a bitmap's pixels; null when the handle is not a bitmap.
std::shared_ptr<lx::Surface> PixelsOf(HBITMAP b) {
  if (!b) return nullptr;
  std::lock_guard lock(lx::GdiLock());
  auto o = lx::GetObj(b, lx::GdiKind::Bitmap);
  if (!o || !o->surface) return nullptr;
  return std::make_shared<lx::Surface>(*o->surface);
}

// Cuts a strip into images; isOpaque(x, y) says which pixels show.
template <class F>
int AddStrip(HIMAGELIST h, const lx::Surface& strip, F isOpaque) {
  auto il = Find(h);
  if (!il || strip.width < il->cx || strip.height < il->cy) return -1;
  int n = strip.width / il->cx;
  int first = il->count;
  size_t area = (size_t)il->cx * il->cy;
  il->px.resize(il->px.size() + area * n);
  il->opaque.resize(il->opaque.size() + area * n);
  for (int i = 0; i < n; ++i) {
    uint32_t* out = &il->px[(first + i) * area];
    uint8_t* mask = &il->opaque[(first + i) * area];
    for (int y = 0; y < il->cy; ++y)
      for (int x = 0; x < il->cx; ++x) {
        int sx = i * il->cx + x;
        out[y * il->cx + x] = strip.px[(size_t)y * strip.width + sx];
        mask[y * il->cx + x] = !il->masked || isOpaque(sx, y);
      }
  }
  il->count += n;
  return first;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0 || cx > 256 || cy > 256) return nullptr;
  auto il = std::make_shared<ImageList>();
  il->cx = cx, il->cy = cy;
  il->masked = flags & ILC_MASK;
  std::lock_guard lock(gLock);
  uintptr_t id = gNextId++;
  gLists[id] = il;
  return (HIMAGELIST)id;
}

BOOL ImageList_Destroy(HIMAGELIST h) {
  std::lock_guard lock(gLock);
  return gLists.erase((uintptr_t)h) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST h) {
  auto il = Find(h);
  return il ? il->count : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy) {
  auto il = Find(h);
  if (!il || !cx || !cy) return FALSE;
  *cx = il->cx, *cy = il->cy;
  return TRUE;
}

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask) {
  auto strip = PixelsOf(image);
  if (!strip) return -1;
  auto m = PixelsOf(mask);
  // White in the mask is transparent; without a mask every pixel shows.
  return AddStrip(h, *strip, [&](int x, int y) {
    if (!m || x >= m->width || y >= m->height) return true;
    return (m->px[(size_t)y * m->width + x] & 0xFFFFFF) != 0xFFFFFF;
  });
}

int ImageList_AddMasked(HIMAGELIST h, HBITMAP image, COLORREF maskColour) {
  auto strip = PixelsOf(image);
  if (!strip) return -1;
  uint32_t key = lx::PixelOf(maskColour);
  bool none = maskColour == CLR_NONE;
  return AddStrip(h, *strip, [&](int x, int y) { return none || strip->px[(size_t)y * strip->width + x] != key; });
}

BOOL ImageList_Remove(HIMAGELIST h, int index) {
  auto il = Find(h);
  if (!il || index < -1 || index >= il->count) return FALSE;
  if (index == -1) {
    il->px.clear(), il->opaque.clear(), il->count = 0;
    return TRUE;
  }
  size_t area = (size_t)il->cx * il->cy;
  il->px.erase(il->px.begin() + index * area, il->px.begin() + (index + 1) * area);
  il->opaque.erase(il->opaque.begin() + index * area, il->opaque.begin() + (index + 1) * area);
  --il->count;
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST h, COLORREF colour) {
  auto il = Find(h);
  if (!il) return CLR_NONE;
  COLORREF old = il->bk;
  il->bk = colour;
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST h) {
  auto il = Find(h);
  return il ? il->bk : CLR_NONE;
}

BOOL ImageList_Draw(HIMAGELIST h, int index, HDC hdc, int x, int y, UINT style) {
  auto il = Find(h);
  if (!il || index < 0 || index >= il->count) return FALSE;
  std::lock_guard lock(lx::GdiLock());
  lx::DeviceContext* dc = lx::GetDC_(hdc);
  if (!dc || !dc->surface) return FALSE;
  // ILD_NORMAL fills the masked pixels with the list's background colour
  // when it has one; ILD_TRANSPARENT always leaves them alone.
  bool fillBk = !(style & ILD_TRANSPARENT) && il->bk != CLR_NONE;
  uint32_t bk = lx::PixelOf(il->bk);
  bool blend = style & (ILD_BLEND25 | ILD_BLEND50);
  uint32_t hi = lx::PixelOf(RGB(0x0A, 0x24, 0x6A));
  size_t area = (size_t)il->cx * il->cy;
  const uint32_t* src = &il->px[index * area];
  const uint8_t* opaque = &il->opaque[index * area];
  lx::Surface& s = *dc->surface;
  int ox = x + dc->origin.x, oy = y + dc->origin.y;
  for (int row = 0; row < il->cy; ++row)
    for (int col = 0; col < il->cx; ++col) {
      int sx = ox + col, sy = oy + row;
      if (sx < 0 || sy < 0 || sx >= s.width || sy >= s.height || !lx::InClip(*dc, sx, sy)) continue;
      uint32_t& d = s.px[(size_t)sy * s.width + sx];
      int i = row * il->cx + col;
      if (style & ILD_MASK) {
        d = opaque[i] ? 0 : 0xFFFFFF;
      } else if (opaque[i]) {
        d = src[i];
        if (blend) lx::BlendPixel(*dc, sx, sy, hi, (style & ILD_BLEND50) ? 128 : 64);
      } else if (fillBk) {
        d = bk;
      }
    }
  return TRUE;
}

HIMAGELIST ImageList_LoadImageW(HINSTANCE instance, LPCWSTR name, int cx, int grow, COLORREF mask, UINT type,
                                UINT) {
  if (type != IMAGE_BITMAP) return nullptr;
  HBITMAP b = LoadBitmapW(instance, name);
  auto strip = PixelsOf(b);
  if (!strip) {
    if (b) DeleteObject(b);
    return nullptr;
  }
  if (cx <= 0) cx = strip->height;  // square images when no width is given
  if (mask == CLR_DEFAULT) mask = lx::ColorOf(strip->px.empty() ? 0 : strip->px[0]);
  HIMAGELIST h = ImageList_Create(cx, strip->height, mask == CLR_NONE ? ILC_COLOR : ILC_MASK, 0, grow);
  if (h && ImageList_AddMasked(h, b, mask) < 0) {
    ImageList_Destroy(h);
    h = nullptr;
  }
  DeleteObject(b);
  return h;
}
