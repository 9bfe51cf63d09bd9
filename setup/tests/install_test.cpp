// The installers end to end on a device of the test's own: the wizard hands
// a real package to the Application Manager stand-in, the setup library asks,
// the installed player runs, and removal takes it all away again. The
// stand-in also refuses damaged cabinets without installing anything.
#include <sys/stat.h>

#include "drive.h"
#include "notify.h"

namespace {

using namespace lxsetup;

const char kCabinet9[] = "CE2002/ARM_C16/Lumtrax.GER_CE2002_ARM_C16.CAB";
const char* const kInstalled[] = {"libcoredll.so",       "libkomp3dec.so",     "libkomp3reader.so", "liblumtraxsetup.so",
                                  "liblxinputbuffer.so", "liblxinputcache.so", "lumtrax"};

class Installers : public TestDevice {
 protected:
  std::string Folder() { return home + "/Program Files/Lumtrax"; }
  std::string Errors() { return dir + "/stderr.txt"; }
  static std::vector<std::u16string> NotifiedPrograms() {
    std::vector<std::u16string> apps;
    HANDLE handles[32];
    DWORD count = 0;
    CeGetUserNotificationHandles(handles, 32, &count);
    for (DWORD i = 0; i < count && i < 32; ++i) {
      BYTE buffer[2048];
      DWORD size = 0;
      auto* info = (CE_NOTIFICATION_INFO_HEADER*)buffer;
      if (CeGetUserNotification(handles[i], sizeof buffer, &size, buffer) && info->pcent)
        apps.push_back(info->pcent->lpszApplication);
    }
    return apps;
  }
  static bool Has(const std::vector<std::u16string>& apps, const std::u16string& app) {
    return std::find(apps.begin(), apps.end(), app) != apps.end();
  }
  bool NothingInstalled() {
    HKEY key;
    bool recorded = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Apps\\Lumtrax", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (recorded) RegCloseKey(key);
    bool staged = false;
    if (fs::exists(home + "/Windows/Temp"))
      for (auto& e : fs::directory_iterator(home + "/Windows/Temp")) staged = staged || e.is_directory();
    return !recorded && !staged && !fs::exists(Folder());
  }
};

TEST_F(Installers, WizardInstallsThePlayerAndRemovalTakesItAway) {
  ASSERT_TRUE(fs::exists(Bin() + "/" + kCabinet9)) << "the packages are not built";
  ASSERT_EQ(std::system((Bin() + "/lumtrax-appmgr --register 2>/dev/null").c_str()), 0);
  CE_NOTIFICATION_TRIGGER other{sizeof other, CNT_TIME, 0, (WCHAR*)u"\\Windows\\other.exe", (WCHAR*)u"", {}, {}};
  GetLocalTime(&other.stStartTime);
  ASSERT_NE(CeSetUserNotificationEx(nullptr, &other, nullptr), nullptr);

  Program wizard, manager;
  wizard.Start({Bin() + "/lumtrax-setup", "--headless"}, Errors());
  ASSERT_TRUE(wizard.WaitFor("Lumtrax v1.52 Setup - German Edition"));
  wizard.Tap("&Ok");
  wizard.Tap("&Ja");
  wizard.Tap("&Weiter >");
  wizard.TapRow(0, 4);  // Casio
  wizard.TapRow(1, 5);  // E-200
  wizard.Tap("&Fertig", false);  // the wizard waits for the stand-in from here
  ASSERT_TRUE(manager.Adopt("lumtrax-appmgr"));
  ASSERT_TRUE(manager.WaitFor("Wollen Sie Lumtrax v1.52 installieren?"));
  auto started = std::chrono::steady_clock::now();
  manager.Tap("Ok");
  EXPECT_EQ(wizard.Exit(), 0);
  auto installed = std::chrono::steady_clock::now();
  printf("install: %lld ms\n",
         (long long)std::chrono::duration_cast<std::chrono::milliseconds>(installed - started).count());
  int files = 0;
  for (auto& e : fs::directory_iterator(Folder())) files += e.is_regular_file();
  EXPECT_EQ(files, 7);
  for (const char* f : kInstalled) EXPECT_TRUE(fs::exists(Folder() + "/" + f)) << f;
  EXPECT_EQ(access((Folder() + "/lumtrax").c_str(), X_OK), 0);
  EXPECT_FALSE(fs::exists(home + "/Windows/Temp/Setup.INI"));
  for (const char* row : {"CE30/ARM_BW4", "CE30/ARM_C12", "CE30/ARM_C16", "CE30/MIPS131_C16", "CE30/MIPS150_C16",
                          "CE30/MIPS200_C16", "CE30/SH3_C12", "CE2002/ARM_BW4", "CE2002/ARM_C12", "CE2002/ARM_C16"})
    EXPECT_EQ(std::system(("cabextract -q -t " + Bin() + "/" + row + "/*.CAB > /dev/null").c_str()), 0) << row;

  Program player;
  player.Start({Folder() + "/lumtrax", "--headless", "--audio", "null"}, Errors());
  ASSERT_TRUE(player.WaitFor("Lumtrax"));
  // The window is listed while its creation still binds the libraries and registers the wake-up.
  auto ready = [&] {
    return Read("/proc/" + std::to_string(player.pid) + "/maps").find(Folder() + "/libkomp3dec.so") !=
               std::string::npos &&
           Has(NotifiedPrograms(), u"\\Program Files\\Lumtrax\\lumtrax");
  };
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!ready() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(ready()) << "the installed decoder mapped, a wake-up notification for the installed player";
  player.Kill();

  Program removal;
  removal.Start({Bin() + "/lumtrax-appmgr", "--uninstall", "Lumtrax"}, Errors());
  ASSERT_TRUE(removal.WaitFor("Wollen Sie Lumtrax v1.52 deinstallieren?"));
  started = std::chrono::steady_clock::now();
  removal.Tap("Ok");
  EXPECT_EQ(removal.Exit(), 0);
  printf("uninstall: %lld ms\n", (long long)std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - started)
                                     .count());
  EXPECT_TRUE(NothingInstalled());
  auto apps = NotifiedPrograms();
  EXPECT_FALSE(Has(apps, u"\\Program Files\\Lumtrax\\lumtrax"));
  EXPECT_TRUE(Has(apps, u"\\Windows\\other.exe"));
  FILE* wake = popen((Bin() + "/lumtrax-device wake").c_str(), "r");
  char line[128] = {};
  if (wake) {
    fgets(line, sizeof line, wake);
    pclose(wake);
  }
  EXPECT_STREQ(line, "0 programs started\n");
}

