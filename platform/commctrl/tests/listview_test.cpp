// The list view in report view: items and sub-items, selection and its
// notifications by stylus and keys, header clicks, sorting, owner-drawn
// rows, scrolling and what reaches the screen.
#include "lvtest.h"
#include "lxresource.h"

#include <algorithm>
#include <string>
#include <tuple>

namespace {

constexpr int kArrowBox = 11;  // the scroll bar's arrow boxes, as tall as the bar is wide

std::u16string TextAt(HWND lv, int item, int sub) {
  WCHAR buf[64] = {};
  ListView_GetItemText(lv, item, sub, buf, 64);
  return std::u16string((const char16_t*)buf);
}

TEST_F(ListViewTest, ItemsSubItemsTextAndData) {
  HWND lv = Make(LVS_SINGLESEL, 0, 0, 240, 200, 1002);
  ASSERT_NE(lv, nullptr) << "the class is there without InitCommonControls";
  AddColumn(lv, 0, u"Datei", 115);
  AddColumn(lv, 1, u"Typ", 45);
  AddColumn(lv, 2, u"Größe", 78, LVCFMT_RIGHT);
  EXPECT_EQ(ListView_GetColumnWidth(lv, 2), 78);
  ListView_SetColumnWidth(lv, 1, 50);
  EXPECT_EQ(ListView_GetColumnWidth(lv, 1), 50);
  LVCOLUMNW col{};
  WCHAR name[16];
  col.mask = LVCF_FMT | LVCF_TEXT, col.pszText = name, col.cchTextMax = 16;
  ASSERT_TRUE(ListView_GetColumn(lv, 2, &col));
  EXPECT_EQ(col.fmt, LVCFMT_RIGHT);
  EXPECT_EQ(std::u16string((const char16_t*)name), u"Größe");

  EXPECT_EQ(AddItem(lv, 0, u"b.mp3", 0xB), 0);
  EXPECT_EQ(AddItem(lv, 0, u"a.mp3", 0xA), 0) << "inserted where asked";
  EXPECT_EQ(AddItem(lv, 99, u"c.mp3", 0xC), 2) << "past the end appends";
  EXPECT_EQ(Only(LVN_INSERTITEM).size(), 3u);
  ListView_SetItemText(lv, 1, 1, u"MP3");
  ListView_SetItemText(lv, 1, 2, u"4812kb");
  EXPECT_EQ(TextAt(lv, 1, 0), u"b.mp3");
  EXPECT_EQ(TextAt(lv, 1, 2), u"4812kb");
  EXPECT_EQ(TextAt(lv, 0, 2), u"") << "unset sub-items are empty";
  WCHAR small[4];
  ListView_GetItemText(lv, 1, 2, small, 4);
  EXPECT_EQ(std::u16string((const char16_t*)small), u"481") << "cut to the buffer, terminated";

  LVITEMW it{};
  it.mask = LVIF_PARAM | LVIF_IMAGE | LVIF_TEXT, it.iItem = 2, it.pszText = name, it.cchTextMax = 16;
  ASSERT_TRUE(ListView_GetItem(lv, &it));
  EXPECT_EQ(it.lParam, 0xC);
  EXPECT_EQ(std::u16string((const char16_t*)name), u"c.mp3");
  LVFINDINFOW find{LVFI_PARAM, nullptr, 0xB, {0, 0}, 0};
  EXPECT_EQ(ListView_FindItem(lv, -1, &find), 1);
  find.lParam = 0x99;
  EXPECT_EQ(ListView_FindItem(lv, -1, &find), -1);
  LVFINDINFOW byName{LVFI_STRING, u"C.MP3", 0, {0, 0}, 0};
  EXPECT_EQ(ListView_FindItem(lv, -1, &byName), 2);
  it = {};
  it.mask = LVIF_PARAM, it.iItem = 7;
  EXPECT_FALSE(ListView_GetItem(lv, &it)) << "no such item";

  // Deleting tells the parent with the item's data, so it can free it.
  gHeard.clear();
  EXPECT_TRUE(ListView_DeleteItem(lv, 0));
  ASSERT_EQ(Only(LVN_DELETEITEM).size(), 1u);
  EXPECT_EQ(Only(LVN_DELETEITEM)[0].nm.lParam, 0xA);
  EXPECT_EQ(ListView_GetItemCount(lv), 2);
  EXPECT_FALSE(ListView_DeleteItem(lv, 5));
  gHeard.clear();
  EXPECT_TRUE(ListView_DeleteAllItems(lv));
  ASSERT_EQ(gHeard.size(), 3u);
  EXPECT_EQ(gHeard[0].code, LVN_DELETEALLITEMS);
  EXPECT_EQ(gHeard[1].nm.lParam, 0xB);
  EXPECT_EQ(gHeard[2].nm.lParam, 0xC);
  EXPECT_EQ(ListView_GetItemCount(lv), 0);

  // Destroying the control frees what is left the same way.
  AddItem(lv, 0, u"x", 0x77);
  gHeard.clear();
  DestroyWindow(lv);
  ASSERT_EQ(Only(LVN_DELETEITEM).size(), 1u);
  EXPECT_EQ(Only(LVN_DELETEITEM)[0].nm.lParam, 0x77);
  EXPECT_TRUE(ListView_DeleteColumn(Make(0, 0, 0, 100, 100, 5), 0) == FALSE) << "no columns to delete";
}

class SelectionTest : public ListViewTest {
 protected:
  HWND MakeList(bool fullRow) {
    HWND lv = Make(LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 240, 120, 1002);
    if (fullRow) ListView_SetExtendedListViewStyle(lv, LVS_EX_FULLROWSELECT);
    AddColumn(lv, 0, u"Taste", 75);
    AddColumn(lv, 1, u"Aktion", 150);
    for (int i = 0; i < 20; ++i) {
      WCHAR s[] = u"Taste 00";
      s[6] = (WCHAR)(u'0' + i / 10), s[7] = (WCHAR)(u'0' + i % 10);
      AddItem(lv, i, s, 100 + i);
      ListView_SetItemText(lv, i, 1, u"Wiedergabe");
    }
    gHeard.clear();
    return lv;
  }
  // The item changes heard, as (item, old state, new state).
  static std::vector<std::tuple<int, UINT, UINT>> Changes() {
    std::vector<std::tuple<int, UINT, UINT>> out;
    for (auto& e : Only(LVN_ITEMCHANGED)) {
      EXPECT_EQ(e.nm.uChanged, (UINT)LVIF_STATE);
      out.emplace_back(e.nm.iItem, e.nm.uOldState, e.nm.uNewState);
    }
    return out;
  }
};

constexpr UINT kSelFocus = LVIS_SELECTED | LVIS_FOCUSED;

TEST_F(SelectionTest, TapsMoveTheSelectionAndTellTheParentInOrder) {
  HWND lv = MakeList(true);
  TapCell(lv, 1, 1);  // full-row select: the second column holds the item too
  using C = std::tuple<int, UINT, UINT>;
  EXPECT_EQ(Changes(), (std::vector<C>{{1, 0, kSelFocus}}));
  EXPECT_EQ(Only(LVN_ITEMCHANGING).size(), 1u);
  ASSERT_EQ(Only(NM_CLICK).size(), 1u);
  EXPECT_EQ(Only(NM_CLICK)[0].nm.iItem, 1);
  EXPECT_EQ(Only(NM_CLICK)[0].nm.iSubItem, 1);
  EXPECT_EQ(Only(NM_CLICK)[0].nm.hdr.idFrom, 1002u);
  size_t changed = 0, click = 0;
  for (size_t k = 0; k < gHeard.size(); ++k) {
    if (gHeard[k].code == LVN_ITEMCHANGED) changed = k;
    if (gHeard[k].code == NM_CLICK) click = k;
  }
  EXPECT_LT(changed, click) << "the row is selected before the click is told";
  EXPECT_EQ(GetFocus(), lv);

  gHeard.clear();
  TapCell(lv, 3, 0);
  EXPECT_EQ(Changes(), (std::vector<C>{{1, kSelFocus, 0}, {3, 0, kSelFocus}}));
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 3);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_FOCUSED), 3);
  EXPECT_EQ(ListView_GetSelectedCount(lv), 1u);

  gHeard.clear();
  TapCell(lv, 3, 0, true);
  EXPECT_TRUE(Changes().empty()) << "tapping the selected row changes nothing";
  ASSERT_EQ(Only(NM_DBLCLK).size(), 1u);
  EXPECT_EQ(Only(NM_DBLCLK)[0].nm.iItem, 3);
  EXPECT_EQ(Only(NM_DBLCLK)[0].nm.lParam, 103);

  // The parent may refuse a change.
  gVetoItem = 5;
  gHeard.clear();
  TapCell(lv, 5, 0);
  EXPECT_EQ(ListView_GetItemState(lv, 5, LVIS_SELECTED), 0u);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), -1) << "the old row let go before the refusal";
  gVetoItem = -1;

  // A tap below the last row selects nothing and says so.
  HWND few = Make(LVS_SINGLESEL, 0, 130, 240, 100, 7);
  AddColumn(few, 0, u"A", 100);
  AddItem(few, 0, u"eins", 1);
  ListView_SetItemState(few, 0, kSelFocus, kSelFocus);
  gHeard.clear();
  RECT r;
  GetWindowRect(few, &r);
  Tap(r.left + 20, r.bottom - 10);
  EXPECT_EQ(Changes(), (std::vector<C>{{0, kSelFocus, LVIS_FOCUSED}})) << "the focus stays";
  ASSERT_EQ(Only(NM_CLICK).size(), 1u);
  EXPECT_EQ(Only(NM_CLICK)[0].nm.iItem, -1);
}

