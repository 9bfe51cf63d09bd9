// The edit and sort dialog on the test's own thread, and the data layer's
// reorder, long-path, full-list and default-file rules it relies on.
#include "dialogscript.h"
#include "playlist/playlistedit.h"
#include "playlisttest.h"

namespace {

class EditTest : public PlaylistTest {
 protected:
  void AddTitles(std::vector<std::string> names) {
    for (const std::string& n : names) ASSERT_NE(PlaylistAdd(MakeFile(n + ".mp3").c_str()), nullptr) << n;
  }
  std::vector<std::u16string> Order() {
    std::vector<std::u16string> out;
    for (int i = 0; i < int(g_playlist.count); i++) out.push_back(PlaylistEntryAt(i)->title);
    return out;
  }
  static std::vector<std::u16string> Rows(HWND d) {
    std::vector<std::u16string> out;
    int n = int(SendDlgItemMessageW(d, IDC_EDIT_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
      WCHAR text[MAX_PATH] = {};
      SendDlgItemMessageW(d, IDC_EDIT_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      out.push_back(text);
    }
    return out;
  }
  static void Select(HWND d, int row) {
    SendDlgItemMessageW(d, IDC_EDIT_LIST, LB_SETCURSEL, row, 0);
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_EDIT_LIST, LBN_SELCHANGE), 0);
  }
  static int Selected(HWND d) { return int(SendDlgItemMessageW(d, IDC_EDIT_LIST, LB_GETCURSEL, 0, 0)); }
  INT_PTR Run(std::vector<DialogStep> steps) { return RunScripted(PlaylistEditRun, std::move(steps)); }
};

using Titles = std::vector<std::u16string>;

TEST_F(EditTest, SortsByTitleWithoutCaseAndAppliesOnlyOnOk) {
  AddTitles({"b", "A", "c"});
  g_navigation.playedCount = 2;
  std::u16string listed = PathOf(0);
  int selectedAfterSort = -1;
  BOOL upEnabled = TRUE;
  EXPECT_EQ(Run({
                [&](HWND d) {
                  upEnabled = IsWindowEnabled(GetDlgItem(d, IDC_EDIT_UP));
                  Select(d, 1);  // "A"
                  Click(d, IDC_EDIT_ASCENDING);
                },
                [&](HWND d) {
                  selectedAfterSort = Selected(d);
                  Click(d, IDOK);
                },
            }),
            IDOK);
  EXPECT_FALSE(upEnabled) << "Auf is off until a row is selected";
  EXPECT_EQ(Order(), (Titles{u"A", u"b", u"c"}));
  EXPECT_EQ(selectedAfterSort, 0) << "the selection follows its title";
  EXPECT_EQ(g_navigation.playedCount, 2u);
  EXPECT_EQ(PlaylistAdd(listed.c_str()), nullptr) << "the path index still holds every entry";
  EXPECT_EQ(g_playlist.count, 3u);

  EXPECT_EQ(Run({[&](HWND d) {
              Click(d, IDC_EDIT_DESCENDING);
              Click(d, IDOK);
            }}),
            IDOK);
  EXPECT_EQ(Order(), (Titles{u"c", u"b", u"A"}));

  Titles rows;
  EXPECT_EQ(Run({[&](HWND d) {
              Select(d, 0);
              Click(d, IDC_EDIT_UP);  // first row: nothing
              Select(d, 2);
              Click(d, IDC_EDIT_DOWN);  // last row: nothing
              rows = Rows(d);
              Click(d, IDC_EDIT_UP);  // moves "A" up
              Click(d, IDCANCEL);
            }}),
            IDCANCEL);
  EXPECT_EQ(rows, (Titles{u"c", u"b", u"A"}));
  EXPECT_EQ(Order(), (Titles{u"c", u"b", u"A"})) << "Abbrechen keeps the playlist";
}

TEST_F(EditTest, TitlesTieAfterTheir31stCharacter) {
  PlaylistEntry a{}, b{};
  std::u16string head(31, u'x');
  lstrcpyW(a.title, (head + u"a").c_str());
  lstrcpyW(b.title, (head + u"B").c_str());
  EXPECT_EQ(CompareTitles(&a, &b), 0);
  lstrcpyW(a.title, u"b");
  lstrcpyW(b.title, u"A");
  EXPECT_GT(CompareTitles(&a, &b), 0);
}

TEST_F(EditTest, ReorderTakesOnlyAPermutationOfTheRing) {
  AddFiles(3);
  PlaylistEntry* e[3] = {PlaylistEntryAt(2), PlaylistEntryAt(0), PlaylistEntryAt(1)};
  PlaylistEntry* twice[3] = {e[0], e[0], e[1]};
  PlaylistEntry stranger{};
  PlaylistEntry* foreign[3] = {e[0], e[1], &stranger};
  EXPECT_EQ(PlaylistReorder(twice, 3), 0);
  EXPECT_EQ(PlaylistReorder(foreign, 3), 0);
  EXPECT_EQ(PlaylistReorder(e, 2), 0);
  EXPECT_EQ(PlaylistIndexOf(e[0]), 2) << "a refused order changes nothing";
  ASSERT_EQ(PlaylistReorder(e, 3), 1);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(PlaylistEntryAt(i), e[i]);
    EXPECT_EQ(PlaylistFind(e[i]->path), e[i]);
    EXPECT_EQ(e[i]->flags & 0x01, 0) << "no mark left behind";
  }
  EXPECT_EQ(PlaylistEntryAt(-1)->prev, e[2]);
}

