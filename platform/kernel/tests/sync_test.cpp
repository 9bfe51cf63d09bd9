// Threads, events, mutexes and waits as the player's threads use them.
#include <gtest/gtest.h>

#include <atomic>

#include "windows.h"
#include "../lxkernel.h"

namespace {

struct Shared {
  HANDLE event = nullptr;
  HANDLE mutex = nullptr;
  LONG counter = 0;
  DWORD result = 0;
};

DWORD WINAPI OpenNamedAndSet(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  HANDLE e = CreateEventW(nullptr, FALSE, FALSE, u"eventDone");
  s->result = GetLastError();
  SetEvent(e);
  CloseHandle(e);
  return 7;
}

TEST(Events, NamedEventIsSharedAcrossThreads) {
  HANDLE done = CreateEventW(nullptr, FALSE, FALSE, u"eventDone");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  Shared s;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, OpenNamedAndSet, &s, 0, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(s.result, (DWORD)ERROR_ALREADY_EXISTS);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(t);
  // A name used by an event cannot make a mutex.
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"eventDone"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  CloseHandle(done);
  // With every handle closed the name is free again.
  HANDLE again = CreateEventW(nullptr, TRUE, FALSE, u"eventDone");
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(again);
}

TEST(Events, ManualResetStaysSetAutoResetReleasesOneWait) {
  HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), (DWORD)WAIT_TIMEOUT);
  HANDLE autoEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_TRUE(EventModify(autoEvent, EVENT_SET));
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), (DWORD)WAIT_TIMEOUT);
  // A pulse with nobody waiting leaves the event reset.
  EXPECT_TRUE(PulseEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), (DWORD)WAIT_TIMEOUT);
  EXPECT_FALSE(SetEvent((HANDLE)(uintptr_t)0x12345));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  CloseHandle(manual);
  CloseHandle(autoEvent);
}

DWORD WINAPI WaitOnEvent(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  if (WaitForSingleObject(s->event, 10000) == WAIT_OBJECT_0) InterlockedIncrement(&s->counter);
  return 0;
}

// Whether the waiters' count reaches n within 5 s; `poke` runs between looks.
bool CountReaches(const Shared& s, LONG n, void (*poke)(HANDLE) = nullptr) {
  for (int i = 0; i < 500; ++i) {
    if (InterlockedCompareExchange(const_cast<LONG*>(&s.counter), 0, 0) >= n) return true;
    if (poke) poke(s.event);
    Sleep(10);
  }
  return false;
}

