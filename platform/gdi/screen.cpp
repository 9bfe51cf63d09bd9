// The device screen: top-level windows in their order over the desktop, the
// task bar with the active window's title and the time, the wait cursor. The
// desktop profile has no bars; its captioned windows wear a caption strip.
#include <cmath>
#include <cstring>
#include <ctime>

#include "../user/lxdisplay.h"
#include "../user/lxwin.h"
#include "gdiobj.h"
#include "lxprogram.h"
#include "lxuser.h"

namespace lx {

HBITMAP AddBitmapSurface(std::shared_ptr<Surface> s, int bitsPerPixel);

namespace {

constexpr ScreenProfile kHandheld{240, 320, 26, 26, 0};
constexpr ScreenProfile kDesktopScreen{800, 600, 0, 0, 20};
const ScreenProfile* gProfile = &kHandheld;

constexpr uint32_t kDesktop = 0xFFFFFF;
constexpr uint32_t kTaskBar = 0x0A246A;
constexpr uint32_t kMenuStrip = 0xD4D0C8;

void Blit(Surface& out, const Surface& s, int x, int y) {
  for (int row = 0; row < s.height; ++row) {
    int oy = y + row;
    if (oy < 0 || oy >= out.height) continue;
    int from = std::max(0, -x), to = std::min(s.width, out.width - x);
    if (from >= to) continue;
    memcpy(&out.px[(size_t)oy * out.width + x + from], &s.px[(size_t)row * s.width + from],
           (size_t)(to - from) * 4);
  }
}

// A strip in the bar's colour for white bold text, drawn off screen. Only
// the composing thread uses it (under the GDI lock).
struct Strip {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  std::shared_ptr<Surface> surface;
};

Strip& StripOf(int width, int height) {
  static Strip strip;
  if (!strip.dc) {
    strip.dc = CreateCompatibleDC(nullptr);
    LOGFONTW lf = SystemLogFont();
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    SelectObject(strip.dc, CreateFontIndirectW(&lf));
    SetBkMode(strip.dc, TRANSPARENT);
    SetTextColor(strip.dc, RGB(255, 255, 255));
  }
  if (!strip.surface || strip.surface->width != width || strip.surface->height != height) {
    HBITMAP old = strip.bitmap;
    strip.surface = MakeSurface(width, height, kTaskBar);
    strip.bitmap = AddBitmapSurface(strip.surface, 32);
    SelectObject(strip.dc, strip.bitmap);
    if (old) DeleteObject(old);
  }
  std::fill(strip.surface->px.begin(), strip.surface->px.end(), kTaskBar);
  return strip;
}

void DrawCaption(Surface& out, const std::u16string& title, const RECT& window) {
  int width = window.right - window.left, height = gProfile->caption;
  if (width <= 0) return;
  Strip& strip = StripOf(width, height);
  RECT text{6, 0, width - 6, height};
  DrawTextW(strip.dc, title.c_str(), (int)title.size(), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  Blit(out, *strip.surface, window.left, window.top - height);
}

void DrawTaskBar(Surface& out, const std::u16string& title) {
  const int kScreenWidth = gProfile->width, kTaskBarHeight = gProfile->taskBar;
  Strip& strip = StripOf(kScreenWidth, kTaskBarHeight);
  HDC dc = strip.dc;
  time_t now = time(nullptr);
  struct tm tmv;
  localtime_r(&now, &tmv);
  char clock[8];
  snprintf(clock, sizeof clock, "%02d:%02d", tmv.tm_hour, tmv.tm_min);
  WCHAR wclock[8];
  int n = 0;
  for (; clock[n]; ++n) wclock[n] = clock[n];
  wclock[n] = 0;
  RECT right{0, 0, kScreenWidth - 6, kTaskBarHeight};
  DrawTextW(dc, wclock, -1, &right, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SIZE clockSize;
  GetTextExtentPoint32W(dc, wclock, n, &clockSize);
  RECT left{6, 0, kScreenWidth - 12 - clockSize.cx, kTaskBarHeight};
  DrawTextW(dc, title.c_str(), (int)title.size(), &left,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  Blit(out, *strip.surface, 0, 0);
}

// The device shows a spinning wheel in the middle of the screen while busy.
void DrawWaitCursor(Surface& out) {
  int cx = out.width / 2, cy = out.height / 2;
  for (int y = -16; y <= 16; ++y)
    for (int x = -16; x <= 16; ++x) {
      double d = std::sqrt(double(x * x + y * y));
      if (d > 15.5 || d < 9.5) continue;
      double a = std::atan2(double(y), double(x));
      int segment = (int)std::floor((a + M_PI) / (M_PI / 4)) % 8;
      uint32_t px = d > 14.5 || d < 10.5 ? 0x000000 : (segment % 2 ? 0x0A246A : 0xE0E0FF);
      out.px[(size_t)(cy + y) * out.width + cx + x] = px;
    }
}

}  // namespace

const ScreenProfile& Screen() { return *gProfile; }

void ComposeScreen(Surface& out) {
  const int kScreenWidth = gProfile->width, kScreenHeight = gProfile->height;
  if (out.width != kScreenWidth || out.height != kScreenHeight) {
    out.width = kScreenWidth;
    out.height = kScreenHeight;
    out.px.resize((size_t)kScreenWidth * kScreenHeight);
  }
  if (gDisplayOff) {
    std::fill(out.px.begin(), out.px.end(), 0);
    return;
  }
  struct Layer {
    std::shared_ptr<Surface> s;
    int x, y;
    bool caption;
    std::u16string title;
  };
  std::vector<Layer> layers;
  std::u16string title;
  bool wait;
  {
    std::lock_guard lock(UserLock());
    for (HWND h : TopLevels()) {
      Window* w = GetWin(h);
      if (w && (w->style & WS_VISIBLE) && w->surface)
        layers.push_back({w->surface, w->rect.left, w->rect.top, (w->style & WS_CAPTION) == WS_CAPTION, w->text});
    }
    if (Window* f = GetWin(ForegroundLocked())) {
      title = f->text;
      // A dialog without a title of its own shows its owner's.
      if (title.empty() && f->owner)
        if (Window* o = GetWin(f->owner)) title = o->text;
    }
    wait = CurrentCursor() == gWaitCursor;
  }
  std::lock_guard lock(GdiLock());
  std::fill(out.px.begin(), out.px.end(), kDesktop);
  for (int y = kScreenHeight - gProfile->menuBar; y < kScreenHeight; ++y)
    std::fill_n(&out.px[(size_t)y * kScreenWidth], kScreenWidth, kMenuStrip);
  for (auto& l : layers) {
    Blit(out, *l.s, l.x, l.y);
    if (l.caption && gProfile->caption)
      DrawCaption(out, l.title, RECT{l.x, l.y, l.x + l.s->width, l.y + l.s->height});
  }
  if (gProfile->taskBar) DrawTaskBar(out, title);
  if (wait) DrawWaitCursor(out);
}

}  // namespace lx

void LxSetScreenProfile(int profile) {
  if (profile == LX_SCREEN_DESKTOP) {
    lx::gProfile = &lx::kDesktopScreen;
    lx::Display().scale = 1;
  } else {
    lx::gProfile = &lx::kHandheld;
  }
}

void LxGetScreenSize(int* width, int* height) {
  if (width) *width = lx::Screen().width;
  if (height) *height = lx::Screen().height;
}

void LxScreenshot(DWORD* pixels) {
  if (!pixels) return;
  lx::Surface s;
  lx::ComposeScreen(s);
  memcpy(pixels, s.px.data(), s.px.size() * 4);
}
