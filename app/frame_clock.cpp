#include "app/frame_clock.h"

FrameClock frameClock{};

void clock_start(int ticksPerSecond)
{
    int length = ticksPerSecond > 0 ? 1000 / ticksPerSecond : 0;
    frameClock.tickLength = static_cast<uint32_t>(length);
    if (frameClock.tickLength != 0)
        frameClock.tickIndex = frameClock.time->milliseconds() / frameClock.tickLength;
}

void clock_stop()
{
    frameClock.tickLength = 0;
}

bool clock_running()
{
    return frameClock.tickLength != 0;
}

uint32_t clock_advance()
{
    if (!clock_running())
        return 0;
    frameClock.previousTickIndex = frameClock.tickIndex;
    frameClock.tickIndex = frameClock.time->milliseconds() / frameClock.tickLength;
    // After 2^32 ms the count starts again from 0: the pass across the wrap counts nothing
    // rather than four billion tick steps.
    if (frameClock.tickIndex < frameClock.previousTickIndex)
        return 0;
    return frameClock.tickIndex - frameClock.previousTickIndex;
}
