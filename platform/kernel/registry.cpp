// The registry: one text file, "registry.txt" in the data folder.
//
// Every process keeps the file's contents in memory plus a journal of its own
// changes since it last wrote. Opening a key rereads the file if it changed.
// Writing back (when a key that saw changes is closed, on RegFlushKey and at
// exit) happens under an exclusive lock on "registry.lock": the file is read
// again, the journal replayed on top, and the result written to a temporary
// file that replaces the old one. So two processes writing at once both keep
// their values, and a crash leaves either the old file or the new one. A file
// that does not parse is renamed "registry.txt.damaged-<time>" and the
// registry starts empty.
//
// Format (UTF-8, one item per line; ';' starts a comment):
//   Lumtrax Registry 1
//   [HKEY_LOCAL_MACHINE\software\Oakhaven\Lumtrax]
//   "PlayAtOpen"=dword:00000001
//   "Recent Music"="\\My Documents\\Default.PLT"
//   "EQ00"=hex:fe
//   @="the key's default value"
//   "Path"=expand:"..."   "List"=multi:"a","b"   "Odd"=hex(1):41,00
// Strings escape \\ \" \n \r \t \0 and other control characters as \uXXXX.
// Data that the readable forms cannot carry exactly (a string without its
// terminator, a DWORD of other than 4 bytes) is written as hex(type).
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <vector>

#include "lxicu.h"
#include "lxkernel.h"

namespace {

std::u16string Fold(const std::u16string& s) {
  std::u16string out = s;
  for (char16_t& c : out) c = (char16_t)lx::FoldCase(c);
  return out;
}

struct Value {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::u16string name;
  std::vector<Value> values;  // in the order they were first set
  std::map<std::u16string, Key> subkeys;  // by folded name: names ignore case
  Value* FindValue(const std::u16string& n) {
    std::u16string f = Fold(n);
    for (Value& v : values)
      if (Fold(v.name) == f) return &v;
    return nullptr;
  }
};

const struct {
  HKEY hkey;
  const char* name;
} kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_USERS, "HKEY_USERS"},
};
constexpr int kRootCount = 4;

using Path = std::vector<std::u16string>;

struct Tree {
  Key roots[kRootCount];
  Key* Find(int root, const Path& path) {
    Key* k = &roots[root];
    for (const auto& part : path) {
      auto it = k->subkeys.find(Fold(part));
      if (it == k->subkeys.end()) return nullptr;
      k = &it->second;
    }
    return k;
  }
  Key* Make(int root, const Path& path, bool* created = nullptr) {
    Key* k = &roots[root];
    for (const auto& part : path) {
      auto [it, isNew] = k->subkeys.try_emplace(Fold(part));
      if (isNew) {
        it->second.name = part;
        if (created) *created = true;
      }
      k = &it->second;
    }
    return k;
  }
};

// One change of this process, replayed onto the file's state when writing.
struct Op {
  enum Kind { CreateKey, SetValue, DeleteValue, DeleteKey } kind;
  int root;
  Path path;
  Value value;
};

void Apply(Tree& tree, const Op& op) {
  switch (op.kind) {
    case Op::CreateKey: tree.Make(op.root, op.path); break;
    case Op::SetValue: {
      Key* k = tree.Make(op.root, op.path);
      if (Value* v = k->FindValue(op.value.name)) {
        v->type = op.value.type;
        v->data = op.value.data;
      } else {
        k->values.push_back(op.value);
      }
      break;
    }
    case Op::DeleteValue: {
      Key* k = tree.Find(op.root, op.path);
      if (!k) break;
      std::u16string f = Fold(op.value.name);
      for (auto it = k->values.begin(); it != k->values.end(); ++it) {
        if (Fold(it->name) == f) {
          k->values.erase(it);
          break;
        }
      }
      break;
    }
    case Op::DeleteKey: {
      if (op.path.empty()) break;
      Path parent(op.path.begin(), op.path.end() - 1);
      if (Key* k = tree.Find(op.root, parent)) k->subkeys.erase(Fold(op.path.back()));
      break;
    }
  }
}

