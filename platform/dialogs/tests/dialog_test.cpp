// A modal dialog's life: init, focus, typing, default button and Escape,
// taps on check boxes and radio buttons, the owner disabled and re-enabled.
#include "dlgtest.h"

namespace {

constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const LXDLGITEM kItems[] = {
    {kTab | WS_BORDER | ES_AUTOHSCROLL, 0, 6, 6, 100, 12, 100, u"EDIT", u""},
    {kTab | BS_AUTOCHECKBOX, 0, 6, 24, 80, 10, 101, u"BUTTON", u"Shuffle"},
    {kTab | WS_GROUP | BS_AUTORADIOBUTTON, 0, 6, 38, 60, 10, 102, u"BUTTON", u"Left"},
    {WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 6, 50, 60, 10, 103, u"BUTTON", u"Right"},
    {kTab | WS_GROUP | BS_DEFPUSHBUTTON, 0, 6, 70, 40, 14, IDOK, u"BUTTON", u"OK"},
    {kTab | BS_PUSHBUTTON, 0, 56, 70, 40, 14, IDCANCEL, u"BUTTON", u"Cancel"},
    {WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 110, 6, 40, 10, 104, u"STATIC", u"Name"},
};
const LXDLGTEMPLATE kDialog = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 160, 100, u"Settings", 0, nullptr, 7, kItems};

std::atomic<int> gInitSeen{0};
std::atomic<LPARAM> gInitParam{0};

INT_PTR CALLBACK SettingsProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_INITDIALOG:
      ++gInitSeen;
      gInitParam = l;
      SetDlgItemTextW(h, 100, u"7");
      return TRUE;
    case WM_COMMAND:
      Record(w);
      if (LOWORD(w) == IDOK) {
        BOOL ok = FALSE;
        UINT n = GetDlgItemInt(h, 100, &ok, FALSE);
        EndDialog(h, ok ? 1000 + n : -5);
      } else if (LOWORD(w) == IDCANCEL) {
        EndDialog(h, IDCANCEL);
      }
      return TRUE;
    case WM_APP:
      SetWindowLongW(h, DWL_MSGRESULT, 77);
      return TRUE;
  }
  return FALSE;
}

POINT CentreOf(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(Dialog, ModalLifeFromInitToEndDialogWithTheOwnerDisabled) {
  gInitSeen = 0;
  ModalRun run(&kDialog, SettingsProc, 1234);
  HWND dlg = FrontDialog();
  ASSERT_NE(dlg, nullptr) << "the dialog comes to the front";
  EXPECT_EQ(gInitSeen, 1);
  EXPECT_EQ(gInitParam, 1234);
  EXPECT_FALSE(IsWindowEnabled(run.owner())) << "the owner is disabled while the dialog runs";
  HWND edit = GetDlgItem(dlg, 100);
  EXPECT_EQ(GetFocus(), edit) << "WM_INITDIALOG returning TRUE focuses the first tab stop";
  EXPECT_EQ(SendMessageW(dlg, WM_APP, 0, 0), 77) << "the result comes from DWL_MSGRESULT";

  ModalRun::Type("42");  // the initial text is selected, so typing replaces it
  WCHAR text[16];
  GetDlgItemTextW(dlg, 100, text, 16);
  EXPECT_EQ(std::u16string((const char16_t*)text), u"42");
  EXPECT_TRUE(Saw(100, EN_CHANGE));

  ModalRun::Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 101));
  EXPECT_TRUE(Saw(100, EN_KILLFOCUS)) << "leaving the field tells the dialog";

  ModalRun::Key(VK_RETURN);  // focus on a check box: Enter means the default button
  EXPECT_EQ(run.Finish(), 1042);
  EXPECT_TRUE(Saw(IDOK, BN_CLICKED));
  EXPECT_TRUE(run.ownerEnabledAfter()) << "the owner is enabled again";
  EXPECT_FALSE(IsWindow(dlg)) << "the dialog is gone";
}

TEST(Dialog, TapsCheckBoxesAndRadioGroupsThenEscapeCancels) {
  ModalRun run(&kDialog, SettingsProc);
  HWND dlg = FrontDialog();
  ASSERT_NE(dlg, nullptr);
  POINT p = CentreOf(GetDlgItem(dlg, 101));
  ModalRun::Tap(p.x, p.y);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 101), (UINT)BST_CHECKED);
  EXPECT_TRUE(Saw(101, BN_CLICKED));
  ModalRun::Tap(p.x, p.y);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 101), (UINT)BST_UNCHECKED) << "a second tap clears it";

  p = CentreOf(GetDlgItem(dlg, 103));
  ModalRun::Tap(p.x, p.y);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 103), (UINT)BST_CHECKED);
  p = CentreOf(GetDlgItem(dlg, 102));
  ModalRun::Tap(p.x, p.y);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 102), (UINT)BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 103), (UINT)BST_UNCHECKED) << "one radio button of a group is checked";
  CheckRadioButton(dlg, 102, 103, 103);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 102), (UINT)BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 103), (UINT)BST_CHECKED);
  CheckDlgButton(dlg, 101, BST_CHECKED);
  EXPECT_EQ(SendDlgItemMessageW(dlg, 101, BM_GETCHECK, 0, 0), BST_CHECKED);

  // A tap that slides off the button before lifting does not click it.
  ClearCommands();
  RECT ok;
  GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
  LxInputStylus(WM_LBUTTONDOWN, ok.left + 3, ok.top + 3);
  ModalRun::Settle();  // the button takes the stylus before it moves
  LxInputStylus(WM_MOUSEMOVE, ok.left + 3, ok.bottom + 20);
  LxInputStylus(WM_LBUTTONUP, ok.left + 3, ok.bottom + 20);
  ModalRun::Settle();
  EXPECT_FALSE(Saw(IDOK, BN_CLICKED));

  ModalRun::Key(VK_ESCAPE);
  EXPECT_EQ(run.Finish(), IDCANCEL);
  EXPECT_TRUE(Saw(IDCANCEL, BN_CLICKED));
  EXPECT_TRUE(run.ownerEnabledAfter());
}

