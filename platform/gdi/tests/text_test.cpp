// Text measurement and drawing through the stand-in system font.
#include <gtest/gtest.h>

#include <algorithm>

#include "windows.h"

namespace {

HFONT Font(int height, int weight = FW_NORMAL) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  return CreateFontIndirectW(&lf);
}

}  // namespace

TEST(Text, MeasurementIsStableAndFollowsTheFont) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT small = Font(-11), big = Font(-20), bold = Font(-11, FW_BOLD);
  HGDIOBJ old = SelectObject(dc, small);
  SIZE a, b;
  ASSERT_TRUE(GetTextExtentPoint32W(dc, u"Lumtrax 1:23", 12, &a));
  ASSERT_TRUE(GetTextExtentPoint32W(dc, u"Lumtrax 1:23", 12, &b));
  EXPECT_EQ(a.cx, b.cx);
  EXPECT_GT(a.cx, 40);
  EXPECT_GE(a.cy, 11);
  SIZE parts1, parts2;
  GetTextExtentPoint32W(dc, u"Lumtrax", 7, &parts1);
  GetTextExtentPoint32W(dc, u" 1:23", 5, &parts2);
  EXPECT_EQ(parts1.cx + parts2.cx, a.cx) << "widths add up";
  SelectObject(dc, big);
  GetTextExtentPoint32W(dc, u"Lumtrax 1:23", 12, &b);
  EXPECT_GT(b.cx, a.cx);
  EXPECT_GT(b.cy, a.cy);
  SelectObject(dc, bold);
  GetTextExtentPoint32W(dc, u"Lumtrax 1:23", 12, &b);
  EXPECT_GT(b.cx, a.cx);
  SelectObject(dc, small);
  SIZE empty;
  GetTextExtentPoint32W(dc, u"", 0, &empty);
  EXPECT_EQ(empty.cx, 0);
  EXPECT_EQ(empty.cy, a.cy);
  RECT r{0, 0, 200, 0};
  int h = DrawTextW(dc, u"Lumtrax 1:23", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(h, a.cy);
  EXPECT_EQ(r.right, a.cx);
  SelectObject(dc, old);
  DeleteObject(small);
  DeleteObject(big);
  DeleteObject(bold);
  DeleteDC(dc);
}

TEST(Text, StockFontIsTheDeviceDefault) {
  LOGFONTW lf;
  ASSERT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf), (int)sizeof lf);
  EXPECT_EQ(lf.lfHeight, -11);
}

TEST(Text, DrawTextPlacesAndClipsTheText) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 100, 20);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  RECT all{0, 0, 100, 20};
  FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT right{0, 0, 100, 20};
  DrawTextW(dc, u"88", -1, &right, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  int inkLeft = 100, inkRight = -1;
  for (int x = 0; x < 100; ++x)
    for (int y = 0; y < 20; ++y)
      if (GetPixel(dc, x, y) != RGB(255, 255, 255)) {
        inkLeft = std::min(inkLeft, x);
        inkRight = std::max(inkRight, x);
      }
  EXPECT_GT(inkLeft, 70) << "right-aligned";
  EXPECT_LE(inkRight, 99);
  FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  RECT narrow{0, 0, 10, 20};
  DrawTextW(dc, u"WWWWWW", -1, &narrow, DT_LEFT | DT_SINGLELINE);
  for (int x = 10; x < 100; ++x)
    for (int y = 0; y < 20; ++y) ASSERT_EQ(GetPixel(dc, x, y), RGB(255, 255, 255)) << "clipped to its rectangle";
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 255, 0));
  DrawTextW(dc, u"&Ok", -1, &all, DT_LEFT | DT_SINGLELINE);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 255, 0)) << "opaque background behind the text";
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}

TEST(Text, CharactersTheFontLacksStillShow) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 60, 30);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  HFONT font = Font(-20);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT all{0, 0, 60, 30};
  // Cyrillic, Greek, a CJK ideograph and a code point no font has.
  for (const char16_t* text : {u"Ж", u"Ω", u"夜", u"\U0010FFFD"}) {
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    int n = std::char_traits<char16_t>::length(text);
    ExtTextOutW(dc, 2, 2, 0, nullptr, text, n, nullptr);
    SIZE size;
    GetTextExtentPoint32W(dc, text, n, &size);
    EXPECT_GT(size.cx, 4) << "takes room";
    int ink = 0;
    for (int x = 0; x < 60; ++x)
      for (int y = 0; y < 30; ++y) ink += GetPixel(dc, x, y) != RGB(255, 255, 255);
    EXPECT_GT(ink, 10) << "is drawn";
  }
  // The box is hollow: its middle stays paper.
  SIZE box;
  GetTextExtentPoint32W(dc, u"\U0010FFFD", 2, &box);
  FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  ExtTextOutW(dc, 0, 0, 0, nullptr, u"\U0010FFFD", 2, nullptr);
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  EXPECT_EQ(GetPixel(dc, box.cx / 2, tm.tmAscent - 7), RGB(255, 255, 255));
  EXPECT_NE(GetPixel(dc, 1, tm.tmAscent - 7), RGB(255, 255, 255));
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}
