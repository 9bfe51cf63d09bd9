// The playlist pane: rows, scroll bar, buttons, totals; every playlist
// command of the menu and the navigation commands.
#include "playlist/playlistwindow.h"

#include <commdlg.h>

#include <string_view>

#include "playlist/filechooser.h"
#include "playlist/playlist.h"
#include "playlist/playlistedit.h"
#include "shell/dispatch.h"
#include "shell/savefile.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "trackinfo/properties.h"

#define IDM_PL_OPEN_BUTTON 51004  // button 2: "Öffnen" of the main window
#define ROW_TEXT_UNITS (TITLE_UNITS + 8)
#define FONT_HEIGHT (-10)
#define BUTTON_OPEN 2
#define BUTTON_LARGE 4
#define BUTTON_SMALL 5
#define BUTTON_UP 7
#define BUTTON_DOWN 8

static const WCHAR DefaultPlaylist[] = u"\\My Documents\\Default.PLT";
static const WCHAR PlaylistFilter[] = u"Playlist Files(*.PLT)\0*.PLT\0";

const PlaylistLayout PlaylistLayouts[2] = {
    {0, 190, 240, 79, {44, 5, 223, 61}, {229, 14, 234, 53}, {44, 5, 234, 61}, {229, 14, 234, 26},
     {7, 66, 144, 73}, {180, 65, 223, 74}, {159, 64, 174, 74}, 140, 27, 5},
    {0, 100, 240, 169, {6, 26, 223, 151}, {229, 35, 234, 142}, {6, 26, 234, 151}, {229, 35, 234, 47},
     {7, 156, 144, 163}, {180, 155, 223, 164}, {159, 155, 174, 164}, 173, 95, 11},
};

// Pressed bitmap, command, and the rectangle in each layout; the normal
// face is part of the background.
struct PlaylistButtonRecord {
  DWORD pressedId;
  DWORD command;
  RECT rect[2];
};
static const PlaylistButtonRecord ButtonRecords[PLAYLIST_BUTTONS] = {
    {139, IDM_PL_ADD_FILE, {{3, 5, 21, 22}, {7, 4, 25, 21}}},
    {141, IDM_PL_DELETE, {{23, 5, 41, 22}, {27, 4, 45, 21}}},
    {145, IDM_PL_OPEN_BUTTON, {{3, 25, 21, 42}, {47, 4, 65, 21}}},
    {146, IDM_PL_SAVE, {{23, 25, 41, 42}, {67, 4, 85, 21}}},
    {164, IDM_PL_LARGE, {{3, 45, 21, 62}, {87, 4, 105, 21}}},
    {165, IDM_PL_SMALL, {{3, 45, 21, 62}, {87, 4, 105, 21}}},
    {166, IDM_PL_EDIT, {{23, 45, 41, 62}, {107, 4, 125, 21}}},
    {167, IDM_PL_SCROLL_UP, {{228, 4, 236, 13}, {228, 25, 236, 34}}},
    {168, IDM_PL_SCROLL_DOWN, {{228, 54, 236, 63}, {228, 144, 236, 153}}},
};

PlaylistPane g_playlistPane;

static int LayoutIndex() { return g_playlistPane.layout == &PlaylistLayouts[1] ? 1 : 0; }

// The model scrolls by the view: it gets the layout's figures at creation
// and at every switch.
static void UseLayout(int index) {
  PlaylistPane& p = g_playlistPane;
  p.layout = &PlaylistLayouts[index ? 1 : 0];
  PlaylistView& v = g_playlistView;
  v.visibleRows = p.layout->visibleRows;
  v.thumbTravel = p.layout->thumbTravel;
  v.thumbHome = p.layout->thumbHome;
  v.thumb = p.layout->thumbHome;
  v.repaintArea = p.layout->repaint;
  for (int i = 0; i < PLAYLIST_BUTTONS; i++) p.buttons[i].rect = ButtonRecords[i].rect[index ? 1 : 0];
  p.buttons[BUTTON_LARGE].flags = index ? 0 : ButtonVisible;
  p.buttons[BUTTON_SMALL].flags = index ? ButtonVisible : 0;
}

