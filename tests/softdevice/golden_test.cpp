// Small scenes drawn through the whole device, compared pixel for pixel with the images in
// tests/softdevice/golden. After a deliberate change to the picture, regenerate them with
// GOLDEN_UPDATE=1 tests_gfxcontext --gtest_filter='Golden*' and look at the new images.
// Also: the same frame, byte for byte, however many threads draw it.

#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstring>
#include <iterator>
#include <functional>

#include "softdevice/rasterizer.h"
#include "softdevice/simd.h"
#include "softdevice/texture.h"
#include "tests/softdevice/device_harness.h"
#include "tests/support/box_halve.h"
#include "tests/support/golden_image.h"

namespace {

constexpr int sceneWidth = 160, sceneHeight = 120;

std::vector<uint32_t> checker(int size, int cell, uint32_t a, uint32_t b)
{
    std::vector<uint32_t> texels(size_t(size) * size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++)
            texels[size_t(y) * size + x] = ((x / cell + y / cell) & 1) ? a : b;
    return texels;
}

// A texture with its whole chain, each level a box-filtered half of the one above.
gfx::Texture* mipmapped_checker(DeviceHarness& h, int size)
{
    gfx::Texture* t = nullptr;
    h.library->D3DXCreateTexture(h.device, 0, uint32_t(size), uint32_t(size), D3DX_SF_A8R8G8B8, &t);
    std::vector<uint32_t> level = checker(size, 4, 0xFFE0C020, 0xFF2040A0);
    for (int i = 0; size >= 1; i++, size /= 2) {
        h.library->D3DXLoadTextureFromMemory(h.device, t, uint32_t(i), level.data(),
                                             D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR);
        level = box_halve(level, size);
    }
    return t;
}

void device_states(DeviceHarness& h)
{
    // As device set-up leaves them.
    h.device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    h.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    h.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    const float view[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    h.device->SetTransform(D3DTRANSFORMSTATE_VIEW, view);
    // The renderer's projection: focal 1/tan(30 deg), y scaled by 1.2, near 1, far 100.
    const float c = 1.7320508f, q = 100.0f / 99.0f;
    const float projection[16] = {c, 0, 0, 0, 0, c * 1.2f, 0, 0, 0, 0, q, 1, 0, 0, -q, 0};
    h.device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, projection);
}

// Camera space as the renderer sends it (y down, turned over by the view), colour, uv.
D3DLVERTEX cv(float x, float y, float z, uint32_t colour, float u = 0, float v = 0)
{
    return D3DLVERTEX{x, y, z, 0, colour, 0, u, v};
}

void textured_cube(DeviceHarness& h)
{
    device_states(h);
    // The faces below run clockwise on screen seen from outside: cull the other winding.
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
    h.device->SetTexture(0, mipmapped_checker(h, 32));
    // A cube of side 2 turned 30 degrees about y and 20 about x, 5 in front of the eye.
    const float ay = 0.5236f, ax = 0.3491f;
    auto place = [&](float x, float y, float z) {
        float x1 = x * std::cos(ay) + z * std::sin(ay), z1 = -x * std::sin(ay) + z * std::cos(ay);
        float y2 = y * std::cos(ax) - z1 * std::sin(ax), z2 = y * std::sin(ax) + z1 * std::cos(ax);
        return std::array<float, 3>{x1, y2, z2 + 5.0f};
    };
    const int faces[6][4][3] = {{{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}},
                                {{1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}},
                                {{-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}},
                                {{1, -1, -1}, {1, -1, 1}, {1, 1, 1}, {1, 1, -1}},
                                {{-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, -1, -1}},
                                {{-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1}}};
    const uint32_t shades[4] = {0xFFFFFF, 0xC0FFC0, 0xFFC0C0, 0xC0C0FF};
    const float uv[4][2] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    std::vector<D3DLVERTEX> vertices;
    std::vector<uint16_t> indices;
    for (const auto& face : faces) {
        const uint16_t base = uint16_t(vertices.size());
        for (int k = 0; k < 4; k++) {
            auto p = place(float(face[k][0]), float(face[k][1]), float(face[k][2]));
            vertices.push_back(cv(p[0], p[1], p[2], shades[k], uv[k][0], uv[k][1]));
        }
        for (int k : {0, 1, 2, 0, 2, 3})
            indices.push_back(uint16_t(base + k));
    }
    h.draw(D3DPT_TRIANGLELIST, vertices, indices);
}

void clipped_floor(DeviceHarness& h)
{
    device_states(h);
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    h.device->SetTexture(0, mipmapped_checker(h, 64));
    // A floor below the eye reaching behind it, and a flat-shaded wall crossing it.
    h.draw(D3DPT_TRIANGLELIST,
           {cv(-20, 1, -5, 0xFFFFFF, 0, 0), cv(20, 1, -5, 0xFFFFFF, 8, 0),
            cv(20, 1, 60, 0x404040, 8, 16), cv(-20, 1, 60, 0x404040, 0, 16)},
           {0, 1, 2, 0, 2, 3});
    h.device->SetTexture(0, nullptr);
    h.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    h.draw(D3DPT_TRIANGLELIST,
           {cv(-3, 2, 6, 0xC03030), cv(4, 2, 14, 0x30C030), cv(0, -3, 9, 0x3030C0)}, {0, 1, 2});
}

void blending_and_lines(DeviceHarness& h)
{
    device_states(h);
    h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    h.draw(D3DPT_TRIANGLELIST,
           {cv(-3, -2, 8, 0xFF0000), cv(3, -2, 8, 0x00FF00), cv(0, 3, 8, 0x0000FF)}, {0, 1, 2});
    h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    h.draw(D3DPT_TRIANGLELIST,
           {cv(-4, 0, 6, 0x80FFFFFF), cv(1, -3, 6, 0x80FFFF00), cv(2, 2, 6, 0x20FFFFFF)},
           {0, 1, 2});
    h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    h.draw(D3DPT_TRIANGLELIST,
           {cv(0, 0, 7, 0xFF0040FF), cv(4, 1, 7, 0xFF0040FF), cv(1, 3, 7, 0x400040FF)}, {0, 1, 2});
    h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    h.device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
    h.draw(D3DPT_TRIANGLELIST,
           {cv(-4, -3, 5, 0xFFFF00), cv(-1, -3, 5, 0x00FFFF), cv(-2, 0, 5, 0xFF00FF)}, {0, 1, 2});
    h.device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID);
    // Lines, one passing behind the opaque triangle.
    h.draw(D3DPT_LINELIST,
           {cv(-5, 2.5f, 4, 0xFFFFFF), cv(5, 2.5f, 12, 0xFF8000), cv(-4, -1, 12, 0x00FF80),
            cv(4, 1, 12, 0x00FF80)},
           {0, 1, 2, 3});
    h.context->DrawDebugText(0.05f, 0.05f, 0xFFFF80, "Golden 1.0");
}

