// KOMP3READER: one uniform stream for the player. Each Open loads the input
// plug-in the path and flags call for and forwards to its four exports; Close
// unloads it. One stream at a time, state static.
#include "komp3reader.h"
#include "inputplugin.h"

struct ReaderState {
  HMODULE plugin;  // null when nothing is open
  InputMediaOpenProc open;
  InputMediaReadProc read;
  InputMediaSeekProc seek;
  InputMediaCloseProc close;
  HANDLE mutex;  // serialises Read, SeekPercent and SeekTo
  DWORD size;
  StreamInfo info;
};

static ReaderState Reader;

static void Lock() { WaitForSingleObject(Reader.mutex, INFINITE); }
static void Unlock() { ReleaseMutex(Reader.mutex); }

static BOOL HasScheme(LPCWSTR path) {
  for (; path[0]; path++)
    if (path[0] == u':' && path[1] == u'/' && path[2] == u'/') return TRUE;
  return FALSE;
}

static LPCWSTR PluginName(LPCWSTR path, int flags) {
  if (HasScheme(path)) return u"LXINPUTHTTP.DLL";
  return (flags & READER_FLAG_CACHE) ? u"LXINPUTCACHE.DLL" : u"LXINPUTBUFFER.DLL";
}

// Through a generic function pointer: the export's true type is the contract's.
static void (*Lookup(HMODULE module, LPCWSTR name))(void) {
  return (void (*)(void))GetProcAddressW(module, name);
}

static void Unload() {
  FreeLibrary(Reader.plugin);
  Reader.plugin = NULL;
  Reader.open = NULL;
  Reader.read = NULL;
  Reader.seek = NULL;
  Reader.close = NULL;
}

static int ReaderClose(void);

static int ReaderOpen(LPCWSTR path, int fillFirst, int flags, int cacheBlocks, StreamInfo** infoOut) {
  ReaderClose();
  if (!path) return 0;
  Reader.plugin = LoadLibraryW(PluginName(path, flags));
  if (!Reader.plugin) return 0;
  Reader.read = (InputMediaReadProc)Lookup(Reader.plugin, INPUTMEDIA_READ_NAME);
  Reader.seek = (InputMediaSeekProc)Lookup(Reader.plugin, INPUTMEDIA_SEEK_NAME);
  Reader.open = (InputMediaOpenProc)Lookup(Reader.plugin, INPUTMEDIA_OPEN_NAME);
  Reader.close = (InputMediaCloseProc)Lookup(Reader.plugin, INPUTMEDIA_CLOSE_NAME);
  if (!Reader.read || !Reader.seek || !Reader.open || !Reader.close) {
    Unload();
    return 0;
  }
  DWORD size = Reader.open(path, fillFirst, flags, READER_MEMORY_RESERVE, cacheBlocks);
  if (size == 0) {
    Unload();
    return 0;
  }
  Reader.mutex = CreateMutexW(NULL, FALSE, NULL);
  if (!Reader.mutex) {
    Reader.close();
    Unload();
    return 0;
  }
  Reader.size = size;
  StreamInfo* info = &Reader.info;
  DWORD* w = info->words;
  w[0] = w[1] = w[7] = w[9] = w[15] = w[16] = 0;
  info->buffers[0] = info->buffers[1] = info->buffers[2] = NULL;
  w[STREAMINFO_TEXT_WORD] = 0;  // an empty text
  w[STREAMINFO_MARKER_WORD] = STREAMINFO_MARKER;
  w[STREAMINFO_SIZE_WORD] = size;
  if (infoOut) *infoOut = info;
  Reader.seek(0, INPUTMEDIA_SEEK_SET);
  return 1;
}

static DWORD ReaderRead(void* buffer, DWORD length) {
  if (!Reader.plugin) return 0;
  Lock();
  DWORD n = Reader.read(buffer, length);
  Unlock();
  return n;
}

static int ReaderReserved(void) { return 0; }

static DWORD ReaderSeekPercent(int percent) {
  if (!Reader.plugin) return 0;
  // Outside 0..100 the position would leave the stream.
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  LONGLONG position = (LONGLONG)Reader.size * percent / 100;
  position -= position % 4;
  Lock();
  Reader.seek((LONG)position, INPUTMEDIA_SEEK_SET);
  Unlock();
  return (DWORD)position;
}

static DWORD ReaderSeekTo(DWORD position) {
  if (!Reader.plugin) return 0;
  if (position > Reader.size) position = Reader.size;
  Lock();
  Reader.seek((LONG)position, INPUTMEDIA_SEEK_SET);
  Unlock();
  return position;
}

static DWORD ReaderGetSize(void) { return Reader.size; }

static double ReaderGetPositionPercent(void) {
  if (!Reader.plugin || !Reader.size) return 0;
  return Reader.seek(0, INPUTMEDIA_SEEK_CUR) * 100.0 / Reader.size;
}

static int ReaderClose(void) {
  if (!Reader.plugin) return 1;
  // Taking the mutex lets a Read or seek in progress on another thread finish.
  Lock();
  Reader.close();
  Unlock();
  CloseHandle(Reader.mutex);
  Reader.mutex = NULL;
  for (void*& buffer : Reader.info.buffers) {
    if (buffer) LocalFree(buffer);
    buffer = NULL;
  }
  Unload();
  return 1;
}

LX_EXTERN_C LX_EXPORT ReaderOperations* InitializeReader(ReaderOperations* table) {
  if (!table) return NULL;
  table->Open = ReaderOpen;
  table->Read = ReaderRead;
  table->Reserved = ReaderReserved;
  table->SeekPercent = ReaderSeekPercent;
  table->SeekTo = ReaderSeekTo;
  table->GetSize = ReaderGetSize;
  table->GetPositionPercent = ReaderGetPositionPercent;
  table->Close = ReaderClose;
  return table;
}
