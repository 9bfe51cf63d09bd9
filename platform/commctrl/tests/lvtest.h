// A parent window that keeps every list view notification and owner-draw
// request it hears, and answers them as a dialog procedure would.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "commctrl.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

struct Heard {
  UINT code;  // WM_NOTIFY code, or WM_MEASUREITEM / WM_DRAWITEM
  NMITEMACTIVATE nm;  // the NMLISTVIEW part for list view codes
  DRAWITEMSTRUCT draw;
};

inline std::vector<Heard> gHeard;
inline int gVetoItem = -1;     // LVN_ITEMCHANGING for this item is refused
inline UINT gRowHeight = 16;   // the answer to WM_MEASUREITEM
inline void (*gOnNotify)(const NMHDR*) = nullptr;  // what the parent does besides

inline LRESULT CALLBACK ListParent(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NOTIFY) {
    auto* hdr = (NMHDR*)l;
    Heard e{hdr->code, {}, {}};
    switch (hdr->code) {
      case NM_CLICK: case NM_DBLCLK: case LVN_ITEMACTIVATE: e.nm = *(NMITEMACTIVATE*)l; break;
      case LVN_ITEMCHANGING: case LVN_ITEMCHANGED: case LVN_INSERTITEM: case LVN_DELETEITEM: case LVN_DELETEALLITEMS:
      case LVN_COLUMNCLICK: std::memcpy(&e.nm, (const void*)l, sizeof(NMLISTVIEW)); break;
      default: e.nm.hdr = *hdr;
    }
    gHeard.push_back(e);
    if (gOnNotify) gOnNotify(hdr);
    if (hdr->code == LVN_ITEMCHANGING) return ((NMLISTVIEW*)l)->iItem == gVetoItem;
    return 0;
  }
  if (m == WM_MEASUREITEM) {
    gHeard.push_back({WM_MEASUREITEM, {}, {}});
    auto* mi = (MEASUREITEMSTRUCT*)l;
    if (mi->CtlType == ODT_LISTVIEW) mi->itemHeight = gRowHeight;
    return TRUE;
  }
  if (m == WM_DRAWITEM) {
    auto* di = (DRAWITEMSTRUCT*)l;
    gHeard.push_back({WM_DRAWITEM, {}, *di});
    FillRect(di->hDC, &di->rcItem, (HBRUSH)GetStockObject(di->itemID % 2 ? LTGRAY_BRUSH : WHITE_BRUSH));
    return TRUE;
  }
  return DefWindowProcW(h, m, w, l);
}

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = lxtest::ParentWindow(u"LxListParent", ListParent, u"Lists");
    gHeard.clear();
    gVetoItem = -1;
    gRowHeight = 16;
    gOnNotify = nullptr;
  }
  void TearDown() override {
    DestroyWindow(parent_);
    Pump();
  }
  HWND Make(DWORD style, int x, int y, int cx, int cy, int id) {
    return CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | style, x, y, cx,
                           cy, parent_, (HMENU)(UINT_PTR)id, nullptr, nullptr);
  }
  static void AddColumn(HWND lv, int index, LPCWSTR text, int cx, int fmt = LVCFMT_LEFT) {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    c.fmt = fmt, c.cx = cx, c.pszText = (LPWSTR)text, c.iSubItem = index;
    ListView_InsertColumn(lv, index, &c);
  }
  static int AddItem(HWND lv, int at, LPCWSTR text, LPARAM data, int image = 0) {
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    it.iItem = at, it.pszText = (LPWSTR)text, it.lParam = data, it.iImage = image;
    return ListView_InsertItem(lv, &it);
  }
  static void Pump() { lxtest::Pump(); }
  static void Tap(int x, int y, bool twice = false) { lxtest::TapAndPump(x, y, twice); }
  // A tap inside a sub-item's cell of a row.
  static void TapCell(HWND lv, int item, int sub, bool twice = false) {
    RECT r{};
    // Sub-item 0's bounds are the whole row's; its label is the first cell.
    ListView_GetSubItemRect(lv, item, sub, sub ? LVIR_BOUNDS : LVIR_LABEL, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(lv, &p);
    Tap(p.x, p.y, twice);
  }
  static std::vector<Heard> Only(UINT code) {
    std::vector<Heard> out;
    for (auto& e : gHeard)
      if (e.code == code) out.push_back(e);
    return out;
  }
  static DWORD Pixel(int x, int y) {
    static DWORD screen[240 * 320];
    LxScreenshot(screen);
    return screen[y * 240 + x] & 0xFFFFFF;
  }
  HWND parent_ = nullptr;
};
