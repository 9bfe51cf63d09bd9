// Files and folders on device paths.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include "lxicu.h"
#include "lxkernel.h"

namespace {

// Sharing is enforced among the process's own handles, as the device's one
// file system did; other processes are not held back.
struct ShareEntry {
  DWORD access;
  DWORD share;
};
std::mutex g_shareLock;
std::multimap<std::pair<dev_t, ino_t>, ShareEntry*> g_openFiles;

bool Compatible(DWORD access, DWORD share, const ShareEntry& other) {
  if ((access & GENERIC_READ) && !(other.share & FILE_SHARE_READ)) return false;
  if ((access & GENERIC_WRITE) && !(other.share & FILE_SHARE_WRITE)) return false;
  if ((other.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
  if ((other.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  return true;
}

struct FileObject : LxObject {
  FileObject() : LxObject(LxTypeFile) {}
  ~FileObject() override {
    if (registered) {
      std::lock_guard<std::mutex> lock(g_shareLock);
      for (auto it = g_openFiles.lower_bound(id); it != g_openFiles.end() && it->first == id; ++it) {
        if (it->second == &entry) {
          g_openFiles.erase(it);
          break;
        }
      }
    }
    if (fd >= 0) close(fd);
  }
  int fd = -1;
  ShareEntry entry{};
  std::pair<dev_t, ino_t> id{};
  bool registered = false;
};

struct FindObject : LxObject {
  FindObject() : LxObject(LxTypeFind) {}
  std::vector<WIN32_FIND_DATAW> entries;
  size_t next = 0;
};

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

std::string ParentOf(const std::string& host) {
  size_t slash = host.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : host.substr(0, slash);
}

// ENOENT means "path not found" when the folder itself is missing.
DWORD MissingError(const std::string& host) {
  struct stat st;
  return stat(ParentOf(host).c_str(), &st) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD OpenError(int err, const std::string& host) {
  return err == ENOENT ? MissingError(host) : LxErrorFromErrno(err);
}

std::shared_ptr<FileObject> GetFile(HANDLE h) {
  auto f = LxHandleAs<FileObject>(h, LxTypeFile);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

std::string BaseName(const std::string& host) {
  size_t slash = host.rfind('/');
  return slash == std::string::npos ? host : host.substr(slash + 1);
}

DWORD AttributesOf(const struct stat& st, const std::string& name) {
  DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.') a |= FILE_ATTRIBUTE_HIDDEN;
  return a;
}

FILETIME ToFileTime(const struct timespec& t) {
  // 100 ns ticks since 1601-01-01.
  uint64_t ticks = (uint64_t)(t.tv_sec + 11644473600LL) * 10000000ull + t.tv_nsec / 100;
  return FILETIME{(DWORD)ticks, (DWORD)(ticks >> 32)};
}

bool OpenShared(const std::shared_ptr<FileObject>& f, DWORD access, DWORD share) {
  struct stat st;
  fstat(f->fd, &st);
  f->id = {st.st_dev, st.st_ino};
  f->entry = {access, share};
  std::lock_guard<std::mutex> lock(g_shareLock);
  for (auto it = g_openFiles.lower_bound(f->id); it != g_openFiles.end() && it->first == f->id; ++it) {
    if (!Compatible(access, share, *it->second)) return false;
  }
  g_openFiles.emplace(f->id, &f->entry);
  f->registered = true;
  return true;
}

// Whether some handle of this process keeps the file from being deleted.
bool HeldAgainstDelete(const std::string& host) {
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return false;
  std::lock_guard<std::mutex> lock(g_shareLock);
  auto key = std::make_pair(st.st_dev, st.st_ino);
  for (auto it = g_openFiles.lower_bound(key); it != g_openFiles.end() && it->first == key; ++it) {
    if (!(it->second->share & FILE_SHARE_DELETE)) return true;
  }
  return false;
}

bool CopyHostFile(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail(OpenError(errno, from));
  struct stat st;
  fstat(in, &st);
  if (S_ISDIR(st.st_mode)) {
    close(in);
    return Fail(ERROR_ACCESS_DENIED);
  }
  // The copy is written beside its target and renamed over it, so a failed
  // copy never leaves a half-written target behind.
  std::string temp = to + ".lxcopy" + std::to_string(getpid());
  int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    DWORD e = OpenError(errno, to);
    close(in);
    return Fail(e);
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buf + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  DWORD e = ok ? 0 : LxErrorFromErrno(errno ? errno : EIO);
  if (ok && fsync(out) != 0) ok = false, e = LxErrorFromErrno(errno);
  close(in);
  if (close(out) != 0 && ok) ok = false, e = LxErrorFromErrno(errno);
  if (ok && rename(temp.c_str(), to.c_str()) != 0) ok = false, e = LxErrorFromErrno(errno);
  if (!ok) {
    unlink(temp.c_str());
    return Fail(e ? e : ERROR_WRITE_FAULT);
  }
  return true;
}

// Wildcards '*' and '?', without case. "name.*" also matches "name".
bool Matches(const char16_t* pattern, const char16_t* name) {
  if (!*pattern) return !*name;
  if (*pattern == '*') {
    for (const char16_t* n = name;; ++n) {
      if (Matches(pattern + 1, n)) return true;
      if (!*n) return false;
    }
  }
  if (pattern[0] == '.' && pattern[1] == '*' && !pattern[2] && !*name) return true;
  if (!*name) return false;
  if (*pattern != '?' && lx::FoldCase(*pattern) != lx::FoldCase(*name))
    return false;
  return Matches(pattern + 1, name + 1);
}

bool FillFindData(const std::string& folder, const std::string& name, WIN32_FIND_DATAW* data) {
  std::u16string wide = LxFromHostName(name);
  if (wide.size() >= MAX_PATH) return false;
  std::string full = folder == "/" ? "/" + name : folder + "/" + name;
  struct stat st;
  if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) return false;
  *data = WIN32_FIND_DATAW{};
  data->dwFileAttributes = AttributesOf(st, name);
  data->ftCreationTime = ToFileTime(st.st_ctim);
  data->ftLastAccessTime = ToFileTime(st.st_atim);
  data->ftLastWriteTime = ToFileTime(st.st_mtim);
  if (!S_ISDIR(st.st_mode)) {
    data->nFileSizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
    data->nFileSizeLow = (DWORD)st.st_size;
  }
  data->dwOID = (DWORD)st.st_ino;
  std::copy(wide.begin(), wide.end(), data->cFileName);
  return true;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                   HANDLE) {
  if (!path || !path[0]) return SetLastError(ERROR_PATH_NOT_FOUND), INVALID_HANDLE_VALUE;
  std::string host = LxHostPath(path);
  int mode = (access & GENERIC_READ) && (access & GENERIC_WRITE) ? O_RDWR
             : (access & GENERIC_WRITE)                          ? O_WRONLY
                                                                 : O_RDONLY;
  int oflags = mode | O_CLOEXEC;
  bool truncate = false;
  switch (disposition) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT; truncate = true; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!(access & GENERIC_WRITE)) return SetLastError(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
      truncate = true;
      break;
    default: return SetLastError(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
  }
  struct stat before;
  bool existed = stat(host.c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) return SetLastError(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
  if (existed && disposition == CREATE_NEW) return SetLastError(ERROR_FILE_EXISTS), INVALID_HANDLE_VALUE;
  mode_t perms = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
  auto f = std::make_shared<FileObject>();
  // Non-blocking, so that a FIFO or device cannot hold the caller; only
  // regular files are files here.
  f->fd = open(host.c_str(), oflags | O_NONBLOCK, perms);
  if (f->fd < 0) {
    DWORD e = errno == EEXIST ? ERROR_FILE_EXISTS : errno == ENXIO ? ERROR_ACCESS_DENIED : OpenError(errno, host);
    return SetLastError(e), INVALID_HANDLE_VALUE;
  }
  struct stat opened;
  if (fstat(f->fd, &opened) != 0 || !S_ISREG(opened.st_mode)) return SetLastError(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
  fcntl(f->fd, F_SETFL, fcntl(f->fd, F_GETFL) & ~O_NONBLOCK);
  // Sharing is checked before truncating, so a refused open destroys nothing.
  if (!OpenShared(f, access, share)) {
    if (!existed) unlink(host.c_str());
    return SetLastError(ERROR_SHARING_VIOLATION), INVALID_HANDLE_VALUE;
  }
  if (truncate && existed && ftruncate(f->fd, 0) != 0) return SetLastError(LxErrorFromErrno(errno)), INVALID_HANDLE_VALUE;
  SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS : 0);
  return LxHandleInsert(f);
}

BOOL ReadFile(HANDLE h, LPVOID buf, DWORD count, LPDWORD readCount, LPOVERLAPPED) {
  if (readCount) *readCount = 0;
  auto f = GetFile(h);
  if (!f) return FALSE;
  if (!(f->entry.access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
  DWORD done = 0;
  while (done < count) {
    ssize_t n = read(f->fd, (char*)buf + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(LxErrorFromErrno(errno));
    if (n == 0) break;  // end of file: success with what was read
    done += (DWORD)n;
  }
  if (readCount) *readCount = done;
  return TRUE;
}

BOOL WriteFile(HANDLE h, LPCVOID buf, DWORD count, LPDWORD written, LPOVERLAPPED) {
  if (written) *written = 0;
  auto f = GetFile(h);
  if (!f) return FALSE;
  if (!(f->entry.access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  DWORD done = 0;
  while (done < count) {
    ssize_t n = write(f->fd, (const char*)buf + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = done;
      return Fail(LxErrorFromErrno(n < 0 ? errno : ENOSPC));
    }
    done += (DWORD)n;
  }
  if (written) *written = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE h, LONG distance, PLONG distanceHigh, DWORD method) {
  auto f = GetFile(h);
  if (!f) return INVALID_SET_FILE_POINTER;
  int64_t offset = distanceHigh ? (int64_t)(((uint64_t)(uint32_t)*distanceHigh << 32) | (uint32_t)distance)
                                : (int64_t)distance;
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
  if (whence < 0) return SetLastError(ERROR_INVALID_PARAMETER), INVALID_SET_FILE_POINTER;
  off_t base = whence == SEEK_SET ? 0 : lseek(f->fd, 0, whence);
  if (base + offset < 0) return SetLastError(ERROR_NEGATIVE_SEEK), INVALID_SET_FILE_POINTER;
  off_t pos = lseek(f->fd, offset, whence);
  if (pos < 0) return SetLastError(LxErrorFromErrno(errno)), INVALID_SET_FILE_POINTER;
  if (distanceHigh) *distanceHigh = (LONG)((uint64_t)pos >> 32);
  // A position whose low part is 0xFFFFFFFF is told from failure by the error.
  SetLastError(NO_ERROR);
  return (DWORD)pos;
}

DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh) {
  auto f = GetFile(h);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (fstat(f->fd, &st) != 0) return SetLastError(LxErrorFromErrno(errno)), INVALID_FILE_SIZE;
  if (sizeHigh) *sizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
  SetLastError(NO_ERROR);
  return (DWORD)st.st_size;
}

BOOL SetEndOfFile(HANDLE h) {
  auto f = GetFile(h);
  if (!f) return FALSE;
  if (!(f->entry.access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  off_t pos = lseek(f->fd, 0, SEEK_CUR);
  if (pos < 0 || ftruncate(f->fd, pos) != 0) return Fail(LxErrorFromErrno(errno));
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE h) {
  auto f = GetFile(h);
  if (!f) return FALSE;
  if (fsync(f->fd) != 0) return Fail(LxErrorFromErrno(errno));
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
  if (!path || !path[0]) return Fail(ERROR_PATH_NOT_FOUND);
  std::string host = LxHostPath(path);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Fail(MissingError(host));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (HeldAgainstDelete(host)) return Fail(ERROR_SHARING_VIOLATION);
  if (unlink(host.c_str()) != 0) return Fail(LxErrorFromErrno(errno));
  return TRUE;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  if (!from || !to || !from[0] || !to[0]) return Fail(ERROR_PATH_NOT_FOUND);
  std::string src = LxHostPath(from), dst = LxHostPath(to);
  struct stat st;
  if (stat(src.c_str(), &st) != 0) return Fail(MissingError(src));
  if (failIfExists && lstat(dst.c_str(), &st) == 0) return Fail(ERROR_FILE_EXISTS);
  if (src == dst) return TRUE;
  return CopyHostFile(src, dst);
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (!from || !to || !from[0] || !to[0]) return Fail(ERROR_PATH_NOT_FOUND);
  std::string src = LxHostPath(from), dst = LxHostPath(to);
  struct stat st;
  if (lstat(src.c_str(), &st) != 0) return Fail(MissingError(src));
  bool isDir = S_ISDIR(st.st_mode);
  if (src == dst) {
    // Only the case of the name changes: keep the new spelling.
    std::u16string wide(to);
    size_t cut = wide.find_last_of(u"\\/");
    dst = ParentOf(src) + "/" + LxToHostName(cut == std::u16string::npos ? wide : wide.substr(cut + 1));
    if (dst == src) return TRUE;
  } else if (lstat(dst.c_str(), &st) == 0 && !(flags & MOVEFILE_REPLACE_EXISTING)) {
    return Fail(ERROR_ALREADY_EXISTS);
  }
  if (rename(src.c_str(), dst.c_str()) == 0) return TRUE;
  if (errno != EXDEV || isDir) return Fail(OpenError(errno, dst));
  // Across file systems a file is copied, then removed.
  if (!CopyHostFile(src, dst)) return FALSE;
  unlink(src.c_str());
  return TRUE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, 0); }

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  if (!path || !path[0]) return Fail(ERROR_PATH_NOT_FOUND);
  std::string host = LxHostPath(path);
  if (mkdir(host.c_str(), 0755) != 0) return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : LxErrorFromErrno(errno));
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
  if (!path || !path[0]) return Fail(ERROR_PATH_NOT_FOUND);
  std::string host = LxHostPath(path);
  if (rmdir(host.c_str()) != 0) return Fail(errno == ENOENT ? MissingError(host) : LxErrorFromErrno(errno));
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path) {
  if (!path || !path[0]) return SetLastError(ERROR_PATH_NOT_FOUND), INVALID_FILE_ATTRIBUTES;
  std::string host = LxHostPath(path);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return SetLastError(OpenError(errno, host)), INVALID_FILE_ATTRIBUTES;
  return AttributesOf(st, BaseName(host));
}

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !pattern[0] || !data) return SetLastError(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
  std::u16string full(pattern);
  size_t cut = full.find_last_of(u"\\/");
  std::u16string folder = cut == std::u16string::npos ? u"\\" : full.substr(0, cut + 1);
  std::u16string mask = cut == std::u16string::npos ? full : full.substr(cut + 1);
  if (mask.empty()) return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
  std::string host = LxHostPath(folder.c_str());
  DIR* d = opendir(host.c_str());
  if (!d) return SetLastError(ERROR_PATH_NOT_FOUND), INVALID_HANDLE_VALUE;
  std::vector<std::string> names;
  while (struct dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  auto find = std::make_shared<FindObject>();
  // The device's root holds the folders that live in the data folder.
  bool root = host == "/";
  if (root) {
    for (const char* extra : {"My Documents", "Program Files", "Windows"}) {
      if (std::find(names.begin(), names.end(), extra) == names.end()) {
        WIN32_FIND_DATAW fd;
        std::string home = LxHome();
        if (FillFindData(home, extra, &fd) && Matches(mask.c_str(), fd.cFileName)) find->entries.push_back(fd);
      }
    }
  }
  for (const std::string& name : names) {
    WIN32_FIND_DATAW fd;
    if (FillFindData(host, name, &fd) && Matches(mask.c_str(), fd.cFileName)) find->entries.push_back(fd);
  }
  if (find->entries.empty()) return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
  // Directory order is the host's accident; name order makes listings repeatable.
  std::sort(find->entries.begin(), find->entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    return std::u16string_view(a.cFileName) < std::u16string_view(b.cFileName);
  });
  *data = find->entries[0];
  find->next = 1;
  SetLastError(NO_ERROR);
  return LxHandleInsert(find);
}

BOOL LxGetFileIdentity(LPCWSTR path, LXFILEIDENTITY* identity) {
  if (!path || !path[0] || !identity) return Fail(ERROR_INVALID_PARAMETER);
  std::string host = LxHostPath(path);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Fail(OpenError(errno, host));
  identity->device = (ULONGLONG)st.st_dev;
  identity->inode = (ULONGLONG)st.st_ino;
  return TRUE;
}

BOOL FindNextFileW(HANDLE h, LPWIN32_FIND_DATAW data) {
  auto find = LxHandleAs<FindObject>(h, LxTypeFind);
  if (!find) return Fail(ERROR_INVALID_HANDLE);
  if (find->next >= find->entries.size()) return Fail(ERROR_NO_MORE_FILES);
  *data = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HANDLE h) {
  if (!LxHandleAs<FindObject>(h, LxTypeFind)) return Fail(ERROR_INVALID_HANDLE);
  return CloseHandle(h);
}

static DWORD CopyOut(const std::u16string& text, LPWSTR buf, DWORD size) {
  if (!buf || size == 0) return SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
  if (text.size() + 1 > size) {
    std::copy(text.begin(), text.begin() + (size - 1), buf);
    buf[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::copy(text.begin(), text.end(), buf);
  buf[text.size()] = 0;
  return (DWORD)text.size();
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size) {
  std::string host;
  if (module) {
    struct link_map* map = nullptr;
    if (dlinfo((void*)module, RTLD_DI_LINKMAP, &map) != 0 || !map) return SetLastError(ERROR_INVALID_HANDLE), 0;
    host = map->l_name ? map->l_name : "";
  }
  char buf[PATH_MAX];
  if (host.empty()) {
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return SetLastError(ERROR_INVALID_FUNCTION), 0;
    host.assign(buf, n);
  } else if (realpath(host.c_str(), buf)) {
    host = buf;
  }
  return CopyOut(LxDevicePath(host), name, size);
}

UINT GetWindowsDirectoryW(LPWSTR buf, UINT size) {
  static const std::u16string kWindows = u"\\Windows";
  if (!buf || size < kWindows.size() + 1) return (UINT)kWindows.size() + 1;
  return CopyOut(kWindows, buf, size);
}
