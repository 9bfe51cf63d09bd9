// Hardware buttons and the settings sheet on a UI thread of their own, with
// the shell's main window and recording panes, driven by the device's keys.
#include <gtest/gtest.h>

#include <commctrl.h>
#include <lxuser.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "enginestub.h"
#include "lxdrive.h"
#include "shell/buttons.h"
#include "shell/config.h"
#include "shell/mainwindow.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "testing/playertest.h"


namespace {

struct Arrival {
  UINT message;
  WPARAM wParam;
};
std::mutex g_lock;
std::vector<Arrival> g_board;  // commands and keys the board pane got

// The board as far as the sheet needs it: Stop stops; Play applies what
// the sheet left pending, then plays unless the ring is missing.
LRESULT CALLBACK BoardPane(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_KEYDOWN) {
    std::lock_guard lock(g_lock);
    g_board.push_back({message, wParam});
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDM_STOP) g_engine.state = Stopped;
  if (message == WM_COMMAND && LOWORD(wParam) == IDM_PLAY) {
    if (g_engine.state == Stopped) ApplyPendingSettings();
    if (!PlayerFlagsTest(NoMemory)) g_engine.state = Playing;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Transport and playlist commands; the volume slider follows every activation.
std::vector<UINT> BoardCommands() {
  std::lock_guard lock(g_lock);
  std::vector<UINT> out;
  for (auto& a : g_board)
    if (a.message == WM_COMMAND && LOWORD(a.wParam) != IDM_BOARD_VOLUME) out.push_back(LOWORD(a.wParam));
  return out;
}

void ForgetBoard() {
  std::lock_guard lock(g_lock);
  g_board.clear();
}

LRESULT CALLBACK Runner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) (*(std::function<void()>*)lParam)();
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void SetButtonName(int key, const void* data, DWORD type, DWORD size) {
  WCHAR path[64];
  LxFormatW(path, 64, u"Software\\Microsoft\\Shell\\Keys\\40%2X", key);
  HKEY k = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  if (data) RegSetValueExW(k, u"Name", 0, type, (const BYTE*)data, size);
  RegCloseKey(k);
}

void RemoveButton(int key) {
  WCHAR path[64];
  LxFormatW(path, 64, u"Software\\Microsoft\\Shell\\Keys\\40%2X", key);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

void Press(UINT vk) { lxtest::KeyAndSettle(vk); }

class ButtonsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestFolder("buttons");
    for (int key = 0xC5; key <= 0xCF; key++) RemoveButton(key);
    LxMessageBoxReset(IDOK);
    ui_ = std::thread([this] { UiThread(); });
    while (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    lxtest::Settle();
    ForgetBoard();
  }
  void TearDown() override {
    if (IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
    PostMessageW(runner_, WM_CLOSE, 0, 0);
    ui_.join();
    g_ringAllocate = allocate_;
  }
  void UiThread() {
    g_engineStub = EngineStub{};
    g_engine = PlayerEngine{};
    g_power = PowerState{TRUE, TRUE, FALSE, 0, FALSE, FALSE, FALSE};
    g_windows = PlayerWindows{};
    g_pendingSettings = PendingSettings{};
    ButtonsInstall();
    ReadButtonNames();
    static ATOM classes = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = BoardPane;
      wc.lpszClassName = u"BoardPane";
      RegisterClassW(&wc);
      wc.lpfnWndProc = Runner;
      wc.lpszClassName = u"Runner";
      RegisterClassW(&wc);
      return MainWindowRegister(GetModuleHandleW(nullptr));
    }();
    EXPECT_NE(classes, 0);
    runner_ = CreateWindowW(u"Runner", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    main_ = MainWindowCreate(GetModuleHandleW(nullptr), u"", SW_SHOW);
    DestroyWindow(g_windows.board);
    g_windows.board = CreateWindowW(u"BoardPane", u"", WS_CHILD | WS_VISIBLE, 0, 0, 240, 90, main_, nullptr,
                                    nullptr, nullptr);
    // Bind set the defaults; the buttons under test are bound from here on.
    g_settings.keyActions[5] = 6;   // VKButton1: "Stopp"
    g_settings.keyActions[14] = 6;  // VKButtonA, of a button the device may lack
    AllocateRing((LONG)g_settings.audioBuffer);
    SendMessageW(main_, WM_ACTIVATE, WA_ACTIVE, 0);
    ready_ = true;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (IsWindow(runner_)) DestroyWindow(runner_);
    FreeRing();
  }
  // Runs on the UI thread, also while the sheet's modal loop runs there.
  void OnUi(std::function<void()> fn) { SendMessageW(runner_, WM_APP, 0, (LPARAM)&fn); }
  void Activate(WORD how) {
    OnUi([&] { SendMessageW(main_, WM_ACTIVATE, how, 0); });
  }
  void OpenSheet(int page) {
    PostMessageW(main_, WM_COMMAND, IDM_CONFIGURE, 0);
    lxtest::Settle();
    ASSERT_NE(g_settingsSheet, nullptr);
    SendMessageW(g_settingsSheet, PSM_SETCURSEL, page, 0);
    lxtest::Settle();
    page_ = (HWND)SendMessageW(g_settingsSheet, PSM_GETCURRENTPAGEHWND, 0, 0);
  }
  void CloseSheet(int button) {
    PostMessageW(g_settingsSheet, PSM_PRESSBUTTON, button, 0);
    lxtest::Settle();
    EXPECT_EQ(g_settingsSheet, nullptr);
  }
  void Command(int id, int code = BN_CLICKED) {
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(page_, id));
    lxtest::Settle();
  }
  void Slide(int id, int pos) {
    SendDlgItemMessageW(page_, id, TBM_SETPOS, TRUE, pos);
    SendMessageW(page_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), (LPARAM)GetDlgItem(page_, id));
  }
  std::u16string Text(int id) {
    WCHAR text[64] = {};
    GetDlgItemTextW(page_, id, text, 64);
    return text;
  }
  LOGFONTW FontOf(int id) {
    LOGFONTW lf{};
    GetObjectW((HFONT)SendDlgItemMessageW(page_, id, WM_GETFONT, 0, 0), sizeof lf, &lf);
    return lf;
  }
  std::vector<std::u16string> Rows() {
    HWND list = GetDlgItem(page_, IDC_KEY_LIST);
    std::vector<std::u16string> rows;
    for (int i = 0; i < ListView_GetItemCount(list); i++) {
      WCHAR key[32] = {}, action[32] = {};
      ListView_GetItemText(list, i, 0, key, 32);
      ListView_GetItemText(list, i, 1, action, 32);
      rows.push_back(std::u16string(key) + u" | " + action);
    }
    return rows;
  }
  // The sheet with the ring at 50 and the engine in the given state, OK
  // pressed on Puffer at position 1 (100 buffers).
  void RingTo100(DWORD state) {
    g_engine.state = state;
    lstrcpyW(g_engine.filePath, u"\\My Documents\\a.mp3");
    OpenSheet(2);
    Slide(IDC_AUDIO_BUFFER, 1);
    ForgetBoard();
    LxMessageBoxReset(answer_);
    CloseSheet(PSBTN_OK);
  }
  std::thread ui_;
  std::atomic<bool> ready_{false};
  std::atomic<HWND> main_{nullptr}, runner_{nullptr};
  HWND page_ = nullptr;
  int answer_ = IDOK;
  void* (*allocate_)(size_t) = g_ringAllocate;
};

