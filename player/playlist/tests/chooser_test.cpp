// The file chooser driven by taps on the test's own thread, and the folder
// scan over a tree with the traps a real file system holds.
#include <sys/stat.h>
#include <unistd.h>

#include <commctrl.h>
#include <lxuser.h>

#include <filesystem>

#include "dialogscript.h"
#include "playlist/filechooser.h"
#include "playlisttest.h"
#include "shell/playerwindows.h"

namespace fs = std::filesystem;

namespace {

std::u16string RowText(HWND list, int row, int column) {
  WCHAR text[MAX_PATH] = {};
  ListView_GetItemText(list, row, column, text, MAX_PATH);
  return text;
}

std::u16string Device(const std::string& host) { return LxDevicePath(host); }

void Keys(std::initializer_list<UINT> keys) {
  for (UINT key : keys) {
    LxInputKey(key, TRUE);
    LxInputKey(key, FALSE);
  }
}

class ChooserTest : public PlaylistTest {
 protected:
  void SetUp() override {
    PlaylistTest::SetUp();
    FileChooserForget();
    params = FileChooserParams{};
    params.types = AudioFileTypes;
    params.typeCount = AUDIO_TYPE_COUNT;
    params.subfoldersAllowed = 1;
  }
  std::string Tree(const std::string& name) {
    std::string root = folder + "/" + name;
    fs::create_directories(root);
    return root;
  }
  void Mp3(const std::string& host) { WriteHostFile(host, MakeMp3(Mp3Spec{})); }
  INT_PTR Run(std::vector<DialogStep> steps) {
    return RunScripted([this] { return FileChooserRun(&params); }, std::move(steps));
  }
  static HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_CHOOSER_LIST); }
  static std::u16string Path(HWND dialog) {
    WCHAR text[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_CHOOSER_PATH, text, MAX_PATH);
    return text;
  }
  FileChooserParams params;
};

TEST_F(ChooserTest, ListsFoldersFirstAndSortsByTheTappedColumn) {
  std::string root = Tree("browse");
  fs::create_directories(root + "/A");
  WriteHostFile(root + "/x.dir", Bytes(999, 1));
  Mp3(root + "/b.mp3");
  Mp3(root + "/.hidden.mp3");
  WriteHostFile(root + "/big.mp3", Bytes());
  ASSERT_EQ(truncate((root + "/big.mp3").c_str(), 5LL << 30), 0);
  FileChooserSetFolder((Device(root) + u"\\").c_str());
  params.typeCount = AUDIO_TYPE_COUNT;

  std::vector<std::u16string> byName, descending;
  INT_PTR result = Run({
      [&](HWND d) {
        // "All Files(*.*)": every file but the hidden one.
        SendDlgItemMessageW(d, IDC_CHOOSER_TYPE, CB_SETCURSEL, 4, 0);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_TYPE, CBN_SELCHANGE), 0);
      },
      [&](HWND d) {
        HWND list = List(d);
        ASSERT_EQ(ListView_GetItemCount(list), 5);
        EXPECT_EQ(RowText(list, 0, 0), u"..");
        EXPECT_EQ(RowText(list, 1, 0), u"A");
        EXPECT_EQ(RowText(list, 1, 1), u"DIR");
        // Sorted by type: "x.dir" is a file whose type reads DIR, among the files.
        EXPECT_EQ(RowText(list, 2, 0), u"x.dir");
        EXPECT_EQ(RowText(list, 2, 1), u"DIR");
        EXPECT_EQ(RowText(list, 2, 2), u"0kb") << "999 bytes";
        TapControl(list, 200, 5);  // "Größe"
      },
      [&](HWND d) {
        HWND list = List(d);
        EXPECT_EQ(RowText(list, 4, 0), u"big.mp3") << "5 GB is the largest, not a wrapped small size";
        EXPECT_EQ(RowText(list, 4, 2), u"5368709kb");
        TapControl(list, 50, 5);  // "Datei"
      },
      [&](HWND d) {
        for (int i = 0; i < 5; i++) byName.push_back(RowText(List(d), i, 0));
        TapControl(List(d), 50, 5);
      },
      [&](HWND d) {
        for (int i = 0; i < 5; i++) descending.push_back(RowText(List(d), i, 0));
        Click(d, IDCANCEL);
      },
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(byName, (std::vector<std::u16string>{u"..", u"A", u"b.mp3", u"big.mp3", u"x.dir"}));
  EXPECT_EQ(descending, (std::vector<std::u16string>{u"x.dir", u"big.mp3", u"b.mp3", u"A", u".."}));

  FileChooserSetFolder(u"\\");
  Run({[&](HWND d) {
    HWND list = List(d);
    for (int i = 0; i < ListView_GetItemCount(list); i++) EXPECT_NE(RowText(list, i, 0), u"..") << "row " << i;
    Click(d, IDCANCEL);
  }});
}

