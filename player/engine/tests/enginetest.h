// The engine tests' shared fixture: the real libraries bound, a test board
// window that routes the engine's messages and records them, a test playlist
// window over the real playlist model, and the device as a WAV recorder.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "playlist/playlistentry.h"
#include "testing/playertest.h"

struct BoardRecord {
  UINT message;
  WPARAM wParam;
};

extern std::vector<BoardRecord> g_boardLog;  // UM_PLAYBACKENDED, WM_COMMAND, UM_LOADTRACK
extern std::vector<WPARAM> g_playlistLog;    // WM_COMMAND to the playlist
extern BoardLook g_lastLook;
extern size_t g_progressCount;              // UM_PROGRESS messages

// The device's returns: passed on, or held until the test releases them
// (the engine then sees a device that is still playing).
void HoldReturns(bool hold);
size_t HeldReturns(void);
void ReleaseReturns(size_t count);
// Released at every pump while set: a device that plays on.
extern size_t g_releasePerPump;
// Counted down by each UM_LOADTRACK; the one that reaches 0 holds the returns
// from then on, so that title plays on however short it is.
extern size_t g_holdAtLoad;
// Ring slot and stream position of every return so far, in order; the fill
// index at the first.
std::vector<LONG> ReturnedSlots(void);
std::vector<LONG> ReturnedPositions(void);
LONG FillAtFirstReturn(void);

extern LONG g_knob;  // the position knob's percentage a seek takes

class EngineTest : public ::testing::Test {
 public:
  static PlaylistEntry Probe(const std::string& hostPath);
  // A fixture of decoder/tests/fixtures, or the demo title.
  static std::string Fixture(const std::string& name);

 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the test thread's messages until the condition holds; false when
  // the deadline passes first.
  static bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 30000);
  static void Pump();
  // Records the next device opens into a fresh file.
  std::string RecordTo(const std::string& name);
  static Bytes WavData(const std::string& path);
  // What the reference decoder makes of the file.
  std::string Reference(const std::string& file, DWORD audioStart, DWORD rate);
  // Load, play to the natural end, and wait for the engine to stop.
  void PlayToEnd(const PlaylistEntry& entry);
  bool Ended() const;
  size_t Count(UINT message, WPARAM wParam) const;
  void ResizeRing(LONG n);
  // Loads the title and starts it with returns held, until the ring is full.
  void PlayUntilRingFull(const PlaylistEntry& entry);
  static bool RingFull(void);
  // One whole seek to the knob's percentage, driven by the board's timer.
  void Seek(LONG percent);

  std::string folder;
  std::vector<PlaylistEntry> entries;  // kept alive while loaded
};

// engine PCM = reference PCM with one piece missing (the first tail call's
// frame); the piece's length, or -1 when that does not hold.
long MissingPiece(const Bytes& engine, const Bytes& reference);