// A name that leaves the staging folder, a cut cabinet, a missing one: the
// stand-in shows its box and ends with 2, nothing installed.
TEST_F(Installers, StandInRefusesDamagedCabinets) {
  ASSERT_TRUE(fs::exists(Bin() + "/" + kCabinet9)) << "the packages are not built";
  std::string bad = dir + "/bad";
  fs::create_directories(bad);
  std::ofstream(bad + "/..\\x") << "escape\n";
  fs::copy_file(Bin() + "/liblumtraxsetup.so", bad + "/liblumtraxsetup.so");
  std::ofstream(bad + "/package.ini") << "[Package]\nName=Lumtrax\nFolder=\\Program Files\\Lumtrax\n"
                                         "SetupLibrary=LumtraxSetup.dll\n";
  ASSERT_EQ(std::system(("cd " + bad + " && gcab -c -n Escape.CAB '..\\x' package.ini liblumtraxsetup.so").c_str()), 0);
  std::string cut = Read(Bin() + "/" + kCabinet9);
  std::ofstream(bad + "/Cut.CAB", std::ios::binary) << cut.substr(0, cut.size() / 2);
  struct Case {
    const char* cabinet;
    const char* why;
  };
  for (Case c : {Case{"Escape.CAB", "unzulässiger Name"}, Case{"Cut.CAB", "beschädigt"},
                 Case{"Missing.CAB", "fehlt"}}) {
    const char* cabinet = c.cabinet;
    SCOPED_TRACE(cabinet);
    fs::remove(Errors());
    std::ofstream(bad + "/Setup.INI") << "[CEAppManager]\nVersion=1.0\nComponent=Lumtrax\n\n[Lumtrax]\nCabFiles="
                                      << cabinet << "\n";
    Program manager;
    manager.Start({Bin() + "/lumtrax-appmgr", bad + "/Setup.INI"}, Errors());
    ASSERT_TRUE(manager.WaitFor("OK")) << "the stand-in's box";
    manager.Tap("OK");
    EXPECT_EQ(manager.Exit(), 2);
    EXPECT_NE(Read(Errors()).find(c.why), std::string::npos) << Read(Errors());
    EXPECT_TRUE(NothingInstalled());
  }
}

}  // namespace
