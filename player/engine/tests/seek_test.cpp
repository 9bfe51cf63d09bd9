#include "enginetest.h"
