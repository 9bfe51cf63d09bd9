// Equalizer value files (one record) and preset files (the whole list).
#include <cstring>

#include "equalizer/presets.h"
#include "shell/savefile.h"

#define HEADER_UNITS 25
#define HEADER_BYTES (HEADER_UNITS * 2)
#define RECORD_BYTES 84
// Far beyond any list a person keeps; a hostile count cannot stall the player.
#define PRESET_FILE_LIMIT 1000

static const WCHAR Header[] = u"Lumtrax Equalize File 1.0";

static HANDLE OpenForReading(LPCWSTR path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

static int ReadExactly(HANDLE file, void* buffer, DWORD size) {
  DWORD got = 0;
  return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

// Compared as UTF-16 units, stopping at a NUL as the header's own end.
static int ReadHeader(HANDLE file) {
  BYTE bytes[HEADER_BYTES] = {};
  DWORD got = 0;
  if (!ReadFile(file, bytes, HEADER_BYTES, &got, nullptr)) return 0;
  for (int i = 0; i < HEADER_UNITS; i++) {
    WCHAR unit = WCHAR(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (unit != Header[i]) return 0;
    if (unit == 0) break;
  }
  return 1;
}

static void WriteHeader(SaveFile* save) {
  BYTE bytes[HEADER_BYTES];
  for (int i = 0; i < HEADER_UNITS; i++) {
    bytes[2 * i] = BYTE(Header[i]);
    bytes[2 * i + 1] = BYTE(Header[i] >> 8);
  }
  SaveFileWrite(save, bytes, HEADER_BYTES);
}

// The record in file byte order; the link words are written as 0.
static void RecordToBytes(const EqPreset* p, BYTE* out) {
  memset(out, 0, RECORD_BYTES);
  out[0] = p->genre;
  out[1] = p->reserved;
  for (int i = 0; i < PRESET_NAME_UNITS; i++) {
    out[2 + 2 * i] = BYTE(p->name[i]);
    out[3 + 2 * i] = BYTE(p->name[i] >> 8);
  }
  memcpy(out + 62, p->gains, EQ_GAIN_COUNT);
  memcpy(out + 73, p->padding, 3);
}

static void BytesToRecord(const BYTE* in, EqPreset* p) {
  *p = EqPreset{};
  p->genre = in[0];
  p->reserved = in[1];
  for (int i = 0; i < PRESET_NAME_UNITS; i++) p->name[i] = WCHAR(in[2 + 2 * i] | (in[3 + 2 * i] << 8));
  p->name[PRESET_NAME_UNITS - 1] = 0;
  memcpy(p->gains, in + 62, EQ_GAIN_COUNT);
  memcpy(p->padding, in + 73, 3);
}

int ReadValueFile(LPCWSTR path, EqPreset* record) {
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return 0;
  if (!ReadHeader(file)) {
    CloseHandle(file);
    return 0;
  }
  // A short file leaves zeros in what it did not hold.
  BYTE bytes[RECORD_BYTES] = {};
  DWORD got = 0;
  ReadFile(file, bytes, RECORD_BYTES, &got, nullptr);
  CloseHandle(file);
  BytesToRecord(bytes, record);
  return 1;
}

int WriteValueFile(LPCWSTR path, const EqPreset* record) {
  SaveFile save;
  if (!SaveFileBegin(&save, path)) return 0;
  WriteHeader(&save);
  BYTE bytes[RECORD_BYTES];
  RecordToBytes(record, bytes);
  SaveFileWrite(&save, bytes, RECORD_BYTES);
  return SaveFileCommit(&save);
}

static int SameUnits(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) a++, b++;
  return *a == *b;
}

static void AddBuiltIn(int row) {
  EqPreset copy = BuiltInPresets[row];
  PresetAddOrUpdate(&copy);
}

int ReadPresetFile(LPCWSTR path, int replace) {
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) {
    // Only a file that is not there gives the built-ins: one that is there
    // but cannot be opened now would be written over with them at exit.
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return 0;
    if (replace) PresetClear();
    for (int row = 0; row < BUILT_IN_PRESET_COUNT; row++) AddBuiltIn(row);
    return 1;
  }
  // The list is replaced only once the file has shown a whole record (or
  // says it holds none): a wrong file, or a value file whose record reads
  // as a count, must not cost the user's presets.
  BYTE count[4];
  BYTE bytes[RECORD_BYTES];
  DWORD n = 0;
  int ok = ReadHeader(file) && ReadExactly(file, count, 4);
  if (ok) {
    n = DWORD(count[0]) | (DWORD(count[1]) << 8) | (DWORD(count[2]) << 16) | (DWORD(count[3]) << 24);
    ok = n == 0 || ReadExactly(file, bytes, RECORD_BYTES);
  }
  if (!ok) {
    CloseHandle(file);
    return 0;
  }
  if (replace) PresetClear();
  for (DWORD i = 0; i < n && i < PRESET_FILE_LIMIT; i++) {
    if (i > 0 && !ReadExactly(file, bytes, RECORD_BYTES)) break;
    EqPreset record;
    BytesToRecord(bytes, &record);
    // Unit for unit: the collating compare takes "Default" and a control character for "Default".
    if (i == 0 && !SameUnits(record.name, u"Default")) AddBuiltIn(0);
    PresetAddOrUpdate(&record);
  }
  CloseHandle(file);
  return 1;
}

int WritePresetFile(LPCWSTR path) {
  SaveFile save;
  if (!SaveFileBegin(&save, path)) return 0;
  WriteHeader(&save);
  BYTE bytes[RECORD_BYTES];
  DWORD n = PresetCount();
  for (int i = 0; i < 4; i++) bytes[i] = BYTE(n >> (8 * i));
  SaveFileWrite(&save, bytes, 4);
  for (DWORD i = 0; i < n; i++) {
    RecordToBytes(PresetAt(i), bytes);
    SaveFileWrite(&save, bytes, RECORD_BYTES);
  }
  return SaveFileCommit(&save);
}
