#include <memory>
// The WCHAR formatter, string helpers, code pages and collation.
#include <gtest/gtest.h>

#include <string>

#include "windows.h"

namespace {

std::u16string Format(LPCWSTR format, ...) {
  WCHAR buf[256];
  va_list ap;
  va_start(ap, format);
  LxFormatVW(buf, 256, format, ap);
  va_end(ap);
  return buf;
}

TEST(Formatter, IntegerForms) {
  EXPECT_EQ(Format(u"%d|%i|%u", -42, 7, 4000000000u), u"-42|7|4000000000");
  EXPECT_EQ(Format(u"EQ%02d", 3), u"EQ03");
  EXPECT_EQ(Format(u"EQ%02d", 10), u"EQ10");
  EXPECT_EQ(Format(u"%03d. %s", 7, u"Titel"), u"007. Titel");
  EXPECT_EQ(Format(u"%02d. %s", 12, u"x"), u"12. x");
  EXPECT_EQ(Format(u"%5d|%-5d|%05d", 42, 42, -42), u"   42|42   |-0042");
}

TEST(Formatter, PrecisionGivesMinimumDigits) {
  EXPECT_EQ(Format(u"%0.2d:%0.2d:%0.2d", 1, 2, 35), u"01:02:35");
  EXPECT_EQ(Format(u"%0.2d", 123), u"123");
  EXPECT_EQ(Format(u"%.3d", -5), u"-005");
  // A precision overrides the 0 flag.
  EXPECT_EQ(Format(u"%06.3d", 5), u"   005");
}

TEST(Formatter, HexForms) {
  EXPECT_EQ(Format(u"VKButton%1X", 15), u"VKButtonF");
  EXPECT_EQ(Format(u"VKButton%1X", 1), u"VKButton1");
  EXPECT_EQ(Format(u"Software\\Microsoft\\Shell\\Keys\\40%2X", 0xC1), u"Software\\Microsoft\\Shell\\Keys\\40C1");
  EXPECT_EQ(Format(u"%2X|%x|%08X|%#x", 5, 0xBEEF, 0xABCu, 255), u" 5|beef|00000ABC|0xff");
}

TEST(Formatter, StringsCharsAndPercent) {
  EXPECT_EQ(Format(u"%s - %s <%s>", u"Titel", u"Künstler", u"03:12"), u"Titel - Künstler <03:12>");
  EXPECT_EQ(Format(u"%S|%hs|%ls", "narrow", "n\xE4rrow", u"wide"), u"narrow|n\u00e4rrow|wide");
  EXPECT_EQ(Format(u"[%5s|%-5s|%.2s]", u"ab", u"ab", u"abcdef"), u"[   ab|ab   |ab]");
  EXPECT_EQ(Format(u"%c%c", u'ö', u'k'), u"ök");
  EXPECT_EQ(Format(u"Seek to %0.2d:%0.2d / %0.2d:%0.2d (%d%%)", 1, 5, 3, 59, 33),
            u"Seek to 01:05 / 03:59 (33%)");
  EXPECT_EQ(Format(u"%s", (LPCWSTR) nullptr), u"(null)");
  EXPECT_EQ(Format(u"%I64d|%lld|%lu", (long long)-1 << 40, 5ll, 7u), u"-1099511627776|5|7");
}

TEST(Formatter, TruncatesToBufferAndTerminates) {
  WCHAR buf[6];
  EXPECT_EQ(LxFormatW(buf, 6, u"%d", 1234567), 5);
  EXPECT_EQ(std::u16string(buf), u"12345");
  WCHAR big[2000];
  std::u16string longText(1500, u'a');
  EXPECT_EQ(wsprintfW(big, u"%s", longText.c_str()), 1023);  // the device's 1024-unit limit
}

TEST(StringHelpers, CopyCompareSearch) {
  WCHAR buf[8];
  lstrcpynW(buf, u"abcdefghij", 8);
  EXPECT_EQ(std::u16string(buf), u"abcdefg");
  lstrcpyW(buf, u"ab");
  lstrcatW(buf, u"cd");
  EXPECT_EQ(lstrlenW(buf), 4);
  EXPECT_EQ(lstrcmpiW(u"M\u00fcller", u"m\u00dcLLER"), 0);
  EXPECT_LT(lstrcmpW(u"apfel", u"Birne"), 0);
  EXPECT_EQ(LxStrNCmpiW(u"ABCx", u"abcy", 3), 0);
  // Ordinal: ASCII decides alone, anything beyond it folds fully (ß is ss, K the Kelvin sign is k).
  EXPECT_EQ(LxStrCmpiW(u"song.Plt", u"SONG.pLT"), 0);
  EXPECT_LT(LxStrCmpiW(u"mp3", u"PLT"), 0);
  EXPECT_GT(LxStrCmpiW(u"abc", u"AB"), 0);
  EXPECT_EQ(LxStrCmpiW(u"Stra\u00dfe", u"STRASSE"), 0);
  EXPECT_EQ(LxStrCmpiW(u"\u212aB", u"kb"), 0);
  EXPECT_NE(LxStrCmpiW(u"\u00e9", u"e"), 0);
  EXPECT_EQ(std::u16string(LxStrRChrW(u"\\a\\b.mp3", u'\\')), u"\\b.mp3");
  EXPECT_EQ(std::u16string(LxStrChrW(u"a.b.c", u'.')), u".b.c");
  EXPECT_EQ(LxStrChrW(u"abc", u'x'), nullptr);
  EXPECT_EQ(std::u16string(LxStrStrW(u"eventon4", u"on")), u"on4");
  // A text that ends inside a partial match must not be read past its end (ASan checks this).
  std::unique_ptr<WCHAR[]> tail(new WCHAR[3]{u'x', u':', 0});
  EXPECT_EQ(LxStrStrW(tail.get(), u"://"), nullptr);
  const WCHAR* text = u"abc";
  EXPECT_EQ(LxStrStrW(text, u""), text) << "an empty pattern matches at the start";
  EXPECT_EQ(LxWtoi(u"  -123abc"), -123);
}

TEST(Utf, RoundTripsAndReplacesMalformedInput) {
  std::string text = "Gr\xC3\xBC\xC3\x9F\x65 \xF0\x9F\x8E\xB5";  // "Grüße 🎵"
  std::u16string wide = LxFromUtf8(text);
  EXPECT_EQ(wide, u"Grüße 🎵");
  EXPECT_EQ(LxToUtf8(wide), text);
  EXPECT_EQ(LxFromUtf8("a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
  EXPECT_EQ(LxToUtf8(std::u16string(1, (char16_t)0xD800)), "\xEF\xBF\xBD");
}

TEST(Utf, HostNamesKeepTheirMalformedBytes) {
  std::string name = "a\xFF" "b\xC3\xA9\xE2\x82";
  std::u16string wide = LxFromHostName(name);
  EXPECT_EQ(wide, (std::u16string{u'a', 0xDCFF, u'b', u'é', 0xDCE2, 0xDC82}));
  EXPECT_EQ(LxToHostName(wide), name);
}

TEST(StringHelpers, CharUpper) {
  WCHAR text[] = u"straße.mp3 é";
  EXPECT_EQ(CharUpperW(text), text);
  EXPECT_EQ(std::u16string(text), u"STRAßE.MP3 É") << "a capital of two units is not made";
  EXPECT_EQ((UINT_PTR)CharUpperW((LPWSTR)(UINT_PTR)u'ü'), (UINT_PTR)u'Ü');
  WCHAR part[] = u"abc";
  EXPECT_EQ(CharUpperBuffW(part, 2), 2u);
  EXPECT_EQ(std::u16string(part), u"ABc");
}

TEST(CodePages, OemAndAnsiAreWindows1252) {
  const char oem[] = "\x80 \x93Z\xFCrich\x94 \x81";
  WCHAR out[16];
  for (UINT cp : {CP_ACP, CP_OEMCP}) {
    int n = MultiByteToWideChar(cp, 0, oem, -1, out, 16);
    ASSERT_EQ(n, 13);
    EXPECT_EQ(std::u16string(out), u"\u20AC \u201CZ\u00FCrich\u201D \u0081");
  }
  // Without a buffer the required size comes back; too small a buffer fails.
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, oem, 4, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, oem, 4, out, 3), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  // A width that includes NUL bytes converts them too.
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "a\0b", 3, out, 16), 3);
  EXPECT_EQ(out[1], 0);