TEST_F(SelectionTest, WithoutFullRowSelectOnlyTheFirstColumnHoldsTheItem) {
  HWND lv = MakeList(false);
  TapCell(lv, 2, 1);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), -1);
  TapCell(lv, 2, 0);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 2);
  LVHITTESTINFO hit{};
  RECT label;
  ListView_GetItemRect(lv, 4, &label, LVIR_LABEL);
  hit.pt = {label.left + 2, label.top + 2};
  EXPECT_EQ(ListView_HitTest(lv, &hit), 4);
  EXPECT_TRUE(hit.flags & LVHT_ONITEMLABEL);
}

TEST_F(SelectionTest, KeysMoveTheSelectionAndKeepItInView) {
  HWND lv = MakeList(true);
  SetFocus(lv);
  SendMessageW(lv, WM_KEYDOWN, VK_DOWN, 0);
  using C = std::tuple<int, UINT, UINT>;
  EXPECT_EQ(Changes(), (std::vector<C>{{0, 0, kSelFocus}})) << "the first key picks the first row";
  gHeard.clear();
  SendMessageW(lv, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(Changes(), (std::vector<C>{{0, kSelFocus, 0}, {1, 0, kSelFocus}}));
  EXPECT_EQ(Only(LVN_KEYDOWN).size(), 1u);

  SendMessageW(lv, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 19);
  int page = ListView_GetCountPerPage(lv);
  EXPECT_GT(page, 3);
  EXPECT_EQ(ListView_GetTopIndex(lv), 20 - page) << "the last row is in view";
  SendMessageW(lv, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 0);
  EXPECT_EQ(ListView_GetTopIndex(lv), 0);
  SendMessageW(lv, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 0) << "stays at the top";
  gHeard.clear();
  SendMessageW(lv, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(Only(NM_RETURN).size(), 1u);

  // The program's own selection in a single-selection list takes it from the other row.
  gHeard.clear();
  ListView_SetItemState(lv, 6, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Changes(), (std::vector<C>{{0, kSelFocus, LVIS_FOCUSED}, {6, 0, LVIS_SELECTED}}));
  ListView_SetItemState(lv, -1, 0, LVIS_SELECTED);
  EXPECT_EQ(ListView_GetSelectedCount(lv), 0u);
}

TEST_F(ListViewTest, HeaderTapsReportTheColumnUnlessTheHeaderIsPlain) {
  HWND sortable = Make(LVS_SINGLESEL, 0, 0, 240, 100, 1002);
  HWND plain = Make(LVS_SINGLESEL | LVS_NOSORTHEADER, 0, 110, 240, 100, 1000);
  for (HWND lv : {sortable, plain}) {
    AddColumn(lv, 0, u"Datei", 115);
    AddColumn(lv, 1, u"Typ", 45);
    AddItem(lv, 0, u"a", 1);
  }
  gHeard.clear();
  RECT r;
  GetWindowRect(sortable, &r);
  Tap(r.left + 130, r.top + 5);
  ASSERT_EQ(Only(LVN_COLUMNCLICK).size(), 1u);
  EXPECT_EQ(Only(LVN_COLUMNCLICK)[0].nm.iSubItem, 1);
  EXPECT_EQ(Only(LVN_COLUMNCLICK)[0].nm.iItem, -1);
  EXPECT_EQ(Only(NM_CLICK).size(), 0u) << "the header is not a row";
  gHeard.clear();
  LxInputStylus(WM_LBUTTONDOWN, r.left + 130, r.top + 5);
  LxInputStylus(WM_MOUSEMOVE, r.left + 30, r.top + 5);
  LxInputStylus(WM_LBUTTONUP, r.left + 30, r.top + 5);
  Pump();
  EXPECT_EQ(Only(LVN_COLUMNCLICK).size(), 0u) << "lifted over another column: no click";
  GetWindowRect(plain, &r);
  gHeard.clear();
  Tap(r.left + 130, r.top + 5);
  EXPECT_EQ(Only(LVN_COLUMNCLICK).size(), 0u);
  EXPECT_EQ(ListView_GetNextItem(plain, -1, LVNI_SELECTED), -1);
}

int CALLBACK ByData(LPARAM a, LPARAM b, LPARAM direction) { return (int)((a / 10 - b / 10) * direction); }

TEST_F(ListViewTest, SortItemsOrdersByTheCallersComparisonAndKeepsTies) {
  HWND lv = Make(LVS_SINGLESEL, 0, 0, 240, 200, 1002);
  AddColumn(lv, 0, u"Datei", 115);
  // Tens are the key; units tell equal keys apart.
  const LPARAM data[] = {31, 10, 22, 11, 30, 12};
  for (int i = 0; i < 6; ++i) AddItem(lv, i, u"x", data[i]);
  ListView_SetItemState(lv, 2, LVIS_SELECTED, LVIS_SELECTED);
  auto order = [&] {
    std::vector<LPARAM> out;
    for (int i = 0; i < ListView_GetItemCount(lv); ++i) {
      LVITEMW it{};
      it.mask = LVIF_PARAM, it.iItem = i;
      ListView_GetItem(lv, &it);
      out.push_back(it.lParam);
    }
    return out;
  };
  EXPECT_TRUE(ListView_SortItems(lv, ByData, 1));
  EXPECT_EQ(order(), (std::vector<LPARAM>{10, 11, 12, 22, 31, 30}));
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 3) << "the selection moves with its item";
  ListView_SortItems(lv, ByData, -1);
  EXPECT_EQ(order(), (std::vector<LPARAM>{31, 30, 22, 10, 11, 12}));
  // A comparison that contradicts itself leaves every item in place, once.
  ListView_SortItems(lv, [](LPARAM, LPARAM, LPARAM) -> int { return -1; }, 0);
  auto after = order();
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, (std::vector<LPARAM>{10, 11, 12, 22, 30, 31}));
  EXPECT_FALSE(ListView_SortItems(lv, nullptr, 0));
}

