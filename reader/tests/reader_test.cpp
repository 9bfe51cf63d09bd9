// The reader library through its table: plug-in choice, StreamInfo, seeks,
// Close, failures that must leave nothing loaded.
#include <chrono>
#include <vector>
#include "readerlib.h"

namespace {

class Reader : public ::testing::Test {
 protected:
  void SetUp() override {
    ops = LoadReader();
    ASSERT_NE(ops.Open, nullptr) << "KOMP3READER.DLL did not load";
  }
  void TearDown() override {
    if (ops.Close) {
      EXPECT_EQ(ops.Close(), 1);
    }
    unsetenv("LXINPUTCACHE_AVAIL_PHYS");
    EXPECT_FALSE(IsLoaded("liblxinputbuffer.so"));
    EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
  }
  std::u16string File(uint64_t size) {
    std::string name = std::to_string(size);
    return DevicePath(folder.PatternFile(name + ".bin", size));
  }
  ReaderOperations ops;
  TempFolder folder;
  StreamInfo* info = nullptr;
};

TEST_F(Reader, FlagsChooseThePlugin) {
  std::u16string path = File(70000);
  ASSERT_EQ(ops.Open(path.c_str(), 0, 0, 0, &info), 1);
  EXPECT_TRUE(IsLoaded("liblxinputbuffer.so"));
  EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
  EXPECT_EQ(ops.Close(), 1);
  EXPECT_FALSE(IsLoaded("liblxinputbuffer.so"));

  ASSERT_EQ(ops.Open(path.c_str(), 0, READER_FLAG_CACHE, 0, &info), 1);
  EXPECT_TRUE(IsLoaded("liblxinputcache.so"));
  EXPECT_FALSE(IsLoaded("liblxinputbuffer.so"));
  std::vector<uint8_t> buf(70000);
  EXPECT_EQ(ops.Read(buf.data(), 80000), 70000u);
  EXPECT_EQ(FirstMismatch(buf.data(), 0, 70000), -1);
}

TEST_F(Reader, NetworkPathsFailCleanlyWithoutTheNetworkPlugin) {
  for (int flags = 0; flags <= 1; flags++) {
    info = nullptr;
    EXPECT_EQ(ops.Open(u"http://host/a.mp3", 0, flags, 0, &info), 0);
    EXPECT_EQ(info, nullptr);
    EXPECT_FALSE(IsLoaded("liblxinputbuffer.so"));
    EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
    EXPECT_EQ(ops.GetPositionPercent(), 0.0);
  }
  // A local file whose name merely contains "://" is not openable either way.
  EXPECT_EQ(ops.Open(u"\\tmp\\x://y.mp3", 0, 1, 0, &info), 0);
}

TEST_F(Reader, StreamInfoCarriesTheSizeAtByte48) {
  std::u16string path = File(1000003);
  ASSERT_EQ(ops.Open(path.c_str(), 0, 0, 0, &info), 1);
  ASSERT_NE(info, nullptr);
  uint32_t word12;
  memcpy(&word12, (const char*)info + STREAMINFO_SIZE_OFFSET, 4);
  EXPECT_EQ(word12, 1000003u);
  EXPECT_EQ(info->words[STREAMINFO_MARKER_WORD], (DWORD)STREAMINFO_MARKER);
  EXPECT_EQ(info->words[STREAMINFO_TEXT_WORD], 0u);
  EXPECT_EQ(info->buffers[0], nullptr);
  EXPECT_EQ(ops.GetSize(), 1000003u);
  EXPECT_EQ(ops.Reserved(), 0);
  // A buffer someone hangs on the record is freed by Close.
  info->buffers[1] = LocalAlloc(LMEM_FIXED, 64);
  EXPECT_EQ(ops.Close(), 1);
  EXPECT_EQ(info->buffers[1], nullptr);
}

TEST_F(Reader, SeeksRoundAndClamp) {
  std::u16string path = File(1000003);
  for (int flags = 0; flags <= 1; flags++) {
    ASSERT_EQ(ops.Open(path.c_str(), 0, flags, 2, &info), 1);
    uint8_t b[16];
    EXPECT_EQ(ops.SeekPercent(50), 500000u) << "500,001 rounds down to a multiple of 4";
    EXPECT_DOUBLE_EQ(ops.GetPositionPercent(), 500000 * 100.0 / 1000003);
    ASSERT_EQ(ops.Read(b, 16), 16u);
    EXPECT_EQ(FirstMismatch(b, 500000, 16), -1);
    EXPECT_EQ(ops.SeekPercent(100), 1000000u);
    EXPECT_EQ(ops.SeekPercent(250), 1000000u);
    EXPECT_EQ(ops.SeekPercent(-3), 0u);
    EXPECT_EQ(ops.SeekTo(2000000), 1000003u) << "beyond the size seeks to the size";
    EXPECT_EQ(ops.Read(b, 16), 0u);
    EXPECT_DOUBLE_EQ(ops.GetPositionPercent(), 100.0);
    EXPECT_EQ(ops.SeekTo(999999), 999999u);
    EXPECT_EQ(ops.Read(b, 16), 4u);
    EXPECT_EQ(FirstMismatch(b, 999999, 4), -1);
    EXPECT_EQ(ops.Close(), 1);
  }
}

TEST_F(Reader, ClosedReaderAnswersZero) {
  EXPECT_EQ(ops.Close(), 1);
  EXPECT_EQ(ops.Close(), 1);
  uint8_t b[4];
  EXPECT_EQ(ops.Read(b, 4), 0u);
  EXPECT_EQ(ops.SeekPercent(50), 0u);
  EXPECT_EQ(ops.SeekTo(10), 0u);
  EXPECT_EQ(ops.GetPositionPercent(), 0.0);
  std::u16string path = File(5000);
  ASSERT_EQ(ops.Open(path.c_str(), 1, 1, 0, &info), 1);
  EXPECT_EQ(ops.Close(), 1);
  EXPECT_EQ(ops.Close(), 1);
  EXPECT_EQ(ops.Read(b, 4), 0u);
}

TEST_F(Reader, FailedOpensLeaveNothingLoaded) {
  std::u16string missing = DevicePath(folder / "missing.mp3");
  std::u16string empty = File(0);
  for (int flags = 0; flags <= 1; flags++) {
    EXPECT_EQ(ops.Open(missing.c_str(), 0, flags, 0, &info), 0);
    EXPECT_EQ(ops.Open(empty.c_str(), 0, flags, 0, &info), 0);
    EXPECT_FALSE(IsLoaded("liblxinputbuffer.so"));
    EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
  }
  // The cache leaves a reserve of 1,000,000 bytes; with less free memory the
  // open fails.
  setenv("LXINPUTCACHE_AVAIL_PHYS", "900000", 1);
  std::u16string path = File(3000000);
  EXPECT_EQ(ops.Open(path.c_str(), 0, 1, 0, &info), 0);
  EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
  EXPECT_EQ(ops.Open(path.c_str(), 0, 0, 0, &info), 1) << "the buffering plug-in has no budget";
}

TEST_F(Reader, OpenReplacesTheOpenStream) {
  std::u16string a = File(10000), b = File(20000);
  ASSERT_EQ(ops.Open(a.c_str(), 0, 1, 0, &info), 1);
  ASSERT_EQ(ops.Open(b.c_str(), 0, 0, 0, &info), 1);
  EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
  EXPECT_EQ(ops.GetSize(), 20000u);
}

TEST_F(Reader, CloseWhileThePluginThreadWaitsIsPrompt) {
  std::u16string path = File(30000);
  for (int flags = 0; flags <= 1; flags++) {
    ASSERT_EQ(ops.Open(path.c_str(), flags, flags, 0, &info), 1);
    Sleep(20);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ops.Close(), 1);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 500) << "Close took " << ms << " ms";
  }
}

}  // namespace
