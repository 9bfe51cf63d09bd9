#include <lxuser.h>

#include "fuzzfile.h"
#include "playlist/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    PlaylistInit();
    return true;
  }();
  (void)ready;
  LPCWSTR path = FuzzInputFile(data, size, "input.plt");
  PlaylistLoad(path, 1);
  // Paths in the file may name the file itself; it is then probed too.
  PlaylistLoad(path, 0);
  if (g_playlist.count > PLAYLIST_LIMIT || g_playlist.index.itemCount != g_playlist.count) __builtin_trap();
  PlaylistClear(1);
  LxMessageBoxReset(0);  // the full-list box may have been shown
  return 0;
}