static int Count() { return int(g_playlist.count); }

// firstRow no further than the last full page.
static void ClampFirstRow() {
  int last = Count() - g_playlistView.visibleRows;
  if (g_playlistView.firstRow > last) g_playlistView.firstRow = last;
  if (g_playlistView.firstRow < 0) g_playlistView.firstRow = 0;
}

static void Invalidate(const RECT& r) {
  if (g_playlistPane.window) InvalidateRect(g_playlistPane.window, &r, FALSE);
}

static void InvalidateRow(int k) {
  int first = g_playlistView.firstRow;
  if (k < first || k >= first + g_playlistView.visibleRows) return;
  RECT row = g_playlistPane.layout->list;
  row.top += (k - first) * PLAYLIST_ROW_HEIGHT;
  row.bottom = row.top + PLAYLIST_ROW_HEIGHT;
  Invalidate(row);
}

static void InvalidateTotals() {
  Invalidate(g_playlistPane.layout->totalTime);
  Invalidate(g_playlistPane.layout->favourites);
}

static void InvalidateList() {
  Invalidate(g_playlistView.repaintArea);
  InvalidateTotals();
}

// Default.PLT follows the user's changes 2 s after the last one, so a
// crash or kill loses little.
static void ScheduleSave() {
  if (g_playlistPane.window) SetTimer(g_playlistPane.window, TIMER_PLAYLIST_SAVE, PLAYLIST_SAVE_DELAY, nullptr);
}

static void SelectNone() {
  g_navigation.selectedIndex = -1;
  PlaylistMenuState(0);
}

// The file name without folder, cut at its first '.'.
static void SetPlaylistName(LPCWSTR path) {
  LPCWSTR name = path;
  for (LPCWSTR c = path; *c; c++)
    if (*c == u'\\') name = c + 1;
  int n = 0;
  while (name[n] && name[n] != u'.' && n < MAX_PATH - 1) n++;
  lstrcpynW(g_playlistPane.playlistName, name, n + 1);
}

static int IsPlaylistFile(LPCWSTR path) {
  WCHAR extension[MAX_PATH];
  ExtensionOf(path, extension, MAX_PATH);
  CharUpperW(extension);
  return std::u16string_view(extension) == u"PLT";
}

// ---- painting ----------------------------------------------------------

void PlaylistRowText(const PlaylistEntry* entry, int k, WCHAR* text, int units) {
  LxFormatW(text, units, g_playlist.count > 99 ? u"%03d. %s" : u"%02d. %s", k + 1, entry->title);
}

