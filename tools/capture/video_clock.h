#pragma once
// What a 60 Hz display shows of the player: video frame k shows the scene after the tick steps
// due by k/60 seconds, one tick every 14 ms, 0.2 scene frames a tick.

#include <cstdint>

constexpr int VIDEO_FRAMES_PER_SECOND = 60;

// The ticks due by the start of video frame k: floor(k / 60 s / 14 ms).
int64_t ticks_due(int64_t videoFrame);

// Advances a scene frame tick by tick, 0.2 at a time in single precision, as the player's main
// loop adds it up.
struct SceneClock {
    int64_t ticks = 0;
    float total = 0.0f;
    void advance_to(int64_t dueTicks);
};

// The first video frame whose scene frame has reached `endFrame`: the player has stopped by then.
int64_t video_frame_at_end(float endFrame);
