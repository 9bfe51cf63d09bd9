// lumtrax-decode: decodes an MPEG audio file to WAV or raw PCM through the
// decoder library, calling its exports the way the player's playback thread
// does: an 8000-byte input buffer, the unconsumed tail carried to the front,
// tail calls with null data while the decoder has more, KO_Exit at the end.
// It finds the library the way the platform maps KOMP3DEC.DLL (libkomp3dec.so
// beside the program) but opens it itself: the platform's own start-up (its
// fonts, display and text libraries) costs more than a short file's decoding.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "komp3dec.h"

namespace {

constexpr int kInputBytes = 8000;
// The largest frame any conversion gives: 1152 samples from 8000 to 48000 Hz,
// two channels of two bytes.
constexpr int kPcmBytes = (1152 * 6 + 1) * 2 * 2;
// Bytes read without a frame before the input counts as no MPEG audio.
constexpr long kSearchBytes = 4L << 20;
constexpr int kRates[9] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

const char kUsage[] =
    "usage: lumtrax-decode [OPTION...] INPUT OUTPUT\n"
    "Decodes an MPEG audio file (Layer I, II or III) to a 16-bit WAV file; OUTPUT - is standard output.\n"
    "  --raw               PCM samples without the WAV header\n"
    "  --eq G0,...,G10     the equalizer on: ten band gains, then the preamplifier, each from -20 to 20\n"
    "  --fade              fade in at the start\n"
    "  --rate HZ           convert to HZ: 8000 11025 12000 16000 22050 24000 32000 44100 48000\n"
    "  --start BYTE        begin at this byte of INPUT\n"
    "  -v                  say what was decoded (frames, rate, channels, bit rate, duration)\n"
    "  -h, --help          this text\n"
    "The output keeps the first frame's channels; frames with another count are converted.\n"
    "Exit status: 0 decoded, 1 INPUT cannot be read, 2 a wrong command line or no MPEG audio frames found,\n"
    "3 OUTPUT cannot be written, 16 the decoder library is missing.\n";

struct Options {
  bool raw = false;
  bool fade = false;
  bool verbose = false;
  bool equalizer = false;
  bool help = false;
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

int Wrong(const std::string& what) {
  std::fprintf(stderr, "lumtrax-decode: %s (--help shows the usage)\n", what.c_str());
  return 2;
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
    if (!ParseNumber(s.substr(at, comma == std::string::npos ? std::string::npos : comma - at).c_str(), -20, 20, v))
      return false;
    gains[i] = int8_t(v);
    at = comma + 1;
  }
  return true;
}

// 0, or the exit status of a wrong command line (its message given).
int ParseArguments(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long v;
    if (a == "-h" || a == "--help") {
      o.help = true;
      return 0;
    } else if (a == "--raw") {
      o.raw = true;
    } else if (a == "--fade") {
      o.fade = true;
    } else if (a == "-v") {
      o.verbose = true;
    } else if (a == "--eq" || a == "--rate" || a == "--start") {
      if (!value) return Wrong(a + " takes a value");
      i++;
      if (a == "--eq") {
        if (!ParseGains(value, o.gains)) return Wrong("--eq takes eleven gains from -20 to 20, not " + std::string(value));
        o.equalizer = true;
      } else if (a == "--rate") {
        bool known = false;
        if (ParseNumber(value, 1, 48000, v))
          for (int r : kRates) known = known || r == v;
        if (!known) return Wrong("--rate takes one of the nine MPEG rates from 8000 to 48000, not " + std::string(value));
        o.rate = int32_t(v);
      } else {
        if (!ParseNumber(value, 0, 0x7FFFFFFF, v)) return Wrong("--start takes a byte offset, not " + std::string(value));
        o.start = v;
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return Wrong("unknown option " + a);
    } else if (!o.input) {
      o.input = argv[i];
    } else if (!o.output) {
      o.output = argv[i];
    } else {
      return Wrong("one INPUT and one OUTPUT, not also " + a);
    }
  }
  if (!o.output) return Wrong(o.input ? "OUTPUT missing" : "INPUT and OUTPUT missing");
  return 0;
}

bool BindDecoder(Decoder& d) {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return false;
  self[n] = 0;
  std::string path(self);
  path = path.substr(0, path.rfind('/') + 1) + "libkomp3dec.so";
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) return false;
  d.Init = reinterpret_cast<KO_InitProc>(dlsym(lib, "KO_Init"));
  d.Exit = reinterpret_cast<KO_ExitProc>(dlsym(lib, "KO_Exit"));
  d.GetHeaderInfo = reinterpret_cast<KO_GetHeaderInfoProc>(dlsym(lib, "KO_GetHeaderInfo"));
  d.DecompressAudio = reinterpret_cast<KO_DecompressAudioProc>(dlsym(lib, "KO_DecompressAudio"));
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

// Bytes of an ID3v2 tag at the start of data (header, body, footer), or 0.
long Id3v2Bytes(const uint8_t* data, size_t n) {
  if (n < 10 || std::memcmp(data, "ID3", 3) != 0 || data[3] == 0xFF || data[4] == 0xFF) return 0;
  long size = 0;
  for (int i = 6; i < 10; i++) {
    if (data[i] & 0x80) return 0;
    size = size << 7 | data[i];
  }
  return 10 + size + (data[5] & 0x10 ? 10 : 0);
}

// Channels of the frame header at data, 0 where there is none.
int HeaderChannels(const uint8_t* data) {
  if (data[0] != 0xFF || (data[1] & 0xE0) != 0xE0) return 0;
  return (data[3] >> 6) == 3 ? 1 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (int status = ParseArguments(argc, argv, o)) return status;
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  bool toStdout = !std::strcmp(o.output, "-");
  struct stat inStat, outStat;
  if (!toStdout && stat(o.input, &inStat) == 0 && stat(o.output, &outStat) == 0 && inStat.st_dev == outStat.st_dev &&
      inStat.st_ino == outStat.st_ino)
    return Wrong(std::string("the output ") + o.output + " is the input file");

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
  auto readFailed = [&] {
    std::fprintf(stderr, "lumtrax-decode: cannot read %s: %s\n", o.input, std::strerror(errno));
    std::fclose(in);
    return 1;
  };

  // An ID3v2 tag before the audio is passed over whole: pictures in it can
  // be larger than the search for a frame, and could hold false syncs.
  size_t n = std::fread(input, 1, kInputBytes, in);
  if (std::ferror(in)) return readFailed();
  long start = o.start;
  if (long tag = o.start == 0 ? Id3v2Bytes(input, n) : 0) {
    long skip = tag - long(n);
    while (skip > 0 && std::fgetc(in) != EOF) skip--;
    if (std::ferror(in)) return readFailed();
    start = tag;
    if (tag < long(n)) {
      n -= size_t(tag);
      std::memmove(input, input + tag, n);
    } else {
      n = 0;
    }
    n += std::fread(input + n, 1, kInputBytes - n, in);
    if (std::ferror(in)) return readFailed();
  }

  // Learn the stream's format from the first buffer with a frame (past junk,
  // where the input can seek), and request the conversion as the player does
  // when the device refuses the stream's rate.
  ko.Init(o.fade ? 1 : 0, eqFlag, gains, int32_t(start));
  int32_t streamRate = 0, channels = 0, bitRate = 0;
  const uint8_t* probe = input;
  size_t probed = n;
  ko.GetHeaderInfo(probe, int32_t(probed), &streamRate, &channels, &bitRate);
  long resume = std::ftell(in);
  if (streamRate == 0 && resume >= 0) {
    static uint8_t ahead[kInputBytes];
    // Windows overlap by a frame's worth so that none falls between them.
    for (long at = resume - 1000; streamRate == 0 && at - start < kSearchBytes; at += kInputBytes - 2000) {
      if (std::fseek(in, at, SEEK_SET) != 0) break;
      probed = std::fread(ahead, 1, kInputBytes, in);
      if (probed < 8) break;
      probe = ahead;
      ko.GetHeaderInfo(probe, int32_t(probed), &streamRate, &channels, &bitRate);
    }
    if (std::fseek(in, resume, SEEK_SET) != 0) return readFailed();
  }
  int32_t outRate = streamRate;
  if (o.rate) {
    ko.Exit();
    ko.Init(o.fade ? 1 : 0, eqFlag, gains, -1);
    outRate = o.rate;
    int32_t ignored = 0;
    ko.GetHeaderInfo(probe, int32_t(probed), &outRate, &ignored, &bitRate);
  }
  // Header info leaves the stream reset at byte 0: start it at the right byte.
  ko.Init(o.fade ? 1 : 0, eqFlag, gains, int32_t(start));

  FILE* out = toStdout ? stdout : nullptr;
  bool created = false, headerWritten = false;
  int writeError = 0;
  uint64_t dataBytes = 0;
  long frames = 0, skipped = 0, converted = 0;
  int64_t bitRateSum = 0;

  auto emit = [&](int32_t bytes) {
    if (bytes <= 0 || writeError) return;
    if (!out) {
      out = std::fopen(o.output, "wb");
      if (!out) {
        writeError = errno;
        return;
      }
      created = true;
    }
    if (!headerWritten && !o.raw) {
      uint8_t h[44];
      WavHeader(h, outRate, channels, toStdout ? 0xFFFFFFFFu : 0);
      if (std::fwrite(h, 1, 44, out) != 44) writeError = errno;
    }
    headerWritten = true;
    if (std::fwrite(pcm, 1, size_t(bytes), out) != size_t(bytes)) writeError = errno ? errno : EIO;
    dataBytes += uint64_t(bytes);
  };

  // The buffer holds the input from byte bufferAt on; a frame starts where the
  // last call ended, and its header tells a channel change the decoder converts.
  long bufferAt = start, lastPosition = start, sinceFrame = 0;
  int32_t carry = 0, filled = 0;
  auto decode = [&](const uint8_t* data, int32_t length) {
    int32_t bytes = 0, position = 0, frameBitRate = 0;
    int32_t r = ko.DecompressAudio(data, length, pcm, kPcmBytes, &bytes, &position, &frameBitRate);
    if (bytes > 0) {
      long at = lastPosition - bufferAt;
      if (at >= 0 && at + 4 <= filled) {
        int c = HeaderChannels(input + at);
        if (c && c != channels) converted++;
      }
      frames++;
      bitRateSum += frameBitRate;
      sinceFrame = 0;
      emit(bytes);
    } else if (r == 0) {
      skipped++;
    }
    lastPosition = position;
    return r;
  };

  bool first = true;
  while (!writeError) {
    // r > 0 from the last call: its last r - 1 bytes were not consumed.
    if (!first) {
      int32_t keep = carry > 0 && carry <= filled ? carry - 1 : 0;
      bufferAt += filled - keep;
      std::memmove(input, input + filled - keep, size_t(keep));
      n = std::fread(input + keep, 1, size_t(kInputBytes - keep), in);
      if (std::ferror(in)) return readFailed();
      if (n == 0) break;
      filled = keep + int32_t(n);
    } else {
      if (n == 0) break;
      filled = int32_t(n);
      first = false;
    }
    sinceFrame += long(n);
    int32_t r = decode(input, filled);
    while (r == 0) r = decode(nullptr, 0);
    carry = r;
    if (frames == 0 ? bufferAt - start > kSearchBytes : sinceFrame > kSearchBytes) break;
  }
  ko.Exit();
  std::fclose(in);

  if (out && !writeError && !o.raw && !toStdout) {
    uint8_t h[44];
    WavHeader(h, outRate, channels, dataBytes > 0xFFFFFFD0u ? 0xFFFFFFD0u : uint32_t(dataBytes));
    if (std::fseek(out, 0, SEEK_SET) != 0 || std::fwrite(h, 1, 44, out) != 44) writeError = errno ? errno : EIO;
  }
  if (out && !toStdout && std::fclose(out) != 0 && !writeError) writeError = errno ? errno : EIO;
  if (toStdout && std::fflush(stdout) != 0 && !writeError) writeError = errno ? errno : EIO;

  if (o.verbose && frames > 0) {
    double seconds = double(dataBytes) / (double(outRate) * channels * 2);
    std::fprintf(stderr, "decoded %ld frames, %ld passed over (damaged or not audio); %d Hz%s, %d channel%s, %ld kbit/s, %.2f s\n",
                 frames, skipped, int(outRate), outRate != streamRate ? " (converted)" : "", int(channels),
                 channels == 1 ? "" : "s", long(bitRateSum / frames / 1000), seconds);
    if (converted)
      std::fprintf(stderr, "the stream changes its channels: %ld frames converted to %d channel%s\n", converted,
                   int(channels), channels == 1 ? "" : "s");
  }
  if (writeError) {
    std::fprintf(stderr, "lumtrax-decode: cannot write %s: %s\n", o.output, std::strerror(writeError));
    return 3;
  }
  if (frames == 0) {
    std::fprintf(stderr, "lumtrax-decode: no MPEG audio frames found in %s\n", o.input);
    if (created) std::remove(o.output);
    return 2;
  }
  return 0;
}
