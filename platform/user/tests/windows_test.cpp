// Window creation, destruction, geometry, longs, text, order and activation.
#include "testwin.h"

TEST_F(WindowTest, DefaultPositionIsTheWorkArea) {
  HWND h = CreateWindowExW(0, RecordingClass(), u"Main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  made_.push_back(h);
  RECT r, c;
  GetWindowRect(h, &r);
  GetClientRect(h, &c);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 294);
  EXPECT_EQ(c.right, 240);
  EXPECT_EQ(c.bottom, 268);
}

TEST_F(WindowTest, CreateRefusedByWmCreateGivesNoWindow) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    return m == WM_CREATE ? -1 : DefWindowProcW(h, m, w, l);
  };
  wc.lpszClassName = u"LxTestRefuse";
  ASSERT_NE(RegisterClassW(&wc), 0);
  EXPECT_EQ(RegisterClassW(&wc), 0) << "a class name is registered once";
  EXPECT_EQ(CreateWindowExW(0, u"LxTestRefuse", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExW(0, u"LxNoSuchClass", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExW(0, RecordingClass(), u"", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr)
      << "a child needs a parent";
}

TEST_F(WindowTest, DestroyTellsOwnedThenWindowThenChildrenAndInvalidatesAllHandles) {
  HWND top = Make();
  HWND a = Make(WS_CHILD | WS_VISIBLE, top, {0, 0, 10, 10});
  HWND b = Make(WS_CHILD | WS_VISIBLE, a, {0, 0, 5, 5});
  HWND owned = CreateWindowExW(0, RecordingClass(), u"Owned", WS_VISIBLE, 0, 26, 100, 100, top, nullptr, nullptr,
                               nullptr);
  Pump();
  ClearSeen();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<HWND> order;
  {
    std::lock_guard lock(gSeenLock);
    for (auto& s : gSeen)
      if (s.msg == WM_DESTROY) order.push_back(s.hwnd);
  }
  EXPECT_EQ(order, (std::vector<HWND>{owned, top, a, b}));
  for (HWND h : {top, a, b, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_FALSE(PostMessageW(a, WM_USER, 0, 0));
  EXPECT_EQ(SendMessageW(b, WM_USER + 50, 1, 1), 0);
}

TEST_F(WindowTest, VisibilityFollowsTheParentChain) {
  HWND top = Make(0);
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {0, 0, 10, 10});
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_FALSE(ShowWindow(top, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(child, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(child));
}

TEST_F(WindowTest, MoveWindowResizesAndTellsTheWindow) {
  HWND top = Make();
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {0, 0, 10, 10});
  ASSERT_TRUE(MoveWindow(child, 5, 6, 30, 40, TRUE));
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 26 + 6);
  EXPECT_EQ(r.right, 35);
  EXPECT_EQ(r.bottom, 26 + 46);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 32);
}

TEST_F(WindowTest, WindowLongsHoldPointersAndSubclassingChains) {
  HWND h = Make();
  int data;
  EXPECT_EQ(SetWindowLongW(h, GWL_USERDATA, (LONG_PTR)&data), 0);
  EXPECT_EQ(GetWindowLongW(h, GWL_USERDATA), (LONG_PTR)&data);
  SetWindowLongW(h, 4, (LONG_PTR)&data);
  EXPECT_EQ(GetWindowLongW(h, 4), (LONG_PTR)&data);
  EXPECT_EQ(GetWindowLongW(h, 0), 0);
  EXPECT_EQ(GetWindowLongW(h, 8), 0) << "beyond the class's extra bytes";
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
  static WNDPROC previous;
  previous = (WNDPROC)SetWindowLongW(h, GWL_WNDPROC, (LONG_PTR)(WNDPROC)[](HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 50) return CallWindowProcW(previous, w, m, wp, lp) * 2;
    return CallWindowProcW(previous, w, m, wp, lp);
  });
  EXPECT_EQ(previous, RecordingProc);
  EXPECT_EQ(SendMessageW(h, WM_USER + 50, 1, 2), 6);
}

TEST_F(WindowTest, TextFindAndForeground) {
  HWND a = CreateWindowExW(0, RecordingClass(), u"First", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr,
                           nullptr);
  HWND b = CreateWindowExW(0, RecordingClass(), u"Second", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr,
                           nullptr);
  made_ = {a, b};
  WCHAR buf[16];
  EXPECT_EQ(GetWindowTextW(b, buf, 16), 6);
  EXPECT_EQ(lstrcmpW(buf, u"Second"), 0);
  EXPECT_EQ(GetWindowTextW(b, buf, 4), 3) << "truncated to the buffer";
  SetWindowTextW(a, u"Renamed");
  EXPECT_EQ(FindWindowW(nullptr, u"Renamed"), a);
  EXPECT_EQ(FindWindowW(u"lxtestrecord", u"Second"), b) << "class names ignore case";
  EXPECT_EQ(FindWindowW(u"LxTestRecord", u"Nothing"), nullptr);
  EXPECT_EQ(GetForegroundWindow(), b);
  Pump();
  ClearSeen();
  // The lowest bit set also brings owned windows along; the handle is the same window.
  EXPECT_TRUE(SetForegroundWindow((HWND)((uintptr_t)a | 1)));
  EXPECT_EQ(GetForegroundWindow(), a);
  std::lock_guard lock(gSeenLock);
  // WM_ACTIVATE is filtered by the recorder; the order is checked through GetForegroundWindow.
}

TEST_F(WindowTest, ActivationPairIsSent) {
  static std::vector<std::pair<HWND, WPARAM>> acts;
  acts.clear();
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_ACTIVATE) acts.push_back({h, LOWORD(w)});
    return DefWindowProcW(h, m, w, l);
  };
  wc.lpszClassName = u"LxTestActivate";
  RegisterClassW(&wc);
  HWND a = CreateWindowExW(0, u"LxTestActivate", u"A", WS_VISIBLE, 0, 26, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND b = CreateWindowExW(0, u"LxTestActivate", u"B", WS_VISIBLE, 0, 26, 100, 100, nullptr, nullptr, nullptr, nullptr);
  made_ = {a, b};
  acts.clear();
  SetForegroundWindow(a);
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0], std::make_pair(b, (WPARAM)WA_INACTIVE));
  EXPECT_EQ(acts[1], std::make_pair(a, (WPARAM)WA_ACTIVE));
  acts.clear();
  SetForegroundWindow(a);
  EXPECT_TRUE(acts.empty()) << "already in front";

  // Hidden with only a menu-bar-like window left: nobody takes the
  // foreground, yet the hidden window hears that it lost it.
  DestroyWindow(b);
  HWND bar = CreateWindowExW(WS_EX_NOACTIVATE, u"LxTestActivate", u"", WS_POPUP, 0, 294, 240, 26, a, nullptr,
                             nullptr, nullptr);
  ShowWindow(bar, SW_SHOWNA);
  made_ = {a, bar};
  acts.clear();
  ShowWindow(a, SW_HIDE);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0], std::make_pair(a, (WPARAM)WA_INACTIVE));
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  acts.clear();
  ShowWindow(a, SW_SHOW);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0], std::make_pair(a, (WPARAM)WA_ACTIVE));
}