TEST_F(EditTest, PathsThatWouldBeCutAreRefused) {
  std::u16string dir = DevicePath(folder) + u"\\";
  std::string name(MAX_PATH - 1 - dir.size() - 4, 'n');
  std::u16string exact = MakeFile(name + ".mp3");
  ASSERT_EQ(exact.size(), size_t(MAX_PATH - 1));
  EXPECT_EQ(PlaylistAdd((exact + u"xyz").c_str()), nullptr) << "cut to 259 units it names another file";
  EXPECT_NE(PlaylistAdd(exact.c_str()), nullptr);
}

TEST_F(EditTest, LoadStopsAtTheFirstFullListRefusal) {
  AddFiles(4);
  ASSERT_EQ(PlaylistSave(u"\\My Documents\\four.PLT"), 1);
  PlaylistRemoveAt(3);
  PlaylistRemoveAt(2);
  PlaylistRemoveAt(1);
  DWORD real = g_playlist.count;
  g_playlist.count = PLAYLIST_LIMIT;
  EXPECT_EQ(PlaylistLoad(u"\\My Documents\\four.PLT", 0), 1);
  g_playlist.count = real;
  EXPECT_EQ(LxMessageBoxCount(), 1) << "one box, not one per refused path";
}

TEST_F(EditTest, DefaultFileKeepsTitlesOfMissingFoldersUntilCleared) {
  AddFiles(2);
  PlaylistToggleFavourite(PlaylistEntryAt(1));
  std::u16string gone = u"\\no-such-mount\\music\\gone.mp3";
  ASSERT_EQ(PlaylistSave(u"\\My Documents\\Default.PLT"), 1);
  // A missing folder's record, and a missing file in a present folder.
  Bytes file = ReadHostFile(folder + "/../../My Documents/Default.PLT");
  auto record = [&](const std::u16string& path, unsigned char favourite) {
    Bytes r(524, 0);
    for (size_t i = 0; i < path.size(); i++) r[2 * i] = path[i] & 0xFF, r[2 * i + 1] = path[i] >> 8;
    r[520] = favourite;
    file.insert(file.end(), r.begin(), r.end());
    file[50]++;
  };
  record(gone, 1);
  record(DevicePath(folder) + u"\\deleted.mp3", 0);
  WriteHostFile(folder + "/../../My Documents/Default.PLT", file);

  ASSERT_EQ(PlaylistLoadDefault(u"\\My Documents\\Default.PLT"), 1);
  EXPECT_EQ(g_playlist.count, 2u);
  ASSERT_EQ(PlaylistSaveDefault(u"\\My Documents\\Default.PLT"), 1);
  Bytes saved = ReadHostFile(folder + "/../../My Documents/Default.PLT");
  ASSERT_EQ(saved.size(), 54u + 3 * 524);
  EXPECT_EQ(saved[50], 3);
  std::u16string last;
  for (size_t i = 0; i < gone.size(); i++) last += char16_t(saved[54 + 2 * 524 + 2 * i] | saved[55 + 2 * 524 + 2 * i] << 8);
  EXPECT_EQ(last, gone);
  EXPECT_EQ(saved[54 + 2 * 524 + 520], 1) << "its favourite mark too";

  PlaylistClear(1);
  ASSERT_EQ(PlaylistSaveDefault(u"\\My Documents\\Default.PLT"), 1);
  EXPECT_EQ(ReadHostFile(folder + "/../../My Documents/Default.PLT").size(), 54u) << "clearing drops them";
}

}  // namespace
