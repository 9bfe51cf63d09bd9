// "://" paths through a stand-in network plug-in found in this program's
// folder: complete (FAKE_COMPLETE) or lacking an export.
#include "readerlib.h"

namespace {

bool FakeLoaded() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return false;
  exe[n] = 0;
  std::string dir(exe);
  dir = dir.substr(0, dir.rfind('/'));
  void* h = dlopen((dir + "/liblxinputhttp.so").c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h != nullptr;
}

#ifdef FAKE_COMPLETE
TEST(NetworkPlugin, AnyPathWithSchemeUsesIt) {
  ReaderOperations ops = LoadReader();
  ASSERT_NE(ops.Open, nullptr);
  StreamInfo* info = nullptr;
  for (int flags = 0; flags <= 1; flags++) {
    unsetenv("FAKEHTTP_CLOSED");
    ASSERT_EQ(ops.Open(u"http://host/stream.mp3", flags, flags, 3, &info), 1);
    EXPECT_TRUE(FakeLoaded());
    EXPECT_FALSE(IsLoaded("liblxinputbuffer.so"));
    EXPECT_FALSE(IsLoaded("liblxinputcache.so"));
    EXPECT_EQ(info->words[STREAMINFO_SIZE_WORD], 1000u);
    uint8_t b[1200];
    EXPECT_EQ(ops.SeekTo(100), 100u);
    EXPECT_EQ(ops.Read(b, sizeof b), 900u);
    EXPECT_EQ(FirstMismatch(b, 100, 900), -1);
    EXPECT_EQ(ops.Close(), 1);
    EXPECT_NE(getenv("FAKEHTTP_CLOSED"), nullptr);
    EXPECT_FALSE(FakeLoaded());
  }
}
#else
TEST(NetworkPlugin, MissingExportFailsAndUnloads) {
  ReaderOperations ops = LoadReader();
  ASSERT_NE(ops.Open, nullptr);
  StreamInfo* info = nullptr;
  unsetenv("FAKEHTTP_OPENED");
  EXPECT_EQ(ops.Open(u"http://host/stream.mp3", 0, 0, 0, &info), 0);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(getenv("FAKEHTTP_OPENED"), nullptr) << "the plug-in was opened although an export is missing";
  EXPECT_FALSE(FakeLoaded());
  uint8_t b[4];
  EXPECT_EQ(ops.Read(b, 4), 0u);
  EXPECT_EQ(ops.Close(), 1);
}
#endif

}  // namespace