TEST_F(WindowTest, ActivationRunsOnTheThreadOwningTheWindow) {
  struct Act {
    HWND h;
    WPARAM how;
    DWORD thread;
  };
  static std::mutex actsLock;
  static std::vector<Act> acts;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_ACTIVATE) {
      std::lock_guard lock(actsLock);
      acts.push_back({h, LOWORD(w), GetCurrentThreadId()});
    }
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(h, m, w, l);
  };
  wc.lpszClassName = u"LxTestActivateThread";
  RegisterClassW(&wc);
  std::atomic<HWND> a{nullptr};
  std::atomic<DWORD> aThread{0};
  std::thread owner([&] {
    aThread = GetCurrentThreadId();
    a = CreateWindowExW(0, u"LxTestActivateThread", u"A", WS_VISIBLE, 0, 26, 100, 100, nullptr, nullptr, nullptr,
                        nullptr);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0)) DispatchMessageW(&m);
  });
  while (!a) Nap(1);
  HWND b = Make();
  SendMessageW(a, WM_NULL, 0, 0);  // A has heard that B came forward
  {
    std::lock_guard lock(actsLock);
    acts.clear();
  }
  EXPECT_TRUE(SetForegroundWindow(a));
  EXPECT_TRUE(SetForegroundWindow(b));
  PostMessageW(a, WM_CLOSE, 0, 0);
  owner.join();
  std::lock_guard lock(actsLock);
  std::vector<Act> forA;
  for (const Act& x : acts)
    if (x.h == a) forA.push_back(x);
  ASSERT_EQ(forA.size(), 2u);
  EXPECT_EQ(forA[0].how, (WPARAM)WA_ACTIVE);
  EXPECT_EQ(forA[1].how, (WPARAM)WA_INACTIVE);
  for (const Act& x : forA) EXPECT_EQ(x.thread, aThread.load()) << "activation ran on the caller's thread";
}

