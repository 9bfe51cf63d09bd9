// The device API umbrella, as device code includes it. Each service has its
// own header; the umbrella takes whichever the platform provides.
#pragma once
#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "winnls.h"
#if __has_include("winuser.h")
#include "winuser.h"
#endif
#if __has_include("windlg.h")
#include "windlg.h"
#endif
#if __has_include("wingdi.h")
#include "wingdi.h"
#endif
#include "mmsystem.h"
#include "pm.h"
#include "lxstring.h"