TEST_F(ButtonsTest, ButtonNamesAreWholeTextOrTheKey) {
  const char16_t longName[] = u"Abcdefghijklmnopqrstuvwxyz";
  DWORD number = 7;
  SetButtonName(0xC5, longName, REG_SZ, sizeof longName);
  SetButtonName(0xC6, &number, REG_DWORD, 4);
  ReadButtonNames();
  const char16_t* seeded[4] = {u"F1", u"F2", u"F3", u"F4"};
  for (int i = 0; i < 4; i++) {
    EXPECT_TRUE(g_keyBindings[5 + i].present);
    EXPECT_EQ(std::u16string(g_keyBindings[5 + i].name), seeded[i]);
  }
  EXPECT_EQ(std::u16string(g_keyBindings[9].name), u"Abcdefghijklmnopqrs");
  EXPECT_EQ(std::u16string(g_keyBindings[10].name), u"40C6") << "a name that is no text";
  EXPECT_FALSE(g_keyBindings[11].present);
  EXPECT_EQ(g_keyBindings[14].id, 0x40CAu);
  EXPECT_EQ(g_keyBindings[14].modifiers, 8u);
}

TEST_F(ButtonsTest, BoundButtonRunsItsActionAndTheMediaKeyAfterIt) {
  Press(0xC1);  // F1
  EXPECT_EQ(BoardCommands(), std::vector<UINT>{IDM_STOP});

  ForgetBoard();
  OnUi([] { SetFocus(g_windows.board); });
  Press(0xC2);  // F2, unbound: an ordinary key
  {
    std::lock_guard lock(g_lock);
    ASSERT_EQ(g_board.size(), 1u);
    EXPECT_EQ(g_board[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(g_board[0].wParam, 0xC2u);
  }

  ForgetBoard();
  Press(0xCA);  // F10: VKButtonA is stored, but the device has no button 10
  EXPECT_EQ(BoardCommands(), std::vector<UINT>{IDM_PLAY}) << "only the media key's Wiedergabe/Pause";

  SetButtonName(0xCA, u"Button 10", REG_SZ, 20);
  OnUi([] { ReadButtonNames(); });
  ForgetBoard();
  g_engine.state = Stopped;
  Press(0xCA);
  EXPECT_EQ(BoardCommands(), (std::vector<UINT>{IDM_STOP, IDM_PLAY})) << "bound Stopp, then Wiedergabe/Pause";
}

TEST_F(ButtonsTest, BoundButtonsFollowActivationAndEnableVK) {
  auto f1Stops = [] {
    ForgetBoard();
    Press(0xC1);
    return BoardCommands() == std::vector<UINT>{IDM_STOP};
  };
  Activate(WA_INACTIVE);
  EXPECT_FALSE(f1Stops()) << "released in the background";
  Activate(WA_ACTIVE);
  EXPECT_TRUE(f1Stops());

  g_power.modalCount = 1;
  Activate(WA_INACTIVE);
  EXPECT_TRUE(f1Stops()) << "kept while a modal dialog runs";
  g_power.modalCount = 0;
  g_settings.enableVK = 1;
  Activate(WA_INACTIVE);
  EXPECT_TRUE(f1Stops()) << "kept with EnableVK";
  g_settings.enableVK = 0;
  Activate(WA_ACTIVE);

  PostMessageW(main_, WM_COMMAND, IDM_MINIMISE, 0);  // "Minimieren"
  lxtest::Settle();
  EXPECT_FALSE(f1Stops());
  PostMessageW(main_, WM_COMMAND, IDM_MINIMISE, 0);
  lxtest::Settle();
  EXPECT_TRUE(f1Stops()) << "showing takes them again";

  PostMessageW(main_, WM_CLOSE, 0, 0);
  lxtest::Settle();
  ASSERT_FALSE(IsWindow(main_));
  HWND probe = CreateWindowW(u"Runner", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  for (const KeyBinding& key : g_keyBindings)
    if (key.present) {
      EXPECT_TRUE(RegisterHotKey(probe, (int)key.id, key.modifiers, key.virtualKey)) << key.id;
    }
  DestroyWindow(probe);
}

TEST_F(ButtonsTest, MutedActivationKeepsTheVolumeForUnmuting) {
  OnUi([] {
    g_settings.volume = 50;
    PlayerFlagsClear(SoundOn);
    g_engineStub.deviceVolume = 0;  // what a muted device reads
  });
  Activate(WA_INACTIVE);
  Activate(WA_ACTIVE);
  EXPECT_EQ(g_settings.volume, 50u);
  OnUi([] { PlayerFlagsSet(SoundOn); });
}

TEST_F(ButtonsTest, KeyMappingPageBindsThePressedKey) {
  OpenSheet(1);
  ASSERT_NE(page_, nullptr);
  WCHAR title[32] = {};
  GetWindowTextW(main_, title, 32);
  EXPECT_EQ(std::u16string(title), u"Konfigurieren");
  EXPECT_EQ(Rows(), std::vector<std::u16string>{u"F1 | Stopp"}) << "absent button 10 gets no row";

  auto stepOneBold = [this] {
    LOGFONTW one = FontOf(IDC_KEY_STEP1), two = FontOf(IDC_KEY_STEP2);
    return one.lfWeight == 800 && one.lfHeight == -12 && two.lfWeight != 800;
  };
  EXPECT_TRUE(stepOneBold());
  ForgetBoard();
  Press(0xC2);  // before choosing: nothing
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_TRUE(BoardCommands().empty()) << "captured, not run";

  SendDlgItemMessageW(page_, IDC_KEY_ACTION, CB_SETCURSEL, 7, 0);  // "Pause"
  Command(IDC_KEY_ACTION, CBN_SELCHANGE);
  EXPECT_EQ(FontOf(IDC_KEY_STEP2).lfWeight, 800);
  Press(0xC2);
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"F1 | Stopp", u"F2 | Pause"}));
  EXPECT_TRUE(stepOneBold()) << "back to step 1";

  SendDlgItemMessageW(page_, IDC_KEY_ACTION, CB_SETCURSEL, 7, 0);
  Command(IDC_KEY_ACTION, CBN_SELCHANGE);
  Press(0xCA);  // F10: no such button, and no media key while capturing
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_TRUE(BoardCommands().empty());

  HWND list = GetDlgItem(page_, IDC_KEY_LIST);
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  lxtest::Settle();
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page_, IDC_KEY_DELETE)));
  Command(IDC_KEY_DELETE);
  EXPECT_EQ(Rows(), std::vector<std::u16string>{u"F2 | Pause"});
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page_, IDC_KEY_DELETE)));

  CloseSheet(PSBTN_OK);
  EXPECT_EQ(g_settings.keyActions[5], 0u);
  EXPECT_EQ(g_settings.keyActions[6], 7u);
  EXPECT_EQ(g_settings.keyActions[14], 6u) << "an absent button keeps its stored action";
  GetWindowTextW(main_, title, 32);
  EXPECT_EQ(std::u16string(title), u"Lumtrax");
  ForgetBoard();
  Press(0xC2);
  EXPECT_EQ(BoardCommands(), std::vector<UINT>{IDM_PAUSE}) << "bound again after closing";

  OpenSheet(1);
  SendDlgItemMessageW(page_, IDC_KEY_ACTION, CB_SETCURSEL, 5, 0);
  Command(IDC_KEY_ACTION, CBN_SELCHANGE);
  Press(0xC1);
  CloseSheet(PSBTN_CANCEL);
  EXPECT_EQ(g_settings.keyActions[5], 0u) << "Cancel keeps the settings";
}

