// The player as a program under test: started headless in a private device
// folder and driven from outside through its device socket, as a user would.
#pragma once
#include <windows.h>

#include <sys/types.h>

#include <string>
#include <vector>

#include "lxfolders.h"

class PlayerProcess {
 public:
  // Makes a fresh device folder (with "My Documents" and the socket folder)
  // and points this process's LUMTRAX_HOME and XDG_RUNTIME_DIR at it.
  explicit PlayerProcess(const char* name);
  // Kills whatever it started and removes the folder.
  ~PlayerProcess();

  const std::string& Home() const { return folder_.Path(); }

  // `lumtrax --headless --audio AUDIO ARGS...`; standard error goes to
  // Home()/stderr.txt. The first start becomes Pid().
  pid_t Start(const std::vector<std::string>& args = {}, const std::string& audio = "null",
              const std::string& program = "");
  pid_t Pid() const { return pid_; }
  // Its socket answers and its loop waits for input.
  bool WaitUp(pid_t pid = 0);
  // The exit code (128 + signal), or -1 when it did not end within ms.
  int WaitExit(pid_t pid = 0, int ms = 10000);
  void Kill(int signal, pid_t pid = 0);

  std::string Call(const std::string& request, pid_t pid = 0);
  std::string MainWindow(pid_t pid = 0);
  // A message posted to the main window, then the loop left to go idle.
  bool Post(UINT message, WPARAM wParam, LPARAM lParam = 0, pid_t pid = 0);
  bool Command(UINT id, pid_t pid = 0) { return Post(WM_COMMAND, id, 0, pid); }
  bool Tap(int x, int y, pid_t pid = 0);
  bool Key(int vk, pid_t pid = 0);
  // "CLASS TITLE" of a window with the given visibility, in the device's
  // encoding ("=Lumtrax", "=Dialog").
  bool HasWindow(const std::string& classWord, const std::string& titleWord, bool visible, pid_t pid = 0);
  // The screen as 240 x 320 pixels 0x00RRGGBB (empty when the call failed).
  std::vector<DWORD> Screen(pid_t pid = 0);
  // Whether the board's time digits change within ms.
  bool TimeMoves(int ms, pid_t pid = 0);

  // Registry values of the player's key, read and written while no player runs.
  void Seed(LPCWSTR name, DWORD value);
  DWORD Stored(LPCWSTR name);

  std::string Text(const std::string& hostPath);

 private:
  pid_t Which(pid_t pid) const { return pid ? pid : pid_; }
  std::string TimeDigits(pid_t pid);
  lxtest::TempFolder folder_;
  pid_t pid_ = 0;
  std::vector<pid_t> started_;
};
