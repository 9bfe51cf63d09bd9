// The desktop wizard as a user drives it: lumtrax-setup runs headless on a
// device of the test's own, lumtrax-device taps what the window list shows,
// and a recorder stands in for the Application Manager under App Paths.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lxdevice.h"
#include "lxstring.h"
#include "windows.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Shown {
  std::string cls, title;
  RECT rect;
  bool visible;
};

const char* const kCabinets[10] = {
    "Lumtrax.GER_CE30_ARM_BW4.CAB",      "Lumtrax.GER_CE30_ARM_C12.CAB",      "Lumtrax.GER_CE30_ARM_C16.CAB",
    "Lumtrax.GER_CE30_MIPS131_C16.CAB",  "Lumtrax.GER_CE30_MIPS150_C16.CAB",  "Lumtrax.GER_CE30_MIPS200_C16.CAB",
    "Lumtrax.GER_CE30_SH3_C12.CAB",      "Lumtrax.GER_CE2002_ARM_BW4.CAB",    "Lumtrax.GER_CE2002_ARM_C12.CAB",
    "Lumtrax.GER_CE2002_ARM_C16.CAB"};
const char* const kFolders[10] = {"CE30/ARM_BW4",      "CE30/ARM_C12",     "CE30/ARM_C16", "CE30/MIPS131_C16",
                                  "CE30/MIPS150_C16",  "CE30/MIPS200_C16", "CE30/SH3_C12", "CE2002/ARM_BW4",
                                  "CE2002/ARM_C12",    "CE2002/ARM_C16"};

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every test: a device of its own, the wizard copied beside fake packages
// (it looks for them beside itself), and a recorder registered as the
// Application Manager that logs its argument and the temporary folder.
class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lxwizard-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    home = dir + "/home";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("LUMTRAX_HOME", home.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    bin = getenv("LUMTRAX_BIN") ? getenv("LUMTRAX_BIN") : ".";
    setenv("LD_LIBRARY_PATH", bin.c_str(), 1);
    fs::copy_file(bin + "/lumtrax-setup", dir + "/lumtrax-setup");
    for (int i = 0; i < 10; ++i) {
      fs::create_directories(dir + "/" + kFolders[i]);
      std::ofstream(dir + "/" + kFolders[i] + "/Setup.INI") << "package " << i << "\n";
      std::ofstream(dir + "/" + kFolders[i] + "/" + kCabinets[i]) << "cabinet " << i << "\n";
    }
    recorder = dir + "/recorder";
    std::ofstream(recorder) << "#!/bin/sh\n"
                               "{ echo \"$# $1\"; ls \"$LUMTRAX_HOME/Windows/Temp\"; "
                               "cat \"$LUMTRAX_HOME/Windows/Temp/Setup.INI\"; } > \"$LUMTRAX_HOME/recorder.log\"\n";
    chmod(recorder.c_str(), 0755);
    RegisterAppManager(LxDevicePath(recorder));
  }
  void TearDown() override {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(dir);
  }

  static void RegisterAppManager(const std::u16string& value, DWORD bytes = 0) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              u"software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE", 0, nullptr, 0,
                              0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (!bytes) bytes = (DWORD)(value.size() + 1) * 2;
    RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)value.c_str(), bytes);
    RegCloseKey(key);
  }

  void Start() {
    std::string program = dir + "/lumtrax-setup";
    char* argv[] = {program.data(), (char*)"--headless", nullptr};
    // The platform echoes message boxes on standard error.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, (dir + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Find("Lumtrax v1.52 Setup - German Edition") && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Find("Lumtrax v1.52 Setup - German Edition")) << "no welcome dialog";
  }
  // The wizard's exit code, or -1 when it did not end in time.
  int Exit() {
    for (int i = 0; i < 2000; ++i) {
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  std::vector<Shown> Windows() {
    std::vector<Shown> out;
    std::string reply;
    if (!LxDeviceCall(pid, "windows", reply)) return out;
    std::istringstream in(reply);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      std::istringstream w(line);
      std::string hwnd, parent, cls, title;
      Shown s{};
      int visible = 0;
      w >> hwnd >> parent >> cls >> title >> s.rect.left >> s.rect.top >> s.rect.right >> s.rect.bottom >> visible;
      std::u16string c, t;
      LxDecodeWord(cls, &c);
      LxDecodeWord(title, &t);
      s.cls = LxToUtf8(c);
      s.title = LxToUtf8(t);
      s.visible = visible;
      out.push_back(s);
    }
    return out;
  }
  const Shown* Find(const std::string& title, const std::string& cls = "") {
    static Shown found;
    for (const Shown& s : Windows())
      if (s.visible && s.title == title && (cls.empty() || s.cls == cls)) return &(found = s);
    return nullptr;
  }
  // The visible list boxes, left to right.
  std::vector<Shown> Lists() {
    std::vector<Shown> lists;
    for (const Shown& s : Windows())
      if (s.visible && s.cls == "LISTBOX") lists.push_back(s);
    std::sort(lists.begin(), lists.end(), [](auto& a, auto& b) { return a.rect.left < b.rect.left; });
    return lists;
  }
  void Device(const std::string& args) {
    std::string command = bin + "/lumtrax-device --pid " + std::to_string(pid) + " " + args + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << args;
  }
  void TapAt(int x, int y) { Device("tap " + std::to_string(x) + " " + std::to_string(y)); }
  void Tap(const std::string& title) {
    const Shown* s = Find(title);
    ASSERT_NE(s, nullptr) << "\"" << title << "\" not shown";
    TapAt((s->rect.left + s->rect.right) / 2, (s->rect.top + s->rect.bottom) / 2);
  }
  // A row of the n-th visible list, at the height the list reports.
  void TapRow(int list, int row) {
    auto lists = Lists();
    ASSERT_GT((int)lists.size(), list);
    const RECT& r = lists[list].rect;
    int itemHeight = RowHeight(lists[list]);
    TapAt(r.left + 10, r.top + 2 + row * itemHeight + itemHeight / 2);
  }
  int RowHeight(const Shown& list) {
    // Ask the list itself: LB_GETITEMHEIGHT through the device socket.
    std::string reply;
    for (const std::string& line : Lines()) {
      std::istringstream w(line);
      std::string hwnd, parent, cls, title;
      long l, t, r, b;
      w >> hwnd >> parent >> cls >> title >> l >> t >> r >> b;
      if (l == list.rect.left && t == list.rect.top && cls.find("LISTBOX") != std::string::npos &&
          LxDeviceCall(pid, "send " + hwnd + " 417 0 0", reply))
        return atoi(reply.c_str() + 3);
    }
    return 16;
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    std::string reply, line;
    LxDeviceCall(pid, "windows", reply);
    std::istringstream in(reply);
    std::getline(in, line);
    while (std::getline(in, line)) out.push_back(line);
    return out;
  }
  bool WizardOpen() { return Find("Lumtrax Setup Wizard") != nullptr; }
  void ToWizard() {
    Tap("&Ok");
    Tap("&Ja");
    ASSERT_TRUE(WizardOpen());
  }
  std::string Temp() { return home + "/Windows/Temp"; }
  bool TempClean() { return !fs::exists(Temp()) || fs::is_empty(Temp()); }
  std::string Log() { return Read(home + "/recorder.log"); }
  std::string Expected(int package) {
    return "1 \\Windows\\Temp\\Setup.INI\n" + std::string(kCabinets[package]) + "\nSetup.INI\npackage " +
           std::to_string(package) + "\n";
  }

  std::string dir, home, bin, recorder;
  pid_t pid = 0;
};

