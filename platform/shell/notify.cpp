// User notifications over a store in $LUMTRAX_HOME ("Notifications.txt"),
// read and written on every call so that a notification set by one program
// is seen by every later one, across restarts of the device.
//
// The store is plain text: "Next=n", then one "[handle]" section per
// notification with "Key=value" lines. Text is UTF-8 with '%', CR and LF
// written as %25, %0D, %0A. Lines that cannot be read are skipped, so a
// damaged store loses at most the damaged notification.
#include "notify.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lxnotify.h"
#include "lxstate.h"
#include "windows.h"

namespace {

const char kStore[] = "Notifications.txt";

struct Notification {
  DWORD id = 0;
  DWORD type = 0;
  DWORD event = 0;
  std::u16string application, arguments;
  SYSTEMTIME start{}, end{};
  bool hasUser = false;
  DWORD actions = 0;
  std::u16string title, text, sound;
  DWORD maxSound = 0;
};

struct Store {
  DWORD next = 1;
  std::vector<Notification> items;
};

std::string Escape(const std::u16string& s) {
  std::string out;
  for (char c : LxToUtf8(s)) {
    if (c == '%') out += "%25";
    else if (c == '\n') out += "%0A";
    else if (c == '\r') out += "%0D";
    else out += c;
  }
  return out;
}

std::u16string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      std::string hex = s.substr(i + 1, 2);
      char* end = nullptr;
      long v = strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out += char(v);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return LxFromUtf8(out);
}

std::string TimeText(const SYSTEMTIME& t) {
  char buf[96];
  snprintf(buf, sizeof buf, "%u %u %u %u %u %u %u %u", t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour,
           t.wMinute, t.wSecond, t.wMilliseconds);
  return buf;
}

SYSTEMTIME ParseTime(const std::string& s) {
  unsigned v[8] = {};
  SYSTEMTIME t{};
  if (sscanf(s.c_str(), "%u %u %u %u %u %u %u %u", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]) == 8) {
    WORD* f[8] = {&t.wYear, &t.wMonth, &t.wDayOfWeek, &t.wDay, &t.wHour, &t.wMinute, &t.wSecond, &t.wMilliseconds};
    for (int i = 0; i < 8; ++i) *f[i] = WORD(v[i]);
  }
  return t;
}

DWORD ParseNumber(const std::string& s) { return DWORD(strtoul(s.c_str(), nullptr, 10)); }

Store Parse(const std::string& text) {
  Store store;
  Notification* cur = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      char* end = nullptr;
      unsigned long id = strtoul(line.c_str() + 1, &end, 10);
      cur = nullptr;
      if (*end != ']' || id == 0 || id > 0x7FFFFFFF) continue;
      bool duplicate = false;
      for (const Notification& n : store.items) duplicate |= n.id == id;
      if (duplicate) continue;
      store.items.emplace_back();
      cur = &store.items.back();
      cur->id = DWORD(id);
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (!cur) {
      if (key == "Next") store.next = ParseNumber(value);
      continue;
    }
    if (key == "Type") cur->type = ParseNumber(value);
    else if (key == "Event") cur->event = ParseNumber(value);
    else if (key == "Application") cur->application = Unescape(value);
    else if (key == "Arguments") cur->arguments = Unescape(value);
    else if (key == "Start") cur->start = ParseTime(value);
    else if (key == "End") cur->end = ParseTime(value);
    else if (key == "Actions") cur->actions = ParseNumber(value), cur->hasUser = true;
    else if (key == "Title") cur->title = Unescape(value);
    else if (key == "Text") cur->text = Unescape(value);
    else if (key == "Sound") cur->sound = Unescape(value);
    else if (key == "MaxSound") cur->maxSound = ParseNumber(value);
  }
  // Handles are never reused, even after a damaged "Next" line.
  for (const Notification& n : store.items)
    if (store.next <= n.id) store.next = n.id + 1;
  if (store.next == 0 || store.next > 0x7FFFFFFF) store.next = 1;
  return store;
}

