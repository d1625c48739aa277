#pragma once
// The fixed-rate tick clock that paces the scene. Elapsed time is counted in whole tick indices
// (milliseconds divided by the tick length), never in milliseconds, so no fraction of a tick is
// carried and none is counted twice.

#include <cstdint>

#include "app/clock_port.h"

struct FrameClock {
    ClockPort* time;             // the millisecond count it reads
    uint32_t tickLength;         // milliseconds; 0 means stopped
    uint32_t tickIndex;          // milliseconds / tickLength at the last reading
    uint32_t previousTickIndex;  // the tick index before the last reading
    uint32_t ticks_due;          // ticks elapsed since the main loop zeroed it
    uint32_t ticks_done;         // ticks the main loop has already stepped
};

extern FrameClock frameClock;

// Tick length = 1000 / ticksPerSecond by integer division (70 gives 14 ms). A rate that gives no
// whole millisecond per tick (0, negative or above 1000) leaves the clock stopped.
void clock_start(int ticksPerSecond);
void clock_stop();
bool clock_running();
// Reads the clock and returns the ticks elapsed since the last reading. A tick index that went
// backwards (the millisecond count wrapped) counts as no elapsed ticks.
uint32_t clock_advance();
