// The setup library as the device's installer drives it: the question
// dialog answered through messages, and the notifications removal clears.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "ce_setup.h"
#include "lxstring.h"
#include "lxuser.h"
#include "notify.h"
#include "windows.h"
#include "lxkit.h"

namespace {

struct Seen {
  std::u16string question;
  bool focusOnOk = false;
  int width = 0, height = 0;
};

class SetupLibrary : public lxtest::TempHome {
 protected:
  void SetUp() override {
    lxtest::TempHome::SetUp();
    library = LoadLibraryW(u"LumtraxSetup.dll");
    ASSERT_NE(library, nullptr) << "liblumtraxsetup.so not in the output folder";
    installInit = (pfnINSTALL_INIT)GetProcAddress(library, szINSTALL_INIT);
    installExit = (pfnINSTALL_EXIT)GetProcAddress(library, szINSTALL_EXIT);
    uninstallInit = (pfnUNINSTALL_INIT)GetProcAddress(library, szUNINSTALL_INIT);
    uninstallExit = (pfnUNINSTALL_EXIT)GetProcAddress(library, szUNINSTALL_EXIT);
    ASSERT_TRUE(installInit && installExit && uninstallInit && uninstallExit);
  }
  void TearDown() override {
    if (library) FreeLibrary(library);
  }

  // Runs an export on a thread of its own, answers its dialog with the
  // button and returns the export's result.
  int Answer(std::function<int()> call, int button, Seen* seen = nullptr) {
    int result = -1;
    std::thread t([&] { result = call(); });
    HWND dialog = nullptr;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(dialog = FindWindowW(u"Dialog", nullptr)) && std::chrono::steady_clock::now() < deadline)
      LxWaitIdle(50);
    EXPECT_NE(dialog, nullptr) << "no question dialog";
    if (dialog) {
      LxWaitIdle(2000);
      if (seen) {
        WCHAR text[128] = {};
        GetDlgItemTextW(dialog, 1043, text, 128);
        seen->question = (const char16_t*)text;
        seen->focusOnOk = GetFocus() == GetDlgItem(dialog, IDOK);
        RECT r{};
        GetWindowRect(dialog, &r);
        seen->width = r.right - r.left, seen->height = r.bottom - r.top;
      }
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dialog, button));
    }
    t.join();
    return result;
  }

  static HANDLE Notify(const char16_t* app, DWORD type = CNT_EVENT) {
    CE_NOTIFICATION_TRIGGER trigger{};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = type;
    trigger.dwEvent = NOTIFICATION_EVENT_WAKEUP;
    trigger.lpszApplication = (WCHAR*)app;
    trigger.lpszArguments = (WCHAR*)u"WakeUp";
    if (type == CNT_TIME) GetLocalTime(&trigger.stStartTime);
    return CeSetUserNotificationEx(nullptr, &trigger, nullptr);
  }

  static std::set<std::u16string> Applications() {
    std::set<std::u16string> apps;
    HANDLE handles[64];
    DWORD count = 0;
    CeGetUserNotificationHandles(handles, 64, &count);
    for (DWORD i = 0; i < count && i < 64; ++i) {
      BYTE buffer[4096];
      DWORD size = 0;
      if (CeGetUserNotification(handles[i], sizeof buffer, &size, buffer)) {
        auto* info = (CE_NOTIFICATION_INFO_HEADER*)buffer;
        if (info->pcent && info->pcent->lpszApplication) apps.insert((const char16_t*)info->pcent->lpszApplication);
      }
    }
    return apps;
  }

  HMODULE library = nullptr;
  pfnINSTALL_INIT installInit = nullptr;
  pfnINSTALL_EXIT installExit = nullptr;
  pfnUNINSTALL_INIT uninstallInit = nullptr;
  pfnUNINSTALL_EXIT uninstallExit = nullptr;
};

