// The process's handle table, the thread's last error, and the folders the
// kernel works from.
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "lxkernel.h"

namespace {

std::mutex g_tableLock;
std::map<uintptr_t, std::shared_ptr<LxObject>> g_table;
// Handles are never reused, so a stale one cannot reach a newer object.
uintptr_t g_nextHandle = 0x1000;

thread_local DWORD t_lastError = 0;

// Pseudo handles of the current process and thread need no closing.
bool IsPseudoHandle(HANDLE h) {
  return h == (HANDLE)(LONG_PTR)-1 || h == (HANDLE)(LONG_PTR)-2;
}

}  // namespace

HANDLE LxHandleInsert(std::shared_ptr<LxObject> object) {
  std::lock_guard<std::mutex> lock(g_tableLock);
  uintptr_t h = g_nextHandle;
  g_nextHandle += 4;
  g_table.emplace(h, std::move(object));
  return (HANDLE)h;
}

std::shared_ptr<LxObject> LxHandleGet(HANDLE h) {
  std::lock_guard<std::mutex> lock(g_tableLock);
  auto it = g_table.find((uintptr_t)h);
  return it == g_table.end() ? nullptr : it->second;
}

BOOL CloseHandle(HANDLE h) {
  if (IsPseudoHandle(h)) return TRUE;
  std::shared_ptr<LxObject> dying;  // destroyed outside the table lock
  {
    std::lock_guard<std::mutex> lock(g_tableLock);
    auto it = g_table.find((uintptr_t)h);
    if (it == g_table.end()) {
      t_lastError = ERROR_INVALID_HANDLE;
      return FALSE;
    }
    dying = std::move(it->second);
    g_table.erase(it);
  }
  return TRUE;
}

DWORD GetLastError(void) { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

DWORD LxErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    default: return ERROR_INVALID_FUNCTION;
  }
}

namespace {

std::mutex g_homeLock;
std::string g_homeMade;  // the last folder whose sub-folders were created

void MakeFolders(const std::string& path) {
  // mkdir -p: each prefix in turn; existing ones are fine.
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
}

}  // namespace

std::string LxHome() {
  std::string home;
  const char* env = getenv("LUMTRAX_HOME");
  if (env && *env) {
    home = env;
  } else {
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
      home = std::string(xdg) + "/lumtrax";
    } else {
      const char* user = getenv("HOME");
      if (!user || !*user) {
        struct passwd* pw = getpwuid(getuid());
        user = pw ? pw->pw_dir : "/tmp";
      }
      home = std::string(user) + "/.local/share/lumtrax";
    }
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  std::lock_guard<std::mutex> lock(g_homeLock);
  if (home != g_homeMade) {
    MakeFolders(home + "/My Documents");
    MakeFolders(home + "/Windows");
    MakeFolders(home + "/Program Files");
    g_homeMade = home;
  }
  return home;
}

static std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LxProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  return FolderOf(std::string(buf, n));
}

std::string LxPlatformFolder() {
  Dl_info info{};
  if (!dladdr((void*)&LxPlatformFolder, &info) || !info.dli_fname) return LxProgramFolder();
  char buf[PATH_MAX];
  if (!realpath(info.dli_fname, buf)) return FolderOf(info.dli_fname);
  return FolderOf(buf);
}
