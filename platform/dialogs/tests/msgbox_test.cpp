// Message boxes as modal dialogs: buttons of the type, Enter and Escape,
// taps, the owner disabled meanwhile, the call recorded.
#include "dlgtest.h"

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LxMessageBoxReset(0);
    LxMessageBoxShow(1);
  }
  void TearDown() override {
    if (thread_.joinable()) thread_.join();
    LxMessageBoxShow(-1);
    LxMessageBoxReset(0);
  }
  void Show(LPCWSTR text, UINT type) {
    answer_ = 0;
    thread_ = std::thread([=, this] {
      owner_ = MakeOwner();
      answer_ = MessageBoxW(owner_, text, u"Lumtrax", type);
      ownerEnabledAfter_ = IsWindowEnabled(owner_);
      DestroyWindow(owner_);
    });
    ModalRun::Settle();
  }
  int Answer() {
    thread_.join();
    return answer_;
  }
  std::thread thread_;
  std::atomic<HWND> owner_{nullptr};
  std::atomic<int> answer_{0};
  std::atomic<bool> ownerEnabledAfter_{false};
};

TEST_F(MessageBoxTest, OkCancelBoxWithIconAnswersEscapeWithCancel) {
  Show(u"Delete the playlist?", MB_OKCANCEL | MB_ICONQUESTION);
  HWND box = FrontDialog();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(IsWindowEnabled(owner_));
  HWND ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
  ASSERT_TRUE(ok && cancel);
  EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  RECT r;
  GetWindowRect(box, &r);
  EXPECT_EQ(PixelAt(r.left, (r.top + r.bottom) / 2), 0u) << "a one-pixel frame";
  bool icon = false;
  for (int y = r.top; y < r.bottom && !icon; ++y)
    for (int x = r.left; x < r.left + 40 && !icon; ++x) icon = PixelAt(x, y) == 0x0040C0u;
  EXPECT_TRUE(icon) << "the question icon is drawn";
  ModalRun::Key(VK_ESCAPE);
  EXPECT_EQ(Answer(), IDCANCEL);
  EXPECT_TRUE(ownerEnabledAfter_);
  LxMessageBoxCall call{};
  ASSERT_TRUE(LxMessageBoxGet(0, &call));
  EXPECT_EQ(call.answer, IDCANCEL);
  EXPECT_EQ(std::u16string((const char16_t*)call.text), u"Delete the playlist?");
}

TEST_F(MessageBoxTest, EnterPicksTheDefaultAndTapsPickTheirButton) {
  Show(u"Cannot exceed 999 to playlist!", MB_OK | MB_ICONEXCLAMATION);
  ASSERT_NE(FrontDialog(), nullptr);
  ModalRun::Key(VK_RETURN);
  EXPECT_EQ(Answer(), IDOK);

  Show(u"Overwrite?", MB_OKCANCEL | MB_DEFBUTTON2);
  HWND box = FrontDialog();
  ASSERT_NE(box, nullptr);
  ModalRun::Key(VK_RETURN);
  EXPECT_EQ(Answer(), IDCANCEL) << "the second button is the default";

  Show(u"Overwrite?", MB_OKCANCEL);
  box = FrontDialog();
  ASSERT_NE(box, nullptr);
  RECT ok;
  GetWindowRect(GetDlgItem(box, IDOK), &ok);
  ModalRun::Tap((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
  EXPECT_EQ(Answer(), IDOK);

  Show(u"Just so you know", MB_OK);
  ASSERT_NE(FrontDialog(), nullptr);
  ModalRun::Key(VK_ESCAPE);
  EXPECT_EQ(Answer(), IDOK) << "an OK box has no other answer";
  EXPECT_EQ(LxMessageBoxCount(), 4);
}

TEST_F(MessageBoxTest, BoxWithoutOwnerAndPresetAnswer) {
  std::thread t([] { EXPECT_EQ(MessageBoxW(nullptr, u"Alone", u"Lumtrax", MB_OKCANCEL), IDOK); });
  ModalRun::Settle();
  ASSERT_NE(FrontDialog(), nullptr) << "a box without an owner still shows";
  ModalRun::Key(VK_RETURN);
  t.join();
  LxMessageBoxReset(IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"Preset", u"Lumtrax", MB_OKCANCEL), IDCANCEL) << "a test's answer needs no dialog";
}

}  // namespace
