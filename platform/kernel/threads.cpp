// Threads, sleeping and the tick count.
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "lxkernel.h"

namespace {

struct ThreadObject : LxWaitable {
  ThreadObject() : LxWaitable(LxTypeThread) {}
  bool Signaled(DWORD) const override { return done; }
  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID param = nullptr;
  DWORD id = 0;
  bool started = false;
  bool done = false;
  DWORD suspendCount = 0;
  DWORD exitCode = STILL_ACTIVE;
  int priority = 248 + THREAD_PRIORITY_NORMAL;  // the device's 0-255 scale
};

thread_local ThreadObject* t_self = nullptr;
// Priority of threads the platform did not start (the main thread, say).
thread_local int t_foreignPriority = 248 + THREAD_PRIORITY_NORMAL;

// Marks the thread finished however it ends: return or ExitThread.
struct ThreadEnd {
  std::shared_ptr<ThreadObject> thread;
  ~ThreadEnd() {
    std::lock_guard<std::mutex> lock(LxWaitLock());
    thread->done = true;
    LxAbandonMutexes(thread->id);
    LxWaitNotify();
  }
};

void* ThreadMain(void* arg) {
  ThreadEnd end{std::move(*static_cast<std::shared_ptr<ThreadObject>*>(arg))};
  delete static_cast<std::shared_ptr<ThreadObject>*>(arg);
  ThreadObject* self = end.thread.get();
  t_self = self;
  {
    std::lock_guard<std::mutex> lock(LxWaitLock());
    self->id = GetCurrentThreadId();
    self->started = true;
    LxWaitNotify();
  }
  // A suspended thread waits here until ResumeThread brings its count to 0.
  LxWaitForObjects(0, nullptr, FALSE, INFINITE, [self] { return self->suspendCount == 0; });
  DWORD code = self->start(self->param);
  std::lock_guard<std::mutex> lock(LxWaitLock());
  self->exitCode = code;
  return nullptr;
}

std::shared_ptr<ThreadObject> GetThread(HANDLE h) {
  auto t = LxHandleAs<ThreadObject>(h, LxTypeThread);
  if (!t) SetLastError(ERROR_INVALID_HANDLE);
  return t;
}

bool IsCurrentThreadPseudo(HANDLE h) { return h == (HANDLE)(LONG_PTR)-2; }

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD stackSize, LPTHREAD_START_ROUTINE start, LPVOID param,
                    DWORD flags, LPDWORD threadId) {
  if (!start) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  auto thread = std::make_shared<ThreadObject>();
  thread->start = start;
  thread->param = param;
  thread->suspendCount = (flags & CREATE_SUSPENDED) ? 1 : 0;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  // The device's stack size is a reservation; only a larger one than the
  // host's default matters here.
  size_t defaultStack = 0;
  pthread_attr_getstacksize(&attr, &defaultStack);
  if (stackSize > defaultStack) pthread_attr_setstacksize(&attr, stackSize);
  auto* arg = new std::shared_ptr<ThreadObject>(thread);
  pthread_t t;
  int err = pthread_create(&t, &attr, ThreadMain, arg);
  pthread_attr_destroy(&attr);
  if (err != 0) {
    delete arg;
    return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  }
  // The id is the host's thread id, known once the thread runs.
  LxWaitForObjects(0, nullptr, FALSE, INFINITE, [&] { return thread->started; });
  DWORD id;
  {
    std::lock_guard<std::mutex> lock(LxWaitLock());
    id = thread->id;
  }
  if (threadId) *threadId = id;
  return LxHandleInsert(thread);
}

DWORD ResumeThread(HANDLE h) {
  auto t = GetThread(h);
  if (!t) return (DWORD)-1;
  std::lock_guard<std::mutex> lock(LxWaitLock());
  DWORD previous = t->suspendCount;
  if (t->suspendCount > 0 && --t->suspendCount == 0) LxWaitNotify();
  return previous;
}

static int* PriorityOf(HANDLE h, std::shared_ptr<ThreadObject>& keep) {
  if (IsCurrentThreadPseudo(h)) return t_self ? &t_self->priority : &t_foreignPriority;
  keep = GetThread(h);
  return keep ? &keep->priority : nullptr;
}

// Accepted and reported back; the host's scheduler is left alone, since an
// unprivileged process could not undo a lowered priority.
BOOL CeSetThreadPriority(HANDLE h, int priority) {
  if (priority < 0 || priority > 255) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  std::shared_ptr<ThreadObject> keep;
  int* p = PriorityOf(h, keep);
  if (!p) return FALSE;
  std::lock_guard<std::mutex> lock(LxWaitLock());
  *p = priority;
  return TRUE;
}

int CeGetThreadPriority(HANDLE h) {
  std::shared_ptr<ThreadObject> keep;
  int* p = PriorityOf(h, keep);
  if (!p) return THREAD_PRIORITY_ERROR_RETURN;
  std::lock_guard<std::mutex> lock(LxWaitLock());
  return *p;
}

BOOL SetThreadPriority(HANDLE h, int priority) {
  if (priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE)
    return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  return CeSetThreadPriority(h, 248 + priority);
}

int GetThreadPriority(HANDLE h) {
  int p = CeGetThreadPriority(h);
  if (p == THREAD_PRIORITY_ERROR_RETURN) return p;
  // Levels above the eight named ones read as the nearest named one.
  return p < 248 ? THREAD_PRIORITY_TIME_CRITICAL : p - 248;
}

HANDLE GetCurrentThread(void) { return (HANDLE)(LONG_PTR)-2; }
HANDLE GetCurrentProcess(void) { return (HANDLE)(LONG_PTR)-1; }
DWORD GetCurrentThreadId(void) { return (DWORD)syscall(SYS_gettid); }
DWORD GetCurrentProcessId(void) { return (DWORD)getpid(); }

BOOL GetExitCodeThread(HANDLE h, LPDWORD code) {
  auto t = GetThread(h);
  if (!t || !code) return FALSE;
  std::lock_guard<std::mutex> lock(LxWaitLock());
  *code = t->done ? t->exitCode : STILL_ACTIVE;
  return TRUE;
}

// A thread cannot be stopped safely from outside on this host (it may hold
// locks of the C library); callers get a failure and must ask it to end.
BOOL TerminateThread(HANDLE h, DWORD) {
  if (!GetThread(h)) return FALSE;
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

void ExitThread(DWORD code) {
  if (t_self) {
    std::lock_guard<std::mutex> lock(LxWaitLock());
    t_self->exitCode = code;
  }
  // Unwinds the thread's stack; ThreadEnd marks it finished.
  pthread_exit(nullptr);
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) pause();
  }
  struct timespec ts{(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

DWORD GetTickCount(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (DWORD)((uint64_t)ts.tv_sec * 1000u + ts.tv_nsec / 1000000);
}
