// The desktop wizard as a user drives it: lumtrax-setup runs headless on a
// device of the test's own, lumtrax-device taps what the window list shows,
// and a recorder stands in for the Application Manager under App Paths.
#include <sys/stat.h>

#include "drive.h"

namespace {

using namespace lxsetup;

const char* const kCabinets[10] = {
    "Lumtrax.GER_CE30_ARM_BW4.CAB",      "Lumtrax.GER_CE30_ARM_C12.CAB",      "Lumtrax.GER_CE30_ARM_C16.CAB",
    "Lumtrax.GER_CE30_MIPS131_C16.CAB",  "Lumtrax.GER_CE30_MIPS150_C16.CAB",  "Lumtrax.GER_CE30_MIPS200_C16.CAB",
    "Lumtrax.GER_CE30_SH3_C12.CAB",      "Lumtrax.GER_CE2002_ARM_BW4.CAB",    "Lumtrax.GER_CE2002_ARM_C12.CAB",
    "Lumtrax.GER_CE2002_ARM_C16.CAB"};
const char* const kFolders[10] = {"CE30/ARM_BW4",      "CE30/ARM_C12",     "CE30/ARM_C16", "CE30/MIPS131_C16",
                                  "CE30/MIPS150_C16",  "CE30/MIPS200_C16", "CE30/SH3_C12", "CE2002/ARM_BW4",
                                  "CE2002/ARM_C12",    "CE2002/ARM_C16"};


// Every test: a device of its own, the wizard copied beside fake packages
// (it looks for them beside itself), and a recorder registered as the
// Application Manager that logs its argument and the temporary folder.
class Wizard : public TestDevice {
 protected:
  void SetUp() override {
    TestDevice::SetUp();
    setenv("LD_LIBRARY_PATH", Bin().c_str(), 1);
    fs::copy_file(Bin() + "/lumtrax-setup", dir + "/lumtrax-setup");
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
    run.Kill();
    TestDevice::TearDown();
  }

  void Start() {
    fs::remove(dir + "/stderr.txt");
    run.Start({dir + "/lumtrax-setup", "--headless"}, dir + "/stderr.txt");
    ASSERT_TRUE(run.WaitFor("Lumtrax v1.52 Setup - German Edition")) << "no welcome dialog";
  }
  int Exit() { return run.Exit(); }
  std::optional<Shown> Find(const std::string& title) { return run.Find(title); }
  void Tap(const std::string& title) { run.Tap(title); }
  void TapRow(int list, int row) { run.TapRow(list, row); }
  void Device(const std::string& args) { run.Device(args); }
  bool WizardOpen() { return Find("Lumtrax Setup Wizard").has_value(); }
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

  Program run;
  std::string recorder;
};

// Casio E-200 through the device page, with the frame's rules on the way.
TEST_F(Wizard, DeviceModelInstallsItsPackage) {
  Start();
  ToWizard();
  std::string reply;
  ASSERT_TRUE(LxDeviceCall(run.pid, "screenshot", reply));
  EXPECT_EQ(reply.substr(0, reply.find('\n')), "ok 800 600");
  auto frame = Find("Lumtrax Setup Wizard");
  ASSERT_TRUE(frame);
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
