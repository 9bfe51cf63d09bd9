// Bitmaps embedded as resources, loaded by id at each depth the artwork uses.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lxresource.h"
#include "windows.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { memcpy(&b[at], &v, 2); }
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { memcpy(&b[at], &v, 4); }

// The colour the test expects at (x, y).
COLORREF Expected(int bpp, int x, int y) {
  int colours = bpp == 1 ? 2 : bpp == 4 ? 16 : 256;
  if (bpp >= 24) return RGB(x * 40, y * 60, 200);
  int i = (x + 2 * y) % colours;
  return RGB(i * 7 % 256, 255 - i, i * 13 % 256);
}

// A BMP file of w x h pixels; rows bottom-up unless topDown.
std::vector<uint8_t> MakeBmp(int bpp, int w, int h, bool topDown = false) {
  int colours = bpp <= 8 ? 1 << bpp : 0;
  size_t stride = ((size_t)w * bpp + 31) / 32 * 4;
  size_t off = 14 + 40 + colours * 4;
  std::vector<uint8_t> b(off + stride * h);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, (uint32_t)b.size());
  Put32(b, 10, (uint32_t)off);
  Put32(b, 14, 40);
  Put32(b, 18, w);
  Put32(b, 22, topDown ? -h : h);
  Put16(b, 26, 1);
  Put16(b, 28, bpp);
  for (int i = 0; i < colours; ++i) {
    COLORREF c = RGB(i * 7 % 256, 255 - i, i * 13 % 256);
    b[54 + i * 4] = GetBValue(c);
    b[55 + i * 4] = GetGValue(c);
    b[56 + i * 4] = GetRValue(c);
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* row = &b[off + stride * (topDown ? y : h - 1 - y)];
    for (int x = 0; x < w; ++x) {
      int i = (x + 2 * y) % (colours ? colours : 1);
      COLORREF c = Expected(bpp, x, y);
      switch (bpp) {
        case 1: row[x / 8] |= i << (7 - x % 8); break;
        case 4: row[x / 2] |= i << (x % 2 ? 0 : 4); break;
        case 8: row[x] = (uint8_t)i; break;
        case 24:
          row[x * 3] = GetBValue(c);
          row[x * 3 + 1] = GetGValue(c);
          row[x * 3 + 2] = GetRValue(c);
          break;
      }
    }
  }
  return b;
}

std::vector<uint8_t> kFiles[7];
LXRESOURCE kTable[7];

void RegisterOnce() {
  static bool done;
  if (done) return;
  done = true;
  kFiles[0] = MakeBmp(1, 13, 5);
  kFiles[1] = MakeBmp(4, 7, 5);
  kFiles[2] = MakeBmp(8, 5, 5);
  kFiles[3] = MakeBmp(24, 5, 4);
  kFiles[4] = MakeBmp(24, 5, 4, true);
  kFiles[5] = MakeBmp(4, 40, 40);
  kFiles[5].resize(kFiles[5].size() / 2);  // truncated
  kFiles[6] = MakeBmp(8, 5, 5);
  Put16(kFiles[6], 28, 16);  // a depth the device artwork never has
  for (int i = 0; i < 7; ++i) kTable[i] = LXRESOURCE{RT_BITMAP, (WORD)(900 + i), kFiles[i].data(), (DWORD)kFiles[i].size()};
  LxRegisterResources(kTable, 7);
}

void ExpectPixels(WORD id, int bpp, int w, int h) {
  HBITMAP bmp = LoadBitmapW(nullptr, MAKEINTRESOURCEW(id));
  ASSERT_NE(bmp, nullptr) << "bitmap " << id;
  BITMAP bm;
  GetObjectW(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, w);
  EXPECT_EQ(bm.bmHeight, h);
  EXPECT_EQ(bm.bmBitsPixel, bpp);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(GetPixel(dc, x, y), Expected(bpp, x, y)) << bpp << " bits at " << x << "," << y;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

}  // namespace

TEST(Bitmaps, EachDepthLoadsByIdWithItsPalette) {
  RegisterOnce();
  ExpectPixels(900, 1, 13, 5);
  ExpectPixels(901, 4, 7, 5);
  ExpectPixels(902, 8, 5, 5);
  ExpectPixels(903, 24, 5, 4);
  ExpectPixels(904, 24, 5, 4);
}

TEST(Bitmaps, DamagedOrUnknownGiveNoBitmap) {
  RegisterOnce();
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(905)), nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(906)), nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(999)), nullptr);
}

TEST(Resources, TemplatesAreFoundByTypeAndId) {
  static const LXDLGITEM items[] = {{WS_CHILD | WS_VISIBLE, 0, 40, 120, 60, 14, 1041, u"BUTTON", u"Willkommen"}};
  static const LXDLGTEMPLATE dlg = {WS_POPUP, 0, 0, 0, 160, 150, u"Lumtrax", 8, u"Tahoma", 1, items};
  static const LXRESOURCE table[] = {{RT_DIALOG, 154, &dlg, sizeof dlg}};
  LxRegisterResources(table, 1);
  HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCEW(154), RT_DIALOG);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, r), sizeof dlg);
  auto* t = (const LXDLGTEMPLATE*)LockResource(LoadResource(nullptr, r));
  ASSERT_EQ(t, &dlg);
  EXPECT_EQ(t->items[0].id, 1041);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(154), RT_MENU), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, u"#154", RT_DIALOG), r);
}
