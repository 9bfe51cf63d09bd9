// Device paths <-> host paths. "\My Documents\...", "\Program Files\..." and
// "\Windows\..." live in the data folder; every other "\a\b" is the host's "/a/b". The device's file
// system ignored case, so a component not found as written is matched without
// case against the folder's entries.
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <vector>

#include "lxicu.h"
#include "lxkernel.h"

namespace {

const char* const kHomeFolders[] = {"My Documents", "Program Files", "Windows"};

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0) return true;
  std::u16string wa = LxFromUtf8(a), wb = LxFromUtf8(b);
  return lx::StrCaseEqual(wa.data(), (int32_t)wa.size(), wb.data(), (int32_t)wb.size());
}

std::vector<std::string> SplitComponents(const std::string& path, bool backslashToo) {
  std::vector<std::string> parts;
  std::string cur;
  auto flush = [&] {
    if (cur.empty() || cur == ".") {
    } else if (cur == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(cur);
    }
    cur.clear();
  };
  for (char c : path) {
    if (c == '/' || (backslashToo && c == '\\')) flush();
    else cur.push_back(c);
  }
  flush();
  return parts;
}

// The entry of "folder" that matches "name" without case, or "".
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* d = opendir(folder.c_str());
  if (!d) return "";
  std::string found;
  while (struct dirent* e = readdir(d)) {
    if (SameNameIgnoringCase(e->d_name, name)) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace

std::string LxHostPath(LPCWSTR devicePath) {
  if (!devicePath || !devicePath[0]) return "";
  std::vector<std::string> parts = SplitComponents(LxToHostName(devicePath), true);
  std::string cur = "/";
  size_t i = 0;
  if (!parts.empty()) {
    for (const char* folder : kHomeFolders) {
      if (SameNameIgnoringCase(parts[0], folder)) {
        cur = Join(LxHome(), folder);
        i = 1;
        break;
      }
    }
  }
  bool resolving = true;
  for (; i < parts.size(); ++i) {
    std::string next = Join(cur, parts[i]);
    if (resolving) {
      struct stat st;
      if (lstat(next.c_str(), &st) != 0) {
        std::string other = FindIgnoringCase(cur, parts[i]);
        if (!other.empty()) next = Join(cur, other);
        else resolving = false;  // the rest does not exist yet: keep it as written
      }
    }
    cur = next;
  }
  return cur;
}

std::u16string LxDevicePath(const std::string& hostPath) {
  std::string path = hostPath;
  if (path.empty()) return u"";
  if (path[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
  }
  std::vector<std::string> parts = SplitComponents(path, false);
  std::string home = LxHome();
  std::vector<std::vector<std::string>> homes{SplitComponents(home, false)};
  char real[PATH_MAX];
  if (realpath(home.c_str(), real)) homes.push_back(SplitComponents(real, false));
  auto toDevice = [](const std::vector<std::string>& p, size_t from) {
    std::string out;
    for (size_t i = from; i < p.size(); ++i) out += "\\" + p[i];
    return LxFromHostName(out.empty() ? "\\" : out);
  };
  for (const auto& h : homes) {
    if (parts.size() <= h.size() || !std::equal(h.begin(), h.end(), parts.begin())) continue;
    for (const char* folder : kHomeFolders) {
      if (parts[h.size()] == folder) return toDevice(parts, h.size());
    }
  }
  return toDevice(parts, 0);
}
