// Coverage and the fill rule: which pixels a triangle owns.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "gfxcontext/clipper.h"
#include "softdevice/rasterizer.h"
#include "tests/softdevice/device_harness.h"

namespace {

// Flat colour added into the frame (one plus one), without depth: each hit of a sample adds the
// colour once more.
RasterState adding_state()
{
    RasterState state;
    state.depthEnable = false;
    state.gouraud = false;
    state.blendEnable = true;
    state.srcBlend = D3DBLEND_ONE;
    state.destBlend = D3DBLEND_ONE;
    return state;
}

}  // namespace

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

TEST(Coverage, EverySampleIsCoveredExactlyAsTheFillRuleSays)
{
    // Random triangles from a pixel to wider than the frame, many across its borders, on a frame
    // of odd width and height that the bands do not divide: each is added into the frame once,
    // and every sample must be hit exactly as often as the edge functions of the fill rule say at
    // the sample's position. Small and wide triangles are walked differently; neither may miss or
    // repeat a sample. With one sample the sample is the pixel's centre.
    const int width = 67, height = 45;
    for (int samples : {1, 4, 8}) {
        SCOPED_TRACE(samples);
        FrameBuffer frame(width, height, samples);
        Rasterizer rasterizer(frame, 3);
        rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        rasterizer.set_state(adding_state());
        const std::span<const SampleOffset> offsets = sample_offsets(samples);
        ASSERT_EQ(offsets.size(), size_t(samples));

        // Indexed as the frame keeps its samples.
        std::vector<int> expected(frame.colour.size(), 0);
        uint32_t seed = 2024;
        auto next = [&seed](float range) {
            seed = seed * 1664525u + 1013904223u;
            return float(seed >> 8) / float(1 << 24) * range;
        };
        for (int i = 0; i < 600; i++) {
            const float size = i % 3 == 0 ? 3.0f : i % 3 == 1 ? 20.0f : 120.0f;
            const float cx = next(width + 20.0f) - 10.0f, cy = next(height + 20.0f) - 10.0f;
            ScreenVertex v[3];
            int64_t X[3], Y[3];
            for (int k = 0; k < 3; k++) {
                v[k] = ScreenVertex{cx + next(size) - size / 2, cy + next(size) - size / 2, 0.5f,
                                    1, 0, 0, 0, 0, 0, 0};
                X[k] = std::lrint(double(v[k].x) * 16);
                Y[k] = std::lrint(double(v[k].y) * 16);
            }
            rasterizer.triangle(v[0], v[1], v[2], 0xFF000001u);

            int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
            if (area == 0)
                continue;
            if (area < 0) {
                std::swap(X[1], X[2]);
                std::swap(Y[1], Y[2]);
            }
            for (int y = 0; y < height; y++)
                for (int s = 0; s < samples; s++)
                    for (int x = 0; x < width; x++) {
                        const int64_t sx = 16 * x + offsets[s].x, sy = 16 * y + offsets[s].y;
                        bool inside = true;
                        for (int k = 0; k < 3; k++) {
                            const int64_t dx = X[(k + 1) % 3] - X[k], dy = Y[(k + 1) % 3] - Y[k];
                            const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
                            const int64_t e = (sy - Y[k]) * dx - (sx - X[k]) * dy;
                            inside = inside && e - (topLeft ? 0 : 1) >= 0;
                        }
                        expected[frame.offset(x, y, s)] += inside;
                    }
        }
        rasterizer.flush();
        int wrong = 0;
        for (size_t i = 0; i < expected.size(); i++)
            wrong += int(frame.colour[i]) != std::min(expected[i], 255);
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 3);
    }
}

