// Depth, shading, blending, lines, wireframe and the clear.

#include <gtest/gtest.h>

#include <algorithm>

#include "softdevice/blender.h"
#include "tests/softdevice/device_harness.h"
#include "tests/support/pixel_difference.h"

namespace {

using testing_support::channel;
using testing_support::largest_channel_difference;

void expect_near_colour(uint32_t actual, int r, int g, int b, int tolerance)
{
    EXPECT_LE(largest_channel_difference(actual, uint32_t(r << 16 | g << 8 | b)), tolerance)
        << std::hex << actual;
}

}  // namespace

TEST(Depth, NearerSurfaceWinsWhicheverIsDrawnFirst)
{
    // Two triangles crossing each other in depth: the frame must not depend on their order.
    auto scene = [](bool reversed) {
        DeviceHarness h;
        std::vector<D3DLVERTEX> red = {h.at(4, 4, 0.2f, 0xFF0000), h.at(60, 10, 0.8f, 0xFF0000),
                                       h.at(10, 60, 0.8f, 0xFF0000)};
        std::vector<D3DLVERTEX> blue = {h.at(60, 4, 0.9f, 0x0000FF), h.at(58, 60, 0.1f, 0x0000FF),
                                        h.at(2, 30, 0.5f, 0x0000FF)};
        if (reversed) {
            h.triangles(blue);
            h.triangles(red);
        } else {
            h.triangles(red);
            h.triangles(blue);
        }
        return h.frame();
    };
    const auto first = scene(false), second = scene(true);
    EXPECT_EQ(first, second);
    int red = 0, blue = 0;
    for (uint32_t p : first) {
        red += p == 0xFF0000;
        blue += p == 0x0000FF;
    }
    EXPECT_GT(red, 100);
    EXPECT_GT(blue, 100);
}

TEST(Depth, EqualDepthPassesAndDisabledDepthNeitherTestsNorWrites)
{
    DeviceHarness h;
    h.triangles(
        {h.at(0, 0, 0.5f, 0xFF0000), h.at(64, 0, 0.5f, 0xFF0000), h.at(0, 64, 0.5f, 0xFF0000)});
    // Less-or-equal: the same depth drawn again replaces the colour.
    h.triangles(
        {h.at(0, 0, 0.5f, 0x00FF00), h.at(64, 0, 0.5f, 0x00FF00), h.at(0, 64, 0.5f, 0x00FF00)});
    EXPECT_EQ(h.pixel(10, 10), 0x00FF00u);
    h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    h.triangles(
        {h.at(0, 0, 0.9f, 0x0000FF), h.at(64, 0, 0.9f, 0x0000FF), h.at(0, 64, 0.9f, 0x0000FF)});
    EXPECT_EQ(h.pixel(10, 10), 0x0000FFu);   // drawn although farther
    h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    h.triangles(
        {h.at(0, 0, 0.7f, 0xFFFFFF), h.at(64, 0, 0.7f, 0xFFFFFF), h.at(0, 64, 0.7f, 0xFFFFFF)});
    EXPECT_EQ(h.pixel(10, 10), 0x0000FFu);   // the depth buffer still holds 0.5
}

TEST(Shading, FlatTakesTheFirstVertexAndGouraudInterpolates)
{
    DeviceHarness h;
    h.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    h.triangles(
        {h.at(0, 0, 0.5f, 0xFF0000), h.at(60, 0, 0.5f, 0x00FF00), h.at(0, 60, 0.5f, 0x0000FF)});
    EXPECT_EQ(h.pixel(2, 2), 0xFF0000u);
    EXPECT_EQ(h.pixel(50, 2), 0xFF0000u);
    EXPECT_EQ(h.pixel(2, 50), 0xFF0000u);

    h.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    h.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
    h.triangles(
        {h.at(0, 0, 0.5f, 0xFF0000), h.at(60, 0, 0.5f, 0x00FF00), h.at(0, 60, 0.5f, 0x0000FF)});
    expect_near_colour(h.pixel(0, 0), 255, 0, 0, 1);
    expect_near_colour(h.pixel(30, 0), 128, 128, 0, 2);     // half way along the top edge
    expect_near_colour(h.pixel(20, 20), 85, 85, 85, 2);     // the centroid
    expect_near_colour(h.pixel(0, 45), 64, 0, 191, 2);
}