TEST(Dialog, LooksWhiteWithOnePixelFramesAndDialogUnits) {
  ModalRun run(&kDialog, SettingsProc);
  HWND dlg = FrontDialog();
  ASSERT_NE(dlg, nullptr);
  LONG units = GetDialogBaseUnits();
  RECT r;
  GetWindowRect(GetDlgItem(dlg, 100), &r);
  EXPECT_EQ(r.right - r.left, 100 * LOWORD(units) / 4) << "dialog units follow the system font";
  EXPECT_EQ(r.bottom - r.top, 12 * HIWORD(units) / 8);
  RECT mapped{0, 0, 100, 12};
  MapDialogRect(dlg, &mapped);
  EXPECT_EQ(mapped.right, r.right - r.left);

  RECT ok, cancel;
  GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
  GetWindowRect(GetDlgItem(dlg, IDCANCEL), &cancel);
  int midY = (ok.top + ok.bottom) / 2;
  EXPECT_EQ(PixelAt(ok.left, midY), 0u) << "button frame";
  EXPECT_EQ(PixelAt(ok.left + 1, midY), 0u) << "the default button's second frame";
  EXPECT_EQ(PixelAt(cancel.left, midY), 0u);
  EXPECT_EQ(PixelAt(cancel.left + 1, midY), 0xFFFFFFu) << "an ordinary button has one frame";
  RECT d;
  GetWindowRect(dlg, &d);
  EXPECT_EQ(PixelAt(d.left + 3, d.bottom - 3), 0xFFFFFFu) << "the dialog is white";
  EXPECT_EQ(PixelAt(d.left, d.bottom - 3), 0u) << "a dialog smaller than the screen has a frame";
  ModalRun::Key(VK_ESCAPE);
  run.Finish();
}

INT_PTR CALLBACK EndsAtOnce(HWND h, UINT m, WPARAM, LPARAM) {
  if (m == WM_INITDIALOG) EndDialog(h, 9);
  return FALSE;
}

TEST(Dialog, EndDialogDuringInitReturnsWithoutShowing) {
  ModalRun run(&kDialog, EndsAtOnce);
  EXPECT_EQ(run.Finish(), 9);
  EXPECT_TRUE(run.ownerEnabledAfter());
}

INT_PTR CALLBACK Quiet(HWND, UINT m, WPARAM, LPARAM) { return m == WM_INITDIALOG; }

TEST(Dialog, ItemIntegersAreTranslatedOnlyWhenWhole) {
  HWND dlg = CreateDialogIndirectParamW(nullptr, &kDialog, nullptr, Quiet, 0);
  ASSERT_NE(dlg, nullptr);
  BOOL ok = FALSE;
  SetDlgItemInt(dlg, 100, (UINT)-5, TRUE);
  WCHAR text[16];
  GetDlgItemTextW(dlg, 100, text, 16);
  EXPECT_EQ(std::u16string((const char16_t*)text), u"-5");
  EXPECT_EQ((int)GetDlgItemInt(dlg, 100, &ok, TRUE), -5);
  EXPECT_TRUE(ok);
  GetDlgItemInt(dlg, 100, &ok, FALSE);
  EXPECT_FALSE(ok) << "a sign is not a digit of an unsigned number";
  SetDlgItemTextW(dlg, 100, u"12x");
  GetDlgItemInt(dlg, 100, &ok, FALSE);
  EXPECT_FALSE(ok);
  SetDlgItemTextW(dlg, 100, u"4294967295");
  EXPECT_EQ(GetDlgItemInt(dlg, 100, &ok, FALSE), 4294967295u);
  EXPECT_TRUE(ok);
  SetDlgItemTextW(dlg, 100, u"4294967296");
  GetDlgItemInt(dlg, 100, &ok, FALSE);
  EXPECT_FALSE(ok) << "too big";
  EXPECT_EQ(GetDlgItem(dlg, 999), nullptr);
  EXPECT_EQ(GetDlgItemTextW(dlg, 999, text, 16), 0u);
  EXPECT_FALSE(SetDlgItemTextW(dlg, 999, u"x"));
  DestroyWindow(dlg);
}

}  // namespace