TEST_F(ListViewTest, OwnerDrawnRowsAskTheirHeightOnceAndAreDrawnByTheParent) {
  gRowHeight = 16;
  HWND lv = Make(LVS_SINGLESEL | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER, 0, 0, 240, 150, 1000);
  SendMessageW(lv, WM_SETFONT, (WPARAM)GetStockObject(SYSTEM_FONT), TRUE);
  ASSERT_EQ(Only(WM_MEASUREITEM).size(), 1u);
  RECT client;
  GetClientRect(lv, &client);
  AddColumn(lv, 0, u"Eigenschaften", client.right - GetSystemMetrics(SM_CXVSCROLL));
  for (int i = 0; i < 20; ++i) AddItem(lv, i, u"", 500 + i);
  SetFocus(lv);
  ListView_SetItemState(lv, 1, kSelFocus, kSelFocus);
  gHeard.clear();
  UpdateWindow(lv);
  auto draws = Only(WM_DRAWITEM);
  RECT first;
  ListView_GetItemRect(lv, 0, &first, LVIR_BOUNDS);
  int itemsHeight = client.bottom - 1 - first.top;  // above the bottom frame
  ASSERT_EQ((int)draws.size(), (itemsHeight + 15) / 16) << "each visible row, the cut-off one too";
  EXPECT_EQ(Only(WM_MEASUREITEM).size(), 0u);
  for (size_t k = 0; k < draws.size(); ++k) {
    const DRAWITEMSTRUCT& d = draws[k].draw;
    EXPECT_EQ(d.CtlType, (UINT)ODT_LISTVIEW);
    EXPECT_EQ(d.CtlID, 1000u);
    EXPECT_EQ(d.itemID, k);
    EXPECT_EQ(d.itemAction, (UINT)ODA_DRAWENTIRE);
    EXPECT_EQ(d.itemData, 500 + k);
    EXPECT_EQ(d.rcItem.top, first.top + 16 * (int)k);
    EXPECT_EQ(d.rcItem.bottom - d.rcItem.top, 16);
    EXPECT_EQ(d.rcItem.left, 1);
    EXPECT_EQ(d.rcItem.right, 1 + client.right - GetSystemMetrics(SM_CXVSCROLL)) << "across the columns";
    EXPECT_EQ(d.itemState, k == 1 ? (UINT)(ODS_SELECTED | ODS_FOCUS) : 0u);
  }
  EXPECT_GT(first.top, 1) << "the header is above the rows";
}

