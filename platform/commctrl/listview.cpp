// List view in report view: a header of columns above rows of items with
// sub-items, a small-icon image list, single or multiple selection with
// full-row select, owner-drawn fixed rows, scrolling in both directions,
// and the notifications the device's list view sends by WM_NOTIFY.
#include <algorithm>
#include <string>
#include <vector>

#include "../controls/lxctl.h"
#include "commctrl.h"

namespace {

struct Column {
  int fmt = LVCFMT_LEFT;
  int cx = 0;
  std::u16string text;
  int subItem = 0;
};

struct Row {
  std::vector<std::u16string> text;  // by sub-item
  int image = 0;
  LPARAM param = 0;
  UINT state = 0;
  int indent = 0;
  uint64_t callback = 0;  // sub-items whose text the parent gives when asked
};

enum class Drag { None, Items, Header, VThumb, HThumb };

struct ListView {
  std::vector<Column> cols;
  std::vector<Row> rows;
  DWORD exStyle = 0;
  HIMAGELIST images[3] = {};
  int top = 0;      // first row shown
  int hscroll = 0;  // pixels the columns are moved left
  int fontRow = 16, headerHeight = 17, ownerRow = 0;
  COLORREF bk = RGB(255, 255, 255), ink = RGB(0, 0, 0), textBk = CLR_NONE;
  int mark = -1;  // selection mark
  bool focused = false;
  Drag drag = Drag::None;
  int pressed = -1;  // header column pressed, or the row tapped
  POINT down{};
  int grab = 0;  // thumb drag: the tap's offset into the thumb
  bool headerDown = false;
};

constexpr int kPad = 3;  // text inset in a cell
constexpr int kBar = lxctl::kBarWidth;

DWORD Style(HWND h) { return (DWORD)GetWindowLongW(h, GWL_STYLE); }
int Count(const ListView& v) { return (int)v.rows.size(); }
bool Valid(const ListView& v, int i) { return i >= 0 && i < Count(v); }

int RowHeight(const ListView& v) {
  if (v.ownerRow > 0) return v.ownerRow;
  int cx = 0, cy = 0;
  if (ImageList_GetIconSize(v.images[LVSIL_SMALL], &cx, &cy)) return std::max(v.fontRow, cy + 1);
  return v.fontRow;
}

int TotalWidth(const ListView& v) {
  int w = 0;
  for (auto& c : v.cols) w += c.cx;
  return w;
}

// Where everything is, in client coordinates.
struct Layout {
  RECT area, header, items, vbar, hbar;
  bool hasV, hasH;
  int perPage;  // whole rows the items area shows
};

Layout LayoutOf(HWND h, const ListView& v) {
  Layout l{};
  GetClientRect(h, &l.area);
  DWORD st = Style(h);
  if (st & WS_BORDER) InflateRect(&l.area, -1, -1);
  int headerH = (st & LVS_NOCOLUMNHEADER) ? 0 : v.headerHeight;
  int rh = std::max(1, RowHeight(v));
  int height = l.area.bottom - l.area.top - headerH, width = l.area.right - l.area.left;
  bool scroll = !(st & LVS_NOSCROLL);
  l.hasV = scroll && Count(v) * rh > height;
  l.hasH = scroll && TotalWidth(v) > width - (l.hasV ? kBar : 0);
  if (l.hasH && !l.hasV) l.hasV = scroll && Count(v) * rh > height - kBar;
  l.items = l.area;
  l.items.top += headerH;
  if (l.hasV) l.items.right -= kBar;
  if (l.hasH) l.items.bottom -= kBar;
  if (l.items.right < l.items.left) l.items.right = l.items.left;
  if (l.items.bottom < l.items.top) l.items.bottom = l.items.top;
  l.header = RECT{l.area.left, l.area.top, l.items.right, l.area.top + headerH};
  l.vbar = RECT{l.items.right, l.area.top, l.area.right, l.items.bottom};
  l.hbar = RECT{l.area.left, l.items.bottom, l.items.right, l.area.bottom};
  l.perPage = std::max(0, (int)(l.items.bottom - l.items.top) / rh);
  return l;
}

void Clamp(HWND h, ListView& v) {
  Layout l = LayoutOf(h, v);
  v.top = std::clamp(v.top, 0, std::max(0, Count(v) - std::max(1, l.perPage)));
  v.hscroll = std::clamp(v.hscroll, 0, std::max(0, TotalWidth(v) - (int)(l.items.right - l.items.left)));
}

void Redraw(HWND h) { InvalidateRect(h, nullptr, FALSE); }

// A column's left edge, in client coordinates.
int ColumnLeft(const ListView& v, const Layout& l, int col) {
  int x = l.items.left - v.hscroll;
  for (int c = 0; c < col && c < (int)v.cols.size(); ++c) x += v.cols[c].cx;
  return x;
}

RECT RowRect(const ListView& v, const Layout& l, int i) {
  int y = l.items.top + (i - v.top) * RowHeight(v);
  int x = l.items.left - v.hscroll;
  return RECT{x, y, x + TotalWidth(v), y + RowHeight(v)};
}

const std::u16string& TextOf(const Row& r, int sub) {
  static const std::u16string kEmpty;
  return sub >= 0 && sub < (int)r.text.size() ? r.text[sub] : kEmpty;
}

int IconWidth(const ListView& v) {
  int cx = 0, cy = 0;
  return ImageList_GetIconSize(v.images[LVSIL_SMALL], &cx, &cy) ? cx + 2 : 0;
}

int TextWidth(HWND h, const std::u16string& s) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
  SIZE sz{};
  GetTextExtentPoint32W(dc, s.c_str(), (int)s.size(), &sz);
  SelectObject(dc, old);
  DeleteDC(dc);
  return sz.cx;
}

// ---- Notifications ----

LRESULT Send(HWND h, UINT code, NMHDR* hdr) {
  hdr->hwndFrom = h;
  hdr->idFrom = (UINT_PTR)GetDlgCtrlID(h);
  hdr->code = code;
  HWND parent = GetParent(h);
  return parent ? SendMessageW(parent, WM_NOTIFY, hdr->idFrom, (LPARAM)hdr) : 0;
}

LRESULT SendListView(HWND h, UINT code, int item, int sub, UINT oldState, UINT newState, UINT changed, LPARAM param,
                     POINT at = {0, 0}) {
  NMLISTVIEW nm{};
  nm.iItem = item, nm.iSubItem = sub;
  nm.uOldState = oldState, nm.uNewState = newState, nm.uChanged = changed;
  nm.lParam = param, nm.ptAction = at;
  return Send(h, code, &nm.hdr);
}

