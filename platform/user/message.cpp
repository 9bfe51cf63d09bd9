// Message queues: posted and sent messages, WM_QUIT, WM_PAINT and WM_TIMER in
// the device's order (sent, posted, quit, paint, timers), and window
// procedure calls across threads.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <thread>

#include "../gdi/lxgdi.h"
#include "lxdisplay.h"
#include "lxwin.h"

namespace lx {

namespace {

std::vector<std::weak_ptr<MsgQueue>>& Queues() {
  static std::vector<std::weak_ptr<MsgQueue>> q;
  return q;
}

struct ThreadQueue {
  std::shared_ptr<MsgQueue> q;
  ~ThreadQueue() {
    if (!q) return;
    std::lock_guard lock(UserLock());
    q->alive = false;
    // A sender waiting on a thread that is gone gets 0.
    for (auto& r : q->sent) r->done = true;
    q->sent.clear();
    for (auto& w : Queues())
      if (auto o = w.lock()) o->cv.NotifyAll();
  }
};
thread_local ThreadQueue tQueue;

DWORD ThisThreadId() { return (DWORD)syscall(SYS_gettid); }

bool InFilter(const MSG& m, HWND hwnd, UINT first, UINT last) {
  if (hwnd && m.hwnd != hwnd && !IsChild(hwnd, m.hwnd)) return false;
  if (first == 0 && last == 0) return true;
  return m.message >= first && m.message <= last;
}

DWORD NowTicks() { return GetTickCount(); }

}  // namespace

std::shared_ptr<MsgQueue> CurrentQueue() {
  if (!tQueue.q) {
    std::lock_guard lock(UserLock());
    tQueue.q = std::make_shared<MsgQueue>();
    tQueue.q->threadId = ThisThreadId();
    auto& qs = Queues();
    qs.erase(std::remove_if(qs.begin(), qs.end(), [](auto& w) { return w.expired(); }), qs.end());
    qs.push_back(tQueue.q);
  }
  return tQueue.q;
}

std::shared_ptr<MsgQueue> QueueOfThread(DWORD threadId) {
  std::lock_guard lock(UserLock());
  for (auto& w : Queues())
    if (auto q = w.lock(); q && q->threadId == threadId && q->alive) return q;
  return nullptr;
}

void QueueSignal::NotifyAll() {
  wakes.fetch_add(1);
  syscall(SYS_futex, &wakes, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void QueueSignal::Wait(std::unique_lock<std::recursive_mutex>& lock, Clock::time_point until) {
  // Read under the lock: a wake after it changes the word, and the futex
  // then returns at once.
  uint32_t seen = wakes.load();
  lock.unlock();
  if (until == Clock::time_point::max()) {
    syscall(SYS_futex, &wakes, FUTEX_WAIT_PRIVATE, seen, nullptr, nullptr, 0);
  } else {
    auto left = until - Clock::now();
    if (left > Clock::duration::zero()) {
      auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      timespec t{time_t(ns / 1000000000), long(ns % 1000000000)};
      syscall(SYS_futex, &wakes, FUTEX_WAIT_PRIVATE, seen, &t, nullptr, 0);
    }
  }
  lock.lock();
}

void WakeQueue(MsgQueue& q) { q.cv.NotifyAll(); }

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc;
  {
    std::lock_guard lock(UserLock());
    Window* w = GetWin(hwnd);
    if (!w || !w->proc) return 0;
    proc = w->proc;
  }
  return proc(hwnd, msg, wParam, lParam);
}

void NotifyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto me = CurrentQueue();
  std::unique_lock lock(UserLock());
  Window* w = GetWin(hwnd);
  if (!w) return;
  if (w->queue == me) {
    lock.unlock();
    CallProc(hwnd, msg, wParam, lParam);
    return;
  }
  if (!w->queue->alive) return;
  auto r = std::make_shared<SentRequest>();
  r->hwnd = hwnd;
  r->msg = msg;
  r->wParam = wParam;
  r->lParam = lParam;
  w->queue->sent.push_back(r);
  WakeQueue(*w->queue);
}

// Runs the requests other threads sent to this one. Called with the lock held;
// releases it around each call.
static void ServeSent(std::unique_lock<std::recursive_mutex>& lock, MsgQueue& q) {
  while (!q.sent.empty()) {
    auto r = q.sent.front();
    q.sent.pop_front();
    lock.unlock();
    LRESULT res = CallProc(r->hwnd, r->msg, r->wParam, r->lParam);
    lock.lock();
    r->result = res;
    r->done = true;
    for (auto& w : Queues())
      if (auto o = w.lock()) o->cv.NotifyAll();
  }
}

static bool NeedsPaint(Window* w) { return w->hasUpdate && IsVisibleChain(w); }

// Looks for the next message without waiting. Returns 1 with *out filled.
static bool FindMessage(std::unique_lock<std::recursive_mutex>& lock, MsgQueue& q, MSG* out, HWND hwnd, UINT first,
                        UINT last, bool remove) {
  ServeSent(lock, q);
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (!InFilter(*it, hwnd, first, last)) continue;
    *out = *it;
    if (remove) q.posted.erase(it);
    return true;
  }
  if (q.quit && ((first == 0 && last == 0) || (WM_QUIT >= first && WM_QUIT <= last))) {
    *out = MSG{nullptr, WM_QUIT, (WPARAM)q.quitCode, 0, NowTicks(), {}};
    if (remove) q.quit = false;
    return true;
  }
  // Paint and timers only when nothing is posted, as on the device.
  if (!q.posted.empty()) return false;
  if ((first == 0 && last == 0) || (WM_PAINT >= first && WM_PAINT <= last)) {
    for (HWND h : AllWindows()) {
      Window* w = GetWin(h);
      if (w->queue.get() != &q || !NeedsPaint(w)) continue;
      if (hwnd && h != hwnd && !IsChild(hwnd, h)) continue;
      *out = MSG{h, WM_PAINT, 0, 0, NowTicks(), {}};
      return true;
    }
  }
  if ((first == 0 && last == 0) || (WM_TIMER >= first && WM_TIMER <= last)) {
    auto now = Clock::now();
    Timer* best = nullptr;
    for (auto& t : q.timers)
      if (t.due <= now && (!hwnd || t.hwnd == hwnd) && (!best || t.due < best->due)) best = &t;
    if (best) {
      *out = MSG{best->hwnd, WM_TIMER, best->id, (LPARAM)best->proc, NowTicks(), {}};
      if (remove) best->due = now + std::chrono::milliseconds(best->interval);
      return true;
    }
  }
  return false;
}

