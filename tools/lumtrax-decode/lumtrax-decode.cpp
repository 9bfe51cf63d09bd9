// lumtrax-decode: decodes an MPEG audio file to WAV or raw PCM through the
// decoder library, calling its exports the way the player's playback thread
// does: an 8000-byte input buffer, the unconsumed tail carried to the front,
// tail calls with null data while the decoder has more, KO_Exit at the end.
//
//   lumtrax-decode [--raw] [--eq G0,...,G10] [--fade] [--rate HZ] [--start BYTE] [-v] INPUT OUTPUT
//
// Exit status: 0 decoded, 1 unusable arguments or input, 2 no frame found,
// 3 the output could not be written, 16 the decoder library is missing.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "komp3dec.h"
#include "windows.h"

namespace {

constexpr int kInputBytes = 8000;
constexpr int kPcmBytes = 8000;

struct Options {
  bool raw = false;
  bool fade = false;
  bool verbose = false;
  bool equalizer = false;
  int8_t gains[11] = {};
  int32_t rate = 0;
  long start = 0;
  const char* input = nullptr;
  const char* output = nullptr;
};

struct Decoder {
  KO_InitProc Init;
  KO_ExitProc Exit;
  KO_GetHeaderInfoProc GetHeaderInfo;
  KO_DecompressAudioProc DecompressAudio;
};

// Results of KO_DecompressAudio as the caller sees them.
struct Counts {
  long frames = 0;     // 0 with PCM
  long skipped = 0;    // 0 without PCM: a bad frame or a false sync passed over
  long needData = 0;   // N > 1: buffer used up, N - 1 bytes carried
  long bufferEnd = 0;  // 1: buffer used up to its last byte, or dropped after a CRC error
};

void Usage() {
  std::fprintf(stderr,
               "usage: lumtrax-decode [--raw] [--eq G0,...,G10] [--fade] [--rate HZ] [--start BYTE] [-v] "
               "INPUT OUTPUT\n");
}

bool ParseNumber(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < low || v > high) return false;
  value = v;
  return true;
}

bool ParseGains(const char* text, int8_t gains[11]) {
  std::string s(text);
  size_t at = 0;
  for (int i = 0; i < 11; i++) {
    size_t comma = s.find(',', at);
    if ((i < 10) != (comma != std::string::npos)) return false;
    long v;
    if (!ParseNumber(s.substr(at, comma == std::string::npos ? std::string::npos : comma - at).c_str(), -128, 127, v))
      return false;
    gains[i] = int8_t(v);
    at = comma + 1;
  }
  return true;
}

bool ParseArguments(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    long v;
    if (!std::strcmp(a, "--raw")) {
      o.raw = true;
    } else if (!std::strcmp(a, "--fade")) {
      o.fade = true;
    } else if (!std::strcmp(a, "-v")) {
      o.verbose = true;
    } else if (!std::strcmp(a, "--eq") && i + 1 < argc) {
      if (!ParseGains(argv[++i], o.gains)) return false;
      o.equalizer = true;
    } else if (!std::strcmp(a, "--rate") && i + 1 < argc) {
      if (!ParseNumber(argv[++i], 1, 1000000, v)) return false;
      o.rate = int32_t(v);
    } else if (!std::strcmp(a, "--start") && i + 1 < argc) {
      if (!ParseNumber(argv[++i], 0, 0x7FFFFFFF, v)) return false;
      o.start = v;
    } else if (a[0] == '-' && a[1] != 0) {
      return false;
    } else if (!o.input) {
      o.input = a;
    } else if (!o.output) {
      o.output = a;
    } else {
      return false;
    }
  }
  return o.input && o.output;
}

