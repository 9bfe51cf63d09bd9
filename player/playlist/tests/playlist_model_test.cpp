#include <cstdlib>

#include "playlisttest.h"

namespace {

TEST(PathIndexTest, HashBucketsBlocksAndFreeList) {
  EXPECT_EQ(PathHash(u""), 0u);
  EXPECT_EQ(PathHash(u"ab"), 97u * 33 + 98);
  // 32-bit wrap-around over UTF-16 units, not bytes.
  DWORD h = 0;
  for (char16_t c : std::u16string(u"\\Storage Card\\Musik\\\u00fcber.mp3")) h = h * 33 + c;
  EXPECT_EQ(PathHash(u"\\Storage Card\\Musik\\\u00fcber.mp3"), h);

  PathIndex index;
  PathIndexCreate(&index);
  static WCHAR keys[11][8];
  PlaylistEntry values[11];
  for (int i = 0; i < 11; i++) {
    keys[i][0] = u'k', keys[i][1] = char16_t(u'a' + i), keys[i][2] = 0;
    ASSERT_EQ(PathIndexInsert(&index, keys[i], &values[i]), 1);
  }
  int blocks = 0;
  for (PathBlock* b = index.blocks; b; b = b->next) blocks++;
  EXPECT_EQ(blocks, 2) << "nodes come in blocks of ten";
  EXPECT_EQ(index.itemCount, 11u);
  EXPECT_EQ(PathIndexFind(&index, u"kc"), &values[2]);
  EXPECT_EQ(PathIndexFind(&index, u"KC"), nullptr) << "keys compare case-sensitively";
  PathNode* head = index.buckets[PathHash(u"kk") % PATH_BUCKETS];
  EXPECT_EQ(head->value, &values[10]) << "new nodes go to the front of their chain";
  EXPECT_EQ(head->key, keys[10]) << "the key is the entry's own text";

  // Replacing keeps one node; removing returns it for reuse.
  ASSERT_EQ(PathIndexInsert(&index, keys[2], &values[0]), 1);
  EXPECT_EQ(index.itemCount, 11u);
  EXPECT_EQ(PathIndexFind(&index, u"kc"), &values[0]);
  EXPECT_EQ(PathIndexRemove(&index, u"kc"), 1);
  EXPECT_EQ(PathIndexRemove(&index, u"kc"), 0);
  EXPECT_EQ(PathIndexFind(&index, u"kc"), nullptr);
  for (int extra = 0; extra < 10; extra++) {
    static WCHAR more[10][8];
    more[extra][0] = u'm', more[extra][1] = char16_t(u'a' + extra), more[extra][2] = 0;
    ASSERT_EQ(PathIndexInsert(&index, more[extra], &values[0]), 1);
  }
  blocks = 0;
  for (PathBlock* b = index.blocks; b; b = b->next) blocks++;
  EXPECT_EQ(blocks, 2) << "the removed node and the rest of the second block are used first";

  PathIndexClear(&index);
  EXPECT_EQ(index.blocks, nullptr);
  EXPECT_EQ(index.freeList, nullptr);
  EXPECT_EQ(index.itemCount, 0u);
  for (PathNode* b : index.buckets) EXPECT_EQ(b, nullptr);
}

TEST_F(PlaylistTest, DuplicatesAndLetterCase) {
  std::u16string path = MakeFile("Song.mp3");
  ASSERT_NE(PlaylistAdd(path.c_str()), nullptr);
  EXPECT_EQ(PlaylistAdd(path.c_str()), nullptr);
  EXPECT_EQ(g_playlist.count, 1u);
  std::u16string upper = path.substr(0, path.size() - 8) + u"SONG.MP3";
  EXPECT_NE(PlaylistAdd(upper.c_str()), nullptr) << "the same file under another letter case is another path";
  EXPECT_EQ(g_playlist.count, 2u);
  EXPECT_EQ(PlaylistAdd(u""), nullptr);
  EXPECT_EQ(PlaylistAdd((path + u".missing").c_str()), nullptr);
  EXPECT_EQ(g_playlist.count, 2u);
  EXPECT_EQ(LxMessageBoxCount(), 0) << "duplicates and failed probes are silent";
}

TEST_F(PlaylistTest, TheThousandthAddShowsTheLimit) {
  for (int i = 0; i < PLAYLIST_LIMIT; i++) {
    std::u16string path = MakeFile("n" + std::to_string(i) + ".mp3", 300);
    ASSERT_NE(PlaylistAdd(path.c_str()), nullptr) << "add " << i + 1;
  }
  EXPECT_EQ(LxMessageBoxCount(), 0);
  std::u16string extra = MakeFile("extra.mp3", 300);
  EXPECT_EQ(PlaylistAdd(extra.c_str()), nullptr);
  EXPECT_EQ(PlaylistAdd(extra.c_str()), nullptr);
  EXPECT_EQ(g_playlist.count, 999u);
  ASSERT_EQ(LxMessageBoxCount(), 2) << "each attempt shows the box again";
  LxMessageBoxCall box{};
  ASSERT_TRUE(LxMessageBoxGet(0, &box));
  EXPECT_EQ(std::u16string(box.text), u"Cannot exceed 999 to playlist!");
  EXPECT_EQ(std::u16string(box.caption), u"Warning");
  EXPECT_EQ(box.type, UINT(MB_OK));
  EXPECT_EQ(g_playlist.index.itemCount, 999u);
}

TEST_F(PlaylistTest, TotalsAndFavouriteTextsFollowAddAndRemove) {
  EXPECT_EQ(std::u16string(g_playlist.totalTimeText), u"00:00:00");
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"0");
  std::u16string a = MakeFile("a.mp3", 16000 * 61), b = MakeFile("b.mp3", 16000 * 3600);
  PlaylistEntry* ea = PlaylistAdd(a.c_str());
  PlaylistEntry* eb = PlaylistAdd(b.c_str());
  ASSERT_TRUE(ea && eb);
  EXPECT_EQ(g_playlist.totalSeconds, 3661u);
  EXPECT_EQ(std::u16string(g_playlist.totalTimeText), u"01:01:01");

