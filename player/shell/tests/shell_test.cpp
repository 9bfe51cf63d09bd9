// The shell in one process: table dispatch, the action table, the suspension
// flags and keep-awake period, and the main window with recording panes.
#include <gtest/gtest.h>

#include <aygshell.h>
#include <lxuser.h>
#include <pm.h>

#include <chrono>
#include <string>
#include <vector>

#include "../../../platform/shell/lxpower.h"
#include "../../../platform/shell/lxstate.h"
#include "enginestub.h"
#include "playlist/filechooser.h"
#include "playlist/playlist.h"
#include "shell/dispatch.h"
#include "shell/mainwindow.h"
#include "shell/openfiles.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "testing/playertest.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show);

namespace {

using Clock = std::chrono::steady_clock;

struct Arrival {
  std::string pane;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  Clock::time_point at;
};
std::vector<Arrival> g_arrivals;

std::string PaneName(HWND hwnd) {
  if (hwnd == g_windows.board) return "board";
  if (hwnd == g_windows.equalizer) return "equalizer";
  if (hwnd == g_windows.playlist) return "playlist";
  return "other";
}

LRESULT CALLBACK RecordingPane(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) g_arrivals.push_back({PaneName(hwnd), message, wParam, lParam, Clock::now()});
  if (message == WM_DESTROY) g_engineStub.calls.push_back("destroy " + PaneName(hwnd));
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static ATOM registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = RecordingPane;
      wc.lpszClassName = u"RecordingPane";
      return RegisterClassW(&wc);
    }();
    ASSERT_NE(registered, 0);
    TestFolder("shell");
    g_engineStub = EngineStub{};
    SettingsDefaults(&g_settings);
    g_engine.state = Stopped;
    g_power = PowerState{TRUE, TRUE, FALSE, 0, FALSE, FALSE, FALSE};
    g_windows = PlayerWindows{};
    g_windows.instance = GetModuleHandleW(nullptr);
    g_arrivals.clear();
    LxMessageBoxReset(0);
  }
  void TearDown() override {
    if (g_windows.main) DestroyWindow(g_windows.main);
    for (HWND pane : {g_windows.board, g_windows.equalizer, g_windows.playlist})
      if (pane && IsWindow(pane)) DestroyWindow(pane);
    Pump();
    g_windows = PlayerWindows{};
  }
  // Recording panes in place of the real ones, children of parent when given.
  void RecordingPanes(HWND parent = nullptr) {
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    for (HWND* pane : {&g_windows.board, &g_windows.equalizer, &g_windows.playlist}) {
      if (*pane) DestroyWindow(*pane);
      *pane = CreateWindowW(u"RecordingPane", u"", style, 0, 0, 240, 90, parent, nullptr, nullptr, nullptr);
    }
    g_arrivals.clear();
  }
  HWND CreateMain(LPCWSTR commandLine = u"") {
    static ATOM mainClass = MainWindowRegister(g_windows.instance);
    EXPECT_NE(mainClass, 0);
    return MainWindowCreate(g_windows.instance, commandLine, SW_SHOW);
  }
};

// ---- Dispatch ----

LRESULT g_previousCalls;
LRESULT CALLBACK Previous(HWND, UINT, WPARAM, LPARAM) {
  ++g_previousCalls;
  return 7;
}
int g_handled;
LRESULT NotHandled(HWND, UINT, WPARAM, LPARAM) { return ++g_handled, NOT_HANDLED; }
LRESULT Zero(HWND, UINT, WPARAM, LPARAM) { return ++g_handled, 0; }
LRESULT SignExtended(HWND, UINT, WPARAM, LPARAM) { return ++g_handled, (LRESULT)(LONG)0x80000000; }

const MessageEntry TestMessages[] = {
    {WM_USER + 1, NotHandled}, {WM_USER + 2, Zero},       {WM_USER + 3, nullptr}, {WM_USER + 4, SignExtended},
    {WM_LBUTTONDOWN, Zero},    {WM_KEYDOWN, Zero},        {WM_CHAR, Zero},        {WM_TIMER, Zero},
    {WM_COMMAND, Zero},
};

LRESULT Send(UINT message) {
  return Dispatch(nullptr, message, 0, 0, TestMessages, TABLE_COUNT(TestMessages), Previous);
}

