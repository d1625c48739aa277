// Texturing: perspective-correct coordinates, wrap addressing, mip selection, and how the texture
// combines with the diffuse colour.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "softdevice/sampler.h"
#include "tests/softdevice/device_harness.h"
#include "tests/support/pixel_difference.h"

namespace {

std::vector<uint32_t> solid(int w, int h, uint32_t colour)
{
    return std::vector<uint32_t>(size_t(w) * h, colour);
}

}  // namespace

TEST(Texturing, RecedingStripesStayStraight)
{
    // A floor receding from the eye with stripes running away from it (four texels across, point
    // sampled). Each stripe border is a straight line on screen; interpolating the coordinates
    // without perspective would bend it where the two triangles of the floor meet.
    DeviceHarness h(128, 128);
    h.perspective(1.0f, 1.0f, 100.0f);
    h.device->SetTexture(0, h.texture(4, 1, {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));
    const uint32_t white = 0xFFFFFF;
    D3DLVERTEX nearLeft{-2, -1, 1.5f, 0, white, 0, 0, 0}, nearRight{2, -1, 1.5f, 0, white, 0, 1, 0};
    D3DLVERTEX farLeft{-2, -1, 30, 0, white, 0, 0, 1}, farRight{2, -1, 30, 0, white, 0, 1, 1};
    h.triangles({nearLeft, nearRight, farRight, nearLeft, farRight, farLeft});
    const auto& frame = h.frame();

    // Per row, the x of the first black-to-white border right of the centre (u = 0.75 border
    // seen at x = 1 on the floor).
    std::vector<std::pair<int, int>> border;
    for (int y = 70; y < 128; y++) {
        for (int x = 65; x < 127; x++)
            if (frame[size_t(y) * 128 + x] == 0 && frame[size_t(y) * 128 + x + 1] == white) {
                border.emplace_back(y, x);
                break;
            }
    }
    ASSERT_GT(border.size(), 30u);
    const auto [y0, x0] = border.front();
    const auto [y1, x1] = border.back();
    for (const auto& [y, x] : border) {
        double expected = x0 + double(x1 - x0) * (y - y0) / (y1 - y0);
        EXPECT_LE(std::fabs(x - expected), 1.0) << "row " << y;
    }
}

TEST(Texturing, ReloadingALevelWaitsForTheDrawsQueuedBeforeIt)
{
    // The first square is still queued when the level is overwritten: it shows the old texels.
    DeviceHarness h;
    gfx::Texture* t = h.texture(4, 4, solid(4, 4, 0xFFFF0000));
    h.device->SetTexture(0, t);
    h.triangles({h.at(0, 0, 0.5f, 0xFFFFFF, 0, 0), h.at(20, 0, 0.5f, 0xFFFFFF, 1, 0),
                 h.at(0, 20, 0.5f, 0xFFFFFF, 0, 1)});
    const auto green = solid(4, 4, 0xFF00FF00);
    h.library->D3DXLoadTextureFromMemory(h.device, t, 0, green.data(), D3DX_SF_A8R8G8B8, 0,
                                         D3DX_FT_LINEAR);
    h.triangles({h.at(40, 40, 0.5f, 0xFFFFFF, 0, 0), h.at(60, 40, 0.5f, 0xFFFFFF, 1, 0),
                 h.at(40, 60, 0.5f, 0xFFFFFF, 0, 1)});
    EXPECT_EQ(h.pixel(4, 4), 0xFF0000u);
    EXPECT_EQ(h.pixel(44, 44), 0x00FF00u);
}

TEST(Texturing, CoordinatesWrapBeyondOne)
{
    DeviceHarness h;
    h.device->SetTexture(0, h.texture(2, 1, {0xFFFF0000, 0xFF0000FF}));
    // u from -2 to 2 over 64 pixels: eight texel widths of 8 pixels, red first.
    auto quad = [&](float u0, float u1) {
        h.triangles({h.at(0, 0, 0.5f, 0xFFFFFF, u0, 0), h.at(64, 0, 0.5f, 0xFFFFFF, u1, 0),
                     h.at(0, 64, 0.5f, 0xFFFFFF, u0, 1), h.at(64, 0, 0.5f, 0xFFFFFF, u1, 0),
                     h.at(64, 64, 0.5f, 0xFFFFFF, u1, 1), h.at(0, 64, 0.5f, 0xFFFFFF, u0, 1)});
    };
    quad(-2, 2);
    for (int texel = 0; texel < 8; texel++)
        EXPECT_EQ(h.pixel(texel * 8 + 4, 20), texel % 2 ? 0x0000FFu : 0xFF0000u) << texel;
}

TEST(Texturing, DiffuseModulatesColourAndTextureGivesAlpha)
{
    DeviceHarness h;
    h.device->SetTexture(0, h.texture(1, 1, {0x80FF8040}));   // alpha 128
    h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    h.triangles({h.at(0, 0, 0.5f, 0xFF808080), h.at(64, 0, 0.5f, 0xFF808080),
                 h.at(0, 64, 0.5f, 0xFF808080)});
    // 0xFF x 0x80 / 255 = 0x80, 0x80 x 0x80 / 255 = 0x40, 0x40 x 0x80 / 255 = 0x20.
    EXPECT_EQ(h.pixel(5, 5), 0x804020u);

    // Blending uses the texture's alpha, not the diffuse alpha of 0.
    h.context->Clear(D3DCLEAR_TARGET);
    h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    h.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    h.triangles({h.at(0, 0, 0.5f, 0x00FFFFFF), h.at(64, 0, 0.5f, 0x00FFFFFF),
                 h.at(0, 64, 0.5f, 0x00FFFFFF)});
    const uint32_t p = h.pixel(5, 5);
    EXPECT_LE(testing_support::largest_channel_difference(p, 0x804020), 1) << std::hex << p;

    // Without a texture the diffuse colour and its alpha stand alone: alpha 0 leaves the frame.
    h.device->SetTexture(0, nullptr);
    h.triangles({h.at(0, 0, 0.5f, 0x00FFFFFF), h.at(64, 0, 0.5f, 0x00FFFFFF),
                 h.at(0, 64, 0.5f, 0x00FFFFFF)});
    EXPECT_EQ(h.pixel(5, 5), p);
}

namespace {

// A 64 x 64 texture whose level i is filled with colours[i]; levels from `loaded` on stay empty.
gfx::Texture* level_coloured_texture(DeviceHarness& h, int loaded)
{
    const uint32_t colours[7] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00,
                                 0xFF00FFFF, 0xFFFF00FF, 0xFFFFFFFF};
    gfx::Texture* t = nullptr;
    h.library->D3DXCreateTexture(h.device, 0, 64, 64, D3DX_SF_A8R8G8B8, &t);
    for (int level = 0, size = 64; level < loaded; level++, size /= 2) {
        auto texels = solid(size, size, colours[level]);
        h.library->D3DXLoadTextureFromMemory(h.device, t, uint32_t(level), texels.data(),
                                             D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR);
    }
    return t;
}

// The whole texture on a square of side pixels.
uint32_t draw_square(DeviceHarness& h, float side)
{
    h.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    h.triangles({h.at(0, 0, 0.5f, 0xFFFFFF, 0, 0), h.at(side, 0, 0.5f, 0xFFFFFF, 1, 0),
                 h.at(0, side, 0.5f, 0xFFFFFF, 0, 1), h.at(side, 0, 0.5f, 0xFFFFFF, 1, 0),
                 h.at(side, side, 0.5f, 0xFFFFFF, 1, 1), h.at(0, side, 0.5f, 0xFFFFFF, 0, 1)});
    return h.pixel(4, 4);
}

}  // namespace

