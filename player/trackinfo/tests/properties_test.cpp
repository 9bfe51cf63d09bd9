// The properties rows of probed files, and the dialog's row colours on screen.
#include <gtest/gtest.h>

#include <commctrl.h>
#include <lxuser.h>

#include <cstdlib>
#include <vector>

#include "../../playlist/tests/dialogscript.h"
#include "testing/playertest.h"
#include "trackinfo/properties.h"
#include "trackinfo/trackinfo.h"

namespace {

class PropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override { folder = TestFolder("properties"); }
  PlaylistEntry Probe(const std::string& name, const Mp3Spec& shape) {
    std::string host = folder + "/" + name;
    WriteHostFile(host, MakeMp3(shape));
    PlaylistEntry e{};
    lstrcpynW(e.path, DevicePath(host).c_str(), MAX_PATH);
    EXPECT_EQ(TrackProbe(&e), 1) << name;
    return e;
  }
  static std::u16string Row(const PlaylistEntry& e, int row) {
    WCHAR text[PROPERTY_TEXT_UNITS];
    PropertyRow(&e, row, text, PROPERTY_TEXT_UNITS);
    return text;
  }
  std::string folder;
};

TEST_F(PropertiesTest, RowsShowWhatTheProbeFound) {
  Mp3Spec xing;
  xing.xing = true;
  xing.xingFlags = 15;
  xing.xingQuality = 50;
  xing.tag = true;
  xing.id3v1Title = "Song";
  xing.genre = 17;
  PlaylistEntry v = Probe("v.mp3", xing);
  EXPECT_EQ(Row(v, 14), u"(VBR) Average Bit Rate :");
  EXPECT_EQ(Row(v, 15), u"128 kbps");
  EXPECT_EQ(Row(v, 1), u"Song");
  EXPECT_EQ(Row(v, 17), u"44 kHz") << "44100 Hz, divided as integers";
  EXPECT_EQ(Row(v, 19), u"Rock");
  EXPECT_EQ(Row(v, 13), u"MPEG Layer-3 Decoder");

  Mp3Spec layer2;
  layer2.frame.b1 = 0xFD;  // MPEG-1 Layer II
  layer2.frame.b2 = 0x94;  // 160 kbit/s, 48000 Hz
  PlaylistEntry two = Probe("Second Take.mp2", layer2);
  const std::vector<std::u16string> expected = {
      u"Title :",     u"Second Take", u"Album :",          u"",  u"Artist :", u"", u"Year :", u"",
      u"Duration :",  two.durationText, u"Location :",    two.path, u"Audio Codec :", u"MPEG Layer-2 Decoder",
      u"Bit Rate :",  u"160 kbps",    u"Sample Rate :",    u"48 kHz", u"Genre :", u"Unknown"};
  for (int row = 0; row < PROPERTY_ROWS; row++) EXPECT_EQ(Row(two, row), expected[row]) << "row " << row;
}

TEST_F(PropertiesTest, TagRowsShowId3v2TextInFullUnicode) {
  const char* source = std::getenv("LUMTRAX_SOURCE");
  std::string host = folder + "/cyrillic.mp3";
  WriteHostFile(host, ReadHostFile(std::string(source ? source : ".") +
                                   "/player/trackinfo/tests/fixtures/v23-utf16-cyrillic.mp3"));
  PlaylistEntry e{};
  lstrcpynW(e.path, DevicePath(host).c_str(), MAX_PATH);
  ASSERT_EQ(TrackProbe(&e), 1);
  EXPECT_EQ(Row(e, 1), u"Звезда по имени Солнце");
  EXPECT_EQ(Row(e, 3), u"Звезда");
  EXPECT_EQ(Row(e, 5), u"Кино");
  EXPECT_EQ(Row(e, 7), u"1989");
  EXPECT_EQ(Row(e, 19), u"Rock");
}

TEST_F(PropertiesTest, LabelRowsAreWhiteAndValueRowsLightGrey) {
  PlaylistEntry e = Probe("grey.mp3", Mp3Spec{});
  std::vector<DWORD> screen(240 * 320);
  RECT first{};
  INT_PTR result = RunScripted([&] { return PropertiesRun(&e); },
                               {[&](HWND d) {
                                  HWND list = GetDlgItem(d, IDC_PROPERTIES_LIST);
                                  ListView_GetItemRect(list, 0, &first, LVIR_BOUNDS);
                                  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&first), 2);
                                  UpdateWindow(d);
                                  UpdateWindow(list);
                                  LxScreenshot(screen.data());
                                  Click(d, IDOK);
                                }});
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(first.bottom - first.top, PROPERTY_ROW_HEIGHT);
  // Far right of each row, clear of the text.
  int x = 200, label = first.top + 2, value = first.top + PROPERTY_ROW_HEIGHT + 2;
  EXPECT_EQ(screen[label * 240 + x] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(screen[value * 240 + x] & 0xFFFFFF, 0xC0C0C0u);
}

}  // namespace
