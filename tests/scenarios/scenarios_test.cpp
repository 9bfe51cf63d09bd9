// The whole player as a user meets it: started headless in a private device
// folder, driven only from outside (device socket, files), playing the
// fixture scripts' files. "wav:" recordings are compared with what
// lumtrax-decode makes of the same files.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "display/boardlayout.h"
#include "lxdevice.h"
#include "playlist/playlist.h"
#include "testing/playerprocess.h"
#include "testing/playertest.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Samples = std::vector<int16_t>;

// The small layout's first playlist row, its favourite mark, a row's height.
constexpr int kRowX = 120, kRowY = 226, kMarkX = 46, kRowStep = 11;
// The board's top on the screen; its Play/Pause button.
constexpr int kBoardTop = 26, kPlayX = 116, kPlayY = 89;
constexpr int VK_MEDIA_PLAY = 179;
// Dither differs between two decodes of one file; anything else is far larger.
constexpr int kTolerance = 32;

std::string Source() {
  const char* source = getenv("LUMTRAX_SOURCE");
  return source ? source : ".";
}
std::string Fixture(const char* name) { return Source() + "/decoder/tests/fixtures/" + name; }

struct Recording {
  int rate = 0, channels = 0;
  Samples samples;
};

Recording ReadWav(const std::string& path) {
  Recording r;
  Bytes b = HostFileExists(path) ? ReadHostFile(path) : Bytes();
  if (b.size() < 44) return r;
  r.channels = b[22] | b[23] << 8;
  r.rate = b[24] | b[25] << 8 | b[26] << 16 | b[27] << 24;
  r.samples.resize((b.size() - 44) / 2);
  for (size_t i = 0; i < r.samples.size(); i++) r.samples[i] = int16_t(b[44 + 2 * i] | b[45 + 2 * i] << 8);
  return r;
}

Samples Decode(const std::string& file, const std::string& scratch, const std::string& gains) {
  std::string command = "'" + BinFolder() + "/lumtrax-decode' --raw " + (gains.empty() ? "" : "--eq " + gains + " ") +
                        "'" + file + "' '" + scratch + "'";
  if (system(command.c_str()) != 0) return {};
  Bytes raw = ReadHostFile(scratch);
  Samples s(raw.size() / 2);
  for (size_t i = 0; i < s.size(); i++) s[i] = int16_t(raw[2 * i] | raw[2 * i + 1] << 8);
  return s;
}

// The samples `decode` takes in the recording from `at` on, or 0 when it is
// not there. The player starts a title up to two stereo frames into
// lumtrax-decode's output (a Xing/Info frame, and the first decoder tail it
// discards); its first frame after that still settles (the synthesis'
// overlap from the title before). Sample values may differ by the dither.
size_t TitleAt(const Samples& heard, size_t at, const Samples& decode) {
  for (size_t skip : {0, 2304, 4608}) {
    if (skip + 2304 >= decode.size() || at + decode.size() - skip > heard.size()) continue;
    size_t i = skip + 2304;
    while (i < decode.size() && std::abs(heard[at + i - skip] - decode[i]) <= kTolerance) i++;
    if (i == decode.size()) return decode.size() - skip;
  }
  return 0;
}

// Which of `decodes` the recording holds, in order; -1 for a stretch that is none of them.
std::vector<int> TitlesHeard(const Samples& heard, const std::vector<Samples>& decodes) {
  std::vector<int> order;
  for (size_t at = 0; at < heard.size();) {
    size_t taken = 0;
    int which = -1;
    for (size_t d = 0; d < decodes.size() && !taken; d++)
      if ((taken = TitleAt(heard, at, decodes[d]))) which = int(d);
    order.push_back(which);
    if (!taken) break;
    at += taken;
  }
  return order;
}

// Where the `length` samples of the recording from `at` lie in `decode`
// (a stereo-aligned position), or -1.
long Find(const Samples& heard, size_t at, size_t length, const Samples& decode) {
  if (at + length > heard.size()) return -1;
  for (size_t p = 0; p + length <= decode.size(); p += 2) {
    size_t k = 0;
    while (k < length && std::abs(heard[at + k] - decode[p + k]) <= kTolerance) k++;
    if (k == length) return long(p);
  }
  return -1;
}

