// Inside the window manager: windows, classes, per-thread message queues.
// One recursive lock guards all of it; window procedures are always called
// with the lock released, so a procedure may call anything.
#pragma once
#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "windows.h"

namespace lx {

struct Surface;

using Clock = std::chrono::steady_clock;

struct SentRequest {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT interval;
  TIMERPROC proc;
  Clock::time_point due;
};

// Wakes a queue's owner: a futex word, so that the woken thread does not
// first wait for a condition variable's own mutex, still held by the waker
// (two switches per posted message instead of one). Wait releases the user
// lock, sleeps unless a wake came since the lock was taken, and takes it again.
struct QueueSignal {
  std::atomic<uint32_t> wakes{0};
  void NotifyAll();
  void Wait(std::unique_lock<std::recursive_mutex>& lock, Clock::time_point until = Clock::time_point::max());
};

// One per thread that touches messages. Kept alive by shared pointers so that
// a window or a waiting sender may outlive its thread.
struct MsgQueue {
  DWORD threadId = 0;
  bool alive = true;
  bool waiting = false;  // blocked in GetMessageW/WaitMessage with nothing to do
  QueueSignal cv;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentRequest>> sent;
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
  MSG current{};
};

struct WndClass {
  std::u16string name;
  WNDCLASSW wc{};
  std::u16string menuName;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WndClass> cls;
  HWND parent = nullptr;            // WS_CHILD: the parent; otherwise none
  HWND owner = nullptr;             // top-level: the owner window, if any
  std::vector<HWND> children;       // bottom to top
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};                      // in the parent's client coordinates (top-level: screen)
  std::u16string text;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::map<int, LONG_PTR> extra;    // class extra bytes, one slot per offset
  std::shared_ptr<MsgQueue> queue;
  bool hasUpdate = false;
  bool updateErase = false;
  RECT update{};                    // client coordinates
  unsigned paints = 0;              // BeginPaint calls, for lumtrax-device paints
  std::shared_ptr<Surface> surface; // top-level windows draw into their own surface
  // A window of another process, found by FindWindowW.
  bool remote = false;
  int remotePid = 0;
  uint64_t remoteHandle = 0;
  bool destroying = false;
};

std::recursive_mutex& UserLock();
Window* GetWin(HWND hwnd);  // under UserLock; null for unknown or remote handles
Window* GetAnyWin(HWND hwnd);  // also remote proxies
std::shared_ptr<MsgQueue> CurrentQueue();
std::shared_ptr<MsgQueue> QueueOfThread(DWORD threadId);
void WakeQueue(MsgQueue& q);
// Top-level windows, bottom to top.
const std::vector<HWND>& TopLevels();
std::vector<HWND> AllWindows();
HWND TopLevelOf(HWND hwnd);
RECT ScreenRectOf(Window* w);
RECT SurfaceRectOf(Window* w);  // the window's rectangle inside its top-level surface
bool IsVisibleChain(Window* w);
// Every descendant first, then the window: the order windows are destroyed in.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The window's procedure on the window's own thread, without waiting for it:
// at once on that thread, else first thing when that thread next looks for
// messages. For news a caller need not wait on (activation).
void NotifyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void InvalidateAll(Window* w, bool children);
void NoteScreenChanged();  // something visible changed: the backends redraw
HWND ForegroundLocked();
HWND FocusLocked();
void SetForegroundInternal(HWND hwnd, WORD how);
HWND RemoteProxy(int pid, uint64_t handle);
void ForgetWindowInput(HWND hwnd);  // capture, focus, hot keys, timers of a dying window

// Input from a backend or the automation socket, in screen coordinates.
void InputMouse(UINT msg, int x, int y);
void InputKey(UINT vk, bool down);
void InputChar(WCHAR ch);
// Waits until every thread owning windows waits for messages with nothing to
// do, so that the screen shows the result of the last input.
bool WaitIdle(int timeoutMs);

extern HCURSOR gWaitCursor;
extern HCURSOR gArrowCursor;
HCURSOR CurrentCursor();

}  // namespace lx