TEST(Coverage, SharedEdgesCoverEverySampleOnce)
{
    // A fan around an off-grid centre added into the frame at 1 a hit: every sample of the
    // covered area holds exactly 1, with no sample left out along the shared edges.
    for (int samples : {4, 8}) {
        SCOPED_TRACE(samples);
        FrameBuffer frame(64, 64, samples);
        Rasterizer rasterizer(frame, 2);
        rasterizer.set_state(adding_state());
        const float cx = 31.3f, cy = 30.7f;
        const int sides = 13;
        auto corner = [&](int i) {
            const float a = 6.2831853f * float(i) / sides;
            return ScreenVertex{cx + 25.1f * std::cos(a), cy + 25.1f * std::sin(a), 0.5f, 1,
                                0, 0, 0, 0, 0, 0};
        };
        const ScreenVertex centre{cx, cy, 0.5f, 1, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < sides; i++)
            rasterizer.triangle(centre, corner(i), corner(i + 1), 0xFF000001u);
        rasterizer.flush();
        int covered = 0;
        for (size_t i = 0; i < frame.colour.size(); i++) {
            ASSERT_LE(frame.colour[i], 1u) << i;
            covered += int(frame.colour[i]);
        }
        EXPECT_NEAR(double(covered) / samples, 1903, 40);
        for (int s = 0; s < samples; s++)
            for (int x = 8; x < 54; x++)
                EXPECT_EQ(frame.colour_at(x, 31, s), 1u) << s << " " << x;
    }
}

TEST(Coverage, DepthIsTestedAtEachSampleAndLinesTakeEverySample)
{
    // A red square at depth 0.5 and a green one whose depth runs from 0 at x = 0 to 1 at x = 64
    // drawn after it: they cross on the centres of column 32, whose samples left of the centre
    // take green and those right of it keep red, half and half in both patterns.
    for (int samples : {4, 8}) {
        SCOPED_TRACE(samples);
        FrameBuffer frame(64, 32, samples);
        Rasterizer rasterizer(frame, 2);
        rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        RasterState state;
        state.gouraud = false;
        rasterizer.set_state(state);
        auto at = [](float x, float y, float z) {
            return ScreenVertex{x, y, z, 1, 0, 0, 0, 0, 0, 0};
        };
        rasterizer.triangle(at(0, -1, 0.5f), at(64, -1, 0.5f), at(64, 33, 0.5f), 0xFFFF0000u);
        rasterizer.triangle(at(0, -1, 0.5f), at(64, 33, 0.5f), at(0, 33, 0.5f), 0xFFFF0000u);
        rasterizer.triangle(at(0, -1, 0), at(64, -1, 1), at(64, 33, 1), 0xFF00FF00u);
        rasterizer.triangle(at(0, -1, 0), at(64, 33, 1), at(0, 33, 0), 0xFF00FF00u);
        // A line in front over rows 20 and 21 takes every sample of the pixels it draws.
        rasterizer.line(at(0, 20, 0), at(63, 21, 0), 0xFF0000FFu);
        rasterizer.resolve();
        rasterizer.flush();
        for (int y = 0; y < 32; y++) {
            const uint32_t* row = &frame.resolved[size_t(y) * 64];
            if (y == 20 || y == 21) {
                int lit = 0;
                for (int x = 0; x < 64; x++)
                    lit += row[x] == 0x0000FFu;
                EXPECT_GE(lit, 28) << y;
                continue;
            }
            EXPECT_EQ(row[31], 0x00FF00u) << y;
            EXPECT_EQ(row[32], 0x808000u) << y;   // (255 * half + samples / 2) / samples
            EXPECT_EQ(row[33], 0xFF0000u) << y;
        }
    }
}