// How many samples from `at` on the recording follows `decode` from `from`.
size_t Follows(const Samples& heard, size_t at, const Samples& decode, size_t from) {
  size_t k = 0;
  while (at + k < heard.size() && from + k < decode.size() && std::abs(heard[at + k] - decode[from + k]) <= kTolerance)
    k++;
  return k;
}

// A bitmap of the player's resources, row by row, its pixels in the order
// PlayerProcess::Screen gives them.
std::vector<DWORD> BitmapPixels(int id, int w, int h) {
  HDC dc = CreateCompatibleDC(NULL);
  HBITMAP b = LoadBitmapW(NULL, MAKEINTRESOURCEW(id));
  HGDIOBJ old = SelectObject(dc, b);
  std::vector<DWORD> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      px.push_back(DWORD(GetBValue(c)) << 16 | GetGValue(c) << 8 | GetRValue(c));
    }
  SelectObject(dc, old);
  DeleteObject(b);
  DeleteDC(dc);
  return px;
}

class Scenario : public ::testing::Test {
 protected:
  Scenario() : player_("scenario") {
    music_ = player_.Home() + "/music";
    fs::create_directories(music_);
    player_.Seed(u"No Display Welcome", 1);
    player_.Seed(u"PlayAtOpen", 1);
  }
  std::string Home() { return player_.Home(); }
  std::string Docs() { return Home() + "/My Documents/"; }
  // A fixture copied to a name of the test's own.
  std::string Put(const char* fixture, const std::string& name) {
    std::string path = music_ + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(Fixture(fixture), path, fs::copy_options::overwrite_existing);
    return path;
  }
  // A fixture repeated `times` over: a longer title of the same frames.
  std::string PutRepeated(const char* fixture, const std::string& name, int times) {
    Bytes one = ReadHostFile(Fixture(fixture)), all;
    for (int i = 0; i < times; i++) all.insert(all.end(), one.begin(), one.end());
    std::string path = music_ + "/" + name;
    WriteHostFile(path, all);
    return path;
  }
  // The playlist row shown selected, -1 for none of the first `rows`.
  int SelectedRow(int rows) {
    std::vector<DWORD> screen = player_.Screen();
    for (int r = 0; r < rows && !screen.empty(); r++)
      if (screen[(kRowY + r * kRowStep) * 240 + 183] == 0x666666) return r;
    return -1;
  }
  bool WaitSelectedRow(int row, int rows, int ms) {
    for (auto deadline = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < deadline;) {
      if (SelectedRow(rows) == row) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  // Default.PLT with these files, favourites marked.
  void WriteList(const std::vector<std::string>& files, const std::vector<int>& favourites = {}) {
    PlaylistInit();
    for (size_t i = 0; i < files.size(); i++) {
      PlaylistEntry* entry = PlaylistAdd(DevicePath(files[i]).c_str());
      ASSERT_NE(entry, nullptr) << files[i];
      if (std::find(favourites.begin(), favourites.end(), int(i)) != favourites.end()) PlaylistToggleFavourite(entry);
    }
    ASSERT_TRUE(PlaylistSave(u"\\My Documents\\Default.PLT"));
    PlaylistDestroy();
  }
  // Host paths in Default.PLT, in order.
  std::vector<std::string> ListedFiles() {
    std::vector<std::string> files;
    PlaylistInit();
    if (PlaylistLoad(u"\\My Documents\\Default.PLT", 1))
      for (DWORD i = 0; i < g_playlist.count; i++) {
        std::u16string device = PlaylistEntryAt(i)->path;
        std::string host;
        for (char16_t c : device) host += c == u'\\' ? '/' : char(c);
        files.push_back(host);
      }
    PlaylistDestroy();
    return files;
  }
  Samples Decode(const std::string& file, const std::string& gains = "") {
    return ::Decode(file, Home() + "/decode.raw", gains);
  }
  // The recording once it holds `bytes` or more and, unless it goes on for
  // ever, has stopped growing.
  Recording WaitRecording(const std::string& path, size_t bytes, bool endless = false) {
    auto deadline = Clock::now() + std::chrono::seconds(20);
    uintmax_t last = 0;
    while (Clock::now() < deadline) {
      std::error_code e;
      uintmax_t size = fs::file_size(path, e);
      if (!e && size >= bytes && (endless || size == last)) break;
      last = e ? 0 : size;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return ReadWav(path);
  }
  // Waits until the recording holds `bytes` or more; its size then.
  size_t WaitBytes(const std::string& path, size_t bytes) {
    std::error_code e;
    for (auto deadline = Clock::now() + std::chrono::seconds(30); Clock::now() < deadline;) {
      uintmax_t size = fs::file_size(path, e);
      if (!e && size >= bytes) return size_t(size);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return e ? 0 : size_t(fs::file_size(path, e));
  }
  // Waits until the recording stops growing (paused); its size then, 0 when it never did.
  size_t WaitStill(const std::string& path) {
    std::error_code e;
    uintmax_t last = UINTMAX_MAX;
    for (auto deadline = Clock::now() + std::chrono::seconds(20); Clock::now() < deadline;) {
      uintmax_t size = fs::file_size(path, e);
      if (!e && size == last) return size_t(size);
      last = size;
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    return 0;
  }
  // The left edge of the board's position knob on the screen, -1 when not seen.
  int PositionKnob() {
    static const std::vector<DWORD> knob = BitmapPixels(IDB_POSITION_KNOB, 22, 11);
    std::vector<DWORD> screen = player_.Screen();
    for (int x = BOARD_POSITION_MIN; x <= BOARD_POSITION_MAX && !screen.empty(); x++) {
      bool same = true;
      for (int y = 0; y < 11 && same; y++)
        for (int i = 0; i < 22 && same; i++) same = screen[(kBoardTop + 85 + y) * 240 + x + i] == knob[y * 22 + i];
      if (same) return x;
    }
    return -1;
  }
  // The board's text line, as the device encodes a window's title.
  std::string BoardText() {
    std::string list = player_.Call("windows");
    size_t at = list.find(" =LumtraxMB ");
    if (at == std::string::npos) return "";
    at += 12;
    return list.substr(at, list.find(' ', at) - at);
  }
  // Selects the first row and presses play.
  void PlayFirstRow() {
    ASSERT_TRUE(player_.Tap(kRowX, kRowY));
    ASSERT_TRUE(player_.Key(VK_MEDIA_PLAY));
  }

  PlayerProcess player_;
  std::string music_;
};

TEST_F(Scenario, FolderChosenWithAllPlaysThroughInOrder) {
  player_.Seed(u"AutoRepeat", 0);
  std::vector<std::string> files = {Put("l3-44100-joint-vbr.mp3", "eins.mp3"), Put("l3-44100-stereo-112.mp3", "zwei.mp3"),
                                    Put("tone-44100-stereo-128.mp3", "unten/drei.mp3")};
  size_t total = 0;
  for (const std::string& file : files) total += Decode(file).size() - 2 * 2304;
  setenv("XDG_MUSIC_DIR", music_.c_str(), 1);
  std::string wav = Home() + "/heard.wav";
  // In real time, so that the board can be watched showing each title.
  player_.Start({}, "wavrt:" + wav);
  ASSERT_TRUE(player_.WaitUp());
  ASSERT_TRUE(player_.Command(42011));  // "Datei hinzufügen"
  ASSERT_NE(player_.Call("find =Dialog ~"), "ok 0\n") << "the file chooser";
  ASSERT_TRUE(player_.Tap(10, 84));    // "Unterveryeichnisse durchsuchen"
  ASSERT_TRUE(player_.Tap(120, 123));  // "Alle"
  std::string idle = BoardText();
  PlayFirstRow();
  // Each title shows for a second or more; the board goes back to its idle
  // line when the list has played (every title marked, the cycle over).
  std::vector<std::string> shown = {idle};
  for (auto deadline = Clock::now() + std::chrono::seconds(30); Clock::now() < deadline;) {
    std::string text = BoardText();
    if (text != shown.back()) shown.push_back(text);
    if (shown.size() > 1 && text == idle) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Recording heard = WaitRecording(wav, 44 + 2 * total);
  player_.Kill(SIGTERM);
  std::vector<std::string> listed = ListedFiles();
  ASSERT_EQ(listed.size(), 3u) << "both files of the folder and the one below it";
  std::vector<Samples> decodes;
  for (const std::string& file : listed) decodes.push_back(Decode(file));
  EXPECT_EQ(heard.rate, 44100);
  EXPECT_EQ(heard.channels, 2);
  EXPECT_EQ(TitlesHeard(heard.samples, decodes), (std::vector<int>{0, 1, 2})) << "each once, in the list's order";
  EXPECT_FALSE(fs::exists(Home() + "/heard-2.wav")) << "no other format met";
  // Untagged titles go by their file names: "eins <00:01>".
  std::vector<int> titlesShown;
  for (const std::string& text : shown)
    for (size_t i = 0; i < listed.size(); i++) {
      std::u16string name;
      for (char c : fs::path(listed[i]).stem().string()) name += char16_t(c);
      name += u" <";
      if (text.rfind(LxEncodeWord(&name), 0) == 0 && (titlesShown.empty() || titlesShown.back() != int(i)))
        titlesShown.push_back(int(i));
    }
  EXPECT_EQ(titlesShown, (std::vector<int>{0, 1, 2})) << testing::PrintToString(shown);
  EXPECT_EQ(shown.back(), idle) << "stopped by itself after the last title";
}

// Five titles of one format, so that one recording holds them all.
const char* const kTitles[] = {"l3-44100-joint-vbr.mp3", "l3-44100-stereo-112.mp3", "tone-44100-stereo-128.mp3",
                               "l2-44100-joint-128-b2a.mp2", "l2-44100-stereo-256-b2b-crc.mp2"};

// Whether each run of `cycle.size()` titles from the start holds each of them once.
bool Cycles(const std::vector<int>& order, std::vector<int> cycle, size_t runs) {
  std::sort(cycle.begin(), cycle.end());
  for (size_t r = 0; r < runs; r++) {
    if (order.size() < (r + 1) * cycle.size()) return false;
    std::vector<int> run(order.begin() + r * cycle.size(), order.begin() + (r + 1) * cycle.size());
    std::sort(run.begin(), run.end());
    if (run != cycle) return false;
  }
  return true;
}

TEST_F(Scenario, ShuffleWithRepeatPlaysEachTitleOncePerCycle) {
  player_.Seed(u"AutoRepeat", 1);
  player_.Seed(u"Shuffle", 1);
  std::vector<std::string> files;
  std::vector<Samples> decodes;
  size_t cycleBytes = 0;
  for (size_t i = 0; i < std::size(kTitles); i++) {
    files.push_back(Put(kTitles[i], std::to_string(i) + fs::path(kTitles[i]).extension().string()));
    decodes.push_back(Decode(files.back()));
    cycleBytes += 2 * decodes.back().size();
  }
  for (bool favourites : {false, true}) {
    WriteList(files, favourites ? std::vector<int>{0, 3} : std::vector<int>{});
    std::string wav = Home() + (favourites ? "/favourites.wav" : "/all.wav");
    // "PlayAtOpen" starts the first title.
    player_.Start({}, "wav:" + wav);
    Recording heard = WaitRecording(wav, 44 + 3 * cycleBytes, true);
    player_.Kill(SIGKILL);
    std::vector<int> order = TitlesHeard(heard.samples, decodes);
    if (favourites)
      EXPECT_TRUE(Cycles(order, {0, 3}, 4)) << testing::PrintToString(order);
    else
      EXPECT_TRUE(Cycles(order, {0, 1, 2, 3, 4}, 2)) << testing::PrintToString(order);
    if (favourites)
      for (int title : {1, 2, 4}) EXPECT_EQ(std::count(order.begin(), order.end(), title), 0) << "only favourites";
  }
}

TEST_F(Scenario, KillWhilePlayingLeavesEverySavedFileWhole) {
  std::vector<std::string> files = {Put(kTitles[0], "a.mp3"), Put(kTitles[1], "b.mp3"), Put(kTitles[2], "c.mp3")};
  WriteList(files);
  player_.Seed(u"AutoRepeat", 1);
  player_.Start();
  ASSERT_TRUE(player_.WaitUp());
  ASSERT_TRUE(player_.TimeMoves(5000)) << "the first title plays";
  ASSERT_TRUE(player_.Tap(kMarkX, kRowY + kRowStep));  // row 2 a favourite
  std::string plt = Docs() + "Default.PLT";
  auto favourite = [&] {
    Bytes b = ReadHostFile(plt);
    return b.size() >= 54 + 2 * 524 && b[54 + 524 + 520] == 1;
  };
  for (auto deadline = Clock::now() + std::chrono::seconds(10); !favourite() && Clock::now() < deadline;)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(favourite()) << "the mark is saved at once";
  std::vector<std::string> names = {Home() + "/registry.txt", plt, Docs() + "Default.EQT"};
  std::vector<std::string> before;
  for (const std::string& name : names) before.push_back(player_.Text(name));
  player_.Kill(SIGKILL);
  for (size_t i = 0; i < names.size(); i++) EXPECT_EQ(player_.Text(names[i]), before[i]) << names[i];

  player_.Start();
  ASSERT_TRUE(player_.WaitUp());
  player_.Kill(SIGTERM);
  for (const auto& entry : fs::recursive_directory_iterator(Home()))
    EXPECT_EQ(entry.path().string().find("damaged"), std::string::npos) << entry.path();
  EXPECT_EQ(ListedFiles(), files);
  EXPECT_TRUE(favourite()) << "the list and its mark came back";
  EXPECT_EQ(player_.Stored(u"AutoRepeat"), 1u);
}

TEST_F(Scenario, DamagedFilesAtStartAreSetAsideAndNothingElseIsLost) {
  std::vector<std::string> files = {Put(kTitles[0], "a.mp3"), Put(kTitles[1], "b.mp3")};
  WriteList(files);
  player_.Seed(u"Shuffle", 1);
  player_.Start();
  ASSERT_TRUE(player_.WaitUp());
  player_.Kill(SIGTERM);
  std::vector<std::string> names = {Home() + "/registry.txt", Docs() + "Default.PLT", Docs() + "Default.EQT"};
  std::vector<std::string> good;
  for (const std::string& name : names) good.push_back(player_.Text(name));
  const std::string garbage(300, '\x01');
  for (size_t damaged = 0; damaged < names.size(); damaged++) {
    for (size_t i = 0; i < names.size(); i++) WriteHostFile(names[i], Bytes(good[i].begin(), good[i].end()));
    WriteHostFile(names[damaged], Bytes(garbage.begin(), garbage.end()));
    player_.Start();
    ASSERT_TRUE(player_.WaitUp()) << names[damaged];
    while (player_.Call("find =Dialog ~") != "ok 0\n" && player_.Key(VK_RETURN)) {
    }
    player_.Kill(SIGTERM);
    int asides = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(names[damaged]).parent_path()))
      if (entry.path().filename().string().rfind(fs::path(names[damaged]).filename().string() + ".damaged", 0) == 0) {
        asides++;
        EXPECT_EQ(player_.Text(entry.path().string()), garbage);
        fs::remove(entry.path());
      }
    EXPECT_EQ(asides, 1) << names[damaged] << " kept aside";
    for (size_t i = 0; i < names.size(); i++)
      if (i != damaged) EXPECT_EQ(player_.Text(names[i]), good[i]) << names[i] << " after a damaged " << names[damaged];
  }
}

TEST_F(Scenario, RefusedRatesPlayAtAnotherRateAtTheRightSpeed) {
  struct Case {
    const char* refused;
    const char* fixture;
    int rate;
  } cases[] = {{"48000", "l2-48000-stereo-192-b2a.mp2", 44100}, {"44100,48000", "tone-44100-stereo-128.mp3", 22050}};
  player_.Seed(u"AutoRepeat", 0);
  for (const Case& c : cases) {
    std::string file = Put(c.fixture, std::string("title") + fs::path(c.fixture).extension().string());
    WriteList({file});
    PlaylistInit();
    PlaylistEntry* entry = PlaylistAdd(DevicePath(file).c_str());
    ASSERT_NE(entry, nullptr);
    double seconds = double(Decode(file).size()) / 2 / entry->sampleRate;
    PlaylistDestroy();
    std::string wav = Home() + "/rate-" + std::to_string(c.rate) + ".wav";
    player_.Start({"--refuse-rates", c.refused}, "wav:" + wav);
    Recording heard = WaitRecording(wav, 44 + size_t(0.8 * seconds * c.rate) * 4);
    player_.Kill(SIGTERM);
    EXPECT_EQ(heard.rate, c.rate) << c.refused;
    ASSERT_GT(heard.channels, 0);
    EXPECT_NEAR(double(heard.samples.size()) / heard.channels / heard.rate, seconds, 0.1) << c.refused;
  }
}

TEST_F(Scenario, AutoPresetEqualisesByTheTitlesGenre) {
  player_.Seed(u"AutoRepeat", 0);
  player_.Seed(u"AutoPreset", 1);
  player_.Seed(u"Enable Equalizer", 1);
  std::string rock = Put("tone-44100-stereo-128.mp3", "rock.mp3"), plain = Put("l3-44100-stereo-112.mp3", "plain.mp3");
  Bytes tagged = ReadHostFile(rock), tag(128, 0);
  memcpy(tag.data(), "TAGRock Tone", 12);
  tag[127] = 17;  // "Rock"
  tagged.insert(tagged.end(), tag.begin(), tag.end());
  WriteHostFile(rock, tagged);
  WriteList({rock, plain});
  std::vector<Samples> decodes = {Decode(rock, "8,5,-6,-9,-4,4,9,11,11,11,0"), Decode(plain)};
  std::string wav = Home() + "/eq.wav";
  player_.Start({}, "wav:" + wav);
  Recording heard = WaitRecording(wav, 44 + 2 * (decodes[0].size() + decodes[1].size() - 4 * 2304));
  EXPECT_EQ(TitlesHeard(heard.samples, decodes), (std::vector<int>{0, 1})) << "Rock's gains, then the flat ones";
}

TEST_F(Scenario, TitleFilesThatVanishOrChangeKindAreGoneThrough) {
  player_.Seed(u"AutoRepeat", 0);
  // About 25 s each, at a rate that outruns the reader's read-ahead within seconds.
  std::vector<std::string> files;
  for (const char* name : {"a.mp2", "b.mp2", "c.mp2", "d.mp2"})
    files.push_back(PutRepeated("l2-44100-stereo-256-b2b-crc.mp2", name, 40));
  WriteList(files);
  player_.Start();
  ASSERT_TRUE(player_.WaitUp());
  ASSERT_TRUE(WaitSelectedRow(0, 4, 5000));
  ASSERT_TRUE(player_.TimeMoves(5000)) << "the first title plays";
  fs::remove(files[1]);
  fs::create_directory(files[1]);
  fs::remove(files[2]);
  ASSERT_EQ(mkfifo(files[2].c_str(), 0600), 0);
  fs::resize_file(files[0], 1000);
  EXPECT_TRUE(WaitSelectedRow(3, 4, 20000)) << "past the folder and the pipe to the last title";
  EXPECT_TRUE(player_.WaitUp()) << "nothing hangs";
  EXPECT_TRUE(player_.TimeMoves(5000)) << "the last title plays";
}

// A second start hands its file over: it replaces the list and plays.
TEST_F(Scenario, SecondStartWakeUpDisplaySwitchAndSuspendWhilePlaying) {
  player_.Seed(u"VKButton1", 12);  // F1: "Bildschirmschalter"
  std::string title = PutRepeated("l2-44100-stereo-256-b2b-crc.mp2", "long.mp2", 40);
  std::string other = PutRepeated("l2-44100-stereo-256-b2b-crc.mp2", "other.mp2", 40);
  WriteList({title});
  pid_t first = player_.Start();
  ASSERT_TRUE(player_.WaitUp());
  ASSERT_TRUE(player_.TimeMoves(5000));
  EXPECT_EQ(player_.WaitExit(player_.Start({other})), 255) << "a second start hands over";
  ASSERT_TRUE(player_.WaitUp(first));
  EXPECT_EQ(player_.WaitExit(player_.Start({"WakeUp"})), 255);
  ASSERT_TRUE(player_.WaitUp(first));
  EXPECT_TRUE(player_.TimeMoves(5000)) << "playing";
  auto dark = [&] {
    std::vector<DWORD> screen = player_.Screen();
    return !screen.empty() && std::all_of(screen.begin(), screen.end(), [](DWORD p) { return p == 0; });
  };
  ASSERT_TRUE(player_.Key(193));
  EXPECT_TRUE(dark()) << "display off";
  ASSERT_TRUE(player_.Key(193));
  EXPECT_FALSE(dark());
  EXPECT_TRUE(player_.TimeMoves(5000)) << "the music went on";
  EXPECT_EQ(player_.Call("suspend").rfind("ok", 0), 0u);
  EXPECT_EQ(player_.Call("wake").rfind("ok", 0), 0u);
  EXPECT_EQ(player_.WaitExit(player_.Start({"WakeUp"})), 255);
  ASSERT_TRUE(player_.WaitUp(first));
  EXPECT_TRUE(player_.TimeMoves(5000)) << "playing after waking";
  player_.Kill(SIGTERM, first);
  EXPECT_EQ(ListedFiles(), std::vector<std::string>{other});
}

TEST_F(Scenario, TitlesLargerThanTheCachePlayThroughWithoutGaps) {
  player_.Seed(u"AutoRepeat", 0);
  player_.Seed(u"UseCache", 1);
  setenv("LXINPUTCACHE_BLOCK_BYTES", "40960", 1);  // the smallest block: every title is many
  std::vector<std::string> files = {PutRepeated("l2-44100-stereo-256-b2b-crc.mp2", "eins.mp2", 20),
                                    PutRepeated("l2-44100-joint-128-b2a.mp2", "zwei.mp2", 20),
                                    PutRepeated("tone-44100-stereo-192-crc.mp2", "drei.mp2", 10)};
  std::vector<Samples> decodes;
  size_t total = 0;
  for (const std::string& file : files) {
    decodes.push_back(Decode(file));
    total += decodes.back().size() - 2 * 2304;
  }
  WriteList(files);
  fs::permissions(music_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  std::string wav = Home() + "/cached.wav";
  player_.Start({}, "wav:" + wav);
  Recording heard = WaitRecording(wav, 44 + 2 * total);
  unsetenv("LXINPUTCACHE_BLOCK_BYTES");
  fs::permissions(music_, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(TitlesHeard(heard.samples, decodes), (std::vector<int>{0, 1, 2})) << "from a read-only folder";
}

// The demo: 32 s of music that never repeats a stretch, so that a piece of
// the recording is found in only one place of its decode.
TEST_F(Scenario, SeekByDraggingThenPauseAndResumeLoseNothing) {
  player_.Seed(u"AutoRepeat", 0);
  std::string title = music_ + "/demo.mp3";
  fs::copy_file(Source() + "/player/resources/demo/demo.mp3", title);
  WriteList({title});
  Samples decode = Decode(title);
  ASSERT_GT(decode.size(), 20u * 88200);
  const size_t second = 4 * 44100;  // bytes of recording
  std::string wav = Home() + "/seek.wav";
  player_.Start({}, "wavrt:" + wav);
  ASSERT_TRUE(player_.WaitUp());
  // The ring's first buffers come at once; growth after them is time heard.
  size_t filled = WaitBytes(wav, 45);
  ASSERT_GE(WaitBytes(wav, filled + 2 * second), filled + 2 * second) << "the title plays";
  int knob = PositionKnob();
  ASSERT_GE(knob, 0);
  // The knob goes as far as the stylus: from where it is to 50 %.
  int middle = BOARD_POSITION_MIN + (BOARD_POSITION_MAX - BOARD_POSITION_MIN) / 2;
  ASSERT_EQ(player_.Call("drag " + std::to_string(knob + 11) + " " + std::to_string(kBoardTop + 90) + " " +
                         std::to_string(middle + 11) + " " + std::to_string(kBoardTop + 90)),
            "ok\n");
  ASSERT_TRUE(player_.WaitUp());
  size_t dragged = WaitBytes(wav, 0);
  ASSERT_GE(WaitBytes(wav, dragged + 3 * second), dragged + 3 * second) << "plays on after the seek";
  ASSERT_TRUE(player_.Tap(kPlayX, kPlayY));  // Pause
  size_t paused = WaitStill(wav);
  ASSERT_GT(paused, 0u) << "the recording holds while paused";
  ASSERT_TRUE(player_.Tap(kPlayX, kPlayY));  // Play
  ASSERT_GE(WaitBytes(wav, paused + 2 * second), paused + 2 * second) << "plays on after the pause";
  player_.Kill(SIGKILL);
  Recording heard = ReadWav(wav);
  ASSERT_EQ(heard.rate, 44100);
  ASSERT_EQ(heard.channels, 2);

  // From the start the recording is the decode, up to the seek.
  long start = Find(heard.samples, 4 * 2304, 8820, decode);
  ASSERT_GE(start, 0) << "the title's beginning";
  size_t seek = 4 * 2304 + Follows(heard.samples, 4 * 2304, decode, size_t(start));
  ASSERT_LT(seek + 3 * 88200, heard.samples.size()) << "a seek";
  // A second after it (the decoder settles, a fade-in ends), where is it?
  size_t after = seek + 88200;
  long found = Find(heard.samples, after, 8820, decode);
  ASSERT_GE(found, 0) << "the recording after the seek is the title's";
  long continued = found - 88200;
  EXPECT_NEAR(double(continued), double(decode.size() / 2), 88200.0) << "within a second of the middle";
  // From there on to the end, through the pause, nothing lost or repeated.
  size_t pausedAt = (paused - 44) / 2;
  EXPECT_GT(pausedAt, after);
  EXPECT_EQ(after + Follows(heard.samples, after, decode, size_t(found)), heard.samples.size())
      << "the recording leaves the decode at " << (after + Follows(heard.samples, after, decode, size_t(found)))
      << ", paused at " << pausedAt;
}

// Chosen in the equalizer pane's preset list while the demo plays: what was
// decoded before is heard flat, what is decoded after with Rock's gains.
TEST_F(Scenario, PresetChosenWhilePlayingChangesTheNextBuffers) {
  player_.Seed(u"AutoRepeat", 0);
  player_.Seed(u"Enable Equalizer", 1);
  std::string title = music_ + "/demo.mp3";
  fs::copy_file(Source() + "/player/resources/demo/demo.mp3", title);
  WriteList({title});
  Samples flat = Decode(title), rock = Decode(title, "8,5,-6,-9,-4,4,9,11,11,11,0");
  const size_t second = 4 * 44100;
  std::string wav = Home() + "/preset.wav";
  player_.Start({}, "wavrt:" + wav);
  ASSERT_TRUE(player_.WaitUp());
  size_t filled = WaitBytes(wav, 45);
  ASSERT_GE(WaitBytes(wav, filled + 2 * second), filled + 2 * second) << "the title plays";
  size_t before = (WaitBytes(wav, 0) - 44) / 2;
  ASSERT_TRUE(player_.Tap(37, 143));  // the pane's preset button
  ASSERT_TRUE(player_.HasWindow("=LISTBOX", "=", true)) << "the preset list";
  ASSERT_TRUE(player_.Tap(40, 237));  // "Rock", the thirteenth row
  ASSERT_TRUE(player_.Tap(34, 43));   // "Auswahl"
  size_t chosen = (WaitBytes(wav, 0) - 44) / 2;
  ASSERT_FALSE(player_.HasWindow("=LISTBOX", "=", true)) << "the list closed";
  ASSERT_GE(WaitBytes(wav, 44 + 2 * chosen + 2 * second), 44 + 2 * chosen + 2 * second);
  player_.Kill(SIGKILL);
  Samples heard = ReadWav(wav).samples;

  long start = Find(heard, 4 * 2304, 8820, flat);
  ASSERT_GE(start, 0) << "flat from the beginning";
  size_t offset = size_t(start) - 4 * 2304;  // decode position of the recording's first sample
  size_t change = 4 * 2304 + Follows(heard, 4 * 2304, flat, size_t(start));
  EXPECT_GE(change, before) << "nothing before the choice changed";
  // The buffers still queued, and at most one decoder call's worth
  // (8000 bytes of input) decoded while the choice was made, stay flat.
  EXPECT_LE(change, chosen + 88200) << "the next buffers changed";
  // The synthesis' overlap mixes old and new gains for up to two frames.
  size_t settled = change + 2 * 2304;
  ASSERT_LT(settled + 88200, heard.size());
  EXPECT_EQ(settled + Follows(heard, settled, rock, settled + offset), heard.size()) << "Rock's gains from there on";
}

}  // namespace
