#include "trackinfo/trackinfo.h"

static int IsWhiteSpace(BYTE c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int IsBlankField(const BYTE* field, int width) {
  if (width <= 0 || field[0] == 0) return 0;
  for (int i = 0; i < width; i++)
    if (!IsWhiteSpace(field[i])) return 0;
  return 1;
}

void OemToWide(const BYTE* field, int width, WCHAR* out, int capacity) {
  if (capacity <= 0) return;
  out[0] = 0;
  if (width <= 0 || field[0] == 0) return;
  LPCSTR bytes = reinterpret_cast<LPCSTR>(field);
  int needed = MultiByteToWideChar(CP_OEMCP, 0, bytes, width, nullptr, 0);
  // The field has no terminator of its own; one unit is kept for it.
  if (needed <= 0 || needed >= capacity) return;
  int converted = MultiByteToWideChar(CP_OEMCP, 0, bytes, width, out, capacity - 1);
  out[converted > 0 ? converted : 0] = 0;
}

void TitleFromPath(LPCWSTR path, WCHAR* title) {
  LPCWSTR name = path;
  for (LPCWSTR p = path; *p; p++)
    if (*p == u'\\') name = p + 1;
  int length = 0;
  while (name[length] && name[length] != u'.') length++;
  title[0] = 0;
  if (length >= TITLE_UNITS) return;
  for (int i = 0; i < length; i++) title[i] = name[i];
  title[length] = 0;
}

void TrimTrailingBlanks(WCHAR* text, int capacity) {
  int end = capacity;
  while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == 0)) text[--end] = 0;
}

void FormatDuration(DWORD seconds, WCHAR* text, int capacity) {
  DWORD h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
  if (h > 0)
    LxFormatW(text, capacity, u"%0.2d:%0.2d:%0.2d", h, m, s);
  else
    LxFormatW(text, capacity, u"%0.2d:%0.2d", m, s);
}
