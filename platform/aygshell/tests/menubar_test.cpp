// The menu bar on a program's UI thread, driven by taps: plain buttons send
// their command, drop-downs open upwards, greyed items cannot be picked.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "aygshell.h"
#include "lxresource.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

namespace {

const LXMENUITEM kFile[] = {{MF_STRING, 100, u"Öffnen", 0, nullptr},
                            {MF_SEPARATOR, 0, nullptr, 0, nullptr},
                            {MF_STRING, 101, u"Beenden", 0, nullptr}};
const LXMENUITEM kClear[] = {{MF_STRING, 42018, u"Playlist", 0, nullptr}, {MF_STRING, 40051, u"Favoriten", 0, nullptr}};
const LXMENUITEM kList[] = {{MF_STRING, 42012, u"Löschen", 0, nullptr},
                            {MF_STRING, 42013, u"Informationen", 0, nullptr},
                            {MF_POPUP, 0, u"Alles löschen", 2, kClear}};
const LXMENUITEM kTop[] = {{MF_POPUP, 0, u"Datei", 3, kFile}, {MF_POPUP, 0, u"Playlist", 3, kList}};
const LXMENUTEMPLATE kMenu = {2, kTop};
const LXMENUBARBUTTON kButtons[] = {{40024, u"Datei", 0, TBSTATE_ENABLED, TBSTYLE_DROPDOWN},
                                    {40025, u"Playlist", 1, TBSTATE_ENABLED, TBSTYLE_DROPDOWN},
                                    {40049, u"Minimieren", -1, TBSTATE_ENABLED, TBSTYLE_BUTTON}};
const LXMENUBARTEMPLATE kBar = {501, 3, kButtons};
const LXRESOURCE kResources[] = {{RT_MENU, 501, &kMenu, sizeof kMenu}, {RT_RCDATA, 501, &kBar, sizeof kBar}};
LX_RESOURCE_TABLE(kResources);

std::mutex gLock;
std::vector<WPARAM> gCommands;
std::atomic<int> gInitPopups{0};

LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND) {
    std::lock_guard lock(gLock);
    gCommands.push_back(w);
  }
  if (m == WM_INITMENUPOPUP) ++gInitPopups;
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(h, m, w, l);
}

bool Saw(UINT id) {
  std::lock_guard lock(gLock);
  for (WPARAM w : gCommands)
    if (LOWORD(w) == id) return true;
  return false;
}

void Settle() { lxtest::Settle(); }

void Tap(int x, int y) { lxtest::TapAndSettle(x, y); }

DWORD Pixel(int x, int y) {
  static DWORD screen[240 * 320];
  LxScreenshot(screen);
  return screen[y * 240 + x] & 0xFFFFFF;
}

class MenuBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gCommands.clear();
    gInitPopups = 0;
    ui_ = std::thread([this] {
      main_ = lxtest::ParentWindow(u"LxMenuBarMain", MainProc, u"Lumtrax");
      SHMENUBARINFO mb{sizeof mb, main_, 0, 501, nullptr, 0, 0, nullptr, 0};
      created_ = SHCreateMenuBar(&mb);
      bar_ = mb.hwndMB;
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    });
    Settle();
  }
  void TearDown() override {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    ui_.join();
  }
  RECT PopupRect() {
    HWND popup = FindWindowW(u"LxMenuPopup", nullptr);
    RECT r{};
    if (popup) GetWindowRect(popup, &r);
    return r;
  }
  std::thread ui_;
  std::atomic<HWND> main_{nullptr}, bar_{nullptr};
  std::atomic<bool> created_{false};
};

TEST_F(MenuBarTest, BarSitsAtTheBottomAndPlainButtonsSendTheirCommand) {
  ASSERT_TRUE(created_);
  ASSERT_NE(bar_.load(), nullptr);
  RECT r;
  GetWindowRect(bar_, &r);
  EXPECT_EQ(r.top, 294);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_EQ(r.right - r.left, 240);
  EXPECT_EQ(SHFindMenuBar(main_), bar_.load());
  EXPECT_EQ(Pixel(230, 310), 0xD4D0C8u) << "the bar's face";
  EXPECT_EQ(Pixel(230, 294), 0u) << "a line above it";
  EXPECT_EQ(SendMessageW(bar_, TB_BUTTONCOUNT, 0, 0), 3);

  Tap(130, 306);  // "Minimieren", the third button
  EXPECT_TRUE(Saw(40049));
  EXPECT_EQ(GetForegroundWindow(), main_.load()) << "the bar does not take the foreground";
}

TEST_F(MenuBarTest, NothingReachesAnOwnerDisabledByAModalDialog) {
  EnableWindow(main_, FALSE);
  Tap(130, 306);  // "Minimieren"
  Tap(5, 306);    // "Datei"
  EXPECT_FALSE(Saw(40049));
  EXPECT_EQ(PopupRect().bottom, 0) << "no drop-down either";
  EnableWindow(main_, TRUE);
  Tap(130, 306);
  EXPECT_TRUE(Saw(40049));
}

TEST_F(MenuBarTest, BarHidesAndShowsWithItsWindow) {
  ShowWindow(main_, SW_HIDE);
  Settle();
  EXPECT_FALSE(IsWindowVisible(bar_));
  Tap(130, 306);
  EXPECT_FALSE(Saw(40049));
  ShowWindow(main_, SW_SHOW);
  Settle();
  EXPECT_TRUE(IsWindowVisible(bar_));
}