TEST_F(ShellTest, OnlyTheExactNotHandledMarkerRunsTheDefault) {
  g_previousCalls = g_handled = 0;
  EXPECT_EQ(Send(WM_USER + 1), 7);
  EXPECT_EQ(g_previousCalls, 1);
  EXPECT_EQ(Send(WM_USER + 2), 0);
  EXPECT_EQ(Send(WM_USER + 3), 0) << "a null handler consumes";
  EXPECT_EQ(Send(WM_USER + 4), (LRESULT)(LONG)0x80000000) << "a sign-extended value is a result";
  EXPECT_EQ(Send(WM_USER + 9), 7) << "not in the table";
  EXPECT_EQ(g_previousCalls, 2);
  EXPECT_EQ(g_handled, 3);
}

TEST_F(ShellTest, BusyDropsTapsAndKeysButNotTimersOrCommands) {
  g_handled = 0;
  WaitCursor(TRUE, FALSE);
  WaitCursor(TRUE, FALSE);
  for (UINT input : {WM_LBUTTONDOWN, WM_KEYDOWN, WM_CHAR}) EXPECT_EQ(Send(input), 0);
  EXPECT_EQ(g_handled, 0);
  Send(WM_TIMER);
  Send(WM_COMMAND);
  EXPECT_EQ(g_handled, 2);
  WaitCursor(FALSE, FALSE);
  EXPECT_EQ(WaitCursorCount(), 1);
  WaitCursor(FALSE, TRUE);
  EXPECT_EQ(WaitCursorCount(), 0) << "forced off ends all nesting";
  Send(WM_LBUTTONDOWN);
  EXPECT_EQ(g_handled, 3);
}

TEST_F(ShellTest, MissingDialogTemplateAnswersMinusOneAndRestoresModalMark) {
  EXPECT_EQ(RunDialog(9999, nullptr, 0), -1);
  EXPECT_EQ(g_power.modalCount, 0);
  EXPECT_FALSE(g_power.spectrumSuspended);
}

// ---- Actions ----

TEST_F(ShellTest, VolumeActionsStepByFiveAndStopAtTheLimits) {
  RecordingPanes();
  g_settings.volume = 98;
  RunAction(1);
  EXPECT_EQ(g_settings.volume, 100u);
  ASSERT_EQ(g_arrivals.size(), 2u) << "sent, not posted";
  EXPECT_EQ(g_arrivals[0].wParam, MAKEWPARAM(IDM_BOARD_VOLUME, 1));
  EXPECT_EQ(g_arrivals[1].wParam, MAKEWPARAM(IDM_BOARD_VOLUME, 0));
  RunAction(1);
  EXPECT_EQ(g_arrivals.size(), 2u) << "nothing at 100";
  g_settings.volume = 3;
  RunAction(2);
  EXPECT_EQ(g_settings.volume, 0u);
}

TEST_F(ShellTest, PostedActionsReachTheirPanes) {
  RecordingPanes();
  struct Case {
    int action;
    DWORD state;
    BYTE flags;
    std::string pane;
    WPARAM wParam;
  } cases[] = {
      {3, Stopped, SoundOn, "board", IDM_BOARD_NEXT},       {4, Stopped, SoundOn, "board", IDM_BOARD_PREVIOUS},
      {8, Playing, SoundOn, "board", IDM_PAUSE},            {8, Paused, SoundOn, "board", IDM_PLAY},
      {8, Stopped, SoundOn, "board", IDM_PLAY},             {9, Stopped, SoundOn, "board", IDM_BOARD_MUTE},
      {9, Stopped, 0, "board", IDM_BOARD_UNMUTE},           {10, Stopped, SoundOn, "playlist", MAKEWPARAM(51002, 1)},
      {11, Stopped, SoundOn, "playlist", MAKEWPARAM(51003, 1)},
  };
  for (const Case& c : cases) {
    g_engine.state = c.state;
    PlayerFlagsClear(SoundOn);
    PlayerFlagsSet(c.flags);
    g_arrivals.clear();
    auto start = Clock::now();
    RunAction(c.action);
    EXPECT_TRUE(g_arrivals.empty()) << "action " << c.action << " posts";
    Pump();
    ASSERT_EQ(g_arrivals.size(), 1u) << "action " << c.action;
    EXPECT_EQ(g_arrivals[0].pane, c.pane) << "action " << c.action;
    EXPECT_EQ(g_arrivals[0].wParam, c.wParam) << "action " << c.action << " in state " << c.state;
    if (c.action == 8 && c.state == Stopped) {
      EXPECT_GE(g_arrivals[0].at - start, std::chrono::milliseconds(100));
    }
  }
  EXPECT_EQ(RunAction(0), NOT_HANDLED);
  EXPECT_EQ(RunAction(13), NOT_HANDLED);
  EXPECT_EQ(std::u16string(ActionName(12)), u"Bildschirmschalter");
}

