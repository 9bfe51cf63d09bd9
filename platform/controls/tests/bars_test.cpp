// Trackbar, up-down with its buddy, progress bar; how taps move the focus.
#include "ctltest.h"
#include "lxresource.h"

#include <algorithm>

namespace {

using BarTest = ControlTest;

int LastScroll(UINT msg, int* pos) {
  for (auto it = gTold.rbegin(); it != gTold.rend(); ++it)
    if (it->msg == msg) {
      if (pos) *pos = (short)HIWORD(it->wParam);
      return LOWORD(it->wParam);
    }
  return -1;
}

TEST_F(BarTest, TrackbarRangePositionAndScrollMessages) {
  HWND t = Make(TRACKBAR_CLASSW, TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 10, 10, 200, 24, 9);
  SendMessageW(t, TBM_SETRANGE, TRUE, MAKELONG(0, 10));
  SendMessageW(t, TBM_SETPOS, TRUE, 15);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 10) << "kept inside the range";
  SendMessageW(t, TBM_SETRANGEMAX, FALSE, 5);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 5) << "a narrower range takes the position with it";
  SendMessageW(t, TBM_SETRANGE, FALSE, MAKELONG(7, 10));
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 7);
  SendMessageW(t, TBM_SETRANGEMIN, FALSE, 0);
  SendMessageW(t, TBM_SETPOS, TRUE, 5);
  SendMessageW(t, TBM_SETPAGESIZE, 0, 2);
  EXPECT_TRUE(gTold.empty()) << "the program's own changes are not reported";

  SendMessageW(t, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 6);
  EXPECT_EQ(gTold.size(), 2u) << "the step, then the end";
  EXPECT_EQ(LOWORD(gTold[0].wParam), TB_LINEDOWN);
  EXPECT_EQ(LOWORD(gTold[1].wParam), TB_ENDTRACK);
  EXPECT_EQ((HWND)gTold[0].lParam, t);

  // Dragging the thumb to the far end.
  RECT thumb;
  SendMessageW(t, TBM_GETTHUMBRECT, 0, (LPARAM)&thumb);
  POINT p{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  ClientToScreen(t, &p);
  RECT w;
  GetWindowRect(t, &w);
  gTold.clear();
  LxInputStylus(WM_LBUTTONDOWN, p.x, p.y);
  Pump();  // the thumb takes the stylus before it moves
  LxInputStylus(WM_MOUSEMOVE, w.right + 30, p.y);
  LxInputStylus(WM_LBUTTONUP, w.right + 30, p.y);
  Pump();
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 10);
  int pos = -1;
  bool tracked = false;
  for (auto& told : gTold) tracked |= LOWORD(told.wParam) == TB_THUMBTRACK;
  EXPECT_TRUE(tracked);
  EXPECT_EQ(gTold.size() >= 2 ? LOWORD(gTold[gTold.size() - 2].wParam) : -1, TB_THUMBPOSITION);
  EXPECT_EQ(LastScroll(WM_HSCROLL, &pos), TB_ENDTRACK);

  // A tap on the channel pages toward it.
  gTold.clear();
  Tap(w.left + 8, (w.top + w.bottom) / 2);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 8);
  EXPECT_EQ(LOWORD(gTold[0].wParam), TB_PAGEUP);
}

TEST_F(BarTest, UpDownStepsItsBuddyEvenWithAnInvertedRange) {
  HWND edit = Make(u"EDIT", WS_BORDER | ES_NUMBER, 10, 10, 60, 20, 10);
  HWND ud = Make(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY, 0, 0, 14, 20, 11);
  EXPECT_EQ((HWND)SendMessageW(ud, UDM_GETBUDDY, 0, 0), edit);
  RECT e, u;
  GetWindowRect(edit, &e);
  GetWindowRect(ud, &u);
  EXPECT_EQ(u.left, e.right) << "the arrows sit at the buddy's right edge";
  EXPECT_EQ(e.right - e.left, 46);

  SendMessageW(ud, UDM_SETRANGE32, 10, 1);  // up counts down: 10 at the bottom, 1 at the top
  SendMessageW(ud, UDM_SETPOS32, 0, 5);
  WCHAR buf[16];
  GetWindowTextW(edit, buf, 16);
  EXPECT_EQ(std::u16string((const char16_t*)buf), u"5");

  gTold.clear();
  Tap((u.left + u.right) / 2, u.top + 3);  // the up arrow
  EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 4);
  GetWindowTextW(edit, buf, 16);
  EXPECT_EQ(std::u16string((const char16_t*)buf), u"4");
  auto notify = std::find_if(gTold.begin(), gTold.end(), [](const Told& t) { return t.msg == WM_NOTIFY; });
  ASSERT_NE(notify, gTold.end());
  EXPECT_EQ(notify->notifyCode, (int)UDN_DELTAPOS);
  EXPECT_EQ(notify->delta, -1);
  int pos = 0;
  EXPECT_EQ(LastScroll(WM_VSCROLL, &pos), SB_THUMBPOSITION);
  EXPECT_EQ(pos, 4);

  SetWindowTextW(edit, u"1");  // typed in the field
  Tap((u.left + u.right) / 2, u.top + 3);
  EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 1) << "the top of the range holds";
  Tap((u.left + u.right) / 2, u.bottom - 3);
  EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 2);

  gRefuseDelta = 1;
  Tap((u.left + u.right) / 2, u.bottom - 3);
  EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 2) << "the parent may refuse a step";

  SetWindowTextW(edit, u"");
  BOOL error = FALSE;
  SendMessageW(ud, UDM_GETPOS32, 0, (LPARAM)&error);
  EXPECT_TRUE(error) << "an empty buddy is not a number";
}