TEST(Coverage, ResolvingRoundsTheMeanOfEachChannelToNearest)
{
    for (int samples : {4, 8}) {
        FrameBuffer frame(19, 3, samples);
        uint32_t seed = 77;
        for (uint32_t& c : frame.colour) {
            seed = seed * 1664525u + 1013904223u;
            // Mostly the extremes, where carries between channels would show.
            c = (seed >> 8) % 3 == 0 ? 0x00FFFFFFu : (seed >> 8) % 3 == 1 ? 0u : seed & 0x00FFFFFFu;
        }
        resolve_rows(frame, 0, 3);
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 19; x++) {
                uint32_t expected = 0;
                for (int shift : {0, 8, 16}) {
                    int sum = 0;
                    for (int s = 0; s < samples; s++)
                        sum += int(frame.colour_at(x, y, s) >> shift & 255);
                    expected |= uint32_t((sum + samples / 2) / samples) << shift;
                }
                EXPECT_EQ(frame.resolved[size_t(y) * 19 + x], expected) << samples << " " << x;
            }
    }
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

TEST(Culling, EachModeRemovesTheTrianglesOfItsWinding)
{
    // On a y-down screen, (10,10) (30,10) (10,30) runs clockwise.
    for (uint32_t mode : {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW}) {
        DeviceHarness h;
        h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, mode);
        h.triangles({h.at(10, 10, 0.5f, 0xFF0000), h.at(30, 10, 0.5f, 0xFF0000),
                     h.at(10, 30, 0.5f, 0xFF0000)});
        h.triangles({h.at(40, 40, 0.5f, 0x00FF00), h.at(40, 60, 0.5f, 0x00FF00),
                     h.at(60, 40, 0.5f, 0x00FF00)});
        const bool clockwiseShown = mode != D3DCULL_CW, counterShown = mode != D3DCULL_CCW;
        EXPECT_EQ(h.pixel(14, 14), clockwiseShown ? 0xFF0000u : 0u) << mode;
        EXPECT_EQ(h.pixel(44, 44), counterShown ? 0x00FF00u : 0u) << mode;
    }
}

TEST(Culling, WindingIsJudgedAfterProjection)
{
    // Clip space has y up and the screen y down: the winding that counts is the one on screen.
    DeviceHarness h;
    h.perspective(1.0f, 1.0f, 100.0f);
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
    // Camera space, y up: (-1,1) (1,1) (-1,-1) at depth 4 is clockwise on screen.
    h.triangles({{-1, 1, 4, 0, 0xFFFFFF, 0, 0, 0}, {1, 1, 4, 0, 0xFFFFFF, 0, 0, 0},
                 {-1, -1, 4, 0, 0xFFFFFF, 0, 0, 0}});
    EXPECT_EQ(h.pixel(28, 28), 0xFFFFFFu);
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    h.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    h.triangles({{-1, 1, 4, 0, 0xFFFFFF, 0, 0, 0}, {1, 1, 4, 0, 0xFFFFFF, 0, 0, 0},
                 {-1, -1, 4, 0, 0xFFFFFF, 0, 0, 0}});
    EXPECT_EQ(h.count(0xFFFFFF), 0);

    // A floor triangle reaching behind the eye is cut at the near plane; what is left keeps the
    // winding (clockwise on screen) and is culled as the whole would be.
    const std::vector<D3DLVERTEX> floor = {{-2, -1, 8, 0, 0xFF, 0, 0, 0},
                                           {2, -1, 8, 0, 0xFF, 0, 0, 0},
                                           {0, -1, -8, 0, 0xFF, 0, 0, 0}};
    h.triangles(floor);
    EXPECT_EQ(h.count(0xFF), 0);
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
    h.triangles(floor);
    EXPECT_GT(h.count(0xFF), 200);
}

