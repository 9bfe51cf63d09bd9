// The Pocket PC shell: the menu bar along the bottom of the screen (buttons
// from a menu-bar resource, each a plain command or the drop-down of a popup
// of its menu), full-screen dialogs and the input panel preference.
#include <algorithm>
#include <map>
#include <mutex>

#include "../controls/lxctl.h"
#include "../menus/lxmenu.h"
#include "aygshell.h"
#include "lxresource.h"
#include "../gdi/lxgdi.h"

namespace {

constexpr int kBarHeight = 26;
int BarTop() { return lx::Screen().height - kBarHeight; }

struct Button {
  UINT id;
  std::u16string text;
  int popupIndex;
  BYTE state;
  RECT rect;
};

struct MenuBar {
  HWND parent = nullptr;
  HMENU menu = nullptr;
  std::vector<Button> buttons;
  int pressed = -1;
};

std::mutex gLock;
std::map<HWND, HWND> gBarOfParent;

MenuBar* BarOf(HWND h) { return lxctl::StateOf<MenuBar>(h); }

void Layout(HWND h, MenuBar& b) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  int x = 0;
  for (auto& btn : b.buttons) {
    if (btn.state & TBSTATE_HIDDEN) {
      btn.rect = RECT{x, 0, x, kBarHeight};
      continue;
    }
    SIZE z{};
    GetTextExtentPoint32W(dc, btn.text.c_str(), (int)btn.text.size(), &z);
    int w = (int)z.cx + 12;
    btn.rect = RECT{x, 0, x + w, kBarHeight};
    x += w;
  }
  SelectObject(dc, of);
  DeleteDC(dc);
  InvalidateRect(h, nullptr, FALSE);
}

HMENU SubMenuOf(MenuBar& b, const Button& btn) {
  return btn.popupIndex >= 0 ? GetSubMenu(b.menu, btn.popupIndex) : nullptr;
}

