// Wave-out as the player drives it: buffers written in a ring come back in
// order as MM_WOM_DONE, pause holds them, reset returns them all at once,
// refused rates fail with WAVERR_BADFORMAT, the volume is a gain that
// survives the program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lxaudio.h"
#include "windows.h"
#include "lxkit.h"

namespace {

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::chrono::steady_clock::time_point when;
};

std::mutex g_lock;
std::condition_variable g_changed;
std::vector<Posted> g_posted;

int Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_posted.push_back({window, message, wParam, lParam, std::chrono::steady_clock::now()});
  g_changed.notify_all();
  return 1;
}

std::vector<Posted> Messages(UINT message) {
  std::lock_guard<std::mutex> guard(g_lock);
  std::vector<Posted> out;
  for (const Posted& p : g_posted)
    if (p.message == message) out.push_back(p);
  return out;
}

// Waits (with a generous guard, not a timing requirement) for n completions.
bool WaitForDone(size_t n) {
  std::unique_lock<std::mutex> guard(g_lock);
  return g_changed.wait_for(guard, std::chrono::seconds(10), [&] {
    size_t done = 0;
    for (const Posted& p : g_posted) done += p.message == MM_WOM_DONE;
    return done >= n;
  });
}

HWND const kBoard = reinterpret_cast<HWND>(0x1234);

WAVEFORMATEX Pcm(DWORD rate, WORD channels, WORD bits = 16) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = WORD(channels * bits / 8);
  f.nAvgBytesPerSec = f.nBlockAlign * rate;
  return f;
}

// One ring block: header followed by its PCM, as the player lays them out.
struct Block {
  WAVEHDR hdr{};
  std::vector<char> pcm;
  explicit Block(size_t bytes, char fill = 0) : pcm(bytes, fill) {
    hdr.lpData = pcm.data();
    hdr.dwBufferLength = DWORD(bytes);
  }
};

class WaveOut : public lxtest::TempHome {
 protected:
  void SetUp() override {
    lxtest::TempHome::SetUp();
    LxWaveOutSetPoster(Record);
    LxAudioSelect("null:instant");
    LxAudioRefuseRates("");
    std::lock_guard<std::mutex> guard(g_lock);
    g_posted.clear();
  }
  void TearDown() override {
    LxWaveOutSetPoster(nullptr);
  }
  HWAVEOUT Open(DWORD rate = 44100, WORD channels = 2) {
    WAVEFORMATEX f = Pcm(rate, channels);
    HWAVEOUT hwo = nullptr;
    EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(kBoard), 0,
                          CALLBACK_WINDOW | WAVE_MAPPED),
              MMSYSERR_NOERROR);
    return hwo;
  }
};

