// Temporary files of known content for the reader and plug-in tests.
#pragma once
#include <gtest/gtest.h>
#include "lxkit.h"
#include "pattern.h"
#include <windows.h>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

// A temporary folder of pattern files, removed at the end of the test.
class TempFolder : public lxtest::TempFolder {
 public:
  TempFolder() : lxtest::TempFolder("lxreader") {}
  // Writes a pattern file of `size` bytes; returns its host path.
  std::string PatternFile(const std::string& name, uint64_t size) {
    std::string path = *this / name;
    std::ofstream out(path, std::ios::binary);
    std::vector<uint8_t> block(1 << 20);
    for (uint64_t done = 0; done < size;) {
      size_t n = (size_t)std::min<uint64_t>(block.size(), size - done);
      FillPattern(block.data(), done, n);
      out.write((const char*)block.data(), (std::streamsize)n);
      done += n;
    }
    return path;
  }
};

// The device path of a host file, as the player would pass it.
inline std::u16string DevicePath(const std::string& host) { return LxDevicePath(host); }
