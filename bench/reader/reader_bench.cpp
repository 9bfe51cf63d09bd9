// reader-bench [FILE]: reads a file (default: a fresh 30,000,000-byte file in
// the temporary folder) in 8000-byte pieces with a plain read loop and through
// the reader with each plug-in; prints MB/s (best of 5) and how long Close
// takes while the plug-in's thread waits.
#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "komp3reader.h"

using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

static double PlainLoop(const std::string& host, size_t* total) {
  std::vector<char> buf(8000);
  auto t0 = Clock::now();
  int fd = open(host.c_str(), O_RDONLY);
  if (fd < 0) return 0;
  size_t sum = 0;
  for (ssize_t n; (n = read(fd, buf.data(), buf.size())) > 0;) sum += (size_t)n;
  close(fd);
  *total = sum;
  return Seconds(t0);
}

static double ThroughReader(ReaderOperations& ops, const std::u16string& path, int fillFirst, int flags,
                            int blocks, size_t* total) {
  std::vector<char> buf(8000);
  StreamInfo* info = nullptr;
  auto t0 = Clock::now();
  if (!ops.Open(path.c_str(), fillFirst, flags, blocks, &info)) return 0;
  size_t sum = 0;
  for (DWORD n; (n = ops.Read(buf.data(), 8000)) > 0;) sum += n;
  ops.Close();
  *total = sum;
  return Seconds(t0);
}

int main(int argc, char** argv) {
  std::string host;
  bool made = false;
  if (argc > 1 && (!strcmp(argv[1], "-h") || !strcmp(argv[1], "--help"))) {
    printf("usage: reader-bench [FILE]\n"
           "Reads FILE (default: a fresh 30 MB file in $TMPDIR) in 8000-byte pieces, plainly and through\n"
           "the reader with each plug-in, and prints MB/s (best of 5) and the time Close takes.\n");
    return 0;
  }
  for (int i = 1; i < argc; i++)
    if (argv[i][0] == '-' || i > 1) {
      fprintf(stderr, "reader-bench: %s %s (--help lists them)\n", argv[i][0] == '-' ? "unknown option" : "one FILE at most, not",
              argv[i]);
      return 2;
    }
  if (argc > 1) {
    host = argv[1];
  } else {
    const char* tmp = getenv("TMPDIR");
    host = std::string(tmp && *tmp ? tmp : "/tmp") + "/reader-bench-" + std::to_string(getpid()) + ".bin";
    FILE* f = fopen(host.c_str(), "wb");
    if (!f) return 1;
    std::vector<unsigned char> block(1000000);
    for (int i = 0; i < 30; i++) {
      for (size_t j = 0; j < block.size(); j++) block[j] = (unsigned char)(j * 31 + i);
      fwrite(block.data(), 1, block.size(), f);
    }
    fclose(f);
    made = true;
  }
  HMODULE lib = LoadLibraryW(u"KOMP3READER.DLL");
  auto init = lib ? (InitializeReaderProc)(void (*)(void))GetProcAddressW(lib, u"InitializeReader") : nullptr;
  if (!init) {
    fprintf(stderr, "KOMP3READER.DLL not found\n");
    return 1;
  }
  ReaderOperations ops = {};
  init(&ops);
  std::u16string path = LxDevicePath(host);

  struct Case {
    const char* name;
    int plugin;  // 0 plain loop, 1 reader
    int fillFirst, flags, blocks;
  } cases[] = {
      {"plain read loop", 0, 0, 0, 0},
      {"LXINPUTBUFFER", 1, 0, 0, 0},
      {"LXINPUTCACHE chunk, 5 blocks", 1, 0, 1, 5},
      {"LXINPUTCACHE chunk, 20 blocks", 1, 0, 1, 0},
      {"LXINPUTCACHE whole, 20 blocks", 1, 1, 1, 0},
  };
  printf("%-32s %10s %10s\n", "8000-byte reads", "MB/s", "bytes");
  for (const Case& c : cases) {
    double best = 1e9;
    size_t total = 0;
    for (int run = 0; run < 5; run++) {
      double s = c.plugin ? ThroughReader(ops, path, c.fillFirst, c.flags, c.blocks, &total) : PlainLoop(host, &total);
      if (s > 0 && s < best) best = s;
    }
    printf("%-32s %10.1f %10zu\n", c.name, total / best / 1e6, total);
  }

  // Close while the thread has nothing to do.
  for (int flags = 0; flags <= 1; flags++) {
    double worst = 0;
    for (int run = 0; run < 10; run++) {
      StreamInfo* info = nullptr;
      if (!ops.Open(path.c_str(), 0, flags, 2, &info)) break;
      Sleep(30);
      auto t0 = Clock::now();
      ops.Close();
      double ms = Seconds(t0) * 1000;
      if (ms > worst) worst = ms;
    }
    printf("Close while waiting (%s): worst of 10 %.1f ms\n", flags ? "cache" : "buffer", worst);
  }
  if (made) unlink(host.c_str());
  return 0;
}
