// Layer I and Layer II output against references: the conformance streams'
// own PCM, and mpg123's decoding of the fixtures made by
// tools/make-layer12-fixtures.sh. Bound: the limited accuracy of ISO/IEC
// 11172-4, rms of the difference below 2^-11/sqrt(12) of full scale (4.62 LSB).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "komp3dec.h"
#include "state.h"
#include "lxkit.h"

namespace {

namespace fs = std::filesystem;

constexpr double kLimitedRms = 32768.0 / 2048.0 / 3.4641016151377544;  // 4.62 LSB

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Decoded {
  std::vector<int16_t> pcm;  // interleaved as the decoder writes it
  int frames = 0;
  int channels = 0;
  std::map<int, int> statuses;  // status -> count, for calls that produced no frame
};

// Decodes a whole file the way the player does: 8000-byte buffers, null-data
// calls while the result is 0, the unconsumed tail moved to the front. Eight
// zero bytes follow the file so that its last frame is complete with the
// look-ahead the frame search needs.
Decoded DecodeFile(const std::vector<uint8_t>& file) {
  Decoded out;
  std::vector<uint8_t> stream = file;
  stream.resize(stream.size() + 8, 0);

  KO_Exit();
  KO_GetHeaderInfo(nullptr, 0, nullptr, nullptr, nullptr);
  KO_Init(0, 0, nullptr, 0);
  g_decoder.fadeCounter = 16;

  std::vector<uint8_t> buffer(8000);
  std::vector<uint8_t> pcm(1152 * 4 * 8);
  size_t offset = 0;
  int32_t keep = 0;
  for (;;) {
    size_t fresh = std::min(stream.size() - offset, buffer.size() - size_t(keep));
    std::memcpy(buffer.data() + keep, stream.data() + offset, fresh);
    offset += fresh;
    const int32_t length = keep + int32_t(fresh);
    if (fresh == 0) break;
    const uint8_t* data = buffer.data();
    int32_t result;
    do {
      int32_t pcmBytes = 0, position = 0, bitRate = 0;
      result = KO_DecompressAudio(data, data ? length : 0, pcm.data(), int32_t(pcm.size()), &pcmBytes,
                                  &position, &bitRate);
      data = nullptr;
      if (pcmBytes > 0) {
        ++out.frames;
        out.channels = g_decoder.synthesis.channels;
        const int16_t* samples = reinterpret_cast<const int16_t*>(pcm.data());
        out.pcm.insert(out.pcm.end(), samples, samples + pcmBytes / 2);
      } else {
        ++out.statuses[g_decoder.cursor.status];
      }
    } while (result == 0);
    keep = result - 1;
    if (keep < 0 || keep > length) break;
    std::memmove(buffer.data(), buffer.data() + length - keep, size_t(keep));
  }
  KO_Exit();
  return out;
}

struct Difference {
  double rms = 0;
  int largest = 0;
  size_t compared = 0;
};

Difference Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  Difference d;
  d.compared = std::min(a.size(), b.size());
  double sum = 0;
  for (size_t i = 0; i < d.compared; ++i) {
    int diff = std::abs(int(a[i]) - int(b[i]));
    sum += double(diff) * diff;
    if (diff > d.largest) d.largest = diff;
  }
  if (d.compared) d.rms = std::sqrt(sum / double(d.compared));
  return d;
}

std::vector<int16_t> ReadPcm(const fs::path& path) {
  std::vector<uint8_t> bytes = ReadFile(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = int16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return samples;
}

// Frames in a stream of fixed-rate Layer I/II frames, counted by walking the
// headers (no padding of the file's end needed).
int CountFrames(const std::vector<uint8_t>& file, int* samplesPerFrame) {
  static const int kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
  static const int kLayer1[2][15] = {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}};
  static const int kLayer2[2][15] = {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}};
  int frames = 0;
  size_t pos = 0;
  while (pos + 4 <= file.size()) {
    if (file[pos] != 0xFF || (file[pos + 1] & 0xF0) != 0xF0) break;
    const int mpeg1 = (file[pos + 1] >> 3) & 1;
    const int layer = 4 - ((file[pos + 1] >> 1) & 3);
    const int rateIndex = file[pos + 2] >> 4, srIndex = (file[pos + 2] >> 2) & 3;
    const int padding = (file[pos + 2] >> 1) & 1;
    if (rateIndex == 0 || rateIndex == 15 || srIndex == 3 || layer > 2) break;
    const int rate = kRates[mpeg1][srIndex];
    size_t length;
    if (layer == 1) {
      length = size_t((12 * kLayer1[mpeg1][rateIndex] * 1000 / rate + padding) * 4);
      *samplesPerFrame = 384;
    } else {
      length = size_t(144 * kLayer2[mpeg1][rateIndex] * 1000 / rate + padding);
      *samplesPerFrame = 1152;
    }
    if (pos + length > file.size()) break;
    pos += length;
    ++frames;
  }
  return frames;
}

