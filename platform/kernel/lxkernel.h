// Internal kernel services shared by the platform's areas (user, gdi, mm, ...).
// Not part of the device API and not installed with it.
//
// Objects and handles
//   Every kernel object derives from LxObject and lives in one process-wide
//   handle table as a std::shared_ptr. LxHandleInsert gives a new handle (a
//   multiple of 4, never reused in a process, so a stale handle fails cleanly);
//   LxHandleGet / LxHandleAs<T> look one up (null when closed or of another
//   type); CloseHandle drops the table's reference, the object dies with its
//   last shared_ptr. Areas register their own object types the same way.
// Waiting
//   Waitable objects derive from LxWaitable. Their state is guarded by the one
//   kernel wait lock (LxWaitLock()); whoever changes a state calls
//   LxWaitNotify() while still holding it (it wakes every waiting thread;
//   events and mutexes wake only the threads waiting on them). WaitForSingleObject and
//   WaitForMultipleObjects then recheck Signaled() and, on success, Acquire()
//   (auto-reset events reset, mutexes take ownership). LxWaitForObjects is
//   their common body with one more condition, checked under the wait lock,
//   for a waiter that must also wake for something else (a message queue: the
//   queue's owner calls LxWaitNotify after posting, with the lock held).
// Data folder and paths
//   LxHome() is $LUMTRAX_HOME (default $XDG_DATA_HOME/lumtrax, then
//   ~/.local/share/lumtrax), created with "My Documents", "Program Files" and "Windows" on first
//   use; it is read on every call, so tests may point it elsewhere at any time.
//   LxHostPath / LxDevicePath (lxstring.h) map device paths both ways.
// Programs and libraries
//   LxProgramFolder() is the host folder of the running program,
//   LxPlatformFolder() the folder of libcoredll.so; LxFindProgramFile looks a
//   device-style file name up in the first, then the second. An HMODULE is the
//   dlopen handle of the library.
// Errors
//   LxErrorFromErrno maps an errno value to the device's error code.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "windows.h"

enum LxObjectType {
  LxTypeFile = 1,
  LxTypeFind,
  LxTypeThread,
  LxTypeEvent,
  LxTypeMutex,
  LxTypeProcess,
  LxTypeKey,
  LxTypeFirstForeign = 100,  // other areas number their types from here
};

struct LxObject {
  explicit LxObject(int t) : type(t) {}
  virtual ~LxObject() = default;
  const int type;
};

struct LxWaitable : LxObject {
  using LxObject::LxObject;
  // Both are called with LxWaitLock() held.
  virtual bool Signaled(DWORD threadId) const = 0;
  virtual void Acquire(DWORD threadId) { (void)threadId; }
};

LX_EXPORT HANDLE LxHandleInsert(std::shared_ptr<LxObject> object);
LX_EXPORT std::shared_ptr<LxObject> LxHandleGet(HANDLE h);
template <class T>
std::shared_ptr<T> LxHandleAs(HANDLE h, int type) {
  std::shared_ptr<LxObject> o = LxHandleGet(h);
  if (!o || o->type != type) return nullptr;
  return std::static_pointer_cast<T>(o);
}

LX_EXPORT std::mutex& LxWaitLock();
LX_EXPORT void LxWaitNotify();
// Returns WAIT_OBJECT_0 + i, WAIT_OBJECT_0 + count when "extra" became true
// (extra may be empty), WAIT_TIMEOUT or WAIT_FAILED.
LX_EXPORT DWORD LxWaitForObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                 const std::function<bool()>& extra);

// Frees the mutexes a finished thread still owns (their next waiter gets
// WAIT_ABANDONED). Call with LxWaitLock() held.
void LxAbandonMutexes(DWORD threadId);

// Drops the resource tables of an unloaded library (its entries are gone).
void LxForgetResources(const void* module);

LX_EXPORT std::string LxHome();
LX_EXPORT std::string LxProgramFolder();
LX_EXPORT std::string LxPlatformFolder();
// Host path of "name" (base name; ".exe"/".dll" style suffix replaced by
// "suffix", lower-cased, "lib" prefixed when libPrefix) in the program folder,
// then the platform folder; "" when neither has it.
LX_EXPORT std::string LxFindProgramFile(const std::string& fileName, bool libPrefix, const char* suffix);

LX_EXPORT DWORD LxErrorFromErrno(int err);
