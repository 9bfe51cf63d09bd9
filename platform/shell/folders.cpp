// Special folders: "My Documents" is the data folder's, the music folder the
// desktop user's.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "../kernel/lxkernel.h"
#include "shlobj.h"

namespace {

// XDG_MUSIC_DIR="$HOME/Music" in the user's folder list.
std::string MusicFromUserDirs(const std::string& home) {
  const char* config = getenv("XDG_CONFIG_HOME");
  std::string file = (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "XDG_MUSIC_DIR=\"";
    if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
    return value;
  }
  return "";
}

std::string MusicFolder() {
  const char* env = getenv("XDG_MUSIC_DIR");
  if (env && *env) return env;
  const char* h = getenv("HOME");
  std::string home = h ? h : "";
  std::string listed = MusicFromUserDirs(home);
  if (!listed.empty()) return listed;
  return home.empty() ? "" : home + "/Music";
}

}  // namespace

BOOL SHGetSpecialFolderPath(HWND, LPWSTR path, int folder, BOOL) {
  if (!path) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  path[0] = 0;
  std::u16string device;
  if (folder == CSIDL_PERSONAL) {
    device = u"\\My Documents";
  } else if (folder == CSIDL_MYMUSIC) {
    std::string host = MusicFolder();
    struct stat st;
    if (host.empty() || host[0] != '/' || stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return SetLastError(ERROR_PATH_NOT_FOUND), FALSE;
    device = LxDevicePath(host);
  } else {
    return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  }
  if (device.size() >= MAX_PATH) return SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
  std::copy(device.begin(), device.end(), path);
  path[device.size()] = 0;
  return TRUE;
}