// ---- text form ----

void AppendQuoted(std::string& out, const char16_t* s, size_t n) {
  out.push_back('"');
  std::u16string plain;
  auto flush = [&] {
    out += LxToUtf8(plain);
    plain.clear();
  };
  for (size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    bool loneSurrogate = (c >= 0xD800 && c <= 0xDBFF && !(i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)) ||
                         (c >= 0xDC00 && c <= 0xDFFF && !(i > 0 && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF));
    const char* esc = c == '\\' ? "\\\\" : c == '"' ? "\\\"" : c == '\n' ? "\\n" : c == '\r' ? "\\r"
                    : c == '\t' ? "\\t" : c == 0 ? "\\0" : nullptr;
    if (esc) {
      flush();
      out += esc;
    } else if (c < 0x20 || c == 0x7F || loneSurrogate) {
      flush();
      char buf[8];
      snprintf(buf, sizeof buf, "\\u%04X", (unsigned)c);
      out += buf;
    } else {
      plain.push_back(c);
    }
  }
  flush();
  out.push_back('"');
}

std::u16string Units(const std::vector<BYTE>& data) {
  std::u16string s(data.size() / 2, u'\0');
  if (!s.empty()) memcpy(s.data(), data.data(), s.size() * 2);
  return s;
}

void AppendHex(std::string& out, const std::vector<BYTE>& data) {
  char buf[4];
  for (size_t i = 0; i < data.size(); ++i) {
    snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", data[i]);
    out += buf;
  }
}

void AppendValue(std::string& out, const Value& v) {
  if (v.name.empty()) out += "@";
  else AppendQuoted(out, v.name.data(), v.name.size());
  out += "=";
  const auto& d = v.data;
  bool even = d.size() % 2 == 0 && d.size() >= 2;
  std::u16string u = Units(d);
  if (v.type == REG_DWORD && d.size() == 4) {
    DWORD x;
    memcpy(&x, d.data(), 4);
    char buf[24];
    snprintf(buf, sizeof buf, "dword:%08x", x);
    out += buf;
  } else if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && even && u.back() == 0) {
    if (v.type == REG_EXPAND_SZ) out += "expand:";
    AppendQuoted(out, u.data(), u.size() - 1);
  } else if (v.type == REG_MULTI_SZ && even && u.size() >= 3 && u[u.size() - 1] == 0 && u[u.size() - 2] == 0 &&
             u.find(std::u16string(2, u'\0')) == u.size() - 2 && u[0] != 0) {
    out += "multi:";
    size_t start = 0;
    while (start < u.size() - 1) {
      size_t end = u.find(u'\0', start);
      if (start) out += ",";
      AppendQuoted(out, u.data() + start, end - start);
      start = end + 1;
    }
  } else if (v.type == REG_BINARY) {
    out += "hex:";
    AppendHex(out, d);
  } else {
    out += "hex(" + std::to_string(v.type) + "):";
    AppendHex(out, d);
  }
  out += "\n";
}

void AppendKey(std::string& out, const std::string& header, const Key& k) {
  out += "\n[" + header + "]\n";
  for (const Value& v : k.values) AppendValue(out, v);
  for (const auto& [folded, sub] : k.subkeys) AppendKey(out, header + "\\" + LxToUtf8(sub.name), sub);
}

std::string Serialize(const Tree& tree) {
  std::string out = "Lumtrax Registry 1\n; The device's registry. Kept by the platform; edit only while no program runs.\n";
  for (int r = 0; r < kRootCount; ++r) {
    const Key& root = tree.roots[r];
    if (root.values.empty() && root.subkeys.empty()) continue;
    AppendKey(out, kRoots[r].name, root);
  }
  return out;
}

