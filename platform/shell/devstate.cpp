// The device state: the values a real device keeps in its own settings
// (volume, idle time-outs), shared by every program of the device.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lxstate.h"

namespace {

const char kFile[] = "DeviceState.txt";

// Finds "key=" at the start of a line; returns the offset of the line or npos.
size_t FindLine(const std::string& text, const char* key) {
  size_t keyLen = strlen(key);
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    if (end - pos > keyLen && text.compare(pos, keyLen, key) == 0 && text[pos + keyLen] == '=') return pos;
    pos = end + 1;
  }
  return std::string::npos;
}

}  // namespace

int LxDeviceStateGet(const char* key, DWORD* value) {
  std::string text;
  if (!key || !value || !LxStateRead(kFile, text)) return 0;
  size_t pos = FindLine(text, key);
  if (pos == std::string::npos) return 0;
  const char* start = text.c_str() + pos + strlen(key) + 1;
  char* end = nullptr;
  unsigned long long v = strtoull(start, &end, 0);
  if (end == start || (*end != '\n' && *end != '\0' && *end != '\r') || v > 0xFFFFFFFFull) return 0;
  *value = DWORD(v);
  return 1;
}

int LxDeviceStateSet(const char* key, DWORD value) {
  if (!key || !*key || strchr(key, '=') || strchr(key, '\n')) return 0;
  return LxStateUpdate(kFile, [&](std::string& text) {
    char line[128];
    snprintf(line, sizeof line, "%s=%u", key, unsigned(value));
    size_t pos = FindLine(text, key);
    if (pos == std::string::npos) {
      if (!text.empty() && text.back() != '\n') text += '\n';
      text += line;
      text += '\n';
    } else {
      size_t end = text.find('\n', pos);
      text.replace(pos, (end == std::string::npos ? text.size() : end) - pos, line);
    }
    return 1;
  });
}
