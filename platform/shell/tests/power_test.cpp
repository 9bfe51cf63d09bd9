// Idle time-outs come from the device state; the idle timer reset is counted.
#include <chrono>
#include <thread>

#include "lxpower.h"
#include "lxstate.h"
#include "lxkit.h"
#include "windows.h"

WINUSERAPI BOOL SystemParametersInfoW(UINT action, UINT param, PVOID value, UINT winIni);

namespace {

class Power : public lxtest::TempHome {};

DWORD Timeout(UINT action) {
  DWORD v = 12345;
  EXPECT_TRUE(SystemParametersInfoW(action, 0, &v, 0));
  return v;
}

TEST_F(Power, IdleTimeoutsComeFromTheDeviceState) {
  // A fresh device: three minutes on battery.
  EXPECT_EQ(Timeout(252), 180u);
  ASSERT_TRUE(LxDeviceStateSet("BatteryIdleTimeout", 180));
  ASSERT_TRUE(LxDeviceStateSet("ExternalIdleTimeout", 0));
  ASSERT_TRUE(SystemParametersInfoW(255, 60, nullptr, 0));  // the wake-up time-out, set
  EXPECT_EQ(Timeout(252), 180u);
  EXPECT_EQ(Timeout(254), 0u);
  EXPECT_EQ(Timeout(256), 60u);
  EXPECT_FALSE(SystemParametersInfoW(252, 0, nullptr, 0));
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(48, 0, &work, 0));
  EXPECT_EQ(work.top, 26);
  EXPECT_EQ(work.bottom, 294);
}

TEST_F(Power, IdleTimerResetIsRecorded) {
  DWORD before = LxIdleTimerResetCount();
  SystemIdleTimerReset();
  SystemIdleTimerReset();
  EXPECT_EQ(LxIdleTimerResetCount(), before + 2);
}

TEST_F(Power, ScreenSaverHeldOffUntilTheShortestTimeoutPassesWithoutReset) {
  ASSERT_TRUE(LxDeviceStateSet("BatteryIdleTimeout", 0));
  ASSERT_TRUE(LxDeviceStateSet("ExternalIdleTimeout", 0));
  ASSERT_TRUE(LxDeviceStateSet("WakeupIdleTimeout", 0));
  SystemIdleTimerReset();
  EXPECT_FALSE(LxIdleInhibited()) << "a device that never blanks needs no holding off";
  ASSERT_TRUE(LxDeviceStateSet("WakeupIdleTimeout", 1));
  SystemIdleTimerReset();
  EXPECT_TRUE(LxIdleInhibited());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (LxIdleInhibited() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(LxIdleInhibited()) << "allowed again a second after the last reset";
}

}  // namespace
