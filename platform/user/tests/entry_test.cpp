// Program entry: platform options taken off, host paths made device paths,
// the shell's button names seeded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "lxprogram.h"
#include "windows.h"
#include "lxkit.h"

namespace {

std::u16string gCommandLine;
int WINAPI FakeWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
  gCommandLine = commandLine;
  return 7;
}

int StartProgram(std::initializer_list<const char*> args) {
  std::vector<char*> argv;
  for (const char* a : args) argv.push_back(const_cast<char*>(a));
  argv.push_back(nullptr);
  return LxProgramMain((int)args.size(), argv.data(), FakeWinMain);
}

}  // namespace

TEST(Entry, PlatformOptionsAreTakenOffAndPathsConverted) {
  lxtest::TempFolder home("lxentry");
  lxtest::UseHome(home.Path());
  EXPECT_EQ(StartProgram({"prog", "--headless", "--scale", "3", "--audio=null", "--refuse-rates", "44100,22050",
                 "/tmp/My Music/a.mp3", "WakeUp"}),
            7);
  EXPECT_EQ(gCommandLine, u"\\tmp\\My Music\\a.mp3 WakeUp");
  const LxProgramOptions* o = LxGetProgramOptions();
  EXPECT_EQ(o->headless, 1);
  EXPECT_EQ(o->scale, 3);
  EXPECT_STREQ(o->audio, "null");
  EXPECT_STREQ(o->refuseRates, "44100,22050");

  EXPECT_EQ(StartProgram({"prog", "--headless", "--", "--scale"}), 7) << "after -- nothing is an option";
  EXPECT_EQ(gCommandLine, u"--scale");
  EXPECT_EQ(StartProgram({"prog", "--headless", "--scale", "9"}), 2);
  EXPECT_EQ(StartProgram({"prog", "--headless", "--audio", "speaker"}), 2);

  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys\\40C1", 0, 0, &key), ERROR_SUCCESS);
  WCHAR name[32];
  DWORD size = sizeof name, type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, (LPBYTE)name, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"F1");
  RegCloseKey(key);
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys\\40C5", 0, 0, &key), ERROR_SUCCESS)
      << "the device has four buttons";
}