  PlaylistToggleFavourite(eb);
  EXPECT_EQ(g_playlist.favouriteCount, 1u);
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"1");
  EXPECT_EQ(PlaylistRemoveAt(1), 1);
  EXPECT_EQ(g_playlist.favouriteCount, 0u);
  EXPECT_EQ(std::u16string(g_playlist.favouriteCountText), u"0");
  EXPECT_EQ(std::u16string(g_playlist.totalTimeText), u"00:01:01");
  EXPECT_EQ(PlaylistFind(b.c_str()), nullptr) << "a removed entry leaves the index";
  EXPECT_EQ(PlaylistFind(a.c_str()), ea);

  EXPECT_EQ(PlaylistRemoveAt(-1), 0) << "the sentinel cannot be removed";
  EXPECT_EQ(PlaylistRemoveAt(1), 0);
  EXPECT_EQ(g_playlist.count, 1u);
}

TEST_F(PlaylistTest, PositionsAndTheSentinel) {
  AddFiles(3);
  EXPECT_EQ(PlaylistEntryAt(-1), &g_playlist.sentinel);
  EXPECT_EQ(PlaylistEntryAt(3), nullptr);
  EXPECT_EQ(PlaylistEntryAt(-2), nullptr);
  EXPECT_EQ(PlaylistIndexOf(PlaylistEntryAt(2)), 2);
  EXPECT_EQ(PlaylistIndexOf(&g_playlist.sentinel), -1);
  EXPECT_EQ(g_playlist.sentinel.flags, EntryPlayed);
  EXPECT_EQ(g_playlist.sentinel.next, PlaylistEntryAt(0));
  EXPECT_EQ(g_playlist.sentinel.prev, PlaylistEntryAt(2));

  PlaylistEntryAt(0)->flags |= EntryPlayed;
  PlaylistEntryAt(1)->flags |= EntryFavourite | EntryPlayed;
  PlaylistRecountFavourites();
  EXPECT_EQ(g_playlist.favouriteCount, 1u);
  PlaylistClearPlayed();
  for (int i = 0; i < 3; i++) EXPECT_EQ(PlaylistEntryAt(i)->flags & EntryPlayed, 0);
  EXPECT_EQ(g_playlist.sentinel.flags, EntryPlayed) << "the sentinel stays played";
  PlaylistClearFavourites();
  EXPECT_EQ(g_playlist.favouriteCount, 0u);
  EXPECT_EQ(PlaylistEntryAt(1)->flags, 0);

  PlaylistClear(1);
  EXPECT_EQ(g_playlist.count, 0u);
  EXPECT_EQ(g_playlist.sentinel.next, &g_playlist.sentinel);
  EXPECT_EQ(g_playlist.index.itemCount, 0u);
  EXPECT_EQ(std::u16string(g_playlist.totalTimeText), u"00:00:00");
}

