// Menus as data: nested popups from a menu resource, and items found by
// command through every level, as the device searches them.
#include <gtest/gtest.h>

#include "lxresource.h"
#include "windows.h"

namespace {

const LXMENUITEM kClear[] = {{MF_STRING, 42018, u"Playlist", 0, nullptr}, {MF_STRING, 40051, u"Favoriten", 0, nullptr}};
const LXMENUITEM kList[] = {{MF_STRING, 42012, u"Löschen", 0, nullptr},
                            {MF_POPUP, 0, u"Alles löschen", 2, kClear},
                            {MF_SEPARATOR, 0, nullptr, 0, nullptr},
                            {MF_STRING, 42013, u"Informationen", 0, nullptr}};
const LXMENUITEM kTop[] = {{MF_POPUP, 0, u"Playlist", 4, kList}, {MF_STRING, 40049, u"Minimieren", 0, nullptr}};
const LXMENUTEMPLATE kMenu = {2, kTop};
const LXRESOURCE kResources[] = {{RT_MENU, 101, &kMenu, sizeof kMenu}};
LX_RESOURCE_TABLE(kResources);

TEST(Menu, ResourceBuildsPopupsWithinPopups) {
  HMENU top = LoadMenuW(nullptr, MAKEINTRESOURCEW(101));
  ASSERT_NE(top, nullptr);
  HMENU list = GetSubMenu(top, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetMenuItemCount(list), 4);
  HMENU clear = GetSubMenu(list, 1);
  ASSERT_NE(clear, nullptr) << "the popup inside the popup";
  EXPECT_EQ(GetMenuItemCount(clear), 2);
  EXPECT_EQ(GetMenuItemID(clear, 1), 40051u);
  EXPECT_EQ(GetMenuItemID(list, 1), (UINT)-1) << "a popup item has no command";
  WCHAR text[32];
  EXPECT_EQ(GetMenuStringW(list, 1, text, 32, MF_BYPOSITION), 13);
  EXPECT_EQ(std::u16string((const char16_t*)text), u"Alles löschen");
  EXPECT_TRUE(GetMenuState(list, 1, MF_BYPOSITION) & MF_POPUP);
  EXPECT_TRUE(DestroyMenu(top));
  EXPECT_FALSE(IsMenu(clear)) << "destroyed with its parents";
}

TEST(Menu, CommandsAreFoundThroughEveryLevel) {
  HMENU top = LoadMenuW(nullptr, MAKEINTRESOURCEW(101));
  HMENU list = GetSubMenu(top, 0), clear = GetSubMenu(list, 1);
  EXPECT_EQ(EnableMenuItem(top, 40051, MF_BYCOMMAND | MF_GRAYED), (DWORD)MF_ENABLED);
  EXPECT_TRUE(GetMenuState(clear, 40051, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(list, 40051, MF_BYCOMMAND | MF_ENABLED), (DWORD)MF_GRAYED);
  EXPECT_EQ(CheckMenuItem(top, 42018, MF_BYCOMMAND | MF_CHECKED), (DWORD)MF_UNCHECKED);
  EXPECT_TRUE(GetMenuState(clear, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(top, 1, MF_BYPOSITION | MF_GRAYED), (DWORD)MF_ENABLED) << "by position: this level only";
  EXPECT_TRUE(GetMenuState(top, 40049, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(top, 4711, MF_BYCOMMAND | MF_GRAYED), (DWORD)-1);
  EXPECT_TRUE(DeleteMenu(top, 42018, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuItemCount(clear), 1);
  EXPECT_EQ(GetMenuItemID(clear, 0), 40051u);
  DestroyMenu(top);
}

TEST(Menu, AMenuWithinItselfEndsTheSearch) {
  HMENU m = CreatePopupMenu();
  AppendMenuW(m, MF_STRING, 7, u"Sieben");
  AppendMenuW(m, MF_POPUP, (UINT_PTR)m, u"Schleife");
  EXPECT_EQ(EnableMenuItem(m, 8, MF_BYCOMMAND | MF_GRAYED), (DWORD)-1);
  EXPECT_EQ(CheckMenuItem(m, 7, MF_BYCOMMAND | MF_CHECKED), (DWORD)MF_UNCHECKED);
  EXPECT_FALSE(DeleteMenu(m, 8, MF_BYCOMMAND));
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(IsMenu(m));
}

}  // namespace