TEST_F(ListViewTest, ScrollingKeepsTheTopIndexAndTheBarWorksByStylus) {
  HWND lv = Make(LVS_SINGLESEL, 0, 0, 200, 120, 1002);
  AddColumn(lv, 0, u"Datei", 150);
  for (int i = 0; i < 30; ++i) AddItem(lv, i, u"Titel", i);
  int page = ListView_GetCountPerPage(lv);
  ASSERT_GT(page, 2);
  ASSERT_LT(page, 30);
  EXPECT_TRUE(ListView_EnsureVisible(lv, 20, FALSE));
  EXPECT_EQ(ListView_GetTopIndex(lv), 21 - page);
  ListView_EnsureVisible(lv, 2, FALSE);
  EXPECT_EQ(ListView_GetTopIndex(lv), 2);
  RECT row;
  ListView_GetItemRect(lv, 3, &row, LVIR_BOUNDS);
  LVHITTESTINFO hit{{row.left + 5, row.top + 1}, 0, -1, 0};
  EXPECT_EQ(ListView_HitTest(lv, &hit), 3) << "rects and hits follow the scrolled rows";
  SendMessageW(lv, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(ListView_GetTopIndex(lv), 30 - page) << "the last page stays full";
  SendMessageW(lv, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(ListView_GetTopIndex(lv), 29 - page);

  // The bar at the right: the top arrow scrolls a line, the thumb drags.
  RECT w;
  GetWindowRect(lv, &w);
  Tap(w.right - 6, w.top + 5);
  EXPECT_EQ(ListView_GetTopIndex(lv), 28 - page);
  SendMessageW(lv, WM_VSCROLL, SB_TOP, 0);
  LxInputStylus(WM_LBUTTONDOWN, w.right - 6, w.top + 1 + kArrowBox + 3);
  Pump();
  LxInputStylus(WM_MOUSEMOVE, w.right - 6, w.bottom + 40);
  LxInputStylus(WM_LBUTTONUP, w.right - 6, w.bottom + 40);
  Pump();
  EXPECT_EQ(ListView_GetTopIndex(lv), 30 - page) << "dragging the thumb past the end";
  EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), -1) << "the bar does not select";

  // Columns wider than the view scroll sideways.
  ListView_SetColumnWidth(lv, 0, 400);
  ListView_Scroll(lv, 50, 0);
  ListView_GetItemRect(lv, 0, &row, LVIR_BOUNDS);
  EXPECT_EQ(row.left, 1 - 50);
}

}  // namespace