  char narrow[16];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, u"\u20AC\u00E4\u4E2D", 3, narrow, 16, nullptr, &usedDefault);
  EXPECT_EQ(std::string(narrow, n), "\x80\xE4?");
  EXPECT_TRUE(usedDefault);
}

TEST(CodePages, Utf8) {
  WCHAR out[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA4x", -1, out, 8), 3);
  EXPECT_EQ(std::u16string(out), u"äx");
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3x", 2, out, 8), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
  char narrow[8];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"ä", -1, narrow, 8, nullptr, nullptr), 3);
  EXPECT_STREQ(narrow, "\xC3\xA4");
}

TEST(CompareString, LocaleOrderAndIgnoreCase) {
  const LCID user = LOCALE_USER_DEFAULT;
  EXPECT_EQ(CompareStringW(user, NORM_IGNORECASE, u"abba", -1, u"ABBA", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringW(user, 0, u"abba", -1, u"ABBA", -1), CSTR_LESS_THAN);
  // Letters with marks sort beside their base letter, not after 'z'.
  EXPECT_EQ(CompareStringW(user, NORM_IGNORECASE, u"\u00c4rzte", -1, u"Bach", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringW(user, NORM_IGNORECASE, u"zebra", -1, u"Apfel", -1), CSTR_GREATER_THAN);
  // Explicit lengths compare only the given prefix.
  EXPECT_EQ(CompareStringW(user, NORM_IGNORECASE, u"Titel A", 5, u"titel B", 5), CSTR_EQUAL);
  // A count reaching past the terminator stops there: what follows in a
  // fixed-size buffer does not count.
  WCHAR titleA[31] = u"Lied", titleB[31] = u"lied";
  titleA[10] = u'x';
  EXPECT_EQ(CompareStringW(user, NORM_IGNORECASE, titleA, 31, titleB, 31), CSTR_EQUAL);
  EXPECT_EQ(CompareStringW(user, 0, nullptr, -1, u"x", -1), 0);
}

}  // namespace
