// Image lists from bitmap strips, their masks, and the list view drawing
// its icons and its selected row on the screen.
#include <cstdint>
#include <vector>

#include "lvtest.h"
#include "lxresource.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 24-bit BMP strip of three 16x16 images: red, green, blue; each has a
// magenta (mask) square of 4x4 at its top left.
std::vector<uint8_t> MakeStrip() {
  const int w = 48, h = 16, stride = w * 3;
  std::vector<uint8_t> b(54 + stride * h, 0);
  auto put32 = [&](int at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = (uint8_t)(v >> (8 * k));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, (uint32_t)b.size());
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  b[26] = 1, b[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &b[54 + (h - 1 - y) * stride + x * 3];  // rows bottom-up, BGR
      int image = x / 16;
      bool mask = x % 16 < 4 && y < 4;
      uint8_t r = mask ? 255 : image == 0 ? 255 : 0, g = mask ? 0 : image == 1 ? 255 : 0,
              bl = mask ? 255 : image == 2 ? 255 : 0;
      p[0] = bl, p[1] = g, p[2] = r;
    }
  return b;
}

const std::vector<uint8_t> kStrip = MakeStrip();
const LXRESOURCE kResources[] = {{RT_BITMAP, 4150, kStrip.data(), (DWORD)kStrip.size()}};
LX_RESOURCE_TABLE(kResources);

// A white 40x20 bitmap in a memory DC to draw into.
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 40, 20);
  HGDIOBJ old;
  Canvas() {
    old = SelectObject(dc, bmp);
    RECT r{0, 0, 40, 20};
    FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

TEST(ImageListTest, StripLoadsIntoImagesAndDrawsThroughItsMask) {
  HIMAGELIST il = ImageList_LoadBitmap(nullptr, MAKEINTRESOURCEW(4150), 16, 1, kMagenta);
  ASSERT_NE(il, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(il), 3);
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(il, &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);

  Canvas c;
  EXPECT_TRUE(ImageList_Draw(il, 1, c.dc, 10, 2, ILD_TRANSPARENT));
  EXPECT_EQ(GetPixel(c.dc, 10 + 8, 2 + 8), RGB(0, 255, 0)) << "image 1 is the green one";
  EXPECT_EQ(GetPixel(c.dc, 10 + 1, 2 + 1), RGB(255, 255, 255)) << "the mask colour lets the ground show";
  EXPECT_EQ(GetPixel(c.dc, 9, 8), RGB(255, 255, 255)) << "nothing beside the image";
  // Without a background colour ILD_NORMAL is transparent too; with one it fills.
  ImageList_Draw(il, 2, c.dc, 10, 2, ILD_NORMAL);
  EXPECT_EQ(GetPixel(c.dc, 11, 3), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.dc, 18, 10), RGB(0, 0, 255));
  ImageList_SetBkColor(il, RGB(0, 0, 0));
  ImageList_Draw(il, 0, c.dc, 10, 2, ILD_NORMAL);
  EXPECT_EQ(GetPixel(c.dc, 11, 3), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 18, 10), RGB(255, 0, 0));
  EXPECT_FALSE(ImageList_Draw(il, 3, c.dc, 0, 0, ILD_NORMAL)) << "no fourth image";

  EXPECT_TRUE(ImageList_Destroy(il));
  EXPECT_FALSE(ImageList_Destroy(il)) << "a second destroy is refused";
  EXPECT_EQ(ImageList_GetImageCount(il), 0);
  EXPECT_FALSE(ImageList_Draw(il, 0, c.dc, 0, 0, ILD_NORMAL));
  EXPECT_EQ(ImageList_LoadBitmap(nullptr, MAKEINTRESOURCEW(4999), 16, 1, kMagenta), nullptr);
}