void Paint(HWND h, MenuBar& b) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  HBRUSH face = CreateSolidBrush(RGB(0xD4, 0xD0, 0xC8));
  FillRect(dc, &c, face);
  DeleteObject(face);
  RECT line{0, 0, c.right, 1};
  FillRect(dc, &line, (HBRUSH)GetStockObject(BLACK_BRUSH));
  HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < b.buttons.size(); ++i) {
    const Button& btn = b.buttons[i];
    if (btn.state & TBSTATE_HIDDEN) continue;
    RECT r = btn.rect;
    r.top = 1;
    bool down = (int)i == b.pressed || (btn.state & (TBSTATE_PRESSED | TBSTATE_CHECKED));
    if (down) FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    SetTextColor(dc, !(btn.state & TBSTATE_ENABLED) ? lxctl::kGrey : down ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawTextW(dc, btn.text.c_str(), (int)btn.text.size(), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, of);
  EndPaint(h, &ps);
}

int ButtonIndex(MenuBar& b, UINT id) {
  for (size_t i = 0; i < b.buttons.size(); ++i)
    if (b.buttons[i].id == id) return (int)i;
  return -1;
}

void Press(HWND h, MenuBar& b, int i) {
  Button btn = b.buttons[i];
  // A modal dialog disables the owner; its menu bar must not reach it then.
  if (!(btn.state & TBSTATE_ENABLED) || !IsWindowEnabled(b.parent)) return;
  HMENU sub = SubMenuOf(b, btn);
  b.pressed = i;
  InvalidateRect(h, nullptr, FALSE);
  UpdateWindow(h);
  if (sub) {
    // The drop-down opens upwards from the button; its pick, from it or from
    // one of its submenus, arrives as WM_COMMAND.
    HWND parent = b.parent;  // the bar may be gone when the menu closes
    UINT cmd = lxmenu::Track(sub, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, btn.rect.left, BarTop(), parent,
                             btn.popupIndex);
    if (IsWindow(h)) b.pressed = -1, InvalidateRect(h, nullptr, FALSE);
    if (cmd) PostMessageW(parent, WM_COMMAND, MAKEWPARAM(cmd, 0), 0);
  } else {
    b.pressed = -1;
    InvalidateRect(h, nullptr, FALSE);
    PostMessageW(b.parent, WM_COMMAND, MAKEWPARAM(btn.id, 0), (LPARAM)h);
  }
}

LRESULT CALLBACK MenuBarProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE) {
    SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR) new MenuBar);
    return 0;
  }
  auto* b = BarOf(h);
  if (m == WM_DESTROY) {
    if (b) {
      if (b->menu) DestroyMenu(b->menu);
      std::lock_guard lock(gLock);
      if (gBarOfParent[b->parent] == h) gBarOfParent.erase(b->parent);
    }
    delete b;
    SetWindowLongW(h, lxctl::kStateSlot, 0);
    return 0;
  }
  if (!b) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: Paint(h, *b); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: {
      // While its window is disabled (a modal dialog runs) the bar is too.
      if (b->parent && !IsWindowEnabled(b->parent)) return 0;
      POINT p{(short)LOWORD(l), (short)HIWORD(l)};
      for (size_t i = 0; i < b->buttons.size(); ++i)
        if (!(b->buttons[i].state & TBSTATE_HIDDEN) && PtInRect(&b->buttons[i].rect, p)) {
          Press(h, *b, (int)i);
          break;
        }
      return 0;
    }
    case SHCMBM_GETSUBMENU: {
      int i = ButtonIndex(*b, (UINT)l);
      return i < 0 ? 0 : (LRESULT)SubMenuOf(*b, b->buttons[i]);
    }
    case SHCMBM_GETMENU: return (LRESULT)b->menu;
    case TB_ENABLEBUTTON:
    case TB_HIDEBUTTON:
    case TB_CHECKBUTTON:
    case TB_PRESSBUTTON: {
      int i = ButtonIndex(*b, (UINT)w);
      if (i < 0) return FALSE;
      BYTE bit = m == TB_ENABLEBUTTON ? TBSTATE_ENABLED : m == TB_HIDEBUTTON ? TBSTATE_HIDDEN
               : m == TB_CHECKBUTTON ? TBSTATE_CHECKED : TBSTATE_PRESSED;
      BYTE& st = b->buttons[i].state;
      st = LOWORD(l) ? st | bit : st & ~bit;
      Layout(h, *b);
      return TRUE;
    }
    case TB_ISBUTTONENABLED: {
      int i = ButtonIndex(*b, (UINT)w);
      return i >= 0 && (b->buttons[i].state & TBSTATE_ENABLED);
    }
    case TB_GETSTATE: {
      int i = ButtonIndex(*b, (UINT)w);
      return i < 0 ? -1 : b->buttons[i].state;
    }
    case TB_SETSTATE: {
      int i = ButtonIndex(*b, (UINT)w);
      if (i < 0) return FALSE;
      b->buttons[i].state = (BYTE)LOWORD(l);
      Layout(h, *b);
      return TRUE;
    }
    case TB_BUTTONCOUNT: return (LRESULT)b->buttons.size();
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"menu_worker", MenuBarProc), 1);

}  // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  if (!info || !info->hwndParent || !IsWindow(info->hwndParent)) return FALSE;
  info->hwndMB = nullptr;
  HMENU menu = nullptr;
  std::vector<Button> buttons;
  if (info->dwFlags & SHCMBF_HMENU) {
    // A plain menu: each of its popups is a drop-down button.
    menu = LoadMenuW(info->hInstRes, MAKEINTRESOURCEW(info->nToolBarId));
    if (!menu) return FALSE;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      WCHAR text[64] = {};
      GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
      bool popup = GetSubMenu(menu, i) != nullptr;
      buttons.push_back({popup ? 0u : GetMenuItemID(menu, i), text, popup ? i : -1, TBSTATE_ENABLED, {}});
    }
  } else if (!(info->dwFlags & SHCMBF_EMPTYBAR)) {
    HRSRC r = FindResourceW((HMODULE)info->hInstRes, MAKEINTRESOURCEW(info->nToolBarId), RT_RCDATA);
    HGLOBAL g = r ? LoadResource((HMODULE)info->hInstRes, r) : nullptr;
    auto* t = g ? (const LXMENUBARTEMPLATE*)LockResource(g) : nullptr;
    if (!t) return FALSE;
    menu = LoadMenuW(info->hInstRes, MAKEINTRESOURCEW(t->menuId));
    if (!menu) return FALSE;
    for (int i = 0; i < t->buttonCount && t->buttons; ++i) {
      const LXMENUBARBUTTON& src = t->buttons[i];
      int popup = src.popupIndex;
      if (popup >= 0 && !GetSubMenu(menu, popup)) popup = -1;  // a missing popup makes a plain button
      buttons.push_back({src.id, src.text ? src.text : u"", popup, (BYTE)(src.state ? src.state : TBSTATE_ENABLED), {}});
    }
  }
  HWND bar = CreateWindowExW(WS_EX_NOACTIVATE, u"menu_worker", u"", WS_POPUP, 0, BarTop(), lx::Screen().width, kBarHeight,
                             info->hwndParent, nullptr, info->hInstRes, nullptr);
  if (!bar) {
    if (menu) DestroyMenu(menu);
    return FALSE;
  }
  MenuBar* b = BarOf(bar);
  b->parent = info->hwndParent;
  b->menu = menu;
  b->buttons = std::move(buttons);
  Layout(bar, *b);
  {
    std::lock_guard lock(gLock);
    gBarOfParent[info->hwndParent] = bar;
  }
  if (!(info->dwFlags & SHCMBF_HIDDEN)) ShowWindow(bar, SW_SHOWNOACTIVATE);
  info->hwndMB = bar;
  return TRUE;
}

HWND SHFindMenuBar(HWND parent) {
  std::lock_guard lock(gLock);
  auto it = gBarOfParent.find(parent);
  return it != gBarOfParent.end() && IsWindow(it->second) ? it->second : nullptr;
}

BOOL CommandBar_Destroy(HWND menuBar) { return menuBar && DestroyWindow(menuBar); }

BOOL SHInitDialog(PSHINITDLGINFO info) {
  if (!info || !IsWindow(info->hDlg)) return FALSE;
  if (GetWindowLongW(info->hDlg, GWL_STYLE) & WS_CHILD) return TRUE;  // a sheet's page: the sheet places it
  if ((info->dwMask & SHIDIM_FLAGS) &&
      (info->dwFlags & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR))) {
    // Full screen below the task bar; the menu bar keeps its strip unless there is none.
    RECT work = lx::WorkArea();
    int bottom = (info->dwFlags & SHIDIF_FULLSCREENNOMENUBAR) ? lx::Screen().height : BarTop();
    MoveWindow(info->hDlg, 0, work.top, work.right, bottom - work.top, TRUE);
  }
  return TRUE;
}

BOOL SHSipPreference(HWND, SIPSTATE) { return TRUE; }  // no input panel: typing comes from the keyboard

BOOL SHFullScreen(HWND hwnd, DWORD) { return IsWindow(hwnd); }
