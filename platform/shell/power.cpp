// Idle timer and idle time-outs. The time-outs come from the device state, so
// that a test or lumtrax-device can give the device the ones it wants.
#include <atomic>
#include <chrono>

#include "lxpower.h"
#include "lxstate.h"
#include "pm.h"
#include "windows.h"
#include "../gdi/lxgdi.h"

// Declared with the window manager's API in winuser.h.
WINUSERAPI BOOL SystemParametersInfoW(UINT action, UINT param, PVOID value, UINT winIni);
// The window manager may answer the actions that are its own.
extern "C" LX_EXPORT BOOL LxUserSystemParametersInfoW(UINT action, UINT param, PVOID value, UINT winIni)
    __attribute__((weak));

namespace {

// The device's actions (also in winuser.h).
enum : UINT {
  kGetWorkArea = 48,
  kSetBatteryIdle = 251,
  kGetBatteryIdle = 252,
  kSetExternalIdle = 253,
  kGetExternalIdle = 254,
  kSetWakeupIdle = 255,
  kGetWakeupIdle = 256,
};

struct IdleTimeout {
  UINT get, set;
  const char* key;
  DWORD seconds;  // when the device state has none
};
const IdleTimeout kTimeouts[] = {
    {kGetBatteryIdle, kSetBatteryIdle, "BatteryIdleTimeout", 180},
    {kGetExternalIdle, kSetExternalIdle, "ExternalIdleTimeout", 300},
    {kGetWakeupIdle, kSetWakeupIdle, "WakeupIdleTimeout", 60},
};

std::atomic<DWORD> g_idleResets{0};
std::atomic<long long> g_inhibitUntilMs{0};

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The shortest idle time-out that is set, in seconds; 0 when none is.
DWORD ShortestIdleTimeout() {
  DWORD shortest = 0;
  for (const IdleTimeout& t : kTimeouts) {
    DWORD seconds = t.seconds;
    LxDeviceStateGet(t.key, &seconds);
    if (seconds && (!shortest || seconds < shortest)) shortest = seconds;
  }
  return shortest;
}

}  // namespace

// The desktop's screen saver is this device's idle blanking: the desktop
// window holds it off while resets keep coming.
void SystemIdleTimerReset(void) {
  g_idleResets.fetch_add(1);
  DWORD seconds = ShortestIdleTimeout();
  g_inhibitUntilMs = seconds ? NowMs() + (long long)seconds * 1000 : 0;
}

BOOL LxIdleInhibited(void) { return NowMs() < g_inhibitUntilMs.load(); }

DWORD LxIdleTimerResetCount(void) { return g_idleResets.load(); }

BOOL SystemParametersInfoW(UINT action, UINT param, PVOID value, UINT winIni) {
  for (const IdleTimeout& t : kTimeouts) {
    if (action == t.get) {
      if (!value) break;
      DWORD seconds = t.seconds;
      LxDeviceStateGet(t.key, &seconds);
      *static_cast<DWORD*>(value) = seconds;
      return TRUE;
    }
    if (action == t.set) {
      if (!LxDeviceStateSet(t.key, param)) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
      }
      return TRUE;
    }
  }
  if (LxUserSystemParametersInfoW) return LxUserSystemParametersInfoW(action, param, value, winIni);
  if (action == kGetWorkArea && value) {
    // The screen less the task bar and the menu bar.
    *static_cast<RECT*>(value) = lx::WorkArea();
    return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
