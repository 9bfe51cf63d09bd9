// Persistent device stores in $LUMTRAX_HOME.
#include "lxstate.h"

#include "../kernel/lxkernel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int ReadFd(int fd, std::string& text) {
  text.clear();
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 0;
    if (n == 0) return 1;
    text.append(buf, size_t(n));
  }
}

int WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    done += size_t(n);
  }
  return 1;
}

}  // namespace

std::string LxStatePath(const char* name) { return LxHome() + "/" + name; }

int LxStateRead(const char* name, std::string& text) {
  text.clear();
  int fd = open(LxStatePath(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? 1 : 0;
  int ok = ReadFd(fd, text);
  close(fd);
  return ok;
}

int LxStateUpdate(const char* name, const std::function<int(std::string& text)>& edit) {
  std::string path = LxStatePath(name);
  // The lock file stays; locking the data file itself would not survive the
  // rename that replaces it.
  int lock = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) return 0;
  while (flock(lock, LOCK_EX) < 0 && errno == EINTR) {
  }
  int result = 0;
  std::string text;
  if (LxStateRead(name, text) && edit(text)) {
    std::string temp = path + ".tmp" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
      bool ok = WriteAll(fd, text) && fsync(fd) == 0;
      ok = close(fd) == 0 && ok;
      if (ok && rename(temp.c_str(), path.c_str()) == 0) result = 1;
      else unlink(temp.c_str());
    }
  }
  flock(lock, LOCK_UN);
  close(lock);
  return result;
}
