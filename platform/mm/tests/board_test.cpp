// Completions reach a real window's queue, as the board window receives
// them: MM_WOM_DONE in write order, picked up by the owner's message loop
// while another thread writes (the player's decode thread).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "lxaudio.h"
#include "windows.h"
#include "lxkit.h"

#if __has_include("winuser.h")

namespace {

std::vector<LPARAM> g_done;
std::atomic<int> g_returned{0};
int g_opens = 0;

LRESULT CALLBACK BoardProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == MM_WOM_DONE) {
    g_done.push_back(lParam);
    g_returned.fetch_add(1);
    return 0;
  }
  if (msg == MM_WOM_OPEN) ++g_opens;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST(BoardWindow, ReceivesEveryBufferInOrderFromTheDecodeThread) {
  lxtest::TempFolder home("lxmmwin");
  lxtest::UseHome(home.Path());
  LxWaveOutSetPoster(nullptr);
  LxAudioSelect("null:instant");

  HWND board = lxtest::ParentWindow(u"LumtraxMBTest", BoardProc, u"", 0, {0, 0, 240, 50});
  ASSERT_NE(board, nullptr);

  WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  HWAVEOUT hwo = nullptr;
  ASSERT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(board), 0, CALLBACK_WINDOW | WAVE_MAPPED),
            MMSYSERR_NOERROR);
  const int kRing = 50, kRounds = 4;
  std::vector<std::vector<char>> pcm(kRing, std::vector<char>(8000));
  std::vector<WAVEHDR> hdr(kRing);
  for (int i = 0; i < kRing; ++i) {
    hdr[i].lpData = pcm[i].data();
    hdr[i].dwBufferLength = 8000;
    ASSERT_EQ(waveOutPrepareHeader(hwo, &hdr[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  // The writer reuses a slot only after the window has seen it come back.
  std::thread writer([&] {
    for (int n = 0; n < kRing * kRounds; ++n) {
      WAVEHDR* h = &hdr[size_t(n % kRing)];
      while (g_returned.load() < n - kRing + 1) std::this_thread::yield();
      EXPECT_EQ(waveOutWrite(hwo, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
  });
  MSG msg;
  while (g_done.size() < size_t(kRing * kRounds) && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  writer.join();
  ASSERT_EQ(g_done.size(), size_t(kRing * kRounds));
  for (size_t i = 0; i < g_done.size(); ++i)
    ASSERT_EQ(g_done[i], reinterpret_cast<LPARAM>(&hdr[i % kRing])) << "buffer " << i;
  EXPECT_EQ(g_opens, 1);
  for (WAVEHDR& h : hdr) waveOutUnprepareHeader(hwo, &h, sizeof(WAVEHDR));
  EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
  DestroyWindow(board);
}

}  // namespace

#endif
