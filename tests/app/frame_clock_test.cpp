#include <gtest/gtest.h>

#include "app/driver_state.h"
#include "app/frame_clock.h"
#include "tests/support/fake_platform.h"

namespace {

class FrameClockTest : public testing::Test {
protected:
    void SetUp() override
    {
        driver_reset_state();
        frameClock.time = &clock;
    }
    fakes::FakeClock clock;
};

}  // namespace

TEST_F(FrameClockTest, SeventyTicksASecondAreFourteenMilliseconds)
{
    clock.now = 1000;
    clock.step = 42;
    clock_start(70);
    EXPECT_TRUE(clock_running());
    EXPECT_EQ(frameClock.tickLength, 14u);
    EXPECT_EQ(frameClock.tickIndex, 1000u / 14);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(clock_advance(), 3u);
    clock_stop();
    EXPECT_FALSE(clock_running());
}

TEST_F(FrameClockTest, WholeTicksOnlyAndNoneCountedTwice)
{
    clock.readings = {13, 14, 27, 28, 41, 41, 200};
    clock_start(70);  // 13 ms: tick 0
    EXPECT_EQ(clock_advance(), 1u);  // 14
    EXPECT_EQ(clock_advance(), 0u);  // 27: the fraction is not carried
    EXPECT_EQ(clock_advance(), 1u);  // 28
    EXPECT_EQ(clock_advance(), 0u);  // 41
    EXPECT_EQ(clock_advance(), 0u);  // 41
    EXPECT_EQ(clock_advance(), 12u);  // 200: a stall counts every tick it spanned
}

TEST_F(FrameClockTest, MillisecondWrapCountsAsNoTicks)
{
    clock.readings = {0xFFFFFFE0u, 0xFFFFFFF0u, 10, 38};
    clock_start(70);
    EXPECT_EQ(clock_advance(), 1u);  // tick 306783376 to 306783377
    EXPECT_EQ(clock_advance(), 0u);  // wrapped: not four billion ticks
    EXPECT_EQ(clock_advance(), 2u);  // and counting goes on from the new index
}

TEST_F(FrameClockTest, RatesWithoutAWholeMillisecondATickLeaveItStopped)
{
    for (int rate : {0, -70, 1001}) {
        clock_start(rate);
        EXPECT_FALSE(clock_running()) << rate;
        EXPECT_EQ(clock_advance(), 0u) << rate;
    }
    clock_start(1000);
    EXPECT_EQ(frameClock.tickLength, 1u);
}
