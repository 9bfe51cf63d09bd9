// lumtrax-skin [--check] [--root DIR]: draws the player's and the installers'
// bitmaps with the platform's GDI and writes them as 4-bit BMP files named
// <id>_<name>.bmp, and the program icon for desktops as PNGs of the hicolor
// theme's sizes. --check compares with the files in place instead and
// lists those that differ (exit code 1).
//
// One dark palette for everything. Labels go through the runtime's own text
// path, so words the board writes over lie exactly on their dim copies.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "display/boardlayout.h"
#include "windows.h"

namespace {

// The palette, index = colour number in the files.
enum Colour {
  Black, Lcd, Ghost, Dim, Panel, Face, Light, Shade, Label, Cyan, DeepCyan, Green, Yellow, Red, Mask, White
};
const DWORD kPalette[16] = {0x000000, 0x0A1014, 0x18262E, 0x3A5462, 0x1E262E, 0x2E3A46, 0x5A6C80, 0x0E1216,
                            0xB4C4D2, 0x40C8E8, 0x1C5C70, 0x30D050, 0xE8D030, 0xE04828, 0xFF00FF, 0xFFFFFF};

// The palette's 0xRRGGBB as a GDI colour (0xBBGGRR).
COLORREF Ref(Colour c) { return RGB(kPalette[c] >> 16 & 255, kPalette[c] >> 8 & 255, kPalette[c] & 255); }

struct Art {
  int w = 0, h = 0;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  DWORD* px = nullptr;
};

Art Make(int w, int h, Colour fill) {
  Art a;
  a.w = w;
  a.h = h;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  a.dc = CreateCompatibleDC(nullptr);
  a.bitmap = CreateDIBSection(a.dc, &bi, DIB_RGB_COLORS, (void**)&a.px, nullptr, 0);
  a.old = SelectObject(a.dc, a.bitmap);
  for (int i = 0; i < w * h; ++i) a.px[i] = kPalette[fill];
  return a;
}

void Free(Art& a) {
  SelectObject(a.dc, a.old);
  DeleteObject(a.bitmap);
  DeleteDC(a.dc);
}

void Dot(Art& a, int x, int y, Colour c) {
  if (x >= 0 && y >= 0 && x < a.w && y < a.h) a.px[y * a.w + x] = kPalette[c];
}

// Fills [l, r) × [t, b).
void Box(Art& a, int l, int t, int r, int b, Colour c) {
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) Dot(a, x, y, c);
}

void Frame(Art& a, int l, int t, int r, int b, Colour topLeft, Colour bottomRight) {
  Box(a, l, t, r, t + 1, topLeft);
  Box(a, l, t, l + 1, b, topLeft);
  Box(a, l, b - 1, r, b, bottomRight);
  Box(a, r - 1, t, r, b, bottomRight);
}

// A raised face; pressed inverts the bevel.
void Bevel(Art& a, int l, int t, int r, int b, bool pressed) {
  Box(a, l, t, r, b, pressed ? Panel : Face);
  Frame(a, l, t, r, b, pressed ? Shade : Light, pressed ? Light : Shade);
}

// A sunken well (displays, grooves).
void Well(Art& a, int l, int t, int r, int b, Colour fill) {
  Box(a, l, t, r, b, fill);
  Frame(a, l - 1, t - 1, r + 1, b + 1, Shade, Light);
}

void Polygon(Art& a, std::initializer_list<POINT> points, Colour c) {
  HBRUSH brush = CreateSolidBrush(Ref(c));
  HGDIOBJ ob = SelectObject(a.dc, brush), op = SelectObject(a.dc, GetStockObject(NULL_PEN));
  std::vector<POINT> p(points);
  ::Polygon(a.dc, p.data(), (int)p.size());
  SelectObject(a.dc, op);
  SelectObject(a.dc, ob);
  DeleteObject(brush);
}

// The screen's font with only the height (and weight) changed, as the panes make theirs.
HFONT Font(int height, bool bold = false) {
  LOGFONTW lf = {};
  HDC screen = GetDC(nullptr);
  HGDIOBJ f = screen ? GetCurrentObject(screen, OBJ_FONT) : nullptr;
  if (!f) f = GetStockObject(SYSTEM_FONT);
  GetObjectW(f, sizeof lf, &lf);
  if (screen) ReleaseDC(nullptr, screen);
  lf.lfHeight = height;
  if (bold) lf.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&lf);
}