struct Parser {
  const std::string& line;
  size_t pos = 0;
  bool Eat(const char* s) {
    size_t n = strlen(s);
    if (line.compare(pos, n, s) != 0) return false;
    pos += n;
    return true;
  }
  bool Quoted(std::u16string& out) {
    if (!Eat("\"")) return false;
    std::string run;
    auto flush = [&] {
      out += LxFromUtf8(run);
      run.clear();
    };
    while (pos < line.size()) {
      char c = line[pos++];
      if (c == '"') {
        flush();
        return true;
      }
      if (c != '\\') {
        run.push_back(c);
        continue;
      }
      if (pos >= line.size()) return false;
      char e = line[pos++];
      flush();
      switch (e) {
        case '\\': out.push_back('\\'); break;
        case '"': out.push_back('"'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case '0': out.push_back(0); break;
        case 'u': {
          if (pos + 4 > line.size()) return false;
          unsigned x = 0;
          for (int i = 0; i < 4; ++i) {
            char h = line[pos++];
            int d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
            if (d < 0) return false;
            x = x * 16 + d;
          }
          out.push_back((char16_t)x);
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool Hex(std::vector<BYTE>& out) {
    while (pos < line.size()) {
      if (pos + 2 > line.size()) return false;
      unsigned x;
      if (sscanf(line.c_str() + pos, "%2x", &x) != 1 || !isxdigit((unsigned char)line[pos]) ||
          !isxdigit((unsigned char)line[pos + 1]))
        return false;
      out.push_back((BYTE)x);
      pos += 2;
      if (pos < line.size() && !Eat(",")) return false;
    }
    return true;
  }
  bool End() { return pos == line.size(); }
};

void PushUnits(std::vector<BYTE>& d, const std::u16string& s) {
  size_t at = d.size();
  d.resize(at + s.size() * 2);
  if (!s.empty()) memcpy(d.data() + at, s.data(), s.size() * 2);
}

bool ParseValue(const std::string& line, Value& v) {
  Parser p{line};
  if (!p.Eat("@") && (!p.Quoted(v.name) || v.name.empty())) return false;
  if (!p.Eat("=")) return false;
  std::u16string s;
  if (p.Eat("dword:")) {
    if (line.size() - p.pos != 8) return false;
    char* end;
    unsigned long x = strtoul(line.c_str() + p.pos, &end, 16);
    if (*end) return false;
    DWORD d = (DWORD)x;
    v.type = REG_DWORD;
    v.data.assign((BYTE*)&d, (BYTE*)&d + 4);
    return true;
  }
  if (p.Eat("hex:")) {
    v.type = REG_BINARY;
    return p.Hex(v.data);
  }
  if (p.Eat("hex(")) {
    char* end;
    unsigned long t = strtoul(line.c_str() + p.pos, &end, 10);
    if (end == line.c_str() + p.pos) return false;
    p.pos = end - line.c_str();
    if (!p.Eat("):")) return false;
    v.type = (DWORD)t;
    return p.Hex(v.data);
  }
  if (p.Eat("multi:")) {
    v.type = REG_MULTI_SZ;
    do {
      s.clear();
      if (!p.Quoted(s)) return false;
      s.push_back(0);
      PushUnits(v.data, s);
    } while (p.Eat(","));
    PushUnits(v.data, std::u16string(1, u'\0'));
    return p.End();
  }
  v.type = p.Eat("expand:") ? REG_EXPAND_SZ : REG_SZ;
  if (!p.Quoted(s) || !p.End()) return false;
  s.push_back(0);
  PushUnits(v.data, s);
  return true;
}

bool Parse(const std::string& text, Tree& tree) {
  size_t start = 0;
  bool signature = false;
  Key* current = nullptr;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (!signature) {
      if (line != "Lumtrax Registry 1") return false;
      signature = true;
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') return false;
      std::u16string header = LxFromUtf8(line.substr(1, line.size() - 2));
      Path parts;
      size_t s = 0;
      for (;;) {
        size_t e = header.find(u'\\', s);
        std::u16string part = header.substr(s, e == std::u16string::npos ? std::u16string::npos : e - s);
        if (part.empty()) return false;
        parts.push_back(part);
        if (e == std::u16string::npos) break;
        s = e + 1;
      }
      int root = -1;
      for (int r = 0; r < kRootCount; ++r)
        if (parts[0] == LxFromUtf8(kRoots[r].name)) root = r;
      if (root < 0) return false;
      current = tree.Make(root, Path(parts.begin() + 1, parts.end()));
      continue;
    }
    Value v;
    if (!current || !ParseValue(line, v)) return false;
    if (Value* old = current->FindValue(v.name)) *old = v;
    else current->values.push_back(v);
  }
  return signature;
}

// ---- the process's view ----

struct Stamp {
  bool exists = false;
  ino_t ino = 0;
  off_t size = 0;
  struct timespec mtime {};
  bool operator==(const Stamp& o) const {
    return exists == o.exists && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec;
  }
};

struct Registry {
  std::mutex lock;
  std::string home;  // the data folder the view belongs to
  bool loaded = false;
  Stamp stamp;
  Tree tree;
  std::vector<Op> journal;
  bool exitHook = false;
};
Registry g_reg;

std::string FilePath(const std::string& home) { return home + "/registry.txt"; }

Stamp StampOf(const std::string& path) {
  Stamp s;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    s.exists = true;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
  }
  return s;
}

// Held while the file is read for a merge and replaced.
struct FileLock {
  int fd;
  explicit FileLock(const std::string& home) {
    fd = open((home + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0)
      while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~FileLock() {
    if (fd >= 0) close(fd);
  }
};

// The shell's application buttons of a device with four on first use, named
// after the desktop keys F1 ... F4 that press them.
void Seed(Tree& tree, std::vector<Op>& journal) {
  for (int i = 1; i <= 4; ++i) {
    WCHAR key[16], name[16];
    LxFormatW(key, 16, u"40C%d", i);
    int n = LxFormatW(name, 16, u"F%d", i);
    Op op{Op::SetValue, 0, {u"Software", u"Microsoft", u"Shell", u"Keys", key}, {u"Name", REG_SZ, {}}};
    PushUnits(op.value.data, std::u16string(name, n + 1));
    Apply(tree, op);
    journal.push_back(op);
  }
}

// Reads the file into "tree"; a damaged file is set aside. Call under FileLock.
// Returns whether a file was there to read.
bool ReadFileLocked(const std::string& home, Tree& tree, Stamp& stamp) {
  std::string path = FilePath(home);
  tree = Tree();
  stamp = StampOf(path);
  if (!stamp.exists) return false;
  std::string text;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
  }
  if (Parse(text, tree)) return true;
  tree = Tree();
  char when[32];
  time_t now = time(nullptr);
  struct tm t;
  localtime_r(&now, &t);
  strftime(when, sizeof when, "%Y%m%d-%H%M%S", &t);
  char aside[PATH_MAX];
  snprintf(aside, sizeof aside, "%s.damaged-%s", path.c_str(), when);
  if (access(aside, F_OK) == 0) snprintf(aside, sizeof aside, "%s.damaged-%s-%d", path.c_str(), when, (int)getpid());
  rename(path.c_str(), aside);
  stamp = Stamp();
  return false;
}

LONG FlushLocked() {
  if (g_reg.journal.empty() || g_reg.home.empty()) return ERROR_SUCCESS;
  FileLock lock(g_reg.home);
  if (lock.fd < 0) return ERROR_CANTWRITE;
  Tree merged;
  Stamp stamp;
  ReadFileLocked(g_reg.home, merged, stamp);
  for (const Op& op : g_reg.journal) Apply(merged, op);
  std::string text = Serialize(merged);
  std::string path = FilePath(g_reg.home);
  std::string temp = path + ".tmp" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ERROR_CANTWRITE;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += n;
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return ERROR_CANTWRITE;  // the journal stays for the next attempt
  }
  g_reg.tree = std::move(merged);
  g_reg.stamp = StampOf(path);
  g_reg.journal.clear();
  return ERROR_SUCCESS;
}

void FlushAtExit() {
  std::lock_guard<std::mutex> guard(g_reg.lock);
  FlushLocked();
}

// Brings the view up to date with the file (and with the data folder, which
// tests change). Call with g_reg.lock held.
void RefreshLocked() {
  std::string home = LxHome();
  if (g_reg.loaded && home == g_reg.home && StampOf(FilePath(home)) == g_reg.stamp) return;
  if (home != g_reg.home) {
    FlushLocked();  // changes belong to the folder they were made in
    g_reg.journal.clear();
    g_reg.home = home;
  }
  Tree tree;
  Stamp stamp;
  bool existed;
  {
    FileLock lock(home);
    existed = ReadFileLocked(home, tree, stamp);
  }
  if (!existed) Seed(tree, g_reg.journal);
  for (const Op& op : g_reg.journal) Apply(tree, op);
  g_reg.tree = std::move(tree);
  g_reg.stamp = stamp;
  g_reg.loaded = true;
}

void Record(Op op) {
  Apply(g_reg.tree, op);
  g_reg.journal.push_back(std::move(op));
  if (!g_reg.exitHook) {
    g_reg.exitHook = true;
    atexit(FlushAtExit);
  }
}

struct KeyObject : LxObject {
  KeyObject() : LxObject(LxTypeKey) {}
  int root = 0;
  Path path;
};

int RootIndex(HKEY key) {
  for (int r = 0; r < kRootCount; ++r)
    if (kRoots[r].hkey == key) return r;
  return -1;
}

// The root and path a handle names; false for a bad handle.
bool Resolve(HKEY key, int& root, Path& path) {
  root = RootIndex(key);
  if (root >= 0) {
    path.clear();
    return true;
  }
  auto k = LxHandleAs<KeyObject>((HANDLE)key, LxTypeKey);
  if (!k) return false;
  root = k->root;
  path = k->path;
  return true;
}

bool AppendSubKey(Path& path, LPCWSTR subKey) {
  if (!subKey) return true;
  std::u16string s(subKey);
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(u'\\', start);
    if (end == std::u16string::npos) end = s.size();
    std::u16string part = s.substr(start, end - start);
    if (!part.empty()) {
      if (part.size() > 255) return false;
      for (char16_t c : part)
        if (c < 0x20) return false;
      path.push_back(part);
    }
    start = end + 1;
  }
  return true;
}

HKEY NewKeyHandle(int root, Path path) {
  auto k = std::make_shared<KeyObject>();
  k->root = root;
  k->path = std::move(path);
  return (HKEY)LxHandleInsert(k);
}

// The key a handle names, in the current view; null when it was deleted.
Key* Lookup(HKEY key, LONG& error, int* rootOut = nullptr, Path* pathOut = nullptr) {
  int root;
  Path path;
  if (!Resolve(key, root, path)) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  RefreshLocked();
  Key* k = g_reg.tree.Find(root, path);
  if (!k) error = ERROR_KEY_DELETED;
  if (rootOut) *rootOut = root;
  if (pathOut) *pathOut = path;
  return k;
}

}  // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  int root;
  Path path;
  if (!Resolve(key, root, path)) return ERROR_INVALID_HANDLE;
  if (!AppendSubKey(path, subKey)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  RefreshLocked();
  Key* k = g_reg.tree.Find(root, path);
  if (!k) return ERROR_FILE_NOT_FOUND;
  // Keep the stored spelling of each name.
  Path canonical;
  Key* walk = &g_reg.tree.roots[root];
  for (const auto& part : path) {
    walk = &walk->subkeys.find(Fold(part))->second;
    canonical.push_back(walk->name);
  }
  *result = NewKeyHandle(root, canonical);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  int root;
  Path path;
  if (!Resolve(key, root, path)) return ERROR_INVALID_HANDLE;
  if (!AppendSubKey(path, subKey)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  RefreshLocked();
  bool created = false;
  g_reg.tree.Make(root, path, &created);
  if (created) Record(Op{Op::CreateKey, root, path, {}});
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  Path canonical;
  Key* walk = &g_reg.tree.roots[root];
  for (const auto& part : path) {
    walk = &walk->subkeys.find(Fold(part))->second;
    canonical.push_back(walk->name);
  }
  *result = NewKeyHandle(root, canonical);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (RootIndex(key) >= 0) return ERROR_SUCCESS;
  if (!LxHandleAs<KeyObject>((HANDLE)key, LxTypeKey)) return ERROR_INVALID_HANDLE;
  CloseHandle((HANDLE)key);
  std::lock_guard<std::mutex> guard(g_reg.lock);
  return FlushLocked();
}

LONG RegFlushKey(HKEY key) {
  int root;
  Path path;
  if (!Resolve(key, root, path)) return ERROR_INVALID_HANDLE;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  return FlushLocked();
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  LONG error;
  Key* k = Lookup(key, error);
  if (!k) return error;
  Value* v = k->FindValue(name ? name : u"");
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  DWORD needed = (DWORD)v->data.size();
  if (!data) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) memcpy(data, v->data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (!data && size) return ERROR_INVALID_PARAMETER;
  if (name && lstrlenW(name) > 16383) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  LONG error;
  int root;
  Path path;
  Key* k = Lookup(key, error, &root, &path);
  if (!k) return error;
  Op op{Op::SetValue, root, path, {name ? name : u"", type, {}}};
  if (size) op.value.data.assign(data, data + size);
  // A value set again keeps the spelling of its name.
  if (Value* old = k->FindValue(op.value.name)) op.value.name = old->name;
  Record(std::move(op));
  return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY key, LPCWSTR name) {
  std::lock_guard<std::mutex> guard(g_reg.lock);
  LONG error;
  int root;
  Path path;
  Key* k = Lookup(key, error, &root, &path);
  if (!k) return error;
  if (!k->FindValue(name ? name : u"")) return ERROR_FILE_NOT_FOUND;
  Record(Op{Op::DeleteValue, root, path, {name ? name : u"", REG_NONE, {}}});
  return ERROR_SUCCESS;
}

// As on the device, a key goes with everything below it.
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  int root;
  Path path;
  if (!Resolve(key, root, path)) return ERROR_INVALID_HANDLE;
  size_t depth = path.size();
  if (!AppendSubKey(path, subKey) || path.size() == depth) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  RefreshLocked();
  if (!g_reg.tree.Find(root, path)) return ERROR_FILE_NOT_FOUND;
  Record(Op{Op::DeleteKey, root, path, {}});
  return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize) {
  if (!name || !nameSize || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  LONG error;
  Key* k = Lookup(key, error);
  if (!k) return error;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = k->values[index];
  // nameSize counts units: the buffer's on the way in, the name's on the way out.
  if (*nameSize < v.name.size() + 1) {
    *nameSize = (DWORD)v.name.size() + 1;
    return ERROR_MORE_DATA;
  }
  memcpy(name, v.name.c_str(), (v.name.size() + 1) * sizeof(WCHAR));
  *nameSize = (DWORD)v.name.size();
  if (type) *type = v.type;
  DWORD needed = (DWORD)v.data.size();
  if (dataSize) {
    if (data && *dataSize < needed) {
      *dataSize = needed;
      return ERROR_MORE_DATA;
    }
    if (data && needed) memcpy(data, v.data.data(), needed);
    *dataSize = needed;
  }
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPWSTR cls, LPDWORD clsSize,
                   PFILETIME lastWrite) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_reg.lock);
  LONG error;
  Key* k = Lookup(key, error);
  if (!k) return error;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = k->subkeys.begin();
  std::advance(it, index);
  const std::u16string& n = it->second.name;
  if (*nameSize < n.size() + 1) {
    *nameSize = (DWORD)n.size() + 1;
    return ERROR_MORE_DATA;
  }
  memcpy(name, n.c_str(), (n.size() + 1) * sizeof(WCHAR));
  *nameSize = (DWORD)n.size();
  if (cls && clsSize && *clsSize) cls[0] = 0;
  if (clsSize) *clsSize = 0;
  if (lastWrite) *lastWrite = FILETIME{};
  return ERROR_SUCCESS;
}
