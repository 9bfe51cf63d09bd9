// List boxes and drop-down combo boxes: contents, selection, notifications,
// scrolling, and the dropped list picked by taps; separator statics.
#include "ctltest.h"

namespace {

using ListBoxTest = ControlTest;

TEST_F(ListBoxTest, ContentsSortingDataAndSearch) {
  HWND sorted = Make(u"LISTBOX", LBS_SORT | LBS_NOTIFY | WS_BORDER, 10, 10, 100, 80, 5);
  for (LPCWSTR s : {u"Pop", u"jazz", u"Blues", u"rock"}) SendMessageW(sorted, LB_ADDSTRING, 0, (LPARAM)s);
  WCHAR buf[32];
  SendMessageW(sorted, LB_GETTEXT, 0, (LPARAM)buf);
  EXPECT_EQ(std::u16string((const char16_t*)buf), u"Blues") << "sorted without regard to case";
  SendMessageW(sorted, LB_GETTEXT, 3, (LPARAM)buf);
  EXPECT_EQ(std::u16string((const char16_t*)buf), u"rock");
  EXPECT_EQ(SendMessageW(sorted, LB_FINDSTRING, -1, (LPARAM)u"JA"), 1) << "prefix, any case";
  EXPECT_EQ(SendMessageW(sorted, LB_FINDSTRINGEXACT, -1, (LPARAM)u"ja"), LB_ERR);
  EXPECT_EQ(SendMessageW(sorted, LB_GETTEXTLEN, 9, 0), LB_ERR);
  SendMessageW(sorted, LB_SETITEMDATA, 2, 0x1234);
  SendMessageW(sorted, LB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessageW(sorted, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessageW(sorted, LB_GETITEMDATA, 2, 0), 0x1234);
  EXPECT_EQ(CountCommand(5, LBN_SELCHANGE), 0) << "the program's own changes are not reported";
  SendMessageW(sorted, LB_DELETESTRING, 0, 0);
  EXPECT_EQ(SendMessageW(sorted, LB_GETCURSEL, 0, 0), 1) << "the selection follows its item";
  EXPECT_EQ(SendMessageW(sorted, LB_GETITEMDATA, 1, 0), 0x1234);
  SendMessageW(sorted, LB_DELETESTRING, 1, 0);
  EXPECT_EQ(SendMessageW(sorted, LB_GETCURSEL, 0, 0), LB_ERR) << "deleting the selected item clears the selection";
  EXPECT_EQ(SendMessageW(sorted, LB_DELETESTRING, 7, 0), LB_ERR);
  SendMessageW(sorted, LB_INSERTSTRING, 0, (LPARAM)u"zz first");
  SendMessageW(sorted, LB_GETTEXT, 0, (LPARAM)buf);
  EXPECT_EQ(std::u16string((const char16_t*)buf), u"zz first") << "inserting puts it where asked";
  SendMessageW(sorted, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(sorted, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ListBoxTest, TapsSelectAndDoubleTapsOpenWithNotifications) {
  HWND list = Make(u"LISTBOX", LBS_NOTIFY | WS_BORDER | WS_VSCROLL, 10, 10, 120, 60, 6);
  for (int i = 0; i < 20; ++i) {
    WCHAR s[] = u"Item 00";
    s[5] = (WCHAR)(u'0' + i / 10), s[6] = (WCHAR)(u'0' + i % 10);
    SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)s);
  }
  RECT item;
  SendMessageW(list, LB_GETITEMRECT, 1, (LPARAM)&item);
  POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(list, &p);
  Tap(p.x, p.y);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(CountCommand(6, LBN_SELCHANGE), 1);
  Tap(p.x, p.y, true);
  EXPECT_EQ(CountCommand(6, LBN_DBLCLK), 1);
  EXPECT_EQ(CountCommand(6, LBN_SELCHANGE), 1) << "tapping the selected item changes nothing";

  // Keys move the selection and scroll it into view.
  SetFocus(list);
  for (int i = 0; i < 10; ++i) SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 11);
  LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  EXPECT_GT(top, 0);
  EXPECT_LE(top, 11);
  SendMessageW(list, WM_VSCROLL, SB_BOTTOM, 0);
  LRESULT bottom = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  EXPECT_LT(bottom, 20) << "the last page stays full";
  // A tap on the scroll bar's top arrow scrolls one line.
  RECT c;
  GetWindowRect(list, &c);
  Tap(c.right - 5, c.top + 5);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), bottom - 1);
}

using ComboTest = ControlTest;

TEST_F(ComboTest, DropDownListPicksByTapAndKeys) {
  HWND combo = Make(u"COMBOBOX", CBS_DROPDOWNLIST | WS_TABSTOP, 10, 10, 120, 100, 8);
  RECT r;
  GetWindowRect(combo, &r);
  EXPECT_LT(r.bottom - r.top, 30) << "the field is one row; the list drops below it";
  for (LPCWSTR s : {u"Normal", u"Repeat", u"Shuffle"}) SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)s);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  WCHAR buf[32];
  GetWindowTextW(combo, buf, 32);
  EXPECT_EQ(std::u16string((const char16_t*)buf), u"Normal");

  Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(CountCommand(8, CBN_DROPDOWN), 1);
  // The list below the field: the third row.
  int rowHeight = 0;
  {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    DeleteDC(dc);
    rowHeight = tm.tmHeight + 2;
  }
  EXPECT_EQ(Pixel(r.left, r.bottom + 1), 0u) << "the dropped list has a frame";
  Tap(r.left + 20, r.bottom + 1 + rowHeight * 2 + rowHeight / 2);
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(CountCommand(8, CBN_SELCHANGE), 1);
  EXPECT_EQ(CountCommand(8, CBN_SELENDOK), 1);

  // A tap outside closes the list and keeps the choice.
  Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  Tap(220, 280);
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(CountCommand(8, CBN_SELENDCANCEL), 1);

  SendMessageW(combo, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(CountCommand(8, CBN_SELCHANGE), 2);
  SendMessageW(combo, CB_SETITEMDATA, 1, 77);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 1, 0), 77);
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, 1, 0), 6);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 5, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
}

}  // namespace

using StaticTest = ControlTest;

// Separators: a filled black or grey rectangle, an etched line of shadow
// over highlight.
TEST_F(StaticTest, RectanglesAndEtchedLineDraw) {
  Make(u"STATIC", SS_BLACKRECT, 10, 10, 50, 4, 1);
  Make(u"STATIC", SS_GRAYRECT, 10, 20, 50, 4, 2);
  Make(u"STATIC", SS_ETCHEDHORZ, 10, 30, 50, 2, 3);
  UpdateWindow(parent_);
  Pump();
  std::vector<DWORD> px(240 * 320);
  LxScreenshot(px.data());
  auto at = [&](int x, int y) { return px[(size_t)(26 + y) * 240 + x]; };
  auto rgb = [](int index) {
    COLORREF c = GetSysColor(index);
    return (DWORD)((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  };
  EXPECT_EQ(at(30, 11), rgb(COLOR_WINDOWTEXT));
  EXPECT_EQ(at(30, 21), rgb(COLOR_BTNSHADOW));
  EXPECT_EQ(at(30, 30), rgb(COLOR_BTNSHADOW));
  EXPECT_EQ(at(30, 31), rgb(COLOR_BTNHIGHLIGHT));
}
