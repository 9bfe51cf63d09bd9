// The desktop window: the device screen scaled by whole pixels, the mouse as
// stylus and the keyboard as the device's keys. SDL is loaded when the
// window opens, so a headless program never maps it.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "../gdi/lxgdi.h"
#include "../sdl/lxsdl.h"
#include "../shell/lxpower.h"
#include "lxdisplay.h"
#include "lxuser.h"
#include "lxwin.h"

namespace lx {

namespace {

const SdlApi* sdl = nullptr;  // loaded by Open

struct DisplayThread {
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> raise{false};
  std::atomic<bool> cursorChanged{false};
};

DisplayThread& D() {
  static DisplayThread d;
  return d;
}

UINT VirtualKeyOf(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  // F1 ... F12 are the device's application buttons 1 ... 12.
  if (k >= SDLK_F1 && k <= SDLK_F12) return 0xC1 + (k - SDLK_F1);
  switch (k) {
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_AUDIONEXT: return VK_MEDIA_NEXT_TRACK;
    case SDLK_AUDIOPREV: return VK_MEDIA_PREV_TRACK;
    case SDLK_AUDIOSTOP: return VK_MEDIA_STOP;
    case SDLK_AUDIOPLAY: return VK_MEDIA_PLAY_PAUSE;
    case SDLK_AUDIOMUTE: return VK_VOLUME_MUTE;
    case SDLK_VOLUMEUP: return VK_VOLUME_UP;
    case SDLK_VOLUMEDOWN: return VK_VOLUME_DOWN;
  }
  return 0;
}

void PostActivate(bool active) {
  HWND fg = GetForegroundWindow();
  if (fg) PostMessageW(fg, WM_ACTIVATE, MAKEWPARAM(active ? WA_ACTIVE : WA_INACTIVE, 0), 0);
}

// Wakes the display thread from any thread; one event pending at most.
// Before the thread registered its event it has not begun to wait either.
std::atomic<Uint32> gWakeEvent{(Uint32)-1};
std::atomic<bool> gWakePending{false};
void WakeDisplay() {
  Uint32 type = gWakeEvent.load();
  if (type == (Uint32)-1 || gWakePending.exchange(true)) return;
  SDL_Event e{};
  e.type = type;
  sdl->SDL_PushEvent(&e);
}

// Milliseconds until the task bar's clock shows the next minute.
Uint32 UntilNextMinute() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return (Uint32)((60 - t.wSecond) * 1000 - t.wMilliseconds) + 5;
}

// The composed screen, enlarged by whole pixels, onto the window's own
// surface (no renderer: no GL driver loaded); only the rows and columns
// that changed since the last present are sent.
struct Presenter {
  SDL_Window* win = nullptr;
  SDL_Surface* staging = nullptr;  // XRGB at the window's size, for a window of another format
  Surface last;
  int scale = 1;
  bool valid = false;  // last is what the window shows