TEST_F(ButtonsTest, PagesShowAndStoreTheirValues) {
  OpenSheet(2);
  Slide(IDC_AUDIO_BUFFER, 5);
  EXPECT_EQ(Text(IDC_AUDIO_BUFFER_VALUE), u"300");
  Slide(IDC_SPEED, 7);
  EXPECT_EQ(Text(IDC_SPEED_VALUE), u"7 fps");
  Command(IDC_PAGE_DEFAULT);
  EXPECT_EQ(Text(IDC_AUDIO_BUFFER_VALUE), u"50");
  EXPECT_EQ(Text(IDC_SPEED_VALUE), u"10 fps");
  Slide(IDC_AUDIO_BUFFER, 5);
  SendMessageW(g_settingsSheet, PSM_SETCURSEL, 3, 0);  // Cache
  lxtest::Settle();
  page_ = (HWND)SendMessageW(g_settingsSheet, PSM_GETCURRENTPAGEHWND, 0, 0);
  Slide(IDC_CACHE_SIZE, 20);
  EXPECT_EQ(Text(IDC_CACHE_SIZE_VALUE), u"20M");
  Command(IDC_CACHE_SYNC);
  LxMessageBoxReset(IDOK);
  CloseSheet(PSBTN_OK);
  EXPECT_EQ(g_settings.audioBuffer, 300u);
  EXPECT_EQ(g_settings.spectrumSpeed, 10u);
  EXPECT_EQ(g_settings.cacheBuffer, 20u);
  EXPECT_EQ(g_settings.cacheSync, 1u);
  EXPECT_EQ(g_settings.playAtOpen, 1u) << "Flags was shown and kept its values";
  EXPECT_EQ(g_ring.count, 300);

  OpenSheet(2);
  Slide(IDC_AUDIO_BUFFER, 0);
  EXPECT_EQ(Text(IDC_AUDIO_BUFFER_VALUE), u"50");
  CloseSheet(PSBTN_OK);
  EXPECT_EQ(g_settings.audioBuffer, 50u);
}