std::string Format(const Store& store) {
  std::string out = "Next=" + std::to_string(store.next) + "\n";
  for (const Notification& n : store.items) {
    out += "\n[" + std::to_string(n.id) + "]\n";
    out += "Type=" + std::to_string(n.type) + "\n";
    out += "Event=" + std::to_string(n.event) + "\n";
    out += "Application=" + Escape(n.application) + "\n";
    out += "Arguments=" + Escape(n.arguments) + "\n";
    out += "Start=" + TimeText(n.start) + "\n";
    out += "End=" + TimeText(n.end) + "\n";
    if (n.hasUser) {
      out += "Actions=" + std::to_string(n.actions) + "\n";
      out += "Title=" + Escape(n.title) + "\n";
      out += "Text=" + Escape(n.text) + "\n";
      out += "Sound=" + Escape(n.sound) + "\n";
      out += "MaxSound=" + std::to_string(n.maxSound) + "\n";
    }
  }
  return out;
}

Store Load() {
  std::string text;
  LxStateRead(kStore, text);
  return Parse(text);
}

DWORD IdOf(HANDLE h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  return v > 0 && v <= 0x7FFFFFFF ? DWORD(v) : 0;
}

HANDLE HandleOf(DWORD id) { return reinterpret_cast<HANDLE>(uintptr_t(id)); }

std::u16string Text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(); }

// Record for the output buffer: header, trigger, user part, then strings.
size_t Align(size_t n) { return (n + alignof(void*) - 1) & ~(alignof(void*) - 1); }

size_t InfoSize(const Notification& n) {
  size_t size = Align(sizeof(CE_NOTIFICATION_INFO_HEADER)) + Align(sizeof(CE_NOTIFICATION_TRIGGER));
  if (n.hasUser) size += Align(sizeof(CE_USER_NOTIFICATION));
  for (const std::u16string* s : {&n.application, &n.arguments, &n.title, &n.text, &n.sound})
    size += (s->size() + 1) * sizeof(WCHAR);
  return size;
}

}  // namespace

