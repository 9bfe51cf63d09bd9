// The registry's text file as a start of the player reads it: the platform's
// parser, then the settings store over whatever keys and values it yields.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/settings.h"
#include "testing/playertest.h"
#include "lxfolders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string& home = lxtest::ProgramHome();
  WriteHostFile(home + "/registry.txt", Bytes(data, data + size));
  static Settings settings;
  LoadSettings(&settings, nullptr);
  // A damaged file is set aside each time: keep the folder small.
  for (const auto& entry : std::filesystem::directory_iterator(home))
    if (entry.path().filename().string().rfind("registry.txt.damaged-", 0) == 0) std::filesystem::remove(entry.path());
  return 0;
}
