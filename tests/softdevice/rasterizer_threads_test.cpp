// The rasteriser's worker threads between frames: a player waiting for its clock must not keep
// a core busy.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "softdevice/rasterizer.h"

namespace {

double process_cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST(RasterizerThreads, WorkersSleepBetweenFrames)
{
    FrameBuffer frame(320, 240);
    Rasterizer rasterizer(frame, 4);
    for (int i = 0; i < 3; i++) {
        rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        for (int k = 0; k < 3000; k++) {
            const float x = float(k % 300), y = float(k % 220);
            rasterizer.triangle({x, y, 0.5f, 1, 0, 0, 255, 0, 0, 255},
                                {x + 20, y, 0.5f, 1, 0, 0, 0, 255, 0, 255},
                                {x, y + 20, 0.5f, 1, 0, 0, 0, 0, 255, 255}, 0xFFFFFFFF);
        }
        rasterizer.flush();
    }
    // Three workers watching for work the whole time would use three times the wall time.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));   // past their watch
    const double before = process_cpu_seconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(process_cpu_seconds() - before, 0.05);
}

}  // namespace