std::string StatusText(const std::map<int, int>& statuses) {
  std::string text;
  char item[32];
  for (auto [status, count] : statuses) {
    std::snprintf(item, sizeof item, "%s0x%x x%d", text.empty() ? "" : ", ", status, count);
    text += item;
  }
  return text.empty() ? "none" : text;
}

void ExpectWithinLimitedAccuracy(const std::string& name, const std::vector<uint8_t>& file,
                                 const std::vector<int16_t>& reference, int channels) {
  Decoded decoded = DecodeFile(file);
  int samplesPerFrame = 0;
  const int frames = CountFrames(file, &samplesPerFrame);
  Difference d = Compare(decoded.pcm, reference);
  std::printf("%-34s rms %.3f  largest %5d  frames %4d/%4d  statuses %s\n", name.c_str(), d.rms, d.largest,
              decoded.frames, frames, StatusText(decoded.statuses).c_str());
  // An encoder may give the all-zero parts of its padded last frame scalefactor
  // index 63, which is no scalefactor: that frame is skipped. A skip anywhere
  // else would shift the output and show in the rms.
  const int skipped = decoded.statuses.count(STATUS_BAD_SCALEFACTOR) ? decoded.statuses[STATUS_BAD_SCALEFACTOR] : 0;
  EXPECT_LE(skipped, 1) << name;
  EXPECT_EQ(decoded.frames + skipped, frames) << name;
  EXPECT_EQ(decoded.channels, channels) << name;
  EXPECT_GE(decoded.pcm.size(), size_t(decoded.frames) * samplesPerFrame * channels) << name << ": output short";
  EXPECT_GT(d.compared, 0u) << name;
  EXPECT_LT(d.rms, kLimitedRms) << name << ": largest difference " << d.largest;
}

fs::path SharedVectors() {
  const char* shared = std::getenv("LUMTRAX_SHARED");
  return shared ? fs::path(shared) / "vectors" : fs::path();
}

int StreamChannels(const std::vector<uint8_t>& file) {
  return file.size() > 3 && (file[3] >> 6) == 3 ? 1 : 2;
}

TEST(Layer12Conformance, EveryLayer1AndLayer2StreamWithinLimitedAccuracy) {
  const fs::path dir = SharedVectors();
  if (dir.empty() || !fs::is_directory(dir)) GTEST_SKIP() << "no conformance streams";
  int streams = 0;
  std::vector<fs::path> paths;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if ((name.rfind("l1-", 0) == 0 || name.rfind("l2-", 0) == 0) && entry.path().extension() == ".bit")
      paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  for (const fs::path& path : paths) {
    fs::path reference = path;
    reference.replace_extension(".pcm");
    if (!fs::exists(reference)) continue;
    const std::vector<uint8_t> file = ReadFile(path);
    ExpectWithinLimitedAccuracy(path.filename().string(), file, ReadPcm(reference), StreamChannels(file));
    ++streams;
  }
  if (streams == 0) GTEST_SKIP() << "no Layer I/II streams in " << dir;
}

TEST(Layer12Fixtures, EveryFixtureMatchesMpg123WithinLimitedAccuracy) {
  if (std::system("mpg123 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "mpg123 not installed";
  const char* source = std::getenv("LUMTRAX_SOURCE");
  const fs::path dir = source ? fs::path(source) / "decoder" / "tests" / "fixtures"
                              : fs::path(__FILE__).parent_path() / "fixtures";
  std::vector<fs::path> paths;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == ".mp2") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  ASSERT_GE(paths.size(), 12u) << "fixtures missing; run tools/make-layer12-fixtures.sh";
  lxtest::TempFolder folder("layer12-ref");
  const fs::path scratch = folder / "reference.raw";
  for (const fs::path& path : paths) {
    const std::string command = "mpg123 -q -s -e s16 '" + path.string() + "' > '" + scratch.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<uint8_t> file = ReadFile(path);
    ExpectWithinLimitedAccuracy(path.filename().string(), file, ReadPcm(scratch), StreamChannels(file));
  }
}

}  // namespace
