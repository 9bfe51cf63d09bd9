// Temporary folders and data folders for tests and fuzzers (no test
// framework needed).
#pragma once
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace lxtest {

// A fresh folder under $TMPDIR (else /tmp), removed with all it holds. Path()
// is empty if it could not be made.
class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "lumtrax") {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points the device's data folder (LUMTRAX_HOME) at `path`, with the
// "My Documents" folder the system's files live in.
inline void UseHome(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path + "/My Documents", ignored);
  setenv("LUMTRAX_HOME", path.c_str(), 1);
}

// One data folder for the whole test program, made before the platform starts
// and removed at exit: for programs whose tests share a started system.
inline const std::string& ProgramHome() {
  static const std::string home = [] {
    static TempFolder* folder = new TempFolder("lumtrax-programdata");
    UseHome(folder->Path());
    atexit([] { delete folder; });
    return folder->Path();
  }();
  return home;
}

// Writes a host file whole.
inline bool WriteHost(const std::string& path, const std::string& content) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool written = fwrite(content.data(), 1, content.size(), f) == content.size();
  return fclose(f) == 0 && written;
}

}  // namespace lxtest
