// Menus and popup menus. A menu is a list of items (strings, separators,
// popups); a popup menu is shown as a framed list over the screen and runs
// its own loop until an enabled item is tapped or the stylus lands outside.
#include <algorithm>
#include <memory>
#include <mutex>
#include <set>

#include "../controls/lxctl.h"
#include "lxresource.h"

namespace {

struct MenuItem {
  UINT flags = 0;  // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
  UINT id = 0;
  std::u16string text;
  HMENU popup = nullptr;
};

struct Menu {
  std::vector<MenuItem> items;
};

std::recursive_mutex gLock;
std::set<Menu*> gMenus;

Menu* M(HMENU h) {
  auto* m = (Menu*)h;
  return gMenus.count(m) ? m : nullptr;
}

HMENU NewMenu() {
  std::lock_guard lock(gLock);
  auto* m = new Menu;
  gMenus.insert(m);
  return (HMENU)m;
}

// The item named by position or command (searching popups too).
MenuItem* Find(HMENU h, UINT item, UINT flags) {
  Menu* m = M(h);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
  for (auto& it : m->items) {
    if (!(it.flags & MF_POPUP) && !(it.flags & MF_SEPARATOR) && it.id == item) return &it;
    if (it.flags & MF_POPUP)
      if (MenuItem* in = Find(it.popup, item, flags)) return in;
  }
  return nullptr;
}

HMENU Build(WORD count, const LXMENUITEM* items) {
  HMENU h = NewMenu();
  for (int i = 0; i < count && items; ++i) {
    const LXMENUITEM& it = items[i];
    MenuItem mi{it.flags, it.id, it.text ? it.text : u"", nullptr};
    if (it.flags & MF_POPUP) mi.popup = Build(it.popupCount, it.popup);
    M(h)->items.push_back(mi);
  }
  return h;
}

// ---- The popup window ----

struct Shown {
  HMENU menu;
  int rowHeight;
  int hot = -1;
  bool done = false;
  UINT result = 0;
};

constexpr int kSeparator = 5;

int RowHeight(const MenuItem& it, int text) { return (it.flags & MF_SEPARATOR) ? kSeparator : text; }

int ItemAt(Shown& s, int y) {
  Menu* m = M(s.menu);
  int top = 1;
  for (int i = 0; m && i < (int)m->items.size(); ++i) {
    int hgt = RowHeight(m->items[i], s.rowHeight);
    if (y >= top && y < top + hgt) return i;
    top += hgt;
  }
  return -1;
}

bool Pickable(const MenuItem& it) { return !(it.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP)); }

LRESULT CALLBACK PopupProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* s = (Shown*)GetWindowLongW(h, GWL_USERDATA);
  if (!s) return DefWindowProcW(h, msg, w, l);
  std::lock_guard lock(gLock);
  Menu* m = M(s->menu);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT c;
      GetClientRect(h, &c);
      FillRect(dc, &c, (HBRUSH)GetStockObject(WHITE_BRUSH));
      HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
      SetBkMode(dc, TRANSPARENT);
      int top = 1;
      for (int i = 0; m && i < (int)m->items.size(); ++i) {
        const MenuItem& it = m->items[i];
        int hgt = RowHeight(it, s->rowHeight);
        RECT r{1, top, c.right - 1, top + hgt};
        if (it.flags & MF_SEPARATOR) {
          RECT line{4, top + 2, c.right - 4, top + 3};
          FillRect(dc, &line, (HBRUSH)GetStockObject(BLACK_BRUSH));
        } else {
          bool hot = i == s->hot && Pickable(it);
          if (hot) {
            HBRUSH b = CreateSolidBrush(lxctl::kHighlight);
            FillRect(dc, &r, b);
            DeleteObject(b);
          }
          SetTextColor(dc, (it.flags & (MF_GRAYED | MF_DISABLED)) ? lxctl::kGrey : hot ? RGB(255, 255, 255) : RGB(0, 0, 0));
          if (it.flags & MF_CHECKED) {
            RECT mark{r.left + 2, r.top, r.left + 14, r.bottom};
            DrawTextW(dc, u"\u2713", 1, &mark, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
          }
          RECT t{r.left + 16, r.top, r.right - 12, r.bottom};
          DrawTextW(dc, it.text.c_str(), (int)it.text.size(), &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
          if (it.flags & MF_POPUP) {
            RECT a{r.right - 12, r.top, r.right - 2, r.bottom};
            DrawTextW(dc, u"\u25B8", 1, &a, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
          }
        }
        top += hgt;
      }
      SelectObject(dc, of);
      lxctl::FrameRect1(dc, c, RGB(0, 0, 0));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE: {
      RECT c;
      GetClientRect(h, &c);
      POINT p{(short)LOWORD(l), (short)HIWORD(l)};
      if (msg == WM_LBUTTONDOWN && !PtInRect(&c, p)) {
        s->done = true;  // outside: nothing picked
        return 0;
      }
      int i = PtInRect(&c, p) ? ItemAt(*s, p.y) : -1;
      if (i != s->hot) s->hot = i, InvalidateRect(h, nullptr, FALSE);
      return 0;
    }
    case WM_LBUTTONUP: {
      RECT c;
      GetClientRect(h, &c);
      POINT p{(short)LOWORD(l), (short)HIWORD(l)};
      int i = PtInRect(&c, p) ? ItemAt(*s, p.y) : -1;
      if (i >= 0 && m && Pickable(m->items[i])) s->result = m->items[i].id, s->done = true;
      return 0;
    }
    case WM_KEYDOWN: {
      int n = m ? (int)m->items.size() : 0;
      if (w == VK_ESCAPE) s->done = true;
      if ((w == VK_DOWN || w == VK_UP) && n) {
        int i = s->hot;
        for (int k = 0; k < n; ++k) {
          i = ((w == VK_DOWN ? i + 1 : i - 1) % n + n) % n;
          if (Pickable(m->items[i])) break;
        }
        s->hot = i;
        InvalidateRect(h, nullptr, FALSE);
      }
      if (w == VK_RETURN && s->hot >= 0 && s->hot < n && Pickable(m->items[s->hot]))
        s->result = m->items[s->hot].id, s->done = true;
      return 0;
    }
    case WM_CAPTURECHANGED:
      if ((HWND)l != h) s->done = true;
      return 0;
  }
  return DefWindowProcW(h, msg, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"LxMenuPopup", PopupProc), 1);

}  // namespace

