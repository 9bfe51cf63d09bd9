// Code pages and locale-aware comparison. The ANSI and OEM code pages are both
// Windows-1252: that is what ID3v1 text is in practice.
#include <string.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <map>
#include <string>

#include "lxkernel.h"

namespace {

// 0x80-0x9F of Windows-1252; the five unassigned bytes map to the C1
// controls of the same value, as the device's table does.
const char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t From1252(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh1252[c - 0x80] : c; }

int To1252(char16_t w) {
  if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return w;
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] == w) return 0x80 + i;
  return -1;
}

bool Is1252(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == 3 /* thread ACP */ || cp == 1252; }

int Deliver(const std::u16string& out, LPWSTR dst, int dstLen) {
  if (dstLen == 0) return (int)out.size();
  if ((int)out.size() > dstLen) return SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
  memcpy(dst, out.data(), out.size() * sizeof(char16_t));
  return (int)out.size();
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
  if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst))
    return SetLastError(ERROR_INVALID_PARAMETER), 0;
  size_t n = srcLen == -1 ? strlen(src) + 1 : (size_t)srcLen;
  std::u16string out;
  if (Is1252(codePage)) {
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = From1252((unsigned char)src[i]);
  } else if (codePage == CP_UTF8) {
    std::string in(src, n);
    out = LxFromUtf8(in);
    if (flags & MB_ERR_INVALID_CHARS) {
      size_t replaced = 0, genuine = 0;
      for (char16_t c : out) replaced += c == 0xFFFD;
      for (size_t at = in.find("\xEF\xBF\xBD"); at != std::string::npos; at = in.find("\xEF\xBF\xBD", at + 3))
        ++genuine;
      if (replaced != genuine) return SetLastError(ERROR_NO_UNICODE_TRANSLATION), 0;
    }
  } else {
    return SetLastError(ERROR_INVALID_PARAMETER), 0;
  }
  return Deliver(out, dst, dstLen);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR src, int srcLen, LPSTR dst, int dstLen, LPCSTR defaultChar,
                        LPBOOL usedDefault) {
  if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst))
    return SetLastError(ERROR_INVALID_PARAMETER), 0;
  size_t n = srcLen == -1 ? (size_t)lstrlenW(src) + 1 : (size_t)srcLen;
  std::string out;
  if (Is1252(codePage)) {
    bool used = false;
    for (size_t i = 0; i < n; ++i) {
      int c = To1252(src[i]);
      if (c < 0) {
        c = (unsigned char)(defaultChar ? *defaultChar : '?');
        used = true;
      }
      out.push_back((char)c);
    }
    if (usedDefault) *usedDefault = used;
  } else if (codePage == CP_UTF8) {
    if (defaultChar || usedDefault) return SetLastError(ERROR_INVALID_PARAMETER), 0;
    out = LxToUtf8(std::u16string(src, n));
  } else {
    return SetLastError(ERROR_INVALID_PARAMETER), 0;
  }
  if (dstLen == 0) return (int)out.size();
  if ((int)out.size() > dstLen) return SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
  memcpy(dst, out.data(), out.size());
  return (int)out.size();
}

namespace {

struct Collators {
  std::map<DWORD, UCollator*> byFlags;
  ~Collators() {
    for (auto& c : byFlags) ucol_close(c.second);
  }
};
thread_local Collators t_collators;

UCollator* CollatorFor(DWORD flags) {
  flags &= NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS;
  auto it = t_collators.byFlags.find(flags);
  if (it != t_collators.byFlags.end()) return it->second;
  // The host's locale stands for the user's; the C locale's own collation
  // is plain code-point order, so it gets the common Unicode order instead.
  const char* locale = uloc_getDefault();
  if (!locale || strncmp(locale, "en_US_POSIX", 11) == 0 || strcmp(locale, "c") == 0) locale = "";
  UErrorCode status = U_ZERO_ERROR;
  UCollator* c = ucol_open(locale, &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    c = ucol_open("", &status);
    if (U_FAILURE(status)) return nullptr;
  }
  if (flags & NORM_IGNORENONSPACE) {
    ucol_setStrength(c, UCOL_PRIMARY);
    if (!(flags & NORM_IGNORECASE)) ucol_setAttribute(c, UCOL_CASE_LEVEL, UCOL_ON, &status);
  } else if (flags & NORM_IGNORECASE) {
    ucol_setStrength(c, UCOL_SECONDARY);
  } else {
    ucol_setStrength(c, UCOL_TERTIARY);
  }
  if (flags & NORM_IGNORESYMBOLS) ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &status);
  t_collators.byFlags[flags] = c;
  return c;
}

}  // namespace

int CompareStringW(LCID, DWORD flags, LPCWSTR a, int aLen, LPCWSTR b, int bLen) {
  if (!a || !b || aLen < -1 || bLen < -1) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  UCollator* c = CollatorFor(flags);
  if (!c) return SetLastError(ERROR_INVALID_FUNCTION), 0;
  // -1 means up to the terminator; a count also ends at a terminator, so a
  // fixed-size buffer's leftovers after the text never take part.
  auto length = [](LPCWSTR s, int n) {
    int i = 0;
    while ((n < 0 || i < n) && s[i]) ++i;
    return i;
  };
  aLen = length(a, aLen);
  bLen = length(b, bLen);
  switch (ucol_strcoll(c, a, aLen, b, bLen)) {
    case UCOL_LESS: return CSTR_LESS_THAN;
    case UCOL_EQUAL: return CSTR_EQUAL;
    default: return CSTR_GREATER_THAN;
  }
}