TEST_F(WaveOut, BuffersReturnInWriteOrderMarkedDone) {
  HWAVEOUT hwo = Open();
  ASSERT_NE(hwo, nullptr);
  // Lengths as a decoder produces them, including an empty one and one that
  // ends in a partial frame.
  std::vector<size_t> sizes = {8000, 4608, 0, 8000, 1153, 8000, 4, 8000, 2304, 8000};
  std::vector<Block> ring;
  for (size_t s : sizes) ring.emplace_back(s);
  for (Block& b : ring) ASSERT_EQ(waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  for (int round = 0; round < 3; ++round) {
    for (Block& b : ring) ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitForDone(ring.size() * (round + 1)));
  }
  std::vector<Posted> done = Messages(MM_WOM_DONE);
  ASSERT_EQ(done.size(), ring.size() * 3);
  for (size_t i = 0; i < done.size(); ++i) {
    EXPECT_EQ(done[i].window, kBoard);
    EXPECT_EQ(done[i].wParam, reinterpret_cast<WPARAM>(hwo));
    EXPECT_EQ(done[i].lParam, reinterpret_cast<LPARAM>(&ring[i % ring.size()].hdr)) << "buffer " << i;
  }
  for (Block& b : ring) {
    EXPECT_EQ(b.hdr.dwFlags, DWORD(WHDR_DONE | WHDR_PREPARED));
    EXPECT_EQ(waveOutUnprepareHeader(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(b.hdr.dwFlags & WHDR_PREPARED, 0u);
  }
  MMTIME t{};
  t.wType = TIME_BYTES;
  ASSERT_EQ(waveOutGetPosition(hwo, &t, sizeof t), MMSYSERR_NOERROR);
  EXPECT_EQ(t.u.cb, 3u * (8000 * 5 + 4608 + 1152 + 4 + 2304));
  ASSERT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
  EXPECT_EQ(Messages(MM_WOM_OPEN).size(), 1u);
  EXPECT_EQ(Messages(MM_WOM_CLOSE).size(), 1u);
  std::lock_guard<std::mutex> guard(g_lock);
  EXPECT_EQ(g_posted.front().message, UINT(MM_WOM_OPEN));
  EXPECT_EQ(g_posted.back().message, UINT(MM_WOM_CLOSE));
}

// In real time, a long queue comes back a few buffers per wake (the last
// 150 ms one by one); lateness only gathers more.
TEST_F(WaveOut, LongQueueComesBackGathered) {
  LxAudioSelect("null");
  HWAVEOUT hwo = Open();
  std::vector<Block> ring;
  for (int i = 0; i < 60; ++i) ring.emplace_back(441 * 4);  // 10 ms each
  for (Block& b : ring) {
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitForDone(ring.size()));
  std::vector<Posted> done = Messages(MM_WOM_DONE);
  int wakes = 1;
  for (size_t i = 0; i < done.size(); ++i) {
    EXPECT_EQ(done[i].lParam, reinterpret_cast<LPARAM>(&ring[i].hdr)) << "buffer " << i;
    if (i > 0 && done[i].when - done[i - 1].when > std::chrono::milliseconds(3)) ++wakes;
  }
  EXPECT_LT(wakes, 40) << "one wake per buffer would be 60";
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, PauseHoldsBuffersUntilRestart) {
  HWAVEOUT hwo = Open();
  std::vector<Block> ring;
  for (int i = 0; i < 5; ++i) ring.emplace_back(8000);
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);  // again: no effect
  for (Block& b : ring) {
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  // The instant device would return them within microseconds if it played.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(Messages(MM_WOM_DONE).empty());
  for (Block& b : ring) EXPECT_EQ(b.hdr.dwFlags, DWORD(WHDR_PREPARED | WHDR_INQUEUE));
  ASSERT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitForDone(5));
  ASSERT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);  // not paused: no effect
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, ResetReturnsEveryQueuedBufferAtOnce) {
  LxAudioSelect("null");  // real time: one-second buffers stay queued
  HWAVEOUT hwo = Open(8000, 1);
  std::vector<Block> ring;
  for (int i = 0; i < 10; ++i) ring.emplace_back(16000);
  for (Block& b : ring) {
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(waveOutClose(hwo), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutUnprepareHeader(hwo, &ring[3].hdr, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutWrite(hwo, &ring[3].hdr, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_LT(Messages(MM_WOM_DONE).size(), 2u);

  ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
  // No waiting: every buffer is back when reset returns.
  std::vector<Posted> done = Messages(MM_WOM_DONE);
  ASSERT_EQ(done.size(), ring.size());
  for (size_t i = 0; i < ring.size(); ++i) {
    EXPECT_EQ(done[i].lParam, reinterpret_cast<LPARAM>(&ring[i].hdr));
    EXPECT_EQ(ring[i].hdr.dwFlags, DWORD(WHDR_DONE | WHDR_PREPARED));
  }
  MMTIME t{};
  t.wType = TIME_BYTES;
  waveOutGetPosition(hwo, &t, sizeof t);
  EXPECT_EQ(t.u.cb, 0u);

  // A paused device returns its buffers too, and stays paused.
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(waveOutWrite(hwo, &ring[i].hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
  EXPECT_EQ(Messages(MM_WOM_DONE).size(), ring.size() + 4);
  for (Block& b : ring) EXPECT_EQ(waveOutUnprepareHeader(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, ResetKeepsPausedDevicePaused) {
  HWAVEOUT hwo = Open();
  Block b(8000);
  waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
  waveOutPause(hwo);
  waveOutReset(hwo);
  ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(Messages(MM_WOM_DONE).empty());
  waveOutRestart(hwo);
  ASSERT_TRUE(WaitForDone(1));
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, MisuseIsReportedNotFatal) {
  HWAVEOUT hwo = Open();
  Block b(8000);
  EXPECT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  EXPECT_EQ(waveOutWrite(hwo, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutPrepareHeader(hwo, &b.hdr, 16), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
  // The handle is gone now.
  EXPECT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutReset(hwo), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutPause(nullptr), MMSYSERR_INVALHANDLE);
  WAVEFORMATEX f = Pcm(44100, 2);
  HWAVEOUT other = nullptr;
  EXPECT_EQ(waveOutOpen(&other, 3, &f, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveOutOpen(&other, WAVE_MAPPER, &f, 0, 0, 0x70000), MMSYSERR_INVALFLAG);
  EXPECT_EQ(waveOutGetNumDevs(), 1u);
}

TEST_F(WaveOut, RefusedRatesAndBadFormatsGiveBadFormat) {
  ASSERT_TRUE(LxAudioRefuseRates("48000,32000"));
  HWAVEOUT hwo = nullptr;
  for (DWORD rate : {48000u, 32000u}) {
    WAVEFORMATEX f = Pcm(rate, 2);
    EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(kBoard), 0,
                          CALLBACK_WINDOW | WAVE_MAPPED),
              UINT(WAVERR_BADFORMAT))
        << rate;
    EXPECT_EQ(WAVERR_BADFORMAT, 32);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY), UINT(WAVERR_BADFORMAT));
  }
  // The player's fallback rates are taken.
  for (DWORD rate : {44100u, 22050u}) {
    WAVEFORMATEX f = Pcm(rate, 2);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    hwo = Open(rate, 2);
    ASSERT_NE(hwo, nullptr);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
  }
  EXPECT_TRUE(Messages(MM_WOM_OPEN).size() == 2);  // only the opens that succeeded
  EXPECT_FALSE(LxAudioRefuseRates("48000,abc"));
  ASSERT_TRUE(LxAudioRefuseRates(""));
  WAVEFORMATEX f = Pcm(48000, 2);
  EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);

  WAVEFORMATEX bad = Pcm(44100, 2);
  bad.wFormatTag = 2;
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL), UINT(WAVERR_BADFORMAT));
  bad = Pcm(44100, 2, 24);
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL), UINT(WAVERR_BADFORMAT));
  bad = Pcm(44100, 6);
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL), UINT(WAVERR_BADFORMAT));
  bad = Pcm(44100, 2);
  bad.nBlockAlign = 2;
  EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL), UINT(WAVERR_BADFORMAT));
}

