// The equalizer pane: knobs, buttons, preset commands and files, spectrum.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "eqwindowtest.h"
#include "equalizer/analyser.h"
#include "equalizer/analyserview.h"

namespace {

const signed char Rock[11] = {8, 5, -6, -9, -4, 4, 9, 11, 11, 11, 0};

LONG KnobTop(int slider) { return g_equalizer.knobs[slider].top; }

TEST_F(EqWindowTest, DraggedKnobPinsAtTheTopAndReachesTheDecoderOnRelease) {
  Start();
  Stylus(WM_LBUTTONDOWN, 78, 180);  // band 0's knob at gain 0
  for (int y : {166, 157, 136}) Stylus(WM_MOUSEMOVE, 78, y);
  EXPECT_EQ(KnobTop(0), 30) << "pinned at +20";
  EXPECT_TRUE(Calls().empty()) << "no decoder update while dragging";
  Stylus(WM_LBUTTONUP, 78, 136);
  EXPECT_EQ(Gain(0), 20);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].eqEnabled, EqualizerOn);
  EXPECT_EQ(calls[0].start, -1);
  EXPECT_EQ(calls[0].gains[0], 20);
}

TEST_F(EqWindowTest, TrackTapsReachBothEdgesAndAStillKnobStillPosts) {
  Start();
  Tap(126, PANE_SCREEN_Y + 34);  // band 3's track
  EXPECT_EQ(Gain(3), 20);
  Tap(126, PANE_SCREEN_Y + 74);  // its bottom edge belongs to it
  EXPECT_EQ(KnobTop(3), 70);
  EXPECT_EQ(Gain(3), -20);
  size_t before = Calls().size();
  Tap(126, PANE_SCREEN_Y + 74);  // now on the knob, which does not move; quick, so a double tap
  EXPECT_EQ(Calls().size(), before + 1) << "the decoder is updated with unchanged gains";
  EXPECT_EQ(Gain(3), -20);
}

TEST_F(EqWindowTest, PresetDialogChoosesAndButtonThreeReapplies) {
  Start();
  HWND dlg = OpenDialog(IDM_EQ_CHOOSE_PRESET);
  ASSERT_NE(dlg, nullptr);
  HWND list = GetDlgItem(dlg, 1013);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 17) << "\"Default\" is never listed";
  EXPECT_EQ(Text(g_windows.main), u"Preset");
  TapItem(dlg, IDOK);  // "Auswahl" without a row
  EXPECT_EQ(Front(), nullptr);
  EXPECT_EQ(std::u16string(g_settings.recentEq), u"Default");
  EXPECT_EQ(Text(g_windows.main), u"Lumtrax") << "the title comes back";

  dlg = OpenDialog(IDM_EQ_CHOOSE_PRESET);
  TapListRow(GetDlgItem(dlg, 1013), 12);
  TapItem(dlg, IDOK);
  const LONG tops[11] = {42, 45, 56, 59, 54, 46, 41, 39, 39, 39, 50};
  for (int i = 0; i < 11; i++) EXPECT_EQ(KnobTop(i), tops[i]) << "slider " << i;
  EXPECT_EQ(std::u16string(g_settings.recentEq), u"Rock");
  EXPECT_EQ(Calls().back().gains, std::vector<signed char>(Rock, Rock + 11));

  Tap(78, PANE_SCREEN_Y + 74);  // band 0 to -20
  Tap(57, 143);                 // button 3
  EXPECT_EQ(KnobTop(0), 42) << "button 3 re-applies Rock";
  Command(IDM_EQ_PRESET, 0);    // menu "Voreinstellung"
  EXPECT_EQ(Gain(0), 0);
  EXPECT_EQ(g_equalizer.current, PresetAt(0));
  Tap(78, PANE_SCREEN_Y + 74);
  Tap(57, 143);
  EXPECT_EQ(Gain(0), 0) << "button 3 now re-applies \"Default\"";
}

TEST_F(EqWindowTest, AutoPresetLeavesTheCurrentPreset) {
  lstrcpyW(g_settings.recentEq, u"Pop");
  Start();
  EqPreset* pop = g_equalizer.current;
  ASSERT_NE(pop, nullptr);
  g_settings.autoPreset = 1;
  PlaylistEntry entry{};
  memcpy(entry.tag, "TAGSong", 7);
  entry.tag[127] = 17;
  entry.genre = 17;
  AutoPreset(&entry);
  Settle();
  EXPECT_EQ(Calls().back().gains, std::vector<signed char>(Rock, Rock + 11));
  EXPECT_EQ(KnobTop(0), 42) << "the knobs follow";
  EXPECT_EQ(g_equalizer.current, pop);
  EXPECT_EQ(std::u16string(g_settings.recentEq), u"Pop");
}

