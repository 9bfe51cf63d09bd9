// The dialog manager's arrow keys: they move within the focused control's
// group, choosing automatic radio buttons on the way, and the default frame
// follows the focus among push buttons.
#include "dlgtest.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const LXDLGITEM kItems[] = {
    {kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 6, 6, 100, 12, 100, u"EDIT", u"3"},
    {kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 6, 24, 60, 10, 102, u"BUTTON", u"Titel"},
    {kChild | SS_LEFT, 0, 70, 24, 40, 10, 106, u"STATIC", u"oder"},
    {kChild | BS_AUTORADIOBUTTON, 0, 6, 36, 60, 10, 103, u"BUTTON", u"Interpret"},
    {kChild | WS_DISABLED | BS_AUTORADIOBUTTON, 0, 6, 48, 60, 10, 104, u"BUTTON", u"Album"},
    {kChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 0, 6, 60, 80, 10, 105, u"BUTTON", u"Absteigend"},
    {kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 6, 76, 40, 14, IDOK, u"BUTTON", u"OK"},
    {kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 56, 76, 40, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
const LXDLGTEMPLATE kDialog = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 160, 100, u"Sortieren", 0, nullptr, 8, kItems};

INT_PTR CALLBACK SortProc(HWND h, UINT m, WPARAM w, LPARAM) {
  switch (m) {
    case WM_INITDIALOG: CheckRadioButton(h, 102, 104, 102); return TRUE;
    case WM_COMMAND:
      Record(w);
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) EndDialog(h, LOWORD(w));
      return TRUE;
  }
  return FALSE;
}

bool IsDefault(HWND button) { return SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON; }

// The inner line of a push button's frame: black on the default button only.
DWORD InnerFrame(HWND button) {
  RECT r;
  GetWindowRect(button, &r);
  return PixelAt((r.left + r.right) / 2, r.top + 1);
}

TEST(DialogKeys, ArrowsWalkTheRadioGroupAndChooseAsTheyGo) {
  ModalRun run(&kDialog, SortProc);
  HWND dlg = FrontDialog();
  ASSERT_NE(dlg, nullptr);
  ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 100));
  ModalRun::Key(VK_DOWN);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 100)) << "the field keeps its arrows";

  ModalRun::Key(VK_TAB);
  ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 102));
  ClearCommands();
  ModalRun::Key(VK_DOWN);  // over the label
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 103));
  EXPECT_EQ(IsDlgButtonChecked(dlg, 103), (UINT)BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 102), (UINT)BST_UNCHECKED);
  EXPECT_TRUE(Saw(103, BN_CLICKED));
  ModalRun::Key(VK_DOWN);  // past the disabled one, round to the group's first, not into the next group
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 102));
  EXPECT_EQ(IsDlgButtonChecked(dlg, 102), (UINT)BST_CHECKED);
  ModalRun::Key(VK_LEFT);  // backwards, round the other way
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 103));
  EXPECT_EQ(IsDlgButtonChecked(dlg, 104), (UINT)BST_UNCHECKED);

  ModalRun::Key(VK_TAB);
  ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 105));
  ModalRun::Key(VK_DOWN);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 105)) << "alone in its group";
  EXPECT_EQ(IsDlgButtonChecked(dlg, 105), (UINT)BST_UNCHECKED) << "arrows do not tick check boxes";

  ModalRun::Key(VK_ESCAPE);
  EXPECT_EQ(run.Finish(), IDCANCEL);
}

TEST(DialogKeys, TheDefaultFrameFollowsTheFocusAmongPushButtons) {
  ModalRun run(&kDialog, SortProc);
  HWND dlg = FrontDialog();
  ASSERT_NE(dlg, nullptr);
  HWND ok = GetDlgItem(dlg, IDOK), cancel = GetDlgItem(dlg, IDCANCEL);
  EXPECT_TRUE(IsDefault(ok));
  EXPECT_EQ(InnerFrame(ok), 0u);
  EXPECT_EQ(InnerFrame(cancel), 0xFFFFFFu);

  ModalRun::Key(VK_TAB);
  ModalRun::Key(VK_TAB);
  ModalRun::Key(VK_TAB);
  ASSERT_EQ(GetFocus(), ok);
  ModalRun::Key(VK_RIGHT);
  EXPECT_EQ(GetFocus(), cancel);
  EXPECT_TRUE(IsDefault(cancel));
  EXPECT_FALSE(IsDefault(ok));
  EXPECT_EQ(InnerFrame(cancel), 0u);
  EXPECT_EQ(InnerFrame(ok), 0xFFFFFFu);

  ModalRun::Key(VK_TAB);  // back to the field: the dialog's own default returns
  EXPECT_TRUE(IsDefault(ok));
  EXPECT_FALSE(IsDefault(cancel));
  SendMessageW(dlg, DM_SETDEFID, IDCANCEL, 0);
  EXPECT_TRUE(IsDefault(cancel)) << "a new default id moves the frame";
  EXPECT_FALSE(IsDefault(ok));
  SendMessageW(dlg, DM_SETDEFID, IDOK, 0);
  EXPECT_TRUE(IsDefault(ok));

  ModalRun::Key(VK_TAB);
  ModalRun::Key(VK_TAB);
  ModalRun::Key(VK_TAB);
  ModalRun::Key(VK_DOWN);
  ASSERT_EQ(GetFocus(), cancel);
  ModalRun::Key(VK_RETURN);
  EXPECT_EQ(run.Finish(), IDCANCEL) << "Return presses the focused button";
  EXPECT_FALSE(Saw(IDOK, BN_CLICKED));
}

}  // namespace
