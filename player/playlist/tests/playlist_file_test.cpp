#include <cstring>
#include <filesystem>

#include "playlisttest.h"

namespace {

Bytes Utf16(const std::u16string& s, size_t units) {
  Bytes b(units * 2, 0);
  for (size_t i = 0; i < s.size() && i < units; i++) b[2 * i] = s[i] & 0xFF, b[2 * i + 1] = s[i] >> 8;
  return b;
}

void PutDword(Bytes& b, DWORD v) {
  for (int i = 0; i < 4; i++) b.push_back((unsigned char)(v >> (8 * i)));
}

// A playlist file written by hand: version, count, then paths (and flags).
Bytes PlaylistBytes(const char16_t* signature, DWORD count, const std::vector<std::u16string>& paths,
                    const std::vector<DWORD>& flags) {
  Bytes b = Utf16(signature, 25);
  PutDword(b, count);
  for (size_t i = 0; i < paths.size(); i++) {
    Bytes p = Utf16(paths[i], 260);
    b.insert(b.end(), p.begin(), p.end());
    if (i < flags.size()) PutDword(b, flags[i]);
  }
  return b;
}

class PlaylistFileTest : public PlaylistTest {
 protected:
  std::u16string Write(const std::string& name, const Bytes& bytes) {
    WriteHostFile(folder + "/" + name, bytes);
    return DevicePath(folder + "/" + name);
  }
};

TEST_F(PlaylistFileTest, SaveWritesVersion11RecordsInListOrder) {
  AddFiles(3);
  PlaylistToggleFavourite(PlaylistEntryAt(1));
  std::u16string path = DevicePath(folder + "/list.plt");
  ASSERT_EQ(PlaylistSave(path.c_str()), 1);
  Bytes b = ReadHostFile(folder + "/list.plt");
  ASSERT_EQ(b.size(), 54u + 3 * 524);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 50), Utf16(u"Lumtrax Playlist File 1.1", 25));
  EXPECT_EQ(b[50], 3);
  for (int i = 0; i < 3; i++) {
    size_t at = 54 + 524 * size_t(i);
    EXPECT_EQ(Bytes(b.begin() + at, b.begin() + at + 520), Utf16(PathOf(i), 260)) << "record " << i;
    EXPECT_EQ(b[at + 520], i == 1 ? 1 : 0);
  }
  EXPECT_FALSE(HostFileExists(folder + "/list.plt.new"));
}

TEST_F(PlaylistFileTest, SaveThenLoadKeepsOrderAndFavourites) {
  AddFiles(5);
  PlaylistToggleFavourite(PlaylistEntryAt(0));
  PlaylistToggleFavourite(PlaylistEntryAt(3));
  std::vector<std::u16string> order;
  for (int i = 0; i < 5; i++) order.push_back(PathOf(i));
  std::u16string path = DevicePath(folder + "/round.plt");
  ASSERT_EQ(PlaylistSave(path.c_str()), 1);
  // One file vanishes before the list is read back.
  std::filesystem::remove(folder + "/t2.mp3");

  PlayIndex(4, 1);
  ASSERT_EQ(PlaylistLoad(path.c_str(), 1), 1);
  ASSERT_EQ(g_playlist.count, 4u);
  std::vector<std::u16string> expected = {order[0], order[1], order[3], order[4]};
  for (int i = 0; i < 4; i++) EXPECT_EQ(PathOf(i), expected[i]);
  EXPECT_EQ(g_playlist.favouriteCount, 2u);
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"2");
  EXPECT_TRUE(PlaylistEntryAt(0)->flags & EntryFavourite);
  EXPECT_TRUE(PlaylistEntryAt(2)->flags & EntryFavourite);
  EXPECT_FALSE(PlaylistEntryAt(1)->flags & EntryFavourite);
  EXPECT_EQ(g_navigation.selectedIndex, -1);
  EXPECT_EQ(g_navigation.freshStart, 1);
}

TEST_F(PlaylistFileTest, Version10HasNoFavourites) {
  std::u16string a = MakeFile("a.mp3"), b = MakeFile("b.mp3");
  std::u16string path = Write("old.plt", PlaylistBytes(u"Lumtrax Playlist File 1.0", 2, {a, b}, {}));
  ASSERT_EQ(PlaylistLoad(path.c_str(), 1), 1);
  EXPECT_EQ(g_playlist.count, 2u);
  EXPECT_EQ(PathOf(1), b);
  EXPECT_EQ(g_playlist.favouriteCount, 0u);
}

