// The buffering plug-in on its own: window arithmetic, end of file, Close.
#include <chrono>
#include <vector>
#include "inputplugin.h"
#include "readahead.h"
#include "testfiles.h"

namespace {

class BufferPlugin : public ::testing::Test {
 protected:
  void TearDown() override { InputMediaClose(); }
  DWORD Open(uint64_t size) {
    std::string host = folder.PatternFile("f.bin", size);
    path = DevicePath(host);
    return InputMediaOpen(path.c_str(), 0, 0, 1000000, 0);
  }
  TempFolder folder;
  std::u16string path;
};

TEST_F(BufferPlugin, ReadsTheTailThenNothing) {
  const DWORD size = 200000;
  ASSERT_EQ(Open(size), size);
  InputMediaSeek(size - 100, INPUTMEDIA_SEEK_SET);
  std::vector<uint8_t> buf(8000);
  EXPECT_EQ(InputMediaRead(buf.data(), 8000), 100u);
  EXPECT_EQ(FirstMismatch(buf.data(), size - 100, 100), -1);
  EXPECT_EQ(InputMediaRead(buf.data(), 8000), 0u);
  EXPECT_EQ(InputMediaSeek(0, INPUTMEDIA_SEEK_CUR), size);
}

TEST_F(BufferPlugin, SeeksInsideTheWindowWithoutRefill) {
  ASSERT_EQ(Open(1000000), 1000000u);
  std::vector<uint8_t> buf(8000);
  EXPECT_EQ(InputMediaSeek(114693, INPUTMEDIA_SEEK_SET), 114693u);
  EXPECT_EQ(Window.refills, 0u);
  EXPECT_EQ(Window.windowStart, 0u);
  ASSERT_EQ(InputMediaRead(buf.data(), 8000), 8000u);
  EXPECT_EQ(FirstMismatch(buf.data(), 114693, 8000), -1);

  // 155648 + 16384 runs past the window: it is refilled from 147456.
  EXPECT_EQ(InputMediaSeek(155648, INPUTMEDIA_SEEK_SET), 155648u);
  EXPECT_EQ(Window.refills, 1u);
  EXPECT_EQ(Window.windowStart, 147456u);
  EXPECT_EQ(Window.windowEnd, 147456u + READAHEAD_WINDOW);
  ASSERT_EQ(InputMediaRead(buf.data(), 8000), 8000u);
  EXPECT_EQ(FirstMismatch(buf.data(), 155648, 8000), -1);

  // Relative seeks, and a seek before the window.
  EXPECT_EQ(InputMediaSeek(-100000, INPUTMEDIA_SEEK_CUR), 63648u);
  EXPECT_EQ(Window.windowStart, 49152u);
  EXPECT_EQ(InputMediaSeek(77, 7), 0u);
  EXPECT_EQ(InputMediaSeek(0, INPUTMEDIA_SEEK_CUR), 63648u);
}

TEST_F(BufferPlugin, ReadsAcrossWindowsInOneCall) {
  const DWORD size = 500000;
  ASSERT_EQ(Open(size), size);
  // Right after the open only the first chunk is in: this read overtakes the
  // thread and must wait for every window it crosses.
  std::vector<uint8_t> buf(size + 10);
  ASSERT_EQ(InputMediaRead(buf.data(), size + 10), size);
  EXPECT_EQ(FirstMismatch(buf.data(), 0, size), -1);
  EXPECT_EQ(Window.windowMoves, 3u);
}

TEST_F(BufferPlugin, SeekPastTheEndStopsAtTheEnd) {
  ASSERT_EQ(Open(40000), 40000u);
  EXPECT_EQ(InputMediaSeek(90000, INPUTMEDIA_SEEK_SET), 40000u);
  uint8_t b[10];
  EXPECT_EQ(InputMediaRead(b, 10), 0u);
  EXPECT_EQ(InputMediaSeek(-5, INPUTMEDIA_SEEK_SET), 0u);
  EXPECT_EQ(InputMediaRead(b, 10), 10u);
  EXPECT_EQ(FirstMismatch(b, 0, 10), -1);
}

TEST_F(BufferPlugin, RefusesMissingAndEmptyFiles) {
  std::u16string missing = DevicePath(folder / "none.bin");
  EXPECT_EQ(InputMediaOpen(missing.c_str(), 0, 0, 1000000, 0), 0u);
  std::u16string empty = DevicePath(folder.PatternFile("empty.bin", 0));
  EXPECT_EQ(InputMediaOpen(empty.c_str(), 0, 0, 1000000, 0), 0u);
  EXPECT_EQ(Window.file, nullptr);
  EXPECT_EQ(Window.buffer, nullptr);
  uint8_t b[4];
  EXPECT_EQ(InputMediaRead(b, 4), 0u);
  EXPECT_EQ(InputMediaSeek(0, INPUTMEDIA_SEEK_CUR), 0u);
  InputMediaClose();
}

TEST_F(BufferPlugin, CloseWhileTheThreadWaitsIsPrompt) {
  ASSERT_EQ(Open(20000), 20000u);  // one chunk: the thread is done and waits
  Sleep(20);
  auto t0 = std::chrono::steady_clock::now();
  InputMediaClose();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(ms, 500) << "Close took " << ms << " ms";
  EXPECT_EQ(Window.file, nullptr);
  EXPECT_EQ(Window.thread, nullptr);
  // Opening again after a close works with fresh objects.
  ASSERT_EQ(Open(30000), 30000u);
  uint8_t b[30000];
  EXPECT_EQ(InputMediaRead(b, sizeof b), 30000u);
  EXPECT_EQ(FirstMismatch(b, 0, sizeof b), -1);
}

}  // namespace
