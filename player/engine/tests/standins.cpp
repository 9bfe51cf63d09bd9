// Until the shell lands: its busy count and suspension flags, as the engine
// uses them.
#include "shell/dispatch.h"
#include "shell/power.h"

PowerState g_power;
static LONG s_waitCount;

void WaitCursor(BOOL on, BOOL force) {
  if (force) s_waitCount = 0;
  else if (on) s_waitCount++;
  else if (s_waitCount > 0) s_waitCount--;
}
LONG WaitCursorCount(void) { return s_waitCount; }
void RecomputeSuspension(void) {}