TEST_F(WaveOut, VolumeSurvivesTheProgram) {
  DWORD v = 0;
  ASSERT_EQ(waveOutGetVolume(nullptr, &v), MMSYSERR_NOERROR);
  EXPECT_EQ(v, 0xFFFFFFFFu);  // a new device plays at full volume
  // Another program sets it ...
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(waveOutSetVolume(nullptr, 0x7FFF7FFF) == MMSYSERR_NOERROR ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // ... and this one sees it, on the device and on an open handle.
  ASSERT_EQ(waveOutGetVolume(nullptr, &v), MMSYSERR_NOERROR);
  EXPECT_EQ(v, 0x7FFF7FFFu);
  HWAVEOUT hwo = Open();
  ASSERT_EQ(waveOutSetVolume(hwo, 0x80000000u), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutGetVolume(hwo, &v), MMSYSERR_NOERROR);
  EXPECT_EQ(v, 0x80000000u);
  waveOutClose(hwo);
  EXPECT_EQ(waveOutGetVolume(hwo, &v), MMSYSERR_INVALHANDLE);
  // A damaged state file does not take the volume with it.
  std::ofstream(home + "/DeviceState.txt") << "Volume=\x01garbage\n\n=\nBattery";
  ASSERT_EQ(waveOutSetVolume(nullptr, 0x12345678u), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutGetVolume(nullptr, &v), MMSYSERR_NOERROR);
  EXPECT_EQ(v, 0x12345678u);
}

// SDL's own timer-driven device stands in for a sound card.
TEST_F(WaveOut, SdlDeviceReturnsBuffersInOrder) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  LxAudioSelect("sdl");
  HWAVEOUT hwo = Open(44100, 2);
  ASSERT_NE(hwo, nullptr);
  ASSERT_STREQ(LxWaveOutDriverName(hwo), "sdl");
  std::vector<Block> ring;
  for (int i = 0; i < 6; ++i) ring.emplace_back(4000);
  for (Block& b : ring) {
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitForDone(ring.size()));
  // Held by pause, all back at reset.
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
  for (Block& b : ring) ASSERT_EQ(waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
  std::vector<Posted> done = Messages(MM_WOM_DONE);
  ASSERT_EQ(done.size(), 2 * ring.size());
  for (size_t i = 0; i < done.size(); ++i)
    EXPECT_EQ(done[i].lParam, reinterpret_cast<LPARAM>(&ring[i % ring.size()].hdr)) << i;
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
uint32_t Le32(const std::string& s, size_t at) {
  return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}
int16_t Le16(const std::string& s, size_t at) { return int16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }

TEST_F(WaveOut, RecorderWritesWhatIsHeard) {
  std::string path = home + "/out.wav";
  ASSERT_TRUE(LxAudioSelect(("wav:" + path).c_str()));
  waveOutSetVolume(nullptr, 0xFFFFFFFFu);

  // Two tracks in the same format continue one file.
  for (int track = 0; track < 2; ++track) {
    HWAVEOUT hwo = Open(22050, 2);
    Block b(4000);
    for (size_t i = 0; i < 1000; ++i) {
      int16_t left = int16_t(1000 * (track + 1)), right = int16_t(-2000 - int(i));
      memcpy(&b.pcm[i * 4], &left, 2);
      memcpy(&b.pcm[i * 4 + 2], &right, 2);
    }
    if (track == 1) waveOutSetVolume(hwo, 0x40008000u);  // left half, right a quarter
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR));
    ASSERT_TRUE(WaitForDone(size_t(track) + 1));
    waveOutUnprepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    waveOutClose(hwo);
  }
  std::string wav = ReadFile(path);
  ASSERT_EQ(wav.size(), 44u + 8000);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(wav, 4), 36u + 8000);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le32(wav, 16), 16u);
  EXPECT_EQ(Le16(wav, 20), 1);
  EXPECT_EQ(Le16(wav, 22), 2);
  EXPECT_EQ(Le32(wav, 24), 22050u);
  EXPECT_EQ(Le32(wav, 28), 22050u * 4);
  EXPECT_EQ(Le16(wav, 32), 4);
  EXPECT_EQ(Le16(wav, 34), 16);
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(Le32(wav, 40), 8000u);
  EXPECT_EQ(Le16(wav, 44), 1000);
  EXPECT_EQ(Le16(wav, 46), -2000);
  EXPECT_EQ(Le16(wav, 44 + 4000), 1000);       // 2000 at half volume
  EXPECT_EQ(Le16(wav, 46 + 4000), -500);       // -2000 at a quarter
  EXPECT_EQ(Le16(wav, 46 + 4000 + 4 * 999), -750);  // -2999 / 4, towards minus infinity

  // Another format starts a file beside it instead of spoiling this one.
  HWAVEOUT hwo = Open(44100, 1);
  Block b(200);
  waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
  waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR));
  ASSERT_TRUE(WaitForDone(3));
  waveOutClose(hwo);
  EXPECT_EQ(ReadFile(path).size(), 44u + 8000);
  std::string second = ReadFile(home + "/out-2.wav");
  ASSERT_EQ(second.size(), 44u + 200);
  EXPECT_EQ(Le16(second, 22), 1);
  EXPECT_EQ(Le32(second, 24), 44100u);
}

