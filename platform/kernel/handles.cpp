// placeholder: replaced by the kernel services
#include "windows.h"