TEST(MipMapping, LevelFollowsTheMinificationAndStaysWithinLoadedLevels)
{
    DeviceHarness h;
    h.device->SetTexture(0, level_coloured_texture(h, 7));
    h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    h.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);

    h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_NONE);
    EXPECT_EQ(draw_square(h, 16), 0xFF0000u);   // no mip-mapping: level 0 always
    h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
    EXPECT_EQ(draw_square(h, 64), 0xFF0000u);   // one texel a pixel
    EXPECT_EQ(draw_square(h, 32), 0x00FF00u);   // two texels a pixel: level 1
    EXPECT_EQ(draw_square(h, 16), 0x0000FFu);   // four: level 2
    EXPECT_EQ(draw_square(h, 39.4f), 0x00FF00u);  // log2 0.7: the nearest level, 1
    EXPECT_EQ(draw_square(h, 19.7f), 0x0000FFu);  // log2 1.7: 2

    // Linear between levels: 64 / 22.6 = 2.83 texels a pixel, log2 = 1.5: half of 1 and 2.
    h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    const uint32_t mixed = draw_square(h, 22.627f);
    EXPECT_EQ(mixed >> 16 & 255, 0u);
    EXPECT_NEAR(double(mixed >> 8 & 255), 128.0, 6.0);
    EXPECT_NEAR(double(mixed & 255), 128.0, 6.0);

    // Only levels 0 and 1 loaded: a strong minification uses level 1, never the empty ones.
    DeviceHarness partial;
    partial.device->SetTexture(0, level_coloured_texture(partial, 2));
    partial.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    partial.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    EXPECT_EQ(draw_square(partial, 8), 0x00FF00u);
}