ListView* StateOf(HWND h) { return IsWindow(h) ? lxctl::StateOf<ListView>(h) : nullptr; }

// Changes an item's state bits in mask to state, asking the parent first;
// false when refused or nothing changed. The parent may change the list
// while it hears of the change, so the caller fetches the state again.
bool ChangeState(HWND h, int i, UINT state, UINT mask) {
  ListView* v = StateOf(h);
  if (!v || !Valid(*v, i)) return false;
  UINT old = v->rows[i].state, now = (old & ~mask) | (state & mask);
  if (now == old) return false;
  LPARAM param = v->rows[i].param;
  if (SendListView(h, LVN_ITEMCHANGING, i, 0, old, now, LVIF_STATE, param)) return false;
  v = StateOf(h);
  if (!v || !Valid(*v, i)) return false;
  v->rows[i].state = now;
  Redraw(h);
  SendListView(h, LVN_ITEMCHANGED, i, 0, old, now, LVIF_STATE, param);
  return true;
}

// Clears bits from every item but keep (whose own bits are left alone).
void ClearOthers(HWND h, int keep, UINT bits) {
  for (int j = 0;; ++j) {
    ListView* v = StateOf(h);
    if (!v || j >= Count(*v)) return;
    if (j != keep && (v->rows[j].state & bits)) ChangeState(h, j, 0, bits);
  }
}

// The program sets a state: selecting in a single-selection list and
// focusing take the bit from the other items.
void SetState(HWND h, int i, UINT state, UINT mask) {
  ListView* v = StateOf(h);
  if (!v) return;
  if (i == -1) {
    for (int j = 0; (v = StateOf(h)) && j < Count(*v); ++j) ChangeState(h, j, state, mask);
    return;
  }
  if (!Valid(*v, i)) return;
  UINT exclusive = 0;
  if ((mask & state & LVIS_SELECTED) && (Style(h) & LVS_SINGLESEL)) exclusive |= LVIS_SELECTED;
  if (mask & state & LVIS_FOCUSED) exclusive |= LVIS_FOCUSED;
  if (exclusive) ClearOthers(h, i, exclusive);
  ChangeState(h, i, state, mask);
}

void EnsureVisible(HWND h, ListView& v, int i, bool partial) {
  if (!Valid(v, i)) return;
  Layout l = LayoutOf(h, v);
  int page = std::max(1, l.perPage);
  if (i < v.top) v.top = i;
  else if (i >= v.top + page && !(partial && i == v.top + page)) v.top = i - page + 1;
  Clamp(h, v);
  Redraw(h);
}

