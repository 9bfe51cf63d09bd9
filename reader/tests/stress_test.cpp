// Random reads and seeks through the reader's table over files of known
// content, for every plug-in and cache mode, every byte compared. Small chains
// make the cache slide and refill often.
#include <random>
#include <vector>
#include "readerlib.h"

namespace {

struct Mode {
  const char* name;
  int flags;       // bit 0: cache
  int fillFirst;   // cache: whole mode
  int cacheBlocks;
  const char* blockBytes;  // test hook; null = the real block size
};

const Mode Modes[] = {
    {"Buffer", 0, 0, 0, nullptr},
    {"CacheChunkSmallBlocks", 1, 0, 3, "40960"},
    {"CacheWholeSmallBlocks", 1, 1, 2, "40960"},
    {"CacheChunkOneBlock", 1, 0, 1, "61440"},
    {"CacheChunk", 1, 0, 2, nullptr},
    {"CacheWhole", 1, 1, 2, nullptr},
};

const DWORD Sizes[] = {0, 1, 16383, 16384, 16385, 163839, 163840, 163841, 3000000, 30000000};

// Each file is written on first use; the folder goes when the program ends.
const std::u16string& StressFile(int sizeIndex) {
  static TempFolder folder;
  static std::u16string paths[sizeof Sizes / sizeof Sizes[0]];
  if (paths[sizeIndex].empty()) {
    DWORD size = Sizes[sizeIndex];
    std::string name = std::to_string(size);
    paths[sizeIndex] = DevicePath(folder.PatternFile(name + ".bin", size));
  }
  return paths[sizeIndex];
}

class Stress : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  void SetUp() override {
    ops = LoadReader();
    ASSERT_NE(ops.Open, nullptr);
    setenv("LXINPUTCACHE_AVAIL_PHYS", "200000000", 1);
  }
  void TearDown() override {
    ops.Close();
    unsetenv("LXINPUTCACHE_AVAIL_PHYS");
    unsetenv("LXINPUTCACHE_BLOCK_BYTES");
  }
  void Read(DWORD length) {
    buf.resize(length);
    DWORD got = ops.Read(buf.data(), length);
    DWORD expect = std::min<DWORD>(length, size - pos);
    ASSERT_EQ(got, expect) << "read of " << length << " at " << pos;
    ASSERT_EQ(FirstMismatch(buf.data(), pos, got), -1) << "read of " << length << " at " << pos;
    pos += got;
  }
  void SeekTo(DWORD target) {
    DWORD expect = std::min(target, size);
    ASSERT_EQ(ops.SeekTo(target), expect);
    pos = expect;
  }
  ReaderOperations ops;
  std::vector<uint8_t> buf;
  DWORD size = 0;
  DWORD pos = 0;
};

DWORD Length(std::mt19937& rng) {
  int kind = std::uniform_int_distribution<int>(0, 19)(rng);
  if (kind < 2) return std::uniform_int_distribution<DWORD>(0, 16)(rng);
  if (kind < 14) return std::uniform_int_distribution<DWORD>(1, 8000)(rng);
  if (kind < 19) return std::uniform_int_distribution<DWORD>(8000, 200000)(rng);
  return std::uniform_int_distribution<DWORD>(200000, 1500000)(rng);
}

TEST_P(Stress, RandomReadsAndSeeksDeliverTheFile) {
  const Mode& mode = Modes[std::get<0>(GetParam())];
  int sizeIndex = std::get<1>(GetParam());
  size = Sizes[sizeIndex];
  if (mode.blockBytes) setenv("LXINPUTCACHE_BLOCK_BYTES", mode.blockBytes, 1);
  const std::u16string& path = StressFile(sizeIndex);
  StreamInfo* info = nullptr;
  int opened = ops.Open(path.c_str(), mode.fillFirst, mode.flags, mode.cacheBlocks, &info);
  if (size == 0) {
    EXPECT_EQ(opened, 0) << "an empty file does not open";
    return;
  }
  ASSERT_EQ(opened, 1);
  ASSERT_EQ(info->words[STREAMINFO_SIZE_WORD], size);

  std::mt19937 rng(1234u + 97u * std::get<0>(GetParam()) + sizeIndex);
  for (int step = 0; step < 400; step++) {
    int op = std::uniform_int_distribution<int>(0, 19)(rng);
    if (op < 9) {
      ASSERT_NO_FATAL_FAILURE(Read(Length(rng)));
    } else if (op < 13) {
      ASSERT_NO_FATAL_FAILURE(SeekTo(std::uniform_int_distribution<DWORD>(0, size + 1000)(rng)));
    } else if (op < 16) {
      LONGLONG t = (LONGLONG)pos + std::uniform_int_distribution<int>(-30000, 30000)(rng);
      ASSERT_NO_FATAL_FAILURE(SeekTo((DWORD)std::max<LONGLONG>(t, 0)));
    } else if (op < 18) {
      int percent = std::uniform_int_distribution<int>(0, 100)(rng);
      LONGLONG expect = (LONGLONG)size * percent / 100;
      expect -= expect % 4;
      ASSERT_EQ(ops.SeekPercent(percent), (DWORD)expect);
      pos = (DWORD)expect;
    } else {
      // A stretch as the player reads: 8000 bytes at a time.
      DWORD stretch = std::uniform_int_distribution<DWORD>(0, 400000)(rng);
      for (DWORD done = 0; done < stretch && pos < size; done += 8000) ASSERT_NO_FATAL_FAILURE(Read(8000));
    }
  }
  // And the whole file from the start, as playback does.
  ASSERT_NO_FATAL_FAILURE(SeekTo(0));
  while (pos < size) ASSERT_NO_FATAL_FAILURE(Read(8000));
  ASSERT_NO_FATAL_FAILURE(Read(8000));
  EXPECT_EQ(ops.Close(), 1);
}

std::string Name(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
  return std::string(Modes[std::get<0>(info.param)].name) + "_" + std::to_string(Sizes[std::get<1>(info.param)]);
}

INSTANTIATE_TEST_SUITE_P(AllModes, Stress,
                         ::testing::Combine(::testing::Range(0, (int)(sizeof Modes / sizeof Modes[0])),
                                            ::testing::Range(0, (int)(sizeof Sizes / sizeof Sizes[0]))),
                         Name);

}  // namespace