TEST(Filtering, BilinearBlendsNeighboursAndPointDoesNot)
{
    // A 2 x 1 texture black | white stretched over 64 pixels: bilinear ramps up around the middle,
    // point jumps there.
    DeviceHarness h;
    h.device->SetTexture(0, h.texture(2, 1, {0xFF000000, 0xFFFFFFFF}));
    auto row = [&](uint32_t filter) {
        h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
        h.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        h.triangles({h.at(0, 0, 0.5f, 0xFFFFFF, 0, 0), h.at(64, 0, 0.5f, 0xFFFFFF, 1, 0),
                     h.at(0, 64, 0.5f, 0xFFFFFF, 0, 1), h.at(64, 0, 0.5f, 0xFFFFFF, 1, 0),
                     h.at(64, 64, 0.5f, 0xFFFFFF, 1, 1), h.at(0, 64, 0.5f, 0xFFFFFF, 0, 1)});
        std::vector<int> values;
        for (int x = 0; x < 64; x++)
            values.push_back(int(h.pixel(x, 10) & 255));
        return values;
    };
    const auto point = row(D3DTFG_POINT);
    for (int x = 0; x < 64; x++)
        EXPECT_EQ(point[x], x < 32 ? 0 : 255) << x;
    const auto linear = row(D3DTFG_LINEAR);
    EXPECT_NEAR(linear[32], 128, 5);   // half way between the texel centres at 16 and 48
    EXPECT_NEAR(linear[24], 64, 5);
    for (int x = 17; x < 48; x++)
        EXPECT_LE(linear[x - 1], linear[x]) << x;
}

TEST(MipMapping, Log2ApproximationIsCloseEverywhere)
{
    for (float x = 0.01f; x < 1e6f; x *= 1.037f)
        EXPECT_NEAR(approximate_log2(x), std::log2(x), 0.01) << x;
}

namespace {

using QuadLanes = std::vector<int32_t>;   // a quad's texels: top pixels, then bottom ones

QuadLanes lanes(const QuadTexels& t)
{
    int32_t a[8];
    simd::store(a, simd::as_i32(t.top));
    simd::store(a + 4, simd::as_i32(t.bottom));
    return QuadLanes(a, a + 8);
}

#ifdef PLAYER_SIMD_AVX2
// sample_pair's texels of the quads at (u0, v0) and (u1, v1).
[[gnu::target("avx2")]] std::array<QuadLanes, 2> pair_lanes(const SoftwareTexture& texture,
                                                            const RasterState& state,
                                                            simd::F32x4 u0, simd::F32x4 v0,
                                                            simd::F32x4 u1, simd::F32x4 v1)
{
    namespace wide = simd::avx2;
    const PairTexels p = sample_pair(texture, state, wide::join(u0, u1), wide::join(v0, v1));
    int32_t top[8], bottom[8];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(top), p.top.v);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bottom), p.bottom.v);
    return {QuadLanes{top[0], top[1], top[2], top[3], bottom[0], bottom[1], bottom[2], bottom[3]},
            QuadLanes{top[4], top[5], top[6], top[7], bottom[4], bottom[5], bottom[6], bottom[7]}};
}
#endif

}  // namespace

TEST(Filtering, FastAndPortableSamplersAgreeExactly)
{
    // Whatever road sample_quad takes on this processor, it must give the portable result, or
    // frames would differ between machines (without AVX2, and so in the run that turns it off,
    // the two are one code and agree by construction). So must two quads sampled at once, the
    // quad right of the first (the same levels, as a rule) or one of another footprint (other
    // levels, each quad keeping its own).
    SoftwareTexture texture(37, 20, true);
    uint32_t seed = 7;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed;
    };
    for (size_t level = 0; level < texture.levels.size(); level++) {
        std::vector<uint32_t> texels(size_t(texture.levels[level].width) *
                                     texture.levels[level].height);
        for (uint32_t& t : texels)
            t = next();
        texture.load(uint32_t(level), texels.data(), 0);
    }
    auto random_real = [&] { return float(int(next() % 20001) - 10000) / 997.0f; };
    for (int i = 0; i < 5000; i++) {
        RasterState state;
        state.magFilter = 1 + next() % 2;
        state.minFilter = 1 + next() % 2;
        state.mipFilter = 1 + next() % 3;
        const float u0 = random_real(), v0 = random_real(), step = float(next() % 1000) / 4000.0f;
        const simd::F32x4 u = simd::set(u0, u0 + step, u0 + step * 0.3f, u0 + step * 1.3f);
        const simd::F32x4 v = simd::set(v0, v0 - step * 0.2f, v0 + step, v0 + step * 0.8f);
        const QuadLanes portable = lanes(sample_quad_baseline(texture, state, u, v));
        ASSERT_EQ(lanes(sample_quad(texture, state, u, v)), portable) << i;
#ifdef PLAYER_SIMD_AVX2
        if (!simd::use_avx2())
            continue;
        const float s = i % 2 ? step : float(next() % 1000) / 4000.0f;
        const float u1 = u0 + (i % 2 ? 2 * step : random_real()), v1 = v0 - 0.4f * step;
        const simd::F32x4 ru = simd::set(u1, u1 + s, u1 + s * 0.3f, u1 + s * 1.3f);
        const simd::F32x4 rv = simd::set(v1, v1 - s * 0.2f, v1 + s, v1 + s * 0.8f);
        const std::array<QuadLanes, 2> pair = pair_lanes(texture, state, u, v, ru, rv);
        ASSERT_EQ(pair[0], portable) << i;
        ASSERT_EQ(pair[1], lanes(sample_quad_baseline(texture, state, ru, rv))) << i;
#endif
    }
}
