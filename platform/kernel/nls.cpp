// Code pages and locale-aware comparison. The ANSI and OEM code pages are both
// Windows-1252: that is what ID3v1 text is in practice.
#include <dlfcn.h>
#include <string.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/uvernum.h>

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

// The collation half of ICU (about 1.5 MB resident) is loaded at the first
// comparison, not with every program. The header renames each function with
// the library's version ("ucol_open_72"); the same renaming names the symbols.
#define LX_SYMBOL_TEXT(name) #name
#define LX_SYMBOL(name) LX_SYMBOL_TEXT(name)
#define LX_LIBRARY(major) "libicui18n.so." LX_SYMBOL(major)

struct Collation {
  decltype(&ucol_open) open = nullptr;
  decltype(&ucol_close) close = nullptr;
  decltype(&ucol_setStrength) setStrength = nullptr;
  decltype(&ucol_setAttribute) setAttribute = nullptr;
  decltype(&ucol_strcoll) strcoll = nullptr;
  decltype(&uloc_getDefault) getDefault = nullptr;  // from the library's own libicuuc
};

const Collation* LoadCollation() {
  static const Collation loaded = [] {
    Collation c;
    void* library = dlopen(LX_LIBRARY(U_ICU_VERSION_MAJOR_NUM), RTLD_NOW | RTLD_LOCAL);
    if (!library) return c;
    c.open = reinterpret_cast<decltype(c.open)>(dlsym(library, LX_SYMBOL(ucol_open)));
    c.close = reinterpret_cast<decltype(c.close)>(dlsym(library, LX_SYMBOL(ucol_close)));
    c.setStrength = reinterpret_cast<decltype(c.setStrength)>(dlsym(library, LX_SYMBOL(ucol_setStrength)));
    c.setAttribute = reinterpret_cast<decltype(c.setAttribute)>(dlsym(library, LX_SYMBOL(ucol_setAttribute)));
    c.strcoll = reinterpret_cast<decltype(c.strcoll)>(dlsym(library, LX_SYMBOL(ucol_strcoll)));
    c.getDefault = reinterpret_cast<decltype(c.getDefault)>(dlsym(library, LX_SYMBOL(uloc_getDefault)));
    if (!c.open || !c.close || !c.setStrength || !c.setAttribute || !c.strcoll || !c.getDefault) c = Collation{};
    return c;
  }();
  return loaded.open ? &loaded : nullptr;
}

struct Collators {
  std::map<DWORD, UCollator*> byFlags;
  ~Collators() {
    if (const Collation* icu = LoadCollation())
      for (auto& c : byFlags) icu->close(c.second);
  }
};
thread_local Collators t_collators;

UCollator* CollatorFor(DWORD flags) {
  const Collation* icu = LoadCollation();
  if (!icu) return nullptr;
  flags &= NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS;
  auto it = t_collators.byFlags.find(flags);
  if (it != t_collators.byFlags.end()) return it->second;
  // The host's locale stands for the user's; the C locale's own collation
  // is plain code-point order, so it gets the common Unicode order instead.
  const char* locale = icu->getDefault();
  if (!locale || strncmp(locale, "en_US_POSIX", 11) == 0 || strcmp(locale, "c") == 0) locale = "";
  UErrorCode status = U_ZERO_ERROR;
  UCollator* c = icu->open(locale, &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    c = icu->open("", &status);
    if (U_FAILURE(status)) return nullptr;
  }
  if (flags & NORM_IGNORENONSPACE) {
    icu->setStrength(c, UCOL_PRIMARY);
    if (!(flags & NORM_IGNORECASE)) icu->setAttribute(c, UCOL_CASE_LEVEL, UCOL_ON, &status);
  } else if (flags & NORM_IGNORECASE) {
    icu->setStrength(c, UCOL_SECONDARY);
  } else {
    icu->setStrength(c, UCOL_TERTIARY);
  }
  if (flags & NORM_IGNORESYMBOLS) icu->setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &status);
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
  switch (LoadCollation()->strcoll(c, a, aLen, b, bLen)) {
    case UCOL_LESS: return CSTR_LESS_THAN;
    case UCOL_EQUAL: return CSTR_EQUAL;
    default: return CSTR_GREATER_THAN;
  }
}