TEST_F(EqWindowTest, SwitchedOffEqualizerStartsOffForTheDecoder) {
  g_settings.playerFlags &= ~EqualizerOn;
  g_settings.eq[0] = 127;  // a value the registry may hold
  Start();
  EXPECT_TRUE(g_equalizer.buttons[0].flags & ButtonVisible);
  EXPECT_FALSE(g_equalizer.buttons[1].flags & ButtonVisible);
  auto calls = Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].eqEnabled, 0);
  EXPECT_EQ(KnobTop(0), 30) << "clamped to +20";
  Tap(17, PANE_SCREEN_Y + 17);  // button 0 switches on
  EXPECT_TRUE(g_equalizer.buttons[1].flags & ButtonVisible);
  EXPECT_EQ(Calls().back().eqEnabled, EqualizerOn);
}

// ---- files ---------------------------------------------------------------

std::u16string g_chosenPath;
DWORD g_chosenAll;
int ChooseForTest(BOOL, WCHAR* path, DWORD* all) {
  lstrcpynW(path, g_chosenPath.c_str(), MAX_PATH);
  *all = g_chosenAll;
  return 1;
}

class EqFileWindowTest : public EqWindowTest {
 protected:
  void SetUp() override {
    EqWindowTest::SetUp();
    g_equalizerChooseFile = ChooseForTest;
    g_chosenAll = 0;
  }
  void TearDown() override {
    EqWindowTest::TearDown();
    g_equalizerChooseFile = original_;
  }
  std::string DefaultEqt() const { return MyDocuments() + "/Default.EQT"; }
  EqualizerFileChooser original_ = g_equalizerChooseFile;
};

TEST_F(EqFileWindowTest, SavedValueFileCarriesItsNameAndTheLiveGains) {
  Start();
  Tap(78, PANE_SCREEN_Y + 34);
  ASSERT_NE(OpenDialog(IDM_EQ_SAVE_VALUES), nullptr);
  EXPECT_EQ(Text(GetFocus()), u"Default") << "the last name is proposed";
  for (char16_t c : std::u16string(u"Bass")) LxInputChar(c);
  lxtest::KeyAndSettle(VK_RETURN);
  Bytes file = ReadHostFile(MyDocuments() + "/Bass.EQV");
  ASSERT_EQ(file.size(), 134u);
  EXPECT_EQ(file[50], 0) << "genre 0";
  EXPECT_EQ(file[52], 'B');
  EXPECT_EQ((signed char)file[50 + 62], 20);
  EXPECT_EQ(std::u16string(g_equalizer.lastValueName), u"Bass");
}

TEST_F(EqFileWindowTest, MissingPresetFileGivesBuiltInsWrittenAtTheEnd) {
  Start();
  EXPECT_EQ(PresetCount(), 18u);
  Stop();
  EXPECT_EQ(ReadHostFile(DefaultEqt()).size(), 1566u);
}

// A file that opens but does not read is set aside; one held by another
// program stays where it is, untouched.
TEST_F(EqFileWindowTest, UnreadablePresetFilesSurviveTheEnd) {
  Bytes wrong(134, 0);
  const char16_t* header = u"Lumtrax Equalize File 1.0";
  for (int i = 0; i < 25; i++) wrong[2 * i] = (unsigned char)header[i];
  wrong[50 + 2] = 'B';  // an EQV file's content: its record reads as the count
  for (int kind = 0; kind < 3; kind++) {
    Bytes content = wrong;
    if (kind == 1) content[0] = 'X';  // wrong header
    WriteHostFile(DefaultEqt(), content);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (kind == 2) held = CreateFileW(u"\\My Documents\\Default.EQT", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Start();
    Stop();
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (kind == 2) {
      EXPECT_EQ(ReadHostFile(DefaultEqt()), content) << "case " << kind;
      continue;
    }
    int asides = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MyDocuments()))
      if (entry.path().filename().string().rfind("Default.EQT.damaged-", 0) == 0) {
        asides++;
        EXPECT_EQ(ReadHostFile(entry.path().string()), content) << "case " << kind;
        std::filesystem::remove(entry.path());
      }
    EXPECT_EQ(asides, 1) << "case " << kind;
    EXPECT_EQ(ReadHostFile(DefaultEqt()).size(), 1566u) << "the built-ins in its place";
  }
}

