// SDL2, loaded at run time by the drivers that need it (the desktop window
// and the sound card), so a headless program or one playing to a file maps
// neither SDL nor the desktop libraries it brings (X11, Wayland, PulseAudio).
#pragma once
#include <SDL.h>

namespace lx {

#define LX_SDL_FUNCTIONS(X)                                                                                    \
  X(SDL_GetError) X(SDL_GetCurrentVideoDriver) X(SDL_SetHint) X(SDL_InitSubSystem) X(SDL_QuitSubSystem)        \
  X(SDL_GetTicks)                                                                                              \
  X(SDL_CreateWindow) X(SDL_DestroyWindow) X(SDL_RaiseWindow) X(SDL_GetWindowSurface)                          \
  X(SDL_UpdateWindowSurfaceRects) X(SDL_CreateRGBSurfaceWithFormat) X(SDL_FreeSurface) X(SDL_UpperBlit)         \
  X(SDL_RegisterEvents) X(SDL_PushEvent) X(SDL_PollEvent) X(SDL_WaitEventTimeout) X(SDL_StartTextInput)        \
  X(SDL_CreateSystemCursor) X(SDL_SetCursor) X(SDL_FreeCursor) X(SDL_EnableScreenSaver)                        \
  X(SDL_DisableScreenSaver) X(SDL_OpenAudioDevice) X(SDL_CloseAudioDevice) X(SDL_PauseAudioDevice)             \
  X(SDL_QueueAudio) X(SDL_GetQueuedAudioSize) X(SDL_ClearQueuedAudio)

struct SdlApi {
#define LX_SDL_MEMBER(name) decltype(&::name) name;
  LX_SDL_FUNCTIONS(LX_SDL_MEMBER)
#undef LX_SDL_MEMBER
};

// The library's functions, loaded at the first call; null when libSDL2 is
// missing or lacks one of them (the callers then go without: headless, or
// the null audio device).
const SdlApi* Sdl();

}  // namespace lx