// Casio E-200 through the device page, with the frame's rules on the way.
TEST_F(Wizard, DeviceModelInstallsItsPackage) {
  Start();
  ToWizard();
  std::string reply;
  ASSERT_TRUE(LxDeviceCall(pid, "screenshot", reply));
  EXPECT_EQ(reply.substr(0, reply.find('\n')), "ok 800 600");
  const Shown* frame = Find("Lumtrax Setup Wizard");
  ASSERT_NE(frame, nullptr);
  size_t pixels = reply.find('\n') + 1;
  auto at = [&](int x, int y) {
    uint32_t p;
    memcpy(&p, reply.data() + pixels + ((size_t)y * 800 + x) * 4, 4);
    return p;
  };
  EXPECT_EQ(at(frame->rect.left + 200, frame->rect.top - 3), 0x0A246Au) << "caption strip above the frame";
  Device("key enter");
  EXPECT_TRUE(WizardOpen()) << "Enter in the frame ends nothing";
  EXPECT_TRUE(Find("Für einen bestimmten PDA-Typ installieren.")) << "nor moves on";
  Tap("&Weiter >");
  ASSERT_TRUE(Find("Firma"));
  Tap("&Fertig");
  EXPECT_TRUE(WizardOpen()) << "\"&Fertig\" is off until a maker is chosen";
  TapRow(0, 4);  // Casio
  TapRow(1, 5);  // E-200
  Tap("< &Zurück");
  ASSERT_TRUE(Find("&Weiter >"));
  EXPECT_FALSE(Find("&Fertig"));
  Tap("&Weiter >");
  Tap("&Fertig");  // on at once, with E-200 kept
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(Log(), Expected(9));
  EXPECT_TRUE(TempClean()) << "the copies are gone";
}

