#include <gtest/gtest.h>

#include "komp3dec.h"

TEST(Exports, NullCallWhileIdleAsksForData) {
  KO_Exit();
  int32_t bytes = -1, pos = 0, rate = 0;
  uint8_t pcm[16];
  EXPECT_EQ(1, KO_DecompressAudio(nullptr, 0, pcm, sizeof pcm, &bytes, &pos, &rate));
  EXPECT_EQ(0, bytes);
}