TEST(Clipping, TriangleCrossingTheEyePlaneShowsOnlyItsPartInFront)
{
    // A floor triangle at y = -1 reaching from in front of the eye to behind it. Only what lies
    // beyond the near plane may show: below the horizon, nothing above it, and the same pixels
    // as the part in front cut by hand at the near plane.
    const float nearZ = 1.0f;
    DeviceHarness h;
    h.perspective(1.0f, nearZ, 100.0f);
    h.triangles({{-2, -1, 8, 0, 0xFFFFFF, 0, 0, 0}, {2, -1, 8, 0, 0xFFFFFF, 0, 0, 0},
                 {0, -1, -8, 0, 0xFFFFFF, 0, 0, 0}});
    const std::vector<uint32_t> clipped = h.frame();
    int above = 0, below = 0;
    for (int y = 0; y < h.height; y++)
        for (int x = 0; x < h.width; x++) {
            bool lit = clipped[size_t(y) * h.width + x] != 0;
            (y < h.height / 2 ? above : below) += lit;
        }
    EXPECT_EQ(above, 0);
    EXPECT_GT(below, 200);

    // The edges to the point behind the eye cross z = 1 at t = 7/16 of the way.
    DeviceHarness reference;
    reference.perspective(1.0f, nearZ, 100.0f);
    const float t = 7.0f / 16.0f;
    D3DLVERTEX a{-2, -1, 8, 0, 0xFFFFFF, 0, 0, 0}, b{2, -1, 8, 0, 0xFFFFFF, 0, 0, 0};
    D3DLVERTEX c{-2 + 2 * t, -1, nearZ, 0, 0xFFFFFF, 0, 0, 0};
    D3DLVERTEX d{2 - 2 * t, -1, nearZ, 0, 0xFFFFFF, 0, 0, 0};
    reference.triangles({a, b, d, a, d, c});
    const std::vector<uint32_t>& cut = reference.frame();
    int differing = 0;
    for (size_t i = 0; i < cut.size(); i++)
        differing += (cut[i] != 0) != (clipped[i] != 0);
    EXPECT_LE(differing, 4);
}

TEST(Clipping, LinesAreCutAtTheNearPlaneAndTheGuardBand)
{
    auto point = [](float x, float z, float w, float u) {
        return ClipPoint{x, 0, z, w, u, 0, 0, 0, 0, 0};
    };
    // From behind the near plane (z < 0) to in front of it: the back end moves to z = 0.
    ClipPoint a = point(0, -1, 1, 0), b = point(0, 3, 4, 1);
    ASSERT_TRUE(clip_line(a, b));
    EXPECT_FLOAT_EQ(a.z, 0.0f);
    EXPECT_FLOAT_EQ(a.u, 0.25f);
    EXPECT_FLOAT_EQ(b.z, 3.0f);
    // Far off to the right: the end beyond the guard band (x = 4 w) moves onto it.
    a = point(0, 0.5f, 1, 0);
    b = point(2 * guardBand, 0.5f, 1, 1);
    ASSERT_TRUE(clip_line(a, b));
    EXPECT_FLOAT_EQ(b.x, guardBand);
    EXPECT_FLOAT_EQ(b.u, 0.5f);
    EXPECT_FLOAT_EQ(a.x, 0.0f);
    // Wholly behind the near plane or wholly beyond the band: nothing is left.
    a = point(0, -1, 1, 0);
    b = point(0, -2, 1, 1);
    EXPECT_FALSE(clip_line(a, b));
    a = point(5 * guardBand, 0.5f, 1, 0);
    b = point(6 * guardBand, 0.5f, 1, 1);
    EXPECT_FALSE(clip_line(a, b));
}

TEST(Clipping, FarPlaneAndSidesCutWithoutLosingTheRest)
{
    DeviceHarness h;
    h.perspective(1.0f, 1.0f, 10.0f);
    // A wall far beyond the far plane draws nothing; a huge one around the eye fills the frame.
    h.triangles({{-1, -1, 20, 0, 0xFF, 0, 0, 0}, {1, -1, 20, 0, 0xFF, 0, 0, 0},
                 {0, 1, 20, 0, 0xFF, 0, 0, 0}});
    EXPECT_EQ(h.count(0xFF), 0);
    h.triangles({{-1000, -1000, 5, 0, 0xFF, 0, 0, 0}, {3000, -1000, 5, 0, 0xFF, 0, 0, 0},
                 {-1000, 3000, 5, 0, 0xFF, 0, 0, 0}});
    EXPECT_EQ(h.count(0xFF), h.width * h.height);
}
