#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "../../../platform/mm/lxaudio.h"
#include "enginetest.h"
#include "lxuser.h"
#include "playlist/playlist.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

namespace {

struct PlayCase {
  const char* file;
  const char* refused;
  DWORD rate;  // the device's rate when the title's is refused, else 0
};

class PlaybackTest : public EngineTest, public ::testing::WithParamInterface<PlayCase> {};

DWORD WavRate(const std::string& path) {
  Bytes f = ReadHostFile(path);
  return f.size() < 28 ? 0 : f[24] | f[25] << 8 | f[26] << 16 | DWORD(f[27]) << 24;
}

// First after Bind, after another title, and after Stop: each time what the
// reference decoder gives but for the first tail call's frame.
TEST_P(PlaybackTest, PlaysWhatTheReferenceDecodes) {
  const PlayCase& c = GetParam();
  LxAudioRefuseRates(c.refused);
  PlaylistEntry entry = Probe(Fixture(c.file));
  PlaylistEntry other = Probe(Fixture("l3-22050-stereo-48.mp3"));
  Bytes reference = WavData(Reference(Fixture(c.file), entry.audioStart, c.rate));
  ASSERT_FALSE(reference.empty());
  DWORD rate = c.rate ? c.rate : entry.sampleRate;
  for (int round = 0; round < 3; round++) {
    if (round == 1) PlayToEnd(other);
    std::string wav = RecordTo("play");
    if (round < 2) {
      PlayToEnd(entry);
    } else {
      g_boardLog.clear();
      ASSERT_EQ(1, EnginePlay());
      ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
      EngineStop();
    }
    Bytes played = WavData(wav);
    EXPECT_EQ(rate, WavRate(wav)) << "round " << round;
    long piece = MissingPiece(played, reference);
    EXPECT_GT(piece, 0) << "round " << round << ": " << played.size() << " of " << reference.size();
    EXPECT_LE(piece, 1152 * 4) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Titles, PlaybackTest,
                         // Named by the encoder's input: the last two are 32 kHz streams.
                         ::testing::Values(PlayCase{"demo.mp3", "", 0},
                                           PlayCase{"l2-48000-stereo-192-b2a.mp2", "48000", 44100},
                                           PlayCase{"l3-32000-stereo-96.mp3", "32000", 22050},
                                           PlayCase{"l3-32000-mono-48.mp3", "32000", 22050}),
                         [](const ::testing::TestParamInfo<PlayCase>& info) {
                           std::string name = info.param.file;
                           name = name.substr(0, name.find('.'));
                           for (char& ch : name)
                             if (!isalnum((unsigned char)ch)) ch = '_';
                           return name;
                         });

// A natural end tells the board, then asks the playlist for the next title,
// which plays; a user Stop only tells the board.
TEST_F(EngineTest, NaturalEndAdvancesUserStopDoesNot) {
  for (DWORD shuffle = 0; shuffle < 2; shuffle++) {
    PlaylistClear(1);
    g_settings.shuffle = shuffle;
    ASSERT_TRUE(PlaylistAdd(DevicePath(Fixture("l3-22050-stereo-48.mp3")).c_str()));
    ASSERT_TRUE(PlaylistAdd(DevicePath(Fixture("l3-32000-stereo-96.mp3")).c_str()));
    g_boardLog.clear();
    g_playlistLog.clear();
    // The next title plays on until the user stops it: the instant device
    // could otherwise end it within one pump.
    g_holdAtLoad = 2;
    PlayIndex(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Count(UM_LOADTRACK, 0) == 2 && g_engine.state == Playing; }));
    std::vector<UINT> order;
    for (const BoardRecord& r : g_boardLog)
      if (r.message == UM_PLAYBACKENDED || (r.message == WM_COMMAND && LOWORD(r.wParam) == IDM_STOP))
        order.push_back(r.message == UM_PLAYBACKENDED ? 0 : HIWORD(r.wParam) + 1);
    EXPECT_EQ((std::vector<UINT>{0, 2}), order) << "shuffle " << shuffle;
    ASSERT_EQ(1u, g_playlistLog.size());
    EXPECT_EQ(shuffle ? MAKEWPARAM(IDM_SHUFFLE_TITLE, 0) : MAKEWPARAM(IDM_NEXT_TITLE, 1), g_playlistLog[0]);
    EXPECT_EQ(LookPlaying, g_lastLook);

    g_boardLog.clear();
    EXPECT_EQ(LookStopped, BoardStopCommand(0));
    Pump();
    EXPECT_EQ(1u, Count(UM_PLAYBACKENDED, 0));
    EXPECT_EQ(0u, Count(WM_COMMAND, MAKEWPARAM(IDM_STOP, 1)));
    EXPECT_EQ(1u, g_playlistLog.size());
    HoldReturns(false);
    ReleaseReturns(HeldReturns());
    Pump();
  }
}