HMENU CreateMenu(void) { return NewMenu(); }
HMENU CreatePopupMenu(void) { return NewMenu(); }

BOOL DestroyMenu(HMENU h) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m) return FALSE;
  for (auto& it : m->items)
    if (it.flags & MF_POPUP) DestroyMenu(it.popup);
  gMenus.erase(m);
  delete m;
  return TRUE;
}

BOOL IsMenu(HMENU h) {
  std::lock_guard lock(gLock);
  return M(h) != nullptr;
}

HMENU LoadMenuIndirectW(const void* t) {
  auto* mt = (const LXMENUTEMPLATE*)t;
  if (!mt) return nullptr;
  std::lock_guard lock(gLock);
  return Build(mt->itemCount, mt->items);
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
  HRSRC r = FindResourceW((HMODULE)instance, name, RT_MENU);
  HGLOBAL g = r ? LoadResource((HMODULE)instance, r) : nullptr;
  return g ? LoadMenuIndirectW(LockResource(g)) : nullptr;
}

HMENU GetSubMenu(HMENU h, int position) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m || position < 0 || position >= (int)m->items.size()) return nullptr;
  return (m->items[position].flags & MF_POPUP) ? m->items[position].popup : nullptr;
}

int GetMenuItemCount(HMENU h) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  return m ? (int)m->items.size() : -1;
}

UINT GetMenuItemID(HMENU h, int position) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m || position < 0 || position >= (int)m->items.size()) return (UINT)-1;
  return (m->items[position].flags & MF_POPUP) ? (UINT)-1 : m->items[position].id;
}

UINT GetMenuState(HMENU h, UINT item, UINT flags) {
  std::lock_guard lock(gLock);
  MenuItem* it = Find(h, item, flags);
  return it ? (it->flags & ~MF_BYPOSITION) : (UINT)-1;
}

int GetMenuStringW(HMENU h, UINT item, LPWSTR text, int size, UINT flags) {
  std::lock_guard lock(gLock);
  MenuItem* it = Find(h, item, flags);
  if (!it) return 0;
  if (text && size > 0) lstrcpynW(text, it->text.c_str(), size);
  return (int)it->text.size();
}

DWORD EnableMenuItem(HMENU h, UINT item, UINT flags) {
  std::lock_guard lock(gLock);
  MenuItem* it = Find(h, item, flags);
  if (!it) return (DWORD)-1;
  DWORD old = it->flags & (MF_GRAYED | MF_DISABLED);
  it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return old;
}

