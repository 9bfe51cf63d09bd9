// Helpers shared by the player's data tests: a private device folder, host
// files named by device paths, and small MPEG audio files built byte by byte.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A fresh folder under the test's private device home.
std::string TestFolder(const char* name);
std::u16string DevicePath(const std::string& hostPath);
void WriteHostFile(const std::string& hostPath, const Bytes& bytes);
Bytes ReadHostFile(const std::string& hostPath);
bool HostFileExists(const std::string& hostPath);
// The output folder with the system's libraries: LUMTRAX_BIN, else the
// folder beside the test program's own (build/tests -> build/bin).
std::string BinFolder();

// Frame header bytes: MPEG-1 Layer III 128 kbit/s 44100 Hz stereo by default.
struct FrameSpec {
  unsigned char b1 = 0xFB;  // sync bits, MPEG-1, Layer III, no CRC
  unsigned char b2 = 0x90;  // bit-rate index 9, sample-rate index 0
  unsigned char b3 = 0x00;  // stereo
};

struct Mp3Spec {
  size_t id3v2Size = 0;       // 0: no ID3v2 tag
  size_t leadingJunk = 0;     // bytes before the first frame (after any ID3v2 tag)
  FrameSpec frame;
  size_t audioBytes = 4000;   // from the first frame start to the end of the audio
  bool xing = false;
  unsigned xingFlags = 0;
  unsigned xingQuality = 0;
  std::string id3v1Title;     // empty with tag=false: no ID3v1 block
  bool tag = false;
  unsigned char genre = 0xFF;
};

Bytes MakeMp3(const Mp3Spec& shape);
