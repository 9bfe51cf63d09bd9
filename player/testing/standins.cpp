// Stand-ins for the engine's ring, for tests linked before the engine's own
// objects exist. Every definition is weak: the real one wins wherever it is
// linked.
#include <cstdlib>

#include "engine/engine.h"

#define STANDIN __attribute__((weak))

STANDIN void* (*g_ringAllocate)(size_t bytes) = nullptr;

STANDIN int AllocateRing(LONG n) {
  size_t bytes = (size_t)n * sizeof(AudioSlot);
  void* block = g_ringAllocate ? g_ringAllocate(bytes) : calloc(1, bytes);
  if (!block) return 0;
  g_ring.slots = (AudioSlot*)block;
  g_ring.count = n;
  return 1;
}

STANDIN void FreeRing(void) {
  free(g_ring.slots);
  g_ring.slots = nullptr;
  g_ring.count = 0;
}
