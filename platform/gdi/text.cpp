// Text through FreeType with the Tahoma-metric faces of Wine's fonts (DejaVu
// Sans when they are absent), so texts measure as on the device: fonts,
// measurement, ExtTextOutW and DrawTextW. A character the face lacks comes
// from DejaVu Sans, then Noto Sans CJK when installed, else is drawn as a box:
// tag text from anywhere must never vanish.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

#include "gdiobj.h"

namespace lx {

namespace {

// The device's default: 8 points at 96 dots per inch.
constexpr int kSystemFontHeight = -11;

struct Glyph {
  int width = 0, rows = 0, left = 0, top = 0, advance = 0;
  std::vector<uint8_t> alpha;
};

struct FontCache {
  FT_Library lib = nullptr;
  bool tried = false;
  bool fallbacksTried = false;
  FT_Face faces[4] = {};  // regular, bold, oblique, bold oblique
  // Fallbacks per weight (regular, bold), tried in order after the face itself.
  FT_Face fallbacks[2][2] = {};  // [weight][DejaVu Sans, Noto Sans CJK]
  std::map<std::tuple<int, int, bool, char32_t>, Glyph> glyphs;
};

FontCache& Fc() {
  static FontCache f;
  return f;
}

// LUMTRAX_FONT_DIR names a folder to take the faces from (tests, other fonts).
std::string FontDir(const char* fallback) {
  const char* d = getenv("LUMTRAX_FONT_DIR");
  return d && *d ? d : fallback;
}

bool LoadSet(const std::string& dir, const char* const files[4]) {
  auto& f = Fc();
  for (int i = 0; i < 4; ++i) {
    std::string path = dir + "/" + (files[i] ? files[i] : "");
    if (!files[i] || FT_New_Face(f.lib, path.c_str(), 0, &f.faces[i])) f.faces[i] = nullptr;
  }
  return f.faces[0] != nullptr;
}

void LoadFaces() {
  auto& f = Fc();
  if (f.tried) return;
  f.tried = true;
  if (FT_Init_FreeType(&f.lib)) return;
  // Tahoma has no italic: oblique styles fall back to upright.
  static const char* const kTahoma[4] = {"tahoma.ttf", "tahomabd.ttf", nullptr, nullptr};
  static const char* const kDejaVu[4] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
                                         "DejaVuSans-BoldOblique.ttf"};
  if (!LoadSet(FontDir("/usr/share/wine/fonts"), kTahoma))
    LoadSet(FontDir("/usr/share/fonts/truetype/dejavu"), kDejaVu);
  if (!f.faces[1]) f.faces[1] = f.faces[0];
  if (!f.faces[2]) f.faces[2] = f.faces[0];
  if (!f.faces[3]) f.faces[3] = f.faces[1];
}

// Only when a character is missing from the face: the CJK faces alone map
// about 2 MB, and most programs never show a character from them.
void LoadFallbacks() {
  auto& f = Fc();
  if (f.fallbacksTried || !f.lib) return;
  f.fallbacksTried = true;
  static const char* kFallbacks[2][2][3] = {
      {{"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
       {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
        "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc"}},
      {{"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"},
       {"/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc",
        "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"}},
  };
  for (int w = 0; w < 2; ++w)
    for (int k = 0; k < 2; ++k)
      for (const char* file : kFallbacks[w][k]) {
        if (!file || f.fallbacks[w][k]) continue;
        if (FT_New_Face(f.lib, file, 0, &f.fallbacks[w][k])) f.fallbacks[w][k] = nullptr;
      }
}

int StyleOf(const LOGFONTW& lf) { return (lf.lfWeight >= FW_SEMIBOLD ? 1 : 0) + (lf.lfItalic ? 2 : 0); }

// Em size in pixels: a negative height is the character height, a positive
// one the cell height (ascent plus descent).
int EmPixels(const LOGFONTW& lf, FT_Face face) {
  int h = lf.lfHeight ? lf.lfHeight : kSystemFontHeight;
  if (h < 0) return std::clamp(-h, 1, 400);
  if (!face) return std::clamp(h, 1, 400);
  int cell = face->ascender - face->descender;
  return std::clamp((int)((long)h * face->units_per_EM / cell), 1, 400);
}

FT_Face Sized(const LOGFONTW& lf) {
  LoadFaces();
  FT_Face face = Fc().faces[StyleOf(lf)];
  if (face) FT_Set_Pixel_Sizes(face, 0, EmPixels(lf, face));
  return face;
}

bool Mono(const LOGFONTW& lf) { return lf.lfQuality == NONANTIALIASED_QUALITY; }

// The first face of the chain that has the character, sized like the
// font's own; null when none has it.
FT_Face FaceFor(const LOGFONTW& lf, FT_Face face, int em, char32_t ch) {
  if (FT_Get_Char_Index(face, ch)) return face;
  LoadFallbacks();
  for (FT_Face f : Fc().fallbacks[StyleOf(lf) & 1])
    if (f && FT_Get_Char_Index(f, ch)) {
      FT_Set_Pixel_Sizes(f, 0, em);
      return f;
    }
  return nullptr;
}

// An outlined box a little narrower than the em, standing on the baseline.
Glyph BoxGlyph(int em) {
  Glyph g;
  g.advance = std::max(4, em * 3 / 5);
  g.width = g.advance - 2;
  g.rows = std::max(3, em * 7 / 10);
  g.left = 1;
  g.top = g.rows;
  g.alpha.assign((size_t)g.width * g.rows, 0);
  for (int y = 0; y < g.rows; ++y)
    for (int x = 0; x < g.width; ++x)
      if (y == 0 || y == g.rows - 1 || x == 0 || x == g.width - 1) g.alpha[(size_t)y * g.width + x] = 255;
  return g;
}

const Glyph& GlyphOf(const LOGFONTW& lf, char32_t ch) {
  FT_Face face = Sized(lf);
  int em = EmPixels(lf, face);
  auto key = std::make_tuple(StyleOf(lf), em, Mono(lf), ch);
  auto& cache = Fc().glyphs;
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  Glyph g;
  // Control characters keep the face's own empty glyph.
  if (face && ch >= 0x20) {
    face = FaceFor(lf, face, em, ch);
    if (!face) return cache.emplace(key, BoxGlyph(em)).first->second;
  }
  if (face) {
    FT_Int32 flags = FT_LOAD_RENDER | (Mono(lf) ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (!FT_Load_Char(face, ch, flags)) {
      FT_GlyphSlot s = face->glyph;
      FT_Bitmap& b = s->bitmap;
      g.width = b.width;
      g.rows = b.rows;
      g.left = s->bitmap_left;
      g.top = s->bitmap_top;
      g.advance = (int)((s->advance.x + 32) >> 6);
      g.alpha.resize((size_t)g.width * g.rows);
      for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.width; ++x) {
          const uint8_t* row = b.buffer + (ptrdiff_t)y * b.pitch;
          g.alpha[(size_t)y * g.width + x] =
              b.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x / 8] >> (7 - x % 8)) & 1) * 255 : row[x];
        }
    }
  } else {
    g.advance = std::max(1, em / 2);
  }
  return cache.emplace(key, std::move(g)).first->second;
}

