// The display backends: an SDL2 desktop window showing the device screen
// scaled, with the mouse as stylus and the keyboard as the device's keys; or
// none at all (headless). Either way the device socket serves other processes.
#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "../gdi/lxgdi.h"
#include "../shell/lxpower.h"
#include "lxdisplay.h"
#include "lxuser.h"
#include "lxwin.h"

namespace lx {

namespace {

struct DisplayThread {
  std::once_flag started;
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

void RunSdl() {
  int scale = Display().scale;
  // The desktop may blank as usual; SystemIdleTimerReset holds it off.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    fprintf(stderr, "lumtrax: no desktop window (%s); running headless\n", SDL_GetError());
    Display().headless = true;
    return;
  }
  const int kScreenWidth = Screen().width, kScreenHeight = Screen().height;
  SDL_Window* win = SDL_CreateWindow("Lumtrax", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kScreenWidth * scale,
                                     kScreenHeight * scale, 0);
  SDL_Renderer* ren = win ? SDL_CreateRenderer(win, -1, 0) : nullptr;
  if (!win && !ren) {
    fprintf(stderr, "lumtrax: no desktop window (%s); running headless\n", SDL_GetError());
    Display().headless = true;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return;
  }
  if (!ren) ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_SOFTWARE);
  SDL_RenderSetLogicalSize(ren, kScreenWidth, kScreenHeight);
  SDL_Texture* tex =
      SDL_CreateTexture(ren, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
  SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  SDL_Cursor* wait = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
  SDL_StartTextInput();
  Surface screen;
  int shown = -1;
  Uint32 lastPresent = 0;
  bool down = false, screenSaverOff = false;
  while (!D().stop) {
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, 16)) {
      do {
        switch (e.type) {
          case SDL_QUIT:
            // A desktop program's window in front may be a modal dialog above its main window.
            if (HWND h = Screen().taskBar ? MainWindow() : GetForegroundWindow()) PostMessageW(h, WM_CLOSE, 0, 0);
            break;
          case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) {
              down = true;
              InputMouse(WM_LBUTTONDOWN, e.button.x, e.button.y);
            }
            break;
          case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && down) {
              down = false;
              InputMouse(WM_LBUTTONUP, e.button.x, e.button.y);
            }
            break;
          case SDL_MOUSEMOTION:
            // A stylus moves only while it touches the screen.
            if (down) InputMouse(WM_MOUSEMOVE, e.motion.x, e.motion.y);
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
            if (e.window.event == SDL_WINDOWEVENT_MINIMIZED || e.window.event == SDL_WINDOWEVENT_HIDDEN)
              PostActivate(false);
            if (e.window.event == SDL_WINDOWEVENT_RESTORED || e.window.event == SDL_WINDOWEVENT_SHOWN)
              PostActivate(true);
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED) shown = -1;
            break;
        }
      } while (SDL_PollEvent(&e));
    }
    if (D().raise.exchange(false)) SDL_RaiseWindow(win);
    bool inhibit = LxIdleInhibited();
    if (inhibit != screenSaverOff) {
      screenSaverOff = inhibit;
      inhibit ? SDL_DisableScreenSaver() : SDL_EnableScreenSaver();
    }
    if (D().cursorChanged.exchange(false)) SDL_SetCursor(CurrentCursor() == gWaitCursor ? wait : arrow);
    int gen = gScreenGeneration.load();
    Uint32 now = SDL_GetTicks();
    // Redraw on change, and every second for the task bar's clock.
    if (gen != shown || now - lastPresent > 1000) {
      shown = gen;
      lastPresent = now;
      ComposeScreen(screen);
      SDL_UpdateTexture(tex, nullptr, screen.px.data(), kScreenWidth * 4);
      SDL_RenderClear(ren);
      SDL_RenderCopy(ren, tex, nullptr, nullptr);
      SDL_RenderPresent(ren);
    }
  }
  SDL_FreeCursor(arrow);
  SDL_FreeCursor(wait);
  SDL_DestroyTexture(tex);
  SDL_DestroyRenderer(ren);
  SDL_DestroyWindow(win);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace

HWND MainWindow() {
  std::lock_guard lock(UserLock());
  for (HWND h : TopLevels())
    if (Window* w = GetWin(h); w && !w->owner) return h;
  return nullptr;
}

DisplayConfig& Display() {
  static DisplayConfig c;
  return c;
}

void DisplayStart() {
  std::call_once(D().started, [] {
    ServerStart();
    if (!Display().headless) {
      D().thread = std::thread(RunSdl);
    }
  });
}

void DisplayStop() {
  D().stop = true;
  if (D().thread.joinable()) D().thread.join();
  ServerStop();
}

void DisplayRaise() { D().raise = true; }

void DisplayCursorChanged() { D().cursorChanged = true; }

}  // namespace lx

void LxInputStylus(UINT message, int x, int y) { lx::InputMouse(message, x, y); }
void LxInputKey(UINT vk, BOOL down) { lx::InputKey(vk, down); }
void LxInputChar(WCHAR ch) { lx::InputChar(ch); }
BOOL LxWaitIdle(DWORD milliseconds) { return lx::WaitIdle((int)milliseconds); }
