// Popup menus on the screen. A tracked menu is a chain of levels: the menu
// itself and, beside it, the submenu of its highlighted item, and so on. The
// first level's window holds the capture and sees every tap and drag; the
// loop takes the thread's keys, which act on the deepest level.
#include <algorithm>

#include "../controls/lxctl.h"
#include "lxmenu.h"
#include "../gdi/lxgdi.h"

using lxmenu::MenuItem;

namespace {

// The menu bar's strip: menus that stay above it keep their submenus above it too.
int BarTop() { return lx::Screen().height - lx::Screen().menuBar; }
constexpr int kSeparator = 5;
constexpr int kMinWidth = 60;

struct Level {
  HMENU menu = nullptr;
  std::vector<MenuItem> items;
  HWND window = nullptr;
  RECT rect{};  // on the screen
  int hot = -1;
};

struct Tracking {
  std::vector<Level> levels;  // each after the first opened from the hot item of the one before
  HWND owner = nullptr;       // gets WM_INITMENUPOPUP
  HWND top = nullptr;         // the owner's top-level window: the popups' parent
  UINT flags = 0;
  int rowHeight = 0;
  bool done = false;
  UINT result = 0;
};

bool Selectable(const MenuItem& it) { return !(it.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)); }
bool Opens(const MenuItem& it) { return Selectable(it) && (it.flags & MF_POPUP) && it.popup; }
bool Pickable(const MenuItem& it) { return Selectable(it) && !(it.flags & MF_POPUP); }

int RowHeight(const Tracking& t, const MenuItem& it) { return (it.flags & MF_SEPARATOR) ? kSeparator : t.rowHeight; }

// The item's rows in client coordinates; the frame takes one pixel.
RECT ItemRect(const Tracking& t, const Level& lv, int index) {
  int top = 1;
  for (int i = 0; i < index; ++i) top += RowHeight(t, lv.items[i]);
  int width = lv.rect.right - lv.rect.left;
  return RECT{1, top, width - 1, top + RowHeight(t, lv.items[index])};
}

int ItemAt(const Tracking& t, const Level& lv, int y) {
  int top = 1;
  for (int i = 0; i < (int)lv.items.size(); ++i) {
    int hgt = RowHeight(t, lv.items[i]);
    if (y >= top && y < top + hgt) return i;
    top += hgt;
  }
  return -1;
}

SIZE Measure(const Tracking& t, const std::vector<MenuItem>& items) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SIZE size{kMinWidth, 2};
  for (auto& it : items) {
    SIZE z{};
    GetTextExtentPoint32W(dc, it.text.c_str(), (int)it.text.size(), &z);
    size.cx = std::max(size.cx, (LONG)z.cx + 32);  // check mark on the left, submenu arrow on the right
    size.cy += RowHeight(t, it);
  }
  SelectObject(dc, of);
  DeleteDC(dc);
  size.cx = std::min<LONG>(size.cx, lx::Screen().width);
  return size;
}

Tracking* TrackingOf(HWND h) { return (Tracking*)GetWindowLongW(h, GWL_USERDATA); }

Level* LevelOf(Tracking& t, HWND h) {
  for (auto& lv : t.levels)
    if (lv.window == h) return &lv;
  return nullptr;
}