TEST(ImageListTest, AddTakesAStripWithAMaskBitmapOrAColour) {
  HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR | ILC_MASK, 2, 2);
  HBITMAP strip = LoadBitmapW(nullptr, MAKEINTRESOURCEW(4150));
  EXPECT_EQ(ImageList_AddMasked(il, strip, kMagenta), 0);
  EXPECT_EQ(ImageList_Add(il, strip, nullptr), 3) << "indexes go on from the images there";
  EXPECT_EQ(ImageList_GetImageCount(il), 6);
  Canvas c;
  ImageList_Draw(il, 3, c.dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(c.dc, 1, 1), kMagenta) << "without a mask every pixel shows";
  // A mask bitmap: white is transparent, here the right half of every image.
  HDC m = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateCompatibleBitmap(m, 48, 16);
  HGDIOBJ old = SelectObject(m, mask);
  RECT all{0, 0, 48, 16};
  FillRect(m, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
  for (int k = 0; k < 3; ++k) {
    RECT right{k * 16 + 8, 0, k * 16 + 16, 16};
    FillRect(m, &right, (HBRUSH)GetStockObject(WHITE_BRUSH));
  }
  SelectObject(m, old);
  DeleteDC(m);
  EXPECT_EQ(ImageList_Add(il, strip, mask), 6);
  ImageList_Draw(il, 6, c.dc, 20, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(c.dc, 20 + 5, 8), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 20 + 12, 8), RGB(255, 255, 255));
  EXPECT_TRUE(ImageList_Remove(il, 0));
  EXPECT_EQ(ImageList_GetImageCount(il), 8);
  EXPECT_EQ(ImageList_Add(nullptr, strip, nullptr), -1);
  DeleteObject(mask);
  DeleteObject(strip);
  ImageList_Destroy(il);
}

using ScreenTest = ListViewTest;

TEST_F(ScreenTest, SelectedRowIsHighlightedAcrossColumnsWithItsIcon) {
  HWND lv = Make(LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 240, 150, 1002);
  ListView_SetExtendedListViewStyle(lv, LVS_EX_FULLROWSELECT);
  HIMAGELIST il = ImageList_LoadBitmap(nullptr, MAKEINTRESOURCEW(4150), 16, 1, kMagenta);
  EXPECT_EQ(ListView_SetImageList(lv, il, LVSIL_SMALL), nullptr);
  EXPECT_EQ(ListView_GetImageList(lv, LVSIL_SMALL), il);
  AddColumn(lv, 0, u"Datei", 115);
  AddColumn(lv, 1, u"Typ", 45);
  AddColumn(lv, 2, u"Größe", 78, LVCFMT_RIGHT);
  for (int i = 0; i < 4; ++i) {
    AddItem(lv, i, u"Titel.mp3", i, i % 3);
    ListView_SetItemText(lv, i, 1, u"MP3");
  }
  TapCell(lv, 2, 0);
  Pump();
  RECT sel, other, icon;
  ListView_GetSubItemRect(lv, 2, 2, LVIR_BOUNDS, &sel);
  ListView_GetSubItemRect(lv, 1, 2, LVIR_BOUNDS, &other);
  // The empty third cell: highlight on the selected row, white on the other.
  POINT ps{sel.left + 10, (sel.top + sel.bottom) / 2}, po{other.left + 10, (other.top + other.bottom) / 2};
  ClientToScreen(lv, &ps), ClientToScreen(lv, &po);
  EXPECT_EQ(Pixel(ps.x, ps.y), 0x0A246Au);
  EXPECT_EQ(Pixel(po.x, po.y), 0xFFFFFFu);
  // Row 1's icon is image 1, the green one, its masked corner showing the ground.
  ListView_GetItemRect(lv, 1, &icon, LVIR_ICON);
  POINT pi{icon.left, icon.top};
  ClientToScreen(lv, &pi);
  int y0 = pi.y + (icon.bottom - icon.top - 16) / 2;
  EXPECT_EQ(Pixel(pi.x + 1 + 8, y0 + 8), 0x00FF00u);
  EXPECT_EQ(Pixel(pi.x + 1 + 1, y0 + 1), 0xFFFFFFu);
  DestroyWindow(lv);
  EXPECT_EQ(ImageList_GetImageCount(il), 0) << "the control took the list with it";
}

}  // namespace
