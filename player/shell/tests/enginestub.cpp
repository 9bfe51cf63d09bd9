// The engine operations the shell calls, recorded, until the engine's own
// objects take their place in these tests.
#include "enginestub.h"

#include "shell/settings.h"

EngineStub g_engineStub;

int EngineBind(HWND) {
  g_engineStub.calls.push_back("bind");
  SettingsDefaults(&g_settings);
  return g_engineStub.bindResult;
}

int EngineUnbind(void) {
  g_engineStub.calls.push_back("unbind");
  return 1;
}

int ReadVolume(DWORD* left, DWORD* right) {
  *left = *right = g_engineStub.deviceVolume;
  return 1;
}

int SetVolume(DWORD percent) {
  g_engineStub.calls.push_back("volume " + std::to_string(PlayerFlagsTest(SoundOn) ? percent : 0));
  return 1;
}

int RestartDevice(void) {
  g_engineStub.calls.push_back("restart");
  return 1;
}
