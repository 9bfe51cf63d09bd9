// Events, mutexes, named objects, waiting, critical sections, interlocked
// operations. All waitable state sits under one wait lock, which makes waiting
// on several objects at once simple and exact; the system has few threads.
// Each waiting thread sleeps on its own condition and a change wakes only the
// threads waiting on that object: a mutex released per decoded buffer must
// not wake every other waiting thread of the player.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <vector>

#include "lxkernel.h"

namespace {

std::mutex g_waitLock;

struct Waiter {
  std::condition_variable wake;
  const std::vector<std::shared_ptr<LxWaitable>>* objects;
  bool always;  // waits for an extra condition too: every change may meet it
};
std::vector<Waiter*> g_waiters;  // under g_waitLock

// Caller holds g_waitLock.
void NotifyWaitersOf(const LxWaitable* object) {
  for (Waiter* w : g_waiters) {
    bool wake = w->always;
    for (size_t i = 0; i < w->objects->size() && !wake; ++i) wake = (*w->objects)[i].get() == object;
    if (wake) w->wake.notify_one();
  }
}

struct EventObject : LxWaitable {
  EventObject(bool manual, bool state) : LxWaitable(LxTypeEvent), manual(manual), state(state) {}
  bool Signaled(DWORD) const override { return state; }
  void Acquire(DWORD) override {
    if (!manual) state = false;
  }
  const bool manual;
  bool state;
  // PulseEvent releases the threads waiting at that moment (all, or one for
  // an auto-reset event) without leaving the event set; waiters compare this
  // count with the one they saw when they began.
  uint64_t pulses = 0;
  uint64_t pulsesTaken = 0;
};

struct MutexObject : LxWaitable {
  MutexObject() : LxWaitable(LxTypeMutex) {}
  bool Signaled(DWORD thread) const override { return owner == 0 || owner == thread; }
  void Acquire(DWORD thread) override {
    owner = thread;
    ++count;
  }
  DWORD owner = 0;
  DWORD count = 0;
  bool abandoned = false;  // its owner ended without releasing it
};

// Every mutex, so that a thread's end can free the ones it still holds.
std::vector<std::weak_ptr<MutexObject>> g_mutexes;  // under g_waitLock

// Named events and mutexes share one namespace in the process.
std::mutex g_namesLock;
std::map<std::u16string, std::weak_ptr<LxObject>> g_names;

template <class T, class Make>
HANDLE CreateNamed(LPCWSTR name, int type, Make make) {
  if (!name || !name[0]) {
    SetLastError(NO_ERROR);
    return LxHandleInsert(make());
  }
  if (lstrlenW(name) >= MAX_PATH) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  std::lock_guard<std::mutex> lock(g_namesLock);
  auto it = g_names.find(name);
  if (it != g_names.end()) {
    if (std::shared_ptr<LxObject> existing = it->second.lock()) {
      if (existing->type != type) return SetLastError(ERROR_INVALID_HANDLE), nullptr;
      HANDLE h = LxHandleInsert(existing);
      SetLastError(ERROR_ALREADY_EXISTS);
      return h;
    }
  }
  std::shared_ptr<T> object = make();
  g_names[name] = object;
  // Forget names whose objects are gone, so the map does not grow forever.
  for (auto i = g_names.begin(); i != g_names.end();) i = i->second.expired() ? g_names.erase(i) : std::next(i);
  SetLastError(NO_ERROR);
  return LxHandleInsert(object);
}

std::shared_ptr<EventObject> GetEvent(HANDLE h) {
  auto e = LxHandleAs<EventObject>(h, LxTypeEvent);
  if (!e) SetLastError(ERROR_INVALID_HANDLE);
  return e;
}

}  // namespace

std::mutex& LxWaitLock() { return g_waitLock; }
void LxWaitNotify() {
  for (Waiter* w : g_waiters) w->wake.notify_one();
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  return CreateNamed<EventObject>(name, LxTypeEvent, [&] {
    return std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE);
  });
}

BOOL EventModify(HANDLE event, DWORD func) {
  auto e = GetEvent(event);
  if (!e) return FALSE;
  std::lock_guard<std::mutex> lock(g_waitLock);
  switch (func) {
    case EVENT_SET: e->state = true; break;
    case EVENT_RESET: e->state = false; break;
    case EVENT_PULSE:
      e->state = false;
      ++e->pulses;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
  // A reset satisfies no wait.
  if (func != EVENT_RESET) NotifyWaitersOf(e.get());
  return TRUE;
}

BOOL SetEvent(HANDLE event) { return EventModify(event, EVENT_SET); }
BOOL ResetEvent(HANDLE event) { return EventModify(event, EVENT_RESET); }
BOOL PulseEvent(HANDLE event) { return EventModify(event, EVENT_PULSE); }

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
  bool created = false;
  HANDLE h = CreateNamed<MutexObject>(name, LxTypeMutex, [&] {
    created = true;
    auto m = std::make_shared<MutexObject>();
    std::lock_guard<std::mutex> lock(g_waitLock);
    for (auto it = g_mutexes.begin(); it != g_mutexes.end();) it = it->expired() ? g_mutexes.erase(it) : std::next(it);
    g_mutexes.push_back(m);
    return m;
  });
  // Opening an existing mutex does not take it, as on the device.
  if (h && created && initialOwner) {
    auto m = LxHandleAs<MutexObject>(h, LxTypeMutex);
    std::lock_guard<std::mutex> lock(g_waitLock);
    m->Acquire(GetCurrentThreadId());
  }
  return h;
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto m = LxHandleAs<MutexObject>(mutex, LxTypeMutex);
  if (!m) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  std::lock_guard<std::mutex> lock(g_waitLock);
  if (m->owner != GetCurrentThreadId() || m->count == 0) return SetLastError(ERROR_NOT_OWNER), FALSE;
  if (--m->count == 0) {
    m->owner = 0;
    NotifyWaitersOf(m.get());
  }
  return TRUE;
}