TEST_F(BarTest, UpDownArrowKeysInTheBuddyStepAsItsArrowsDo) {
  HWND edit = Make(u"EDIT", WS_BORDER | ES_NUMBER, 10, 10, 60, 20, 10);
  HWND ud = Make(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0, 14, 20, 11);
  SendMessageW(ud, UDM_SETRANGE32, 20, -20);  // lower 20, upper -20: up lowers the value
  SendMessageW(ud, UDM_SETPOS32, 0, 0);
  EXPECT_TRUE(SendMessageW(edit, WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS);
  SetFocus(edit);
  auto key = [](UINT vk) {
    LxInputKey(vk, TRUE);
    LxInputKey(vk, FALSE);
    Pump();
  };
  auto text = [&] {
    WCHAR buf[16] = {};
    GetWindowTextW(edit, buf, 16);
    return std::u16string((const char16_t*)buf);
  };

  gTold.clear();
  key(VK_UP);
  EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), -1);
  EXPECT_EQ(text(), u"-1");
  auto notify = std::find_if(gTold.begin(), gTold.end(), [](const Told& t) { return t.msg == WM_NOTIFY; });
  ASSERT_NE(notify, gTold.end());
  EXPECT_EQ(notify->notifyCode, (int)UDN_DELTAPOS);
  EXPECT_EQ(notify->delta, -1);
  int pos = 0;
  EXPECT_EQ(LastScroll(WM_VSCROLL, &pos), SB_THUMBPOSITION);
  EXPECT_EQ(pos, -1);
  key(VK_DOWN);
  key(VK_DOWN);
  EXPECT_EQ(text(), u"1");

  gRefuseDelta = 1;
  key(VK_DOWN);
  EXPECT_EQ(text(), u"1") << "the parent may refuse a step";
  gRefuseDelta = 0;
  SetWindowTextW(edit, u"-20");  // typed: the end of the range
  gTold.clear();
  key(VK_UP);
  EXPECT_EQ(text(), u"-20");
  EXPECT_EQ(LastScroll(WM_VSCROLL, nullptr), -1) << "no move, no scroll message";

  DestroyWindow(ud);
  key(VK_UP);
  EXPECT_EQ(text(), u"-20") << "without its up-down the field's keys are its own";
  SetWindowTextW(edit, u"7");
  EXPECT_EQ(text(), u"7");
}

TEST_F(BarTest, ProgressBarSteps) {
  HWND p = Make(PROGRESS_CLASSW, 0, 10, 10, 102, 10, 12);
  SendMessageW(p, PBM_SETRANGE32, 0, 50);
  EXPECT_EQ(SendMessageW(p, PBM_SETPOS, 25, 0), 0);
  EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 25);
  SendMessageW(p, PBM_SETSTEP, 20, 0);
  EXPECT_EQ(SendMessageW(p, PBM_STEPIT, 0, 0), 25);
  EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 45);
  SendMessageW(p, PBM_DELTAPOS, 100, 0);
  EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 50) << "kept inside the range";
  PBRANGE range{};
  SendMessageW(p, PBM_GETRANGE, TRUE, (LPARAM)&range);
  EXPECT_EQ(range.iHigh, 50);
  SendMessageW(p, PBM_SETPOS, 25, 0);
  UpdateWindow(p);
  RECT r;
  GetWindowRect(p, &r);
  int y = (r.top + r.bottom) / 2;
  EXPECT_EQ(Pixel(r.left + 10, y), 0x0A246Au) << "the done part is filled";
  EXPECT_EQ(Pixel(r.right - 10, y), 0xFFFFFFu);
  EXPECT_EQ(Pixel(r.left, y), 0u);
}