TEST_F(Wizard, OtherModelAndHardwareChoices) {
  struct Run {
    bool hardware;
    bool os2002;
    int rows[3];
    int package;
  };
  const Run runs[] = {
      {false, false, {1, 0}, 6},     // HP Jornada 548
      {true, true, {1, -1, -1}, 9},  // PocketPC 2002, XScale
      {true, false, {0, -1, -1}, 0}, // PocketPC, ARM, first rows
  };
  std::u16string quoted = u"\"";
  quoted += LxDevicePath(recorder);
  quoted += u"\"";
  RegisterAppManager(quoted);  // one pair of quotes is taken off
  for (const Run& run : runs) {
    SCOPED_TRACE(run.package);
    fs::remove_all(home + "/recorder.log");
    Start();
    ToWizard();
    if (run.hardware) Tap("Für eine bestimmte Hardware-Spezifikation installieren.");
    Tap("&Weiter >");
    if (!run.hardware) {
      TapRow(0, run.rows[0]);
      TapRow(1, run.rows[1]);
    } else {
      TapRow(0, 0);  // a processor of "PocketPC"
      if (run.os2002) {
        Tap("PocketPC 2002");
        Tap("&Fertig");
        EXPECT_TRUE(WizardOpen()) << "an OS change turns \"&Fertig\" off again";
      }
      TapRow(0, run.rows[0]);
    }
    Tap("&Fertig");
    EXPECT_EQ(Exit(), 0);
    EXPECT_EQ(Log(), Expected(run.package));
  }
}

// "&Nein" and "Abbrechen" ask first; going on keeps where the user was;
// ending the setup at any point copies nothing.
TEST_F(Wizard, CancellingAsksAndCopiesNothing) {
  Start();
  Tap("&Ok");
  Tap("&Nein");
  ASSERT_TRUE(Find("Setup Abbrechen"));
  Tap("&Fortsetzen");
  Tap("&Ja");
  Tap("&Weiter >");
  TapRow(0, 4);
  TapRow(1, 5);
  Tap("Abbrechen");
  ASSERT_TRUE(Find("Setup Abbrechen"));
  Tap("&Fortsetzen");
  Tap("&Fertig");  // still the device page, E-200 still chosen
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(Log(), Expected(9));

  fs::remove_all(home + "/recorder.log");
  fs::remove_all(Temp());
  Start();
  Tap("Beenden");
  EXPECT_EQ(Exit(), 0);
  Start();
  ToWizard();
  Tap("Abbrechen");
  Tap("Setup &Abbrechen");
  EXPECT_EQ(Exit(), 0);
  EXPECT_FALSE(fs::exists(home + "/recorder.log"));
  EXPECT_TRUE(TempClean());
}

// Each failure shows the one box, leaves the temporary folder clean and
// never runs the Application Manager.
TEST_F(Wizard, FailuresShowTheBoxAndLeaveNothing) {
  enum { NoKey, MissingCabinet, Unterminated, CannotStart, TempIsAFile };
  for (int failure : {NoKey, MissingCabinet, Unterminated, CannotStart, TempIsAFile}) {
    SCOPED_TRACE(failure);
    fs::remove_all(home);
    fs::create_directories(home + "/Windows");
    if (failure != NoKey) RegisterAppManager(LxDevicePath(recorder));
    fs::copy_file(dir + "/CE2002/ARM_C16/" + kCabinets[9], dir + "/keep.cab", fs::copy_options::overwrite_existing);
    if (failure == MissingCabinet) {
      fs::remove(dir + "/CE2002/ARM_C16/" + kCabinets[9]);
    } else if (failure == Unterminated) {
      std::u16string full(MAX_PATH, u'a');
      full.replace(0, 1, u"\\");
      RegisterAppManager(full, MAX_PATH * 2);
    } else if (failure == CannotStart) {
      std::ofstream(dir + "/not-a-program") << "text\n";
      RegisterAppManager(LxDevicePath(dir + "/not-a-program"));
    } else if (failure == TempIsAFile) {
      std::ofstream(Temp()) << "a file\n";
    }
    Start();
    ToWizard();
    Tap("&Weiter >");
    TapRow(0, 4);
    TapRow(1, 5);
    Tap("&Fertig");
    ASSERT_TRUE(Find("Notify")) << "the failure box";
    EXPECT_NE(Read(dir + "/stderr.txt").find("[Notify] Cannot install Lumtrax"), std::string::npos);
    Tap("OK");
    EXPECT_EQ(Exit(), 0);
    EXPECT_FALSE(fs::exists(home + "/recorder.log"));
    if (failure == TempIsAFile)
      EXPECT_EQ(Read(Temp()), "a file\n");
    else
      EXPECT_TRUE(TempClean());
    fs::copy_file(dir + "/keep.cab", dir + "/CE2002/ARM_C16/" + kCabinets[9], fs::copy_options::overwrite_existing);
  }
}

}  // namespace