namespace {

// A dialog like the player's property list: the template names the class,
// the dialog procedure measures, fills and refuses through DWL_MSGRESULT.
std::vector<UINT> gDialogHeard;

INT_PTR CALLBACK PropertiesProc(HWND h, UINT m, WPARAM, LPARAM l) {
  switch (m) {
    case WM_MEASUREITEM:
      gDialogHeard.push_back(m);
      ((MEASUREITEMSTRUCT*)l)->itemHeight = 16;
      return TRUE;
    case WM_INITDIALOG: {
      gDialogHeard.push_back(m);
      HWND list = GetDlgItem(h, 1000);
      RECT c;
      GetClientRect(list, &c);
      LVCOLUMNW col{LVCF_TEXT | LVCF_WIDTH, 0, (int)c.right - GetSystemMetrics(SM_CXVSCROLL), (LPWSTR)u"Eigenschaften",
                    0, 0, 0, 0};
      ListView_InsertColumn(list, 0, &col);
      for (int i = 0; i < 20; ++i) {
        LVITEMW it{LVIF_PARAM, i, 0, 0, 0, nullptr, 0, 0, i, 0};
        ListView_InsertItem(list, &it);
      }
      return TRUE;
    }
    case WM_DRAWITEM: gDialogHeard.push_back(m); return TRUE;
    case WM_NOTIFY:
      if (((NMHDR*)l)->code == LVN_ITEMCHANGING && ((NMLISTVIEW*)l)->iItem == 3) {
        SetWindowLongW(h, DWL_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

TEST(ListViewDialogTest, TemplateMakesTheListByClassNameAndTheProcedureAnswers) {
  const LXDLGITEM items[] = {{WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER,
                              0, 0, 0, 160, 150, 1000, u"SysListView32", u""}};
  const LXDLGTEMPLATE t = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 160, 160, u"Information anzeigen", 0, nullptr, 1, items};
  gDialogHeard.clear();
  HWND dlg = CreateDialogIndirectParamW(nullptr, &t, nullptr, PropertiesProc, 0);
  ASSERT_NE(dlg, nullptr);
  HWND list = GetDlgItem(dlg, 1000);
  ASSERT_NE(list, nullptr);
  ASSERT_GE(gDialogHeard.size(), 2u);
  EXPECT_EQ(gDialogHeard[0], (UINT)WM_MEASUREITEM) << "the row height comes first, once";
  EXPECT_EQ(gDialogHeard[1], (UINT)WM_INITDIALOG);
  EXPECT_EQ(ListView_GetItemCount(list), 20);
  UpdateWindow(list);
  EXPECT_GT(std::count(gDialogHeard.begin(), gDialogHeard.end(), (UINT)WM_DRAWITEM), 5);
  EXPECT_EQ(std::count(gDialogHeard.begin(), gDialogHeard.end(), (UINT)WM_MEASUREITEM), 1);
  ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(ListView_GetItemState(list, 3, LVIS_SELECTED), 0u) << "refused through DWL_MSGRESULT";
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), -1) << "the other row let go first";
  DestroyWindow(dlg);
}

}  // namespace

namespace {

// A file browser refills its list from inside the notifications.
void Refill(HWND list) {
  static LPARAM next = 900;  // new rows, new data
  ListView_DeleteAllItems(list);
  for (int i = 0; i < 3; ++i) {
    LVITEMW it{LVIF_TEXT | LVIF_PARAM, i, 0, 0, 0, (LPWSTR)u"neu", 0, 0, next++, 0};
    ListView_InsertItem(list, &it);
  }
}

TEST_F(ListViewTest, ParentMayChangeTheListWhileItHearsOfIt) {
  HWND lv = Make(LVS_SINGLESEL, 0, 0, 240, 200, 1002);
  ListView_SetExtendedListViewStyle(lv, LVS_EX_FULLROWSELECT);
  AddColumn(lv, 0, u"Datei", 115);
  for (int i = 0; i < 8; ++i) AddItem(lv, i, u"alt", i);
  gOnNotify = [](const NMHDR* hdr) {
    if (hdr->code == NM_CLICK || hdr->code == NM_DBLCLK) Refill(hdr->hwndFrom);
  };
  TapCell(lv, 6, 0);
  EXPECT_EQ(ListView_GetItemCount(lv), 3);
  TapCell(lv, 1, 0, true);
  EXPECT_EQ(ListView_GetItemCount(lv), 3);
  EXPECT_EQ(Only(LVN_ITEMACTIVATE).size(), 0u) << "the tapped item is gone";
  gOnNotify = [](const NMHDR* hdr) {
    if (hdr->code == LVN_ITEMCHANGED) ListView_DeleteAllItems(hdr->hwndFrom);
  };
  SetFocus(lv);
  SendMessageW(lv, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(ListView_GetItemCount(lv), 0);
  gOnNotify = nullptr;

  // Nonsense from the program is refused, not followed.
  EXPECT_EQ(SendMessageW(lv, LVM_INSERTITEMW, 0, 0), -1);
  EXPECT_FALSE(SendMessageW(lv, LVM_GETITEMW, 0, 0));
  EXPECT_FALSE(SendMessageW(lv, LVM_SETITEMW, 0, 0));
  EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, 0, 0), -1);
  EXPECT_EQ(SendMessageW(lv, LVM_INSERTCOLUMNW, 0, 0), -1);
  EXPECT_FALSE(SendMessageW(lv, LVM_GETITEMRECT, 0, 0));
  EXPECT_EQ(SendMessageW(lv, LVM_HITTEST, 0, 0), -1);
  LVITEMW far{LVIF_TEXT, 0, 9999, 0, 0, (LPWSTR)u"x", 0, 0, 0, 0};
  EXPECT_EQ(ListView_InsertItem(lv, &far), -1) << "a sub-item cannot be inserted";
  AddItem(lv, 0, u"a", 1);
  EXPECT_TRUE(ListView_SetItem(lv, &far)) << "a far sub-item is ignored";
  EXPECT_EQ(ListView_GetItemText(lv, 0, 9999, nullptr, 10), 0);
}

}  // namespace

