#include "eqwindowtest.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>

namespace {

std::mutex g_callLock;
std::vector<InitCall> g_calls;

LONG RecordInit(LONG, LONG eqEnabled, const signed char* gains, LONG start) {
  std::lock_guard lock(g_callLock);
  g_calls.push_back({eqEnabled, start, std::vector<signed char>(gains, gains + EQ_GAIN_COUNT)});
  return 0;
}

// Forwards commands to the pane as the main window does.
LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND && g_windows.equalizer) return SendMessageW(g_windows.equalizer, m, w, l);
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(h, m, w, l);
}

template <typename F>
bool WaitFor(F condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace

void EqWindowTest::SetUp() {
  lxtest::TempHome::SetUp();
  SettingsDefaults(&g_settings);
  g_power = PowerState{TRUE, TRUE, FALSE, 0, FALSE, FALSE, FALSE};
  {
    std::lock_guard lock(g_callLock);
    g_calls.clear();
  }
  g_engine.KO_Init = RecordInit;
  g_engine.decoderMutex = CreateMutexW(nullptr, FALSE, nullptr);
  LxMessageBoxReset(0);
}

void EqWindowTest::TearDown() {
  Stop();
  LxMessageBoxShow(-1);
  LxMessageBoxReset(0);
  CloseHandle(g_engine.decoderMutex);
  g_engine.decoderMutex = nullptr;
  g_engine.KO_Init = nullptr;
}

void EqWindowTest::Start() {
  ui_ = std::thread([this] {
    HWND h = lxtest::ParentWindow(u"EqTestHost", HostProc, u"Lumtrax");
    g_windows.main = h;
    CreateScratchDC(h);
    EqualizerCreate(h);
    running_ = true;
    host_ = h;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    DeleteScratchDC();
    g_windows.main = nullptr;
    running_ = false;
  });
  ASSERT_TRUE(WaitFor([this] { return host_.load() != nullptr; }));
  Settle();
}

void EqWindowTest::Stop() {
  if (!ui_.joinable()) return;
  PostMessageW(host_, WM_CLOSE, 0, 0);
  ui_.join();
  host_ = nullptr;
}

void EqWindowTest::Command(UINT id, UINT code) {
  PostMessageW(host_, WM_COMMAND, MAKEWPARAM(id, code), 0);
  Settle();
}

HWND EqWindowTest::Front() {
  HWND h = GetForegroundWindow();
  return h && h != host_ ? h : nullptr;
}

// Up once it has put the focus into one of its controls.
HWND EqWindowTest::OpenDialog(UINT id) {
  HWND before = Front();
  PostMessageW(host_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  WaitFor([&] {
    HWND f = Front();
    return f && f != before && GetFocus() && IsChild(f, GetFocus());
  });
  Settle();
  return Front();
}

HWND EqWindowTest::WaitForBox(HWND dialog) {
  WaitFor([&] { return Front() && Front() != dialog; });
  Settle();
  return Front() != dialog ? Front() : nullptr;
}

void EqWindowTest::TapItem(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void EqWindowTest::TapListRow(HWND list, int row) {
  SendMessageW(list, LB_SETTOPINDEX, row, 0);
  RECT r;
  SendMessageW(list, LB_GETITEMRECT, row, (LPARAM)&r);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(list, &p);
  Tap(p.x, p.y);
}

std::u16string EqWindowTest::Text(HWND h) {
  WCHAR buf[128] = {};
  GetWindowTextW(h, buf, 128);
  return std::u16string((const char16_t*)buf);
}

std::vector<InitCall> EqWindowTest::Calls() {
  std::lock_guard lock(g_callLock);
  return g_calls;
}