TEST_F(PlaylistFileTest, RepeatedAndKnownPathsAreAddedOnce) {
  std::u16string a = MakeFile("a.mp3"), b = MakeFile("b.mp3"), c = MakeFile("c.mp3");
  std::u16string twice =
      Write("twice.plt", PlaylistBytes(u"Lumtrax Playlist File 1.1", 3, {a, a, b}, {0, 1, 0}));
  ASSERT_EQ(PlaylistLoad(twice.c_str(), 1), 1);
  EXPECT_EQ(g_playlist.count, 2u);
  EXPECT_EQ(g_playlist.favouriteCount, 0u) << "the flag of a refused path is read past, not applied";

  std::u16string more = Write("more.plt", PlaylistBytes(u"Lumtrax Playlist File 1.1", 2, {b, c}, {1, 1}));
  ASSERT_EQ(PlaylistLoad(more.c_str(), 0), 1);
  ASSERT_EQ(g_playlist.count, 3u);
  EXPECT_EQ(PathOf(2), c);
  EXPECT_EQ(g_playlist.favouriteCount, 1u) << "only the new entry takes its flag";
}

TEST_F(PlaylistFileTest, RefusedFilesLeaveTheListAlone) {
  AddFiles(2);
  EXPECT_EQ(PlaylistLoad(Write("short.plt", Utf16(u"Lumtrax Playlist", 16)).c_str(), 1), 0);
  EXPECT_EQ(PlaylistLoad(Write("other.plt", PlaylistBytes(u"Lumtrax Playlist File 1.2", 0, {}, {})).c_str(), 1),
            0);
  EXPECT_EQ(PlaylistLoad(Write("eq.plt", PlaylistBytes(u"Lumtrax Equalize File 1.0", 0, {}, {})).c_str(), 1), 0);
  EXPECT_EQ(PlaylistLoad(DevicePath(folder + "/missing.plt").c_str(), 1), 0);
  EXPECT_EQ(g_playlist.count, 2u);
}

TEST_F(PlaylistFileTest, TruncatedAndOddFilesLoadWhatTheyHold) {
  std::u16string a = MakeFile("a.mp3"), b = MakeFile("b.mp3"), c = MakeFile("c.mp3");
  // Count larger than the records, last record cut short.
  Bytes bytes = PlaylistBytes(u"Lumtrax Playlist File 1.1", 1000000, {a, b, c}, {2, 1, 1});
  bytes.resize(bytes.size() - 300);
  ASSERT_EQ(PlaylistLoad(Write("cut.plt", bytes).c_str(), 1), 1);
  EXPECT_EQ(g_playlist.count, 2u);
  EXPECT_FALSE(PlaylistEntryAt(0)->flags & EntryFavourite) << "flag values other than 1 mark nothing";
  EXPECT_TRUE(PlaylistEntryAt(1)->flags & EntryFavourite);

  // A path filling all 260 units without a terminator is cut, not overrun.
  Bytes full = PlaylistBytes(u"Lumtrax Playlist File 1.0", 1, {std::u16string(260, u'x')}, {});
  EXPECT_EQ(PlaylistLoad(Write("full.plt", full).c_str(), 1), 1);
  EXPECT_EQ(g_playlist.count, 0u);

  // The signature alone: accepted, nothing to add.
  EXPECT_EQ(PlaylistLoad(Write("bare.plt", Utf16(u"Lumtrax Playlist File 1.1", 25)).c_str(), 1), 1);
  EXPECT_EQ(g_playlist.count, 0u);
}

TEST_F(PlaylistFileTest, FailedSaveKeepsTheOldFile) {
  AddFiles(2);
  std::u16string path = DevicePath(folder + "/keep.plt");
  ASSERT_EQ(PlaylistSave(path.c_str()), 1);
  Bytes before = ReadHostFile(folder + "/keep.plt");
  AddFiles(0);
  PlaylistRemoveAt(0);
  // The temporary file cannot be created: a folder is in its way.
  std::filesystem::create_directory(folder + "/keep.plt.new");
  EXPECT_EQ(PlaylistSave(path.c_str()), 0);
  EXPECT_EQ(ReadHostFile(folder + "/keep.plt"), before);
  EXPECT_EQ(PlaylistSave(DevicePath(folder + "/no/such/folder/x.plt").c_str()), 0);
}

}  // namespace