void LxAbandonMutexes(DWORD threadId) {
  for (auto& weak : g_mutexes) {
    if (auto m = weak.lock(); m && m->owner == threadId && m->count > 0) {
      m->owner = 0;
      m->count = 0;
      m->abandoned = true;
      NotifyWaitersOf(m.get());
    }
  }
}

DWORD LxWaitForObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                       const std::function<bool()>& extra) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles) || (count == 0 && !extra))
    return SetLastError(ERROR_INVALID_PARAMETER), WAIT_FAILED;
  std::vector<std::shared_ptr<LxWaitable>> objects(count);
  for (DWORD i = 0; i < count; ++i) {
    objects[i] = std::dynamic_pointer_cast<LxWaitable>(LxHandleGet(handles[i]));
    if (!objects[i]) return SetLastError(ERROR_INVALID_HANDLE), WAIT_FAILED;
  }
  const DWORD self = GetCurrentThreadId();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock<std::mutex> lock(g_waitLock);
  Waiter waiter{{}, &objects, bool(extra)};
  g_waiters.push_back(&waiter);
  // Leaves the list on every return, the wait lock still held.
  struct Leave {
    Waiter* w;
    ~Leave() { g_waiters.erase(std::find(g_waiters.begin(), g_waiters.end(), w)); }
  } leave{&waiter};
  std::vector<uint64_t> pulsesSeen(count);
  for (DWORD i = 0; i < count; ++i) {
    if (objects[i]->type == LxTypeEvent) pulsesSeen[i] = static_cast<EventObject*>(objects[i].get())->pulses;
  }
  // A pulse that happened since the wait began counts as a signal; an
  // auto-reset event's pulse goes to one waiter only.
  auto pulsed = [&](DWORD i, bool take) {
    if (objects[i]->type != LxTypeEvent) return false;
    auto* e = static_cast<EventObject*>(objects[i].get());
    if (e->pulses == pulsesSeen[i]) return false;
    if (!e->manual) {
      if (e->pulsesTaken >= e->pulses) return false;
      if (take) ++e->pulsesTaken;
    }
    return true;
  };
  // Taking a mutex whose owner ended reports WAIT_ABANDONED, once.
  auto takeAbandoned = [&](DWORD i) {
    if (objects[i]->type != LxTypeMutex) return false;
    auto* m = static_cast<MutexObject*>(objects[i].get());
    bool was = m->abandoned;
    m->abandoned = false;
    return was;
  };
  for (;;) {
    if (waitAll && count > 0) {
      bool all = true;
      for (DWORD i = 0; i < count && all; ++i) all = objects[i]->Signaled(self) || pulsed(i, false);
      if (all) {
        DWORD result = WAIT_OBJECT_0;
        for (DWORD i = 0; i < count; ++i) {
          if (pulsed(i, true)) continue;
          if (takeAbandoned(i) && result == WAIT_OBJECT_0) result = WAIT_ABANDONED_0 + i;
          objects[i]->Acquire(self);
        }
        return result;
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (pulsed(i, true)) return WAIT_OBJECT_0 + i;
        if (objects[i]->Signaled(self)) {
          bool abandoned = takeAbandoned(i);
          objects[i]->Acquire(self);
          return (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
        }
      }
    }
    if (extra && extra()) return WAIT_OBJECT_0 + count;
    if (milliseconds == 0) return WAIT_TIMEOUT;
    if (milliseconds == INFINITE) {
      waiter.wake.wait(lock);
    } else if (waiter.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
      // One last look: the state may have changed just at the deadline.
      milliseconds = 0;
    }
  }
}

DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds) { return LxWaitForObjects(1, &h, FALSE, milliseconds, {}); }

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0) return SetLastError(ERROR_INVALID_PARAMETER), WAIT_FAILED;
  return LxWaitForObjects(count, handles, waitAll, milliseconds, {});
}

void InitializeCriticalSection(LPCRITICAL_SECTION cs) { cs->impl = new std::recursive_mutex; }

void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  delete static_cast<std::recursive_mutex*>(cs->impl);
  cs->impl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) { static_cast<std::recursive_mutex*>(cs->impl)->lock(); }
void LeaveCriticalSection(LPCRITICAL_SECTION cs) { static_cast<std::recursive_mutex*>(cs->impl)->unlock(); }

LONG InterlockedIncrement(LONG volatile* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(LONG volatile* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
