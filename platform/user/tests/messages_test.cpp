// Message order, paint coalescing, timers, sent messages across threads.
#include <thread>

#include "testwin.h"

TEST_F(WindowTest, PostedMessagesComeBeforePaintAndPaintBeforeTimers) {
  HWND h = Make();
  Pump();
  ClearSeen();
  SetTimer(h, 7, 10, nullptr);
  InvalidateRect(h, nullptr, FALSE);
  PostMessageW(h, WM_USER + 1, 0, 0);
  PostMessageW(h, WM_USER + 2, 0, 0);
  Nap(40);
  Pump();
  KillTimer(h, 7);
  auto seen = SeenMessages(h);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[0], (UINT)WM_USER + 1);
  EXPECT_EQ(seen[1], (UINT)WM_USER + 2);
  EXPECT_EQ(seen[2], (UINT)WM_PAINT);
  EXPECT_EQ(seen[3], (UINT)WM_TIMER);
}

TEST_F(WindowTest, TimerWaitsWhileMessagesArePosted) {
  HWND h = Make();
  Pump();
  SetTimer(h, 1, 10, nullptr);
  Nap(30);
  PostMessageW(h, WM_USER + 3, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, (UINT)WM_USER + 3) << "a due timer must not overtake a posted message";
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, (UINT)WM_TIMER);
  EXPECT_EQ(m.wParam, 1u);
  // One WM_TIMER however long the timer was overdue.
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  KillTimer(h, 1);
  Nap(30);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) << "killed timer still fires";
}

TEST_F(WindowTest, InvalidatedAreasCoalesceIntoOnePaint) {
  HWND h = Make();
  Pump();
  static RECT painted;
  static int paints;
  paints = 0;
  SetWindowLongW(h, GWL_WNDPROC, (LONG_PTR)(WNDPROC)[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(w, &ps);
      painted = ps.rcPaint;
      RECT clip;
      GetClipBox(ps.hdc, &clip);
      EXPECT_TRUE(EqualRect(&clip, &ps.rcPaint)) << "the paint DC is clipped to the update area";
      EndPaint(w, &ps);
      ++paints;
      return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
  });
  RECT a{10, 10, 20, 20}, b{50, 40, 60, 45};
  InvalidateRect(h, &a, FALSE);
  InvalidateRect(h, &b, FALSE);
  Pump();
  EXPECT_EQ(paints, 1);
  RECT u{10, 10, 60, 45};
  EXPECT_TRUE(EqualRect(&painted, &u));
  Pump();
  EXPECT_EQ(paints, 1) << "painting validated the window";
}

TEST_F(WindowTest, UpdateWindowPaintsAtOnceAndErasesWithTheClassBrush) {
  HWND h = Make();
  UpdateWindow(h);
  auto seen = SeenMessages(h);
  EXPECT_NE(std::find(seen.begin(), seen.end(), (UINT)WM_PAINT), seen.end());
  ClearSeen();
  UpdateWindow(h);
  EXPECT_TRUE(SeenMessages(h).empty()) << "nothing to paint, no WM_PAINT";
}

TEST_F(WindowTest, QuitEndsTheLoopWithItsCode) {
  PostQuitMessage(7);
  MSG m;
  EXPECT_FALSE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, (UINT)WM_QUIT);
  EXPECT_EQ(m.wParam, 7u);
}

TEST_F(WindowTest, SendFromAnotherThreadRunsOnTheOwnerAndWaits) {
  HWND h = Make();
  Pump();
  ClearSeen();
  std::atomic<LRESULT> result{0};
  std::atomic<bool> finished{false};
  std::thread other([&] {
    result = SendMessageW(h, WM_USER + 50, 20, 22);
    PostMessageW(h, WM_USER + 9, 0, 0);
    finished = true;
  });
  MSG m;
  while (!finished || PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE)) {
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  other.join();
  Pump();
  EXPECT_EQ(result.load(), 42);
  auto seen = SeenMessages(h);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (UINT)WM_USER + 50);
  EXPECT_EQ(seen[1], (UINT)WM_USER + 9);
}

TEST_F(WindowTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  HWND mine = Make();
  std::atomic<HWND> theirs{nullptr};
  std::atomic<bool> stop{false};
  std::thread other([&] {
    HWND h = CreateWindowExW(0, RecordingClass(), u"Other", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    theirs = h;
    // While its own send waits, this thread answers the main thread's.
    EXPECT_EQ(SendMessageW(mine, WM_USER + 50, 1, 2), 3);
    MSG m;
    while (!stop) {
      if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
      else Nap(1);
    }
    DestroyWindow(h);
  });
  while (!theirs) Nap(1);
  EXPECT_EQ(SendMessageW(theirs, WM_USER + 50, 5, 6), 11);
  MSG m;
  for (int i = 0; i < 50; ++i) {
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Nap(1);
  }
  stop = true;
  other.join();
}

TEST_F(WindowTest, PostedFromManyThreadsAllArrive) {
  HWND h = Make();
  Pump();
  ClearSeen();
  std::vector<std::thread> ts;
  for (int t = 0; t < 4; ++t)
    ts.emplace_back([h, t] {
      for (int i = 0; i < 100; ++i) PostMessageW(h, WM_USER + 20, t, i);
    });
  for (auto& t : ts) t.join();
  Pump();
  std::lock_guard lock(gSeenLock);
  int last[4] = {-1, -1, -1, -1}, count = 0;
  for (auto& s : gSeen)
    if (s.msg == WM_USER + 20) {
      EXPECT_EQ((int)s.lParam, last[s.wParam] + 1) << "one thread's posts keep their order";
      last[s.wParam] = (int)s.lParam;
      ++count;
    }
  EXPECT_EQ(count, 400);
}

TEST_F(WindowTest, TimerProcIsCalledByDispatch) {
  static int calls;
  calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  ASSERT_NE(id, 0u);
  Nap(25);
  Pump();
  EXPECT_EQ(calls, 1);
  KillTimer(nullptr, id);
}