TEST_F(EngineTest, VolumeWord) {
  struct {
    DWORD percent;
    BYTE flags;
    DWORD word;
  } cases[] = {{100, SoundOn, 0xFFFFFFFF}, {50, SoundOn, 0x7FFF7FFF}, {0, SoundOn, 0}, {100, 0, 0}};
  for (auto& c : cases) {
    PlayerFlagsClear(SoundOn);
    PlayerFlagsSet(c.flags);
    ASSERT_EQ(1, SetVolume(c.percent));
    DWORD word = 1;
    waveOutGetVolume((HWAVEOUT)0, &word);
    EXPECT_EQ(c.word, word) << c.percent;
  }
  waveOutSetVolume((HWAVEOUT)0, 0x8000);
  DWORD left = 0, right = 7;
  ASSERT_EQ(1, ReadVolume(&left, &right));
  EXPECT_EQ(50u, left);
  EXPECT_EQ(0u, right);
}

// Bind fails without a box for a missing or unfit library, with one when the
// ring cannot be had; Unbind after each is safe.
TEST_F(EngineTest, BindFailures) {
  struct {
    const char16_t* decoder;
    const char16_t* reader;
    bool ringFails;
    int boxes;
  } cases[] = {{u"KOMP3DEC.DLL", u"NOSUCHREADER.DLL", false, 0},
               {u"LXINPUTBUFFER.DLL", u"KOMP3READER.DLL", false, 0},
               {u"KOMP3DEC.DLL", u"KOMP3READER.DLL", true, 1}};
  for (auto& c : cases) {
    EXPECT_EQ(1, EngineUnbind());
    g_engine = PlayerEngine{};
    LxMessageBoxReset(0);
    g_settings.playerFlags = PLAYER_FLAGS_DEFAULT;
    if (c.ringFails) g_ringAllocate = [](size_t) -> void* { return nullptr; };
    EXPECT_EQ(0, EngineBindLibraries(g_windows.board, c.decoder, c.reader));
    ASSERT_EQ(c.boxes, LxMessageBoxCount());
    if (c.boxes) {
      LxMessageBoxCall box;
      LxMessageBoxGet(0, &box);
      EXPECT_EQ(std::u16string(u"Nicht genügend Speicher."), box.text);
      EXPECT_EQ(std::u16string(u"Anzeige"), box.caption);
      EXPECT_EQ(nullptr, box.owner);
      EXPECT_TRUE(PlayerFlagsTest(NoMemory));
      EXPECT_EQ(0, EnginePlay());
    }
  }
}

// A refused second open, or a device that cannot open at all: Play fails and
// leaves nothing open.
TEST_F(EngineTest, PlayFailureLeavesNothing) {
  PlaylistEntry entry = Probe(Fixture("l2-48000-stereo-192-b2a.mp2"));
  for (int round = 0; round < 2; round++) {
    if (round == 0) LxAudioRefuseRates("48000,44100");
    else {
      LxAudioRefuseRates("");
      LxAudioSelect(("wav:" + folder + "/no/such/folder/x.wav").c_str());
    }
    LoadTrack(&entry);
    EXPECT_EQ(0, EnginePlay()) << round;
    EXPECT_EQ(Stopped, g_engine.state);
    EXPECT_EQ(nullptr, g_engine.waveOut);
    EXPECT_EQ(nullptr, g_engine.freeSlotEvent);
    EXPECT_EQ(nullptr, g_engine.decoderMutex);
    EXPECT_EQ(nullptr, g_engine.thread);
    EXPECT_EQ(48000u, g_engine.sampleRate);
  }
}

