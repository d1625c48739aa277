// The rasteriser's state: a primitive is drawn with the state set last before it, however many
// states were set in between with nothing drawn, and across the queues handed to the threads.
// And lines drawn band by band: none loses a pixel where it crosses from one band to the next.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "softdevice/rasterizer.h"

namespace {

constexpr uint32_t white = 0xFFFFFF;

// A triangle with red, green and blue corners from (x, y); flat, it is white.
void triangle_at(Rasterizer& rasterizer, float x, float y)
{
    rasterizer.triangle({x, y, 0.5f, 1, 0, 0, 255, 0, 0, 255},
                        {x + 20, y, 0.5f, 1, 0, 0, 0, 255, 0, 255},
                        {x, y + 20, 0.5f, 1, 0, 0, 0, 0, 255, 255}, 0xFF000000 | white);
}

bool flat_at(const FrameBuffer& frame, int x, int y)
{
    return (frame.colour[size_t(y + 5) * size_t(frame.width) + size_t(x + 5)] & white) == white;
}

TEST(RasterizerState, PrimitivesDrawWithTheStateSetLast)
{
    RasterState flat, gouraud;
    flat.gouraud = false;
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        FrameBuffer frame(64, 64);
        Rasterizer rasterizer(frame, threads);
        // Far more changes than a queue holds commands, none of them drawn with.
        for (int i = 0; i < 3000; i++)
            rasterizer.set_state(i % 2 ? flat : gouraud);
        rasterizer.set_state(flat);
        rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);   // hands a queue off
        triangle_at(rasterizer, 0, 0);
        rasterizer.set_state(gouraud);
        triangle_at(rasterizer, -100, -100);   // off the frame: queues nothing
        rasterizer.set_state(flat);
        rasterizer.set_state(gouraud);
        triangle_at(rasterizer, 20, 0);
        rasterizer.set_state(flat);
        triangle_at(rasterizer, 40, 0);
        rasterizer.set_state(gouraud);
        triangle_at(rasterizer, 0, 20);
        rasterizer.flush();
        EXPECT_TRUE(flat_at(frame, 0, 0));
        EXPECT_FALSE(flat_at(frame, 20, 0));
        EXPECT_TRUE(flat_at(frame, 40, 0));
        EXPECT_FALSE(flat_at(frame, 0, 20));

        // A state set after the last primitive of a frame is the next frame's.
        rasterizer.set_state(flat);
        rasterizer.flush();
        rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        triangle_at(rasterizer, 0, 0);
        rasterizer.flush();
        EXPECT_TRUE(flat_at(frame, 0, 0));
    }
}

TEST(RasterizerLines, MostlyHorizontalLinesHaveOnePixelInEveryColumnAcrossBands)
{
    // Lines of every gentle slope crossing several bands, ends anywhere within a pixel: each
    // column from the first end's pixel to the last's holds exactly one pixel of the line.
    FrameBuffer frame(200, 150);
    Rasterizer rasterizer(frame, 2);
    uint32_t seed = 5;
    auto real = [&seed](float low, float high) {
        seed = seed * 1664525u + 1013904223u;
        return low + (high - low) * float(seed >> 8) / float(1 << 24);
    };
    RasterState state;
    state.depthEnable = false;
    state.gouraud = false;
    rasterizer.set_state(state);
    for (int i = 0; i < 300; i++) {
        const float x0 = real(0, 60), x1 = real(140, 199.4f);
        const float y0 = real(0, 149.4f), rise = i % 3 ? real(-0.95f, 0.95f) : real(-1e-4f, 1e-4f);
        const float y1 = std::clamp(y0 + rise * (x1 - x0), 0.0f, 149.4f);
        rasterizer.clear(D3DCLEAR_TARGET);
        rasterizer.line({x0, y0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                        {x1, y1, 0.5f, 1, 0, 0, 0, 0, 0, 255}, 0xFFFFFFFF);
        rasterizer.flush();
        const int first = int(std::floor(x0 + 0.5f)), last = int(std::floor(x1 + 0.5f));
        for (int x = 0; x < frame.width; x++) {
            int lit = 0;
            for (int y = 0; y < frame.height; y++)
                lit += frame.colour[size_t(y) * size_t(frame.width) + size_t(x)] != 0;
            ASSERT_EQ(lit, x >= first && x <= last ? 1 : 0)
                << "column " << x << " of (" << x0 << ", " << y0 << ") to (" << x1 << ", " << y1
                << ")";
        }
    }
}

}  // namespace
