#include "engine/engine.h"

PlayerEngine g_engine;