// Output starts only when N − 2 buffers are filled; the device gets every
// slot once, in ring order; a title shorter than the ring plays too.
TEST_F(EngineTest, PreBufferingAndRingOrder) {
  Bytes demo = ReadHostFile(Fixture("l3-32000-stereo-96.mp3"));
  WriteHostFile(folder + "/ten.mp3", Bytes(demo.begin(), demo.begin() + 10 * 432));
  struct {
    std::string file;
    LONG n;
  } cases[] = {{Fixture("demo.mp3"), 50}, {Fixture("demo.mp3"), 300}, {folder + "/ten.mp3", 50}};
  for (auto& c : cases) {
    ResizeRing(c.n);
    HoldReturns(true);
    HoldReturns(false);
    size_t from = ReturnedSlots().size();
    PlaylistEntry entry = Probe(c.file);
    PlayToEnd(entry);
    std::vector<LONG> slots = ReturnedSlots();
    ASSERT_GT(slots.size(), from) << c.file;
    if (from == 0) EXPECT_GE(FillAtFirstReturn(), c.n - 2);
    for (size_t i = from + 1; i < slots.size(); i++) ASSERT_EQ((slots[i - 1] + 1) % c.n, slots[i]) << i;
    EXPECT_EQ(1u, Count(WM_COMMAND, MAKEWPARAM(IDM_STOP, 1)));
  }
}

struct Scripted {
  DWORD firstRead;
  int32_t result;
  LONG kept;
  DWORD nextAsk;
};
std::vector<Bytes> g_inputs;
std::vector<DWORD> g_asks;
DWORD g_firstRead;
int32_t g_result;

// What the thread keeps of a buffer for the decoder's next call.
TEST_F(EngineTest, CarryKeepsTheUnconsumedTail) {
  Scripted cases[] = {
      {8000, 1, 0, 8000}, {8000, 5, 4, 7996}, {100, 5, 4, 7996}, {8000, 8000, 7999, 1}, {8000, 8001, 0, 8000}};
  PlaylistEntry entry = Probe(Fixture("l3-22050-stereo-48.mp3"));
  for (const Scripted& c : cases) {
    g_inputs.clear();
    g_asks.clear();
    g_firstRead = c.firstRead;
    g_result = c.result;
    g_boardLog.clear();
    entries.push_back(entry);
    LoadTrack(&entries.back());
    g_engine.reader.Read = [](void* buffer, DWORD length) -> DWORD {
      g_asks.push_back(length);
      DWORD n = g_asks.size() == 1 ? std::min(length, g_firstRead) : length;
      for (DWORD i = 0; i < n; i++) static_cast<BYTE*>(buffer)[i] = BYTE(g_asks.size() * 31 + i * 7);
      return n;
    };
    g_engine.KO_DecompressAudio = [](const uint8_t* data, int32_t length, uint8_t*, int32_t, int32_t* bytes,
                                     int32_t*, int32_t*) -> int32_t {
      *bytes = 0;
      g_inputs.emplace_back(data, data + length);
      return g_inputs.size() == 1 ? g_result : -1;
    };
    ASSERT_EQ(1, EnginePlay());
    ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
    EngineStop();
    ASSERT_EQ(2u, g_inputs.size());
    ASSERT_EQ(2u, g_asks.size());
    EXPECT_EQ(c.nextAsk, g_asks[1]) << c.result;
    const Bytes& first = g_inputs[0];
    const Bytes& second = g_inputs[1];
    ASSERT_EQ(c.kept + c.nextAsk, second.size());
    EXPECT_TRUE(std::equal(first.end() - c.kept, first.end(), second.begin())) << c.result;
  }
}

HANDLE g_stall;
std::atomic<int> g_inRead;
std::mutex g_indicatorLock;
std::vector<std::pair<BOOL, LONG>> g_indicator;

