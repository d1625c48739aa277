// The rasteriser's state: a primitive is drawn with the state set last before it, however many
// states were set in between with nothing drawn, and across the queues handed to the threads.
// Lines drawn tile by tile: none loses a pixel where it crosses from one tile to the next. And
// cleared tiles: filled by the first primitive drawn into them, or resolved to the cleared colour.

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

TEST(RasterizerLines, MostlyHorizontalLinesHaveOnePixelInEveryColumnAcrossTiles)
{
    // Lines of every gentle slope crossing several tiles, ends anywhere within a pixel: each
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

TEST(RasterizerTiles, ClearedTilesHoldTheClearedValuesWhereverTheyAreRead)
{
    // A frame drawn white at depth 0.1, then cleared, with a red triangle behind where the white
    // was and debug text in other tiles: neither the old colour nor the old depth may show.
    FrameBuffer frame(150, 70, 4);
    Rasterizer rasterizer(frame, 2);
    RasterState state;
    state.gouraud = false;
    rasterizer.set_state(state);
    auto corner = [](float x, float y, float z) {
        return ScreenVertex{x, y, z, 1, 0, 0, 0, 0, 0, 255};
    };
    rasterizer.triangle(corner(-1, -1, 0.1f), corner(400, -1, 0.1f), corner(-1, 200, 0.1f),
                        0xFFFFFFFF);
    rasterizer.resolve();
    rasterizer.flush(Rasterizer::Completion::image);
    rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    rasterizer.triangle(corner(4, 4, 0.9f), corner(40, 4, 0.9f), corner(4, 28, 0.9f), 0xFFFF0000);
    rasterizer.text(70, 40, 0x00FF00, "H", 1);
    rasterizer.resolve();
    rasterizer.flush(Rasterizer::Completion::image);
    auto at = [&](int x, int y) { return frame.resolved[size_t(y * frame.width + x)]; };
    EXPECT_EQ(at(10, 10), 0xFF0000u);
    EXPECT_EQ(at(70, 43), 0x00FF00u);
    for (int y = 0; y < frame.height; y++)
        for (int x = 0; x < frame.width; x++) {
            const bool drawn = (x <= 40 && y <= 28) || (x >= 70 && x <= 74 && y >= 40 && y <= 46);
            ASSERT_TRUE(drawn || at(x, y) == 0u) << x << ", " << y;
        }
    // Read whole, the samples agree with the resolved image.
    rasterizer.flush();
    for (int y = 0; y < frame.height; y++)
        for (int s = 0; s < frame.samples; s++)
            for (int x = 41; x < 70; x++)
                ASSERT_EQ(frame.colour_at(x, y, s), 0u) << x << ", " << y;
}

TEST(RasterizerTiles, ATileItsFirstTriangleCoversIsLeftAsTheClearAndTheTriangleWouldLeaveIt)
{
    // Old white at depth 0.1 everywhere, cleared, then one red triangle over the whole frame
    // whose depth runs from about 0.5 on the left to 1.5 on the right: the pixels right of column
    // 64, from within a quad on, fail the depth test against the cleared depth and must hold the
    // cleared values, not the old ones.
    for (int samples : {1, 4}) {
        SCOPED_TRACE(samples);
        FrameBuffer frame(128, 64, samples);
        Rasterizer rasterizer(frame, 2);
        RasterState state;
        state.gouraud = false;
        auto cover = [&](uint32_t colour, float z0, float z1) {
            const auto z = [&](float x) { return z0 + (z1 - z0) * x / 128.0f; };
            rasterizer.triangle({-256, -256, z(-256), 1, 0, 0, 0, 0, 0, 255},
                                {512, -256, z(512), 1, 0, 0, 0, 0, 0, 255},
                                {-256, 512, z(-256), 1, 0, 0, 0, 0, 0, 255}, colour);
            rasterizer.flush();
        };
        for (bool depthTest : {true, false}) {
            rasterizer.set_state(state);
            cover(0xFFFFFFFF, 0.1f, 0.1f);
            rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
            state.depthEnable = depthTest;
            rasterizer.set_state(state);
            cover(0xFFFF0000, 0.5f - 0.5f / 128, 1.5f - 0.5f / 128);
            state.depthEnable = true;
            for (int y = 0; y < frame.height; y++)
                for (int x = 0; x < frame.width; x++)
                    for (int s = 0; s < samples; s++) {
                        const bool drawn = !depthTest || x <= 64;
                        ASSERT_EQ(frame.colour_at(x, y, s), drawn ? 0xFF0000u : 0u)
                            << x << ", " << y << ", " << depthTest;
                        if (!drawn || !depthTest) {
                            ASSERT_EQ(frame.depth_at(x, y, s), 1.0f) << x << ", " << y;
                        }
                    }
        }
    }
}

}  // namespace

TEST(RasterizerTiles, ATileLeftOutOfSomeQueuesStillSeesItsPrimitivesInOrderAndIsDrawnByTheFlush)
{
    // Queues of more triangles than one hands over: red into the left tile, then only the right
    // tile's, then green over the same left pixels. The left tile of the third queue must wait
    // for the first queue's, which the second one left out.
    FrameBuffer frame(256, 64);
    Rasterizer rasterizer(frame, 4);
    RasterState state;
    state.depthEnable = false;
    state.gouraud = false;
    rasterizer.set_state(state);
    for (int round = 0; round < 20; round++) {
        auto fill = [&](float x, uint32_t colour) {
            for (int i = 0; i < 1500; i++)
                rasterizer.triangle({x, 0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                                    {x + 60, 0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                                    {x, 60, 0.5f, 1, 0, 0, 0, 0, 0, 255}, colour);
        };
        fill(0, 0xFFFF0000);
        fill(192, 0xFF0000FF);
        fill(0, 0xFF00FF00);
        rasterizer.flush();
        ASSERT_EQ(frame.colour[size_t(10 * frame.width + 10)], 0x00FF00u) << round;
    }
    // A flush waits for every queue, not only the last: a queue of exactly as many triangles as
    // one hands over, into the left tile alone and green last, is still being drawn by another
    // thread when the next queue, one triangle into the right tile, is drawn by the caller's.
    for (int round = 0; round < 20; round++) {
        for (int i = 0; i < 1024; i++)
            rasterizer.triangle({0, 0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                                {60, 0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                                {0, 60, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                                i < 1023 ? 0xFFFF0000 - uint32_t(round) : 0xFF00FF00 + uint32_t(round));
        rasterizer.triangle({192, 0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                            {252, 0, 0.5f, 1, 0, 0, 0, 0, 0, 255},
                            {192, 60, 0.5f, 1, 0, 0, 0, 0, 0, 255}, 0xFF0000FF);
        rasterizer.flush();
        ASSERT_EQ(frame.colour[size_t(10 * frame.width + 10)], 0x00FF00u + uint32_t(round))
            << round;
    }
}