TEST_F(SetupLibrary, InstallQuestionOkContinuesAbbrechenCancels) {
  Seen seen;
  EXPECT_EQ(Answer([&] { return (int)installInit(nullptr, TRUE, FALSE, u"\\Program Files\\Lumtrax"); }, IDOK, &seen),
            codeINSTALL_INIT_CONTINUE);
  EXPECT_EQ(seen.question, u"Wollen Sie Lumtrax v1.52 installieren?");
  EXPECT_TRUE(seen.focusOnOk);
  EXPECT_EQ(seen.width, 171);
  EXPECT_EQ(seen.height, 235);
  EXPECT_EQ(Answer([&] { return (int)installInit(nullptr, TRUE, FALSE, u"\\Program Files\\Lumtrax"); }, IDCANCEL),
            codeINSTALL_INIT_CANCEL);
  EXPECT_EQ(installExit(nullptr, u"\\Program Files\\Lumtrax", 0, 0, 0, 0, 0), codeINSTALL_EXIT_DONE);
  EXPECT_EQ(uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
}

const std::set<std::u16string> kOthers = {u"\\Windows\\other.exe", u"\\x\\lumtraxplus"};
const char16_t* const kPlayers[] = {u"\\Program Files\\Lumtrax\\lumtrax", u"\\Storage Card\\LUMTRAX.EXE",
                                    u"\\x\\Lumtrax.exe"};

TEST_F(SetupLibrary, RemovalCancelledKeepsNotifications) {
  for (auto* p : kPlayers) ASSERT_NE(Notify(p), nullptr);
  for (auto& o : kOthers) ASSERT_NE(Notify(o.c_str()), nullptr);
  Seen seen;
  EXPECT_EQ(Answer([&] { return (int)uninstallInit(nullptr, u"\\Program Files\\Lumtrax"); }, IDCANCEL, &seen),
            codeUNINSTALL_INIT_CANCEL);
  EXPECT_EQ(seen.question, u"Wollen Sie Lumtrax v1.52 deinstallieren?");
  EXPECT_EQ(Applications().size(), 5u);
}

// The stored handle is cleared whatever program it starts; the scan clears
// the player's in any folder, whatever became of the stored value.
TEST_F(SetupLibrary, RemovalClearsThePlayersNotificationsOnly) {
  enum { StoredHandle, StoredZero, StoredText, NoValue };
  for (int variant : {StoredHandle, StoredZero, StoredText, NoValue}) {
    SCOPED_TRACE(variant);
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    for (auto* p : kPlayers) ASSERT_NE(Notify(p), nullptr);
    for (auto& o : kOthers) ASSERT_NE(Notify(o.c_str(), CNT_TIME), nullptr);
    HANDLE stored = Notify(u"\\Windows\\renamed.exe");
    if (variant != NoValue) {
      HKEY key;
      ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\Oakhaven\\Lumtrax", 0, nullptr, 0, 0, nullptr, &key,
                                nullptr),
                ERROR_SUCCESS);
      DWORD value = variant == StoredHandle ? (DWORD)(UINT_PTR)stored : 0;
      if (variant == StoredText)
        RegSetValueExW(key, u"WakeUp", 0, REG_SZ, (const BYTE*)u"12", 6);
      else
        RegSetValueExW(key, u"WakeUp", 0, REG_DWORD, (const BYTE*)&value, sizeof value);
      RegCloseKey(key);
    }
    EXPECT_EQ(Answer([&] { return (int)uninstallInit(nullptr, u"\\Program Files\\Lumtrax"); }, IDOK),
              codeUNINSTALL_INIT_CONTINUE);
    std::set<std::u16string> expected = kOthers;
    if (variant != StoredHandle) expected.insert(u"\\Windows\\renamed.exe");
    EXPECT_EQ(Applications(), expected);
  }
}

// What the library shows the loader: the contract's four exports and
// DllMain, and of the system's libraries only the platform.
TEST(SetupLibraryFile, ExportsTheContractAndNeedsOnlyThePlatform) {
  WCHAR path[MAX_PATH];
  HMODULE library = LoadLibraryW(u"LumtraxSetup.dll");
  ASSERT_NE(library, nullptr);
  ASSERT_GT(GetModuleFileNameW(library, path, MAX_PATH), 0u);
  FreeLibrary(library);
  std::string file = LxHostPath(path);
  auto run = [](const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char line[512];
    while (p && fgets(line, sizeof line, p)) out += line;
    if (p) pclose(p);
    return out;
  };
  EXPECT_EQ(run("nm -D --defined-only '" + file + "' | awk '$2 == \"T\" {print $3}' | sort"),
            "DllMain\nInstall_Exit\nInstall_Init\nUninstall_Exit\nUninstall_Init\n");
  std::string needed = run("readelf -d '" + file + "' | grep NEEDED");
  EXPECT_NE(needed.find("[libcoredll.so]"), std::string::npos) << needed;
  for (const char* ours : {"komp3", "lxinput", "player"}) EXPECT_EQ(needed.find(ours), std::string::npos) << needed;
}

}  // namespace