// The user picks an item (or none, -1): the others lose selection and focus
// first, then the item gains both.
void UserSelect(HWND h, int i) {
  ClearOthers(h, i, i < 0 ? LVIS_SELECTED : LVIS_SELECTED | LVIS_FOCUSED);
  if (i < 0) return;
  ChangeState(h, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  if (ListView* v = StateOf(h)) {
    v->mark = i;
    EnsureVisible(h, *v, i, false);
  }
}

int FocusedItem(const ListView& v) {
  for (int i = 0; i < Count(v); ++i)
    if (v.rows[i].state & LVIS_FOCUSED) return i;
  return -1;
}

// ---- Hit testing ----

int ColumnAt(const ListView& v, const Layout& l, int x) {
  int left = l.items.left - v.hscroll;
  for (int c = 0; c < (int)v.cols.size(); ++c) {
    if (x >= left && x < left + v.cols[c].cx) return c;
    left += v.cols[c].cx;
  }
  return -1;
}

int HitTest(HWND h, const ListView& v, LVHITTESTINFO* info, bool sub) {
  const Layout l = LayoutOf(h, v);
  POINT p = info->pt;
  info->iItem = -1, info->iSubItem = 0, info->flags = 0;
  if (p.y < l.items.top) info->flags |= LVHT_ABOVE;
  if (p.y >= l.items.bottom) info->flags |= LVHT_BELOW;
  if (p.x < l.items.left) info->flags |= LVHT_TOLEFT;
  if (p.x >= l.items.right) info->flags |= LVHT_TORIGHT;
  if (info->flags) return -1;
  int i = v.top + (p.y - l.items.top) / std::max(1, RowHeight(v));
  int col = ColumnAt(v, l, p.x);
  if (!Valid(v, i)) {
    info->flags = LVHT_NOWHERE;
    return -1;
  }
  // Without full-row select only the first column holds the item; a
  // sub-item test finds any column's cell.
  bool fullRow = v.exStyle & LVS_EX_FULLROWSELECT;
  if ((col < 0 && !fullRow) || (col > 0 && !fullRow && !sub)) {
    info->flags = LVHT_NOWHERE;
    return -1;
  }
  int iconRight = ColumnLeft(v, l, 0) + IconWidth(v);
  info->flags = (col == 0 && IconWidth(v) && p.x < iconRight) ? LVHT_ONITEMICON : LVHT_ONITEMLABEL;
  info->iItem = i;
  info->iSubItem = sub ? std::max(col, 0) : 0;
  return i;
}

bool ItemRect(HWND h, const ListView& v, int i, int sub, int code, RECT* out) {
  if (!Valid(v, i) || !out) return false;
  const Layout l = LayoutOf(h, v);
  RECT r = RowRect(v, l, i);
  if (sub > 0) {
    if (sub >= (int)v.cols.size()) return false;
    r.left = ColumnLeft(v, l, sub);
    r.right = r.left + v.cols[sub].cx;
    *out = r;
    return true;
  }
  int col0 = v.cols.empty() ? r.right : r.left + v.cols[0].cx;
  int icon = r.left + IconWidth(v);
  switch (code) {
    case LVIR_ICON: r.right = std::min(icon, col0); break;
    case LVIR_LABEL: r.left = icon, r.right = col0; break;
    case LVIR_SELECTBOUNDS:
      if (!(v.exStyle & LVS_EX_FULLROWSELECT)) r.right = col0;
      break;
    case LVIR_BOUNDS: break;
    default: return false;
  }
  *out = r;
  return true;
}

// ---- Drawing ----

void Fill(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void DrawHScrollBar(HDC dc, const RECT& bar, int pos, int page, int total) {
  Fill(dc, bar, RGB(255, 255, 255));
  lxctl::FrameRect1(dc, bar, RGB(0, 0, 0));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  int mid = bar.top + kBar / 2;
  POINT left[3] = {{bar.left + 3, mid}, {bar.left + 6, mid - 3}, {bar.left + 6, mid + 3}};
  POINT right[3] = {{bar.right - 4, mid}, {bar.right - 7, mid - 3}, {bar.right - 7, mid + 3}};
  Polygon(dc, left, 3);
  Polygon(dc, right, 3);
  SelectObject(dc, oldBrush), SelectObject(dc, oldPen);
  DeleteObject(pen);
  int track = (bar.right - bar.left) - 2 * kBar;
  if (total > page && track > 4) {
    int thumb = std::max(6, track * page / total);
    int x = bar.left + kBar + (track - thumb) * pos / std::max(1, total - page);
    RECT t{x, bar.top + 2, x + thumb, bar.bottom - 2};
    FillRect(dc, &t, (HBRUSH)GetStockObject(GRAY_BRUSH));
  }
}

// The thumb's place along a bar of the given length: its start and size,
// relative to the track's start.
void Thumb(int length, int pos, int page, int total, int* start, int* size) {
  int track = length - 2 * kBar;
  *size = std::max(6, track * page / std::max(1, total));
  *start = (track - *size) * pos / std::max(1, total - page);
}

void DrawCellText(HDC dc, const std::u16string& s, RECT r, int fmt) {
  UINT align = (fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? DT_RIGHT
               : (fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                            : DT_LEFT;
  r.left += kPad, r.right -= kPad;
  if (r.right <= r.left) return;
  DrawTextW(dc, s.c_str(), (int)s.size(), &r, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void PaintHeader(HDC dc, const ListView& v, const Layout& l, bool buttons) {
  Fill(dc, l.header, RGB(255, 255, 255));
  int saved = SaveDC(dc);
  IntersectClipRect(dc, l.header.left, l.header.top, l.header.right, l.header.bottom);
  int x = l.header.left - v.hscroll;
  for (int c = 0; c < (int)v.cols.size(); ++c) {
    RECT cell{x, l.header.top, x + v.cols[c].cx, l.header.bottom};
    bool down = buttons && v.drag == Drag::Header && v.pressed == c && v.headerDown;
    if (down) Fill(dc, cell, RGB(0, 0, 0));
    SetTextColor(dc, down ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawCellText(dc, v.cols[c].text, cell, c == 0 ? LVCFMT_LEFT : v.cols[c].fmt);
    RECT edge{cell.right - 1, cell.top + 2, cell.right, cell.bottom - 2};
    if (v.cols[c].cx > 0) Fill(dc, edge, RGB(0, 0, 0));
    x = cell.right;
  }
  RECT line{l.header.left, l.header.bottom - 1, l.header.right, l.header.bottom};
  Fill(dc, line, RGB(0, 0, 0));
  RestoreDC(dc, saved);
}

// What a cell shows: its text, or the parent's answer to LVN_GETDISPINFO for
// a callback text or image. The parent may change the list meanwhile.
std::u16string Shown(HWND h, int i, int sub, int* image) {
  ListView* v = StateOf(h);
  if (!v || !Valid(*v, i)) return {};
  const Row& r = v->rows[i];
  bool askText = sub >= 0 && sub < 64 && ((r.callback >> sub) & 1);
  bool askImage = image && sub == 0 && r.image == I_IMAGECALLBACK;
  if (image) *image = r.image;
  if (!askText && !askImage) return TextOf(r, sub);
  WCHAR buf[260] = {};
  NMLVDISPINFOW di{};
  di.item.mask = (askText ? LVIF_TEXT : 0) | (askImage ? LVIF_IMAGE : 0);
  di.item.iItem = i, di.item.iSubItem = sub, di.item.state = r.state, di.item.lParam = r.param;
  di.item.pszText = buf, di.item.cchTextMax = 260;
  Send(h, LVN_GETDISPINFOW, &di.hdr);
  std::u16string text;
  if (askText && di.item.pszText && di.item.pszText != LPSTR_TEXTCALLBACKW)
    for (int k = 0; k < 1024 && di.item.pszText[k]; ++k) text += di.item.pszText[k];
  if (askImage) *image = di.item.iImage;
  if (!(v = StateOf(h)) || !Valid(*v, i)) return text;
  if (!askText) text = TextOf(v->rows[i], sub);
  if (di.item.mask & LVIF_DI_SETITEM) {
    Row& kept = v->rows[i];
    if (askText) {
      if ((int)kept.text.size() <= sub) kept.text.resize(sub + 1);
      kept.text[sub] = text, kept.callback &= ~(1ull << sub);
    }
    if (askImage) kept.image = di.item.iImage;
  }
  return text;
}

void PaintRow(HWND h, HDC dc, const ListView& v, const Layout& l, int i, bool showSel) {
  // The cells' contents first: answering for callback items may change the list.
  std::vector<std::u16string> texts(v.cols.size());
  int image = 0;
  for (size_t c = 0; c < v.cols.size(); ++c) texts[c] = Shown(h, i, v.cols[c].subItem, c == 0 ? &image : nullptr);
  if (!Valid(v, i) || texts.size() != v.cols.size()) return;
  const Row& row = v.rows[i];
  RECT r = RowRect(v, l, i);
  bool sel = showSel && (row.state & LVIS_SELECTED);
  bool active = v.focused;
  COLORREF selFill = active ? lxctl::kHighlight : RGB(0xC0, 0xC0, 0xC0);
  COLORREF selInk = active ? RGB(255, 255, 255) : RGB(0, 0, 0);
  bool fullRow = v.exStyle & LVS_EX_FULLROWSELECT;
  if (sel && fullRow) Fill(dc, r, selFill);
  int x = r.left;
  for (int c = 0; c < (int)v.cols.size(); ++c) {
    RECT cell{x, r.top, x + v.cols[c].cx, r.bottom};
    x = cell.right;
    if (cell.right <= l.items.left || cell.left >= l.items.right) continue;
    const std::u16string& text = texts[c];
    bool inked = sel && fullRow;
    if (c == 0) {
      int cx = 0, cy = 0;
      if (ImageList_GetIconSize(v.images[LVSIL_SMALL], &cx, &cy) && image >= 0) {
        int saved = SaveDC(dc);
        IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
        ImageList_Draw(v.images[LVSIL_SMALL], image, dc, cell.left + 1, cell.top + (cell.bottom - cell.top - cy) / 2,
                       ILD_TRANSPARENT);
        RestoreDC(dc, saved);
      }
      cell.left += IconWidth(v);
      if (sel && !fullRow) {
        // Only the label is marked: the text's own width.
        RECT mark = cell;
        mark.right = std::min<LONG>(cell.right, cell.left + TextWidth(h, text) + 2 * kPad);
        Fill(dc, mark, selFill);
        inked = true;
      }
    }
    if (!inked && v.textBk != CLR_NONE) Fill(dc, cell, v.textBk);
    SetTextColor(dc, inked ? selInk : IsWindowEnabled(h) ? v.ink : lxctl::kGrey);
    DrawCellText(dc, text, cell, c == 0 ? LVCFMT_LEFT : v.cols[c].fmt);
  }
}

void Paint(HWND h, ListView& v) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  Clamp(h, v);
  const Layout l = LayoutOf(h, v);
  DWORD st = Style(h);
  RECT client;
  GetClientRect(h, &client);
  HGDIOBJ oldFont = SelectObject(dc, lxctl::FontOf(h));
  SetBkMode(dc, TRANSPARENT);
  Fill(dc, l.items, v.bk);
  if (!(st & LVS_NOCOLUMNHEADER)) PaintHeader(dc, v, l, !(st & LVS_NOSORTHEADER));
  bool showSel = v.focused || (st & LVS_SHOWSELALWAYS);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, l.items.left, l.items.top, l.items.right, l.items.bottom);
  int rh = RowHeight(v);
  bool owner = st & LVS_OWNERDRAWFIXED;
  HWND parent = GetParent(h);
  UINT id = (UINT)GetDlgCtrlID(h);
  for (int i = v.top, y = l.items.top; i < Count(v) && y < l.items.bottom; ++i, y += rh) {
    if (!owner) {
      PaintRow(h, dc, v, l, i, showSel);
      continue;
    }
    UINT state = 0;
    if (showSel && (v.rows[i].state & LVIS_SELECTED)) state |= ODS_SELECTED;
    if (v.focused && (v.rows[i].state & LVIS_FOCUSED)) state |= ODS_FOCUS;
    DRAWITEMSTRUCT di{ODT_LISTVIEW, id, (UINT)i, ODA_DRAWENTIRE, state, h, dc, RowRect(v, l, i),
                      (ULONG_PTR)v.rows[i].param};
    int inner = SaveDC(dc);
    SetTextColor(dc, v.ink);
    if (parent) SendMessageW(parent, WM_DRAWITEM, id, (LPARAM)&di);
    RestoreDC(dc, inner);
  }
  RestoreDC(dc, saved);
  if (l.hasV) lxctl::DrawVScrollBar(dc, l.vbar, v.top, std::max(1, l.perPage), Count(v));
  if (l.hasH) DrawHScrollBar(dc, l.hbar, v.hscroll, l.items.right - l.items.left, TotalWidth(v));
  if (l.hasV && l.hasH) Fill(dc, RECT{l.vbar.left, l.hbar.top, l.vbar.right, l.hbar.bottom}, RGB(255, 255, 255));
  if (st & WS_BORDER) lxctl::FrameRect1(dc, client, IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey);
  SelectObject(dc, oldFont);
  EndPaint(h, &ps);
}

// ---- Scrolling ----

void ScrollRows(HWND h, ListView& v, int by) {
  v.top += by;
  Clamp(h, v);
  Redraw(h);
}

void ScrollPixels(HWND h, ListView& v, int by) {
  v.hscroll += by;
  Clamp(h, v);
  Redraw(h);
}

void TapVBar(HWND h, ListView& v, const Layout& l, int y) {
  int page = std::max(1, l.perPage);
  int start, size;
  Thumb(l.vbar.bottom - l.vbar.top, v.top, page, Count(v), &start, &size);
  int thumbTop = l.vbar.top + kBar + start;
  if (y >= thumbTop && y < thumbTop + size && y >= l.vbar.top + kBar && y < l.vbar.bottom - kBar) {
    v.drag = Drag::VThumb, v.grab = y - thumbTop;
    SetCapture(h);
    return;
  }
  switch (lxctl::VScrollBarHit(l.vbar, y, v.top, page, Count(v))) {
    case SB_LINEUP: ScrollRows(h, v, -1); break;
    case SB_LINEDOWN: ScrollRows(h, v, 1); break;
    case SB_PAGEUP: ScrollRows(h, v, -page); break;
    default: ScrollRows(h, v, page); break;
  }
}

void TapHBar(HWND h, ListView& v, const Layout& l, int x) {
  int page = l.items.right - l.items.left, total = TotalWidth(v);
  int start, size;
  Thumb(l.hbar.right - l.hbar.left, v.hscroll, page, total, &start, &size);
  int thumbLeft = l.hbar.left + kBar + start;
  if (x < l.hbar.left + kBar) ScrollPixels(h, v, -8);
  else if (x >= l.hbar.right - kBar) ScrollPixels(h, v, 8);
  else if (x < thumbLeft) ScrollPixels(h, v, -page);
  else if (x >= thumbLeft + size) ScrollPixels(h, v, page);
  else {
    v.drag = Drag::HThumb, v.grab = x - thumbLeft;
    SetCapture(h);
  }
}

void DragThumb(HWND h, ListView& v, int x, int y) {
  const Layout l = LayoutOf(h, v);
  if (v.drag == Drag::VThumb) {
    int page = std::max(1, l.perPage), start, size;
    Thumb(l.vbar.bottom - l.vbar.top, v.top, page, Count(v), &start, &size);
    int travel = (l.vbar.bottom - l.vbar.top) - 2 * kBar - size;
    if (travel <= 0) return;
    int at = y - v.grab - (l.vbar.top + kBar);
    v.top = (at * (Count(v) - page) + travel / 2) / travel;
  } else {
    int page = l.items.right - l.items.left, start, size;
    Thumb(l.hbar.right - l.hbar.left, v.hscroll, page, TotalWidth(v), &start, &size);
    int travel = (l.hbar.right - l.hbar.left) - 2 * kBar - size;
    if (travel <= 0) return;
    int at = x - v.grab - (l.hbar.left + kBar);
    v.hscroll = (at * (TotalWidth(v) - page) + travel / 2) / travel;
  }
  Clamp(h, v);
  Redraw(h);
}

// ---- Stylus and keys ----

void SendActivate(HWND h, UINT code, int item, int sub, POINT at) {
  NMITEMACTIVATE nm{};
  nm.iItem = item, nm.iSubItem = sub, nm.ptAction = at;
  if (ListView* v = StateOf(h); v && Valid(*v, item)) nm.lParam = v->rows[item].param, nm.uNewState = v->rows[item].state;
  if (GetKeyState(VK_SHIFT) < 0) nm.uKeyFlags |= LVKF_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) nm.uKeyFlags |= LVKF_CONTROL;
  Send(h, code, &nm.hdr);
}

void ButtonDown(HWND h, int x, int y, bool twice) {
  if (GetFocus() != h) SetFocus(h);
  ListView* s = StateOf(h);
  if (!s) return;
  const Layout l = LayoutOf(h, *s);
  POINT p{x, y};
  if (l.hasV && PtInRect(&l.vbar, p)) return TapVBar(h, *s, l, y);
  if (l.hasH && PtInRect(&l.hbar, p)) return TapHBar(h, *s, l, x);
  if (PtInRect(&l.header, p)) {
    int col = ColumnAt(*s, l, x);
    if (col < 0 || (Style(h) & LVS_NOSORTHEADER)) return;
    s->drag = Drag::Header, s->pressed = col, s->headerDown = true;
    SetCapture(h);
    Redraw(h);
    return;
  }
  LVHITTESTINFO hit{p, 0, -1, 0}, cell{p, 0, -1, 0};
  int item = HitTest(h, *s, &hit, false);
  HitTest(h, *s, &cell, true);
  hit.iSubItem = cell.iSubItem;
  UserSelect(h, item);
  if (twice) {
    LPARAM param = (s = StateOf(h)) && Valid(*s, item) ? s->rows[item].param : 0;
    SendActivate(h, NM_DBLCLK, item, hit.iSubItem, p);
    // Activation only while the item is still the one tapped: the parent
    // may have refilled the list on the double tap.
    if ((s = StateOf(h)) && Valid(*s, item) && s->rows[item].param == param)
      SendActivate(h, LVN_ITEMACTIVATE, item, hit.iSubItem, p);
    return;
  }
  // The click is told when the stylus lifts, after the selection.
  if ((s = StateOf(h))) {
    s->drag = Drag::Items, s->pressed = item, s->down = p;
    SetCapture(h);
  }
}

void ButtonUp(HWND h, ListView& v, int x, int y) {
  Drag d = v.drag;
  int pressed = v.pressed;
  POINT at = v.down;
  v.drag = Drag::None, v.pressed = -1;
  if (GetCapture() == h) ReleaseCapture();
  if (d == Drag::Header) {
    Redraw(h);
    const Layout l = LayoutOf(h, v);
    POINT p{x, y};
    if (PtInRect(&l.header, p) && ColumnAt(v, l, x) == pressed)
      SendListView(h, LVN_COLUMNCLICK, -1, pressed, 0, 0, 0, 0);
  } else if (d == Drag::Items) {
    ListView* s = StateOf(h);
    int sub = 0;
    if (s) {
      LVHITTESTINFO hit{at, 0, -1, 0};
      HitTest(h, *s, &hit, true);
      sub = hit.iSubItem;  // the cell tapped, whichever holds the item
    }
    SendActivate(h, NM_CLICK, pressed, sub, at);
  }
}

void KeyDown(HWND h, WPARAM key) {
  NMLVKEYDOWN kd{};
  kd.wVKey = (WORD)key;
  Send(h, LVN_KEYDOWN, &kd.hdr);
  ListView* v = StateOf(h);
  if (!v) return;
  if (key == VK_RETURN) {
    NMHDR hdr{};
    Send(h, NM_RETURN, &hdr);
    return;
  }
  if (key == VK_LEFT || key == VK_RIGHT) return ScrollPixels(h, *v, key == VK_LEFT ? -8 : 8);
  if (Count(*v) == 0) return;
  int from = FocusedItem(*v), page = std::max(1, LayoutOf(h, *v).perPage), to;
  switch (key) {
    case VK_UP: to = from < 0 ? 0 : std::max(0, from - 1); break;
    case VK_DOWN: to = from < 0 ? 0 : std::min(Count(*v) - 1, from + 1); break;
    case VK_PRIOR: to = std::max(0, (from < 0 ? 0 : from) - page + 1); break;
    case VK_NEXT: to = std::min(Count(*v) - 1, (from < 0 ? 0 : from) + page - 1); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = Count(*v) - 1; break;
    case VK_SPACE: to = from < 0 ? 0 : from; break;
    default: return;
  }
  UserSelect(h, to);
}

// ---- Items and columns ----

void PutText(Row& r, int sub, LPCWSTR text) {
  if (sub < 0 || sub > 255) return;
  if ((int)r.text.size() <= sub) r.text.resize(sub + 1);
  bool callback = text == LPSTR_TEXTCALLBACKW;
  r.text[sub] = text && !callback ? std::u16string(text) : std::u16string();
  if (sub < 64) r.callback = callback ? r.callback | (1ull << sub) : r.callback & ~(1ull << sub);
}

int CopyText(const std::u16string& s, LPWSTR out, int size) {
  if (!out || size <= 0) return 0;
  int n = std::min<int>((int)s.size(), size - 1);
  std::copy(s.begin(), s.begin() + n, out);
  out[n] = 0;
  return n;
}

// Sorted styles keep the items in the order of their text.
int SortedPlace(HWND h, const ListView& v, LPCWSTR text) {
  DWORD st = Style(h);
  int dir = (st & LVS_SORTASCENDING) ? 1 : (st & LVS_SORTDESCENDING) ? -1 : 0;
  if (!dir) return -1;
  int i = 0;
  for (; i < Count(v); ++i)
    if (lstrcmpiW(TextOf(v.rows[i], 0).c_str(), text ? text : u"") * dir > 0) break;
  return i;
}

int InsertItem(HWND h, ListView& v, const LVITEMW* it) {
  if (!it || it->iSubItem != 0) return -1;
  Row r;
  if (it->mask & LVIF_TEXT) PutText(r, 0, it->pszText);
  if (it->mask & LVIF_IMAGE) r.image = it->iImage;
  if (it->mask & LVIF_PARAM) r.param = it->lParam;
  if (it->mask & LVIF_INDENT) r.indent = it->iIndent;
  if (it->mask & LVIF_STATE) r.state = it->state & it->stateMask;
  int at = SortedPlace(h, v, (it->mask & LVIF_TEXT) ? it->pszText : nullptr);
  if (at < 0) at = std::clamp(it->iItem, 0, Count(v));
  if ((r.state & LVIS_SELECTED) && (Style(h) & LVS_SINGLESEL))
    for (auto& o : v.rows) o.state &= ~LVIS_SELECTED;
  if (r.state & LVIS_FOCUSED)
    for (auto& o : v.rows) o.state &= ~LVIS_FOCUSED;
  v.rows.insert(v.rows.begin() + at, std::move(r));
  if (v.mark >= at) ++v.mark;
  Redraw(h);
  SendListView(h, LVN_INSERTITEM, at, 0, 0, 0, 0, it->mask & LVIF_PARAM ? it->lParam : 0);
  return at;
}

BOOL SetItem(HWND h, const LVITEMW* it) {
  ListView* v = StateOf(h);
  if (!v || !it || !Valid(*v, it->iItem)) return FALSE;
  int i = it->iItem;
  if (it->iSubItem != 0) {
    if (it->iSubItem < 0) return FALSE;
    if (it->mask & LVIF_TEXT) PutText(v->rows[i], it->iSubItem, it->pszText);
    Redraw(h);
    return TRUE;
  }
  UINT other = it->mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT);
  if (other) {
    LPARAM param = v->rows[i].param;
    if (SendListView(h, LVN_ITEMCHANGING, i, 0, 0, 0, other, param)) return FALSE;
    if (!(v = StateOf(h)) || !Valid(*v, i)) return FALSE;
    Row& r = v->rows[i];
    if (it->mask & LVIF_TEXT) PutText(r, 0, it->pszText);
    if (it->mask & LVIF_IMAGE) r.image = it->iImage;
    if (it->mask & LVIF_PARAM) r.param = it->lParam;
    if (it->mask & LVIF_INDENT) r.indent = it->iIndent;
    Redraw(h);
    SendListView(h, LVN_ITEMCHANGED, i, 0, 0, 0, other, r.param);
  }
  if (it->mask & LVIF_STATE) SetState(h, i, it->state, it->stateMask);
  return TRUE;
}

BOOL GetItem(HWND h, LVITEMW* it) {
  ListView* v = StateOf(h);
  if (!v || !it || !Valid(*v, it->iItem) || it->iSubItem < 0) return FALSE;
  int image = 0;
  if (it->mask & (LVIF_TEXT | LVIF_IMAGE)) {
    std::u16string text = Shown(h, it->iItem, it->iSubItem, it->iSubItem == 0 ? &image : nullptr);
    if (it->mask & LVIF_TEXT) CopyText(text, it->pszText, it->cchTextMax);
    if (!(v = StateOf(h)) || !Valid(*v, it->iItem)) return FALSE;
  }
  const Row& r = v->rows[it->iItem];
  if (it->iSubItem != 0) {
    if (it->mask & LVIF_IMAGE) it->iImage = 0;
    return TRUE;
  }
  if (it->mask & LVIF_IMAGE) it->iImage = image;
  if (it->mask & LVIF_PARAM) it->lParam = r.param;
  if (it->mask & LVIF_INDENT) it->iIndent = r.indent;
  if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
  return TRUE;
}

BOOL DeleteItem(HWND h, int i) {
  ListView* v = StateOf(h);
  if (!v || !Valid(*v, i)) return FALSE;
  SendListView(h, LVN_DELETEITEM, i, 0, 0, 0, 0, v->rows[i].param);
  if (!(v = StateOf(h)) || !Valid(*v, i)) return FALSE;
  v->rows.erase(v->rows.begin() + i);
  if (v->mark == i) v->mark = -1;
  else if (v->mark > i) --v->mark;
  Clamp(h, *v);
  Redraw(h);
  return TRUE;
}

// Every item goes; the parent hears of each (to free its data) unless it
// answers the first notice with TRUE. A destroyed control does not ask.
void DeleteAll(HWND h, bool destroying) {
  ListView* v = StateOf(h);
  if (!v || v->rows.empty()) return;
  bool quiet = !destroying && SendListView(h, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0, 0);
  if (!quiet)
    for (int i = 0; (v = StateOf(h)) && i < Count(*v); ++i)
      SendListView(h, LVN_DELETEITEM, i, 0, 0, 0, 0, v->rows[i].param);
  if (!(v = StateOf(h))) return;
  v->rows.clear();
  v->top = 0, v->mark = -1;
  Redraw(h);
}

// A stable merge sort that stays in bounds whatever the comparison answers.
BOOL SortItems(HWND h, PFNLVCOMPARE compare, LPARAM sortParam) {
  ListView* v = StateOf(h);
  if (!v || !compare) return FALSE;
  int n = Count(*v);
  std::vector<LPARAM> params(n);
  for (int i = 0; i < n; ++i) params[i] = v->rows[i].param;
  std::vector<int> order(n), spare(n);
  for (int i = 0; i < n; ++i) order[i] = i;
  for (int width = 1; width < n; width *= 2) {
    for (int lo = 0; lo < n; lo += 2 * width) {
      int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      int a = lo, b = mid, k = lo;
      while (a < mid && b < hi)
        spare[k++] = compare(params[order[b]], params[order[a]], sortParam) < 0 ? order[b++] : order[a++];
      while (a < mid) spare[k++] = order[a++];
      while (b < hi) spare[k++] = order[b++];
    }
    order.swap(spare);
  }
  // The comparison may have changed the list; then the order no longer fits.
  if (!(v = StateOf(h)) || Count(*v) != n) return FALSE;
  std::vector<Row> sorted;
  sorted.reserve(n);
  for (int i : order) sorted.push_back(std::move(v->rows[i]));
  int markAt = -1;
  for (int k = 0; k < n; ++k)
    if (order[k] == v->mark) markAt = k;
  v->rows.swap(sorted);
  v->mark = markAt;
  Redraw(h);
  return TRUE;
}

int FindItem(const ListView& v, int start, const LVFINDINFOW* f) {
  if (!f || Count(v) == 0) return -1;
  int n = Count(v);
  int from = start < 0 || start >= n ? 0 : start + 1;
  int steps = (f->flags & LVFI_WRAP) ? n : n - from;
  size_t len = (f->flags & (LVFI_STRING | LVFI_PARTIAL)) && f->psz ? (size_t)lstrlenW(f->psz) : 0;
  for (int k = 0; k < steps; ++k) {
    int i = (from + k) % n;
    const Row& r = v.rows[i];
    if (f->flags & LVFI_PARAM) {
      if (r.param == f->lParam) return i;
    } else if ((f->flags & (LVFI_STRING | LVFI_PARTIAL)) && f->psz) {
      const std::u16string& t = TextOf(r, 0);
      if (f->flags & LVFI_PARTIAL) {
        if (t.size() >= len && CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, t.c_str(), (int)len, f->psz,
                                              (int)len) == CSTR_EQUAL)
          return i;
      } else if (lstrcmpiW(t.c_str(), f->psz) == 0) {
        return i;
      }
    }
  }
  return -1;
}

int NextItem(const ListView& v, int start, UINT flags) {
  UINT want = 0;
  if (flags & LVNI_SELECTED) want |= LVIS_SELECTED;
  if (flags & LVNI_FOCUSED) want |= LVIS_FOCUSED;
  if (flags & LVNI_CUT) want |= LVIS_CUT;
  if (flags & LVNI_DROPHILITED) want |= LVIS_DROPHILITED;
  int step = (flags & (LVNI_ABOVE | LVNI_TOLEFT)) ? -1 : 1;
  int i = start < -1 ? -1 : start;
  if (step < 0 && i < 0) return -1;
  for (i += step; i >= 0 && i < Count(v); i += step)
    if ((v.rows[i].state & want) == want) return i;
  return -1;
}

bool PutColumn(HWND h, Column& c, const LVCOLUMNW* lc) {
  if (lc->mask & LVCF_FMT) c.fmt = lc->fmt;
  if (lc->mask & LVCF_WIDTH) c.cx = std::max(0, lc->cx);
  if (lc->mask & LVCF_TEXT) c.text = lc->pszText ? std::u16string(lc->pszText) : std::u16string();
  if (lc->mask & LVCF_SUBITEM) c.subItem = std::max(0, lc->iSubItem);
  Redraw(h);
  return true;
}

// LVSCW_AUTOSIZE fits the widest item; LVSCW_AUTOSIZE_USEHEADER also the
// header, and makes the last column fill the rest of the view.
int AutoWidth(HWND h, const ListView& v, int col, bool header) {
  const Column& c = v.cols[col];
  int w = 0;
  for (auto& r : v.rows) w = std::max(w, TextWidth(h, TextOf(r, c.subItem)));
  if (col == 0) w += IconWidth(v);
  if (header) w = std::max(w, TextWidth(h, c.text));
  w += 2 * kPad + 2;
  if (header && col == (int)v.cols.size() - 1) {
    const Layout l = LayoutOf(h, v);
    int rest = (l.items.right - l.items.left) - (TotalWidth(v) - c.cx);
    w = std::max(w, rest);
  }
  return w;
}

void MeasureFont(HWND h, ListView& v) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, lxctl::FontOf(h));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  v.fontRow = tm.tmHeight + 3;
  v.headerHeight = tm.tmHeight + 4;
}

