// Wide-string helpers, the WCHAR formatter and UTF-8 <-> UTF-16 conversion.

#include <climits>
#include <cstdio>
#include <cstring>

#include "lxicu.h"
#include "lxkernel.h"

int lstrlenW(LPCWSTR s) {
  if (!s) return 0;
  int n = 0;
  while (s[n]) ++n;
  return n;
}

LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) {
  LPWSTR d = dst;
  while ((*d++ = *src++)) {
  }
  return dst;
}

LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int count) {
  if (count <= 0) return dst;
  int i = 0;
  for (; i < count - 1 && src && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src) {
  lstrcpyW(dst + lstrlenW(dst), src);
  return dst;
}

// The device compares these by the user's locale, as CompareStringW does.
int lstrcmpW(LPCWSTR a, LPCWSTR b) {
  return CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1) - 2;
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a ? a : u"", -1, b ? b : u"", -1) - 2;
}

LPWSTR LxStrChrW(LPCWSTR s, WCHAR c) {
  for (;; ++s) {
    if (*s == c) return (LPWSTR)s;
    if (!*s) return nullptr;
  }
}

LPWSTR LxStrRChrW(LPCWSTR s, WCHAR c) {
  LPCWSTR found = nullptr;
  for (;; ++s) {
    if (*s == c) found = s;
    if (!*s) return (LPWSTR)found;
  }
}

// Compares unit by unit: a text shorter than the pattern is never read past its end.
LPWSTR LxStrStrW(LPCWSTR s, LPCWSTR sub) {
  if (!*sub) return (LPWSTR)s;
  for (; *s; ++s) {
    int i = 0;
    while (sub[i] && s[i] == sub[i]) ++i;
    if (!sub[i]) return (LPWSTR)s;
  }
  return nullptr;
}