TEST_F(ChooserTest, ChoosesOneFileOrAFolderAndEntersOnlyTheFolderTappedTwice) {
  std::string root = Tree("pick");
  fs::create_directories(root + "/A/B");
  Mp3(root + "/b.mp3");
  Mp3(root + "/A/c.mp3");
  std::string longName(240, 'l');
  Mp3(root + "/A/B/" + longName + ".mp3");
  std::u16string start = Device(root) + u"\\";
  FileChooserSetFolder(start.c_str());
  HWND owner = CreateWindowExW(0, u"STATIC", u"Lumtrax", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  g_windows.main = owner;

  std::u16string ownerTitle;
  EXPECT_EQ(Run({[&](HWND d) {
              WCHAR title[64] = {};
              GetWindowTextW(owner, title, 64);
              ownerTitle = title;
              Click(d, IDOK);
            }}),
            IDCANCEL)
      << "Ok without a file cancels";
  EXPECT_EQ(ownerTitle, u"Datei öffnen");
  WCHAR title[64] = {};
  GetWindowTextW(owner, title, 64);
  EXPECT_EQ(std::u16string(title), u"Lumtrax");

  // Keys: arrows select, Enter enters a folder and is Ok on a file.
  std::u16string shown;
  EXPECT_EQ(Run({
                [&](HWND) { Keys({VK_DOWN, VK_DOWN, VK_RETURN}); },  // "..", "A", enter it
                [&](HWND d) {
                  shown = Path(d);
                  Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // c.mp3
                },
            }),
            IDOK);
  EXPECT_EQ(shown, start + u"A\\");
  EXPECT_EQ(std::u16string(params.path), start + u"A\\c.mp3");
  FileChooserSetFolder(start.c_str());

  EXPECT_EQ(Run({
                [&](HWND d) { TapListRow(List(d), 1, true); },  // "A", twice: B sits at the same row inside
                [&](HWND d) {
                  shown = Path(d);
                  TapListRow(List(d), 2);  // c.mp3
                },
                [&](HWND d) { Click(d, IDOK); },
            }),
            IDOK);
  EXPECT_EQ(shown, start + u"A\\");
  EXPECT_EQ(std::u16string(params.path), start + u"A\\c.mp3");
  EXPECT_EQ(params.all, 0);

  EXPECT_EQ(Run({[&](HWND d) {
              shown = Path(d);
              TapListRow(List(d), 2, true);
            }}),
            IDOK)
      << "a double tap on a file is Ok";
  EXPECT_EQ(shown, start + u"A\\") << "the chooser reopens where it was left";

  EXPECT_EQ(Run({
                [&](HWND d) { TapListRow(List(d), 1, true); },  // B
                [&](HWND d) {
                  shown = Path(d);
                  TapListRow(List(d), 1);  // the long name: its path would pass 260 units
                },
                [&](HWND d) { Click(d, IDOK); },
            }),
            IDCANCEL);
  EXPECT_EQ(shown, start + u"A\\B\\");

  EXPECT_EQ(Run({[&](HWND d) {
              SendDlgItemMessageW(d, IDC_CHOOSER_TYPE, CB_SETCURSEL, 1, 0);
              SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_TYPE, CBN_SELCHANGE), 0);
              Click(d, IDC_CHOOSER_SUBFOLDERS);
              Click(d, IDC_CHOOSER_ALL);
            }}),
            IDOK);
  EXPECT_EQ(params.all, 1);
  EXPECT_EQ(params.subfolders, 1);
  EXPECT_EQ(std::u16string(params.path), start + u"A\\B\\");
  EXPECT_EQ(std::u16string(params.extension), u"MP2");

  g_windows.main = nullptr;
  DestroyWindow(owner);
}

int AddScanned(LPCWSTR path, LPCWSTR, void*) {
  PlaylistAdd(path);
  return 1;
}

TEST_F(ChooserTest, ScanAddsEachMpegFileOnceDepthFirstPastLinksFifosAndLongPaths) {
  std::string root = Tree("scan");
  Mp3(root + "/a.mp3");
  WriteHostFile(root + "/notes.txt", Bytes(400, 'x'));
  fs::create_directories(root + "/sub1");
  fs::create_directories(root + "/sub2");
  Mp3(root + "/sub1/c.mp3");
  Mp3(root + "/sub2/d.mp3");
  fs::create_directory_symlink("..", root + "/sub1/up");
  fs::create_directory_symlink("../sub2", root + "/sub1/twin");
  ASSERT_EQ(mkfifo((root + "/fifo.mp3").c_str(), 0600), 0);
  fs::create_directories(root + "/locked");
  chmod((root + "/locked").c_str(), 0);
  std::string deep = root + "/" + std::string(100, 'd') + "/" + std::string(100, 'e');
  fs::create_directories(deep);
  Mp3(deep + "/" + std::string(60, 'f') + ".mp3");
  Mp3(root + "/\xFF" "bad.mp3");

  std::u16string start = Device(root) + u"\\";
  EXPECT_EQ(FolderScan(start.c_str(), u"*", 1, AddScanned, nullptr), 1);
  chmod((root + "/locked").c_str(), 0700);
  std::vector<std::u16string> added;
  for (int i = 0; i < int(g_playlist.count); i++) added.push_back(PathOf(i));
  std::u16string bad = start + char16_t(0xDCFF) + u"bad.mp3";
  EXPECT_EQ(added, (std::vector<std::u16string>{start + u"a.mp3", start + u"sub1\\c.mp3", start + u"sub1\\twin\\d.mp3",
                                                bad}));

  // The escaped name opens and survives a playlist file.
  EXPECT_EQ(PlaylistSave(u"\\My Documents\\scan.PLT"), 1);
  PlaylistClear(1);
  EXPECT_EQ(PlaylistLoad(u"\\My Documents\\scan.PLT", 1), 1);
  EXPECT_EQ(PathOf(3), bad);

  WCHAR extension[MAX_PATH];
  ExtensionOf(u"a.b\\c", extension, MAX_PATH);
  EXPECT_EQ(std::u16string(extension), u"");
  ExtensionOf(u".mp3", extension, MAX_PATH);
  EXPECT_EQ(std::u16string(extension), u"");
  ExtensionOf(u"x.tar.Mp3", extension, MAX_PATH);
  EXPECT_EQ(std::u16string(extension), u"Mp3");
}

}  // namespace
