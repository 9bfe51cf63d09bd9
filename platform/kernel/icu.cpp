#include <dlfcn.h>
#include <unicode/ustring.h>
#include <unicode/uvernum.h>

#include "lxicu.h"

namespace lx {

namespace {

// The header renames each function with the library's version
// ("u_foldCase_72"); the same renaming names the symbols.
#define LX_SYMBOL_TEXT(name) #name
#define LX_SYMBOL(name) LX_SYMBOL_TEXT(name)

struct Properties {
  decltype(&u_foldCase) foldCase = nullptr;
  decltype(&u_toupper) toupper = nullptr;
  decltype(&u_strncasecmp) strncasecmp = nullptr;
  decltype(&u_strCaseCompare) strCaseCompare = nullptr;
};

// Null without the library: beyond ASCII every character is then its own
// case partner.
const Properties* Icu() {
  static const Properties loaded = [] {
    Properties p;
    void* library = dlopen("libicuuc.so." LX_SYMBOL(U_ICU_VERSION_MAJOR_NUM), RTLD_NOW | RTLD_LOCAL);
    if (!library) return p;
    p.foldCase = reinterpret_cast<decltype(p.foldCase)>(dlsym(library, LX_SYMBOL(u_foldCase)));
    p.toupper = reinterpret_cast<decltype(p.toupper)>(dlsym(library, LX_SYMBOL(u_toupper)));
    p.strncasecmp = reinterpret_cast<decltype(p.strncasecmp)>(dlsym(library, LX_SYMBOL(u_strncasecmp)));
    p.strCaseCompare = reinterpret_cast<decltype(p.strCaseCompare)>(dlsym(library, LX_SYMBOL(u_strCaseCompare)));
    if (!p.foldCase || !p.toupper || !p.strncasecmp || !p.strCaseCompare) p = Properties{};
    return p;
  }();
  return loaded.foldCase ? &loaded : nullptr;
}

// ASCII folds to ASCII and nothing else folds to ASCII's letters except
// through characters beyond it, so an all-ASCII text needs no tables.
UChar32 AsciiLower(UChar32 c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

}  // namespace

UChar32 FoldCase(UChar32 c) {
  if (c < 0x80) return AsciiLower(c);
  const Properties* icu = Icu();
  return icu ? icu->foldCase(c, U_FOLD_CASE_DEFAULT) : c;
}

UChar32 ToUpper(UChar32 c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
  const Properties* icu = Icu();
  return icu ? icu->toupper(c) : c;
}

int32_t StrNCaseCompare(const UChar* a, const UChar* b, int32_t n) {
  // The first difference decides while both texts are ASCII up to it; a
  // character beyond ASCII may fold to several, so from there ICU compares.
  for (int32_t i = 0; i < n; ++i) {
    if (a[i] >= 0x80 || b[i] >= 0x80) {
      const Properties* icu = Icu();
      if (icu) return icu->strncasecmp(a + i, b + i, n - i, U_FOLD_CASE_DEFAULT);
    }
    UChar32 x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return !a[i] ? -1 : !b[i] ? 1 : x - y;
    if (!a[i]) return 0;
  }
  return 0;
}

bool StrCaseEqual(const UChar* a, int32_t aLength, const UChar* b, int32_t bLength) {
  bool ascii = true;
  for (int32_t i = 0; i < aLength && ascii; ++i) ascii = a[i] < 0x80;
  for (int32_t i = 0; i < bLength && ascii; ++i) ascii = b[i] < 0x80;
  if (!ascii) {
    if (const Properties* icu = Icu()) {
      UErrorCode status = U_ZERO_ERROR;
      return icu->strCaseCompare(a, aLength, b, bLength, U_FOLD_CASE_DEFAULT, &status) == 0 && U_SUCCESS(status);
    }
  }
  if (aLength != bLength) return false;
  for (int32_t i = 0; i < aLength; ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace lx
