#include "fuzzfile.h"

#include <string>

#include "testing/playertest.h"

LPCWSTR FuzzInputFile(const uint8_t* data, size_t size, const char* name) {
  static std::string folder = TestFolder("fuzz");
  static std::u16string path;
  std::string host = folder + "/" + name;
  WriteHostFile(host, Bytes(data, data + size));
  path = DevicePath(host);
  return path.c_str();
}
