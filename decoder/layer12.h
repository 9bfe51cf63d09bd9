// Layer I/II internals shared with the tests.
#pragma once
#include "layer12_tables.h"
#include "state.h"

// The Layer II allocation table of a parsed header.
const AllocationTable& ChooseAllocationTable(const FrameHeader& h);