TEST_F(MenuBarTest, DropDownOpensUpwardsAndGreyedItemsCannotBePicked) {
  HMENU list = (HMENU)SendMessageW(bar_, SHCMBM_GETSUBMENU, 0, 40025);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetMenuItemCount(list), 3);
  EXPECT_EQ(EnableMenuItem(list, 42012, MF_BYCOMMAND | MF_GRAYED), (DWORD)MF_ENABLED);
  EXPECT_TRUE(GetMenuState(list, 42012, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(list, 4711, MF_GRAYED), (DWORD)-1) << "no such item";

  Tap(45, 306);  // "Playlist", the second button
  RECT p = PopupRect();
  ASSERT_GT(p.bottom, p.top) << "the drop-down is open";
  EXPECT_EQ(p.bottom, 294) << "it opens upwards from the bar";
  EXPECT_GE(gInitPopups, 1);
  int row = (p.bottom - p.top - 2) / 3;
  Tap(p.left + 20, p.top + 1 + row / 2);  // the greyed first item
  EXPECT_FALSE(Saw(42012));
  EXPECT_GT(PopupRect().bottom, 0) << "a greyed item leaves the menu open";
  Tap(p.left + 20, p.top + 1 + row + row / 2);
  EXPECT_TRUE(Saw(42013));
  EXPECT_EQ(PopupRect().bottom, 0) << "picking closes the menu";

  EnableMenuItem(list, 42012, MF_BYCOMMAND | MF_ENABLED);
  Tap(45, 306);
  p = PopupRect();
  Tap(p.left + 20, p.top + 1 + row / 2);
  EXPECT_TRUE(Saw(42012)) << "enabled again, it can be picked";

  Tap(5, 306);  // "Datei"
  ASSERT_GT(PopupRect().bottom, 0);
  Tap(200, 100);  // outside
  EXPECT_EQ(PopupRect().bottom, 0);
  EXPECT_FALSE(Saw(100));
  EXPECT_FALSE(Saw(101));
}

TEST_F(MenuBarTest, SubmenuOfADropDownStaysAboveTheBarAndSendsItsCommand) {
  HMENU list = (HMENU)SendMessageW(bar_, SHCMBM_GETSUBMENU, 0, 40025);
  EXPECT_EQ(EnableMenuItem(list, 42018, MF_BYCOMMAND | MF_GRAYED), (DWORD)MF_ENABLED) << "found in the submenu";
  Tap(45, 306);
  RECT p = PopupRect();
  int row = (p.bottom - p.top - 2) / 3;
  Tap(p.left + 20, p.top + 1 + 2 * row + row / 2);  // "Alles löschen"
  HWND sub = nullptr;
  for (HWND h = GetWindow(main_, GW_HWNDFIRST); h && !sub; h = GetWindow(h, GW_HWNDNEXT)) {
    WCHAR cls[32] = {};
    GetClassNameW(h, cls, 32);
    RECT r;
    GetWindowRect(h, &r);
    if (lstrcmpW(cls, u"LxMenuPopup") == 0 && r.left != p.left) sub = h;
  }
  ASSERT_NE(sub, nullptr) << "the submenu opened";
  RECT s;
  GetWindowRect(sub, &s);
  EXPECT_EQ(s.left, p.right - 1);
  EXPECT_EQ(s.bottom, 294) << "pushed up to stay above the bar";
  Tap(s.left + 20, s.top + 1 + row / 2);  // the greyed "Playlist"
  EXPECT_FALSE(Saw(42018));
  EXPECT_TRUE(IsWindow(sub));
  Tap(s.left + 20, s.top + 1 + row + row / 2);  // "Favoriten"
  EXPECT_TRUE(Saw(40051));
  EXPECT_FALSE(IsWindow(sub));
  EXPECT_EQ(PopupRect().bottom, 0) << "the drop-down closed with it";
}

TEST_F(MenuBarTest, DestroyedWithItsWindowOrByCommandBarDestroy) {
  EXPECT_TRUE(SHSipPreference(main_, SIP_DOWN));
  EXPECT_TRUE(CommandBar_Destroy(bar_));
  EXPECT_FALSE(IsWindow(bar_));
  EXPECT_EQ(SHFindMenuBar(main_), nullptr);
  SHMENUBARINFO bad{sizeof bad, main_, 0, 999, nullptr, 0, 0, nullptr, 0};
  EXPECT_FALSE(SHCreateMenuBar(&bad)) << "a missing resource refuses the bar";
}

INT_PTR CALLBACK FullScreen(HWND h, UINT m, WPARAM, LPARAM) {
  if (m == WM_INITDIALOG) {
    SHINITDLGINFO info{SHIDIM_FLAGS, h, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
    SHInitDialog(&info);
  }
  return FALSE;
}

TEST(ShInitDialog, MakesTheDialogFillTheWorkArea) {
  static const LXDLGTEMPLATE t = {WS_POPUP, 0, 10, 10, 50, 40, u"Options", 0, nullptr, 0, nullptr};
  HWND dlg = CreateDialogIndirectParamW(nullptr, &t, nullptr, FullScreen, 0);
  ASSERT_NE(dlg, nullptr);
  RECT r;
  GetWindowRect(dlg, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 294);
  DestroyWindow(dlg);
}

}  // namespace