static void DrawRows(HDC dc, const RECT* area) {
  PlaylistPane& p = g_playlistPane;
  const PlaylistLayout* l = p.layout;
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = p.font ? SelectObject(dc, p.font) : nullptr;
  int first = g_playlistView.firstRow;
  int count = Count();
  PlaylistEntry* e = first < count ? PlaylistEntryAt(first) : nullptr;
  WCHAR text[ROW_TEXT_UNITS];
  for (int k = first; e && k < count && k < first + l->visibleRows; k++, e = e->next) {
    RECT box = l->list;
    box.top += (k - first) * PLAYLIST_ROW_HEIGHT;
    box.bottom = box.top + PLAYLIST_ROW_HEIGHT;
    RECT meet;
    if (!IntersectRect(&meet, &box, area)) continue;
    int selected = k == g_navigation.selectedIndex;
    if (selected) {
      HBRUSH grey = CreateSolidBrush(RGB(102, 102, 102));
      FillRect(dc, &box, grey);
      DeleteObject(grey);
    }
    SetTextColor(dc, (e->flags & EntryFavourite) ? RGB(255, 255, 255) : selected ? RGB(0, 0, 0) : RGB(119, 119, 119));
    PlaylistRowText(e, k, text, ROW_TEXT_UNITS);
    RECT title = box;
    title.right = box.left - 2 + l->titleWidth;
    DrawTextW(dc, text, -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RECT duration = box;
    duration.left = title.right + 2;
    DrawTextW(dc, e->durationText, -1, &duration, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    Sleep(1);  // the audio thread gets its turn while long lists are drawn
  }
  if (p.thumb) DrawBitmapPart(dc, p.thumb, &g_playlistView.thumb, &g_playlistView.thumb);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT total = l->totalTime, favourites = l->favourites;
  DrawTextW(dc, g_playlist.totalTimeText, -1, &total, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  DrawTextW(dc, g_playlist.favouriteCountText, -1, &favourites, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (oldFont) SelectObject(dc, oldFont);
}

static LRESULT OnPaint(HWND window, UINT, WPARAM, LPARAM) {
  PlaylistPane& p = g_playlistPane;
  return SkinnedPaint(window, p.background.dc, p.backBuffer.dc, p.buttons, PLAYLIST_BUTTONS, DrawRows);
}

// Background and back buffer of the current layout's size.
static void BuildSkin(HWND window) {
  PlaylistPane& p = g_playlistPane;
  ReleaseCanvas(&p.background);
  ReleaseCanvas(&p.backBuffer);
  HDC dc = GetDC(window);
  LoadBackgroundCanvas(dc, &p.background, LayoutIndex() ? 163 : 124);
  CreateBackBuffer(dc, &p.backBuffer, p.layout->width, p.layout->height);
  ReleaseDC(window, dc);
}

// ---- creation and destruction --------------------------------------------

static LRESULT OnCreate(HWND window, UINT, WPARAM, LPARAM) {
  PlaylistPane& p = g_playlistPane;
  p = PlaylistPane{};
  p.window = window;
  g_windows.playlist = window;
  for (int i = 0; i < PLAYLIST_BUTTONS; i++) {
    p.buttons[i] = SkinButton{};
    p.buttons[i].pressedId = ButtonRecords[i].pressedId;
    p.buttons[i].command = ButtonRecords[i].command;
    p.buttons[i].flags = ButtonVisible;
  }
  UseLayout(g_settings.plState == 1);
  LoadButtonBitmaps(p.buttons, PLAYLIST_BUTTONS);
  BuildSkin(window);
  p.thumb = LoadBitmapW(g_windows.instance, MAKEINTRESOURCEW(122));
  LOGFONTW font{};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
  font.lfHeight = FONT_HEIGHT;
  font.lfWidth = 0;
  font.lfWeight = FW_NORMAL;
  p.font = CreateFontIndirectW(&font);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, p.font);
  SIZE size{};
  GetTextExtentPoint32W(dc, u"33. ", 4, &size);
  p.numberColumnWidth = size.cx;
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  PlaylistInit();
  g_playlistView.firstRow = 0;
  if (!PlaylistLoadDefault(DefaultPlaylist)) SetAsideDamaged(DefaultPlaylist);
  PlaylistPlaceThumb();
  return 0;
}

static LRESULT OnDestroy(HWND window, UINT, WPARAM, LPARAM) {
  PlaylistPane& p = g_playlistPane;
  KillTimer(window, TIMER_PLAYLIST_SAVE);
  FreeButtonBitmaps(p.buttons, PLAYLIST_BUTTONS);
  ReleaseCanvas(&p.background);
  ReleaseCanvas(&p.backBuffer);
  if (p.font) DeleteObject(p.font);
  if (p.thumb) DeleteObject(p.thumb);
  p.font = nullptr;
  p.thumb = nullptr;
  PlaylistSaveDefault(DefaultPlaylist);
  PlaylistDestroy();
  p.window = nullptr;
  if (g_windows.playlist == window) g_windows.playlist = nullptr;
  return 0;
}

static LRESULT OnSize(HWND window, UINT, WPARAM, LPARAM) {
  BuildSkin(window);
  ClampFirstRow();
  PlaylistPlaceThumb();
  return 0;
}

static LRESULT OnTimer(HWND window, UINT, WPARAM id, LPARAM) {
  if (id != TIMER_PLAYLIST_SAVE) return NOT_HANDLED;
  KillTimer(window, TIMER_PLAYLIST_SAVE);
  // A failed save is tried again later; nothing is shown.
  if (!PlaylistSaveDefault(DefaultPlaylist)) ScheduleSave();
  return 0;
}

// ---- the list's own messages ---------------------------------------------

static void ClearList() {
  PlaylistClear(1);
  g_playlistView.firstRow = 0;
  g_navigation.freshStart = 1;
  PlaylistPlaceThumb();
  InvalidateList();
  SelectNone();
}

static LRESULT OnAddFile(HWND, UINT, WPARAM, LPARAM lParam) {
  LPCWSTR path = reinterpret_cast<LPCWSTR>(lParam);
  if (!path) return 0;
  LRESULT result = IsPlaylistFile(path) ? PlaylistLoad(path, 0) : PlaylistAdd(path) != nullptr;
  PlaylistPlaceThumb();
  InvalidateList();
  ScheduleSave();
  return result;
}

static LRESULT OnClearPlaylist(HWND, UINT, WPARAM, LPARAM) {
  ClearList();
  ScheduleSave();
  return 0;
}

// ---- stylus --------------------------------------------------------------

static int Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Scroll arrows and the thumb are small: their hit areas reach 2 pixels
// further left and 6 further right.
static int InsideWidened(const RECT& r, int x, int y) {
  RECT wide = {r.left - 2, r.top, r.right + 6, r.bottom};
  return Inside(wide, x, y);
}

static void SendToMain(UINT command) {
  HWND target = g_windows.main ? g_windows.main : g_playlistPane.window;
  SendMessageW(target, WM_COMMAND, command, 0);
}

static void DragThumb(HWND window, int y) {
  RECT& thumb = g_playlistView.thumb;
  const RECT home = g_playlistView.thumbHome;
  int travel = g_playlistView.thumbTravel, height = home.bottom - home.top;
  SetCapture(window);
  MSG msg;
  int last = y;
  while (SkinLoopNext(window, &msg)) {
    if ((msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) && msg.hwnd == window) {
      int at = short(HIWORD(msg.lParam));
      OffsetRect(&thumb, 0, at - last);
      ClampVertically(&thumb, home.top, home.top + travel, height);
      last = at;
      int span = Count() - g_playlistView.visibleRows;
      g_playlistView.firstRow = span > 0 ? Scale(span, thumb.top - home.top, travel) : 0;
      Invalidate(g_playlistView.repaintArea);
      if (msg.message == WM_LBUTTONUP) break;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // A pane destroyed meanwhile is not touched again.
  if (!IsWindow(window)) return;
  if (GetCapture() == window) ReleaseCapture();
  ClampFirstRow();
  PlaylistPlaceThumb();
}

static void TapList(int x, int y) {
  const PlaylistLayout* l = g_playlistPane.layout;
  int r = g_playlistView.firstRow + (y - l->list.top) / PLAYLIST_ROW_HEIGHT;
  int old = g_navigation.selectedIndex;
  if (Count() == 0 || r >= Count()) {
    InvalidateRow(old);
    SelectNone();
  } else if (x - l->list.left < g_playlistPane.numberColumnWidth) {
    PlaylistToggleFavourite(PlaylistEntryAt(r));
    InvalidateRow(r);
    Invalidate(l->favourites);
    ScheduleSave();
  } else {
    g_navigation.selectedIndex = r;
    PlaylistMenuState(1);
    InvalidateRow(old);
    InvalidateRow(r);
  }
}

static LRESULT OnButtonDown(HWND window, UINT, WPARAM, LPARAM lParam) {
  PlaylistPane& p = g_playlistPane;
  const PlaylistLayout* l = p.layout;
  int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  for (int i = BUTTON_UP; i <= BUTTON_DOWN; i++) {
    SkinButton& b = p.buttons[i];
    if (!(b.flags & ButtonVisible) || !InsideWidened(b.rect, x, y)) continue;
    b.flags |= ButtonPressed;
    InvalidateRect(window, &b.rect, FALSE);
    // The main window passes the command back here; it repeats while held.
    p.arrowHeld = 1;
    SendToMain(b.command);
    if (IsWindow(window)) p.arrowHeld = 0;
    return 0;
  }
  if (ButtonPress(window, p.buttons, BUTTON_UP, x, y)) return 0;
  if (Inside(l->list, x, y)) {
    TapList(x, y);
  } else if (Inside(l->about, x, y)) {
    if (g_windows.main) PostMessageW(g_windows.main, WM_COMMAND, IDM_ABOUT, 0);
  } else if (Count() > g_playlistView.visibleRows) {
    if (InsideWidened(g_playlistView.thumb, x, y)) {
      DragThumb(window, y);
    } else if (InsideWidened(l->track, x, y)) {
      int span = Count() - g_playlistView.visibleRows;
      int row = Scale(span, y - g_playlistView.thumbHome.top, g_playlistView.thumbTravel);
      g_playlistView.firstRow = row < 0 ? 0 : row > span ? span : row;
      PlaylistPlaceThumb();
    }
  }
  return 0;
}

static LRESULT OnDoubleClick(HWND, UINT, WPARAM, LPARAM lParam) {
  const PlaylistLayout* l = g_playlistPane.layout;
  int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  if (!Inside(l->list, x, y) || g_navigation.selectedIndex < 0) return 0;
  int r = g_playlistView.firstRow + (y - l->list.top) / PLAYLIST_ROW_HEIGHT;
  PlaylistEntry* entry = r < Count() ? PlaylistEntryAt(r) : nullptr;
  if (r != g_navigation.selectedIndex) {
    InvalidateRow(g_navigation.selectedIndex);
    g_navigation.selectedIndex = entry ? r : -1;
    InvalidateRow(r);
  } else if (entry) {
    PlaylistMarkStarted(entry);
    PlaylistLoadTrack(entry);
  }
  return 0;
}

// ---- commands ------------------------------------------------------------

// Stops at the first full-list refusal: one box is enough.
static int AddScanned(LPCWSTR path, LPCWSTR, void*) {
  DWORD refusals = g_playlistFullRefusals;
  if (g_windows.playlist) SendMessageW(g_windows.playlist, UM_ADDFILE, 0, reinterpret_cast<LPARAM>(path));
  return refusals == g_playlistFullRefusals;
}

static int LoadScanned(LPCWSTR path, LPCWSTR extension, void*) {
  if (std::u16string_view(extension) != u"PLT") return 1;
  DWORD refusals = g_playlistFullRefusals;
  PlaylistLoad(path, 0);
  PlaylistPlaceThumb();
  return refusals == g_playlistFullRefusals;
}

static LRESULT AddFileCommand(HWND window, UINT, LPARAM, UINT) {
  FileChooserParams params{};
  params.types = AudioFileTypes;
  params.typeCount = AUDIO_TYPE_COUNT;
  params.subfoldersAllowed = 1;
  if (FileChooserRun(&params) != IDOK || !IsWindow(window)) return 0;
  if (!params.all) {
    SendMessageW(window, UM_ADDFILE, 0, reinterpret_cast<LPARAM>(params.path));
    if (IsPlaylistFile(params.path)) SetPlaylistName(params.path);
  } else {
    WaitCursor(TRUE, FALSE);
    FolderScan(params.path, params.extension, params.subfolders, AddScanned, nullptr);
    WaitCursor(FALSE, FALSE);
  }
  if (IsWindow(window)) InvalidateList();
  return 0;
}

static LRESULT DeleteCommand(HWND, UINT, LPARAM, UINT) {
  if (g_navigation.selectedIndex < 0 || !PlaylistRemoveAt(g_navigation.selectedIndex)) return 0;
  ClampFirstRow();
  SelectNone();
  PlaylistPlaceThumb();
  InvalidateList();
  ScheduleSave();
  return 0;
}

static LRESULT OpenPlaylistCommand(HWND window, UINT, LPARAM, UINT) {
  FileChooserParams params{};
  params.types = PlaylistFileTypes;
  params.typeCount = 1;
  params.subfoldersAllowed = 1;
  if (FileChooserRun(&params) != IDOK || !IsWindow(window)) return 0;
  WaitCursor(TRUE, FALSE);
  if (!params.all) {
    if (PlaylistLoad(params.path, 1)) {
      g_playlistView.firstRow = 0;
      g_navigation.freshStart = 1;
      SelectNone();
      SetPlaylistName(params.path);
    }
  } else {
    FolderScan(params.path, params.extension, params.subfolders, LoadScanned, nullptr);
  }
  WaitCursor(FALSE, FALSE);
  if (!IsWindow(window)) return 0;
  PlaylistPlaceThumb();
  InvalidateList();
  ScheduleSave();
  return 0;
}

static LRESULT OpenButtonCommand(HWND, UINT, LPARAM, UINT) {
  if (g_windows.main) PostMessageW(g_windows.main, WM_COMMAND, IDM_OPEN, 0);
  return 0;
}

static LRESULT SavePlaylistCommand(HWND window, UINT, LPARAM, UINT) {
  WCHAR path[MAX_PATH];
  lstrcpynW(path, g_playlistPane.playlistName, MAX_PATH);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = window;
  ofn.lpstrFilter = PlaylistFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  if (!GetSaveFileNameW(&ofn)) return 0;
  SetPlaylistName(path);
  if (!PlaylistSave(path))
    MessageBoxW(g_windows.main, u"Die Playlist konnte nicht gespeichert werden.", u"Fehler", MB_OK);
  return 0;
}

static LRESULT NextCommand(HWND, UINT, LPARAM, UINT code) { return NextTitle(int(code)); }

static LRESULT PreviousCommand(HWND, UINT, LPARAM, UINT code) {
  PreviousTitle(int(code));
  return 0;
}

static LRESULT ShuffleCommand(HWND, UINT, LPARAM, UINT code) { return ShuffleTitle(int(code)); }

static LRESULT InfoCommand(HWND, UINT, LPARAM, UINT) {
  PlaylistEntry* entry = g_navigation.selectedIndex >= 0 ? PlaylistEntryAt(g_navigation.selectedIndex) : nullptr;
  if (entry) PropertiesRun(entry);
  return 0;
}

static LRESULT ClearCommand(HWND, UINT, LPARAM, UINT) {
  if (MessageBoxW(g_windows.main, u"Wollen Sie zurücksetzen?", u"Aneige", MB_OKCANCEL) != IDOK) return 0;
  ClearList();
  ScheduleSave();
  return 0;
}

static LRESULT ClearFavouritesCommand(HWND, UINT, LPARAM, UINT) {
  PlaylistClearFavourites();
  InvalidateList();
  ScheduleSave();
  return 0;
}

static void SwitchLayout(HWND window, int large) {
  g_settings.plState = large ? 1 : 0;
  RecomputeSuspension();
  UseLayout(large);
  if (g_windows.equalizer) ShowWindow(g_windows.equalizer, large ? SW_HIDE : SW_SHOW);
  const PlaylistLayout* l = g_playlistPane.layout;
  MoveWindow(window, l->x, l->y, l->width, l->height, FALSE);
  InvalidateRect(window, nullptr, FALSE);
}

static LRESULT LargeCommand(HWND window, UINT, LPARAM, UINT) {
  SwitchLayout(window, 1);
  return 0;
}

static LRESULT SmallCommand(HWND window, UINT, LPARAM, UINT) {
  SwitchLayout(window, 0);
  return 0;
}

static LONG ArrowCount(void) { return LONG(g_playlist.count); }

static void ArrowRedraw(HWND) { PlaylistPlaceThumb(); }

static void Scroll(HWND window, int down, UINT code) {
  PlaylistPane& p = g_playlistPane;
  SkinArrow arrow{};
  arrow.firstRow = &g_playlistView.firstRow;
  arrow.count = ArrowCount;
  arrow.visible = p.layout->visibleRows;
  arrow.redraw = ArrowRedraw;
  arrow.button = &p.buttons[down ? BUTTON_DOWN : BUTTON_UP];
  // Only a held arrow repeats; a posted command steps once and never waits
  // for a release that will not come.
  AutoRepeatArrow(window, &arrow, down, p.arrowHeld ? code : 1);
  if (IsWindow(window)) PlaylistPlaceThumb();
}

static LRESULT ScrollUpCommand(HWND window, UINT, LPARAM, UINT code) {
  Scroll(window, 0, code);
  return 0;
}

static LRESULT ScrollDownCommand(HWND window, UINT, LPARAM, UINT code) {
  Scroll(window, 1, code);
  return 0;
}

static LRESULT EditCommand(HWND window, UINT, LPARAM, UINT) {
  int selected = g_navigation.selectedIndex;
  PlaylistEntry* before = selected >= 0 ? PlaylistEntryAt(selected) : nullptr;
  if (PlaylistEditRun() != IDOK || !IsWindow(window)) return 0;
  if (before) {
    int now = PlaylistIndexOf(before);
    if (now != selected) {
      g_navigation.selectedIndex = now;
      int first = g_playlistView.firstRow;
      if (now >= 0 && (now < first || now >= first + g_playlistView.visibleRows)) {
        g_playlistView.firstRow = now;
        ClampFirstRow();
      }
    }
  }
  PlaylistPlaceThumb();
  InvalidateList();
  ScheduleSave();
  return 0;
}

static const CommandEntry PlaylistCommands[] = {
    {IDM_PL_ADD_FILE, AddFileCommand},
    {IDM_PL_DELETE, DeleteCommand},
    {IDM_PL_OPEN, OpenPlaylistCommand},
    {IDM_PL_OPEN_BUTTON, OpenButtonCommand},
    {IDM_PL_SAVE, SavePlaylistCommand},
    {IDM_NEXT_TITLE, NextCommand},
    {IDM_PREV_TITLE, PreviousCommand},
    {IDM_SHUFFLE_TITLE, ShuffleCommand},
    {IDM_PL_INFO, InfoCommand},
    {IDM_PL_CLEAR, ClearCommand},
    {IDM_PL_CLEAR_FAVOURITES, ClearFavouritesCommand},
    {IDM_PL_LARGE, LargeCommand},
    {IDM_PL_SMALL, SmallCommand},
    {IDM_PL_SCROLL_UP, ScrollUpCommand},
    {IDM_PL_SCROLL_DOWN, ScrollDownCommand},
    {IDM_PL_EDIT, EditCommand},
};

static LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = DispatchCommand(window, message, wParam, lParam, PlaylistCommands, TABLE_COUNT(PlaylistCommands));
  // A released button shows its normal face again.
  if (IsWindow(window))
    for (int i = 0; i < PLAYLIST_BUTTONS; i++)
      if (LOWORD(g_playlistPane.buttons[i].command) == LOWORD(wParam)) Invalidate(g_playlistPane.buttons[i].rect);
  return result;
}

static const MessageEntry PlaylistMessages[] = {
    {WM_CREATE, OnCreate},
    {WM_DESTROY, OnDestroy},
    {WM_PAINT, OnPaint},
    {WM_ERASEBKGND, nullptr},
    {WM_SIZE, OnSize},
    {WM_LBUTTONDOWN, OnButtonDown},
    {WM_LBUTTONDBLCLK, OnDoubleClick},
    {WM_COMMAND, OnCommand},
    {WM_TIMER, OnTimer},
    {UM_ADDFILE, OnAddFile},
    {UM_CLEARPLAYLIST, OnClearPlaylist},
};

static LRESULT CALLBACK PlaylistProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(window, message, wParam, lParam, PlaylistMessages, TABLE_COUNT(PlaylistMessages), nullptr);
}

HWND PlaylistWindowCreate(HWND parent) {
  const PlaylistLayout* l = &PlaylistLayouts[g_settings.plState == 1 ? 1 : 0];
  HWND window = nullptr;
  if (!CreateSkinnedWindow(parent, PlaylistProc, u"LumtraxPL", &window, l->x, l->y, l->width, l->height, WS_VISIBLE))
    return nullptr;
  return window;
}