// Ordinal, with Unicode simple case folding.
int LxStrNCmpiW(LPCWSTR a, LPCWSTR b, int count) {
  if (count <= 0) return 0;
  int r = lx::StrNCaseCompare(a, b, count);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int LxStrCmpiW(LPCWSTR a, LPCWSTR b) { return LxStrNCmpiW(a ? a : u"", b ? b : u"", INT_MAX); }

int LxWtoi(LPCWSTR s) {
  if (!s) return 0;
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r') ++s;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  unsigned value = 0;
  for (; *s >= '0' && *s <= '9'; ++s) value = value * 10 + (*s - '0');
  return negative ? (int)(0u - value) : (int)value;
}

// ---- formatter ----

namespace {

struct Sink {
  LPWSTR dst;
  int size;  // capacity including the terminator
  int len = 0;
  void Put(WCHAR c) {
    if (len < size - 1) dst[len++] = c;
  }
  void Repeat(WCHAR c, int n) {
    for (int i = 0; i < n; ++i) Put(c);
  }
};

struct Field {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;
};

void PutPadded(Sink& out, const Field& field, const WCHAR* body, int n, const WCHAR* prefix, int prefixLen,
               int zeros) {
  int total = prefixLen + zeros + n;
  int pad = field.width > total ? field.width - total : 0;
  if (!field.left && !field.zero) out.Repeat(' ', pad);
  for (int i = 0; i < prefixLen; ++i) out.Put(prefix[i]);
  if (!field.left && field.zero) out.Repeat('0', pad);
  out.Repeat('0', zeros);
  for (int i = 0; i < n; ++i) out.Put(body[i]);
  if (field.left) out.Repeat(' ', pad);
}

void PutInteger(Sink& out, Field field, unsigned long long magnitude, bool negative, int base, bool upper) {
  WCHAR digits[32];
  int n = 0;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  // C rule: a zero value with precision 0 prints no digits.
  if (!(magnitude == 0 && field.precision == 0)) {
    do {
      digits[n++] = set[magnitude % base];
      magnitude /= base;
    } while (magnitude);
  }
  WCHAR body[32];
  for (int i = 0; i < n; ++i) body[i] = digits[n - 1 - i];
  WCHAR prefix[3];
  int prefixLen = 0;
  if (negative) prefix[prefixLen++] = '-';
  else if (field.plus) prefix[prefixLen++] = '+';
  else if (field.space) prefix[prefixLen++] = ' ';
  if (field.alt && base == 16 && n > 0) {
    prefix[prefixLen++] = '0';
    prefix[prefixLen++] = upper ? 'X' : 'x';
  }
  int zeros = field.precision > n ? field.precision - n : 0;
  if (field.precision >= 0) field.zero = false;  // a precision overrides the 0 flag
  PutPadded(out, field, body, n, prefix, prefixLen, zeros);
}

template <class Ch>
void PutString(Sink& out, const Field& field, const Ch* s) {
  static const char null[] = "(null)";
  if (!s) {
    PutString(out, field, null);
    return;
  }
  int n = 0;
  while (s[n] && (field.precision < 0 || n < field.precision)) ++n;
  int pad = field.width > n ? field.width - n : 0;
  if (!field.left) out.Repeat(field.zero ? '0' : ' ', pad);
  // Narrow text is taken as the device's ANSI code page.
  for (int i = 0; i < n; ++i) {
    if constexpr (sizeof(Ch) == 1) {
      WCHAR w;
      MultiByteToWideChar(CP_ACP, 0, (LPCSTR)&s[i], 1, &w, 1);
      out.Put(w);
    } else {
      out.Put(s[i]);
    }
  }
  if (field.left) out.Repeat(' ', pad);
}

}  // namespace

int LxFormatVW(LPWSTR dst, int size, LPCWSTR format, va_list args) {
  if (!dst || size <= 0) return 0;
  Sink out{dst, size};
  va_list ap;
  va_copy(ap, args);
  for (LPCWSTR p = format; p && *p; ++p) {
    if (*p != '%') {
      out.Put(*p);
      continue;
    }
    LPCWSTR start = p++;
    Field field;
    for (;; ++p) {
      if (*p == '-') field.left = true;
      else if (*p == '+') field.plus = true;
      else if (*p == ' ') field.space = true;
      else if (*p == '#') field.alt = true;
      else if (*p == '0') field.zero = true;
      else break;
    }
    if (*p == '*') {
      field.width = va_arg(ap, int);
      if (field.width < 0) {
        field.left = true;
        field.width = -field.width;
      }
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') field.width = field.width * 10 + (*p++ - '0');
    }
    if (*p == '.') {
      ++p;
      field.precision = 0;
      if (*p == '*') {
        field.precision = va_arg(ap, int);
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') field.precision = field.precision * 10 + (*p++ - '0');
      }
    }
    // Size: on the device long is 32 bits, so 'l' reads 32 bits here too.
    int size64 = 0, narrow = 0, wide = 0;
    for (;;) {
      if (*p == 'l' && p[1] == 'l') {
        size64 = 1;
        p += 2;
      } else if (*p == 'I' && p[1] == '6' && p[2] == '4') {
        size64 = 1;
        p += 3;
      } else if (*p == 'h') {
        narrow = 1;
        ++p;
      } else if (*p == 'l' || *p == 'w') {
        wide = 1;
        ++p;
      } else if (*p == 'L' || *p == 'z') {
        size64 = *p == 'z';
        ++p;
      } else {
        break;
      }
    }
    WCHAR conv = *p;
    switch (conv) {
      case 'd':
      case 'i': {
        long long v = size64 ? va_arg(ap, long long) : (long long)va_arg(ap, int);
        unsigned long long m = v < 0 ? 0ull - (unsigned long long)v : (unsigned long long)v;
        PutInteger(out, field, m, v < 0, 10, false);
        break;
      }
      case 'u':
      case 'x':
      case 'X':
      case 'o': {
        unsigned long long v = size64 ? va_arg(ap, unsigned long long) : (unsigned long long)va_arg(ap, unsigned);
        if (narrow && !size64) v &= 0xFFFF;
        int base = conv == 'u' ? 10 : conv == 'o' ? 8 : 16;
        PutInteger(out, field, v, false, base, conv == 'X');
        break;
      }
      case 'p': {
        field.alt = true;
        PutInteger(out, field, (unsigned long long)(uintptr_t)va_arg(ap, void*), false, 16, false);
        break;
      }
      case 'c':
      case 'C': {
        // %c is a WCHAR in the wide formatter, %C and %hc a narrow char.
        int v = va_arg(ap, int);
        WCHAR c = (WCHAR)v;
        if ((conv == 'C' && !wide) || narrow) {
          char n = (char)v;
          MultiByteToWideChar(CP_ACP, 0, &n, 1, &c, 1);
        }
        PutPadded(out, field, &c, 1, nullptr, 0, 0);
        break;
      }
      case 's':
      case 'S': {
        // %s and %ls are WCHAR strings, %S and %hs narrow ones.
        bool isNarrow = narrow || (conv == 'S' && !wide);
        if (isNarrow) PutString(out, field, va_arg(ap, const char*));
        else PutString(out, field, va_arg(ap, const WCHAR*));
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G': {
        // Not in the device's wsprintfW; kept for the platform's own tools.
        char fmt[48], text[512];
        int n = 0;
        for (LPCWSTR q = start; q <= p && n < 40; ++q)
          if (*q != 'l' && *q != 'L' && *q != 'h') fmt[n++] = (char)*q;
        fmt[n] = 0;
        int len = snprintf(text, sizeof text, fmt, va_arg(ap, double));
        for (int i = 0; i < len && i < (int)sizeof text - 1; ++i) out.Put(text[i]);
        break;
      }
      case '%':
        out.Put('%');
        break;
      case 0:
        --p;  // a lone '%' at the end
        break;
      default:
        // Unknown forms are copied as written.
        for (LPCWSTR q = start; q <= p; ++q) out.Put(*q);
        break;
    }
  }
  va_end(ap);
  dst[out.len] = 0;
  return out.len;
}

int LxFormatW(LPWSTR dst, int size, LPCWSTR format, ...) {
  va_list ap;
  va_start(ap, format);
  int n = LxFormatVW(dst, size, format, ap);
  va_end(ap);
  return n;
}

int wvsprintfW(LPWSTR dst, LPCWSTR format, va_list args) { return LxFormatVW(dst, 1024, format, args); }

int wsprintfW(LPWSTR dst, LPCWSTR format, ...) {
  va_list ap;
  va_start(ap, format);
  int n = LxFormatVW(dst, 1024, format, ap);
  va_end(ap);
  return n;
}

// ---- UTF-8 <-> UTF-16; malformed input becomes U+FFFD ----

// escapeBytes: each byte of a malformed sequence becomes 0xDC00 + byte
// instead of the sequence becoming one U+FFFD.
static std::u16string FromUtf8(const std::string& s, bool escapeBytes) {
  std::u16string out;
  out.reserve(s.size());
  const unsigned char* p = (const unsigned char*)s.data();
  size_t n = s.size(), i = 0;
  while (i < n) {
    unsigned c = p[i];
    unsigned cp;
    int extra;
    if (c < 0x80) {
      cp = c;
      extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      extra = 3;
    } else {
      out.push_back(escapeBytes ? (char16_t)(0xDC00 + c) : (char16_t)0xFFFD);
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j <= (size_t)extra && i + j < n && (p[i + j] & 0xC0) == 0x80; ++j) cp = (cp << 6) | (p[i + j] & 0x3F);
    bool bad = j != (size_t)extra + 1 || (extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF));
    if (bad) {
      if (escapeBytes) {
        out.push_back((char16_t)(0xDC00 + c));
        ++i;
      } else {
        out.push_back(0xFFFD);
        i += j;
      }
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back((char16_t)(0xD800 + (cp >> 10)));
      out.push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back((char16_t)cp);
    }
    i += j;
  }
  return out;
}

