// No window: the screen is composed only for screenshots and input comes
// through the device socket.
#include "lxdisplay.h"

namespace lx {

namespace {

int Open() { return 1; }
void Nothing() {}

}  // namespace

const DisplayDriver kHeadlessDisplayDriver = {"headless", Open, Nothing, Nothing, Nothing};

}  // namespace lx