TEST_F(ShellTest, DisplaySwitchDarkensTheScreenUntilSwitchedAgain) {
  HWND window = CreateWindowW(u"RecordingPane", u"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr,
                              nullptr, nullptr);
  auto dark = [] {
    Pump();
    std::vector<DWORD> pixels(240 * 320);
    LxScreenshot(pixels.data());
    for (DWORD p : pixels)
      if (p != 0) return false;
    return true;
  };
  EXPECT_FALSE(dark());
  RunAction(12);
  EXPECT_FALSE(g_power.displayOn);
  EXPECT_TRUE(g_power.boardSuspended);
  EXPECT_TRUE(dark());
  RunAction(12);
  EXPECT_TRUE(g_power.displayOn);
  EXPECT_FALSE(g_power.boardSuspended);
  EXPECT_FALSE(dark());
  DestroyWindow(window);
}

// ---- Power ----

TEST_F(ShellTest, SuspensionFlagsFollowTheMarks) {
  RecomputeSuspension();
  EXPECT_FALSE(g_power.spectrumSuspended || g_power.equalizerSpectrumSuspended || g_power.boardSuspended);
  g_power.modalCount = 1;
  RecomputeSuspension();
  EXPECT_TRUE(g_power.spectrumSuspended);
  EXPECT_FALSE(g_power.equalizerSpectrumSuspended) << "a modal dialog stops only the analysis";
  g_power.modalCount = 0;
  g_settings.plState = 1;
  RecomputeSuspension();
  EXPECT_TRUE(g_power.spectrumSuspended && g_power.equalizerSpectrumSuspended);
  EXPECT_FALSE(g_power.boardSuspended);
  g_power.active = FALSE;
  RecomputeSuspension();
  EXPECT_TRUE(g_power.boardSuspended);
}

TEST_F(ShellTest, KeepAwakePeriodEndsOneSecondBeforeShortestIdleTimeout) {
  auto period = [](DWORD battery, DWORD external, DWORD wakeup) {
    LxDeviceStateSet("BatteryIdleTimeout", battery);
    LxDeviceStateSet("ExternalIdleTimeout", external);
    LxDeviceStateSet("WakeupIdleTimeout", wakeup);
    return KeepAwakePeriod();
  };
  EXPECT_EQ(period(180, 0, 60), 59000u);
  EXPECT_EQ(period(0, 0, 0), 0xFFFFF830u);
  EXPECT_EQ(period(1, 0, 0), 500u);
}

// ---- Main window ----