TEST_F(EqFileWindowTest, ReplacingTheListKeepsTheCurrentPresetValid) {
  lstrcpyW(g_settings.recentEq, u"Rock");
  Start();
  Command(IDM_EQ_RESET_PRESETS);
  Tap(57, 143);
  EXPECT_EQ(KnobTop(0), 42) << "Rock found again after the reset";
  EXPECT_EQ(ReadHostFile(DefaultEqt()).size(), 1566u) << "written at once";

  Bytes eqt = ReadHostFile(DefaultEqt());
  WriteHostFile(MyDocuments() + "/Other.EQT", eqt);
  g_chosenPath = u"\\My Documents\\Other.EQT";
  Command(IDM_EQ_OPEN_PRESETS);
  Tap(57, 143);
  EXPECT_EQ(KnobTop(0), 42);
  EXPECT_EQ(std::u16string(g_equalizer.lastPresetName), u"Other");

  // "Alle" hands over a folder: nothing is read, the name is kept.
  g_chosenPath = u"\\My Documents\\";
  g_chosenAll = 1;
  Command(IDM_EQ_OPEN_VALUES);
  EXPECT_EQ(std::u16string(g_equalizer.lastValueName), u"Default");
}

// ---- spectrum --------------------------------------------------------------

class SpectrumViewTest : public EqWindowTest {
 protected:
  static std::vector<DWORD> Screen() {
    std::vector<DWORD> px(240 * 320);
    LxScreenshot(px.data());
    for (DWORD& p : px) p &= 0xFFFFFF;
    return px;
  }
  // A column of bar b's pixels (left or right box), rows 6 … 23 of the pane.
  static std::vector<DWORD> Column(const std::vector<DWORD>& px, int box, int b) {
    std::vector<DWORD> c;
    for (int y = 6; y < 24; y++) c.push_back(px[(PANE_SCREEN_Y + y) * 240 + (box ? 159 : 79) + 4 * b]);
    return c;
  }
  static int Height(const std::vector<DWORD>& column, const std::vector<DWORD>& background) {
    int h = 0;
    while (h < 18 && column[17 - h] != background[17 - h]) h++;
    return h;
  }
  // Ticks come from the test alone.
  void Start() {
    EqWindowTest::Start();
    KillTimer(g_windows.equalizer, TIMER_SPECTRUM);
  }
  void Tick() {
    SendMessageW(g_windows.equalizer, WM_TIMER, TIMER_SPECTRUM, 0);
    Settle();
  }
  static bool Dirty() {
    RECT r;
    return GetUpdateRect(g_windows.equalizer, &r, FALSE);
  }
};

TEST_F(SpectrumViewTest, BarsFallByTheDecayStepAtEachRepaint) {
  Start();
  std::vector<DWORD> background = Column(Screen(), 0, 0);
  for (auto& channel : g_spectrum.bars)
    for (SHORT& bar : channel) bar = 18;
  for (int k = 1; k <= 10; k++) {
    Tick();
    auto px = Screen();
    for (int b : {0, 15}) {
      EXPECT_EQ(Height(Column(px, 0, b), background), std::max(0, 20 - 2 * k)) << "repaint " << k;
      EXPECT_EQ(Column(px, 1, b), Column(px, 0, b));
    }
  }
  EXPECT_EQ(Column(Screen(), 0, 0), background) << "the tenth repaint shows the background";
  Tick();
  EXPECT_FALSE(Dirty()) << "bars drawn at 0 cost nothing";
}

TEST_F(SpectrumViewTest, MonoFillsBothBoxesAndSuspensionKeepsHeights) {
  Start();
  std::vector<SHORT> sine(512);
  for (int i = 0; i < 512; i++) sine[i] = SHORT(30000 * ((i / 8) % 2 ? 1 : -1));
  SpectrumFeed(reinterpret_cast<const BYTE*>(sine.data()), 1024, 1);
  EXPECT_EQ(memcmp(g_spectrum.bars[0], g_spectrum.bars[1], sizeof g_spectrum.bars[0]), 0);
  Tick();
  auto px = Screen();
  bool shown = false;
  for (int b = 0; b < 16; b++) {
    EXPECT_EQ(Column(px, 0, b), Column(px, 1, b)) << "band " << b;
    shown |= g_spectrum.bars[0][b] > 0;
  }
  EXPECT_TRUE(shown);

  SHORT kept[2][16];
  memcpy(kept, g_spectrum.bars, sizeof kept);
  g_power.equalizerSpectrumSuspended = TRUE;
  Tick();
  EXPECT_FALSE(Dirty());
  EXPECT_EQ(memcmp(kept, g_spectrum.bars, sizeof kept), 0) << "no repaint, no decay";
  g_power.equalizerSpectrumSuspended = FALSE;
}

}  // namespace