// Buffers of one value each, 16-bit stereo at 8000 Hz: 32000 bytes a second.
std::vector<Block> Filled(int count, size_t bytes, int16_t first) {
  std::vector<Block> blocks;
  for (int i = 0; i < count; ++i) {
    blocks.emplace_back(bytes);
    int16_t value = int16_t(first + i);
    for (size_t at = 0; at < bytes; at += 2) memcpy(&blocks.back().pcm[at], &value, 2);
  }
  return blocks;
}

TEST_F(WaveOut, RealTimeRecorderKeepsTimeAndLosesWhatResetDrops) {
  std::string path = home + "/rt.wav";
  ASSERT_TRUE(LxAudioSelect(("wavrt:" + path).c_str()));
  waveOutSetVolume(nullptr, 0xFFFFFFFFu);
  HWAVEOUT hwo = Open(8000, 2);
  ASSERT_STREQ(LxWaveOutDriverName(hwo), "wavrt");
  const size_t quarter = 8000, half = 16000;  // a quarter and half a second

  std::vector<Block> heard = Filled(4, quarter, 1);
  auto start = std::chrono::steady_clock::now();
  for (Block& b : heard) {
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR));
  }
  ASSERT_TRUE(WaitForDone(4));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(990)) << "a second of sound";
  EXPECT_EQ(ReadFile(path).size(), 44 + 4 * quarter);

  // Reset while the second of four halves plays: the rest never sounded.
  std::vector<Block> cut = Filled(4, half, 5);
  for (Block& b : cut) {
    waveOutPrepareHeader(hwo, &b.hdr, sizeof(WAVEHDR));
    waveOutWrite(hwo, &b.hdr, sizeof(WAVEHDR));
  }
  ASSERT_TRUE(WaitForDone(5));
  ASSERT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
  std::string wav = ReadFile(path);
  size_t kept = wav.size() - 44 - 4 * quarter;
  EXPECT_GE(kept, half);
  EXPECT_LT(kept, 4 * half) << "what was not heard is cut";
  EXPECT_EQ(kept % 4, 0u) << "whole frames";
  EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
  EXPECT_EQ(Le16(wav, 44 + 4 * quarter + half - 2), 5);

  // The next sound follows the cut.
  std::vector<Block> next = Filled(1, quarter, 9);
  waveOutPrepareHeader(hwo, &next[0].hdr, sizeof(WAVEHDR));
  waveOutWrite(hwo, &next[0].hdr, sizeof(WAVEHDR));
  ASSERT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitForDone(4 + 4 + 1));
  std::string after = ReadFile(path);
  ASSERT_EQ(after.size(), wav.size() + quarter);
  EXPECT_EQ(Le16(after, wav.size()), 9);
  EXPECT_EQ(Le16(after, wav.size() - 2), Le16(wav, wav.size() - 2));
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

}  // namespace
