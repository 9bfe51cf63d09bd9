// Temporary files of known content for the reader and plug-in tests.
#pragma once
#include <gtest/gtest.h>
#include "pattern.h"
#include <windows.h>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

// A temporary folder, removed with its files at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    const char* base = getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/lxreader-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    char* made = mkdtemp(buf.data());
    if (made) dir_ = made;
  }
  ~TempFolder() {
    for (const std::string& f : files_) unlink(f.c_str());
    if (!dir_.empty()) rmdir(dir_.c_str());
  }
  // Writes a pattern file of `size` bytes; returns its host path.
  std::string PatternFile(const std::string& name, uint64_t size) {
    std::string path = dir_ + "/" + name;
    std::ofstream out(path, std::ios::binary);
    std::vector<uint8_t> block(1 << 20);
    for (uint64_t done = 0; done < size;) {
      size_t n = (size_t)std::min<uint64_t>(block.size(), size - done);
      FillPattern(block.data(), done, n);
      out.write((const char*)block.data(), (std::streamsize)n);
      done += n;
    }
    files_.push_back(path);
    return path;
  }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
  std::vector<std::string> files_;
};

// The device path of a host file, as the player would pass it.
inline std::u16string DevicePath(const std::string& host) { return LxDevicePath(host); }