static void WaitForWork(std::unique_lock<std::recursive_mutex>& lock, MsgQueue& q) {
  Clock::time_point until = Clock::time_point::max();
  for (auto& t : q.timers) until = std::min(until, t.due);
  q.waiting = true;
  if (until == Clock::time_point::max())
    q.cv.Wait(lock);
  else
    q.cv.Wait(lock, until);
  q.waiting = false;
}

bool WaitIdle(int timeoutMs) {
  auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < end) {
    bool idle = true;
    {
      std::lock_guard lock(UserLock());
      for (auto& wq : Queues()) {
        auto q = wq.lock();
        if (!q || !q->alive) continue;
        bool owns = false, paint = false;
        for (HWND h : AllWindows()) {
          Window* w = GetWin(h);
          if (w->queue != q) continue;
          owns = true;
          paint = paint || NeedsPaint(w);
        }
        if (owns && (!q->waiting || !q->posted.empty() || !q->sent.empty() || paint)) idle = false;
      }
    }
    if (idle) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

}  // namespace lx

using namespace lx;

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    {
      std::lock_guard lock(UserLock());
      tops = TopLevels();
    }
    for (HWND h : tops) PostMessageW(h, msg, wParam, lParam);
    return TRUE;
  }
  std::unique_lock lock(UserLock());
  std::shared_ptr<MsgQueue> q;
  if (!hwnd) {
    q = CurrentQueue();
  } else {
    Window* w = GetAnyWin(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (w->remote) {
      int pid = w->remotePid;
      uint64_t h = w->remoteHandle;
      lock.unlock();
      return (BOOL)RemoteSend(pid, h, msg, wParam, lParam, true);
    }
    q = w->queue;
  }
  if (!q->alive) return FALSE;
  POINT pt{};
  q->posted.push_back(MSG{hwnd, msg, wParam, lParam, GetTickCount(), pt});
  // Woken after the lock is free, the owner does not wake only to wait for it.
  lock.unlock();
  WakeQueue(*q);
  return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto q = QueueOfThread(threadId);
  if (!q) return FALSE;
  {
    std::lock_guard lock(UserLock());
    q->posted.push_back(MSG{nullptr, msg, wParam, lParam, GetTickCount(), {}});
  }
  WakeQueue(*q);
  return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    {
      std::lock_guard lock(UserLock());
      tops = TopLevels();
    }
    for (HWND h : tops) SendMessageW(h, msg, wParam, lParam);
    return 0;
  }
  auto me = CurrentQueue();
  std::unique_lock lock(UserLock());
  Window* w = GetAnyWin(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->remote) {
    int pid = w->remotePid;
    uint64_t h = w->remoteHandle;
    lock.unlock();
    return RemoteSend(pid, h, msg, wParam, lParam, false);
  }
  if (w->queue == me) {
    lock.unlock();
    return CallProc(hwnd, msg, wParam, lParam);
  }
  // Another thread owns the window: hand the call over and wait for it,
  // serving calls sent to this thread meanwhile so two senders cannot deadlock.
  auto q = w->queue;
  if (!q->alive) return 0;
  auto r = std::make_shared<SentRequest>();
  r->hwnd = hwnd;
  r->msg = msg;
  r->wParam = wParam;
  r->lParam = lParam;
  q->sent.push_back(r);
  WakeQueue(*q);
  while (!r->done) {
    ServeSent(lock, *me);
    if (r->done) break;
    me->cv.Wait(lock);
  }
  return r->result;
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT first, UINT last) {
  auto q = CurrentQueue();
  std::unique_lock lock(UserLock());
  MSG m;
  while (!FindMessage(lock, *q, &m, hwnd, first, last, true)) WaitForWork(lock, *q);
  q->current = m;
  if (msg) *msg = m;
  return m.message != WM_QUIT;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  auto q = CurrentQueue();
  std::unique_lock lock(UserLock());
  MSG m;
  if (!FindMessage(lock, *q, &m, hwnd, first, last, remove & PM_REMOVE)) return FALSE;
  q->current = m;
  if (msg) *msg = m;
  return TRUE;
}

