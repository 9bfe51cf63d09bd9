// ICU's character properties, loaded at the first character beyond ASCII:
// names, keys and extensions are mostly ASCII, so most programs never map
// ICU at all. Each call answers what the ICU function in its comment does.
#pragma once
#include <unicode/uchar.h>

namespace lx {

// u_foldCase(c, U_FOLD_CASE_DEFAULT)
UChar32 FoldCase(UChar32 c);
// u_toupper(c)
UChar32 ToUpper(UChar32 c);
// u_strncasecmp(a, b, n, U_FOLD_CASE_DEFAULT)
int32_t StrNCaseCompare(const UChar* a, const UChar* b, int32_t n);
// u_strCaseCompare(a, aLength, b, bLength, U_FOLD_CASE_DEFAULT, &status) == 0
// with a success status.
bool StrCaseEqual(const UChar* a, int32_t aLength, const UChar* b, int32_t bLength);

}  // namespace lx