void compare_with_golden(const std::string& name, const std::function<void(DeviceHarness&)>& scene)
{
    DeviceHarness h(sceneWidth, sceneHeight);
    scene(h);
    testing_support::expect_golden_image(
        std::string(SOURCE_DIR) + "/tests/softdevice/golden/" + name + ".png", h.frame(),
        sceneWidth, sceneHeight, 0);
}

}  // namespace

TEST(Golden, TexturedCube) { compare_with_golden("textured_cube", textured_cube); }
TEST(Golden, ClippedFloor) { compare_with_golden("clipped_floor", clipped_floor); }
TEST(Golden, BlendingAndLines) { compare_with_golden("blending_and_lines", blending_and_lines); }

TEST(Determinism, SameFrameOnEveryRun)
{
    for (auto scene : {textured_cube, clipped_floor, blending_and_lines}) {
        DeviceHarness first(sceneWidth, sceneHeight), second(sceneWidth, sceneHeight);
        scene(first);
        scene(second);
        EXPECT_EQ(first.frame(), second.frame());
    }
}

TEST(Determinism, SameFrameWhateverTheNumberOfThreads)
{
    // Many overlapping blended, textured and depth-tested triangles, drawn by one thread, two and
    // eight: tile boundaries must not show, nor the queues handed to the workers on the way, which
    // are more than the workers hold at once, with a flush half way. The same with 4 and 8
    // samples a pixel, whose samples and resolved frames must also come out as they always have
    // on every vector path (the digests below; the one-sample frames have their goldens).
    SoftwareTexture texture(16, 16, true);
    std::vector<uint32_t> texels = checker(16, 2, 0x80FF0000, 0xFF00FFFF);
    texture.load(0, texels.data(), 0);
    auto draw = [&](int threads, int samples) {
        FrameBuffer frame(200, 150, samples);
        Rasterizer rasterizer(frame, threads);
        rasterizer.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        uint32_t seed = 12345;
        auto next = [&seed](float range) {
            seed = seed * 1664525u + 1013904223u;
            return float(seed >> 8) / float(1 << 24) * range;
        };
        for (int i = 0; i < 12000; i++) {
            if (i == 5000)
                rasterizer.flush();
            RasterState state;
            state.blendEnable = i % 3 == 0;
            state.srcBlend = D3DBLEND_SRCALPHA;
            state.destBlend = i % 2 ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA;
            state.texture = i % 2 ? &texture : nullptr;
            state.minFilter = D3DTFN_LINEAR;
            state.magFilter = D3DTFG_LINEAR;
            rasterizer.set_state(state);
            ScreenVertex v[3];
            for (ScreenVertex& p : v)
                p = ScreenVertex{next(240) - 20, next(190) - 20, next(1), 1, next(4), next(4),
                                 next(255), next(255), next(255), next(255)};
            if (i % 7 == 0)
                rasterizer.line(v[0], v[1], 0xFFFFFFFF);
            else
                rasterizer.triangle(v[0], v[1], v[2], 0xFF808080);
        }
        rasterizer.resolve();
        rasterizer.flush();
        // Row by row, each row sample by sample, whatever the order the frame keeps them in.
        std::vector<uint32_t> result;
        for (int y = 0; y < frame.height; y++)
            for (int s = 0; s < samples; s++)
                for (int x = 0; x < frame.width; x++)
                    result.push_back(frame.colour_at(x, y, s));
        result.insert(result.end(), frame.resolved.begin(), frame.resolved.end());
        return result;
    };
    auto digest = [](const std::vector<uint32_t>& values) {
        uint64_t hash = 14695981039346656037u;
        for (uint32_t v : values)
            hash = (hash ^ v) * 1099511628211u;
        return hash;
    };
    for (int samples : {1, 4, 8}) {
        SCOPED_TRACE(samples);
        const std::vector<uint32_t> one = draw(1, samples);
        EXPECT_EQ(one, draw(2, samples));
        EXPECT_EQ(one, draw(8, samples));
        if (samples == 4) {
            EXPECT_EQ(digest(one), 2688769643582175023u);
        } else if (samples == 8) {
            EXPECT_EQ(digest(one), 16042986686675788272u);
        }
    }
}

