#include "enginetest.h"

#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <atomic>
#include <mutex>

#include "../../../platform/mm/lxaudio.h"
#include "lxuser.h"
#include "playlist/playlist.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"
#include "trackinfo/trackinfo.h"
#include "lxkit.h"

std::vector<BoardRecord> g_boardLog;
std::vector<WPARAM> g_playlistLog;
BoardLook g_lastLook;
size_t g_progressCount;
size_t g_releasePerPump;
size_t g_holdAtLoad;
LONG g_knob;

namespace {

LRESULT CALLBACK TestBoardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case MM_WOM_DONE:
      BufferDone(reinterpret_cast<WAVEHDR*>(lParam));
      return 0;
    case WM_TIMER:
      if (wParam == TIMER_SEEK) EngineSeekStep(hwnd);
      return 0;
    case UM_LOADTRACK:
      g_boardLog.push_back({message, wParam});
      if (g_holdAtLoad > 0 && --g_holdAtLoad == 0) HoldReturns(true);
      LoadTrack(reinterpret_cast<const PlaylistEntry*>(lParam));
      return 0;
    case UM_PROGRESS:
      g_progressCount++;
      return 0;
    case UM_PLAYBACKENDED:
      g_boardLog.push_back({message, wParam});
      PlaybackEnded();
      return 0;
    case WM_COMMAND:
      g_boardLog.push_back({message, wParam});
      switch (LOWORD(wParam)) {
        case IDM_PLAY:
          g_lastLook = BoardPlayCommand();
          break;
        case IDM_PAUSE:
          g_lastLook = BoardPauseCommand();
          break;
        case IDM_STOP:
          g_lastLook = BoardStopCommand(HIWORD(wParam));
          break;
        case IDM_BOARD_SEEK:
          EngineSeekStep(hwnd);
          break;
      }
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TestPlaylistProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    g_playlistLog.push_back(wParam);
    if (LOWORD(wParam) == IDM_NEXT_TITLE) return NextTitle(HIWORD(wParam));
    if (LOWORD(wParam) == IDM_SHUFFLE_TITLE) return ShuffleTitle(HIWORD(wParam));
    return 1;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeWindow(LPCWSTR name, WNDPROC proc) { return lxtest::ParentWindow(name, proc, name, 0, {0, 0, 240, 100}); }

int g_wavCount;

std::mutex g_returnLock;
std::vector<MSG> g_held;
std::vector<LONG> g_returned;
std::vector<LONG> g_positions;
LONG g_fillAtFirst = -1;
bool g_hold;

int TestPoster(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(g_returnLock);
  if (message == MM_WOM_DONE) {
    // How many buffers were queued, not the fill index: the thread may
    // already have claimed the next slot and be waiting for it to come back.
    if (g_fillAtFirst < 0) g_fillAtFirst = std::atomic_ref<LONG>(g_engine.queuedCount).load();
    const WAVEHDR* header = reinterpret_cast<const WAVEHDR*>(lParam);
    const AudioSlot* slot = reinterpret_cast<AudioSlot*>(header->dwUser);
    g_returned.push_back(LONG(slot - g_ring.slots));
    g_positions.push_back(slot->position);
    if (g_hold) {
      MSG m = {window, message, wParam, lParam};
      g_held.push_back(m);
      return 1;
    }
  }
  return PostMessageW(window, message, wParam, lParam);
}

}  // namespace

void HoldReturns(bool hold) {
  std::lock_guard<std::mutex> guard(g_returnLock);
  g_hold = hold;
}

size_t HeldReturns(void) {
  std::lock_guard<std::mutex> guard(g_returnLock);
  return g_held.size();
}

void ReleaseReturns(size_t count) {
  std::vector<MSG> out;
  {
    std::lock_guard<std::mutex> guard(g_returnLock);
    count = std::min(count, g_held.size());
    out.assign(g_held.begin(), g_held.begin() + count);
    g_held.erase(g_held.begin(), g_held.begin() + count);
  }
  for (const MSG& m : out) PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
}

std::vector<LONG> ReturnedSlots(void) {
  std::lock_guard<std::mutex> guard(g_returnLock);
  return g_returned;
}

std::vector<LONG> ReturnedPositions(void) {
  std::lock_guard<std::mutex> guard(g_returnLock);
  return g_positions;
}

LONG FillAtFirstReturn(void) {
  std::lock_guard<std::mutex> guard(g_returnLock);
  return g_fillAtFirst;
}

void EngineTest::SetUp() {
  folder = TestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
  LxMessageBoxShow(0);
  LxMessageBoxReset(0);
  LxAudioRefuseRates("");
  LxAudioSelect("null:instant");
  g_boardLog.clear();
  g_playlistLog.clear();
  g_lastLook = LookUnchanged;
  g_progressCount = 0;
  g_releasePerPump = 0;
  {
    std::lock_guard<std::mutex> guard(g_returnLock);
    g_held.clear();
    g_holdAtLoad = 0;
    g_returned.clear();
    g_positions.clear();
    g_fillAtFirst = -1;
    g_hold = false;
  }
  LxWaveOutSetPoster(TestPoster);
  g_knob = 0;
  g_boardHooks.KnobPercent = [] { return g_knob; };
  g_windows.board = MakeWindow(u"TestBoard", TestBoardProc);
  g_windows.playlist = MakeWindow(u"TestPlaylist", TestPlaylistProc);
  SettingsDefaults(&g_settings);
  ASSERT_EQ(1, EngineBind(g_windows.board));
  g_settings.fadeIn = 0;
  g_settings.autoPreset = 0;
  g_settings.shuffle = 0;
  g_settings.autoRepeat = 0;
  g_settings.useCache = 0;
  memset(g_settings.eq, 0, sizeof g_settings.eq);
  g_settings.playerFlags = PLAYER_FLAGS_DEFAULT;
  if ((LONG)g_settings.audioBuffer != 50) ResizeRing(50);
  ASSERT_EQ(1, SetVolume(100));
  PlaylistInit();
  entries.reserve(16);
}

