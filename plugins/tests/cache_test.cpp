// The caching plug-in on its own: budget and block count, slides, refills,
// whole mode, allocation failure, Close.
#include <dlfcn.h>
#include <atomic>
#include <chrono>
#include <vector>
#include "cache.h"
#include "inputplugin.h"
#include "testfiles.h"

// The plug-in's objects are linked into this program, so its LocalAlloc calls
// land here first: the test can make the n-th allocation fail and count what
// is still allocated.
static std::atomic<int> FailAllocation{0};  // 0 = never, n = the n-th from now
static std::atomic<int> Outstanding{0};

extern "C" HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  static auto real = (HLOCAL(*)(UINT, SIZE_T))dlsym(RTLD_NEXT, "LocalAlloc");
  int n = FailAllocation.load();
  if (n > 0 && FailAllocation.fetch_sub(1) == 1) return NULL;
  HLOCAL mem = real(flags, bytes);
  if (mem) Outstanding++;
  return mem;
}

extern "C" HLOCAL LocalFree(HLOCAL mem) {
  static auto real = (HLOCAL(*)(HLOCAL))dlsym(RTLD_NEXT, "LocalFree");
  if (mem) Outstanding--;
  return real(mem);
}

namespace {

// Holds the plug-in's mutex while the test looks at state the thread writes.
struct Peek {
  Peek() { WaitForSingleObject(Cache.mutex, INFINITE); }
  ~Peek() { ReleaseMutex(Cache.mutex); }
};

class CachePlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv(CACHE_HOOK_AVAIL_PHYS, "200000000", 1);
    unsetenv(CACHE_HOOK_BLOCK_BYTES);
  }
  void TearDown() override {
    InputMediaClose();
    unsetenv(CACHE_HOOK_AVAIL_PHYS);
    unsetenv(CACHE_HOOK_BLOCK_BYTES);
    FailAllocation = 0;
    EXPECT_EQ(Outstanding.load(), 0) << "blocks left allocated";
  }
  DWORD Open(uint64_t size, int fillFirst, int cacheBlocks, int reserve = 1000000) {
    std::string name = std::to_string(size);
    std::string host = folder.PatternFile(name + ".bin", size);
    path = DevicePath(host);
    return InputMediaOpen(path.c_str(), fillFirst, 1, reserve, cacheBlocks);
  }
  // Reads n bytes at the current position and checks them.
  void ReadChecked(DWORD n) {
    DWORD pos = InputMediaSeek(0, INPUTMEDIA_SEEK_CUR);
    buf.resize(n);
    DWORD got = InputMediaRead(buf.data(), n);
    ASSERT_EQ(got, std::min<DWORD>(n, Cache.size - pos)) << "at " << pos;
    ASSERT_EQ(FirstMismatch(buf.data(), pos, got), -1) << "read of " << n << " at " << pos;
  }
  TempFolder folder;
  std::u16string path;
  std::vector<uint8_t> buf;
};

TEST_F(CachePlugin, SmallFileFitsWholeWithoutRefill) {
  ASSERT_EQ(Open(3000000, 0, 20), 3000000u);
  EXPECT_EQ(Cache.blockCount, 3);  // budget 3,010,240
  EXPECT_EQ(Cache.slideMargin, 0u);
  for (DWORD pos = 0; pos < 3000000; pos += 8000) ASSERT_NO_FATAL_FAILURE(ReadChecked(8000));
  EXPECT_EQ(Cache.refills, 0u);
  EXPECT_EQ(Cache.slides, 0u);
  // Everything is cached: seeking back needs no refill either.
  InputMediaSeek(5, INPUTMEDIA_SEEK_SET);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(2500000));
  EXPECT_EQ(Cache.refills, 0u);
}

TEST_F(CachePlugin, WholeModeFillsEveryBlockAtOpen) {
  ASSERT_EQ(Open(3000000, 1, 20), 3000000u);
  {
    Peek peek;
    EXPECT_EQ(Cache.fill[0] + Cache.fill[1] + Cache.fill[2], 3000000u);
    EXPECT_EQ(Cache.start[2], 2u * CACHE_BLOCK_BYTES);
  }
  ASSERT_NO_FATAL_FAILURE(ReadChecked(3000000));
}

TEST_F(CachePlugin, LargeFileSlidesNearTheEndOfTheLastBlock) {
  const DWORD size = 30000000;
  ASSERT_EQ(Open(size, 0, 5), size);
  ASSERT_EQ(Cache.blockCount, 5);
  EXPECT_EQ(Cache.slideMargin, (DWORD)CACHE_SLIDE_MARGIN);
  DWORD slides = 0;
  for (DWORD pos = 0; pos < size; pos += 8000) {
    DWORD lastEnd;
    bool lastFull;
    {
      Peek peek;
      lastEnd = Cache.start[4] + Cache.fill[4];
      lastFull = Cache.fill[4] == CACHE_BLOCK_BYTES;
    }
    ASSERT_NO_FATAL_FAILURE(ReadChecked(8000));
    Peek peek;
    if (Cache.slides != slides) {
      // The slide came when this read reached within 20480 bytes of the end of
      // the fifth block, and kept 10240 bytes behind the read position.
      ASSERT_TRUE(lastFull);
      EXPECT_GT(pos + 8000 + CACHE_SLIDE_MARGIN, lastEnd);
      EXPECT_EQ(Cache.start[0], pos - CACHE_HISTORY);
      slides = Cache.slides;
    }
  }
  EXPECT_GE(Cache.slides, 5u);
  EXPECT_EQ(Cache.refills, 0u);
}

