// Driving a program's windows from a test: the stylus and keys go through
// the device's input path, then the test either runs the queue itself
// (single-threaded tests) or waits for another thread's loop to go idle.
#pragma once
#include <chrono>
#include <thread>

#include "lxuser.h"
#include "windows.h"

namespace lxtest {

// Runs everything queued on this thread, including paint and due timers.
inline void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

inline void TapAndPump(int x, int y, bool twice = false) {
  for (int i = 0; i < (twice ? 2 : 1); ++i) {
    LxInputStylus(WM_LBUTTONDOWN, x, y);
    LxInputStylus(WM_LBUTTONUP, x, y);
  }
  Pump();
}

// For a window loop on another thread: a few idle waits with a pause
// between, since one message may post the next.
inline void Settle() {
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    LxWaitIdle(2000);
  }
}

inline void TapAndSettle(int x, int y) {
  LxInputStylus(WM_LBUTTONDOWN, x, y);
  LxInputStylus(WM_LBUTTONUP, x, y);
  Settle();
}

inline void KeyAndSettle(UINT vk) {
  LxInputKey(vk, TRUE);
  LxInputKey(vk, FALSE);
  Settle();
}

}  // namespace lxtest