// UTF-16 to code points; an unpaired surrogate (such as a host name's
// escaped byte) shows as the replacement character.
char32_t NextChar(const WCHAR* s, int count, int& i) {
  char32_t c = s[i++];
  if (c >= 0xD800 && c < 0xDC00 && i < count && s[i] >= 0xDC00 && s[i] < 0xE000)
    c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
  else if (c >= 0xD800 && c < 0xE000)
    c = 0xFFFD;
  return c;
}

}  // namespace

LOGFONTW SystemLogFont() {
  LOGFONTW lf{};
  lf.lfHeight = kSystemFontHeight;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  const char16_t name[] = u"Tahoma";
  std::copy(std::begin(name), std::end(name), lf.lfFaceName);
  return lf;
}

FontMetrics MetricsOf(const LOGFONTW& lf) {
  FT_Face face = Sized(lf);
  FontMetrics m{};
  if (face) {
    m.ascent = (int)((face->size->metrics.ascender + 63) >> 6);
    m.descent = (int)((-face->size->metrics.descender + 63) >> 6);
    m.maxWidth = (int)((face->size->metrics.max_advance + 63) >> 6);
  } else {
    int em = EmPixels(lf, nullptr);
    m.ascent = em;
    m.descent = em / 4;
    m.maxWidth = em;
  }
  m.height = m.ascent + m.descent;
  m.aveWidth = GlyphOf(lf, U'x').advance;
  return m;
}