TEST_F(CachePlugin, SeeksStepRefillOrSlide) {
  setenv(CACHE_HOOK_BLOCK_BYTES, "40960", 1);
  const DWORD size = 1000000;
  ASSERT_EQ(Open(size, 0, 4), size);
  ASSERT_EQ(Cache.blockBytes, 40960u);
  ASSERT_EQ(Cache.blockCount, 4);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(100000));  // blocks 0..2 full
  EXPECT_EQ(Cache.readBlock, 2);
  InputMediaSeek(1000, INPUTMEDIA_SEEK_SET);  // back over full blocks
  EXPECT_EQ(Cache.readBlock, 0);
  EXPECT_EQ(Cache.refills, 0u);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(1000));
  InputMediaSeek(600000, INPUTMEDIA_SEEK_SET);  // beyond the data: refill with history
  EXPECT_EQ(Cache.refills, 1u);
  EXPECT_EQ(Cache.start[0], 600000u - CACHE_HISTORY);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(5000));
  InputMediaSeek(595000, INPUTMEDIA_SEEK_SET);  // within the history
  EXPECT_EQ(Cache.refills, 1u);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(5000));
  InputMediaSeek(100, INPUTMEDIA_SEEK_SET);  // before the chain: refill at the target
  EXPECT_EQ(Cache.refills, 2u);
  EXPECT_EQ(Cache.start[0], 100u);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(163840));  // the chain is full now
  InputMediaSeek(100 + 163840 - 10000, INPUTMEDIA_SEEK_SET);  // near its end: slide
  EXPECT_EQ(Cache.slides, 1u);
  EXPECT_EQ(Cache.start[0], 100u + 163840 - 10000 - CACHE_HISTORY);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(50000));
  InputMediaSeek(-30, INPUTMEDIA_SEEK_END);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(100));
  EXPECT_EQ(InputMediaSeek(0, INPUTMEDIA_SEEK_CUR), size);
}

TEST_F(CachePlugin, BudgetComesFromFreeMemoryLessTheReserve) {
  setenv(CACHE_HOOK_AVAIL_PHYS, "500000", 1);
  EXPECT_EQ(Open(3000000, 0, 20), 0u) << "reserve above free memory";
  EXPECT_EQ(Cache.file, nullptr);

  setenv(CACHE_HOOK_AVAIL_PHYS, "3100000", 1);  // budget 2,100,000: 3 blocks
  ASSERT_EQ(Open(30000000, 0, 20), 30000000u);
  EXPECT_EQ(Cache.blockCount, 3);
  InputMediaClose();
  setenv(CACHE_HOOK_AVAIL_PHYS, "1", 1);  // ignored: -1 keeps the budget
  ASSERT_EQ(Open(30000000, 0, 20, -1), 30000000u);
  EXPECT_EQ(Cache.blockCount, 3);
  InputMediaClose();

  setenv(CACHE_HOOK_AVAIL_PHYS, "200000000", 1);
  ASSERT_EQ(Open(30000000, 0, 0), 30000000u);
  EXPECT_EQ(Cache.blockCount, CACHE_MAX_BLOCKS) << "cacheBlocks 0 caps at 20";
  InputMediaClose();
  ASSERT_EQ(Open(30000000, 0, 7), 30000000u);
  EXPECT_EQ(Cache.blockCount, 7);
}

TEST_F(CachePlugin, BlockCountNeverExceedsTheTables) {
  // Less than 10240 bytes below a 20-block budget: the history would need a
  // 21st block.
  setenv(CACHE_HOOK_BLOCK_BYTES, "40960", 1);
  const DWORD size = 20 * 40960 - 5000;
  ASSERT_EQ(Open(size, 0, 0), size);
  EXPECT_EQ(Cache.blockCount, CACHE_MAX_BLOCKS);
  EXPECT_EQ(Cache.slideMargin, 0u);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(size));
  InputMediaSeek(size - 3000, INPUTMEDIA_SEEK_SET);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(8000));
  InputMediaSeek(0, INPUTMEDIA_SEEK_SET);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(size));
}

TEST_F(CachePlugin, FailedAllocationReleasesEverything) {
  FailAllocation = 3;
  EXPECT_EQ(Open(30000000, 0, 5), 0u);
  EXPECT_EQ(Outstanding.load(), 0);
  EXPECT_EQ(Cache.file, nullptr);
  for (BYTE* b : Cache.block) EXPECT_EQ(b, nullptr);
  FailAllocation = 0;
  ASSERT_EQ(Open(30000000, 0, 5), 30000000u);
  ASSERT_NO_FATAL_FAILURE(ReadChecked(8000));
}

TEST_F(CachePlugin, CloseWhileTheThreadWaitsIsPrompt) {
  for (int whole = 0; whole <= 1; whole++) {
    ASSERT_EQ(Open(50000, whole, 0), 50000u);
    Sleep(20);  // the thread has read the file and waits on "eventon4"
    auto t0 = std::chrono::steady_clock::now();
    InputMediaClose();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 500) << "Close took " << ms << " ms";
    EXPECT_EQ(Cache.thread, nullptr);
    EXPECT_EQ(Outstanding.load(), 0);
  }
  uint8_t b[4];
  EXPECT_EQ(InputMediaRead(b, 4), 0u);
  EXPECT_EQ(InputMediaSeek(0, INPUTMEDIA_SEEK_CUR), 0u);
}

}  // namespace