TEST_F(WindowTest, SettingChangeBroadcastReachesTopLevelWindowsOnly) {
  HWND top = Make();
  HWND child = Make(WS_CHILD | WS_VISIBLE, top, {0, 0, 10, 10});
  Pump();
  ClearSeen();
  SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 228, 0);
  auto t = SeenMessages(top), c = SeenMessages(child);
  EXPECT_EQ(std::count(t.begin(), t.end(), (UINT)WM_SETTINGCHANGE), 1);
  EXPECT_TRUE(c.empty());
}

TEST_F(WindowTest, MessageBoxIsRecordedAndAnsweredWithTheDefaultButton) {
  LxMessageBoxReset(0);
  EXPECT_EQ(MessageBoxW(nullptr, u"Ungültige Audiodatei", u"Fehler", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"Sicher?", u"Warnung", MB_YESNO | MB_DEFBUTTON2), IDNO);
  ASSERT_EQ(LxMessageBoxCount(), 2);
  LxMessageBoxCall call;
  ASSERT_TRUE(LxMessageBoxGet(0, &call));
  EXPECT_EQ(lstrcmpW(call.caption, u"Fehler"), 0);
  EXPECT_EQ(lstrcmpW(call.text, u"Ungültige Audiodatei"), 0);
  LxMessageBoxReset(IDYES);
  EXPECT_EQ(MessageBoxW(nullptr, u"Sicher?", u"Warnung", MB_YESNO), IDYES);
  LxMessageBoxReset(0);
}

TEST_F(WindowTest, ScreenMetricsAreTheDevice) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 240);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 320);
}

TEST_F(WindowTest, RectangleHelpers) {
  RECT a{0, 0, 10, 10}, b{5, 5, 20, 20}, r;
  EXPECT_TRUE(IntersectRect(&r, &a, &b));
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 10);
  RECT far{30, 30, 40, 40};
  EXPECT_FALSE(IntersectRect(&r, &a, &far));
  EXPECT_TRUE(IsRectEmpty(&r));
  EXPECT_TRUE(UnionRect(&r, &a, &far));
  EXPECT_EQ(r.right, 40);
  RECT empty{};
  EXPECT_TRUE(UnionRect(&r, &empty, &a));
  EXPECT_TRUE(EqualRect(&r, &a)) << "an empty rectangle adds nothing";
  EXPECT_TRUE(PtInRect(&a, POINT{0, 0}));
  EXPECT_FALSE(PtInRect(&a, POINT{10, 5})) << "right and bottom edges are outside";
  OffsetRect(&r, 2, 3);
  EXPECT_EQ(r.top, 3);
  InflateRect(&r, 1, 1);
  EXPECT_EQ(r.left, 1);
}
