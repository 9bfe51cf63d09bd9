// Layer III fixtures (tools/make-layer3-fixtures.sh: lame from synthetic
// signals) decoded through the exports and compared with mpg123's output,
// under the limited-accuracy bound of ISO/IEC 11172-4 (rms < 4.62 LSB).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "layer3_stream.h"
#include "lxkit.h"

namespace {

std::string FixturePath(const std::string& name) {
  const char* source = std::getenv("LUMTRAX_SOURCE");
  return std::string(source ? source : ".") + "/decoder/tests/fixtures/" + name + ".mp3";
}

bool HaveMpg123() { return std::system("mpg123 --version > /dev/null 2>&1") == 0; }

// mpg123's 16-bit output of the whole file, without gapless trimming (which
// would shift it against ours); its first frame is the Xing/Info frame's
// successor, since mpg123 does not play the tag frame.
std::vector<int16_t> Mpg123Reference(const std::string& path) {
  lxtest::TempFolder folder("lumtrax-l3-ref");
  std::string out = folder / "reference.pcm";
  std::string command = "mpg123 -q --no-gapless -s '" + path + "' > '" + out + "' 2> /dev/null";
  std::vector<int16_t> pcm;
  if (std::system(command.c_str()) != 0) return pcm;
  std::vector<uint8_t> bytes = ReadWholeFile(out);
  pcm.resize(bytes.size() / 2);
  for (size_t i = 0; i < pcm.size(); i++) pcm[i] = int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return pcm;
}

// The first frame carries a Xing or Info tag (lame writes one to every file).
bool StartsWithTagFrame(const std::vector<uint8_t>& file) {
  size_t n = std::min<size_t>(file.size(), 200);
  for (size_t i = 0; i + 4 <= n; i++)
    if (!std::memcmp(&file[i], "Xing", 4) || !std::memcmp(&file[i], "Info", 4)) return true;
  return false;
}

class Layer3Fixture : public ::testing::TestWithParam<const char*> {};

TEST_P(Layer3Fixture, MatchesMpg123WithinLimitedAccuracy) {
  std::string name = GetParam();
  std::vector<uint8_t> file = ReadWholeFile(FixturePath(name));
  ASSERT_FALSE(file.empty()) << name;
  DecodedStream decoded = DecodeStream(file);
  ASSERT_GT(decoded.frames, 10) << name;
  EXPECT_TRUE(decoded.statuses.empty()) << name << ": " << StatusList(decoded.statuses);
  if (!HaveMpg123()) GTEST_SKIP() << "mpg123 not installed";
  std::vector<int16_t> reference = Mpg123Reference(FixturePath(name));
  ASSERT_FALSE(reference.empty()) << name;

  size_t skip = 0;
  if (StartsWithTagFrame(file)) skip = size_t(decoded.frameSamples[0]) * decoded.frameChannels[0];
  ASSERT_GE(decoded.pcm.size(), skip);
  size_t count = std::min(decoded.pcm.size() - skip, reference.size());
  EXPECT_GE(count + 2 * 1152 * 2, reference.size()) << name << ": output shorter than mpg123's";
  Difference d = Compare(decoded.pcm.data() + skip, reference.data(), count);
  std::printf("%-26s rms %.3f  largest %d  frames %d  statuses %s\n", name.c_str(), d.rms, d.largest,
              decoded.frames, StatusList(decoded.statuses).c_str());
  EXPECT_LT(d.rms, 4.62) << name;
}

INSTANTIATE_TEST_SUITE_P(Files, Layer3Fixture,
                         ::testing::Values("l3-8000-mono-16", "l3-8000-joint-24", "l3-12000-stereo-32",
                                           "l3-22050-stereo-48", "l3-24000-stereo-64", "l3-32000-stereo-96",
                                           "l3-44100-stereo-112", "l3-32000-joint-80", "l3-32000-mono-48",
                                           "l3-44100-joint-vbr", "l3-24000-joint-64-crc"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string s = info.param;
                           for (char& ch : s)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });

}  // namespace