HANDLE CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* trigger,
                               CE_USER_NOTIFICATION* user) {
  if (!trigger || (trigger->dwSize != sizeof(CE_NOTIFICATION_TRIGGER) &&
                   trigger->dwSize != CE_NOTIFICATION_TRIGGER_DEVICE_SIZE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (trigger->dwType < CNT_EVENT || trigger->dwType > CNT_CLASSICTIME ||
      (trigger->dwType == CNT_EVENT && (!trigger->lpszApplication || !trigger->lpszApplication[0])) ||
      (trigger->dwType == CNT_CLASSICTIME && !user)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Notification n;
  n.type = trigger->dwType;
  n.event = trigger->dwEvent;
  n.application = Text(trigger->lpszApplication);
  n.arguments = Text(trigger->lpszArguments);
  n.start = trigger->stStartTime;
  n.end = trigger->stEndTime;
  if (user) {
    n.hasUser = true;
    n.actions = user->ActionFlags;
    n.title = Text(user->pwszDialogTitle);
    n.text = Text(user->pwszDialogText);
    n.sound = Text(user->pwszSound);
    n.maxSound = user->nMaxSound;
  }
  DWORD replace = IdOf(hNotification);
  DWORD id = 0;
  int ok = LxStateUpdate(kStore, [&](std::string& text) {
    Store store = Parse(text);
    for (Notification& old : store.items) {
      if (replace && old.id == replace) {
        n.id = replace;
        old = n;
      }
    }
    // A handle that no longer exists (cleared meanwhile, or from another
    // device) gets a new notification rather than none at all.
    if (!n.id) {
      n.id = store.next++;
      store.items.push_back(n);
    }
    id = n.id;
    text = Format(store);
    return 1;
  });
  if (!ok) {
    SetLastError(ERROR_WRITE_FAULT);
    return nullptr;
  }
  return HandleOf(id);
}

BOOL CeClearUserNotification(HANDLE hNotification) {
  DWORD id = IdOf(hNotification);
  int found = 0;
  int ok = id && LxStateUpdate(kStore, [&](std::string& text) {
    Store store = Parse(text);
    for (size_t i = 0; i < store.items.size(); ++i) {
      if (store.items[i].id == id) {
        store.items.erase(store.items.begin() + long(i));
        found = 1;
        break;
      }
    }
    if (!found) return 0;
    text = Format(store);
    return 1;
  });
  if (!ok) {
    SetLastError(found ? ERROR_WRITE_FAULT : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL CeGetUserNotificationHandles(HANDLE* handles, DWORD cHandles, LPDWORD pcHandlesNeeded) {
  if (!pcHandlesNeeded || (cHandles && !handles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The size query (null, 0) succeeds, as callers count on it.
  Store store = Load();
  *pcHandlesNeeded = DWORD(store.items.size());
  for (size_t i = 0; i < store.items.size() && i < cHandles; ++i) handles[i] = HandleOf(store.items[i].id);
  return TRUE;
}

BOOL CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded, LPBYTE buffer) {
  DWORD id = IdOf(hNotification);
  Store store = Load();
  const Notification* n = nullptr;
  for (const Notification& item : store.items)
    if (id && item.id == id) n = &item;
  if (!n) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  size_t size = InfoSize(*n);
  if (pcBytesNeeded) *pcBytesNeeded = DWORD(size);
  if (!buffer || cBufferSize < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memset(buffer, 0, size);
  auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buffer);
  size_t at = Align(sizeof *header);
  auto* trigger = reinterpret_cast<CE_NOTIFICATION_TRIGGER*>(buffer + at);
  at += Align(sizeof *trigger);
  CE_USER_NOTIFICATION* user = nullptr;
  if (n->hasUser) {
    user = reinterpret_cast<CE_USER_NOTIFICATION*>(buffer + at);
    at += Align(sizeof *user);
  }
  auto put = [&](const std::u16string& s) {
    auto* out = reinterpret_cast<WCHAR*>(buffer + at);
    memcpy(out, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    at += (s.size() + 1) * sizeof(WCHAR);
    return out;
  };
  header->hNotification = HandleOf(n->id);
  header->dwStatus = 0;
  header->pcent = trigger;
  header->pceun = user;
  trigger->dwSize = sizeof *trigger;
  trigger->dwType = n->type;
  trigger->dwEvent = n->event;
  trigger->lpszApplication = put(n->application);
  trigger->lpszArguments = put(n->arguments);
  trigger->stStartTime = n->start;
  trigger->stEndTime = n->end;
  if (user) {
    user->ActionFlags = n->actions;
    user->pwszDialogTitle = put(n->title);
    user->pwszDialogText = put(n->text);
    user->pwszSound = put(n->sound);
    user->nMaxSound = n->maxSound;
  }
  return TRUE;
}

BOOL CeRunAppAtEvent(WCHAR* app, LONG event) {
  if (!app || !app[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string name = app;
  int ok = LxStateUpdate(kStore, [&](std::string& text) {
    Store store = Parse(text);
    std::vector<Notification> kept;
    for (Notification& n : store.items) {
      bool same = n.type == CNT_EVENT && LxStrCmpiW(n.application.c_str(), name.c_str()) == 0 &&
                  (event == NOTIFICATION_EVENT_NONE || n.event == DWORD(event));
      if (!same) kept.push_back(n);
    }
    store.items = kept;
    if (event != NOTIFICATION_EVENT_NONE) {
      Notification n;
      n.id = store.next++;
      n.type = CNT_EVENT;
      n.event = DWORD(event);
      n.application = name;
      store.items.push_back(n);
    }
    text = Format(store);
    return 1;
  });
  if (!ok) SetLastError(ERROR_WRITE_FAULT);
  return ok ? TRUE : FALSE;
}

int LxNotifyEvent(DWORD event, std::vector<HANDLE>* processes) {
  int started = 0;
  for (const Notification& n : Load().items) {
    if (n.type != CNT_EVENT || n.event != event || n.application.empty()) continue;
    std::u16string args = n.arguments;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(n.application.c_str(), args.empty() ? nullptr : args.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, nullptr, &pi)) {
      CloseHandle(pi.hThread);
      if (processes)
        processes->push_back(pi.hProcess);
      else
        CloseHandle(pi.hProcess);
      ++started;
    } else {
      fprintf(stderr, "lumtrax: cannot start %s for a system event\n", LxToUtf8(n.application).c_str());
    }
  }
  return started;
}

int LxDeviceWake(std::vector<HANDLE>* processes) { return LxNotifyEvent(NOTIFICATION_EVENT_WAKEUP, processes); }
