// The save dialog on a UI thread of its own, driven by keys: full screen,
// the initial name offered, files of the type listed, the path answered.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "commdlg.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "windows.h"
#include "lxkit.h"

namespace {

void Settle() { lxtest::Settle(); }

void Key(UINT vk) { lxtest::KeyAndSettle(vk); }

void Type(const char16_t* s) {
  for (; *s; ++s) LxInputChar(*s);
  Settle();
}

struct SaveRun {
  WCHAR file[260] = u"Default";
  DWORD size = 260;
  DWORD flags = 0;
  std::atomic<int> result{-1};
  DWORD error = 0;
  OPENFILENAMEW ofn{};
  std::thread t;
  void Start() {
    HWND before = GetForegroundWindow();
    t = std::thread([this] {
      ofn.lStructSize = sizeof ofn;
      ofn.lpstrFilter = u"Playlist Files(*.PLT)\0*.PLT\0";
      ofn.lpstrFile = file;
      ofn.nMaxFile = size;
      ofn.Flags = flags;
      result = GetSaveFileNameW(&ofn);
      error = CommDlgExtendedError();
    });
    // Keys sent before the dialog has put the focus into its name field
    // would go nowhere: on a loaded machine that can take longer than one
    // settling pause.
    auto up = [before] {
      HWND dlg = GetForegroundWindow();
      return dlg && dlg != before && GetFocus() && IsChild(dlg, GetFocus());
    };
    for (int i = 0; i < 500 && !up(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Settle();
  }
  void Join() { t.join(); }
};

class SaveDialogTest : public lxtest::TempHome {
 protected:
  // A data folder of its own: the tests run side by side and each makes and
  // removes the same file.
  void SetUp() override {
    lxtest::TempHome::SetUp();
    HANDLE f = CreateFileW(u"\\My Documents\\Old.PLT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    LxMessageBoxReset(0);
  }
};

TEST_F(SaveDialogTest, TypedNameBecomesAFullPathWithTheTypesExtension) {
  SaveRun run;
  run.Start();
  HWND dlg = GetForegroundWindow();
  ASSERT_NE(dlg, nullptr);
  RECT r;
  GetWindowRect(dlg, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 294) << "full screen between the task bar and the menu bar";
  WCHAR name[64];
  GetWindowTextW(GetFocus(), name, 64);
  EXPECT_EQ(std::u16string((const char16_t*)name), u"Default") << "the initial name has the focus";
  HWND list = nullptr;
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    WCHAR cls[16];
    GetClassNameW(c, cls, 16);
    if (std::u16string((const char16_t*)cls) == u"LISTBOX") list = c;
  }
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1) << "the folder's playlist files are listed";
  Type(u"Mix");
  Key(VK_RETURN);
  run.Join();
  EXPECT_EQ(run.result, TRUE);
  EXPECT_EQ(std::u16string((const char16_t*)run.file), u"\\My Documents\\Mix.PLT");
  EXPECT_EQ(run.ofn.nFileOffset, 14);
  EXPECT_EQ(run.ofn.nFileExtension, 18);
}

TEST_F(SaveDialogTest, EscapeCancelsAndAnExistingFileAsksFirst) {
  SaveRun run;
  run.flags = OFN_OVERWRITEPROMPT;
  run.Start();
  Type(u"Old");
  Key(VK_RETURN);  // the box's default answer is No: the dialog stays
  EXPECT_EQ(LxMessageBoxCount(), 1);
  LxMessageBoxCall call{};
  LxMessageBoxGet(0, &call);
  EXPECT_EQ(call.answer, IDNO);
  EXPECT_EQ(run.result, -1) << "still open";
  Key(VK_ESCAPE);
  run.Join();
  EXPECT_EQ(run.result, FALSE);
  EXPECT_EQ(run.error, 0u) << "a cancel is no error";
}

TEST_F(SaveDialogTest, TooSmallABufferIsReported) {
  SaveRun run;
  run.size = 8;
  run.Start();
  Key(VK_RETURN);
  run.Join();
  EXPECT_EQ(run.result, FALSE);
  EXPECT_EQ(run.error, (DWORD)FNERR_BUFFERTOOSMALL);
  OPENFILENAMEW bad{};
  EXPECT_FALSE(GetSaveFileNameW(&bad));
  EXPECT_EQ(CommDlgExtendedError(), (DWORD)CDERR_STRUCTSIZE);
}

}  // namespace
