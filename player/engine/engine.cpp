#include "engine/engine.h"
#include <atomic>
#include "shell/settings.h"

PlayerEngine g_engine;
AudioRing g_ring;
BoardHooks g_boardHooks;

BYTE PlayerFlagsGet(void) { return std::atomic_ref<BYTE>(g_settings.playerFlags).load(); }
void PlayerFlagsSet(BYTE bits) { std::atomic_ref<BYTE>(g_settings.playerFlags).fetch_or(bits); }
void PlayerFlagsClear(BYTE bits) { std::atomic_ref<BYTE>(g_settings.playerFlags).fetch_and((BYTE)~bits); }
BOOL PlayerFlagsTest(BYTE bits) { return (PlayerFlagsGet() & bits) != 0; }