TEST_F(PlaylistTest, NextCyclesOnceAndStopsOrRestartsByCode) {
  AddFiles(3);
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 0) << "a fresh start begins at the top";
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(g_navigation.playedCount, 3u);
  EXPECT_EQ(Next(1), 1) << "code 1 stops when the cycle is complete";
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(Next(0), 0) << "code 0 starts a new cycle";
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(g_navigation.playedCount, 1u);
  EXPECT_EQ(PlaylistEntryAt(1)->flags & EntryPlayed, 0) << "the new cycle cleared the marks";
}

TEST_F(PlaylistTest, NextSkipsPlayedEntriesAndFollowsTheLoadedTrack) {
  AddFiles(4);
  PlayIndex(2, 0);
  lstrcpynW(g_engine.filePath, PathOf(2).c_str(), MAX_PATH);
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 3);
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 0) << "past the end the search wraps to the top";
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 1) << "2 was played, 1 is the first unplayed";
  EXPECT_EQ(Next(1), 1);

  // With freshStart set the loaded track is ignored.
  PlaylistClearPlayed();
  g_navigation.playedCount = 0;
  g_navigation.freshStart = 1;
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 0);
}

TEST_F(PlaylistTest, FavouritesCycleVisitsOnlyFavourites) {
  AddFiles(6);
  PlaylistToggleFavourite(PlaylistEntryAt(1));
  PlaylistToggleFavourite(PlaylistEntryAt(4));
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 1) << "a fresh start takes the first favourite";
  EXPECT_EQ(Next(1), 0);
  EXPECT_EQ(Selected(), 4);
  EXPECT_EQ(Next(1), 1) << "the cycle ends after every favourite";
  EXPECT_EQ(Next(0), 0);
  EXPECT_EQ(Selected(), 1);

  for (int i = 0; i < 10; i++) {
    PreviousTitle(0);
    EXPECT_TRUE(PlaylistEntryAt(Selected())->flags & EntryFavourite) << "previous left the favourites";
  }
  g_navigation.selectedIndex = -1;
  PreviousTitle(0);
  EXPECT_EQ(Selected(), 4) << "with nothing selected previous finds the last favourite";

  for (DWORD seed = 1; seed < 60; seed++) {
    LxSeedRandom(seed);
    ASSERT_EQ(Shuffle(1), 0);
    ASSERT_GE(Selected(), 0);
    EXPECT_TRUE(PlaylistEntryAt(Selected())->flags & EntryFavourite) << "shuffle left the favourites, seed " << seed;
  }
}

TEST_F(PlaylistTest, PreviousMovesBackWithoutTouchingPlayedMarks) {
  AddFiles(3);
  PreviousTitle(0);
  EXPECT_EQ(Selected(), 2) << "from no selection previous wraps to the last";
  EXPECT_EQ(g_navigation.playedCount, 1u);
  PreviousTitle(0);
  EXPECT_EQ(Selected(), 1);
  PreviousTitle(1);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(PlaylistEntryAt(0)->flags & EntryPlayed, 0) << "a non-zero code only moves the selection";
  EXPECT_EQ(g_navigation.playedCount, 2u);
  PreviousTitle(0);
  EXPECT_EQ(Selected(), 2);
}