void Paint(HWND h, Tracking& t, const Level& lv) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  FillRect(dc, &c, (HBRUSH)GetStockObject(WHITE_BRUSH));
  HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < (int)lv.items.size(); ++i) {
    const MenuItem& it = lv.items[i];
    RECT r = ItemRect(t, lv, i);
    if (it.flags & MF_SEPARATOR) {
      RECT line{4, r.top + 2, c.right - 4, r.top + 3};
      FillRect(dc, &line, (HBRUSH)GetStockObject(BLACK_BRUSH));
      continue;
    }
    // The highlight inverts the row: selection colour behind white text.
    bool hot = i == lv.hot && Selectable(it);
    if (hot) {
      HBRUSH b = CreateSolidBrush(lxctl::kHighlight);
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    SetTextColor(dc, !Selectable(it) ? lxctl::kGrey : hot ? RGB(255, 255, 255) : RGB(0, 0, 0));
    if (it.flags & MF_CHECKED) {
      RECT mark{r.left + 2, r.top, r.left + 14, r.bottom};
      DrawTextW(dc, u"\u2713", 1, &mark, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    RECT text{r.left + 16, r.top, r.right - 12, r.bottom};
    DrawTextW(dc, it.text.c_str(), (int)it.text.size(), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (it.flags & MF_POPUP) {
      RECT arrow{r.right - 12, r.top, r.right - 2, r.bottom};
      DrawTextW(dc, u"\u25B8", 1, &arrow, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
  }
  SelectObject(dc, of);
  lxctl::FrameRect1(dc, c, RGB(0, 0, 0));
  EndPaint(h, &ps);
}

// Mouse input in the first level's client coordinates, as the capture gives it.
void Pointer(Tracking& t, UINT msg, WPARAM keys, POINT p);

LRESULT CALLBACK PopupProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  Tracking* t = TrackingOf(h);
  Level* lv = t ? LevelOf(*t, h) : nullptr;
  if (!lv) return DefWindowProcW(h, msg, w, l);
  switch (msg) {
    case WM_PAINT: Paint(h, *t, *lv); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      POINT p{(short)LOWORD(l), (short)HIWORD(l)};
      p.x += lv->rect.left, p.y += lv->rect.top;
      Pointer(*t, msg == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : msg, w, p);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if ((HWND)l != h) t->done = true;  // someone else took the stylus: the menu goes
      return 0;
  }
  return DefWindowProcW(h, msg, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"LxMenuPopup", PopupProc), 1);

bool Show(Tracking& t, HMENU menu, std::vector<MenuItem> items, RECT where) {
  Level lv;
  lv.menu = menu;
  lv.items = std::move(items);
  lv.rect = where;
  t.levels.push_back(std::move(lv));
  HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, u"LxMenuPopup", u"", WS_POPUP, where.left, where.top,
                           where.right - where.left, where.bottom - where.top, t.top, nullptr, nullptr, nullptr);
  if (!w) {
    t.levels.pop_back();
    return false;
  }
  t.levels.back().window = w;
  SetWindowLongW(w, GWL_USERDATA, (LONG_PTR)&t);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  return true;
}

// Closes the levels from `first` on; the level before keeps its highlight.
void CloseFrom(Tracking& t, size_t first) {
  while (t.levels.size() > first && t.levels.size() > 1) {
    HWND w = t.levels.back().window;
    t.levels.pop_back();
    SetWindowLongW(w, GWL_USERDATA, 0);
    DestroyWindow(w);
  }
}

void SetHot(Tracking& t, size_t k, int index) {
  Level& lv = t.levels[k];
  if (lv.hot == index) return;
  lv.hot = index;
  CloseFrom(t, k + 1);  // a submenu belongs to the item that opened it
  InvalidateRect(lv.window, nullptr, FALSE);
}

// Opens the submenu of level k's highlighted item beside the item: to the
// right, or to the left when the screen has no room there.
bool OpenSubmenu(Tracking& t, size_t k) {
  CloseFrom(t, k + 1);
  const Level& lv = t.levels[k];
  if (lv.hot < 0 || lv.hot >= (int)lv.items.size() || !Opens(lv.items[lv.hot])) return false;
  HMENU sub = lv.items[lv.hot].popup;
  int position = lv.hot;
  RECT parent = lv.rect;
  int rowTop = parent.top + ItemRect(t, lv, lv.hot).top;
  // The owner may fill or grey the submenu's items before they are shown.
  if (t.owner && !(t.flags & TPM_NONOTIFY)) SendMessageW(t.owner, WM_INITMENUPOPUP, (WPARAM)sub, MAKELPARAM(position, 0));
  std::vector<MenuItem> items = lxmenu::ItemsOf(sub);
  if (items.empty() || t.done) return false;
  SIZE size = Measure(t, items);
  int x = parent.right - 1;  // the frames overlap
  const int kScreenWidth = lx::Screen().width, kBarTop = BarTop();
  if (x + size.cx > kScreenWidth) x = parent.left + 1 - size.cx;
  x = std::clamp(x, 0, kScreenWidth - (int)size.cx);
  int bottom = parent.bottom <= kBarTop && size.cy <= kBarTop ? kBarTop : lx::Screen().height;
  int y = std::clamp(rowTop - 1, 0, std::max(0, bottom - (int)size.cy));
  return Show(t, sub, std::move(items), RECT{x, y, x + size.cx, y + size.cy});
}

void Pointer(Tracking& t, UINT msg, WPARAM keys, POINT p) {
  if (msg == WM_MOUSEMOVE && !(keys & MK_LBUTTON)) return;  // the stylus moves only while it touches
  int k = (int)t.levels.size() - 1;
  while (k >= 0 && !PtInRect(&t.levels[k].rect, p)) --k;
  if (k < 0) {
    if (msg == WM_LBUTTONDOWN) t.done = true;  // outside every level: nothing chosen
    else SetHot(t, t.levels.size() - 1, -1);
    return;
  }
  Level& lv = t.levels[k];
  int i = ItemAt(t, lv, p.y - lv.rect.top);
  if (i >= 0 && !Selectable(lv.items[i])) i = -1;  // separators and greyed items take no highlight
  SetHot(t, k, i);
  if (i < 0) return;
  const MenuItem& it = t.levels[k].items[i];
  if (Opens(it)) {
    if (t.levels.size() == (size_t)k + 1) OpenSubmenu(t, k);
  } else if (msg == WM_LBUTTONUP && Pickable(it)) {
    t.result = it.id;
    t.done = true;
  }
}

// The next selectable item from `from` going `step`, wrapping; -1 when none.
int NextSelectable(const Level& lv, int from, int step) {
  int n = (int)lv.items.size();
  for (int k = 1; k <= n; ++k) {
    int i = ((from + step * k) % n + n) % n;
    if (Selectable(lv.items[i])) return i;
  }
  return -1;
}

void Key(Tracking& t, UINT vk) {
  size_t k = t.levels.size() - 1;
  Level& lv = t.levels[k];
  int n = (int)lv.items.size();
  bool opens = lv.hot >= 0 && lv.hot < n && Opens(lv.items[lv.hot]);
  switch (vk) {
    case VK_UP:
    case VK_DOWN: {
      int step = vk == VK_DOWN ? 1 : -1;
      int from = lv.hot >= 0 ? lv.hot : step > 0 ? -1 : n;
      int i = NextSelectable(lv, from, step);
      if (i >= 0) SetHot(t, k, i);
      break;
    }
    case VK_RIGHT:
    case VK_RETURN:
      if (opens) {
        if (OpenSubmenu(t, k)) {
          Level& sub = t.levels.back();
          SetHot(t, t.levels.size() - 1, NextSelectable(sub, -1, 1));
        }
      } else if (vk == VK_RETURN && lv.hot >= 0 && lv.hot < n && Pickable(lv.items[lv.hot])) {
        t.result = lv.items[lv.hot].id;
        t.done = true;
      }
      break;
    case VK_LEFT:
      if (k > 0) CloseFrom(t, k);
      break;
    case VK_ESCAPE:
      if (k > 0) CloseFrom(t, k);
      else t.done = true;
      break;
  }
}

bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }

}  // namespace

UINT lxmenu::Track(HMENU menu, UINT flags, int x, int y, HWND owner, int position) {
  Tracking t;
  t.owner = owner;
  t.flags = flags;
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    t.rowHeight = tm.tmHeight + 6;
    SelectObject(dc, of);
    DeleteDC(dc);
  }
  if (owner && !(flags & TPM_NONOTIFY)) SendMessageW(owner, WM_INITMENUPOPUP, (WPARAM)menu, MAKELPARAM(position, 0));
  std::vector<MenuItem> items = ItemsOf(menu);
  if (items.empty()) return 0;
  SIZE size = Measure(t, items);
  if (flags & TPM_RIGHTALIGN) x -= size.cx;
  else if (flags & TPM_CENTERALIGN) x -= size.cx / 2;
  if (flags & TPM_BOTTOMALIGN) y -= size.cy;
  else if (flags & TPM_VCENTERALIGN) y -= size.cy / 2;
  x = std::clamp(x, 0, lx::Screen().width - (int)size.cx);
  y = std::clamp(y, 0, std::max(0, lx::Screen().height - (int)size.cy));
  t.top = owner;
  while (t.top && (GetWindowLongW(t.top, GWL_STYLE) & WS_CHILD)) t.top = GetParent(t.top);
  if (!Show(t, menu, std::move(items), RECT{x, y, x + size.cx, y + size.cy})) return 0;
  HWND first = t.levels[0].window;
  SetCapture(first);
  MSG msg;
  while (!t.done && IsWindow(first)) {
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      PostQuitMessage((int)msg.wParam);  // the loop outside must see it too
      break;
    }
    // While the menu is up the thread's keys are the menu's.
    if (IsKeyMessage(msg.message)) {
      if (msg.message == WM_KEYDOWN) Key(t, (UINT)msg.wParam);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CloseFrom(t, 1);
  if (GetCapture() == first) ReleaseCapture();
  SetWindowLongW(first, GWL_USERDATA, 0);
  DestroyWindow(first);
  return t.result;
}
