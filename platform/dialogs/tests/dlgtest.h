// Runs a dialog on its own thread, as a program's UI thread would, while the
// test drives it with stylus and key input and waits for it to go idle.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "lxresource.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

struct Command {
  int id;
  int code;
};

inline std::mutex gCmdLock;
inline std::vector<Command> gCommands;

inline void Record(WPARAM w) {
  std::lock_guard lock(gCmdLock);
  gCommands.push_back({LOWORD(w), HIWORD(w)});
}

inline void ClearCommands() {
  std::lock_guard lock(gCmdLock);
  gCommands.clear();
}

inline std::vector<Command> Commands() {
  std::lock_guard lock(gCmdLock);
  return gCommands;
}

inline bool Saw(int id, int code) {
  for (auto& c : Commands())
    if (c.id == id && c.code == code) return true;
  return false;
}

inline LRESULT CALLBACK OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

inline HWND MakeOwner() { return lxtest::ParentWindow(u"LxDlgTestOwner", OwnerProc, u"Owner"); }

// A modal dialog on a UI thread of its own; the result arrives when it ends.
class ModalRun {
 public:
  ModalRun(const LXDLGTEMPLATE* t, DLGPROC proc, LPARAM param = 0) {
    ClearCommands();
    thread_ = std::thread([=, this] {
      owner_ = MakeOwner();
      result_ = DialogBoxIndirectParamW(nullptr, t, owner_, proc, param);
      ownerEnabledAfter_ = IsWindowEnabled(owner_);
      DestroyWindow(owner_);
      done_ = true;
    });
    Settle();
  }
  ~ModalRun() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits until the dialog thread has nothing more to do.
  static void Settle() { lxtest::Settle(); }
  static void Key(UINT vk) { lxtest::KeyAndSettle(vk); }
  static void Type(const char* s) {
    for (; *s; ++s) LxInputChar((WCHAR)*s);
    Settle();
  }
  static void Tap(int x, int y) { lxtest::TapAndSettle(x, y); }
  INT_PTR Finish() {
    thread_.join();
    return result_;
  }
  HWND owner() const { return owner_; }
  bool done() const { return done_; }
  bool ownerEnabledAfter() const { return ownerEnabledAfter_; }

 private:
  std::thread thread_;
  std::atomic<HWND> owner_{nullptr};
  std::atomic<bool> done_{false};
  std::atomic<bool> ownerEnabledAfter_{false};
  INT_PTR result_ = 0;
};

// The dialog in front, found by its class.
inline HWND FrontDialog() {
  HWND h = GetForegroundWindow();
  WCHAR cls[32] = {};
  GetClassNameW(h, cls, 32);
  return lstrcmpW(cls, u"Dialog") == 0 ? h : nullptr;
}

inline DWORD PixelAt(int x, int y) {
  static DWORD screen[240 * 320];
  LxScreenshot(screen);
  return screen[y * 240 + x] & 0xFFFFFF;
}