TEST(Events, AutoResetWakesOneWaiterPerSetManualWakesAll) {
  for (BOOL manual : {FALSE, TRUE}) {
    Shared s;
    s.event = CreateEventW(nullptr, manual, FALSE, nullptr);
    HANDLE threads[3];
    for (HANDLE& t : threads) t = CreateThread(nullptr, 0, WaitOnEvent, &s, 0, nullptr);
    // Whether or not the waiters wait yet, one set lets one (auto) or all through.
    SetEvent(s.event);
    EXPECT_TRUE(CountReaches(s, manual ? 3 : 1)) << "manual=" << manual;
    Sleep(50);
    EXPECT_EQ(InterlockedExchangeAdd(&s.counter, 0), manual ? 3 : 1) << "manual=" << manual;
    if (!manual) {
      SetEvent(s.event);
      EXPECT_TRUE(CountReaches(s, 2));
      SetEvent(s.event);
    }
    EXPECT_EQ(WaitForMultipleObjects(3, threads, TRUE, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(s.counter, 3);
    for (HANDLE t : threads) CloseHandle(t);
    CloseHandle(s.event);
  }
}

TEST(Events, PulseReleasesCurrentWaiters) {
  Shared s;
  s.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE threads[2];
  for (HANDLE& t : threads) t = CreateThread(nullptr, 0, WaitOnEvent, &s, 0, nullptr);
  // A pulse before a thread waits passes it by: pulse until both went through.
  EXPECT_TRUE(CountReaches(s, 2, [](HANDLE e) { PulseEvent(e); }));
  EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(s.counter, 2);
  EXPECT_EQ(WaitForSingleObject(s.event, 0), (DWORD)WAIT_TIMEOUT);
  for (HANDLE t : threads) CloseHandle(t);
  CloseHandle(s.event);
}

DWORD WINAPI TryMutex(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  s->result = WaitForSingleObject(s->mutex, 50);
  if (s->result == WAIT_OBJECT_0) ReleaseMutex(s->mutex);
  return ReleaseMutex(s->mutex) ? 1 : GetLastError();
}

TEST(Mutexes, RecursiveForOwnerExclusiveForOthers) {
  Shared s;
  s.mutex = CreateMutexW(nullptr, TRUE, u"ReadDone");
  ASSERT_NE(s.mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(s.mutex, 0), WAIT_OBJECT_0);  // owner takes it again
  HANDLE t = CreateThread(nullptr, 0, TryMutex, &s, 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  EXPECT_EQ(s.result, (DWORD)WAIT_TIMEOUT);
  DWORD code;
  GetExitCodeThread(t, &code);
  EXPECT_EQ(code, (DWORD)ERROR_NOT_OWNER);  // another thread cannot release it
  CloseHandle(t);
  EXPECT_TRUE(ReleaseMutex(s.mutex));
  // Still held once more.
  t = CreateThread(nullptr, 0, TryMutex, &s, 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  EXPECT_EQ(s.result, (DWORD)WAIT_TIMEOUT);
  CloseHandle(t);
  EXPECT_TRUE(ReleaseMutex(s.mutex));
  EXPECT_FALSE(ReleaseMutex(s.mutex));
  t = CreateThread(nullptr, 0, TryMutex, &s, 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  EXPECT_EQ(s.result, WAIT_OBJECT_0);
  CloseHandle(t);
  // Opening the named mutex does not take it.
  HANDLE other = CreateMutexW(nullptr, TRUE, u"ReadDone");
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(ReleaseMutex(other));
  CloseHandle(other);
  CloseHandle(s.mutex);
}

DWORD WINAPI Count(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  for (int i = 0; i < 10000; ++i) {
    WaitForSingleObject(s->mutex, INFINITE);
    s->counter = s->counter + 1;  // guarded by the mutex
    ReleaseMutex(s->mutex);
  }
  return 0;
}

TEST(Mutexes, ExcludeEachOther) {
  Shared s;
  s.mutex = CreateMutexW(nullptr, FALSE, nullptr);
  HANDLE threads[3];
  for (HANDLE& t : threads) t = CreateThread(nullptr, 0, Count, &s, 0, nullptr);
  EXPECT_EQ(WaitForMultipleObjects(3, threads, TRUE, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(s.counter, 30000);
  for (HANDLE t : threads) CloseHandle(t);
  CloseHandle(s.mutex);
}

TEST(Waits, TimeOutsAndWaitAny) {
  HANDLE a = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE b = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD start = GetTickCount();
  EXPECT_EQ(WaitForSingleObject(a, 100), (DWORD)WAIT_TIMEOUT);
  EXPECT_GE(GetTickCount() - start, 95u);
  HANDLE both[2] = {a, b};
  SetEvent(b);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 20), (DWORD)WAIT_TIMEOUT);
  SetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  CloseHandle(a);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  CloseHandle(b);
}

DWORD WINAPI Record(LPVOID p) {
  InterlockedExchange(&static_cast<Shared*>(p)->counter, 1);
  ExitThread(42);
  return 0;
}

TEST(Threads, SuspendedUntilResumedAndExitCodes) {
  Shared s;
  HANDLE t = CreateThread(nullptr, 0, Record, &s, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(t, nullptr);
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(t, 50), (DWORD)WAIT_TIMEOUT);
  EXPECT_EQ(InterlockedExchangeAdd(&s.counter, 0), 0);
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
  EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_HIGHEST);
  EXPECT_TRUE(CeSetThreadPriority(t, 50));
  EXPECT_EQ(CeGetThreadPriority(t), 50);
  EXPECT_EQ(ResumeThread(t), 1u);
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(s.counter, 1);
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(ResumeThread(t), 0u);
  CloseHandle(t);
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
}

TEST(Sync, CriticalSectionIsRecursiveAndInterlockedOpsReturnTheRightValues) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
  LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 3), 9);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 0), 12);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 12), 12);
  EXPECT_EQ(v, 1);
}

TEST(System, RandomIsRepeatableWhenSeededAndMemoryStatusIsPlausible) {
  LxSeedRandom(1234);
  DWORD a = Random(), b = Random();
  LxSeedRandom(1234);
  EXPECT_EQ(Random(), a);
  EXPECT_EQ(Random(), b);
  MEMORYSTATUS ms{};
  GlobalMemoryStatus(&ms);
  EXPECT_GT(ms.dwTotalPhys, 0u);
  EXPECT_LE(ms.dwAvailPhys, ms.dwTotalPhys);
  EXPECT_LE(ms.dwTotalPhys, 0x7FFFFFFFu);
  SYSTEMTIME st;
  GetLocalTime(&st);
  EXPECT_GE(st.wYear, 2024);
  EXPECT_TRUE(st.wMonth >= 1 && st.wMonth <= 12);
  auto* p = (BYTE*)LocalAlloc(LPTR, 100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[99], 0);
  EXPECT_EQ(LocalSize(p), 100u);
  EXPECT_EQ(LocalFree(p), nullptr);
}

}  // namespace

namespace {

DWORD WINAPI TakeAndLeave(LPVOID p) {
  WaitForSingleObject(static_cast<Shared*>(p)->mutex, INFINITE);
  return 0;  // ends still owning the mutex
}

TEST(Mutexes, OwnerEndingWithoutReleaseAbandonsIt) {
  Shared s;
  s.mutex = CreateMutexW(nullptr, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, TakeAndLeave, &s, 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
  EXPECT_EQ(WaitForSingleObject(s.mutex, 1000), (DWORD)WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(s.mutex));
  EXPECT_EQ(WaitForSingleObject(s.mutex, 0), WAIT_OBJECT_0);  // reported once only
  EXPECT_TRUE(ReleaseMutex(s.mutex));
  CloseHandle(s.mutex);
}

}  // namespace
