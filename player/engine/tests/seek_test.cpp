#include <algorithm>

#include "../../../platform/mm/lxaudio.h"
#include "enginetest.h"
#include "equalizer/presets.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

namespace {

using SeekTest = EngineTest;

// The title with a tag in front: positions count from its first audio byte.
PlaylistEntry Tagged(const std::string& folder, const std::string& source, size_t tagBytes) {
  Bytes tag(10 + tagBytes, 0);
  memcpy(tag.data(), "ID3\x03\x00\x00", 6);
  for (int i = 0; i < 4; i++) tag[6 + i] = (tagBytes >> (21 - 7 * i)) & 0x7F;
  Bytes audio = ReadHostFile(source);
  tag.insert(tag.end(), audio.begin(), audio.end());
  WriteHostFile(folder + "/tagged.mp3", tag);
  return EngineTest::Probe(folder + "/tagged.mp3");
}

bool AllAtLeast(const std::vector<LONG>& positions, size_t from, LONG floor) {
  return std::all_of(positions.begin() + from, positions.end(), [&](LONG p) { return p >= floor; });
}

// Stopped, with a tag and a refused rate: the seek moves reader and decoder
// and stays stopped; Play starts there; Stop goes back to the first audio byte.
TEST_F(SeekTest, StoppedSeekThenPlayAndReplay) {
  LxAudioRefuseRates("32000");
  PlaylistEntry entry = Tagged(folder, Fixture("l3-32000-stereo-96.mp3"), 4096);
  ASSERT_EQ(4106u, entry.audioStart);
  entries.push_back(entry);
  LoadTrack(&entries.back());
  Seek(50);
  EXPECT_EQ(Stopped, g_engine.state);
  EXPECT_FALSE(PlayerFlagsTest(Seeking));
  LONG target = g_engine.decoderStart;
  EXPECT_GT(target, 0);
  EXPECT_LT(target, (LONG)entry.audioBytes);

  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  std::vector<LONG> played = ReturnedPositions();
  ASSERT_FALSE(played.empty());
  EXPECT_GE(played.front(), target);
  EXPECT_LT(played.front(), target + 2000);
  EngineStop();

  Bytes reference = WavData(Reference(Fixture("l3-32000-stereo-96.mp3"), 0, 22050));
  std::string wav = RecordTo("replay");
  size_t from = ReturnedPositions().size();
  g_boardLog.clear();
  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  EXPECT_GT(MissingPiece(WavData(wav), reference), 0);
  played = ReturnedPositions();
  ASSERT_GT(played.size(), from);
  EXPECT_LT(played[from], 2000);
}

// Playing, and paused while the thread waits for a slot: after the seek only
// buffers from the new place play (a paused device's reset frees a slot, and
// the buffer written into it must not survive), and the title plays to its end.
TEST_F(SeekTest, SeekWhilePlayingOrPaused) {
  PlaylistEntry entry = Probe(Fixture("demo.mp3"));
  for (int paused = 0; paused < 2; paused++) {
    g_boardLog.clear();
    PlayUntilRingFull(entry);
    if (paused) ASSERT_EQ(1, EnginePause());
    HoldReturns(false);
    ReleaseReturns(HeldReturns());
    Seek(50);
    LONG target = g_engine.decoderStart;
    EXPECT_EQ(paused ? Paused : Playing, g_engine.state);
    size_t from = ReturnedPositions().size();
    if (paused) ASSERT_EQ(1, EnginePlay());
    ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
    std::vector<LONG> played = ReturnedPositions();
    EXPECT_GT(played.size(), from + 10) << paused;
    EXPECT_TRUE(AllAtLeast(played, from, target)) << paused;
    EXPECT_EQ(1u, Count(WM_COMMAND, MAKEWPARAM(IDM_STOP, 1)));
    EngineStop();
  }
}

// Pause during a seek of a playing title: the seek ends paused, and Play
// restarts the device.
TEST_F(SeekTest, PauseDuringSeek) {
  PlayUntilRingFull(Probe(Fixture("demo.mp3")));
  HoldReturns(false);
  ReleaseReturns(HeldReturns());
  g_knob = 30;
  EngineSeekStep(g_windows.board);
  EXPECT_EQ(2, g_engine.SeekStep);
  ASSERT_EQ(1, EnginePause());
  ASSERT_TRUE(PumpUntil([] { return g_engine.SeekStep == 0; }));
  EXPECT_EQ(Paused, g_engine.state);
  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
}
// In the last seconds the thread only waits for the device: a seek back
// still plays on from there.
TEST_F(SeekTest, SeekDuringTheFinalDrain) {
  static int reads, ends;
  reads = ends = 0;
  PlaylistEntry entry = Probe(Fixture("l3-32000-stereo-96.mp3"));
  entries.push_back(entry);
  LoadTrack(&entries.back());
  static ReaderReadProc realRead;
  realRead = g_engine.reader.Read;
  g_engine.reader.Read = [](void* buffer, DWORD length) -> DWORD {
    DWORD n = realRead(buffer, length);
    std::atomic_ref<int>(n ? reads : ends)++;
    return n;
  };
  HoldReturns(true);
  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil([] { return std::atomic_ref<int>(ends).load() > 0 && HeldReturns() > 0; }));
  int before = std::atomic_ref<int>(reads).load();
  g_releasePerPump = 1;
  Seek(0);
  HoldReturns(false);
  ReleaseReturns(HeldReturns());
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  EXPECT_GT(std::atomic_ref<int>(reads).load(), before);
  EXPECT_EQ(2, std::atomic_ref<int>(ends).load());
  EXPECT_EQ(1u, Count(WM_COMMAND, MAKEWPARAM(IDM_STOP, 1)));
}

// The equalizer's live update while the thread decodes, and after it ended.
TEST_F(SeekTest, EqualizerChangeWhilePlaying) {
  PlayUntilRingFull(Probe(Fixture("demo.mp3")));
  HoldReturns(false);
  ReleaseReturns(HeldReturns());
  signed char gains[EQ_GAIN_COUNT] = {3, -2, 0, 1, 0, 0, 4, 0, 0, -6, 0};
  for (int i = 0; i < 20 && !Ended(); i++) {
    gains[0] = (signed char)(i % 10);
    ApplyEqualizer(gains);
    Pump();
  }
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  ApplyEqualizer(gains);
  EXPECT_EQ(nullptr, g_engine.decoderMutex);
}

}  // namespace
