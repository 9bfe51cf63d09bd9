// Item lists and scroll bars shared by LISTBOX and COMBOBOX.
#include "lxctl.h"

namespace lxctl {

void DrawVScrollBar(HDC dc, const RECT& bar, int pos, int page, int total) {
  FillRect(dc, &bar, (HBRUSH)GetStockObject(WHITE_BRUSH));
  FrameRect1(dc, bar, RGB(0, 0, 0));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  int mid = bar.left + kBarWidth / 2;
  POINT up[3] = {{mid, bar.top + 3}, {mid - 3, bar.top + 6}, {mid + 3, bar.top + 6}};
  POINT down[3] = {{mid, bar.bottom - 4}, {mid - 3, bar.bottom - 7}, {mid + 3, bar.bottom - 7}};
  Polygon(dc, up, 3);
  Polygon(dc, down, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  int track = (bar.bottom - bar.top) - 2 * kBarWidth;
  if (total > page && track > 4) {
    int thumb = std::max(6, track * page / total);
    int y = bar.top + kBarWidth + (track - thumb) * pos / std::max(1, total - page);
    RECT t{bar.left + 2, y, bar.right - 2, y + thumb};
    FillRect(dc, &t, (HBRUSH)GetStockObject(GRAY_BRUSH));
  }
}

int VScrollBarHit(const RECT& bar, int y, int pos, int page, int total) {
  if (y < bar.top + kBarWidth) return SB_LINEUP;
  if (y >= bar.bottom - kBarWidth) return SB_LINEDOWN;
  int track = (bar.bottom - bar.top) - 2 * kBarWidth;
  int thumbTop = bar.top + kBarWidth;
  if (total > page && track > 4) {
    int thumb = std::max(6, track * page / total);
    thumbTop += (track - thumb) * pos / std::max(1, total - page);
    if (y >= thumbTop + thumb) return SB_PAGEDOWN;
  }
  return y < thumbTop ? SB_PAGEUP : SB_PAGEDOWN;
}

int ItemList::Add(LPCWSTR text) {
  if (!sorted) return Insert(-1, text);
  std::u16string t = text ? text : u"";
  int i = 0;
  while (i < Count() && lstrcmpiW(items[i].text.c_str(), t.c_str()) <= 0) ++i;
  return Insert(i, text);
}

int ItemList::Insert(int index, LPCWSTR text) {
  if (index < 0 || index > Count()) index = Count();
  items.insert(items.begin() + index, ListItem{text ? text : u"", 0});
  if (sel >= index) ++sel;
  return index;
}

int ItemList::Delete(int index) {
  if (index < 0 || index >= Count()) return -1;
  items.erase(items.begin() + index);
  if (sel == index) sel = -1;
  else if (sel > index) --sel;
  if (top > 0 && top >= Count()) top = Count() - 1;
  return Count();
}

int ItemList::Find(int after, LPCWSTR text, bool exact) const {
  int n = Count();
  if (!text || n == 0) return -1;
  size_t len = 0;
  while (text[len]) ++len;
  int start = after < -1 || after >= n ? -1 : after;
  for (int k = 1; k <= n; ++k) {
    int i = (start + k) % n;
    const std::u16string& s = items[i].text;
    if (exact ? lstrcmpiW(s.c_str(), text) == 0
              : s.size() >= len && CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, s.c_str(), (int)len, text,
                                                  (int)len) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

void ItemList::ClampTop(const RECT& area) { top = std::clamp(top, 0, std::max(0, Count() - Visible(area))); }

void ItemList::ShowItem(int index, const RECT& area) {
  if (index < 0) return;
  int vis = Visible(area);
  if (index < top) top = index;
  if (index >= top + vis) top = index - vis + 1;
  ClampTop(area);
}

int ItemList::IndexAt(const RECT& area, int y) const {
  if (y < area.top) return -1;
  int i = top + (y - area.top) / itemHeight;
  return i < Count() ? i : -1;
}

void ItemList::Paint(HDC dc, const RECT& area, HFONT font, bool bar, HWND ownerDraw, UINT ctlType, UINT ctlId) const {
  RECT list = area;
  if (bar) list.right -= kBarWidth;
  FillRect(dc, &list, (HBRUSH)GetStockObject(WHITE_BRUSH));
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  HBRUSH hi = CreateSolidBrush(kHighlight);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, list.left, list.top, list.right, list.bottom);
  for (int i = top, y = list.top; i < Count() && y < list.bottom; ++i, y += itemHeight) {
    RECT r{list.left, y, list.right, y + itemHeight};
    if (ownerDraw) {
      DRAWITEMSTRUCT di{ctlType, ctlId, (UINT)i, ODA_DRAWENTIRE, (UINT)(i == sel ? ODS_SELECTED : 0), ownerDraw, dc, r,
                        (ULONG_PTR)items[i].data};
      SendMessageW(GetParent(ownerDraw), WM_DRAWITEM, ctlId, (LPARAM)&di);
      continue;
    }
    if (i == sel) FillRect(dc, &r, hi);
    SetTextColor(dc, i == sel ? RGB(255, 255, 255) : RGB(0, 0, 0));
    RECT t = r;
    t.left += 2;
    DrawTextW(dc, items[i].text.c_str(), (int)items[i].text.size(), &t,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  RestoreDC(dc, saved);
  DeleteObject(hi);
  SelectObject(dc, oldFont);
  if (bar) DrawVScrollBar(dc, RECT{area.right - kBarWidth, area.top, area.right, area.bottom}, top, Visible(area), Count());
}

}  // namespace lxctl