// A check box with BS_MULTILINE wraps its text at words: ink on a second line.
TEST_F(BarTest, MultilineCheckBoxWrapsItsText) {
  auto inkRows = [](HWND b) {
    UpdateWindow(b);
    static DWORD screen[240 * 320];
    LxScreenshot(screen);
    RECT r;
    GetWindowRect(b, &r);
    int rows = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      bool ink = false;
      for (int x = r.left + 16; x < r.right && !ink; ++x) ink = (screen[y * 240 + x] & 0xFFFFFF) == 0;
      rows += ink;
    }
    return rows;
  };
  LPCWSTR text = u"Tastenbelegung w\u00e4hrend der Hintergrundwiedergabe";
  HWND one = Make(u"BUTTON", BS_AUTOCHECKBOX, 4, 10, 200, 30, 20, text);
  HWND two = Make(u"BUTTON", BS_AUTOCHECKBOX | BS_MULTILINE, 4, 60, 200, 30, 21, text);
  int single = inkRows(one);
  EXPECT_GT(single, 0);
  EXPECT_GT(inkRows(two), single + 4) << "two lines of text";
}

}  // namespace

namespace {

int FirstCommand(int id, int code) {
  for (size_t i = 0; i < gTold.size(); ++i)
    if (gTold[i].msg == WM_COMMAND && LOWORD(gTold[i].wParam) == id && HIWORD(gTold[i].wParam) == code) return (int)i;
  return -1;
}

// A value typed into a field must be taken before the tapped control acts.
TEST_F(BarTest, TapsTakeTheFocusFromAFieldBeforeTheControlActs) {
  HWND edit = Make(u"EDIT", WS_BORDER, 10, 10, 60, 20, 10);
  HWND ud = Make(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY, 0, 0, 14, 20, 11);
  HWND button = Make(u"BUTTON", BS_PUSHBUTTON, 10, 40, 60, 20, 12, u"Go");
  HWND list = Make(u"LISTBOX", LBS_NOTIFY, 10, 70, 100, 60, 13);
  SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)u"Row");

  SetFocus(edit);
  gTold.clear();
  Tap(40, 26 + 50);
  EXPECT_EQ(GetFocus(), button) << "without WS_TABSTOP too";
  EXPECT_GE(FirstCommand(10, EN_KILLFOCUS), 0);
  EXPECT_LT(FirstCommand(10, EN_KILLFOCUS), FirstCommand(12, BN_CLICKED));

  SetFocus(edit);
  gTold.clear();
  Tap(40, 26 + 75);
  EXPECT_EQ(GetFocus(), list);
  EXPECT_GE(FirstCommand(10, EN_KILLFOCUS), 0);
  EXPECT_LT(FirstCommand(10, EN_KILLFOCUS), FirstCommand(13, LBN_SELCHANGE));

  RECT u;
  GetWindowRect(ud, &u);
  Tap((u.left + u.right) / 2, u.top + 3);
  EXPECT_EQ(GetFocus(), edit) << "the arrows hand the focus to their buddy";
}

TEST_F(BarTest, ABoxOpeningUnderAPressedButtonTakesItsClick) {
  HWND button = Make(u"BUTTON", BS_PUSHBUTTON, 10, 40, 60, 20, 12, u"Go");
  LxInputStylus(WM_LBUTTONDOWN, 40, 26 + 50);
  Pump();
  ASSERT_EQ(GetCapture(), button);
  LxMessageBoxReset(IDOK);
  MessageBoxW(parent_, u"Invalid data", u"Error", MB_OK);
  LxMessageBoxReset(0);
  EXPECT_EQ(GetCapture(), nullptr);
  LxInputStylus(WM_LBUTTONUP, 40, 26 + 50);
  Pump();
  EXPECT_EQ(CountCommand(12, BN_CLICKED), 0) << "the button lets go without a click";

  LxInputStylus(WM_LBUTTONDOWN, 40, 26 + 50);
  Pump();
  ASSERT_EQ(GetCapture(), button);
  LXDLGTEMPLATE t{WS_POPUP, 0, 0, 0, 40, 20, nullptr, 0, nullptr, 0, nullptr};
  DialogBoxIndirectParamW(nullptr, &t, parent_,
                          [](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
                            if (m == WM_INITDIALOG) EndDialog(d, IDOK);
                            return FALSE;
                          },
                          0);
  EXPECT_EQ(GetCapture(), nullptr);
  LxInputStylus(WM_LBUTTONUP, 40, 26 + 50);
  Pump();
  EXPECT_EQ(CountCommand(12, BN_CLICKED), 0);
}

}  // namespace