int TextWidth(const LOGFONTW& lf, const WCHAR* text, int count, int* advances) {
  int w = 0;
  for (int i = 0; i < count;) {
    int start = i;
    w += GlyphOf(lf, NextChar(text, count, i)).advance;
    if (advances)
      for (int k = start; k < i; ++k) advances[k] = w;
  }
  return w;
}

void DrawGlyphs(DeviceContext& dc, const LOGFONTW& lf, int x, int y, const WCHAR* text, int count, uint32_t color) {
  FontMetrics m = MetricsOf(lf);
  int baseline = y + m.ascent;
  int pen = x;
  for (int i = 0; i < count;) {
    const Glyph& g = GlyphOf(lf, NextChar(text, count, i));
    for (int row = 0; row < g.rows; ++row)
      for (int col = 0; col < g.width; ++col) {
        int a = g.alpha[(size_t)row * g.width + col];
        if (a) BlendPixel(dc, pen + g.left + col, baseline - g.top + row, color, a);
      }
    pen += g.advance;
  }
  if (lf.lfUnderline)
    for (int px = x; px < pen; ++px) BlendPixel(dc, px, baseline + 1, color, 255);
  if (lf.lfStrikeOut)
    for (int px = x; px < pen; ++px) BlendPixel(dc, px, baseline - m.ascent / 3, color, 255);
}

}  // namespace lx

using namespace lx;

namespace {

LOGFONTW FontOf(DeviceContext* dc) { return dc->s.font ? dc->s.font->font : SystemLogFont(); }

// One line of DrawTextW: its text with the prefix marks removed, and the
// position of the character to underline (-1 for none).
struct TextLine {
  std::u16string text;
  int underline = -1;
};

TextLine StripPrefix(const std::u16string& s, bool prefix) {
  TextLine l;
  if (!prefix) {
    l.text = s;
    return l;
  }
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&') l.underline = (int)l.text.size();
    }
    l.text += s[i];
  }
  return l;
}