TEST(Blending, AlphaAndAdditiveFactorsAreExactToWithinOne)
{
    DeviceHarness h;
    h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    auto quad = [&](uint32_t colour) {
        h.triangles({h.at(0, 0, 0.5f, colour), h.at(64, 0, 0.5f, colour), h.at(0, 64, 0.5f, colour),
                     h.at(64, 0, 0.5f, colour), h.at(64, 64, 0.5f, colour),
                     h.at(0, 64, 0.5f, colour)});
    };
    quad(0x204080);   // the background: blending off
    h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    h.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    quad(0x60F0A010);   // alpha 96
    constexpr int a = 96;
    auto over = [](int s, int d) { return (s * a + d * (255 - a)) / 255.0; };
    expect_near_colour(h.pixel(32, 32), int(over(0xF0, 0x20) + 0.5), int(over(0xA0, 0x40) + 0.5),
                       int(over(0x10, 0x80) + 0.5), 1);
    const uint32_t before = h.pixel(32, 32);

    h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    quad(0x80404040);   // adds 64 x 128 / 255 = 32 per channel
    const uint32_t after = h.pixel(32, 32);
    uint32_t added = 0;
    for (int shift : {0, 8, 16})
        added |= uint32_t(std::min(255, channel(before, shift) + 32)) << shift;
    EXPECT_LE(largest_channel_difference(after, added), 1) << std::hex << after;

    quad(0xFFFFFFFF);   // saturates
    EXPECT_EQ(h.pixel(32, 32), 0xFFFFFFu);
}

TEST(Blending, FourPixelsAtOnceGiveWhatOnePixelAtATimeGives)
{
    // Every pair of factors, with channels at 0, 1, 127, 128, 254 and 255 and random ones:
    // sums that overflow 16 bits, alpha of 0 and 255, all must round and clamp the same.
    const uint8_t edges[] = {0, 1, 127, 128, 254, 255};
    uint32_t seed = 99;
    auto random_pixel = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed;
    };
    for (uint32_t src = 0; src <= 11; src++)
        for (uint32_t dst = 0; dst <= 11; dst++)
            for (int round = 0; round < 300; round++) {
                uint32_t source[4], destination[4], result[4];
                for (int i = 0; i < 4; i++) {
                    source[i] = random_pixel();
                    destination[i] = random_pixel() & 0x00FFFFFFu;
                    if (round < 36 && i == 0) {
                        const uint32_t a = edges[round % 6], c = edges[round / 6];
                        source[i] = a << 24 | c << 16 | c << 8 | c;
                        destination[i] = (255u - c) << 16 | c << 8 | a;
                    }
                }
                const auto load = [](const uint32_t* p) {
                    return simd::load_pairs(p, p + 2);
                };
                simd::store(result, blend_quad(load(source), load(destination), src, dst));
                for (int i = 0; i < 4; i++)
                    ASSERT_EQ(result[i], blend_pixel(source[i], destination[i], src, dst))
                        << std::hex << source[i] << " " << destination[i] << std::dec << " "
                        << src << " " << dst;
            }
}