TEST_F(ShellTest, CreationBuildsMenuBarAndPanesAboveIt) {
  HWND main = CreateMain();
  ASSERT_NE(main, nullptr);
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 294);
  ASSERT_NE(g_windows.menuBar, nullptr);
  EXPECT_EQ(SendMessageW(g_windows.menuBar, TB_BUTTONCOUNT, 0, 0), 4);
  WCHAR name[32];
  const std::pair<HWND, std::u16string> panes[] = {
      {g_windows.board, u"LumtraxMB"}, {g_windows.equalizer, u"LumtraxEQ"}, {g_windows.playlist, u"LumtraxPL"}};
  for (const auto& [pane, className] : panes) {
    ASSERT_NE(pane, nullptr);
    GetClassNameW(pane, name, 32);
    EXPECT_EQ(std::u16string(name), className);
    EXPECT_EQ(GetParent(pane), main);
  }
  EXPECT_NE(g_settings.wakeUp, 0u) << "wake-up registered";
  HMENU playlist = (HMENU)SendMessageW(g_windows.menuBar, SHCMBM_GETSUBMENU, 0, 40025);
  ASSERT_NE(playlist, nullptr);
  EXPECT_TRUE(GetMenuState(playlist, 42012, MF_BYCOMMAND) & MF_GRAYED);
  SendMessageW(main, UM_MENUSTATE, 0, 1);
  EXPECT_FALSE(GetMenuState(playlist, 42012, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(playlist, 42013, MF_BYCOMMAND) & MF_GRAYED);
  SendMessageW(main, UM_MENUSTATE, 0, 0);
  EXPECT_TRUE(GetMenuState(playlist, 42013, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(ShellTest, ClassAlreadyRegisteredEndsWithOne) {
  MainWindowRegister(g_windows.instance);
  WCHAR none[] = u"";
  EXPECT_EQ(WinMain(g_windows.instance, nullptr, none, SW_SHOW), 1);
  EXPECT_EQ(g_engineStub.calls.size(), 0u);
}

TEST_F(ShellTest, RefusedBindLeavesNoWindowAndSkipsShutdown) {
  g_engineStub.bindResult = 0;
  EXPECT_EQ(CreateMain(), nullptr);
  Pump();
  EXPECT_EQ(g_engineStub.calls, std::vector<std::string>{"bind"});
  EXPECT_EQ(FindWindowW(u"Lumtrax", nullptr), nullptr);
  EXPECT_EQ(g_settings.wakeUp, 0u);
}

TEST_F(ShellTest, UnknownCommandsGoToEachPaneInOrder) {
  HWND main = CreateMain();
  RecordingPanes(main);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(42014, 3), 77);
  ASSERT_EQ(g_arrivals.size(), 3u);
  const char* order[] = {"board", "equalizer", "playlist"};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(g_arrivals[i].pane, order[i]);
    EXPECT_EQ(g_arrivals[i].wParam, MAKEWPARAM(42014, 3));
    EXPECT_EQ(g_arrivals[i].lParam, 77);
  }
  g_arrivals.clear();
  auto start = Clock::now();
  SendMessageW(main, WM_COMMAND, IDM_PLAY, 0);
  ASSERT_EQ(g_arrivals.size(), 3u);
  EXPECT_GE(g_arrivals[0].at - start, std::chrono::milliseconds(100));
  g_arrivals.clear();
  SendMessageW(main, WM_HOTKEY, 0xB3, MAKELPARAM(0, 0xB3));  // the play/pause media key
  Pump();
  ASSERT_FALSE(g_arrivals.empty());
  EXPECT_EQ(g_arrivals[0].wParam, (WPARAM)IDM_PLAY);
  g_arrivals.clear();
  SendMessageW(main, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_TRUE(g_arrivals.empty()) << "the main window's own command stays";
}

TEST_F(ShellTest, ShutdownUnbindsTheEngineBeforeThePanesGo) {
  HWND main = CreateMain();
  RecordingPanes(main);
  g_engineStub.calls.clear();
  DisplaySwitch(FALSE);
  PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
  Pump();
  EXPECT_FALSE(IsWindow(main));
  EXPECT_TRUE(g_power.displayOn) << "nobody would be left to switch it on";
  ASSERT_EQ(g_engineStub.calls.size(), 4u);
  EXPECT_EQ(g_engineStub.calls[0], "unbind");
  EXPECT_EQ(g_engineStub.calls[3].rfind("destroy ", 0), 0u);
  EXPECT_EQ(g_settings.wakeUp, 0u);
  g_windows.main = nullptr;
}

TEST_F(ShellTest, KeepAwakeTimerResetsTheIdleTimer) {
  HWND main = CreateMain();
  DWORD before = LxIdleTimerResetCount();
  SendMessageW(main, WM_TIMER, TIMER_KEEP_AWAKE, 0);
  EXPECT_EQ(LxIdleTimerResetCount(), before + 1);
}

TEST_F(ShellTest, WakeUpResumesOnlyOutputThatWasPlaying) {
  HWND main = CreateMain();
  g_power.displayOn = FALSE;
  struct Case {
    DWORD state;
    BYTE flags;
    bool restart;
  } cases[] = {{Stopped, 0, false}, {Paused, 0, false}, {Playing, Seeking, false}, {Playing, 0, true}};
  for (const Case& c : cases) {
    g_engine.state = c.state;
    PlayerFlagsClear(Seeking);
    PlayerFlagsSet(c.flags);
    g_engineStub.calls.clear();
    SendMessageW(main, UM_WAKEUP, 0, 0);
    EXPECT_EQ(!g_engineStub.calls.empty() && g_engineStub.calls.back() == "restart", c.restart)
        << "state " << c.state;
    EXPECT_TRUE(g_power.displayOn);
  }
  PlayerFlagsClear(Seeking);
  g_engine.state = Stopped;
}

TEST_F(ShellTest, InvalidStartFileKeepsTheListAndSaysSo) {
  std::string folder = TestFolder("start");
  WriteHostFile(folder + "/a.mp3", MakeMp3({}));
  WriteHostFile(folder + "/bad.mp3", Bytes(300, 0x11));
  HWND main = CreateMain(DevicePath(folder + "/bad.mp3").c_str());
  ASSERT_NE(main, nullptr);
  std::u16string good = DevicePath(folder + "/a.mp3");
  SendMessageW(g_windows.playlist, UM_CLEARPLAYLIST, 0, 0);
  ASSERT_EQ(SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)good.c_str()), 1);
  StartFileStep();
  EXPECT_EQ(g_playlist.count, 1u);
  ASSERT_EQ(LxMessageBoxCount(), 1);
  LxMessageBoxCall box;
  LxMessageBoxGet(0, &box);
  EXPECT_EQ(std::u16string(box.text), u"Ungültige Audiodatei");
  EXPECT_EQ(std::u16string(box.caption), u"Fehler");
}

