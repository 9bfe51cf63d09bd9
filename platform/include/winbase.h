// Kernel services: handles, files, threads, synchronisation, libraries,
// memory status, processes and time.
#pragma once
#include "windef.h"
#include "winerror.h"

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

// CreateFileW
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define MOVEFILE_REPLACE_EXISTING 0x00000001

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;
typedef WIN32_FIND_DATAW WIN32_FIND_DATA;

WINBASEAPI BOOL CloseHandle(HANDLE h);
WINBASEAPI DWORD GetLastError(void);
WINBASEAPI void SetLastError(DWORD code);

WINBASEAPI HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE templ);
WINBASEAPI BOOL ReadFile(HANDLE h, LPVOID buf, DWORD count, LPDWORD read, LPOVERLAPPED ov);
WINBASEAPI BOOL WriteFile(HANDLE h, LPCVOID buf, DWORD count, LPDWORD written, LPOVERLAPPED ov);
WINBASEAPI DWORD SetFilePointer(HANDLE h, LONG distance, PLONG distanceHigh, DWORD method);
WINBASEAPI DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh);
WINBASEAPI BOOL SetEndOfFile(HANDLE h);
WINBASEAPI BOOL FlushFileBuffers(HANDLE h);
WINBASEAPI BOOL DeleteFileW(LPCWSTR path);
WINBASEAPI BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
WINBASEAPI BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
WINBASEAPI BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
WINBASEAPI BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES sa);
WINBASEAPI BOOL RemoveDirectoryW(LPCWSTR path);
WINBASEAPI DWORD GetFileAttributesW(LPCWSTR path);
WINBASEAPI HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
WINBASEAPI BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
WINBASEAPI BOOL FindClose(HANDLE find);
WINBASEAPI DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size);
WINBASEAPI UINT GetWindowsDirectoryW(LPWSTR buf, UINT size);
// Not on the device: which file or folder a path names (links followed), so
// that two paths to one folder are told apart from two folders.
typedef struct LXFILEIDENTITY {
  ULONGLONG device;
  ULONGLONG inode;
} LXFILEIDENTITY;
WINBASEAPI BOOL LxGetFileIdentity(LPCWSTR path, LXFILEIDENTITY* identity);

// Threads and synchronisation
typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID param);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;
#define CREATE_SUSPENDED 0x00000004
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define STILL_ACTIVE 0x00000103L
#define WAIT_ABANDONED_0 WAIT_ABANDONED
#define MAXIMUM_WAIT_OBJECTS 64
// The device's eight thread priorities, 0 the highest; CeSetThreadPriority
// takes the full range 0-255, where these are 248-255.
#define THREAD_PRIORITY_TIME_CRITICAL 0
#define THREAD_PRIORITY_HIGHEST 1
#define THREAD_PRIORITY_ABOVE_NORMAL 2
#define THREAD_PRIORITY_NORMAL 3
#define THREAD_PRIORITY_BELOW_NORMAL 4
#define THREAD_PRIORITY_LOWEST 5
#define THREAD_PRIORITY_ABOVE_IDLE 6
#define THREAD_PRIORITY_IDLE 7
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF
#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3

WINBASEAPI HANDLE CreateThread(LPSECURITY_ATTRIBUTES sa, DWORD stackSize, LPTHREAD_START_ROUTINE start,
                               LPVOID param, DWORD flags, LPDWORD threadId);