LRESULT Create(HWND h) {
  auto* v = new ListView;
  SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR)v);
  MeasureFont(h, *v);
  if (Style(h) & LVS_OWNERDRAWFIXED) {
    // The owner gives the row height once, when the control is made.
    MEASUREITEMSTRUCT mi{ODT_LISTVIEW, (UINT)GetDlgCtrlID(h), 0, 0, (UINT)v->fontRow, 0};
    if (HWND parent = GetParent(h)) SendMessageW(parent, WM_MEASUREITEM, mi.CtlID, (LPARAM)&mi);
    if ((v = StateOf(h))) v->ownerRow = mi.itemHeight > 0 && mi.itemHeight < 1000 ? (int)mi.itemHeight : v->fontRow;
  }
  return 0;
}

void Destroy(HWND h) {
  DeleteAll(h, true);
  ListView* v = StateOf(h);
  if (!v) return;
  if (!(Style(h) & LVS_SHAREIMAGELISTS))
    for (HIMAGELIST& il : v->images) ImageList_Destroy(il), il = nullptr;
  SetWindowLongW(h, lxctl::kStateSlot, 0);
  delete v;
}

LRESULT CALLBACK ListViewProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE) return Create(h);
  if (m == WM_DESTROY) {
    Destroy(h);
    return 0;
  }
  ListView* v = StateOf(h);
  if (!v) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: Paint(h, *v); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Clamp(h, *v), Redraw(h); return 0;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      MeasureFont(h, *v);
      Clamp(h, *v);
      if (LOWORD(l)) Redraw(h);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ENABLE: Redraw(h); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      v->focused = m == WM_SETFOCUS;
      Redraw(h);
      NMHDR hdr{};
      Send(h, m == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: ButtonDown(h, (short)LOWORD(l), (short)HIWORD(l), m == WM_LBUTTONDBLCLK); return 0;
    case WM_MOUSEMOVE:
      if (v->drag == Drag::VThumb || v->drag == Drag::HThumb) DragThumb(h, *v, (short)LOWORD(l), (short)HIWORD(l));
      if (v->drag == Drag::Header) {
        // The column shows pressed only while the stylus stays on it.
        const Layout lay = LayoutOf(h, *v);
        POINT p{(short)LOWORD(l), (short)HIWORD(l)};
        bool on = PtInRect(&lay.header, p) && ColumnAt(*v, lay, p.x) == v->pressed;
        if (on != v->headerDown) v->headerDown = on, Redraw(h);
      }
      return 0;
    case WM_LBUTTONUP: ButtonUp(h, *v, (short)LOWORD(l), (short)HIWORD(l)); return 0;
    case WM_CAPTURECHANGED:
      if (v->drag != Drag::None && (HWND)l != h) v->drag = Drag::None, v->pressed = -1, Redraw(h);
      return 0;
    case WM_KEYDOWN: KeyDown(h, w); return 0;
    case WM_VSCROLL: {
      int page = std::max(1, LayoutOf(h, *v).perPage);
      switch (LOWORD(w)) {
        case SB_LINEUP: ScrollRows(h, *v, -1); break;
        case SB_LINEDOWN: ScrollRows(h, *v, 1); break;
        case SB_PAGEUP: ScrollRows(h, *v, -page); break;
        case SB_PAGEDOWN: ScrollRows(h, *v, page); break;
        case SB_TOP: ScrollRows(h, *v, -Count(*v)); break;
        case SB_BOTTOM: ScrollRows(h, *v, Count(*v)); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: ScrollRows(h, *v, (short)HIWORD(w) - v->top); break;
      }
      return 0;
    }
    case WM_HSCROLL: {
      const Layout lay = LayoutOf(h, *v);
      int page = lay.items.right - lay.items.left;
      switch (LOWORD(w)) {
        case SB_LINELEFT: ScrollPixels(h, *v, -8); break;
        case SB_LINERIGHT: ScrollPixels(h, *v, 8); break;
        case SB_PAGELEFT: ScrollPixels(h, *v, -page); break;
        case SB_PAGERIGHT: ScrollPixels(h, *v, page); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: ScrollPixels(h, *v, (short)HIWORD(w) - v->hscroll); break;
      }
      return 0;
    }

    case LVM_GETBKCOLOR: return v->bk;
    case LVM_SETBKCOLOR: v->bk = (COLORREF)l == CLR_NONE ? RGB(255, 255, 255) : (COLORREF)l; Redraw(h); return TRUE;
    case LVM_GETTEXTCOLOR: return v->ink;
    case LVM_SETTEXTCOLOR: v->ink = (COLORREF)l; Redraw(h); return TRUE;
    case LVM_GETTEXTBKCOLOR: return v->textBk;
    case LVM_SETTEXTBKCOLOR: v->textBk = (COLORREF)l; Redraw(h); return TRUE;
    case LVM_GETIMAGELIST: return w <= LVSIL_STATE ? (LRESULT)v->images[w] : 0;
    case LVM_SETIMAGELIST: {
      if (w > LVSIL_STATE) return 0;
      HIMAGELIST old = v->images[w];
      v->images[w] = (HIMAGELIST)l;
      Clamp(h, *v);
      Redraw(h);
      return (LRESULT)old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return v->exStyle;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = v->exStyle, mask = w ? (DWORD)w : 0xFFFFFFFFu;
      v->exStyle = (old & ~mask) | ((DWORD)l & mask);
      Redraw(h);
      return old;
    }

    case LVM_INSERTCOLUMNW: {
      auto* lc = (const LVCOLUMNW*)l;
      if (!lc) return -1;
      int at = std::clamp((int)w, 0, (int)v->cols.size());
      Column c;
      c.subItem = at;
      PutColumn(h, c, lc);
      v->cols.insert(v->cols.begin() + at, c);
      Clamp(h, *v);
      return at;
    }
    case LVM_SETCOLUMNW:
      if (!l || (int)w < 0 || (int)w >= (int)v->cols.size()) return FALSE;
      PutColumn(h, v->cols[w], (const LVCOLUMNW*)l);
      Clamp(h, *v);
      return TRUE;
    case LVM_GETCOLUMNW: {
      auto* lc = (LVCOLUMNW*)l;
      if (!lc || (int)w < 0 || (int)w >= (int)v->cols.size()) return FALSE;
      const Column& c = v->cols[w];
      if (lc->mask & LVCF_FMT) lc->fmt = c.fmt;
      if (lc->mask & LVCF_WIDTH) lc->cx = c.cx;
      if (lc->mask & LVCF_TEXT) CopyText(c.text, lc->pszText, lc->cchTextMax);
      if (lc->mask & LVCF_SUBITEM) lc->iSubItem = c.subItem;
      if (lc->mask & LVCF_ORDER) lc->iOrder = (int)w;
      return TRUE;
    }
    case LVM_DELETECOLUMN:
      if ((int)w < 0 || (int)w >= (int)v->cols.size()) return FALSE;
      v->cols.erase(v->cols.begin() + w);
      Clamp(h, *v);
      Redraw(h);
      return TRUE;
    case LVM_GETCOLUMNWIDTH: return (int)w >= 0 && (int)w < (int)v->cols.size() ? v->cols[w].cx : 0;
    case LVM_SETCOLUMNWIDTH: {
      if ((int)w < 0 || (int)w >= (int)v->cols.size()) return FALSE;
      int cx = (short)LOWORD(l);
      if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) cx = AutoWidth(h, *v, (int)w, cx == LVSCW_AUTOSIZE_USEHEADER);
      v->cols[w].cx = std::max(0, cx);
      Clamp(h, *v);
      Redraw(h);
      return TRUE;
    }
    case LVM_GETHEADER: return 0;

    case LVM_GETITEMCOUNT: return Count(*v);
    case LVM_INSERTITEMW: return InsertItem(h, *v, (const LVITEMW*)l);
    case LVM_SETITEMW: return SetItem(h, (const LVITEMW*)l);
    case LVM_GETITEMW: return GetItem(h, (LVITEMW*)l);
    case LVM_SETITEMTEXTW: {
      auto* it = (const LVITEMW*)l;
      if (!it) return FALSE;
      LVITEMW set{};
      set.mask = LVIF_TEXT, set.iItem = (int)w, set.iSubItem = it->iSubItem, set.pszText = it->pszText;
      return SetItem(h, &set);
    }
    case LVM_GETITEMTEXTW: {
      auto* it = (LVITEMW*)l;
      if (!it || !Valid(*v, (int)w)) return 0;
      return CopyText(Shown(h, (int)w, it->iSubItem, nullptr), it->pszText, it->cchTextMax);
    }
    case LVM_DELETEITEM: return DeleteItem(h, (int)w);
    case LVM_DELETEALLITEMS: DeleteAll(h, false); return TRUE;
    case LVM_SETITEMSTATE: {
      auto* it = (const LVITEMW*)l;
      if (!it || ((int)w != -1 && !Valid(*v, (int)w))) return FALSE;
      SetState(h, (int)w, it->state, it->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE: return Valid(*v, (int)w) ? v->rows[w].state & (UINT)l : 0;
    case LVM_GETNEXTITEM: return NextItem(*v, (int)w, LOWORD(l));
    case LVM_FINDITEMW: return FindItem(*v, (int)w, (const LVFINDINFOW*)l);
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(v->rows.begin(), v->rows.end(), [](const Row& r) { return r.state & LVIS_SELECTED; });
    case LVM_GETSELECTIONMARK: return v->mark;
    case LVM_SETSELECTIONMARK: {
      int old = v->mark;
      v->mark = Valid(*v, (int)l) ? (int)l : -1;
      return old;
    }
    case LVM_SORTITEMS: return SortItems(h, (PFNLVCOMPARE)l, (LPARAM)w);

    case LVM_GETITEMRECT: return l && ItemRect(h, *v, (int)w, 0, ((RECT*)l)->left, (RECT*)l);
    case LVM_GETSUBITEMRECT: return l && ItemRect(h, *v, (int)w, ((RECT*)l)->top, ((RECT*)l)->left, (RECT*)l);
    case LVM_HITTEST: return l ? HitTest(h, *v, (LVHITTESTINFO*)l, false) : -1;
    case LVM_SUBITEMHITTEST: return l ? HitTest(h, *v, (LVHITTESTINFO*)l, true) : -1;
    case LVM_ENSUREVISIBLE:
      if (!Valid(*v, (int)w)) return FALSE;
      EnsureVisible(h, *v, (int)w, LOWORD(l) != 0);
      return TRUE;
    case LVM_SCROLL: {
      int rh = std::max(1, RowHeight(*v)), dy = (int)l;
      int rows = dy >= 0 ? (dy + rh - 1) / rh : -((-dy + rh - 1) / rh);
      v->top += rows, v->hscroll += (int)w;
      Clamp(h, *v);
      Redraw(h);
      return TRUE;
    }
    case LVM_GETTOPINDEX: return v->top;
    case LVM_GETCOUNTPERPAGE: return LayoutOf(h, *v).perPage;
    case LVM_REDRAWITEMS:
    case LVM_UPDATE: Redraw(h); return TRUE;
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(WC_LISTVIEWW, ListViewProc, CS_DBLCLKS), 1);

}  // namespace
