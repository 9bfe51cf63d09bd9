// Edit fields driven by their messages: selection, replacing, limits,
// number-only fields, and multi-line read-only text that scrolls.
#include "dlgtest.h"
#include "lxkit.h"

namespace {

std::vector<WORD> gEditCodes;

LRESULT CALLBACK Parent(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND) gEditCodes.push_back(HIWORD(w));
  return DefWindowProcW(h, m, w, l);
}

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = lxtest::ParentWindow(u"LxEditParent", Parent, u"");
    gEditCodes.clear();
  }
  void TearDown() override { DestroyWindow(parent_); }
  HWND Make(DWORD style, int height = 20) {
    return CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 10, 10, 150, height, parent_,
                           (HMENU)7, nullptr, nullptr);
  }
  std::u16string Text(HWND e) {
    WCHAR buf[512];
    GetWindowTextW(e, buf, 512);
    return buf;
  }
  bool SawCode(WORD code) { return std::find(gEditCodes.begin(), gEditCodes.end(), code) != gEditCodes.end(); }
  HWND parent_ = nullptr;
};

TEST_F(EditTest, TypingReplacesTheSelectionAndBackspaceDeletes) {
  HWND e = Make(ES_AUTOHSCROLL);
  SetWindowTextW(e, u"Lumtrax player");
  SendMessageW(e, EM_SETSEL, 0, 7);
  DWORD a = 99, b = 99;
  SendMessageW(e, EM_GETSEL, (WPARAM)&a, (LPARAM)&b);
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 7u);
  gEditCodes.clear();
  for (WCHAR c : std::u16string(u"My")) SendMessageW(e, WM_CHAR, c, 1);
  EXPECT_EQ(Text(e), u"My player");
  EXPECT_TRUE(SawCode(EN_CHANGE));
  SendMessageW(e, WM_CHAR, 0x08, 1);
  EXPECT_EQ(Text(e), u"M player");
  SendMessageW(e, WM_KEYDOWN, VK_HOME, 0);
  SendMessageW(e, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(Text(e), u" player");
  SendMessageW(e, EM_SETSEL, 1, -1);
  SendMessageW(e, EM_REPLACESEL, 0, (LPARAM)u"song");
  EXPECT_EQ(Text(e), u" song");
  EXPECT_EQ(GetWindowTextLengthW(e), 5);
  EXPECT_TRUE(SendMessageW(e, EM_GETMODIFY, 0, 0));
  // Very long text stays editable at its end.
  std::u16string longText(300, u'x');
  SetWindowTextW(e, longText.c_str());
  SendMessageW(e, EM_SETSEL, 300, 300);
  SendMessageW(e, WM_CHAR, u'y', 1);
  EXPECT_EQ(Text(e).back(), u'y');
}

TEST_F(EditTest, LimitsNumbersAndReadOnly) {
  HWND e = Make(ES_NUMBER);
  SendMessageW(e, EM_LIMITTEXT, 3, 0);
  for (WCHAR c : std::u16string(u"1a2b34")) SendMessageW(e, WM_CHAR, c, 1);
  EXPECT_EQ(Text(e), u"123") << "letters refused, the limit holds";
  EXPECT_TRUE(SawCode(EN_MAXTEXT));
  SendMessageW(e, EM_SETREADONLY, TRUE, 0);
  SendMessageW(e, WM_CHAR, 0x08, 1);
  SendMessageW(e, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(Text(e), u"123") << "read-only text does not change";
  SendMessageW(e, WM_CHAR, u'\r', 1);
  EXPECT_EQ(Text(e), u"123") << "a single-line field takes no line breaks";
}

TEST_F(EditTest, FocusNotifications) {
  HWND e = Make(0);
  HWND other = Make(0);
  SetFocus(e);
  EXPECT_TRUE(SawCode(EN_SETFOCUS));
  gEditCodes.clear();
  SetFocus(other);
  ASSERT_FALSE(gEditCodes.empty());
  EXPECT_EQ(gEditCodes.front(), EN_KILLFOCUS);
  EXPECT_EQ(EN_KILLFOCUS, 0x200);
}

TEST_F(EditTest, ReadOnlyMultiLineTextScrolls) {
  HWND e = Make(ES_MULTILINE | ES_READONLY | WS_VSCROLL, 60);
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"Line\r\n";
  text += u"last";
  SetWindowTextW(e, text.c_str());
  EXPECT_EQ(SendMessageW(e, EM_GETLINECOUNT, 0, 0), 31);
  EXPECT_EQ(SendMessageW(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SendMessageW(e, EM_LINESCROLL, 0, 5);
  EXPECT_EQ(SendMessageW(e, EM_GETFIRSTVISIBLELINE, 0, 0), 5);
  SendMessageW(e, WM_VSCROLL, SB_BOTTOM, 0);
  LRESULT bottom = SendMessageW(e, EM_GETFIRSTVISIBLELINE, 0, 0);
  EXPECT_GT(bottom, 20);
  EXPECT_LT(bottom, 31) << "the last line stays on view";
  SendMessageW(e, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETFIRSTVISIBLELINE, 0, 0), bottom) << "no scrolling past the end";
  SendMessageW(e, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETFIRSTVISIBLELINE, 0, 0), bottom - 1) << "keys scroll read-only text";
  SendMessageW(e, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  SetWindowTextW(e, u"words that are far too many to fit on one line of this narrow field");
  EXPECT_GT(SendMessageW(e, EM_GETLINECOUNT, 0, 0), 1) << "long lines wrap at words";
}

}  // namespace