// ---- "Öffnen" ----

TEST_F(ShellTest, OpenChoiceReplacesLoadsOrScansIntoTheList) {
  std::string folder = TestFolder("open");
  for (const char* name : {"a.mp3", "b.mp3"}) WriteHostFile(folder + "/" + name, MakeMp3({}));
  WriteHostFile(folder + "/bad.mp3", Bytes(300, 0x11));
  std::u16string a = DevicePath(folder + "/a.mp3"), b = DevicePath(folder + "/b.mp3");
  HWND main = CreateMain();
  ASSERT_NE(main, nullptr);
  SendMessageW(g_windows.playlist, UM_CLEARPLAYLIST, 0, 0);
  ASSERT_EQ(SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)b.c_str()), 1);
  ASSERT_TRUE(PlaylistSave(DevicePath(folder + "/b.plt").c_str()));
  SendMessageW(g_windows.playlist, UM_ADDFILE, 0, (LPARAM)a.c_str());
  static FileChooserParams choice;
  choice = FileChooserParams{};
  lstrcpynW(choice.path, DevicePath(folder + "/bad.mp3").c_str(), MAX_PATH);
  EXPECT_EQ(OpenChoice(&choice), 1) << "the list is not empty";
  EXPECT_EQ(g_playlist.count, 2u) << "no audio: the list stays";
  lstrcpynW(choice.path, DevicePath(folder + "/b.plt").c_str(), MAX_PATH);
  OpenChoice(&choice);
  ASSERT_EQ(g_playlist.count, 1u) << "a playlist file replaces the list";
  EXPECT_EQ(std::u16string(PlaylistEntryAt(0)->path), b);
  lstrcpynW(choice.path, DevicePath(folder + "/a.mp3").c_str(), MAX_PATH);
  OpenChoice(&choice);
  ASSERT_EQ(g_playlist.count, 1u);
  EXPECT_EQ(std::u16string(PlaylistEntryAt(0)->path), a);
}

TEST_F(ShellTest, OpenAllStopsAtTheFullList) {
  std::string folder = TestFolder("many");
  Bytes mp3 = MakeMp3({});
  for (int i = 0; i < PLAYLIST_LIMIT + 3; i++) WriteHostFile(folder + "/" + std::to_string(i) + ".mp3", mp3);
  HWND main = CreateMain();
  ASSERT_NE(main, nullptr);
  ShowWindow(main, SW_HIDE);  // a thousand repaints would only cost time
  static FileChooserParams choice;
  choice = FileChooserParams{};
  choice.all = 1;
  lstrcpynW(choice.path, DevicePath(folder + "/").c_str(), MAX_PATH);
  lstrcpynW(choice.extension, u"MP3", MAX_PATH);
  EXPECT_EQ(OpenChoice(&choice), 1);
  EXPECT_EQ(g_playlist.count, (DWORD)PLAYLIST_LIMIT);
  EXPECT_EQ(LxMessageBoxCount(), 1) << "one box, not one per further file";
}

}  // namespace
