// The tab control: items, their rectangles and hit tests, taps and keys that
// the parent may refuse, and tabs that move to the bottom when the style
// changes after creation.
#include <gtest/gtest.h>

#include <vector>

#include "commctrl.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

namespace {

std::vector<UINT> gCodes;
bool gRefuse = false;

LRESULT CALLBACK Parent(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NOTIFY) {
    UINT code = ((NMHDR*)l)->code;
    gCodes.push_back(code);
    if (code == TCN_SELCHANGING) return gRefuse;
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

class TabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = lxtest::ParentWindow(u"LxTabParent", Parent, u"Tabs");
    tab_ = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 240, 200, parent_,
                           (HMENU)77, nullptr, nullptr);
    gCodes.clear();
    gRefuse = false;
  }
  void TearDown() override {
    DestroyWindow(parent_);
    Pump();
  }
  static void Pump() { lxtest::Pump(); }
  int Insert(int at, LPCWSTR text, LPARAM param) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = (LPWSTR)text;
    item.lParam = param;
    return TabCtrl_InsertItem(tab_, at, &item);
  }
  std::u16string Text(int i, LPARAM* param = nullptr) {
    WCHAR buf[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = buf;
    item.cchTextMax = 64;
    if (!TabCtrl_GetItem(tab_, i, &item)) return u"<none>";
    if (param) *param = item.lParam;
    return buf;
  }
  void TapItem(int i) {
    RECT r;
    ASSERT_TRUE(TabCtrl_GetItemRect(tab_, i, &r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tab_, &p);
    LxInputStylus(WM_LBUTTONDOWN, p.x, p.y);
    LxInputStylus(WM_LBUTTONUP, p.x, p.y);
    Pump();
  }
  static DWORD Pixel(int x, int y) {
    static DWORD screen[240 * 320];
    LxScreenshot(screen);
    return screen[y * 240 + x] & 0xFFFFFF;
  }
  HWND parent_ = nullptr, tab_ = nullptr;
};

TEST_F(TabTest, ItemsAreInsertedChangedAndDeletedInPlace) {
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), -1) << "nothing selected while empty";
  EXPECT_EQ(Insert(0, u"Puffer", 30), 0);
  EXPECT_EQ(Insert(0, u"Flags", 10), 0) << "inserting before the first";
  EXPECT_EQ(Insert(99, u"Cache", 40), 2) << "an index past the end appends";
  EXPECT_EQ(Insert(1, u"Tastenbelegung", 20), 1);
  ASSERT_EQ(TabCtrl_GetItemCount(tab_), 4);
  LPARAM param = 0;
  EXPECT_EQ(Text(0, &param), u"Flags");
  EXPECT_EQ(param, 10);
  EXPECT_EQ(Text(1), u"Tastenbelegung");
  EXPECT_EQ(Text(3, &param), u"Cache");
  EXPECT_EQ(param, 40);
  EXPECT_EQ(Text(4), u"<none>");

  EXPECT_EQ(TabCtrl_SetCurSel(tab_, 2), -1) << "the previous selection";
  EXPECT_EQ(TabCtrl_SetCurSel(tab_, 3), 2);
  EXPECT_EQ(TabCtrl_SetCurSel(tab_, 9), -1) << "out of range";
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 3);
  EXPECT_TRUE(gCodes.empty()) << "the program's own selection is not notified";

  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = (LPWSTR)u"Speicher";
  EXPECT_TRUE(TabCtrl_SetItem(tab_, 3, &item));
  EXPECT_EQ(Text(3, &param), u"Speicher");
  EXPECT_EQ(param, 40) << "only the masked fields change";

  EXPECT_TRUE(TabCtrl_DeleteItem(tab_, 0));
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 2) << "the selection follows its item";
  EXPECT_TRUE(TabCtrl_DeleteItem(tab_, 2));
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), -1) << "deleting the selected item leaves none selected";
  EXPECT_FALSE(TabCtrl_DeleteItem(tab_, 5));
  EXPECT_TRUE(TabCtrl_DeleteAllItems(tab_));
  EXPECT_EQ(TabCtrl_GetItemCount(tab_), 0);
}

