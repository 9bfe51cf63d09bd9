#pragma once
#include <string>
#include <vector>

#include "engine/engine.h"

struct EngineStub {
  int bindResult = 1;
  DWORD deviceVolume = 50;
  std::vector<std::string> calls;
};
extern EngineStub g_engineStub;
