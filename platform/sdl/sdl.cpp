#include <dlfcn.h>

#include <cstdio>

#include "lxsdl.h"

namespace lx {

const SdlApi* Sdl() {
  static const SdlApi* loaded = [] () -> const SdlApi* {
    // Kept for the life of the process: SDL's threads outlive any one user.
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      fprintf(stderr, "lumtrax: %s\n", dlerror());
      return nullptr;
    }
    static SdlApi api;
#define LX_SDL_LOAD(name)                                                     \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name));     \
  if (!api.name) {                                                            \
    fprintf(stderr, "lumtrax: libSDL2-2.0.so.0 lacks %s\n", #name);           \
    return nullptr;                                                           \
  }
    LX_SDL_FUNCTIONS(LX_SDL_LOAD)
#undef LX_SDL_LOAD
    return &api;
  }();
  return loaded;
}

}  // namespace lx