TEST_F(TabTest, HitTestsAndTabsMovedToTheBottomAfterCreation) {
  for (LPCWSTR t : {u"Flags", u"Tastenbelegung", u"Puffer", u"Cache"}) Insert(99, t, 0);
  TabCtrl_SetCurSel(tab_, 0);
  RECT first, second;
  ASSERT_TRUE(TabCtrl_GetItemRect(tab_, 0, &first));
  ASSERT_TRUE(TabCtrl_GetItemRect(tab_, 1, &second));
  EXPECT_EQ(first.top, 0) << "tabs along the top by default";
  EXPECT_EQ(second.left, first.right) << "side by side";
  EXPECT_GT(second.right - second.left, first.right - first.left) << "a longer name, a wider tab";

  TCHITTESTINFO hit{{(second.left + second.right) / 2, (second.top + second.bottom) / 2}, 0};
  EXPECT_EQ(TabCtrl_HitTest(tab_, &hit), 1);
  EXPECT_EQ(hit.flags & TCHT_ONITEM, (UINT)TCHT_ONITEMLABEL);
  hit.pt = {5, 150};
  EXPECT_EQ(TabCtrl_HitTest(tab_, &hit), -1) << "the page area holds no tab";
  EXPECT_EQ(hit.flags, (UINT)TCHT_NOWHERE);

  RECT area{0, 0, 240, 200};
  TabCtrl_AdjustRect(tab_, FALSE, &area);
  EXPECT_EQ(area.top, first.bottom) << "the page area starts below the tabs";
  EXPECT_EQ(area.bottom, 200);

  // The style set from outside, as a program's sheet callback does.
  SetWindowLongW(tab_, GWL_STYLE, GetWindowLongW(tab_, GWL_STYLE) | TCS_BOTTOM);
  Pump();
  RECT moved;
  ASSERT_TRUE(TabCtrl_GetItemRect(tab_, 0, &moved));
  EXPECT_EQ(moved.bottom, 200) << "the tabs sit at the bottom now";
  EXPECT_EQ(moved.left, first.left);
  area = {0, 0, 240, 200};
  TabCtrl_AdjustRect(tab_, FALSE, &area);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.bottom, moved.top) << "the page area ends above them";
  RECT back = area;
  TabCtrl_AdjustRect(tab_, TRUE, &back);
  EXPECT_EQ(back.bottom, 200) << "and the reverse gives the control's rectangle";
  hit.pt = {(moved.left + moved.right) / 2, (moved.top + moved.bottom) / 2};
  EXPECT_EQ(TabCtrl_HitTest(tab_, &hit), 0);

  // On the screen: the line over the row at the bottom, white where the tabs used to be.
  UpdateWindow(parent_);
  POINT line{(second.left + second.right) / 2, moved.top};
  ClientToScreen(tab_, &line);
  EXPECT_EQ(Pixel(line.x, line.y), 0u) << "the line between the page area and the tabs";
  EXPECT_EQ(Pixel(line.x, line.y + 6), 0xD4D0C8u) << "a tab that is not selected is grey";
  POINT sel{first.left + 3, moved.top};
  ClientToScreen(tab_, &sel);
  EXPECT_EQ(Pixel(sel.x, sel.y), 0xFFFFFFu) << "the selected tab is open towards the page";
  POINT old{(second.left + second.right) / 2, first.top + 2};
  ClientToScreen(tab_, &old);
  EXPECT_EQ(Pixel(old.x, old.y), 0xFFFFFFu) << "nothing left at the top";
}

TEST_F(TabTest, TapsAndKeysAskTheParentFirst) {
  for (LPCWSTR t : {u"Flags", u"Puffer", u"Cache"}) Insert(99, t, 0);
  TabCtrl_SetCurSel(tab_, 0);
  TapItem(1);
  ASSERT_EQ(gCodes.size(), 2u);
  EXPECT_EQ(gCodes[0], (UINT)TCN_SELCHANGING);
  EXPECT_EQ(gCodes[1], (UINT)TCN_SELCHANGE);
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 1);
  EXPECT_EQ(GetFocus(), tab_) << "a tap takes the focus";

  gCodes.clear();
  TapItem(1);
  EXPECT_TRUE(gCodes.empty()) << "the selected tab again changes nothing";

  gRefuse = true;
  TapItem(2);
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 1) << "the parent refused";
  ASSERT_EQ(gCodes.size(), 1u);
  EXPECT_EQ(gCodes[0], (UINT)TCN_SELCHANGING);

  gRefuse = false;
  gCodes.clear();
  SendMessageW(tab_, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 2);
  SendMessageW(tab_, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 2) << "no wrapping past the last";
  SendMessageW(tab_, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(TabCtrl_GetCurSel(tab_), 1);
  EXPECT_EQ(std::count(gCodes.begin(), gCodes.end(), (UINT)TCN_SELCHANGE), 2);
  EXPECT_EQ(std::count(gCodes.begin(), gCodes.end(), (UINT)TCN_KEYDOWN), 3);
  EXPECT_EQ(SendMessageW(tab_, WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST_F(TabTest, TooManyTabsShareTheWidth) {
  for (int i = 0; i < 12; ++i) Insert(99, u"Tastenbelegung", i);
  RECT last;
  ASSERT_TRUE(TabCtrl_GetItemRect(tab_, 11, &last));
  EXPECT_EQ(last.right, 240) << "every tab stays on the control";
  RECT first;
  TabCtrl_GetItemRect(tab_, 0, &first);
  EXPECT_GT(first.right - first.left, 0);
}

}  // namespace
