// Small scenes drawn through the whole device, compared pixel for pixel with the images in
// tests/gfxcontext/golden. After a deliberate change to the picture, regenerate them with
// GOLDEN_UPDATE=1 tests_gfxcontext --gtest_filter='Golden*' and look at the new images.
// Also: the same frame, byte for byte, however many threads draw it.

#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <functional>

#include "gfxcontext/rasterizer.h"
#include "gfxcontext/texture.h"
#include "tests/gfxcontext/device_harness.h"
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
        std::string(SOURCE_DIR) + "/tests/gfxcontext/golden/" + name + ".png", h.frame(),
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
    // five: band boundaries must not show, nor the queues handed to the workers on the way, which
    // are more than the workers hold at once, with a flush half way.
    SoftwareTexture texture(16, 16, true);
    std::vector<uint32_t> texels = checker(16, 2, 0x80FF0000, 0xFF00FFFF);
    texture.load(0, texels.data(), 0);
    auto draw = [&](int threads) {
        FrameBuffer frame(200, 150);
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
        rasterizer.flush();
        return frame.colour;
    };
    const std::vector<uint32_t> one = draw(1);
    EXPECT_EQ(one, draw(2));
    EXPECT_EQ(one, draw(5));
}
