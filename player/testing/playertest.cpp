#include "testing/playertest.h"

#include "lxfolders.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

// Every test program gets its own device home before the platform starts.
static const std::string& Home() { return lxtest::ProgramHome(); }
static const bool homeReady = !Home().empty();

std::string TestFolder(const char* name) {
  std::string dir = Home() + "/files/" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::u16string DevicePath(const std::string& hostPath) {
  std::u16string out;
  for (char c : hostPath) out += c == '/' ? u'\\' : char16_t(static_cast<unsigned char>(c));
  return out;
}

void WriteHostFile(const std::string& hostPath, const Bytes& bytes) {
  std::ofstream f(hostPath, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes ReadHostFile(const std::string& hostPath) {
  std::ifstream f(hostPath, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool HostFileExists(const std::string& hostPath) { return fs::exists(hostPath); }

static void PutBigEndian(Bytes& b, size_t at, unsigned v) {
  b[at] = (unsigned char)(v >> 24);
  b[at + 1] = (unsigned char)(v >> 16);
  b[at + 2] = (unsigned char)(v >> 8);
  b[at + 3] = (unsigned char)v;
}

Bytes MakeMp3(const Mp3Spec& shape) {
  Bytes b;
  if (shape.id3v2Size) {
    size_t s = shape.id3v2Size;
    Bytes head = {'I', 'D', '3', 3, 0, 0, (unsigned char)((s >> 21) & 0x7F), (unsigned char)((s >> 14) & 0x7F),
                  (unsigned char)((s >> 7) & 0x7F), (unsigned char)(s & 0x7F)};
    b.insert(b.end(), head.begin(), head.end());
    b.insert(b.end(), s, 0);
  }
  b.insert(b.end(), shape.leadingJunk, 0x11);
  size_t frame = b.size();
  b.insert(b.end(), shape.audioBytes, 0);
  b[frame] = 0xFF;
  b[frame + 1] = shape.frame.b1;
  b[frame + 2] = shape.frame.b2;
  b[frame + 3] = shape.frame.b3;
  if (shape.xing) {
    bool mpeg1 = (shape.frame.b1 & 0x18) == 0x18, mono = (shape.frame.b3 >> 6) == 3;
    size_t s = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    size_t at = frame + 4 + s;
    memcpy(&b[at], "Xing", 4);
    PutBigEndian(b, at + 4, shape.xingFlags);
    size_t o = at + 8;
    if (shape.xingFlags & 1) o += 4;
    if (shape.xingFlags & 2) o += 4;
    if (shape.xingFlags & 4) o += 100;
    if (shape.xingFlags & 8) PutBigEndian(b, o, shape.xingQuality);
  }
  if (shape.tag) {
    Bytes tag(128, 0);
    memcpy(&tag[0], "TAG", 3);
    memcpy(&tag[3], shape.id3v1Title.data(), std::min<size_t>(30, shape.id3v1Title.size()));
    tag[127] = shape.genre;
    b.insert(b.end(), tag.begin(), tag.end());
  }
  return b;
}

std::string BinFolder() {
  if (const char* bin = getenv("LUMTRAX_BIN")) return bin;
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : (self.parent_path().parent_path() / "bin").string();
}