std::atomic<int> g_restarts, g_clears;

TEST_F(ButtonsTest, SpeedOnlyRestartsTheTimersAndLeavesTheMusicAlone) {
  g_restarts = g_clears = 0;
  OnUi([] {
    g_paneHooks.restartAnimation = [] { ++g_restarts; };
    g_paneHooks.restartSpectrumTimer = [] { ++g_restarts; };
    g_paneHooks.clearSpectrum = [] { ++g_clears; };
  });
  g_engine.state = Playing;
  AudioSlot* slots = g_ring.slots;
  OpenSheet(2);
  Slide(IDC_SPEED, 3);
  CheckDlgButton(page_, IDC_SPECTRUM_OFF, BST_CHECKED);  // as a tap leaves it
  Command(IDC_SPECTRUM_OFF);
  LxMessageBoxReset(IDOK);
  CloseSheet(PSBTN_OK);
  EXPECT_EQ(g_restarts, 2) << "the board's and the equalizer's";
  EXPECT_EQ(g_clears, 1) << "the spectrum is off";
  EXPECT_EQ(LxMessageBoxCount(), 0);
  EXPECT_EQ(g_ring.slots, slots);
  EXPECT_EQ(g_ring.count, 50);
  EXPECT_EQ(g_engine.state, (DWORD)Playing);
  EXPECT_TRUE(BoardCommands().empty());
}

