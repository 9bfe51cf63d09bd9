// Popup menus with submenus on a program's UI thread, driven by taps, drags
// and keys: a submenu opens beside its item and kept on the screen, its pick
// reaches the owner and closes the chain, keys walk the levels.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "lxresource.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

namespace {

const LXMENUITEM kClear[] = {{MF_STRING, 42018, u"Playlist", 0, nullptr},
                             {MF_STRING | MF_GRAYED, 42019, u"Gesperrt", 0, nullptr},
                             {MF_STRING, 40051, u"Favoriten", 0, nullptr}};
const LXMENUITEM kList[] = {{MF_STRING, 42011, u"Datei hinzufügen", 0, nullptr},
                            {MF_SEPARATOR, 0, nullptr, 0, nullptr},
                            {MF_STRING | MF_GRAYED, 42012, u"Löschen", 0, nullptr},
                            {MF_POPUP, 0, u"Alles löschen", 3, kClear},
                            {MF_STRING, 42013, u"Informationen", 0, nullptr}};
const LXMENUTEMPLATE kMenu = {5, kList};

constexpr UINT kTrack = WM_USER + 7;  // wParam: flags, lParam: x | y << 16

std::mutex gLock;
std::vector<WPARAM> gCommands;
std::vector<std::pair<HMENU, LPARAM>> gInits;
std::atomic<int> gReturned{-1};

LRESULT CALLBACK OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  static HMENU menu;
  switch (m) {
    case WM_CREATE: menu = LoadMenuIndirectW(&kMenu); return 0;
    case WM_COMMAND: {
      std::lock_guard lock(gLock);
      gCommands.push_back(w);
      return 0;
    }
    case WM_INITMENUPOPUP: {
      std::lock_guard lock(gLock);
      gInits.push_back({(HMENU)w, l});
      return 0;
    }
    case kTrack: gReturned = TrackPopupMenuEx(menu, (UINT)w, LOWORD(l), HIWORD(l), h, nullptr); return 0;
    case WM_DESTROY:
      DestroyMenu(menu);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

std::vector<UINT> Commands() {
  std::lock_guard lock(gLock);
  std::vector<UINT> ids;
  for (WPARAM w : gCommands) ids.push_back(LOWORD(w));
  return ids;
}

void Settle() { lxtest::Settle(); }

void Tap(int x, int y) { lxtest::TapAndSettle(x, y); }

void Key(UINT vk) { lxtest::KeyAndSettle(vk); }

DWORD Pixel(int x, int y) {
  static DWORD screen[240 * 320];
  LxScreenshot(screen);
  return screen[y * 240 + x] & 0xFFFFFF;
}

// The popups on the screen, the first shown first.
std::vector<RECT> Popups() {
  std::vector<RECT> found;
  for (HWND h = GetWindow(FindWindowW(u"LxPopupOwner", nullptr), GW_HWNDFIRST); h; h = GetWindow(h, GW_HWNDNEXT)) {
    WCHAR cls[32] = {};
    GetClassNameW(h, cls, 32);
    RECT r;
    if (lstrcmpW(cls, u"LxMenuPopup") == 0 && IsWindowVisible(h) && GetWindowRect(h, &r)) found.insert(found.begin(), r);
  }
  return found;
}

class PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard lock(gLock);
      gCommands.clear();
      gInits.clear();
    }
    gReturned = -1;
    ui_ = std::thread([this] {
      owner_ = lxtest::ParentWindow(u"LxPopupOwner", OwnerProc, u"Owner");
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    });
    Settle();
  }
  void TearDown() override {
    PostMessageW(owner_, WM_CLOSE, 0, 0);
    ui_.join();
  }
  // Opens the menu at (x, y) and returns its rectangle.
  RECT Open(int x, int y, UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN) {
    PostMessageW(owner_, kTrack, flags, MAKELPARAM(x, y));
    Settle();
    auto shown = Popups();
    return shown.size() == 1 ? shown[0] : RECT{};
  }
  // The middle of the menu's row `row` (separators count as rows of 5 pixels).
  static POINT Row(const RECT& menu, int row, int rowHeight, int separatorsAbove = 0) {
    return POINT{menu.left + 30, menu.top + 1 + (row - separatorsAbove) * rowHeight + separatorsAbove * 5 + rowHeight / 2};
  }
  int RowHeight(const RECT& menu) const { return (menu.bottom - menu.top - 2 - 5) / 4; }
  std::thread ui_;
  std::atomic<HWND> owner_{nullptr};
};

