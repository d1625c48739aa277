#include "tools/capture/video_clock.h"

#include "app/player.h"

namespace {
// The player's clock counts whole milliseconds per tick (14 at 70 ticks a second).
constexpr int64_t MILLISECONDS_PER_TICK = 1000 / TICKS_PER_SECOND;
}  // namespace

int64_t ticks_due(int64_t videoFrame)
{
    return videoFrame * 1000 / (VIDEO_FRAMES_PER_SECOND * MILLISECONDS_PER_TICK);
}

void SceneClock::advance_to(int64_t dueTicks)
{
    for (; ticks < dueTicks; ++ticks)
        total += FRAMES_PER_TICK;
}

int64_t video_frame_at_end(float endFrame)
{
    // Walk the ticks once: a float sum may reach the end a tick sooner or later than 5 a frame.
    int64_t ticks = 0;
    for (float total = 0.0f; total < endFrame; total += FRAMES_PER_TICK)
        ++ticks;
    int64_t frame = 0;
    while (ticks_due(frame) < ticks)
        ++frame;
    return frame;
}