#ifndef PLAYER_PORTABLE_SIMD
namespace {

using Lanes = std::array<uint32_t, 4>;
template <class F>
Lanes float_lanes(F x)
{
    // Which NaN an operation on two gives is the compiler's choice of operand order; nothing
    // downstream reads it, so every NaN counts as one.
    float f[4];
    store(f, x);
    Lanes l;
    std::memcpy(l.data(), f, sizeof f);
    for (size_t i = 0; i < 4; i++)
        l[i] = f[i] != f[i] ? 0x7FC00000u : l[i];
    return l;
}
Lanes lanes(simd::sse2::F32x4 x) { return float_lanes(x); }
Lanes lanes(simd::portable::F32x4 x) { return float_lanes(x); }
template <class I>
Lanes int_lanes(I x)
{
    uint32_t u[4];
    store(u, x);
    return {u[0], u[1], u[2], u[3]};
}
Lanes lanes(simd::sse2::I32x4 x) { return int_lanes(x); }
Lanes lanes(simd::portable::I32x4 x) { return int_lanes(x); }
Lanes lanes(simd::sse2::I16x8 x) { return int_lanes(as_i32(x)); }
Lanes lanes(simd::portable::I16x8 x) { return int_lanes(as_i32(x)); }
Lanes lanes(int x) { return {uint32_t(x), 0, 0, 0}; }

}  // namespace