bool BindDecoder(Decoder& d) {
  HMODULE lib = LoadLibraryW(u"KOMP3DEC.DLL");
  if (!lib) return false;
  d.Init = reinterpret_cast<KO_InitProc>(GetProcAddress(lib, "KO_Init"));
  d.Exit = reinterpret_cast<KO_ExitProc>(GetProcAddress(lib, "KO_Exit"));
  d.GetHeaderInfo = reinterpret_cast<KO_GetHeaderInfoProc>(GetProcAddress(lib, "KO_GetHeaderInfo"));
  d.DecompressAudio = reinterpret_cast<KO_DecompressAudioProc>(GetProcAddress(lib, "KO_DecompressAudio"));
  return d.Init && d.Exit && d.GetHeaderInfo && d.DecompressAudio;
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

// A 16-bit PCM WAV header; dataBytes 0xFFFFFFFF when the length is not known
// (a pipe).
void WavHeader(uint8_t h[44], int32_t rate, int channels, uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, dataBytes == 0xFFFFFFFFu ? 0xFFFFFFFFu : 36 + dataBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, uint16_t(channels));
  Put32(h + 24, uint32_t(rate));
  Put32(h + 28, uint32_t(rate) * channels * 2);
  Put16(h + 32, uint16_t(channels * 2));
  Put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, dataBytes);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArguments(argc, argv, o)) {
    Usage();
    return 1;
  }
  FILE* in = std::fopen(o.input, "rb");
  if (!in || (o.start > 0 && std::fseek(in, o.start, SEEK_SET) != 0)) {
    std::fprintf(stderr, "lumtrax-decode: cannot read %s: %s\n", o.input, std::strerror(errno));
    return 1;
  }
  Decoder ko;
  if (!BindDecoder(ko)) {
    std::fprintf(stderr, "lumtrax-decode: the decoder library KOMP3DEC.DLL is missing\n");
    return 16;
  }

  static uint8_t input[kInputBytes];
  static uint8_t pcm[kPcmBytes];
  int32_t eqFlag = o.equalizer ? 16 : 0;
  const int8_t* gains = o.equalizer ? o.gains : nullptr;

  // Learn the stream's format from its first buffer, and request the
  // conversion as the player does when the device refuses the stream's rate.
  size_t n = std::fread(input, 1, kInputBytes, in);
  if (std::ferror(in)) {
    std::fprintf(stderr, "lumtrax-decode: cannot read %s: %s\n", o.input, std::strerror(errno));
    return 1;
  }
  ko.Init(o.fade ? 1 : 0, eqFlag, gains, int32_t(o.start));
  int32_t streamRate = 0, channels = 0, bitRate = 0;
  ko.GetHeaderInfo(input, int32_t(n), &streamRate, &channels, &bitRate);
  int32_t outRate = streamRate;
  if (o.rate) {
    ko.Exit();
    ko.Init(o.fade ? 1 : 0, eqFlag, gains, -1);
    outRate = o.rate;
    ko.GetHeaderInfo(input, int32_t(n), &outRate, &channels, &bitRate);
  }
  // Header info leaves the stream reset at byte 0: start it at the right byte.
  ko.Init(o.fade ? 1 : 0, eqFlag, gains, int32_t(o.start));

  bool toStdout = !std::strcmp(o.output, "-");
  FILE* out = toStdout ? stdout : nullptr;
  bool headerWritten = false;
  bool writeFailed = false;
  uint64_t dataBytes = 0;
  Counts counts;
  int32_t position = 0, frameBitRate = 0;

  auto emit = [&](int32_t bytes) {
    if (bytes <= 0 || writeFailed) return;
    if (!out) {
      out = std::fopen(o.output, "wb");
      if (!out) {
        writeFailed = true;
        return;
      }
    }
    if (!headerWritten && !o.raw) {
      uint8_t h[44];
      WavHeader(h, outRate, channels, toStdout ? 0xFFFFFFFFu : 0);
      if (std::fwrite(h, 1, 44, out) != 44) writeFailed = true;
    }
    headerWritten = true;
    if (std::fwrite(pcm, 1, size_t(bytes), out) != size_t(bytes)) writeFailed = true;
    dataBytes += uint64_t(bytes);
  };

  auto count = [&](int32_t r, int32_t bytes) {
    if (r == 0) (bytes > 0 ? counts.frames : counts.skipped)++;
    else if (r == 1) counts.bufferEnd++;
    else counts.needData++;
  };

  if (std::fseek(in, o.start, SEEK_SET) != 0) {
    std::fprintf(stderr, "lumtrax-decode: cannot read %s: %s\n", o.input, std::strerror(errno));
    return 1;
  }
  int32_t carry = 0, filled = 0;
  for (;;) {
    // r > 0 from the last call: its last r - 1 bytes were not consumed.
    int32_t keep = carry > 0 && carry <= filled ? carry - 1 : 0;
    std::memmove(input, input + filled - keep, size_t(keep));
    n = std::fread(input + keep, 1, size_t(kInputBytes - keep), in);
    if (n == 0) break;
    filled = keep + int32_t(n);
    int32_t bytes = 0;
    int32_t r = ko.DecompressAudio(input, filled, pcm, kPcmBytes, &bytes, &position, &frameBitRate);
    count(r, bytes);
    emit(bytes);
    while (r == 0) {
      r = ko.DecompressAudio(nullptr, 0, pcm, kPcmBytes, &bytes, &position, &frameBitRate);
      count(r, bytes);
      emit(bytes);
    }
    carry = r;
  }
  ko.Exit();
  std::fclose(in);

  if (out && !writeFailed && !o.raw && !toStdout) {
    uint8_t h[44];
    WavHeader(h, outRate, channels, dataBytes > 0xFFFFFFD0u ? 0xFFFFFFD0u : uint32_t(dataBytes));
    if (std::fseek(out, 0, SEEK_SET) != 0 || std::fwrite(h, 1, 44, out) != 44) writeFailed = true;
  }
  if (out && !toStdout && std::fclose(out) != 0) writeFailed = true;
  if (toStdout && std::fflush(stdout) != 0) writeFailed = true;

  if (o.verbose) {
    std::fprintf(stderr,
                 "rate %d Hz%s, channels %d, bit rate %d\n"
                 "frames %ld, skipped %ld, buffer ends %ld (with carry) + %ld (without), last position %d\n",
                 int(outRate), outRate != streamRate ? " (converted)" : "", int(channels), int(bitRate),
                 counts.frames, counts.skipped, counts.needData, counts.bufferEnd, int(position));
  }
  if (writeFailed) {
    std::fprintf(stderr, "lumtrax-decode: cannot write %s\n", o.output);
    return 3;
  }
  if (counts.frames == 0) {
    // No frame: an empty output.
    if (!toStdout) {
      FILE* empty = std::fopen(o.output, "wb");
      if (empty) std::fclose(empty);
    }
    return 2;
  }
  return 0;
}