TEST(Lines, EndPointsAreDrawnAndColourAndDepthFollowTheLine)
{
    DeviceHarness h;
    h.draw(D3DPT_LINELIST, {h.at(5, 5, 0.5f, 0xFF0000), h.at(20, 5, 0.5f, 0x0000FF)}, {0, 1});
    EXPECT_EQ(h.pixel(4, 5), 0u);
    EXPECT_EQ(h.pixel(5, 5), 0xFF0000u);
    EXPECT_EQ(h.pixel(20, 5), 0x0000FFu);
    EXPECT_EQ(h.pixel(21, 5), 0u);
    int drawn = 0;
    for (int x = 0; x < h.width; x++)
        drawn += h.pixel(x, 5) != 0;
    EXPECT_EQ(drawn, 16);
    expect_near_colour(h.pixel(12, 5), 136, 0, 119, 2);   // 7/15 of the way

    // A steep line: one pixel a row, both ends included.
    h.draw(D3DPT_LINELIST, {h.at(40, 10, 0.5f, 0x00FF00), h.at(44, 30, 0.5f, 0x00FF00)}, {0, 1});
    for (int y = 10; y <= 30; y++) {
        int inRow = 0;
        for (int x = 36; x < 50; x++)
            inRow += h.pixel(x, y) == 0x00FF00;
        EXPECT_EQ(inRow, 1) << y;
    }
    EXPECT_EQ(h.pixel(40, 10), 0x00FF00u);
    EXPECT_EQ(h.pixel(44, 30), 0x00FF00u);

    // Depth-tested: a line behind a triangle is hidden, one in front shows.
    h.triangles(
        {h.at(0, 40, 0.5f, 0x808080), h.at(64, 40, 0.5f, 0x808080), h.at(0, 64, 0.5f, 0x808080)});
    h.draw(D3DPT_LINELIST, {h.at(2, 42, 0.9f, 0xFFFFFF), h.at(30, 42, 0.9f, 0xFFFFFF),
                            h.at(2, 44, 0.1f, 0xFFFF00), h.at(30, 44, 0.1f, 0xFFFF00)},
           {0, 1, 2, 3});
    EXPECT_EQ(h.pixel(10, 42), 0x808080u);
    EXPECT_EQ(h.pixel(10, 44), 0xFFFF00u);
}

TEST(Wireframe, DrawsTheEdgesOnly)
{
    DeviceHarness h;
    h.device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
    h.triangles(
        {h.at(10, 10, 0.5f, 0xFFFFFF), h.at(50, 10, 0.5f, 0xFFFFFF), h.at(10, 50, 0.5f, 0xFFFFFF)});
    EXPECT_EQ(h.pixel(30, 10), 0xFFFFFFu);
    EXPECT_EQ(h.pixel(10, 30), 0xFFFFFFu);
    EXPECT_EQ(h.pixel(30, 30), 0xFFFFFFu);   // on the hypotenuse
    EXPECT_EQ(h.pixel(20, 20), 0u);          // inside

    // The triangle runs clockwise on screen: culling removes it before any edge is drawn.
    h.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    h.triangles(
        {h.at(10, 10, 0.5f, 0xFFFFFF), h.at(50, 10, 0.5f, 0xFFFFFF), h.at(10, 50, 0.5f, 0xFFFFFF)});
    EXPECT_EQ(h.count(0xFFFFFF), 0);
}

TEST(Clear, ClearsColourToBlackAndDepthToOneSeparately)
{
    DeviceHarness h;
    h.triangles(
        {h.at(0, 0, 0.5f, 0xFFFFFF), h.at(64, 0, 0.5f, 0xFFFFFF), h.at(0, 64, 0.5f, 0xFFFFFF)});
    h.context->Clear(D3DCLEAR_TARGET);
    EXPECT_EQ(h.count(0), h.width * h.height);
    // Depth kept: a farther triangle stays hidden.
    h.triangles(
        {h.at(0, 0, 0.7f, 0xFF0000), h.at(64, 0, 0.7f, 0xFF0000), h.at(0, 64, 0.7f, 0xFF0000)});
    EXPECT_EQ(h.pixel(5, 5), 0u);
    // Depth cleared to 1.0: even a triangle at the far plane passes.
    h.context->Clear(D3DCLEAR_ZBUFFER);
    h.triangles(
        {h.at(0, 0, 1.0f, 0xFF0000), h.at(64, 0, 1.0f, 0xFF0000), h.at(0, 64, 1.0f, 0xFF0000)});
    EXPECT_EQ(h.pixel(5, 5), 0xFF0000u);
    EXPECT_EQ(h.pixel(60, 60), 0u);
}