BOOL WaitMessage(void) {
  auto q = CurrentQueue();
  std::unique_lock lock(UserLock());
  MSG m;
  if (!FindMessage(lock, *q, &m, nullptr, 0, 0, false)) WaitForWork(lock, *q);
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  // Typed characters arrive as WM_CHAR from the input backend; only the
  // control keys are translated here.
  WCHAR ch = 0;
  switch (msg->wParam) {
    case VK_RETURN: ch = u'\r'; break;
    case VK_BACK: ch = u'\b'; break;
    case VK_ESCAPE: ch = 0x1b; break;
    case VK_TAB: ch = u'\t'; break;
  }
  if (!ch) return FALSE;
  std::lock_guard lock(UserLock());
  auto q = CurrentQueue();
  q->posted.push_front(MSG{msg->hwnd, WM_CHAR, ch, msg->lParam, msg->time, msg->pt});
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    ((TIMERPROC)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  std::lock_guard lock(UserLock());
  q->quit = true;
  q->quitCode = exitCode;
  WakeQueue(*q);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

DWORD GetMessagePos(void) {
  auto q = CurrentQueue();
  return MAKELONG(q->current.pt.x, q->current.pt.y);
}

LONG GetMessageTime(void) { return (LONG)CurrentQueue()->current.time; }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
  std::lock_guard lock(UserLock());
  std::shared_ptr<MsgQueue> q;
  if (hwnd) {
    Window* w = GetWin(hwnd);
    if (!w) return 0;
    q = w->queue;
  } else {
    q = CurrentQueue();
    // Timers without a window get an identifier of their own.
    static UINT_PTR nextId = 0x7000;
    id = ++nextId;
  }
  milliseconds = std::max(milliseconds, 10u);
  auto due = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto& t : q->timers)
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = milliseconds;
      t.proc = proc;
      t.due = due;
      WakeQueue(*q);
      return hwnd ? (id ? id : 1) : id;
    }
  q->timers.push_back(Timer{hwnd, id, milliseconds, proc, due});
  WakeQueue(*q);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard lock(UserLock());
  std::shared_ptr<MsgQueue> q;
  if (hwnd) {
    Window* w = GetWin(hwnd);
    if (!w) return FALSE;
    q = w->queue;
  } else {
    q = CurrentQueue();
  }
  auto& t = q->timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
  if (it == t.end()) return FALSE;
  t.erase(it);
  return TRUE;
}

namespace lx {
void ForgetTimers(Window* w) {
  auto& t = w->queue->timers;
  t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == w->handle; }), t.end());
}
}  // namespace lx
