// Shared by the menus, the popup tracking and the menu bar.
#pragma once
#include <string>
#include <vector>

#include "windows.h"

namespace lxmenu {

struct MenuItem {
  UINT flags = 0;  // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
  UINT id = 0;
  std::u16string text;
  HMENU popup = nullptr;
};

// A copy of the menu's items, empty when it is not a menu: the tracking
// loop reads them without holding the menus' lock across window calls.
std::vector<MenuItem> ItemsOf(HMENU menu);

// Shows the menu and runs its loop until an item is chosen or the menu is
// dismissed; the chosen id or 0. `position` travels in WM_INITMENUPOPUP for
// the menu itself (the menu bar gives its button's popup index).
UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, int position);

}  // namespace lxmenu
