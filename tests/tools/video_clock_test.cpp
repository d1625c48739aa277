// The capture tool's 60 Hz clock: which tick steps a display frame shows, and where the run ends.

#include <gtest/gtest.h>

#include "tools/capture/video_clock.h"

TEST(VideoClock, AFrameShowsTheTicksDueByItsStart)
{
    // 14 ms ticks against 16.67 ms frames: mostly one tick a frame, two every sixth frame.
    EXPECT_EQ(ticks_due(0), 0);
    EXPECT_EQ(ticks_due(1), 1);
    EXPECT_EQ(ticks_due(5), 5);
    EXPECT_EQ(ticks_due(6), 7);
    EXPECT_EQ(ticks_due(21), 25);
    EXPECT_EQ(ticks_due(60), 71);  // 1000 ms: 71 whole ticks
    EXPECT_EQ(ticks_due(4830), 5750);
}

TEST(VideoClock, SceneFramesAddUpAsThePlayersLoopAddsThem)
{
    SceneClock clock;
    clock.advance_to(5);
    EXPECT_EQ(clock.ticks, 5);
    EXPECT_FLOAT_EQ(clock.total, 1.0f);
    clock.advance_to(3);  // never backwards
    EXPECT_EQ(clock.ticks, 5);
    float sum = 0.0f;
    for (int i = 0; i < 1000; ++i)
        sum += 0.2f;
    clock.advance_to(1000);
    EXPECT_EQ(clock.total, sum);  // the same rounding, step by step
}

TEST(VideoClock, TheRunEndsWhenTheSceneReachesItsLastFrame)
{
    // 1150 frames = 5750 ticks = 80.5 s = video frame 4830, give or take the float sum's tick.
    int64_t end = video_frame_at_end(1150.0f);
    EXPECT_GE(end, 4829);
    EXPECT_LE(end, 4831);
    SceneClock clock;
    clock.advance_to(ticks_due(end));
    EXPECT_GE(clock.total, 1150.0f);
    SceneClock before;
    before.advance_to(ticks_due(end - 1));
    EXPECT_LT(before.total, 1150.0f);
    EXPECT_EQ(video_frame_at_end(0.0f), 0);
}