TEST_F(ButtonsTest, NewRingSizeAsksThenStopsReallocatesAndPlays) {
  RingTo100(Playing);
  ASSERT_EQ(LxMessageBoxCount(), 1);
  LxMessageBoxCall box{};
  LxMessageBoxGet(0, &box);
  EXPECT_EQ(std::u16string(box.text), u"Wollen Sie wieder beginnen?");
  EXPECT_EQ(std::u16string(box.caption), u"Anzeige");
  EXPECT_EQ(box.owner, main_.load());
  EXPECT_EQ(BoardCommands(), (std::vector<UINT>{IDM_STOP, IDM_PLAY}));
  EXPECT_EQ(g_ring.count, 100);
  EXPECT_EQ(g_engine.state, (DWORD)Playing);
}

TEST_F(ButtonsTest, CancelKeepsTheOldRingUntilTheNextStart) {
  answer_ = IDCANCEL;
  RingTo100(Playing);
  EXPECT_EQ(g_ring.count, 50);
  EXPECT_EQ(g_engine.state, (DWORD)Playing);
  EXPECT_TRUE(BoardCommands().empty());
  PostMessageW(g_windows.board, WM_COMMAND, IDM_STOP, 0);
  PostMessageW(g_windows.board, WM_COMMAND, IDM_PLAY, 0);
  lxtest::Settle();
  EXPECT_EQ(g_ring.count, 100);
  EXPECT_EQ(g_engine.state, (DWORD)Playing);
}

