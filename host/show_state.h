#pragma once
// The values start-up fills once and the rest of the show reads.

#include "host/demo_config.h"
#include "host/sine_table.h"

namespace host {

struct ShowState {
    DemoConfig config;
    MmxChoice mmx;
    SineTable sineTable;
};

// The show's one copy, written on the main thread during start-up.
extern ShowState showState;

}  // namespace host