  void Present(const Surface& now) {
    int w = now.width, h = now.height;
    int l = w, t = h, r = 0, b = 0;
    for (int y = 0; y < h; ++y) {
      const uint32_t* row = &now.px[(size_t)y * w];
      const uint32_t* old = valid ? &last.px[(size_t)y * w] : nullptr;
      for (int x = 0; x < w; ++x)
        if (!old || row[x] != old[x]) {
          l = std::min(l, x);
          r = std::max(r, x + 1);
          t = std::min(t, y);
          b = std::max(b, y + 1);
        }
    }
    if (r <= l) return;
    SDL_Surface* ws = sdl->SDL_GetWindowSurface(win);
    if (!ws) return;
    // An XRGB window (the usual X11 visual) takes the pixels itself; any
    // other goes through a copy of the screen's size, made when first needed.
    SDL_Surface* out = ws;
    if (ws->format->format != SDL_PIXELFORMAT_RGB888 || SDL_MUSTLOCK(ws) || ws->w < w * scale || ws->h < h * scale) {
      if (!staging)
        staging = sdl->SDL_CreateRGBSurfaceWithFormat(0, w * scale, h * scale, 32, SDL_PIXELFORMAT_RGB888);
      if (!staging) return;
      out = staging;
    }
    for (int y = t; y < b; ++y) {
      const uint32_t* row = &now.px[(size_t)y * w];
      for (int k = 0; k < scale; ++k) {
        uint32_t* line = (uint32_t*)((uint8_t*)out->pixels + (size_t)(y * scale + k) * out->pitch);
        for (int x = l; x < r; ++x)
          for (int j = 0; j < scale; ++j) line[x * scale + j] = row[x];
      }
    }
    SDL_Rect area{l * scale, t * scale, (r - l) * scale, (b - t) * scale};
    if (out != ws) sdl->SDL_UpperBlit(staging, &area, ws, &area);
    sdl->SDL_UpdateWindowSurfaceRects(win, &area, 1);
    last = now;
    valid = true;
  }
};

void RunSdl() {
  int scale = Display().scale;
  // The desktop may blank as usual; SystemIdleTimerReset holds it off.
  sdl->SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // The window's own framebuffer, never a texture: a GL driver costs ~90 MB.
  sdl->SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (sdl->SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    fprintf(stderr, "lumtrax: no desktop window (%s); running headless\n", sdl->SDL_GetError());
    Display().headless = true;
    return;
  }
  const int kScreenWidth = Screen().width, kScreenHeight = Screen().height;
  SDL_Window* win = sdl->SDL_CreateWindow("Lumtrax", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kScreenWidth * scale,
                                     kScreenHeight * scale, 0);
  if (!win || !sdl->SDL_GetWindowSurface(win)) {
    fprintf(stderr, "lumtrax: no desktop window (%s); running headless\n", sdl->SDL_GetError());
    Display().headless = true;
    if (win) sdl->SDL_DestroyWindow(win);
    sdl->SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return;
  }
  gWakeEvent = sdl->SDL_RegisterEvents(1);
  gScreenChangedHook = WakeDisplay;
  Presenter presenter;
  presenter.win = win;
  presenter.scale = scale;
  SDL_Cursor* arrow = sdl->SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  SDL_Cursor* wait = sdl->SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
  sdl->SDL_StartTextInput();
  Surface screen;
  int shown = -1;
  bool minimised = false, darkShown = false, clockDue = false;
  Uint32 lastPresent = 0, nextClock = sdl->SDL_GetTicks() + UntilNextMinute();
  // Presents at most this often; changes in between wait for the next turn.
  const Uint32 kPresentEvery = 33;
  bool down = false, screenSaverOff = false;
  while (!D().stop) {
    Uint32 now = sdl->SDL_GetTicks();
    bool changed = gScreenGeneration.load() != shown;
    int timeout = clockDue ? 0 : std::max(0, (int)(nextClock - now));
    if ((changed || clockDue) && !minimised) timeout = std::min(timeout, std::max(0, (int)(lastPresent + kPresentEvery - now)));
    // Stop, raise and cursor requests wake the thread; the idle-timer hold
    // is looked at every few seconds (the desktop blanks after minutes).
    timeout = std::min(timeout, 5000);
    SDL_Event e;
    if (sdl->SDL_WaitEventTimeout(&e, timeout)) {
      do {
        if (e.type == gWakeEvent.load()) {
          gWakePending = false;
          continue;
        }
        switch (e.type) {
          case SDL_QUIT:
            // A desktop program's window in front may be a modal dialog above its main window.
            if (HWND h = Screen().taskBar ? MainWindow() : GetForegroundWindow()) PostMessageW(h, WM_CLOSE, 0, 0);
            break;
          case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) {
              down = true;
              InputMouse(WM_LBUTTONDOWN, e.button.x / scale, e.button.y / scale);
            }
            break;
          case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && down) {
              down = false;
              InputMouse(WM_LBUTTONUP, e.button.x / scale, e.button.y / scale);
            }
            break;
          case SDL_MOUSEMOTION:
            // A stylus moves only while it touches the screen.
            if (down) InputMouse(WM_MOUSEMOVE, e.motion.x / scale, e.motion.y / scale);
            break;
          case SDL_KEYDOWN:
          case SDL_KEYUP:
            if (UINT vk = VirtualKeyOf(e.key.keysym.sym)) InputKey(vk, e.type == SDL_KEYDOWN);
            break;
          case SDL_TEXTINPUT: {
            std::u16string t = LxFromUtf8(e.text.text);
            for (char16_t c : t) InputChar(c);
            break;
          }
          case SDL_WINDOWEVENT:
            // The device is in front while its window shows, focused or not.
            if (e.window.event == SDL_WINDOWEVENT_MINIMIZED || e.window.event == SDL_WINDOWEVENT_HIDDEN) {
              minimised = true;
              PostActivate(false);
            }
            if (e.window.event == SDL_WINDOWEVENT_RESTORED || e.window.event == SDL_WINDOWEVENT_SHOWN) {
              minimised = false;
              PostActivate(true);
            }
            // The window's surface is new or its pixels lost: send it whole.
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                e.window.event == SDL_WINDOWEVENT_RESTORED) {
              presenter.valid = false;
              shown = -1;
            }
            break;
        }
      } while (sdl->SDL_PollEvent(&e));
    }
    if (D().raise.exchange(false)) sdl->SDL_RaiseWindow(win);
    bool inhibit = LxIdleInhibited();
    if (inhibit != screenSaverOff) {
      screenSaverOff = inhibit;
      inhibit ? sdl->SDL_DisableScreenSaver() : sdl->SDL_EnableScreenSaver();
    }
    if (D().cursorChanged.exchange(false)) sdl->SDL_SetCursor(CurrentCursor() == gWaitCursor ? wait : arrow);
    now = sdl->SDL_GetTicks();
    if ((int)(now - nextClock) >= 0) {
      clockDue = true;
      nextClock = now + UntilNextMinute();
    }
    int gen = gScreenGeneration.load();
    if (minimised) {
      clockDue = false;  // the restore sends the whole screen
      continue;
    }
    if ((gen == shown && !clockDue) || now - lastPresent < kPresentEvery) continue;
    // A dark display shows black once, then nothing until it lights again.
    bool dark = gDisplayOff.load();
    shown = gen;
    clockDue = false;
    if (dark && darkShown) continue;
    darkShown = dark;
    lastPresent = now;
    ComposeScreen(screen);
    presenter.Present(screen);
  }
  gScreenChangedHook = nullptr;
  sdl->SDL_FreeCursor(arrow);
  sdl->SDL_FreeCursor(wait);
  if (presenter.staging) sdl->SDL_FreeSurface(presenter.staging);
  sdl->SDL_DestroyWindow(win);
  sdl->SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int Open() {
  sdl = Sdl();
  if (!sdl) return 0;
  D().thread = std::thread(RunSdl);
  return 1;
}

void Close() {
  D().stop = true;
  WakeDisplay();
  if (D().thread.joinable()) D().thread.join();
}

void Raise() {
  D().raise = true;
  WakeDisplay();
}

void CursorChanged() {
  D().cursorChanged = true;
  WakeDisplay();
}

}  // namespace

const DisplayDriver kSdlDisplayDriver = {"sdl", Open, Close, Raise, CursorChanged};

}  // namespace lx