// Splits at line breaks and, with DT_WORDBREAK, between words to fit width.
std::vector<std::u16string> BreakLines(const LOGFONTW& lf, const std::u16string& s, UINT format, int width) {
  std::vector<std::u16string> out;
  if (format & DT_SINGLELINE) {
    std::u16string t;
    for (WCHAR c : s)
      if (c != u'\r' && c != u'\n') t += c;
    out.push_back(t);
    return out;
  }
  std::u16string para;
  auto flush = [&](const std::u16string& p) {
    if (!(format & DT_WORDBREAK)) {
      out.push_back(p);
      return;
    }
    std::u16string line;
    size_t i = 0;
    while (i < p.size()) {
      size_t j = i;
      while (j < p.size() && p[j] != u' ') ++j;
      while (j < p.size() && p[j] == u' ') ++j;
      std::u16string word = p.substr(i, j - i);
      std::u16string trial = line + word;
      size_t trimmed = trial.find_last_not_of(u' ');
      int w = TextWidth(lf, trial.data(), (int)(trimmed == std::u16string::npos ? 0 : trimmed + 1), nullptr);
      if (!line.empty() && w > width) {
        out.push_back(line.substr(0, line.find_last_not_of(u' ') + 1));
        line = word;
      } else {
        line = trial;
      }
      i = j;
    }
    size_t t = line.find_last_not_of(u' ');
    out.push_back(t == std::u16string::npos ? std::u16string() : line.substr(0, t + 1));
  };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' || s[i] == u'\n') {
      flush(para);
      para.clear();
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
    } else {
      para += s[i];
    }
  }
  flush(para);
  return out;
}

}  // namespace

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !size || count < 0 || (count && !text)) return FALSE;
  LOGFONTW lf = FontOf(dc);
  size->cx = TextWidth(lf, text, count, nullptr);
  size->cy = MetricsOf(lf).height;
  return TRUE;
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !size || count < 0 || (count && !text)) return FALSE;
  LOGFONTW lf = FontOf(dc);
  std::vector<int> adv(count + 1);
  size->cx = TextWidth(lf, text, count, adv.data());
  size->cy = MetricsOf(lf).height;
  if (dx) std::copy_n(adv.begin(), count, dx);
  if (fit) {
    int n = 0;
    while (n < count && adv[n] <= maxExtent) ++n;
    *fit = n;
  }
  return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW tm) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !tm) return FALSE;
  LOGFONTW lf = FontOf(dc);
  FontMetrics m = MetricsOf(lf);
  *tm = TEXTMETRICW{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = std::max(0, m.height - std::abs(lf.lfHeight ? (int)lf.lfHeight : 11));
  tm->tmAveCharWidth = m.aveWidth;
  tm->tmMaxCharWidth = m.maxWidth;
  tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = u'?';
  tm->tmBreakChar = u' ';
  tm->tmItalic = lf.lfItalic;
  tm->tmUnderlined = lf.lfUnderline;
  tm->tmStruckOut = lf.lfStrikeOut;
  tm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  tm->tmCharSet = lf.lfCharSet;
  return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int*) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  LOGFONTW lf = FontOf(dc);
  auto savedClip = dc->s.clip;
  if (rect && (options & ETO_OPAQUE)) {
    RECT r = *rect;
    OffsetRect(&r, dc->origin.x, dc->origin.y);
    FillSurfaceRect(*dc, r, PixelOf(dc->s.bkColor));
  }
  if (rect && (options & ETO_CLIPPED)) IntersectDCClip(hdc, *rect);
  if (text && count) {
    int ox = x + dc->origin.x, oy = y + dc->origin.y;
    if (dc->s.bkMode == OPAQUE) {
      RECT cell{ox, oy, ox + TextWidth(lf, text, (int)count, nullptr), oy + MetricsOf(lf).height};
      FillSurfaceRect(*dc, cell, PixelOf(dc->s.bkColor));
    }
    DrawGlyphs(*dc, lf, ox, oy, text, (int)count, PixelOf(dc->s.textColor));
  }
  dc->s.clip = savedClip;
  return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  std::lock_guard lock(GdiLock());
  DeviceContext* dc = GetDC_(hdc);
  if (!dc || !rect || !text) return 0;
  if (count < 0) count = lstrlenW(text);
  LOGFONTW lf = FontOf(dc);
  FontMetrics m = MetricsOf(lf);
  std::u16string s(text, text + count);
  int width = rect->right - rect->left;
  auto raw = BreakLines(lf, s, format, width);
  std::vector<TextLine> lines;
  int widest = 0;
  for (auto& r : raw) {
    lines.push_back(StripPrefix(r, !(format & DT_NOPREFIX)));
    TextLine& l = lines.back();
    if ((format & DT_END_ELLIPSIS) && (format & DT_SINGLELINE)) {
      int w = TextWidth(lf, l.text.data(), (int)l.text.size(), nullptr);
      if (w > width) {
        std::u16string dots = u"...";
        while (!l.text.empty() &&
               TextWidth(lf, (l.text + dots).data(), (int)(l.text.size() + 3), nullptr) > width)
          l.text.pop_back();
        l.text += dots;
      }
    }
    widest = std::max(widest, TextWidth(lf, l.text.data(), (int)l.text.size(), nullptr));
  }
  int total = m.height * (int)lines.size();
  if (format & DT_CALCRECT) {
    if (!(format & DT_WORDBREAK) || lines.size() <= 1) rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  auto savedClip = dc->s.clip;
  if (!(format & DT_NOCLIP)) IntersectDCClip(hdc, *rect);
  int y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - m.height) / 2;
    else if (format & DT_BOTTOM) y = rect->bottom - m.height;
  }
  uint32_t color = PixelOf(dc->s.textColor);
  for (auto& l : lines) {
    int w = TextWidth(lf, l.text.data(), (int)l.text.size(), nullptr);
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (width - w) / 2;
    else if (format & DT_RIGHT) x = rect->right - w;
    int ox = x + dc->origin.x, oy = y + dc->origin.y;
    if (dc->s.bkMode == OPAQUE) FillSurfaceRect(*dc, RECT{ox, oy, ox + w, oy + m.height}, PixelOf(dc->s.bkColor));
    DrawGlyphs(*dc, lf, ox, oy, l.text.data(), (int)l.text.size(), color);
    if (l.underline >= 0) {
      int ux = TextWidth(lf, l.text.data(), l.underline, nullptr);
      int uw = TextWidth(lf, l.text.data() + l.underline, 1, nullptr);
      for (int px = 0; px < uw; ++px) BlendPixel(*dc, ox + ux + px, oy + m.ascent + 1, color, 255);
    }
    y += m.height;
  }
  dc->s.clip = savedClip;
  return total;
}