void Text(Art& a, const WCHAR* text, int l, int t, int r, int b, int height, Colour c,
          UINT format = DT_LEFT, bool bold = false) {
  HFONT font = Font(height, bold);
  HGDIOBJ old = SelectObject(a.dc, font);
  SetBkMode(a.dc, TRANSPARENT);
  SetTextColor(a.dc, Ref(c));
  RECT rc = {l, t, r, b};
  DrawTextW(a.dc, text, -1, &rc, format | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(a.dc, old);
  DeleteObject(font);
}

// ---- glyphs, drawn at a face's top-left corner (w × h) ----

typedef void (*Glyph)(Art& a, int x, int y, int w, int h, Colour c);

void PlayGlyph(Art& a, int x, int y, int, int, Colour c) { Polygon(a, {{x + 9, y + 6}, {x + 9, y + 19}, {x + 18, y + 12}}, c); }
void PauseGlyph(Art& a, int x, int y, int, int, Colour c) {
  Box(a, x + 8, y + 7, x + 11, y + 18, c);
  Box(a, x + 14, y + 7, x + 17, y + 18, c);
}
void StopGlyph(Art& a, int x, int y, int, int, Colour c) { Box(a, x + 8, y + 8, x + 17, y + 17, c); }
void PreviousGlyph(Art& a, int x, int y, int, int, Colour c) {
  Box(a, x + 3, y + 1, x + 4, y + 6, c);
  Polygon(a, {{x + 8, y + 1}, {x + 8, y + 6}, {x + 4, y + 3}}, c);
  Polygon(a, {{x + 12, y + 1}, {x + 12, y + 6}, {x + 8, y + 3}}, c);
}
void NextGlyph(Art& a, int x, int y, int, int, Colour c) {
  Polygon(a, {{x + 4, y + 1}, {x + 4, y + 6}, {x + 8, y + 3}}, c);
  Polygon(a, {{x + 8, y + 1}, {x + 8, y + 6}, {x + 12, y + 3}}, c);
  Box(a, x + 12, y + 1, x + 13, y + 6, c);
}

void Speaker(Art& a, int x, int y, Colour c) {
  Box(a, x + 2, y + 6, x + 5, y + 11, c);
  Polygon(a, {{x + 5, y + 6}, {x + 9, y + 2}, {x + 9, y + 15}, {x + 5, y + 11}}, c);
}
void SpeakerOn(Art& a, int x, int y) {
  Speaker(a, x, y, Cyan);
  Box(a, x + 11, y + 7, x + 12, y + 10, Cyan);
  Box(a, x + 13, y + 5, x + 14, y + 12, Cyan);
}
void SpeakerOff(Art& a, int x, int y) {
  Speaker(a, x, y, Label);
  for (int i = 0; i < 5; ++i) {
    Dot(a, x + 10 + i, y + 6 + i, Red);
    Dot(a, x + 11 + i, y + 6 + i, Red);
    Dot(a, x + 14 - i, y + 6 + i, Red);
    Dot(a, x + 15 - i, y + 6 + i, Red);
  }
}

// Playlist and equalizer button glyphs (18 × 17 / 18 × 18 faces).
void AddGlyph(Art& a, int x, int y, int, int, Colour c) {
  Box(a, x + 5, y + 8, x + 13, y + 10, c);
  Box(a, x + 8, y + 5, x + 10, y + 13, c);
}
void DeleteGlyph(Art& a, int x, int y, int, int, Colour c) { Box(a, x + 5, y + 8, x + 13, y + 10, c); }
void FolderGlyph(Art& a, int x, int y, int, int, Colour c) {
  Box(a, x + 4, y + 5, x + 8, y + 6, c);
  Box(a, x + 4, y + 6, x + 14, y + 13, c);
  Box(a, x + 5, y + 8, x + 13, y + 12, c == Cyan ? DeepCyan : Shade);
}
void SaveGlyph(Art& a, int x, int y, int, int, Colour c) {
  Box(a, x + 4, y + 4, x + 14, y + 14, c);
  Box(a, x + 6, y + 4, x + 12, y + 8, Face);
  Box(a, x + 6, y + 10, x + 12, y + 14, DeepCyan);
}
void LargeGlyph(Art& a, int x, int y, int, int, Colour c) {
  Polygon(a, {{x + 5, y + 6}, {x + 13, y + 6}, {x + 9, y + 2}}, c);
  Box(a, x + 5, y + 8, x + 13, y + 9, c);
  Polygon(a, {{x + 5, y + 11}, {x + 13, y + 11}, {x + 9, y + 15}}, c);
}
void SmallGlyph(Art& a, int x, int y, int, int, Colour c) {
  Polygon(a, {{x + 5, y + 2}, {x + 13, y + 2}, {x + 9, y + 6}}, c);
  Box(a, x + 5, y + 8, x + 13, y + 9, c);
  Polygon(a, {{x + 5, y + 15}, {x + 13, y + 15}, {x + 9, y + 11}}, c);
}
void EditGlyph(Art& a, int x, int y, int, int, Colour c) {
  for (int r = 0; r < 4; ++r) Box(a, x + 4, y + 4 + 3 * r, x + (r % 2 ? 11 : 14), y + 5 + 3 * r, c);
}
void UpGlyph(Art& a, int x, int y, int, int, Colour c) { Polygon(a, {{x + 1, y + 6}, {x + 7, y + 6}, {x + 4, y + 2}}, c); }
void DownGlyph(Art& a, int x, int y, int, int, Colour c) { Polygon(a, {{x + 1, y + 3}, {x + 7, y + 3}, {x + 4, y + 7}}, c); }
void ListGlyph(Art& a, int x, int y, int, int, Colour c) {
  for (int r = 0; r < 3; ++r) {
    Box(a, x + 4, y + 5 + 3 * r, x + 6, y + 7 + 3 * r, c);
    Box(a, x + 7, y + 5 + 3 * r, x + 14, y + 7 + 3 * r, c);
  }
}
void ReapplyGlyph(Art& a, int x, int y, int, int, Colour c) {
  Frame(a, x + 5, y + 5, x + 13, y + 13, c, c);
  Box(a, x + 10, y + 4, x + 14, y + 7, Face);
  Polygon(a, {{x + 10, y + 3}, {x + 10, y + 8}, {x + 14, y + 5}}, c);
}
void EqGlyph(Art& a, int x, int y, int, int, Colour c) {
  Box(a, x + 4, y + 4, x + 14, y + 14, c == Green ? Green : Ghost);
  Frame(a, x + 4, y + 4, x + 14, y + 14, Shade, Shade);
}

// A face with its glyph, raised or pressed (the glyph moves one pixel down-right).
void DrawFace(Art& a, int x, int y, int w, int h, bool pressed, Glyph g, Colour c) {
  Bevel(a, x, y, x + w, y + h, pressed);
  g(a, x + (pressed ? 1 : 0), y + (pressed ? 1 : 0), w, h, pressed ? White : c);
}

Art FaceArt(int w, int h, bool pressed, Glyph g, Colour c = Cyan) {
  Art a = Make(w, h, Panel);
  DrawFace(a, 0, 0, w, h, pressed, g, c);
  return a;
}

// ---- board ----

void GhostDigit(Art& a, int x, int y) {
  static const RECT kSeg[7] = BOARD_LARGE_SEGMENTS;
  for (const RECT& s : kSeg) Box(a, x + s.left, y + s.top, x + s.right, y + s.bottom, Ghost);
}

void Knob(Art& a, int w, int h) {
  Bevel(a, 0, 0, w, h, false);
  if (w > h) {
    for (int i = -2; i <= 2; i += 2) Box(a, w / 2 + i, 3, w / 2 + i + 1, h - 3, Cyan);
  } else {
    for (int i = -2; i <= 2; i += 2) Box(a, 1, h / 2 + i, w - 1, h / 2 + i + 1, Cyan);
  }
}

Art Board() {
  Art a = Make(BOARD_WIDTH, BOARD_HEIGHT, Panel);
  Frame(a, 0, 0, BOARD_WIDTH, BOARD_HEIGHT, Light, Shade);
  // Text line and status display.
  Well(a, 5, 4, 233, 25, Lcd);
  Well(a, 6, 29, 92, 80, Lcd);
  // Ghost segments where the lit ones appear.
  static const RECT kThin[7] = BOARD_THIN_SEGMENTS;
  for (const RECT& s : kThin) {
    int x0 = BOARD_HOUR_X + s.left, y0 = BOARD_HOUR_Y + s.top, x1 = BOARD_HOUR_X + s.right,
        y1 = BOARD_HOUR_Y + s.bottom;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (!(x == x1 && y == y1)) Dot(a, x, y, Ghost);  // the end point stays unlit
  }
  for (int d = 0; d < 2; ++d) {
    GhostDigit(a, BOARD_DIGITS_X + d * BOARD_DIGIT_STEP, BOARD_DIGITS_Y);
    GhostDigit(a, BOARD_DIGITS_X + BOARD_SECONDS_OFFSET + d * BOARD_DIGIT_STEP, BOARD_DIGITS_Y);
  }
  static const RECT kColon[2] = BOARD_COLON_DOTS;
  for (const RECT& s : kColon)
    Box(a, BOARD_DIGITS_X + BOARD_COLON_OFFSET + s.left, BOARD_DIGITS_Y + s.top,
        BOARD_DIGITS_X + BOARD_COLON_OFFSET + s.right, BOARD_DIGITS_Y + s.bottom, Ghost);
  Box(a, 20, 42, 25, 45, Ghost);
  // Units and the dim channel words that the board writes over in white.
  Text(a, u"kbps", 29, 54, 58, 64, -10, Cyan);
  Text(a, u"kHz", 73, 54, 92, 64, -10, Cyan);
  Text(a, u"mono", 16, 65, 51, 75, -10, Dim);
  Text(a, u"stereo", 56, 65, 86, 75, -10, Dim);
  // Transport faces that have no bitmap of their own.
  DrawFace(a, 104, 51, 25, 25, false, PlayGlyph, Cyan);
  DrawFace(a, 143, 51, 25, 25, false, StopGlyph, Cyan);
  DrawFace(a, 185, 67, 16, 7, false, PreviousGlyph, Cyan);
  DrawFace(a, 213, 67, 16, 7, false, NextGlyph, Cyan);
  Text(a, u"LUMTRAX", 98, 30, 170, 46, -13, Cyan, DT_CENTER, true);
  SpeakerOn(a, 171, 33);
  // Volume: a groove the knob covers whole, a rising wedge and ticks.
  Text(a, u"Vol", 198, 26, 233, 37, -10, Label);
  Well(a, 190, 46, 233, 48, Black);
  for (int x = 189; x <= 233; x += 11) Box(a, x + 3, 52, x + 4, 55, Label);
  // Position: groove along the knob's whole path, ticks above it.
  Well(a, 7, 89, 233, 92, Black);
  for (int x = 6; x <= 212; x += 206 / 4) Box(a, x + 11, 82, x + 12, 85, Label);
  // Titles, below the navigation buttons.
  Text(a, u"Titel", 185, 76, 229, 86, -10, Label, DT_CENTER);
  return a;
}

// ---- equalizer ----

Art Equalizer() {
  Art a = Make(240, 90, Panel);
  Frame(a, 0, 0, 240, 90, Light, Shade);
  DrawFace(a, 8, 8, 18, 18, false, EqGlyph, Ghost);
  DrawFace(a, 28, 8, 18, 18, false, ListGlyph, Cyan);
  DrawFace(a, 48, 8, 18, 18, false, ReapplyGlyph, Cyan);
  // Spectrum boxes: bars stand on y = 24 and reach 18 rows up.
  Well(a, 77, 6, 144, 25, Lcd);
  Well(a, 157, 6, 224, 25, Lcd);
  Text(a, u"L", 146, 6, 155, 16, -10, Label, DT_CENTER);
  Text(a, u"R", 226, 6, 236, 16, -10, Label, DT_CENTER);
  // Slots: knob centres run from row 34 (+20 dB) to 74 (−20 dB).
  auto slot = [&](int cx) {
    Well(a, cx - 1, 31, cx + 1, 78, Black);
    for (int row : {34, 54, 74}) {
      Box(a, cx - 5, row, cx - 3, row + 1, Label);
      Box(a, cx + 3, row, cx + 5, row + 1, Label);
    }
  };
  slot(24);
  for (int i = 0; i < 10; ++i) slot(78 + 16 * i);
  Text(a, u"+20", 33, 29, 70, 40, -10, Label, DT_CENTER);
  Text(a, u"0 dB", 33, 49, 70, 60, -10, Label, DT_CENTER);
  Text(a, u"-20", 33, 69, 70, 80, -10, Label, DT_CENTER);
  Text(a, u"Pre", 12, 79, 37, 89, -10, Label, DT_CENTER);
  static const WCHAR* const kBands[10] = {u"60", u"170", u"310", u"600", u"1K", u"3K", u"6K", u"12K", u"14K", u"16K"};
  for (int i = 0; i < 10; ++i) Text(a, kBands[i], 70 + 16 * i, 80, 87 + 16 * i, 89, -8, Label, DT_CENTER);
  return a;
}

Art SpectrumBar() {
  Art a = Make(3, 18, Green);
  Box(a, 0, 0, 3, 4, Red);
  Box(a, 0, 4, 3, 9, Yellow);
  return a;
}

// ---- playlist ----

struct PlaylistLook {
  int w, h;
  RECT list, track, up, down, about, total, favourites;
  POINT buttons[7];  // top-left of buttons 0 … 6 (4 and 5 share a place)
  bool large;
};

const PlaylistLook kSmall = {240, 79, {44, 5, 223, 61}, {229, 14, 234, 53}, {228, 4, 236, 13}, {228, 54, 236, 63},
                             {7, 66, 144, 73}, {180, 65, 223, 74}, {159, 64, 174, 74},
                             {{3, 5}, {23, 5}, {3, 25}, {23, 25}, {3, 45}, {3, 45}, {23, 45}}, false};
const PlaylistLook kLarge = {240, 169, {6, 26, 223, 151}, {229, 35, 234, 142}, {228, 25, 236, 34},
                             {228, 144, 236, 153}, {7, 156, 144, 163}, {180, 155, 223, 164}, {159, 155, 174, 164},
                             {{7, 4}, {27, 4}, {47, 4}, {67, 4}, {87, 4}, {87, 4}, {107, 4}}, true};

const Glyph kPlaylistGlyphs[7] = {AddGlyph, DeleteGlyph, FolderGlyph, SaveGlyph, LargeGlyph, SmallGlyph, EditGlyph};

void Star(Art& a, int x, int y, Colour c) {
  Polygon(a, {{x + 4, y}, {x + 5, y + 3}, {x + 8, y + 3}, {x + 6, y + 5}, {x + 7, y + 8}, {x + 4, y + 6},
              {x + 1, y + 8}, {x + 2, y + 5}, {x, y + 3}, {x + 3, y + 3}},
          c);
}

Art Playlist(const PlaylistLook& l) {
  Art a = Make(l.w, l.h, Panel);
  Frame(a, 0, 0, l.w, l.h, Light, Shade);
  for (int i = 0; i < 7; ++i) {
    if (i == (l.large ? 4 : 5)) continue;  // the other of the size pair shows here
    DrawFace(a, l.buttons[i].x, l.buttons[i].y, 18, 17, false, kPlaylistGlyphs[i], Cyan);
  }
  Well(a, l.list.left, l.list.top, l.list.right, l.list.bottom, Black);
  Well(a, l.track.left, l.track.top, l.track.right, l.track.bottom, Lcd);
  DrawFace(a, l.up.left, l.up.top, 8, 9, false, UpGlyph, Cyan);
  DrawFace(a, l.down.left, l.down.top, 8, 9, false, DownGlyph, Cyan);
  Text(a, u"Lumtrax v1.52 - Info", l.about.left, l.about.top - 2, l.about.right, l.about.bottom + 2, -9, Label);
  Well(a, l.total.left, l.total.top, l.total.right, l.total.bottom, Lcd);
  Well(a, l.favourites.left, l.favourites.top, l.favourites.right, l.favourites.bottom, Lcd);
  Star(a, l.favourites.left - 11, l.favourites.top + 1, Yellow);
  if (l.large) Text(a, u"Playlist", 130, 4, 222, 21, -13, Cyan, DT_RIGHT | DT_VCENTER, true);
  return a;
}

// ---- file chooser icons: folder, audio, playlist, other; magenta is clear ----

Art ChooserIcons() {
  Art a = Make(64, 15, Mask);
  // Folder.
  Box(a, 1, 2, 7, 4, Yellow);
  Box(a, 1, 4, 15, 13, Yellow);
  Frame(a, 1, 4, 15, 13, Yellow, Shade);
  auto page = [&](int x, Colour c) {
    Box(a, x + 3, 1, x + 13, 14, c);
    Frame(a, x + 3, 1, x + 13, 14, Shade, Shade);
  };
  // Audio: a note on a page.
  page(16, White);
  Box(a, 16 + 9, 3, 16 + 10, 10, Black);
  Box(a, 16 + 6, 9, 16 + 10, 12, Black);
  Box(a, 16 + 10, 3, 16 + 12, 5, Black);
  // Playlist: a page of lines.
  page(32, White);
  for (int r = 0; r < 4; ++r) Box(a, 32 + 5, 4 + 2 * r + r, 32 + 11, 5 + 2 * r + r, Cyan);
  // Anything else: a plain page.
  page(48, Label);
  return a;
}

// ---- pictures ----

void Bars(Art& a, int l, int bottom, int count, int height) {
  for (int i = 0; i < count; ++i) {
    int h = (int)(height * (0.35 + 0.65 * ((i * 37 + 11) % 17) / 16.0));
    for (int y = 0; y < h; ++y) {
      Colour c = y > height * 3 / 4 ? Red : y > height / 2 ? Yellow : Green;
      Box(a, l + i * 5, bottom - y - 1, l + i * 5 + 4, bottom - y, c);
    }
  }
}

Art Picture(int w, int h, const WCHAR* title, const WCHAR* subtitle, int titleHeight) {
  Art a = Make(w, h, Panel);
  Frame(a, 0, 0, w, h, Light, Shade);
  Well(a, 6, 6, w - 6, h - 6, Lcd);
  int barsHeight = h / 3;
  Bars(a, 10, h - 10, (w - 20) / 5, barsHeight);
  int top = 8;
  Text(a, title, 6, top, w - 6, top - titleHeight + 4, titleHeight, Cyan, DT_CENTER, true);
  if (subtitle) Text(a, subtitle, 6, top - titleHeight + 4, w - 6, top - titleHeight + 18, -11, Label, DT_CENTER);
  return a;
}

Art Icon() {
  Art a = Make(32, 32, Black);
  Box(a, 1, 1, 31, 31, Panel);
  Frame(a, 1, 1, 31, 31, Light, Shade);
  Polygon(a, {{7, 6}, {7, 20}, {19, 13}}, Cyan);
  for (int i = 0; i < 4; ++i) Box(a, 7 + i * 5, 26 - (i + 1) * 1 - i * 1, 11 + i * 5, 27, i == 3 ? Yellow : Green);
  return a;
}

// The same icon at a desktop theme's size; magenta is clear.
Art DesktopIcon(int s) {
  Art a = Make(s, s, Mask);
  auto k = [s](int v) { return (v * s + 16) / 32; };
  Box(a, k(1), k(1), k(31), k(31), Panel);
  for (int i = 0; i < (s + 31) / 32; ++i) Frame(a, k(1) + i, k(1) + i, k(31) - i, k(31) - i, Light, Shade);
  Polygon(a, {{k(7), k(6)}, {k(7), k(20)}, {k(19), k(13)}}, Cyan);
  for (int i = 0; i < 4; ++i) Box(a, k(7 + i * 5), k(25 - 2 * i), k(11 + i * 5), k(27), i == 3 ? Yellow : Green);
  return a;
}

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

std::vector<unsigned char> Png(const Art& a) {
  std::vector<unsigned char> rgba((size_t)a.w * a.h * 4);
  for (int i = 0; i < a.w * a.h; ++i) {
    DWORD c = a.px[i] & 0xFFFFFF;
    rgba[4 * i] = c >> 16 & 255;
    rgba[4 * i + 1] = c >> 8 & 255;
    rgba[4 * i + 2] = c & 255;
    rgba[4 * i + 3] = c == kPalette[Mask] ? 0 : 255;
    if (c == kPalette[Mask]) rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = 0;
  }
  png_image img = {};
  img.version = PNG_IMAGE_VERSION;
  img.width = a.w;
  img.height = a.h;
  img.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&img, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
  std::vector<unsigned char> out(size);
  if (!png_image_write_to_memory(&img, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

// ---- files ----

struct Output {
  const char* folder;  // under the root
  const char* name;
  Art (*draw)();
};

Art PlayPressed() { return FaceArt(25, 25, true, PlayGlyph); }
Art PauseNormal() { return FaceArt(25, 25, false, PauseGlyph); }
Art PausePressed() { return FaceArt(25, 25, true, PauseGlyph); }
Art StopPressed() { return FaceArt(25, 25, true, StopGlyph); }
Art PreviousPressed() { return FaceArt(16, 7, true, PreviousGlyph); }
Art NextPressed() { return FaceArt(16, 7, true, NextGlyph); }
Art SpeakerMuted() {
  Art a = Make(17, 17, Panel);
  SpeakerOff(a, 0, 0);
  return a;
}
Art PositionKnob() {
  Art a = Make(22, 11, Panel);
  Knob(a, 22, 11);
  return a;
}
Art VolumeKnob() {
  Art a = Make(6, 13, Panel);
  Knob(a, 6, 13);
  return a;
}
Art EqualizerKnob() {
  Art a = Make(9, 9, Panel);
  Knob(a, 9, 9);
  return a;
}
Art SmallPlaylist() { return Playlist(kSmall); }
Art LargePlaylist() { return Playlist(kLarge); }
Art PresetPressed() { return FaceArt(18, 18, true, ListGlyph); }
Art ReapplyPressed() { return FaceArt(18, 18, true, ReapplyGlyph); }
Art EqualizerOn() {
  Art a = Make(18, 18, Panel);
  Bevel(a, 0, 0, 18, 18, false);
  EqGlyph(a, 0, 0, 18, 18, Green);
  return a;
}
Art AddPressed() { return FaceArt(18, 17, true, AddGlyph); }
Art DeletePressed() { return FaceArt(18, 17, true, DeleteGlyph); }
Art OpenPressed() { return FaceArt(18, 17, true, FolderGlyph); }
Art SavePressed() { return FaceArt(18, 17, true, SaveGlyph); }
Art LargePressed() { return FaceArt(18, 17, true, LargeGlyph); }
Art SmallPressed() { return FaceArt(18, 17, true, SmallGlyph); }
Art EditPressed() { return FaceArt(18, 17, true, EditGlyph); }
Art UpPressed() { return FaceArt(8, 9, true, UpGlyph); }
Art DownPressed() { return FaceArt(8, 9, true, DownGlyph); }
Art Welcome() { return Picture(200, 150, u"Lumtrax", u"MPEG Audio Player v1.52", -30); }
Art DeviceSetup() { return Picture(160, 56, u"Lumtrax", nullptr, -22); }
Art DesktopWelcome() { return Picture(200, 100, u"Lumtrax", u"Setup - German Edition", -26); }
Art DesktopBanner() { return Picture(200, 60, u"Lumtrax", nullptr, -24); }

const char kPlayer[] = "player/resources/bitmaps";
const Output kOutputs[] = {
    {kPlayer, "102_equalizer", Equalizer},       {kPlayer, "103_eqknob", EqualizerKnob},
    {kPlayer, "104_board", Board},               {kPlayer, "108_positionknob", PositionKnob},
    {kPlayer, "114_playpressed", PlayPressed},   {kPlayer, "115_pause", PauseNormal},
    {kPlayer, "116_pausepressed", PausePressed}, {kPlayer, "117_stoppressed", StopPressed},
    {kPlayer, "119_prevpressed", PreviousPressed}, {kPlayer, "120_nextpressed", NextPressed},
    {kPlayer, "121_soundoff", SpeakerMuted},     {kPlayer, "122_volumeknob", VolumeKnob},
    {kPlayer, "124_playlistsmall", SmallPlaylist}, {kPlayer, "128_presetpressed", PresetPressed},
    {kPlayer, "130_reapplypressed", ReapplyPressed}, {kPlayer, "136_equalizeron", EqualizerOn},
    {kPlayer, "139_addpressed", AddPressed},     {kPlayer, "141_deletepressed", DeletePressed},
    {kPlayer, "145_openpressed", OpenPressed},   {kPlayer, "146_savepressed", SavePressed},
    {kPlayer, "150_chooser", ChooserIcons},      {kPlayer, "152_analyserbar", SpectrumBar},
    {kPlayer, "156_welcome", Welcome},           {kPlayer, "163_playlistlarge", LargePlaylist},
    {kPlayer, "164_largepressed", LargePressed}, {kPlayer, "165_smallpressed", SmallPressed},
    {kPlayer, "166_editpressed", EditPressed},   {kPlayer, "167_uppressed", UpPressed},
    {kPlayer, "168_downpressed", DownPressed},
    {"setup/device/resources", "158_setup", DeviceSetup},
    {"setup/desktop/resources", "130_welcome", DesktopWelcome},
    {"setup/desktop/resources", "137_banner", DesktopBanner},
    {"setup/desktop/resources", "128_icon", Icon},
};

int Nearest(DWORD rgb) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 16; ++i) {
    long dr = (long)((rgb >> 16) & 255) - ((kPalette[i] >> 16) & 255);
    long dg = (long)((rgb >> 8) & 255) - ((kPalette[i] >> 8) & 255);
    long db = (long)(rgb & 255) - (kPalette[i] & 255);
    long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

void Put16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(v & 255);
  b.push_back(v >> 8 & 255);
}
void Put32(std::vector<unsigned char>& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// 4 bits per pixel, 16-colour palette, rows bottom-up.
std::vector<unsigned char> Bmp(const Art& a) {
  int stride = ((a.w + 1) / 2 + 3) & ~3;
  unsigned offset = 14 + 40 + 16 * 4, size = offset + stride * a.h;
  std::vector<unsigned char> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, size);
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, a.w);
  Put32(b, a.h);
  Put16(b, 1);
  Put16(b, 4);
  Put32(b, 0);
  Put32(b, stride * a.h);
  Put32(b, 3780);
  Put32(b, 3780);
  Put32(b, 16);
  Put32(b, 16);
  for (DWORD c : kPalette) Put32(b, c);
  for (int y = a.h - 1; y >= 0; --y) {
    std::vector<unsigned char> row(stride, 0);
    for (int x = 0; x < a.w; ++x) row[x / 2] |= Nearest(a.px[y * a.w + x] & 0xFFFFFF) << (x % 2 ? 0 : 4);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::vector<unsigned char> b;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return b;
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
  fclose(f);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  bool check = false;
  std::string root = LUMTRAX_SOURCE_DIR;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--check"))
      check = true;
    else if (!strcmp(argv[i], "--root") && i + 1 < argc)
      root = argv[++i];
    else {
      fprintf(stderr, "usage: lumtrax-skin [--check] [--root DIR]\n");
      return 2;
    }
  }
  int differ = 0;
  for (const Output& o : kOutputs) {
    Art a = o.draw();
    std::vector<unsigned char> bmp = Bmp(a);
    Free(a);
    std::string path = root + "/" + o.folder + "/" + o.name + ".bmp";
    if (check) {
      if (ReadAll(path) != bmp) {
        printf("differs: %s\n", path.c_str());
        ++differ;
      }
      continue;
    }
    std::filesystem::create_directories(root + "/" + o.folder);
    std::string tmp = path + ".tmp";
    FILE* f = fopen(tmp.c_str(), "wb");
    if (!f || fwrite(bmp.data(), 1, bmp.size(), f) != bmp.size() || fclose(f) != 0 ||
        rename(tmp.c_str(), path.c_str()) != 0) {
      fprintf(stderr, "lumtrax-skin: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  for (int size : kIconSizes) {
    Art a = DesktopIcon(size);
    std::vector<unsigned char> png = Png(a);
    Free(a);
    std::string folder = root + "/player/resources/icons/hicolor/" + std::to_string(size) + "x" +
                         std::to_string(size) + "/apps";
    std::string path = folder + "/lumtrax.png";
    if (check) {
      if (png.empty() || ReadAll(path) != png) {
        printf("differs: %s\n", path.c_str());
        ++differ;
      }
      continue;
    }
    std::filesystem::create_directories(folder);
    std::string tmp = path + ".tmp";
    FILE* f = fopen(tmp.c_str(), "wb");
    if (png.empty() || !f || fwrite(png.data(), 1, png.size(), f) != png.size() || fclose(f) != 0 ||
        rename(tmp.c_str(), path.c_str()) != 0) {
      fprintf(stderr, "lumtrax-skin: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return differ ? 1 : 0;
}