// A reader that stalls: buffering starts again at N / 10 queued, nothing is
// written meanwhile, and output resumes above N − 3 without a slot twice.
TEST_F(EngineTest, StallingReaderRebuffers) {
  g_indicator.clear();
  g_boardHooks.SetBufferingIndicator = [](BOOL on) {
    std::lock_guard<std::mutex> guard(g_indicatorLock);
    g_indicator.push_back({on, std::atomic_ref<LONG>(g_engine.queuedCount).load()});
  };
  g_stall = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  static ReaderReadProc realRead;
  PlaylistEntry entry = Probe(Fixture("demo.mp3"));
  entries.push_back(entry);
  HoldReturns(true);
  LoadTrack(&entries.back());
  realRead = g_engine.reader.Read;
  g_engine.reader.Read = [](void* buffer, DWORD length) -> DWORD {
    g_inRead = 1;
    // A failed test stops the engine: the stall ends with it.
    while (WaitForSingleObject(g_stall, 10) == WAIT_TIMEOUT && g_engine.state != Stopped) {
    }
    g_inRead = 0;
    return realRead(buffer, length);
  };
  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil(RingFull));
  ResetEvent(g_stall);
  g_releasePerPump = 1;
  ASSERT_TRUE(PumpUntil([] { return g_inRead == 1; }));
  g_releasePerPump = 0;
  while (std::atomic_ref<LONG>(g_engine.queuedCount).load() > 5 && HeldReturns() > 0) {
    ReleaseReturns(1);
    Pump();
  }
  ASSERT_EQ(5, std::atomic_ref<LONG>(g_engine.queuedCount).load());
  size_t returned = ReturnedSlots().size();
  size_t mark;
  {
    std::lock_guard<std::mutex> guard(g_indicatorLock);
    mark = g_indicator.size();
  }
  SetEvent(g_stall);
  // The flush writes what was held: 43 more returns.
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> guard(g_indicatorLock);
    return g_indicator.size() >= mark + 2 && ReturnedSlots().size() >= returned + 48 - 5;
  }));
  {
    std::lock_guard<std::mutex> guard(g_indicatorLock);
    EXPECT_EQ(TRUE, g_indicator[mark].first);
    EXPECT_LE(g_indicator[mark].second, 5);
    EXPECT_EQ(FALSE, g_indicator[mark + 1].first);
    EXPECT_EQ(48, g_indicator[mark + 1].second);
  }
  HoldReturns(false);
  ReleaseReturns(HeldReturns());
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  std::vector<LONG> slots = ReturnedSlots();
  for (size_t i = 1; i < slots.size(); i++) ASSERT_EQ((slots[i - 1] + 1) % 50, slots[i]) << i;
  CloseHandle(g_stall);
}

// Stop while the thread waits for a free slot returns.
TEST_F(EngineTest, StopWhileWaitingForASlot) {
  PlayUntilRingFull(Probe(Fixture("demo.mp3")));
  EngineStop();
  EXPECT_EQ(nullptr, g_engine.thread);
  EXPECT_EQ(Stopped, g_engine.state);
  Pump();
  EXPECT_EQ(1u, Count(UM_PLAYBACKENDED, 0));
}

// The board text takes the probe's tag text: ID3v2 in full Unicode, the
// artist part only where a tag names one (always for ID3v1).
TEST_F(EngineTest, BoardTextFromTheTags) {
  const char* source = std::getenv("LUMTRAX_SOURCE");
  std::string tags = std::string(source ? source : ".") + "/player/trackinfo/tests/fixtures/";
  struct {
    const char* file;
    const char16_t* text;
  } const cases[] = {
      {"v23-utf16-cyrillic.mp3", u"Звезда по имени Солнце - Кино <00:00>"},
      {"v24-footer.mp3", u"Footer Song <00:00>"},
      {"v1-only.mp3", u"Only Version One - Old Artist <00:00>"},
  };
  for (const auto& c : cases) {
    PlaylistEntry entry = Probe(tags + c.file);
    FormatBoardText(&entry);
    EXPECT_EQ(std::u16string(c.text), std::u16string(g_engine.boardText)) << c.file;
  }
}

}  // namespace