TEST_F(PlaylistTest, ShuffleOnOneEntryAlwaysLandsOnIt) {
  AddFiles(1);
  for (DWORD seed = 1; seed < 30; seed++) {
    LxSeedRandom(seed);
    ASSERT_EQ(Shuffle(1), 0);
    EXPECT_EQ(Selected(), 0) << "seed " << seed;
  }
}

// The first seed whose first Random() has the wanted remainder.
static DWORD SeedFor(DWORD modulus, DWORD remainder) {
  for (DWORD seed = 1; seed < 100000; seed++) {
    LxSeedRandom(seed);
    if (Random() % modulus == remainder) return seed;
  }
  return 0;
}

TEST_F(PlaylistTest, ShuffleStepOntoTheSentinelTakesFirstUnplayedFromTheTop) {
  AddFiles(4);
  PlayIndex(1, 1);  // select 1 without playing it
  DWORD seed = SeedFor(4, 3);
  ASSERT_NE(seed, 0u);
  LxSeedRandom(seed);
  ASSERT_EQ(Shuffle(1), 0);
  EXPECT_EQ(Selected(), 0) << "three steps from 1 end on the sentinel";

  PlaylistEntryAt(0)->flags |= EntryPlayed;
  PlayIndex(2, 1);
  seed = SeedFor(4, 2);
  LxSeedRandom(seed);
  ASSERT_EQ(Shuffle(1), 0);
  EXPECT_EQ(Selected(), 1) << "the walk skips the played first entry";

  seed = SeedFor(4, 0);
  LxSeedRandom(seed);
  g_navigation.selectedIndex = 3;
  PlaylistClearPlayed();
  g_navigation.playedCount = 0;
  ASSERT_EQ(Shuffle(1), 0);
  EXPECT_EQ(Selected(), 0) << "remainder 0 becomes one step";
}

TEST_F(PlaylistTest, ShuffleCodeIsTheOppositeOfNext) {
  AddFiles(2);
  PlaylistEntryAt(0)->flags |= EntryPlayed;
  PlaylistEntryAt(1)->flags |= EntryPlayed;
  g_navigation.playedCount = 2;
  EXPECT_EQ(Shuffle(0), 1) << "code 0 stops at the end of the cycle";
  EXPECT_EQ(Shuffle(1), 0) << "code 1 starts a new one";
  EXPECT_EQ(g_navigation.playedCount, 1u);
}

TEST_F(PlaylistTest, EmptyListStartsNothing) {
  EXPECT_EQ(NextTitle(0), 1);
  EXPECT_EQ(NextTitle(1), 1);
  EXPECT_EQ(ShuffleTitle(0), 1);
  EXPECT_EQ(ShuffleTitle(1), 1);
  PreviousTitle(0);
  PlayIndex(0, 0);
  EXPECT_EQ(g_navigation.selectedIndex, -1);
  EXPECT_EQ(g_navigation.freshStart, 1);
}

TEST_F(PlaylistTest, PlayIndexScrollsTheRowIntoView) {
  AddFiles(12);
  PlayIndex(9, 1);
  EXPECT_EQ(g_playlistView.firstRow, 7) << "the last rows fill the view";
  PlayIndex(3, 1);
  EXPECT_EQ(g_playlistView.firstRow, 3);
  EXPECT_EQ(g_playlistView.thumb.top, 14 + 27 * 3 / 7);
  PlayIndex(-1, 1);
  EXPECT_EQ(g_playlistView.firstRow, 0);
  EXPECT_EQ(g_navigation.freshStart, 0);
  EXPECT_EQ(g_navigation.playedCount, 0u) << "select-only plays nothing";
  PlayIndex(11, 0);
  EXPECT_EQ(g_playlistView.thumb.top, 14 + 27);
  EXPECT_EQ(PlaylistEntryAt(11)->flags & EntryPlayed, EntryPlayed);
}

TEST_F(PlaylistTest, ClearingTheListStartsANewCycle) {
  AddFiles(3);
  Next(0), Next(0), Next(0);
  EXPECT_EQ(g_navigation.playedCount, 3u);
  PlaylistClear(1);
  EXPECT_EQ(g_navigation.playedCount, 0u);
}

}  // namespace
