// Coverage and the fill rule: which pixels a triangle owns.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/gfxcontext/device_harness.h"

TEST(Coverage, AxisAlignedRectangleCoversExactlyItsPixels)
{
    DeviceHarness h;
    // Corners on whole pixels: pixel centres sit on integers, so the top and left edges are in
    // and the bottom and right edges out, giving exactly 10 x 6 pixels.
    auto a = h.at(4, 2, 0.5f, 0xFF0000), b = h.at(14, 2, 0.5f, 0xFF0000);
    auto c = h.at(14, 8, 0.5f, 0xFF0000), d = h.at(4, 8, 0.5f, 0xFF0000);
    h.triangles({a, b, c, a, c, d});
    EXPECT_EQ(h.count(0xFF0000), 60);
    EXPECT_EQ(h.pixel(4, 2), 0xFF0000u);
    EXPECT_EQ(h.pixel(13, 7), 0xFF0000u);
    EXPECT_EQ(h.pixel(14, 7), 0u);
    EXPECT_EQ(h.pixel(13, 8), 0u);
    EXPECT_EQ(h.pixel(3, 2), 0u);
    EXPECT_EQ(h.pixel(4, 1), 0u);
}

TEST(Coverage, SharedEdgesLeaveNoGapAndNoDoubleBlend)
{
    // A fan of triangles around an off-grid centre, drawn with additive blending at 1/4: every
    // pixel of the covered area must be hit exactly once, whatever the edge slopes.
    DeviceHarness h;
    h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    h.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    const uint32_t colour = 0x40FFFFFF;   // alpha 64 adds 64 per hit
    std::vector<D3DLVERTEX> fan;
    const float cx = 31.3f, cy = 30.7f;
    const int sides = 13;
    for (int i = 0; i < sides; i++) {
        float a0 = 6.2831853f * i / sides, a1 = 6.2831853f * (i + 1) / sides;
        fan.push_back(h.at(cx, cy, 0.5f, colour));
        fan.push_back(h.at(cx + 25.1f * std::cos(a0), cy + 25.1f * std::sin(a0), 0.5f, colour));
        fan.push_back(h.at(cx + 25.1f * std::cos(a1), cy + 25.1f * std::sin(a1), 0.5f, colour));
    }
    h.triangles(fan);
    const auto& frame = h.frame();
    int covered = 0;
    for (int y = 0; y < h.height; y++)
        for (int x = 0; x < h.width; x++) {
            uint32_t p = frame[size_t(y) * h.width + x];
            ASSERT_TRUE(p == 0 || p == 0x404040) << x << "," << y << " " << std::hex << p;
            covered += p != 0;
        }
    // The polygon's area is about 1903 pixels; inner pixels must be filled without holes.
    EXPECT_NEAR(covered, 1903, 40);
    for (int x = 10; x < 52; x++)
        EXPECT_EQ(frame[size_t(31) * h.width + x], 0x404040u) << x;
}

TEST(Coverage, TrianglesOutsideTheFrameOrDegenerateDrawNothing)
{
    DeviceHarness h;
    h.triangles({h.at(-50, -50, 0.5f, 0xFFFFFF), h.at(-10, -50, 0.5f, 0xFFFFFF),
                 h.at(-10, -10, 0.5f, 0xFFFFFF)});
    h.triangles({h.at(5, 5, 0.5f, 0xFFFFFF), h.at(20, 20, 0.5f, 0xFFFFFF),
                 h.at(35, 35, 0.5f, 0xFFFFFF)});
    EXPECT_EQ(h.count(0), h.width * h.height);
}