WINBASEAPI DWORD ResumeThread(HANDLE thread);
WINBASEAPI BOOL SetThreadPriority(HANDLE thread, int priority);
WINBASEAPI int GetThreadPriority(HANDLE thread);
WINBASEAPI BOOL CeSetThreadPriority(HANDLE thread, int priority);
WINBASEAPI int CeGetThreadPriority(HANDLE thread);
WINBASEAPI HANDLE GetCurrentThread(void);
WINBASEAPI DWORD GetCurrentThreadId(void);
WINBASEAPI DWORD GetCurrentProcessId(void);
WINBASEAPI HANDLE GetCurrentProcess(void);
WINBASEAPI BOOL GetExitCodeThread(HANDLE thread, LPDWORD code);
WINBASEAPI BOOL TerminateThread(HANDLE thread, DWORD code);
WINBASEAPI void ExitThread(DWORD code);
WINBASEAPI DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds);
WINBASEAPI DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
WINBASEAPI void Sleep(DWORD milliseconds);
WINBASEAPI DWORD GetTickCount(void);
WINBASEAPI HANDLE CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name);
WINBASEAPI BOOL EventModify(HANDLE event, DWORD func);
WINBASEAPI BOOL SetEvent(HANDLE event);
WINBASEAPI BOOL ResetEvent(HANDLE event);
WINBASEAPI BOOL PulseEvent(HANDLE event);
WINBASEAPI HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name);
WINBASEAPI BOOL ReleaseMutex(HANDLE mutex);
WINBASEAPI LONG InterlockedIncrement(LONG volatile* value);
WINBASEAPI LONG InterlockedDecrement(LONG volatile* value);
WINBASEAPI LONG InterlockedExchange(LONG volatile* target, LONG value);
WINBASEAPI LONG InterlockedExchangeAdd(LONG volatile* target, LONG value);
WINBASEAPI LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);

typedef struct _CRITICAL_SECTION {
  void* impl;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;
WINBASEAPI void InitializeCriticalSection(LPCRITICAL_SECTION cs);
WINBASEAPI void DeleteCriticalSection(LPCRITICAL_SECTION cs);
WINBASEAPI void EnterCriticalSection(LPCRITICAL_SECTION cs);
WINBASEAPI void LeaveCriticalSection(LPCRITICAL_SECTION cs);

// Libraries
// void (*)(void) rather than the device's INT_PTR (*)(): the compiler accepts a
// cast from it to any function type without a warning.
typedef void(WINAPI* FARPROC)(void);
// A library may define BOOL DllMain(HANDLE module, DWORD reason, LPVOID):
// called with DLL_PROCESS_ATTACH on its first LoadLibraryW (FALSE fails the
// load) and DLL_PROCESS_DETACH on the matching last FreeLibrary.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
WINBASEAPI HMODULE LoadLibraryW(LPCWSTR name);
WINBASEAPI BOOL FreeLibrary(HMODULE module);
WINBASEAPI FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
WINBASEAPI FARPROC GetProcAddressA(HMODULE module, LPCSTR name);
WINBASEAPI HMODULE GetModuleHandleW(LPCWSTR name);
// The device's headers map GetProcAddress to the wide form; both spellings work.
#ifdef __cplusplus
inline FARPROC GetProcAddress(HMODULE module, LPCWSTR name) { return GetProcAddressW(module, name); }
inline FARPROC GetProcAddress(HMODULE module, LPCSTR name) { return GetProcAddressA(module, name); }
#endif

// Memory
typedef struct _MEMORYSTATUS {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  DWORD dwTotalPhys;
  DWORD dwAvailPhys;
  DWORD dwTotalPageFile;
  DWORD dwAvailPageFile;
  DWORD dwTotalVirtual;
  DWORD dwAvailVirtual;
} MEMORYSTATUS, *LPMEMORYSTATUS;
WINBASEAPI void GlobalMemoryStatus(LPMEMORYSTATUS status);
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
WINBASEAPI HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
WINBASEAPI HLOCAL LocalFree(HLOCAL mem);
WINBASEAPI HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags);
WINBASEAPI SIZE_T LocalSize(HLOCAL mem);
#define LMEM_MOVEABLE 0x0002

// Processes
typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;
typedef struct _STARTUPINFOW {
  DWORD cb;
} STARTUPINFOW, *LPSTARTUPINFOW;
WINBASEAPI BOOL CreateProcessW(LPCWSTR image, LPWSTR cmdLine, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta,
                               BOOL inherit, DWORD flags, LPVOID env, LPCWSTR dir, LPSTARTUPINFOW si,
                               LPPROCESS_INFORMATION pi);
WINBASEAPI BOOL GetExitCodeProcess(HANDLE process, LPDWORD code);

// Time and random numbers
WINBASEAPI void GetLocalTime(LPSYSTEMTIME st);
WINBASEAPI void GetSystemTime(LPSYSTEMTIME st);
WINBASEAPI DWORD Random(void);
// Not on the device: lets tests make Random() repeatable.
WINBASEAPI void LxSeedRandom(DWORD seed);