namespace {

int gAsked = 0;

TEST_F(ListViewTest, CallbackTextAndImagesComeFromTheParentWhenShown) {
  HWND lv = Make(LVS_SINGLESEL, 0, 0, 240, 100, 1002);
  AddColumn(lv, 0, u"Datei", 115);
  AddColumn(lv, 1, u"Größe", 78, LVCFMT_RIGHT);
  LVITEMW it{LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, 0, 0, 0, 0, LPSTR_TEXTCALLBACKW, 0, I_IMAGECALLBACK, 42, 0};
  ListView_InsertItem(lv, &it);
  ListView_SetItemText(lv, 0, 1, LPSTR_TEXTCALLBACKW);
  gAsked = 0;
  gOnNotify = [](const NMHDR* hdr) {
    if (hdr->code != LVN_GETDISPINFOW) return;
    ++gAsked;
    auto* di = (NMLVDISPINFOW*)hdr;
    if (di->item.mask & LVIF_TEXT)
      lstrcpynW(di->item.pszText, di->item.iSubItem ? u"4812kb" : u"Titel.mp3", di->item.cchTextMax);
    if (di->item.mask & LVIF_IMAGE) di->item.iImage = (int)di->item.lParam / 10;
    if (di->item.iSubItem == 1) di->item.mask |= LVIF_DI_SETITEM;  // keep the size, ask for the name each time
  };
  EXPECT_EQ(TextAt(lv, 0, 0), u"Titel.mp3");
  EXPECT_EQ(TextAt(lv, 0, 1), u"4812kb");
  LVITEMW got{};
  got.mask = LVIF_IMAGE | LVIF_PARAM;
  ASSERT_TRUE(ListView_GetItem(lv, &got));
  EXPECT_EQ(got.iImage, 4);
  EXPECT_EQ(got.lParam, 42);
  gAsked = 0;
  EXPECT_EQ(TextAt(lv, 0, 1), u"4812kb");
  EXPECT_EQ(TextAt(lv, 0, 0), u"Titel.mp3");
  EXPECT_EQ(gAsked, 1) << "the kept size is not asked for again";
  gAsked = 0;
  UpdateWindow(lv);
  EXPECT_GE(gAsked, 1) << "drawing asks for what it shows";
}

}  // namespace
