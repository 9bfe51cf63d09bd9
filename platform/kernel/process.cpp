// Processes: CreateProcessW starts a program of the system by its device
// name; its handle is waitable and gives the exit code.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "lxkernel.h"

extern char** environ;

namespace {

struct ProcessObject : LxWaitable {
  ProcessObject() : LxWaitable(LxTypeProcess) {}
  bool Signaled(DWORD) const override { return done; }
  pid_t pid = 0;
  bool done = false;
  DWORD exitCode = STILL_ACTIVE;
};

// The device's command-line rules: blanks separate, quotes group,
// backslashes are literal unless they precede a quote.
std::vector<std::string> SplitCommandLine(const std::u16string& line) {
  std::vector<std::string> args;
  std::u16string cur;
  bool inQuotes = false, any = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char16_t c = line[i];
    if (c == '\\') {
      size_t n = 0;
      while (i < line.size() && line[i] == '\\') ++n, ++i;
      if (i < line.size() && line[i] == '"') {
        cur.append(n / 2, u'\\');
        if (n % 2) {
          cur.push_back('"');
          continue;
        }
      } else {
        cur.append(n, u'\\');
      }
      --i;
      any = true;
      continue;
    }
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (any) args.push_back(LxToUtf8(cur));
      cur.clear();
      any = false;
    } else {
      cur.push_back(c);
      any = true;
    }
  }
  if (any) args.push_back(LxToUtf8(cur));
  return args;
}

std::string ResolveProgram(LPCWSTR image) {
  std::string host = LxHostPath(image);
  struct stat st;
  if (!host.empty() && stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(host.c_str(), X_OK) == 0)
    return host;
  return LxFindProgramFile(LxToUtf8(image), false, "");
}

}  // namespace

BOOL CreateProcessW(LPCWSTR image, LPWSTR cmdLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                    LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION pi) {
  std::vector<std::string> args = SplitCommandLine(cmdLine ? std::u16string(cmdLine) : std::u16string());
  std::u16string imageName;
  if (image && image[0]) {
    imageName = image;
  } else {
    // Without an image name the first word of the command line names it.
    if (args.empty()) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    imageName = LxFromUtf8(args[0]);
    args.erase(args.begin());
  }
  std::string program = ResolveProgram(imageName.c_str());
  if (program.empty()) return SetLastError(ERROR_FILE_NOT_FOUND), FALSE;
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  // The caller's thread blocks the closing signals (entry.cpp); the program
  // started must not inherit that.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  int err = posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (err != 0) return SetLastError(err == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_BAD_EXE_FORMAT), FALSE;
  auto process = std::make_shared<ProcessObject>();
  process->pid = pid;
  // One reaper per child turns its end into the handle's signal.
  std::thread([process] {
    int status = 0;
    while (waitpid(process->pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> lock(LxWaitLock());
    process->exitCode = WIFEXITED(status) ? (DWORD)WEXITSTATUS(status) : 128u + (DWORD)WTERMSIG(status);
    process->done = true;
    LxWaitNotify();
  }).detach();
  HANDLE h = LxHandleInsert(process);
  if (pi) {
    pi->hProcess = h;
    pi->hThread = LxHandleInsert(process);  // the primary thread ends with the process
    pi->dwProcessId = (DWORD)pid;
    pi->dwThreadId = (DWORD)pid;
  } else {
    CloseHandle(h);
  }
  SetLastError(NO_ERROR);
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE h, LPDWORD code) {
  auto p = LxHandleAs<ProcessObject>(h, LxTypeProcess);
  if (!p || !code) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  std::lock_guard<std::mutex> lock(LxWaitLock());
  *code = p->exitCode;
  return TRUE;
}