TEST_F(PopupTest, TappingASubmenuItemOpensItBesideAndItsPickClosesTheChain) {
  RECT menu = Open(10, 60);
  ASSERT_GT(menu.bottom, menu.top);
  int rh = RowHeight(menu);
  POINT clearAll = Row(menu, 3, rh, 1);
  Tap(clearAll.x, clearAll.y);
  auto shown = Popups();
  ASSERT_EQ(shown.size(), 2u) << "the submenu opened";
  RECT sub = shown[1];
  EXPECT_EQ(sub.left, menu.right - 1) << "to the right of its menu";
  EXPECT_EQ(sub.top, clearAll.y - rh / 2 - 1) << "level with its item";
  EXPECT_EQ(Pixel(menu.left + 5, clearAll.y), 0x0A246Au) << "its item stays highlighted";
  {
    std::lock_guard lock(gLock);
    ASSERT_EQ(gInits.size(), 2u);
    EXPECT_EQ(LOWORD(gInits[1].second), 3) << "the submenu's position in its menu";
  }

  Tap(sub.left + 20, sub.top + 1 + rh + rh / 2);  // "Gesperrt", greyed
  EXPECT_EQ(Popups().size(), 2u) << "a greyed item leaves the menus open";
  EXPECT_TRUE(Commands().empty());
  Tap(sub.left + 20, sub.top + 1 + 2 * rh + rh / 2);  // "Favoriten"
  EXPECT_TRUE(Popups().empty()) << "the whole chain closed";
  EXPECT_EQ(Commands(), std::vector<UINT>{40051});
  EXPECT_EQ(gReturned, 1);
}

TEST_F(PopupTest, SubmenuOpensLeftWhereTheRightHasNoRoomAndStaysOnScreen) {
  RECT menu = Open(239, 250);  // pushed back inside the screen
  ASSERT_EQ(menu.right, 240);
  EXPECT_EQ(menu.bottom, 320);
  int rh = RowHeight(menu);
  POINT clearAll = Row(menu, 3, rh, 1);
  Tap(clearAll.x, clearAll.y);
  auto shown = Popups();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].right, menu.left + 1) << "to the left";
  EXPECT_LE(shown[1].bottom, 320) << "not below the screen";
  EXPECT_GE(shown[1].left, 0);

  Tap(120, 30);  // outside every menu
  EXPECT_TRUE(Popups().empty());
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(gReturned, 0);
}

TEST_F(PopupTest, DraggingOntoTheSubmenuAndReleasingPicks) {
  RECT menu = Open(10, 60, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD);
  int rh = RowHeight(menu);
  POINT first = Row(menu, 0, rh), clearAll = Row(menu, 3, rh, 1);
  LxInputStylus(WM_LBUTTONDOWN, first.x, first.y);
  LxInputStylus(WM_MOUSEMOVE, clearAll.x, clearAll.y);
  Settle();
  auto shown = Popups();
  ASSERT_EQ(shown.size(), 2u) << "dragging onto the item opens its submenu";
  RECT sub = shown[1];
  LxInputStylus(WM_MOUSEMOVE, sub.left + 20, sub.top + 1 + rh / 2);
  LxInputStylus(WM_LBUTTONUP, sub.left + 20, sub.top + 1 + rh / 2);
  Settle();
  EXPECT_TRUE(Popups().empty());
  EXPECT_EQ(gReturned, 42018) << "TPM_RETURNCMD gives the submenu's pick";
  EXPECT_TRUE(Commands().empty()) << "and posts nothing";
}

TEST_F(PopupTest, KeysWalkTheLevels) {
  RECT menu = Open(10, 60);
  int rh = RowHeight(menu);
  Key(VK_DOWN);
  EXPECT_EQ(Pixel(menu.left + 5, Row(menu, 0, rh).y), 0x0A246Au) << "the first item";
  Key(VK_DOWN);  // over the separator and the greyed item
  POINT clearAll = Row(menu, 3, rh, 1);
  EXPECT_EQ(Pixel(menu.left + 5, clearAll.y), 0x0A246Au) << "skipped to the submenu's item";
  EXPECT_EQ(Pixel(menu.left + 5, Row(menu, 0, rh).y), 0xFFFFFFu);
  EXPECT_EQ(Popups().size(), 1u) << "the highlight alone opens nothing";

  Key(VK_RIGHT);
  auto shown = Popups();
  ASSERT_EQ(shown.size(), 2u);
  RECT sub = shown[1];
  EXPECT_EQ(Pixel(sub.left + 5, sub.top + 1 + rh / 2), 0x0A246Au) << "its first item highlighted";
  Key(VK_DOWN);  // past "Gesperrt"
  EXPECT_EQ(Pixel(sub.left + 5, sub.top + 1 + 2 * rh + rh / 2), 0x0A246Au);
  Key(VK_LEFT);
  EXPECT_EQ(Popups().size(), 1u) << "left closes the submenu";
  EXPECT_EQ(Pixel(menu.left + 5, clearAll.y), 0x0A246Au) << "its item keeps the highlight";
  Key(VK_RETURN);
  ASSERT_EQ(Popups().size(), 2u) << "Return on a submenu's item opens it";
  Key(VK_ESCAPE);
  EXPECT_EQ(Popups().size(), 1u) << "Escape closes one level";
  Key(VK_UP);  // back over the greyed item and the separator, to the first
  Key(VK_UP);  // round to the last
  Key(VK_RETURN);
  EXPECT_TRUE(Popups().empty());
  EXPECT_EQ(Commands(), std::vector<UINT>{42013});

  Open(10, 60);
  Key(VK_ESCAPE);
  EXPECT_TRUE(Popups().empty()) << "Escape on the first level closes the menu";
  EXPECT_EQ(Commands().size(), 1u);
}

}  // namespace