DWORD CheckMenuItem(HMENU h, UINT item, UINT flags) {
  std::lock_guard lock(gLock);
  MenuItem* it = Find(h, item, flags);
  if (!it) return (DWORD)-1;
  DWORD old = it->flags & MF_CHECKED;
  it->flags = (it->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

BOOL CheckMenuRadioItem(HMENU h, UINT first, UINT last, UINT check, UINT flags) {
  std::lock_guard lock(gLock);
  bool found = false;
  for (UINT i = first; i <= last; ++i)
    if (MenuItem* it = Find(h, i, flags)) {
      found = true;
      it->flags = i == check ? it->flags | MF_CHECKED : it->flags & ~MF_CHECKED;
    }
  return found;
}

BOOL InsertMenuW(HMENU h, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m) return FALSE;
  MenuItem it{flags & ~MF_BYPOSITION, (flags & MF_POPUP) ? 0 : (UINT)idOrPopup,
              text && !(flags & MF_SEPARATOR) ? text : u"", (flags & MF_POPUP) ? (HMENU)idOrPopup : nullptr};
  size_t at = m->items.size();
  if (flags & MF_BYPOSITION) {
    at = std::min<size_t>(position, m->items.size());
  } else {
    for (size_t i = 0; i < m->items.size(); ++i)
      if (m->items[i].id == position && !(m->items[i].flags & MF_POPUP)) at = i;
  }
  m->items.insert(m->items.begin() + at, it);
  return TRUE;
}

BOOL AppendMenuW(HMENU h, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  return InsertMenuW(h, (UINT)-1, flags | MF_BYPOSITION, idOrPopup, text);
}

namespace {
BOOL Remove(HMENU h, UINT item, UINT flags, bool destroy) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m) return FALSE;
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    bool match = (flags & MF_BYPOSITION) ? i == item : !(it.flags & MF_POPUP) && it.id == item;
    if (match) {
      if (destroy && (it.flags & MF_POPUP)) DestroyMenu(it.popup);
      m->items.erase(m->items.begin() + i);
      return TRUE;
    }
    if (!(flags & MF_BYPOSITION) && (it.flags & MF_POPUP) && Remove(it.popup, item, flags, destroy)) return TRUE;
  }
  return FALSE;
}
}  // namespace

BOOL DeleteMenu(HMENU h, UINT item, UINT flags) { return Remove(h, item, flags, true); }
BOOL RemoveMenu(HMENU h, UINT item, UINT flags) { return Remove(h, item, flags, false); }

BOOL ModifyMenuW(HMENU h, UINT item, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::lock_guard lock(gLock);
  MenuItem* it = Find(h, item, flags);
  if (!it) return FALSE;
  it->flags = flags & ~MF_BYPOSITION;
  it->id = (flags & MF_POPUP) ? 0 : (UINT)idOrPopup;
  it->popup = (flags & MF_POPUP) ? (HMENU)idOrPopup : nullptr;
  it->text = text && !(flags & MF_SEPARATOR) ? text : u"";
  return TRUE;
}

BOOL TrackPopupMenuEx(HMENU h, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
  Shown s{h, 0};
  int width = 60, height = 2;
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    s.rowHeight = tm.tmHeight + 6;
    std::lock_guard lock(gLock);
    Menu* m = M(h);
    if (!m || m->items.empty()) {
      SelectObject(dc, of), DeleteDC(dc);
      return FALSE;
    }
    for (auto& it : m->items) {
      SIZE z{};
      GetTextExtentPoint32W(dc, it.text.c_str(), (int)it.text.size(), &z);
      width = std::max(width, (int)z.cx + 32);
      height += RowHeight(it, s.rowHeight);
    }
    SelectObject(dc, of), DeleteDC(dc);
  }
  width = std::min(width, 240);
  if (flags & TPM_RIGHTALIGN) x -= width;
  else if (flags & TPM_CENTERALIGN) x -= width / 2;
  if (flags & TPM_BOTTOMALIGN) y -= height;
  else if (flags & TPM_VCENTERALIGN) y -= height / 2;
  x = std::clamp(x, 0, 240 - width);
  y = std::clamp(y, 0, std::max(0, 320 - height));
  if (owner && !(flags & TPM_NONOTIFY)) SendMessageW(owner, WM_INITMENUPOPUP, (WPARAM)h, 0);
  HWND top = owner;
  while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
  HWND popup = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, u"LxMenuPopup", u"", WS_POPUP, x, y, width, height,
                               top, nullptr, nullptr, nullptr);
  if (!popup) return FALSE;
  SetWindowLongW(popup, GWL_USERDATA, (LONG_PTR)&s);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  SetCapture(popup);
  // Keys go to the menu while it is up.
  HWND oldFocus = SetFocus(popup);
  MSG msg;
  while (!s.done && IsWindow(popup)) {
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      PostQuitMessage((int)msg.wParam);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (GetCapture() == popup) ReleaseCapture();
  SetWindowLongW(popup, GWL_USERDATA, 0);
  DestroyWindow(popup);
  if (oldFocus && IsWindow(oldFocus)) SetFocus(oldFocus);
  if (flags & TPM_RETURNCMD) return (BOOL)s.result;
  if (s.result && owner) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(s.result, 0), 0);
  return s.result != 0;
}

BOOL TrackPopupMenu(HMENU h, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(h, flags, x, y, owner, nullptr);
}
