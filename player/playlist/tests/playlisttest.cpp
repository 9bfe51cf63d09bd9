#include "playlisttest.h"

void PlaylistTest::SetUp() {
  folder = TestFolder("playlist");
  PlaylistViewDefaults(&g_playlistView);
  LxMessageBoxReset(0);
  g_engine.filePath[0] = 0;
  PlaylistInit();
}

void PlaylistTest::TearDown() { PlaylistDestroy(); }

std::u16string PlaylistTest::MakeFile(const std::string& name, size_t audioBytes) {
  Mp3Spec shape;
  shape.audioBytes = audioBytes;
  std::string host = folder + "/" + name;
  WriteHostFile(host, MakeMp3(shape));
  return DevicePath(host);
}

void PlaylistTest::AddFiles(int n) {
  for (int i = 0; i < n; i++) {
    std::u16string path = MakeFile("t" + std::to_string(i) + ".mp3");
    ASSERT_NE(PlaylistAdd(path.c_str()), nullptr) << "file " << i;
  }
}

std::u16string PlaylistTest::PathOf(int index) {
  PlaylistEntry* e = PlaylistEntryAt(index);
  return e && index >= 0 ? std::u16string(e->path) : std::u16string(u"<none>");
}

static void BoardLoads() {
  PlaylistEntry* e = PlaylistEntryAt(g_navigation.selectedIndex);
  if (e && g_navigation.selectedIndex >= 0) lstrcpynW(g_engine.filePath, e->path, MAX_PATH);
}

int PlaylistTest::Next(int code) {
  int r = NextTitle(code);
  if (r == 0) BoardLoads();
  return r;
}

int PlaylistTest::Shuffle(int code) {
  int r = ShuffleTitle(code);
  if (r == 0) BoardLoads();
  return r;
}
