// The contract between the stream reader and an input plug-in. A plug-in is a
// library exporting exactly the four InputMedia functions below by their plain
// names; it serves one open stream at a time, from a static state of its own.
#pragma once
#include <windows.h>

// InputMediaOpen: path (device path), fillFirst, flags, memoryReserve (bytes
// to leave free; -1 keeps the previous budget), cacheBlocks (0 = the maximum)
// -> stream size in bytes, 0 on failure (nothing stays open or allocated).
typedef DWORD (*InputMediaOpenProc)(LPCWSTR path, int fillFirst, int flags, int memoryReserve,
                                    int cacheBlocks);
// InputMediaRead: bytes copied; fewer than asked only at the end of the stream;
// 0 when nothing is open.
typedef DWORD (*InputMediaReadProc)(void* buffer, DWORD length);
// InputMediaSeek: origin 0 absolute, origin 1 relative to the current position
// (offset 0 asks for the current position).
typedef DWORD (*InputMediaSeekProc)(LONG offset, int origin);
typedef void (*InputMediaCloseProc)(void);

#define INPUTMEDIA_SEEK_SET 0
#define INPUTMEDIA_SEEK_CUR 1
#define INPUTMEDIA_SEEK_END 2

// Export names, as the reader looks them up.
#define INPUTMEDIA_OPEN_NAME u"InputMediaOpen"
#define INPUTMEDIA_READ_NAME u"InputMediaRead"
#define INPUTMEDIA_SEEK_NAME u"InputMediaSeek"
#define INPUTMEDIA_CLOSE_NAME u"InputMediaClose"

// Named objects shared by the caller's thread and the plug-in's read-ahead
// thread. Manual-reset events: "eventon4" set = the thread may read;
// "eventDone" set by the thread after each read. The mutex "ReadDone" guards
// the file handle, the buffers and the fill counts.
#define INPUTMEDIA_EVENT_ON u"eventon4"
#define INPUTMEDIA_EVENT_DONE u"eventDone"
#define INPUTMEDIA_MUTEX u"ReadDone"

// The read-ahead thread runs at this platform priority level.
#define INPUTMEDIA_THREAD_PRIORITY 50

#define INPUTMEDIA_API LX_EXTERN_C LX_EXPORT

// Only the plug-ins define these; the reader finds them by name.
INPUTMEDIA_API DWORD InputMediaOpen(LPCWSTR path, int fillFirst, int flags, int memoryReserve,
                                    int cacheBlocks);
INPUTMEDIA_API DWORD InputMediaRead(void* buffer, DWORD length);
INPUTMEDIA_API DWORD InputMediaSeek(LONG offset, int origin);
INPUTMEDIA_API void InputMediaClose(void);
