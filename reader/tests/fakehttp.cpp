// A stand-in network plug-in: serves a 1000-byte pattern stream for any path.
// Built twice: complete, and without InputMediaClose (FAKE_NO_CLOSE).
#include <cstdlib>
#include <cstring>
#include "inputplugin.h"
#include "pattern.h"

static DWORD Position;
static bool IsOpen;

INPUTMEDIA_API DWORD InputMediaOpen(LPCWSTR, int, int, int, int) {
  setenv("FAKEHTTP_OPENED", "1", 1);
  IsOpen = true;
  Position = 0;
  return 1000;
}

INPUTMEDIA_API DWORD InputMediaRead(void* buffer, DWORD length) {
  if (!IsOpen) return 0;
  if (length > 1000 - Position) length = 1000 - Position;
  FillPattern((uint8_t*)buffer, Position, length);
  Position += length;
  return length;
}

INPUTMEDIA_API DWORD InputMediaSeek(LONG offset, int origin) {
  if (!IsOpen) return 0;
  if (origin == INPUTMEDIA_SEEK_CUR && offset == 0) return Position;
  Position = origin == INPUTMEDIA_SEEK_SET ? offset : Position + offset;
  return Position;
}

#ifndef FAKE_NO_CLOSE
INPUTMEDIA_API void InputMediaClose(void) {
  setenv("FAKEHTTP_CLOSED", "1", 1);
  IsOpen = false;
}
#endif