std::u16string LxFromUtf8(const std::string& s) { return FromUtf8(s, false); }
std::u16string LxFromHostName(const std::string& s) { return FromUtf8(s, true); }

static void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out.push_back((char)cp);
  } else if (cp < 0x800) {
    out.push_back((char)(0xC0 | (cp >> 6)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back((char)(0xE0 | (cp >> 12)));
    out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  } else {
    out.push_back((char)(0xF0 | (cp >> 18)));
    out.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  }
}

static std::string ToUtf8(const char16_t* s, size_t n, bool escapedBytes = false) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    unsigned c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else if (escapedBytes && c >= 0xDC80 && c <= 0xDCFF) {
      out.push_back((char)(c - 0xDC00));
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);  // a lone surrogate
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::string LxToUtf8(const std::u16string& s) { return ToUtf8(s.data(), s.size()); }
std::string LxToUtf8(LPCWSTR s) { return s ? ToUtf8(s, lstrlenW(s)) : std::string(); }
std::string LxToHostName(const std::u16string& s) { return ToUtf8(s.data(), s.size(), true); }
std::string LxToHostName(LPCWSTR s) { return s ? ToUtf8(s, lstrlenW(s), true) : std::string(); }

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
  if (!text) return 0;
  for (DWORD i = 0; i < length; ++i) {
    UChar32 u = lx::ToUpper(text[i]);
    if (u <= 0xFFFF) text[i] = (WCHAR)u;  // a unit whose capital needs two stays as it is
  }
  return length;
}

LPWSTR CharUpperW(LPWSTR text) {
  // A value below 0x10000 is one character passed by value, not a pointer.
  if ((UINT_PTR)text < 0x10000) {
    UChar32 u = lx::ToUpper((UChar32)(UINT_PTR)text);
    return (LPWSTR)(UINT_PTR)(u <= 0xFFFF ? u : (UChar32)(UINT_PTR)text);
  }
  CharUpperBuffW(text, lstrlenW(text));
  return text;
}