TEST(Determinism, PortableVectorsGiveWhatSse2Gives)
{
    // Lanes that are not numbers, infinities, -0, halves, the edges of int32 and int16: every
    // operation of the plain C++ build must give the SSE2 bits.
    const float nan = std::nanf(""), inf = INFINITY;
    const float floats[] = {nan,   inf,    -inf,          -0.0f,        0.0f,  0.5f,  1.5f,
                            2.5f,  -0.5f,  -1.5f,         -2.5f,        3.7f,  -3.7f, 1e-45f,
                            1e10f, -1e10f, 2147483520.0f, 2147483648.f, -2147483648.f, 255.5f,
                            -nan};
    const uint32_t ints[] = {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0,     1,          255,
                             256,         32767,       32768,       65535, 0xFFFF8000u, 0x7FFF8001u,
                             0x00FF00FFu, 0x12345678u, 0xFEDCBA98u, 64,    0x8000FFFFu};
    const size_t nf = std::size(floats), ni = std::size(ints);
    for (size_t i = 0; i < nf * nf; i++) {
        float fa[4], fb[4];
        uint32_t ia[4], ib[4];
        for (size_t k = 0; k < 4; k++) {
            fa[k] = floats[(i + k) % nf];
            fb[k] = floats[(i / nf + 3 * k) % nf];
            ia[k] = ints[(i + k) % ni];
            ib[k] = ints[(i / ni + 5 * k) % ni];
        }
        auto check = [&](const char* what, Lanes sse2, Lanes portable) {
            EXPECT_EQ(sse2, portable) << what << " at " << i;
        };
#define SAME(expr)                                                                            \
    {                                                                                         \
        Lanes s, p;                                                                           \
        {                                                                                     \
            namespace V = simd::sse2;                                                         \
            [[maybe_unused]] const auto a = V::load(fa), b = V::load(fb);                     \
            [[maybe_unused]] const auto m = V::load_pairs(ia, ia + 2),                        \
                                        n = V::load_pairs(ib, ib + 2);                        \
            s = lanes(expr);                                                                  \
        }                                                                                     \
        {                                                                                     \
            namespace V = simd::portable;                                                     \
            [[maybe_unused]] const auto a = V::load(fa), b = V::load(fb);                     \
            [[maybe_unused]] const auto m = V::load_pairs(ia, ia + 2),                        \
                                        n = V::load_pairs(ib, ib + 2);                        \
            p = lanes(expr);                                                                  \
        }                                                                                     \
        check(#expr, s, p);                                                                   \
    }
        SAME(a + b) SAME(a - b) SAME(a * b) SAME(a / b) SAME(min(a, b)) SAME(max(a, b))
        SAME(a <= b) SAME(a > b) SAME(andnot(a, b) | (a & b)) SAME(movemask(a))
        SAME(truncate(a)) SAME(round(a)) SAME(int(V::round(fa[0]))) SAME(to_float(m)) SAME(as_float(m) + a)
        SAME(m + n) SAME(m - n) SAME(m < n) SAME(m == n) SAME(andnot(m, n) | (m & n))
        SAME(V::shift_right<5>(m)) SAME(V::shift_right_logical<5>(m)) SAME(V::shift_left<5>(m))
        SAME(movemask(m)) SAME(V::broadcast_lane<2>(m))
        SAME(add16(as_i16(m), as_i16(n))) SAME(sub16(as_i16(m), as_i16(n)))
        SAME(mul16(as_i16(m), as_i16(n))) SAME(mul_high_unsigned16(as_i16(m), as_i16(n)))
        SAME(add_saturated_unsigned16(as_i16(m), as_i16(n))) SAME(min16(as_i16(m), as_i16(n)))
        SAME(V::shift_right16<3>(as_i16(m))) SAME(V::shift_right_logical16<3>(as_i16(m)))
        SAME(alpha16(as_i16(m))) SAME(multiply_add16(as_i16(m), as_i16(n)))
        SAME(pack_saturated(m, n)) SAME(pack_bytes(as_i16(m), as_i16(n)))
        SAME(widen_low(m)) SAME(widen_high(m)) SAME(interleave_pair(m))
        SAME(join_low(as_i16(m), as_i16(n))) SAME(V::widen_pixels(ia[0], ia[1]))
        SAME(V::load_pair(ib))
        SAME(([&] {
            V::I16x8 low, high;
            channels_to_pixels(m, n, n - m, m + m, low, high);
            return add16(low, mul16(high, V::all16(3)));
        }()))
#undef SAME
    }
}
#endif
