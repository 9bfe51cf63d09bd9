// Message boxes. Until the dialog manager draws them, a box is reported on
// standard error and answered with its default button, as a user pressing
// Enter would; tests read the calls back and may choose the answer.
#include <cstdio>
#include <mutex>
#include <vector>

#include "lxuser.h"
#include "windows.h"

namespace {

struct MessageBoxLog {
  std::mutex lock;
  std::vector<LxMessageBoxCall> calls;
  int answer = 0;
};

MessageBoxLog& Log() {
  static MessageBoxLog l;
  return l;
}

int DefaultAnswer(UINT type) {
  static const int kButtons[6][3] = {{IDOK, IDOK, IDOK},        {IDOK, IDCANCEL, IDCANCEL},
                                     {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
                                     {IDYES, IDNO, IDNO},       {IDRETRY, IDCANCEL, IDCANCEL}};
  UINT kind = type & MB_TYPEMASK;
  UINT def = (type & MB_DEFMASK) >> 8;
  if (kind > 5) kind = 0;
  if (def > 2) def = 0;
  return kButtons[kind][def];
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  LxMessageBoxCall call{};
  call.owner = owner;
  call.type = type;
  if (text) lstrcpynW(call.text, text, 512);
  if (caption) lstrcpynW(call.caption, caption, 128);
  int answer;
  {
    auto& l = Log();
    std::lock_guard lock(l.lock);
    answer = l.answer ? l.answer : DefaultAnswer(type);
    call.answer = answer;
    l.calls.push_back(call);
  }
  fprintf(stderr, "[%s] %s\n", LxToUtf8(call.caption).c_str(), LxToUtf8(call.text).c_str());
  return answer;
}

int LxMessageBoxCount(void) {
  std::lock_guard lock(Log().lock);
  return (int)Log().calls.size();
}

int LxMessageBoxGet(int index, LxMessageBoxCall* call) {
  std::lock_guard lock(Log().lock);
  if (index < 0 || index >= (int)Log().calls.size() || !call) return 0;
  *call = Log().calls[index];
  return 1;
}

void LxMessageBoxReset(int answer) {
  std::lock_guard lock(Log().lock);
  Log().calls.clear();
  Log().answer = answer;
}
