// lumtrax-decode as a user runs it: output formats, options, exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <string>

#include "frames.h"

namespace {

std::string Bin() {
  const char* bin = std::getenv("LUMTRAX_BIN");
  return bin ? bin : "build/bin";
}

std::string TempPath(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp ? tmp : "/tmp") + "/lumtrax-decode-" + std::to_string(getpid()) + "-" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

int RunTool(const std::string& args, std::string* errors = nullptr) {
  std::string err = TempPath("stderr");
  int status = std::system((Bin() + "/lumtrax-decode " + args + " 2>" + err).c_str());
  if (errors) {
    std::vector<uint8_t> e = ReadFile(err);
    errors->assign(e.begin(), e.end());
  }
  std::remove(err.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// Ten frames of MPEG-1 Layer II at 48000 Hz, stereo (384 bytes each), after a
// 100-byte text, and a 128-byte tag at the end.
std::vector<uint8_t> SampleStream() {
  std::vector<uint8_t> bytes(100, 'T');
  FrameSpec s;
  s.sampleRateIndex = 1;
  for (int i = 0; i < 10; i++) AppendFrame(bytes, s);
  bytes.insert(bytes.end(), 128, 'G');
  return bytes;
}

}  // namespace

TEST(LumtraxDecode, WritesWavInTheFormatOfTheFirstFrame) {
  std::string in = TempPath("in.mp2"), out = TempPath("out.wav");
  WriteFile(in, SampleStream());
  std::string errors;
  ASSERT_EQ(0, RunTool("-v " + in + " " + out, &errors));
  std::vector<uint8_t> wav = ReadFile(out);
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(0, std::memcmp(wav.data(), "RIFF", 4));
  EXPECT_EQ(0, std::memcmp(wav.data() + 8, "WAVEfmt ", 8));
  EXPECT_EQ(2u, wav[22]) << "channels";
  EXPECT_EQ(48000u, Le32(wav, 24));
  EXPECT_EQ(10u * 4608, Le32(wav, 40)) << "ten frames of 1152 sample pairs";
  EXPECT_EQ(wav.size() - 44, Le32(wav, 40));
  EXPECT_EQ(wav.size() - 8, Le32(wav, 4));
  EXPECT_NE(std::string::npos, errors.find("48000")) << errors;
  EXPECT_NE(std::string::npos, errors.find("decoded 10 frames")) << errors;

  // Raw to standard output: the same samples without the header.
  std::string raw = TempPath("out.raw");
  ASSERT_EQ(0, RunTool("--raw " + in + " - >" + raw));
  EXPECT_EQ(10u * 4608, ReadFile(raw).size());
  std::remove(raw.c_str());
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST(LumtraxDecode, RateAndStartOptions) {
  std::string in = TempPath("in.mp2"), out = TempPath("out.wav");
  WriteFile(in, SampleStream());
  ASSERT_EQ(0, RunTool("--rate 44100 --fade --eq 1,2,3,4,5,6,7,8,9,10,-3 " + in + " " + out));
  std::vector<uint8_t> wav = ReadFile(out);
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(44100u, Le32(wav, 24));
  EXPECT_EQ(10u * 1058 * 4, Le32(wav, 40)) << "48000 -> 44100: 1058 sample pairs a frame";

  // Starting at the fifth frame.
  ASSERT_EQ(0, RunTool("--raw --start " + std::to_string(100 + 4 * 384) + " " + in + " " + out));
  EXPECT_EQ(6u * 4608, ReadFile(out).size());
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST(LumtraxDecode, ExitStatuses) {
  std::string out = TempPath("out.wav");
  std::string errors;
  EXPECT_EQ(1, RunTool(TempPath("missing.mp3") + " " + out, &errors));
  EXPECT_NE(std::string::npos, errors.find("cannot read")) << errors;
  EXPECT_EQ(1, std::count(errors.begin(), errors.end(), '\n')) << "one line: " << errors;

  // No frame in sight: said so, and no empty output left behind; endless
  // input is given up after a bounded search.
  std::string junk = TempPath("junk.mp3");
  WriteFile(junk, std::vector<uint8_t>(20000, 'j'));
  EXPECT_EQ(2, RunTool(junk + " " + out, &errors));
  EXPECT_NE(std::string::npos, errors.find("no MPEG audio frames found")) << errors;
  EXPECT_NE(0, access(out.c_str(), F_OK)) << "no output file";
  EXPECT_EQ(2, RunTool("/dev/zero " + out));
  EXPECT_EQ(2, RunTool("/dev/stdin " + out + " </dev/zero"));

  // Wrong command lines: one line each, status 2.
  for (const char* wrong : {"--eq 1,2,3", "--eq 1,2,3,4,5,6,7,8,9,10,21", "--rate 12345", "--rate 44100x",
                            "--start x", "--bogus", "--rate", ""}) {
    EXPECT_EQ(2, RunTool(std::string(wrong) + " " + junk + (*wrong ? " " + out : ""), &errors)) << wrong;
    EXPECT_EQ(1, std::count(errors.begin(), errors.end(), '\n')) << wrong << ": " << errors;
  }
  EXPECT_EQ(2, RunTool(junk + " " + junk, &errors)) << "the output is the input";
  EXPECT_NE(std::string::npos, errors.find("is the input file")) << errors;
  EXPECT_EQ(20000u, ReadFile(junk).size()) << "the input untouched";

  std::string help = TempPath("help.txt");
  EXPECT_EQ(0, RunTool("--help >" + help));
  std::vector<uint8_t> text = ReadFile(help);
  std::string usage(text.begin(), text.end());
  for (const char* word : {"--raw", "--eq", "-20 to 20", "preamplifier", "--fade", "--rate", "--start", "-v", " - ",
                           "Exit status"})
    EXPECT_NE(std::string::npos, usage.find(word)) << word;
  std::remove(help.c_str());

  std::string in = TempPath("in.mp2");
  WriteFile(in, SampleStream());
  EXPECT_EQ(3, RunTool(in + " /dev/full", &errors));
  EXPECT_NE(std::string::npos, errors.find("No space left")) << "the system's reason: " << errors;
  std::remove(in.c_str());
  std::remove(junk.c_str());
  std::remove(out.c_str());
}

// Every sample reaches the output: frames grown by the rate conversion, and
// frames of another channel count converted to the first frame's.
TEST(LumtraxDecode, LargeFramesAndChannelChanges) {
  std::string in = TempPath("in.mp2"), out = TempPath("out.wav");
  std::vector<uint8_t> bytes;
  FrameSpec s;
  s.version = Version::Mpeg2;
  s.sampleRateIndex = 2;  // 16000 Hz: 1152 samples become 3456 at 48000 Hz
  for (int i = 0; i < 10; i++) AppendFrame(bytes, s);
  bytes.insert(bytes.end(), 128, 'G');  // the last frame is taken on the next header's bytes
  WriteFile(in, bytes);
  ASSERT_EQ(0, RunTool("--rate 48000 " + in + " " + out));
  std::vector<uint8_t> wav = ReadFile(out);
  ASSERT_GE(wav.size(), 44u);
  EXPECT_GE(Le32(wav, 40), 10u * 3450 * 4) << "ten frames of 3456 sample pairs, none cut";

  bytes.clear();
  FrameSpec mono, stereo;
  mono.modeBits = 3;
  for (int i = 0; i < 4; i++) AppendFrame(bytes, mono);
  for (int i = 0; i < 6; i++) AppendFrame(bytes, stereo);
  bytes.insert(bytes.end(), 128, 'G');
  WriteFile(in, bytes);
  std::string errors;
  ASSERT_EQ(0, RunTool("-v " + in + " " + out, &errors));
  wav = ReadFile(out);
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(1u, wav[22]) << "the first frame's channels";
  EXPECT_EQ(10u * 1152 * 2, Le32(wav, 40));
  EXPECT_NE(std::string::npos, errors.find("6 frames converted to 1 channel")) << errors;
  std::remove(in.c_str());
  std::remove(out.c_str());
}
