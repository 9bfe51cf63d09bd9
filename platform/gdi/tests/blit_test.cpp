// Memory DCs, bitmaps, fills, blits with clipping, lines and shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "lxuser.h"
#include "windows.h"

namespace {

struct Canvas {
  HDC dc;
  HBITMAP bmp, old;
  Canvas(int w, int h, COLORREF fill) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old = (HBITMAP)SelectObject(dc, bmp);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

}  // namespace

TEST(Blit, CopiesBetweenMemoryDCsAndStopsAtBothEdges) {
  Canvas src(20, 20, kRed), dst(30, 30, kBlue);
  // Source partly outside its bitmap, destination partly outside its own.
  ASSERT_TRUE(BitBlt(dst.dc, 20, 20, 20, 20, src.dc, 5, 5, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 19, 19), kBlue);
  EXPECT_EQ(GetPixel(dst.dc, 20, 20), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 29, 29), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 30, 30), CLR_INVALID) << "outside the bitmap";
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 10, 10, src.dc, 15, 15, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 4, 4), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 5, 5), kBlue) << "nothing copied from beyond the source";
}

TEST(Blit, OverlappingMoveWithinOneBitmap) {
  Canvas c(10, 1, kWhite);
  for (int x = 0; x < 10; ++x) SetPixel(c.dc, x, 0, RGB(x, 0, 0));
  BitBlt(c.dc, 2, 0, 8, 1, c.dc, 0, 0, SRCCOPY);
  for (int x = 2; x < 10; ++x) EXPECT_EQ(GetPixel(c.dc, x, 0), RGB(x - 2, 0, 0));
}

TEST(Blit, ClipsToTheWindowPaintArea) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"LxTestBlitWin";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, u"LxTestBlitWin", u"", WS_VISIBLE, 0, 26, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"LxTestBlitWin", u"", WS_CHILD | WS_VISIBLE, 50, 50, 20, 20, h, nullptr, nullptr,
                               nullptr);
  HDC dc = GetDC(h);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION) << "the child is cut out of its parent";
  EXPECT_EQ(box.right, 100);
  Canvas src(100, 100, kRed);
  BitBlt(dc, 0, 0, 100, 100, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(dc, 10, 10), kRed);
  EXPECT_EQ(GetPixel(dc, 55, 55), CLR_INVALID) << "the child's area is not the parent's";
  ReleaseDC(h, dc);
  DestroyWindow(h);
  EXPECT_FALSE(IsWindow(child));
}

TEST(Objects, SelectReturnsThePreviousAndBitmapsSitInOneDC) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(a, 8, 4);
  HGDIOBJ first = SelectObject(a, bmp);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(SelectObject(b, bmp), nullptr) << "already selected elsewhere";
  EXPECT_FALSE(DeleteObject(bmp)) << "selected bitmaps stay";
  BITMAP bm;
  ASSERT_EQ(GetObjectW(bmp, sizeof bm, &bm), (int)sizeof bm);
  EXPECT_EQ(bm.bmWidth, 8);
  EXPECT_EQ(bm.bmHeight, 4);
  EXPECT_EQ(SelectObject(a, first), bmp);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_FALSE(DeleteObject(bmp));
  EXPECT_EQ(SelectObject(a, (HGDIOBJ)0x1234), nullptr);
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH))) << "stock objects shrug it off";
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), (DWORD)OBJ_BRUSH);
  DeleteDC(a);
  DeleteDC(b);
}

TEST(Shapes, LinesLeaveOutTheEndAndRectanglesFillInside) {
  Canvas c(20, 20, kWhite);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ oldPen = SelectObject(c.dc, pen);
  MoveToEx(c.dc, 0, 5, nullptr);
  LineTo(c.dc, 10, 5);
  EXPECT_EQ(GetPixel(c.dc, 0, 5), kRed);
  EXPECT_EQ(GetPixel(c.dc, 9, 5), kRed);
  EXPECT_EQ(GetPixel(c.dc, 10, 5), kWhite);
  HBRUSH brush = CreateSolidBrush(kBlue);
  HGDIOBJ oldBrush = SelectObject(c.dc, brush);
  Rectangle(c.dc, 10, 10, 15, 15);
  EXPECT_EQ(GetPixel(c.dc, 10, 10), kRed);
  EXPECT_EQ(GetPixel(c.dc, 12, 12), kBlue);
  EXPECT_EQ(GetPixel(c.dc, 14, 14), kRed);
  EXPECT_EQ(GetPixel(c.dc, 15, 15), kWhite);
  POINT tri[3] = {{0, 19}, {8, 11}, {16, 19}};
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  Polygon(c.dc, tri, 3);
  EXPECT_EQ(GetPixel(c.dc, 8, 17), kBlue);
  EXPECT_EQ(GetPixel(c.dc, 1, 12), kWhite);
  SelectObject(c.dc, oldPen);
  SelectObject(c.dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(Device, CapsAndThePowerEscape) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 240);
  DWORD which = SETPOWERMANAGEMENT;
  EXPECT_GT(ExtEscape(screen, QUERYESCSUPPORT, 4, (LPCSTR)&which, 0, nullptr), 0);
  which = 9999;
  EXPECT_EQ(ExtEscape(screen, QUERYESCSUPPORT, 4, (LPCSTR)&which, 0, nullptr), 0);
  VIDEO_POWER_MANAGEMENT off{sizeof off, 1, VideoPowerOff}, on{sizeof on, 1, VideoPowerOn};
  EXPECT_GT(ExtEscape(screen, SETPOWERMANAGEMENT, sizeof off, (LPCSTR)&off, 0, nullptr), 0);
  std::vector<DWORD> px(240 * 320);
  LxScreenshot(px.data());
  EXPECT_EQ(std::count(px.begin(), px.end(), 0u), (long)px.size()) << "a blanked display shows black";
  EXPECT_GT(ExtEscape(screen, SETPOWERMANAGEMENT, sizeof on, (LPCSTR)&on, 0, nullptr), 0);
  LxScreenshot(px.data());
  EXPECT_NE(std::count(px.begin(), px.end(), 0u), (long)px.size());
  VIDEO_POWER_MANAGEMENT bad{4, 1, VideoPowerOff};
  EXPECT_LT(ExtEscape(screen, SETPOWERMANAGEMENT, sizeof bad, (LPCSTR)&bad, 0, nullptr), 0);
  ReleaseDC(nullptr, screen);
}