void EngineTest::TearDown() {
  EngineUnbind();
  Pump();
  PlaylistDestroy();
  DestroyWindow(g_windows.board);
  DestroyWindow(g_windows.playlist);
  g_windows.board = g_windows.playlist = nullptr;
  LxWaveOutSetPoster(nullptr);
  g_boardHooks = BoardHooks{};
  g_ringAllocate = [](size_t bytes) { return std::calloc(1, bytes); };
  g_engine = PlayerEngine{};
}

void EngineTest::Pump() {
  if (g_releasePerPump) ReleaseReturns(g_releasePerPump);
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

bool EngineTest::PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (done()) return true;
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(2);  // the engine thread and the device post; nothing here to wait on
  }
}

std::string EngineTest::Fixture(const std::string& name) {
  const char* source = std::getenv("LUMTRAX_SOURCE");
  std::string root = source ? source : ".";
  if (name == "demo.mp3") return root + "/player/resources/demo/demo.mp3";
  return root + "/decoder/tests/fixtures/" + name;
}

PlaylistEntry EngineTest::Probe(const std::string& hostPath) {
  PlaylistEntry entry{};
  std::u16string path = DevicePath(hostPath);
  lstrcpynW(entry.path, path.c_str(), MAX_PATH);
  EXPECT_EQ(1, TrackProbe(&entry)) << hostPath;
  return entry;
}

std::string EngineTest::RecordTo(const std::string& name) {
  std::string path = folder + "/" + name + "-" + std::to_string(++g_wavCount) + ".wav";
  LxAudioSelect(("wav:" + path).c_str());
  return path;
}

Bytes EngineTest::WavData(const std::string& path) {
  Bytes file = ReadHostFile(path);
  for (size_t at = 12; at + 8 <= file.size();) {
    uint32_t size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | uint32_t(file[at + 7]) << 24;
    if (memcmp(&file[at], "data", 4) == 0)
      return Bytes(file.begin() + at + 8, file.begin() + std::min(file.size(), at + 8 + size));
    at += 8 + size;
  }
  return {};
}

std::string EngineTest::Reference(const std::string& file, DWORD audioStart, DWORD rate) {
  std::string out = folder + "/reference-" + std::to_string(++g_wavCount) + ".wav";
  std::string command = "'" + BinFolder() + "/lumtrax-decode' --eq 0,0,0,0,0,0,0,0,0,0,0 --start " +
                        std::to_string(audioStart) + (rate ? " --rate " + std::to_string(rate) : "") + " '" +
                        file + "' '" + out + "' >/dev/null 2>&1";
  EXPECT_EQ(0, std::system(command.c_str())) << command;
  return out;
}

bool EngineTest::Ended() const { return Count(UM_PLAYBACKENDED, 0) > 0; }

size_t EngineTest::Count(UINT message, WPARAM wParam) const {
  size_t n = 0;
  for (const BoardRecord& r : g_boardLog) n += r.message == message && r.wParam == wParam;
  return n;
}

void EngineTest::PlayToEnd(const PlaylistEntry& entry) {
  g_boardLog.clear();
  entries.push_back(entry);
  LoadTrack(&entries.back());
  ASSERT_TRUE(PlayerFlagsTest(TrackOpen));
  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  EngineStop();
}

void EngineTest::ResizeRing(LONG n) {
  FreeRing();
  ASSERT_EQ(1, AllocateRing(n));
  g_settings.audioBuffer = (DWORD)n;
}

bool EngineTest::RingFull(void) {
  return std::atomic_ref<LONG>(g_engine.queuedCount).load() == g_ring.count - 1;
}

void EngineTest::PlayUntilRingFull(const PlaylistEntry& entry) {
  HoldReturns(true);
  entries.push_back(entry);
  LoadTrack(&entries.back());
  ASSERT_EQ(1, EnginePlay());
  ASSERT_TRUE(PumpUntil(RingFull));
}

void EngineTest::Seek(LONG percent) {
  g_knob = percent;
  EngineSeekStep(g_windows.board);
  ASSERT_TRUE(PumpUntil([] { return g_engine.SeekStep == 0; }));
}

long MissingPiece(const Bytes& engine, const Bytes& reference) {
  if (engine.size() >= reference.size()) return -1;
  size_t gap = reference.size() - engine.size();
  size_t s = 0;
  while (s < engine.size() && engine[s] == reference[s]) s++;
  if (memcmp(engine.data() + s, reference.data() + s + gap, engine.size() - s) != 0) return -1;
  return (long)gap;
}