TEST_F(ButtonsTest, FailedRingSaysSoAndRefusesPlayUntilASizeFits) {
  g_ringAllocate = [](size_t) -> void* { return nullptr; };
  RingTo100(Stopped);
  ASSERT_EQ(LxMessageBoxCount(), 1) << "stopped: no question, only the failure";
  LxMessageBoxCall box{};
  LxMessageBoxGet(0, &box);
  EXPECT_EQ(std::u16string(box.text), u"Nicht genügend Speicher.");
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_TRUE(PlayerFlagsTest(NoMemory));
  EXPECT_EQ(g_ring.count, 0);
  EXPECT_EQ(g_ring.slots, nullptr);

  g_ringAllocate = allocate_;
  OpenSheet(2);
  Slide(IDC_AUDIO_BUFFER, 0);
  CloseSheet(PSBTN_OK);
  EXPECT_FALSE(PlayerFlagsTest(NoMemory));
  EXPECT_EQ(g_ring.count, 50);
  EXPECT_TRUE(BoardCommands().empty()) << "nothing started";
}

TEST_F(ButtonsTest, CacheChangesCountOnlyWithTheCacheInUseAndKeepTheTitle) {
  AudioSlot* slots = g_ring.slots;
  OpenSheet(3);
  Slide(IDC_CACHE_SIZE, 5);
  Command(IDC_CACHE_SYNC);
  CloseSheet(PSBTN_OK);
  EXPECT_EQ(g_settings.cacheBuffer, 5u);
  EXPECT_FALSE(g_pendingSettings.reload) << "the cache is off";

  lstrcpyW(g_engine.filePath, u"\\My Documents\\a.mp3");
  OpenSheet(3);
  Command(IDC_USE_CACHE);
  CloseSheet(PSBTN_OK);
  EXPECT_EQ(g_ring.slots, slots) << "the ring size did not change";
  EXPECT_EQ(std::u16string(g_engine.filePath), u"\\My Documents\\a.mp3") << "kept for a save at exit";
  PostMessageW(g_windows.board, WM_COMMAND, IDM_PLAY, 0);
  lxtest::Settle();
  EXPECT_EQ(g_engine.filePath[0], 0) << "the next Play opens the title again";
}

TEST_F(ButtonsTest, ClosingTheMainWindowUnderTheSheetEndsCleanly) {
  OpenSheet(1);
  PostMessageW(main_, WM_CLOSE, 0, 0);
  lxtest::Settle();
  EXPECT_FALSE(IsWindow(main_));
  EXPECT_EQ(g_settingsSheet, nullptr);
  EXPECT_EQ(g_captureTarget, nullptr);
  EXPECT_EQ(g_power.modalCount, 0);
}

TEST(ButtonsSettings, RingSizeLoadsInTheSlidersSteps) {
  TestFolder("buttons-settings");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyPath);
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  for (DWORD stored : {75u, 320u}) {
    RegSetValueExW(key, u"AudioBuffer", 0, REG_DWORD, (const BYTE*)&stored, 4);
    Settings s;
    SettingsDefaults(&s);
    LoadSettings(&s, nullptr);
    EXPECT_EQ(s.audioBuffer, stored == 75 ? 50u : 300u);
  }
  RegCloseKey(key);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyPath);
}

}  // namespace
