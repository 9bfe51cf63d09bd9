// Every Layer III conformance stream decoded through the exports and held
// against its reference: rms difference below 2^-11/sqrt(12) of full scale
// (4.62 LSB), the limited-accuracy bound of ISO/IEC 11172-4.
#include <gtest/gtest.h>

#include <filesystem>

#include "layer3_stream.h"

namespace {

constexpr double kLimitedAccuracyRms = 4.62;

std::string VectorsFolder() {
  const char* shared = std::getenv("LUMTRAX_SHARED");
  if (!shared) return "";
  std::string folder = std::string(shared) + "/vectors";
  return std::filesystem::is_directory(folder) ? folder : "";
}

std::vector<int16_t> ReadPcm(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  std::vector<int16_t> pcm(bytes.size() / 2);
  for (size_t i = 0; i < pcm.size(); i++) pcm[i] = int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return pcm;
}

class Layer3Conformance : public ::testing::TestWithParam<const char*> {};

TEST_P(Layer3Conformance, DecodesWithinLimitedAccuracy) {
  std::string folder = VectorsFolder();
  if (folder.empty()) GTEST_SKIP() << "conformance streams not present";
  std::string name = GetParam();
  std::vector<uint8_t> stream = ReadWholeFile(folder + "/" + name + ".bit");
  std::vector<int16_t> reference = ReadPcm(folder + "/" + name + ".pcm");
  ASSERT_FALSE(stream.empty()) << name;
  DecodedStream decoded = DecodeStream(stream);
  ASSERT_GT(decoded.frames, 0) << name;

  Difference d;
  if (name == "l3-he_mode") {
    // Stereo and single-channel frames alternate. The reference keeps each
    // frame's own channel count; the decoder gives every frame the first
    // frame's (mono doubled, stereo mixed), so that one output format holds.
    // Frames whose own count is the output's are compared where each lies.
    size_t at = 0, atReference = 0;
    double sum = 0;
    for (size_t f = 0; f < decoded.frameChannels.size(); f++) {
      size_t samples = size_t(decoded.frameSamples[f]);
      EXPECT_EQ(1152u, samples) << "frame " << f;
      size_t n = samples * decoded.outputChannels, own = samples * decoded.frameChannels[f];
      if (at + n > decoded.pcm.size() || atReference + own > reference.size()) break;
      if (decoded.frameChannels[f] == decoded.outputChannels) {
        Difference part = Compare(decoded.pcm.data() + at, reference.data() + atReference, n);
        sum += part.rms * part.rms * double(n);
        d.compared += n;
        d.largest = std::max(d.largest, part.largest);
      }
      at += n;
      atReference += own;
    }
    d.rms = d.compared ? std::sqrt(sum / double(d.compared)) : 0;
  } else {
    size_t count = std::min(decoded.pcm.size(), reference.size());
    d = Compare(decoded.pcm.data(), reference.data(), count);
  }
  std::printf("%-24s rms %.3f  largest %d  frames %d  statuses %s\n", name.c_str(), d.rms, d.largest,
              decoded.frames, StatusList(decoded.statuses).c_str());
  EXPECT_GT(d.compared, 0u) << name;
  EXPECT_LT(d.rms, kLimitedAccuracyRms) << name;
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer3Conformance,
                         ::testing::Values("l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_48khz", "l3-he_mode",
                                           "l3-hecommon", "l3-si", "l3-si_block", "l3-si_huff", "l3-sin1k0db",
                                           "M2L3_bitrate_16_all", "M2L3_bitrate_22_all", "M2L3_compl24"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string s = info.param;
                           for (char& ch : s)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });

}  // namespace
