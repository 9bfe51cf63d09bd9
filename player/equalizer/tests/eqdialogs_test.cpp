// The edit dialog: starting values, the up-down, checked values, names,
// genres and deleting, on copies that replace the list only on "Ok".
#include "eqwindowtest.h"
#include "equalizer/eqdialogs.h"

namespace {

class EditDialogTest : public EqWindowTest {
 protected:
  void SetValue(HWND dlg, const char16_t* text) {
    SetWindowTextW(GetDlgItem(dlg, IDC_EDIT_VALUE), text);
    Settle();
  }
  void Choose(HWND dlg, int combo, int row) {
    HWND c = GetDlgItem(dlg, combo);
    SendMessageW(c, CB_SETCURSEL, row, 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), (LPARAM)c);
    Settle();
  }
  void TapUpDown(HWND dlg, bool up) {
    RECT r;
    GetWindowRect(GetDlgItem(dlg, IDC_EDIT_UPDOWN), &r);
    Tap((r.left + r.right) / 2, up ? r.top + 2 : r.bottom - 2);
  }
  // Answers the box over the dialog with a tap on its button.
  void AnswerBox(HWND dlg) {
    HWND box = WaitForBox(dlg);
    ASSERT_NE(box, nullptr);
    TapItem(box, IDOK);
  }
  LRESULT Rows(HWND dlg) { return SendDlgItemMessageW(dlg, IDC_EDIT_PRESETS, LB_GETCOUNT, 0, 0); }
  std::u16string Value(HWND dlg) { return Text(GetDlgItem(dlg, IDC_EDIT_VALUE)); }
};

TEST_F(EditDialogTest, ValuesAreCheckedAndStoredBeforeTheButtonsAct) {
  lstrcpyW(g_settings.recentEq, u"Pop");
  g_settings.eq[0] = 8;  // live, where Pop stores -2
  Start();
  HWND dlg = OpenDialog(IDM_EQ_EDIT);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(Text(g_windows.main), u"Equalizer bearbeiten");
  EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_EDIT_PRESETS, LB_GETCURSEL, 0, 0), 11) << "the current preset's row";
  EXPECT_EQ(Value(dlg), u"8") << "the live 60 Hz gain";
  TapUpDown(dlg, true);
  EXPECT_EQ(Value(dlg), u"7") << "up lowers the value";
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_EDIT_VALUE));
  SetValue(dlg, u"20");
  TapUpDown(dlg, false);
  EXPECT_EQ(Value(dlg), u"20");

  LxMessageBoxShow(1);
  SetValue(dlg, u"25");
  TapItem(dlg, IDC_EDIT_ADD);
  AnswerBox(dlg);
  ASSERT_EQ(LxMessageBoxCount(), 1);
  LxMessageBoxCall call{};
  LxMessageBoxGet(0, &call);
  EXPECT_EQ(std::u16string(call.text), u"Invalid data");
  EXPECT_EQ(std::u16string(call.caption), u"Error");
  EXPECT_EQ(Value(dlg), u"0");
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_EDIT_VALUE)) << "back in the field";
  EXPECT_EQ(Rows(dlg), 18) << "the click under the box is dropped";
  Choose(dlg, IDC_EDIT_BAND, 0);
  EXPECT_EQ(Value(dlg), u"8") << "the gain is kept";

  // Enter is "Ok" without a focus change: checked there, one box only.
  SetValue(dlg, u"25");
  lxtest::KeyAndSettle(VK_RETURN);
  AnswerBox(dlg);
  EXPECT_EQ(LxMessageBoxCount(), 2);
  EXPECT_EQ(Front(), dlg) << "an invalid value keeps the dialog open";
  SetValue(dlg, u"5");
  lxtest::KeyAndSettle(VK_RETURN);
  EXPECT_EQ(Front(), nullptr);
  EXPECT_EQ(LxMessageBoxCount(), 2);
  EXPECT_EQ(PresetByName(u"Pop")->gains[0], 5);
  EXPECT_EQ(Gain(0), 5);
  EXPECT_EQ(Text(g_windows.main), u"Lumtrax");
}

TEST_F(EditDialogTest, NamesGenresAndTheProtectedFirstRow) {
  Start();
  HWND dlg = OpenDialog(IDM_EQ_EDIT);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_EDIT_GENRE, CB_GETCURSEL, 0, 0), 126) << "genre 255 shows \"Default\"";
  TapItem(dlg, IDC_EDIT_DELETE);
  EXPECT_EQ(Rows(dlg), 18) << "the first row is never deleted";

  TapItem(dlg, IDC_EDIT_VALUE);
  SetValue(dlg, u"4");
  SetWindowTextW(GetDlgItem(dlg, IDC_EDIT_NAME), u"Rock");
  TapItem(dlg, IDC_EDIT_ADD);
  EXPECT_EQ(Rows(dlg), 18) << "an existing name updates its row";

  SetWindowTextW(GetDlgItem(dlg, IDC_EDIT_NAME), u"Mine");
  Choose(dlg, IDC_EDIT_GENRE, 5);
  TapItem(dlg, IDC_EDIT_ADD);
  EXPECT_EQ(Rows(dlg), 19);
  EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_EDIT_PRESETS, LB_GETCURSEL, 0, 0), 18) << "the new row is selected";
  Choose(dlg, IDC_EDIT_GENRE, 126);
  Choose(dlg, IDC_EDIT_BAND, 1);
  TapItem(dlg, IDC_EDIT_VALUE);
  SetValue(dlg, u"-3");
  TapItem(dlg, IDOK);
  EXPECT_EQ(Front(), nullptr);

  ASSERT_EQ(PresetCount(), 19u);
  EXPECT_EQ(PresetByName(u"Rock")->gains[0], 4);
  EXPECT_EQ(PresetByName(u"Rock")->genre, 255);
  EqPreset* mine = PresetAt(18);
  EXPECT_EQ(std::u16string(mine->name), u"Mine") << "the new row keeps its name when edited";
  EXPECT_EQ(mine->genre, 255) << "row 126 stores 255";
  EXPECT_EQ(mine->gains[0], 4);
  EXPECT_EQ(mine->gains[1], -3);
  EXPECT_EQ(ReadHostFile(MyDocuments() + "/Default.EQT").size(), 54u + 84 * 19) << "the new list is saved at once";
}

TEST_F(EditDialogTest, EmptyListStartsFromTheLiveGains) {
  Bytes empty(54, 0);
  const char16_t* header = u"Lumtrax Equalize File 1.0";
  for (int i = 0; i < 25; i++) empty[2 * i] = (unsigned char)header[i];
  WriteHostFile(MyDocuments() + "/Default.EQT", empty);
  g_settings.eq[2] = 6;
  Start();
  ASSERT_EQ(PresetCount(), 0u);
  HWND dlg = OpenDialog(IDM_EQ_EDIT);
  ASSERT_NE(dlg, nullptr);
  SetWindowTextW(GetDlgItem(dlg, IDC_EDIT_NAME), u"Live");
  TapItem(dlg, IDC_EDIT_ADD);
  TapItem(dlg, IDOK);
  ASSERT_EQ(PresetCount(), 1u);
  EXPECT_EQ(PresetAt(0)->gains[2], 6);
  EXPECT_EQ(PresetAt(0)->genre, 255);
}

}  // namespace
