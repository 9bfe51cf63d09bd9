// Menus: lists of items (strings, separators, popups), built by calls or
// from a menu resource, popups nested to any depth. Shown by popup.cpp.
#include <algorithm>
#include <memory>
#include <mutex>
#include <set>

#include "lxmenu.h"
#include "lxresource.h"

using lxmenu::MenuItem;

namespace {

// Popups within popups are followed this deep at most: a menu inserted
// into itself must not send the searches round for ever.
constexpr int kMaxDepth = 16;

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

// The item named by position or by command; a command is searched for in
// the popups too, depth first, as the device does.
MenuItem* Find(HMENU h, UINT item, UINT flags, int depth = 0) {
  Menu* m = M(h);
  if (!m || depth > kMaxDepth) return nullptr;
  if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
  for (auto& it : m->items) {
    if (!(it.flags & MF_POPUP) && !(it.flags & MF_SEPARATOR) && it.id == item) return &it;
    if (it.flags & MF_POPUP)
      if (MenuItem* in = Find(it.popup, item, flags, depth + 1)) return in;
  }
  return nullptr;
}

HMENU Build(WORD count, const LXMENUITEM* items, int depth = 0) {
  HMENU h = NewMenu();
  for (int i = 0; i < count && items; ++i) {
    const LXMENUITEM& it = items[i];
    MenuItem mi{it.flags, it.id, it.text ? it.text : u"", nullptr};
    if ((it.flags & MF_POPUP) && depth < kMaxDepth) mi.popup = Build(it.popupCount, it.popup, depth + 1);
    if ((it.flags & MF_POPUP) && !mi.popup) continue;  // deeper than any real menu: dropped
    M(h)->items.push_back(mi);
  }
  return h;
}

}  // namespace

std::vector<MenuItem> lxmenu::ItemsOf(HMENU h) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  return m ? m->items : std::vector<MenuItem>{};
}

HMENU CreateMenu(void) { return NewMenu(); }
HMENU CreatePopupMenu(void) { return NewMenu(); }

BOOL DestroyMenu(HMENU h) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m) return FALSE;
  gMenus.erase(m);  // first, so that a menu within itself ends the recursion
  for (auto& it : m->items)
    if (it.flags & MF_POPUP) DestroyMenu(it.popup);
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
BOOL Remove(HMENU h, UINT item, UINT flags, bool destroy, int depth = 0) {
  std::lock_guard lock(gLock);
  Menu* m = M(h);
  if (!m || depth > kMaxDepth) return FALSE;
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    bool match = (flags & MF_BYPOSITION) ? i == item : !(it.flags & MF_POPUP) && it.id == item;
    if (match) {
      if (destroy && (it.flags & MF_POPUP)) DestroyMenu(it.popup);
      m->items.erase(m->items.begin() + i);
      return TRUE;
    }
    if (!(flags & MF_BYPOSITION) && (it.flags & MF_POPUP) && Remove(it.popup, item, flags, destroy, depth + 1)) return TRUE;
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
  UINT cmd = lxmenu::Track(h, flags, x, y, owner, 0);
  if (flags & TPM_RETURNCMD) return (BOOL)cmd;
  if (cmd && owner) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(cmd, 0), 0);
  return cmd != 0;
}

BOOL TrackPopupMenu(HMENU h, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(h, flags, x, y, owner, nullptr);
}
