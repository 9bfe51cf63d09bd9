// Shared by the dialog manager and the standard controls.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "windows.h"

namespace lxctl {

// Controls keep their state behind extra-byte slot 0 and their font in slot 4.
constexpr int kStateSlot = 0;
constexpr int kFontSlot = 4;
constexpr int kControlExtra = 8;

template <class T>
T* StateOf(HWND h) {
  return reinterpret_cast<T*>(GetWindowLongW(h, kStateSlot));
}

HFONT FontOf(HWND h);  // the font set with WM_SETFONT, else the system font
// Asks the parent for the control's colours (WM_CTLCOLOR...); the DC gets the
// text and background colours, the result is the brush to fill with.
HBRUSH ControlColours(HWND h, HDC dc, UINT ctlColorMsg);
void Notify(HWND h, WORD code);  // WM_COMMAND to the parent
// Children of a window in creation order (the order of a dialog's template).
std::vector<HWND> ChildrenInOrder(HWND parent);
void FrameRect1(HDC dc, const RECT& r, COLORREF colour);  // one-pixel frame
void RegisterControlClass(LPCWSTR name, WNDPROC proc, UINT style = 0);
std::u16string TextOf(HWND h);
// Platform-private, below WM_USER: a tab control whose style moved its tabs
// tells its parent, so that a property sheet places its page again.
constexpr UINT kTabLayoutChanged = 0x03E0;
// The device's grey for disabled text and frames.
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kHighlight = RGB(0x0A, 0x24, 0x6A);

}  // namespace lxctl

namespace lxctl {

// A vertical scroll bar drawn by the control that owns it: arrows at both
// ends, a thumb sized by the visible share.
constexpr int kBarWidth = 11;
void DrawVScrollBar(HDC dc, const RECT& bar, int pos, int page, int total);
// What a tap at y in the bar means: SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN.
int VScrollBarHit(const RECT& bar, int y, int pos, int page, int total);

// The items of a list box or a combo box's list.
struct ListItem {
  std::u16string text;
  LPARAM data = 0;
};

struct ItemList {
  std::vector<ListItem> items;
  int sel = -1;
  int top = 0;
  int itemHeight = 14;
  bool sorted = false;
  int Count() const { return (int)items.size(); }
  int Add(LPCWSTR text);                 // sorted lists insert in order
  int Insert(int index, LPCWSTR text);   // -1: at the end
  int Delete(int index);                 // the count left, or -1
  int Find(int after, LPCWSTR text, bool exact) const;
  int Visible(const RECT& area) const { return std::max(1, (int)(area.bottom - area.top) / itemHeight); }
  void ClampTop(const RECT& area);
  void ShowItem(int index, const RECT& area);  // scrolls the item into view
  int IndexAt(const RECT& area, int y) const;  // -1 below the last item
  // Draws the items into area (white, selection highlighted); the scroll bar
  // takes the right edge when bar is set.
  void Paint(HDC dc, const RECT& area, HFONT font, bool bar, HWND ownerDraw, UINT ctlType, UINT ctlId) const;
};

}  // namespace lxctl
