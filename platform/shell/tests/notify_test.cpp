// User notifications as the player registers its wake-up and the setup
// library finds and clears it: a persistent store shared by every program.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "lxnotify.h"
#include "notify.h"
#include "lxkit.h"
#include "windows.h"

namespace {

class Notify : public lxtest::TempHome {};

HANDLE RegisterWakeUp(HANDLE replace, const char16_t* app, const char16_t* args = u"WakeUp",
                      DWORD size = sizeof(CE_NOTIFICATION_TRIGGER)) {
  std::u16string a = app, g = args;
  CE_NOTIFICATION_TRIGGER t{};
  t.dwSize = size;
  t.dwType = CNT_EVENT;
  t.dwEvent = NOTIFICATION_EVENT_WAKEUP;
  t.lpszApplication = a.data();
  t.lpszArguments = g.data();
  return CeSetUserNotificationEx(replace, &t, nullptr);
}

std::vector<HANDLE> AllHandles() {
  DWORD needed = 99;
  EXPECT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &needed));
  std::vector<HANDLE> h(needed);
  if (needed) {
    EXPECT_TRUE(CeGetUserNotificationHandles(h.data(), needed, &needed));
  }
  EXPECT_EQ(needed, h.size());
  return h;
}

// Fetches a notification's information the way the setup library does:
// first the size, then the data.
std::vector<BYTE> Info(HANDLE h) {
  DWORD needed = 0;
  if (CeGetUserNotification(h, 0, &needed, nullptr) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
  std::vector<BYTE> buf(needed);
  if (!CeGetUserNotification(h, needed, &needed, buf.data())) return {};
  return buf;
}

TEST_F(Notify, WakeUpRegistrationRoundTrips) {
  EXPECT_TRUE(AllHandles().empty());
  HANDLE h = RegisterWakeUp(nullptr, u"\\Program Files\\Lumtrax\\lumtrax.exe", u"WakeUp",
                            CE_NOTIFICATION_TRIGGER_DEVICE_SIZE);
  ASSERT_NE(h, nullptr);
  EXPECT_LE(reinterpret_cast<uintptr_t>(h), 0xFFFFFFFFu);  // kept in a 32-bit registry value
  std::vector<HANDLE> all = AllHandles();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0], h);

  std::vector<BYTE> buf = Info(h);
  ASSERT_FALSE(buf.empty());
  auto* info = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buf.data());
  EXPECT_EQ(info->hNotification, h);
  ASSERT_NE(info->pcent, nullptr);
  EXPECT_EQ(info->pceun, nullptr);
  EXPECT_EQ(info->pcent->dwType, DWORD(CNT_EVENT));
  EXPECT_EQ(info->pcent->dwEvent, DWORD(NOTIFICATION_EVENT_WAKEUP));
  EXPECT_EQ(std::u16string(info->pcent->lpszApplication), u"\\Program Files\\Lumtrax\\lumtrax.exe");
  EXPECT_EQ(std::u16string(info->pcent->lpszArguments), u"WakeUp");
  // Everything the header points at lies inside the buffer.
  BYTE* end = buf.data() + buf.size();
  EXPECT_LT(reinterpret_cast<BYTE*>(info->pcent->lpszArguments), end);
  EXPECT_GT(reinterpret_cast<BYTE*>(info->pcent->lpszApplication), buf.data());

  // The next start replaces rather than duplicates.
  EXPECT_EQ(RegisterWakeUp(h, u"\\Windows\\other.exe", u"x"), h);
  ASSERT_EQ(AllHandles().size(), 1u);
  buf = Info(h);
  info = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buf.data());
  EXPECT_EQ(std::u16string(info->pcent->lpszApplication), u"\\Windows\\other.exe");

  EXPECT_TRUE(CeClearUserNotification(h));
  EXPECT_TRUE(AllHandles().empty());
  EXPECT_FALSE(CeClearUserNotification(h));
  EXPECT_FALSE(CeClearUserNotification(nullptr));
  DWORD needed = 0;
  EXPECT_FALSE(CeGetUserNotification(h, 0, &needed, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

  // A stale handle (cleared meanwhile) still registers; handles are not reused.
  HANDLE again = RegisterWakeUp(h, u"\\lumtrax.exe");
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again, h);
}

TEST_F(Notify, UserPartAndBadTriggers) {
  std::u16string app = u"\\Windows\\clock.exe", title = u"Wecker", text = u"Zeit\nzum Aufstehen";
  CE_NOTIFICATION_TRIGGER t{};
  t.dwSize = sizeof t;
  t.dwType = CNT_TIME;
  t.lpszApplication = app.data();
  t.stStartTime = SYSTEMTIME{2026, 12, 1, 8, 6, 30, 0, 0};
  CE_USER_NOTIFICATION u{};
  u.ActionFlags = PUN_DIALOG | PUN_SOUND;
  u.pwszDialogTitle = title.data();
  u.pwszDialogText = text.data();
  HANDLE h = CeSetUserNotificationEx(nullptr, &t, &u);
  ASSERT_NE(h, nullptr);
  std::vector<BYTE> buf = Info(h);
  auto* info = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buf.data());
  ASSERT_NE(info->pceun, nullptr);
  EXPECT_EQ(info->pceun->ActionFlags, DWORD(PUN_DIALOG | PUN_SOUND));
  EXPECT_EQ(std::u16string(info->pceun->pwszDialogText), text);
  EXPECT_EQ(std::u16string(info->pceun->pwszSound), u"");
  EXPECT_EQ(info->pcent->stStartTime.wHour, 6);
  EXPECT_EQ(info->pcent->stStartTime.wMinute, 30);
  // A buffer one byte short is refused and told the size.
  DWORD needed = 0;
  std::vector<BYTE> small(buf.size() - 1);
  EXPECT_FALSE(CeGetUserNotification(h, DWORD(small.size()), &needed, small.data()));
  EXPECT_EQ(needed, buf.size());

  t.dwSize = 12;
  EXPECT_EQ(CeSetUserNotificationEx(nullptr, &t, &u), nullptr);
  t.dwSize = sizeof t;
  t.dwType = CNT_EVENT;
  t.lpszApplication = nullptr;  // an event must start something
  EXPECT_EQ(CeSetUserNotificationEx(nullptr, &t, nullptr), nullptr);
  EXPECT_EQ(CeSetUserNotificationEx(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(AllHandles().size(), 1u);
}

TEST_F(Notify, RegistrationSurvivesTheProgram) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE h = RegisterWakeUp(nullptr, u"\\Program Files\\Lumtrax\\LUMTRAX.EXE");
    _exit(int(reinterpret_cast<uintptr_t>(h)));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  HANDLE h = reinterpret_cast<HANDLE>(uintptr_t(WEXITSTATUS(status)));
  ASSERT_NE(h, nullptr);
  std::vector<HANDLE> all = AllHandles();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0], h);
  std::vector<BYTE> buf = Info(h);
  ASSERT_FALSE(buf.empty());
  auto* info = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buf.data());
  EXPECT_EQ(std::u16string(info->pcent->lpszArguments), u"WakeUp");
}

TEST_F(Notify, DamagedStoreKeepsWhatCanBeRead) {
  std::ofstream(home + "/Notifications.txt")
      << "Next=banana\n[7]\nType=1\nEvent=11\nApplication=\\a%0Ab.exe\nArguments=WakeUp\n"
      << "[x]\nType=1\n[0]\nType=1\n\xff\xfe garbage\n[7]\nType=2\n[9\n=\n";
  std::vector<HANDLE> all = AllHandles();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0], reinterpret_cast<HANDLE>(7));
  std::vector<BYTE> buf = Info(all[0]);
  auto* info = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buf.data());
  EXPECT_EQ(std::u16string(info->pcent->lpszApplication), u"\\a\nb.exe");
  EXPECT_EQ(info->pcent->dwType, DWORD(CNT_EVENT));
  // New handles never collide with ones already stored.
  HANDLE h = RegisterWakeUp(nullptr, u"\\c.exe");
  EXPECT_GT(reinterpret_cast<uintptr_t>(h), 7u);
  EXPECT_EQ(AllHandles().size(), 2u);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string HelperPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  std::string path(self, size_t(n));
  return path.substr(0, path.rfind('/')) + "/lx_wake_helper";
}

TEST_F(Notify, WakingStartsTheRegisteredPrograms) {
  std::u16string helper = LxDevicePath(HelperPath());
  ASSERT_NE(RegisterWakeUp(nullptr, helper.c_str(), u"WakeUp"), nullptr);
  ASSERT_NE(RegisterWakeUp(nullptr, helper.c_str(), u"second \"two words\""), nullptr);
  // Registered for another event: not started by waking.
  std::u16string g = helper;
  CE_NOTIFICATION_TRIGGER t{};
  t.dwSize = sizeof t;
  t.dwType = CNT_EVENT;
  t.dwEvent = NOTIFICATION_EVENT_ON_AC_POWER;
  t.lpszApplication = g.data();
  ASSERT_NE(CeSetUserNotificationEx(nullptr, &t, nullptr), nullptr);

  EXPECT_EQ(LxDeviceWake(), 2);
  std::string woke;
  for (int i = 0; i < 1000; ++i) {
    woke = ReadText(home + "/woke.txt");
    if (std::count(woke.begin(), woke.end(), '\n') >= 2) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(woke.find("WakeUp\n"), std::string::npos) << woke;
  EXPECT_NE(woke.find("second|two words\n"), std::string::npos) << woke;
  // A program that is gone is reported, not fatal.
  ASSERT_NE(RegisterWakeUp(nullptr, u"\\nonexistent\\nosuchprogram.exe"), nullptr);
  EXPECT_EQ(LxDeviceWake(), 2);
  EXPECT_EQ(LxNotifyEvent(NOTIFICATION_EVENT_ON_AC_POWER), 1);
}

}  // namespace
