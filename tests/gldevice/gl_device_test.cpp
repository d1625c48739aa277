// The GL device against the software device, call for call: each case draws the same thing
// through both and expects the same picture, exactly where nothing is filtered or blended, within
// a few steps where GL's arithmetic differs from the software device's fixed point. Skipped where
// no GL context can be made.

#include <gtest/gtest.h>

#include <string>

#include "gldevice/gl_api.h"
#include "gldevice/gl_context.h"
#include "tests/softdevice/device_harness.h"
#include "tests/support/fatal_stop.h"
#include "tests/support/pixel_difference.h"
#include "tests/support/skip_or_fail.h"

namespace {

std::unique_ptr<gfx::ContextLibrary> gl_library(Presenter* presenter, const RenderTarget& target)
{
    std::string reason;
    return make_gl_context_library(presenter, target, reason);
}

bool gl_available()
{
    static const bool available = gl_library(nullptr, {}) != nullptr;
    return available;
}

// The same calls on a software context and a GL context of the same size and target.
struct Twins {
    DeviceHarness software, gl;

    explicit Twins(int w = 32, int h = 32, RenderTarget target = {})
        : software(w, h, target, nullptr), gl(w, h, target, gl_library)
    {
    }
    template <typename Calls>
    void both(Calls calls)
    {
        calls(software);
        calls(gl);
    }
    // The pixels with a channel more than `tolerance` apart.
    int differing(int tolerance)
    {
        const std::vector<uint32_t>& a = software.frame();
        const std::vector<uint32_t>& b = gl.frame();
        EXPECT_EQ(a.size(), b.size());
        return testing_support::compare_images(a, b, software.width, tolerance).pixels;
    }
};

#define REQUIRE_GL()                                                                      \
    if (!gl_available())                                                                   \
    SKIP_OR_FAIL_IN_CI("no GL context can be made here")

// A w x h rectangle of two triangles from (x, y), flat colour, at depth z.
std::vector<D3DLVERTEX> rectangle(const DeviceHarness& h, float x, float y, float w, float hgt,
                                  float z, uint32_t colour, float uvScale = 1.0f)
{
    return {h.at(x, y, z, colour, 0, 0),         h.at(x + w, y, z, colour, uvScale, 0),
            h.at(x, y + hgt, z, colour, 0, uvScale), h.at(x + w, y, z, colour, uvScale, 0),
            h.at(x + w, y + hgt, z, colour, uvScale, uvScale),
            h.at(x, y + hgt, z, colour, 0, uvScale)};
}

// A vertex in the world of DeviceHarness::perspective: the eye at the origin looking down +z.
D3DLVERTEX world(float x, float y, float z, uint32_t colour, float u = 0, float v = 0)
{
    return D3DLVERTEX{x, y, z, 0, colour, 0, u, v};
}

// A texture of side x side with every level loaded: level 0 a checker, each level below a colour
// of its own, so that a level chosen differently shows.
gfx::Texture* mip_chain(DeviceHarness& h, int side)
{
    gfx::Texture* texture = nullptr;
    h.library->D3DXCreateTexture(h.device, 0, uint32_t(side), uint32_t(side), D3DX_SF_A8R8G8B8,
                                 &texture);
    const uint32_t colours[] = {0xFFFF4020, 0xFF20FF40, 0xFF4020FF, 0xFFFFFF20, 0xFF20FFFF};
    for (uint32_t level = 0; (side >> level) > 0; level++) {
        const int n = side >> level;
        std::vector<uint32_t> texels(size_t(n * n), colours[level % 5]);
        for (int i = 0; level == 0 && i < n * n; i++)
            texels[size_t(i)] = ((i % n) ^ (i / n)) & 2 ? 0xFFF0F0F0 : 0xFF101010;
        h.library->D3DXLoadTextureFromMemory(h.device, texture, level, texels.data(),
                                             D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR);
    }
    return texture;
}

}  // namespace

TEST(GlDevice, CoverageDepthAndFlatColourAreTheSoftwareDevicesExactly)
{
    REQUIRE_GL();
    Twins t;
    t.both([](DeviceHarness& h) {
        h.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
        // Corners a quarter pixel off the centres, so that no fill-rule tie decides a pixel;
        // the flat colour is the first vertex's.
        h.triangles({h.at(3.25f, 2.75f, 0.5f, 0xFF20C040), h.at(28.25f, 9.75f, 0.5f, 0xFFFFFFFF),
                     h.at(9.25f, 27.75f, 0.5f, 0xFF000000)});
        // Less or equal: the same depth again draws over, a greater one does not.
        h.triangles(rectangle(h, 10.25f, 10.25f, 8, 8, 0.5f, 0xFFC02020));
        h.triangles(rectangle(h, 14.25f, 6.25f, 8, 8, 0.75f, 0xFF2020C0));
    });
    EXPECT_EQ(t.differing(0), 0);
    EXPECT_EQ(t.gl.pixel(12, 12), 0xC02020u);
    EXPECT_EQ(t.gl.pixel(6, 6), 0x20C040u);
}

TEST(GlDevice, CullingAndIndicesOutsideTheVerticesAsTheSoftwareDevice)
{
    REQUIRE_GL();
    for (uint32_t cull : {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW}) {
        Twins t;
        t.both([cull](DeviceHarness& h) {
            h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, cull);
            // Clockwise on screen, then counter-clockwise; then a triangle naming vertex 9 of 6.
            const std::vector<D3DLVERTEX> v = {
                h.at(2.25f, 2.25f, 0.5f, 0xFF40FF40), h.at(14.25f, 2.25f, 0.5f, 0xFF40FF40),
                h.at(2.25f, 14.25f, 0.5f, 0xFF40FF40), h.at(18.25f, 18.25f, 0.5f, 0xFFFF4040),
                h.at(18.25f, 30.25f, 0.5f, 0xFFFF4040), h.at(30.25f, 18.25f, 0.5f, 0xFFFF4040)};
            h.draw(D3DPT_TRIANGLELIST, v, {0, 1, 2, 3, 4, 5, 0, 9, 4});
        });
        EXPECT_EQ(t.differing(0), 0) << cull;
        EXPECT_EQ(t.gl.pixel(4, 4) != 0, cull != D3DCULL_CW) << cull;
        EXPECT_EQ(t.gl.pixel(20, 20) != 0, cull != D3DCULL_CCW) << cull;
    }
}

TEST(GlDevice, BatchAfterBatchRewritingOneBufferEachDrawsItsOwnVertices)
{
    REQUIRE_GL();
    // Each batch writes 2000 vertices from the start of the buffer, of which it draws a square of
    // its own colour and place: the copies GL reads fill its ring of uploads several times over.
    Twins t;
    t.both([](DeviceHarness& h) {
        for (int batch = 0; batch < 16; batch++) {
            const uint32_t colour = 0xFF000000u | uint32_t((batch + 1) * 0x0F1D2B);
            std::vector<D3DLVERTEX> v = rectangle(h, float(batch % 4) * 8 + 0.25f,
                                                  float(batch / 4) * 8 + 0.25f, 6, 6, 0.5f, colour);
            v.resize(2000, v[0]);
            h.draw(D3DPT_TRIANGLELIST, v, {0, 1, 2, 3, 4, 5});
        }
    });
    EXPECT_EQ(t.differing(0), 0);
    EXPECT_EQ(t.gl.count(0), 32 * 32 - 16 * 36);
}

TEST(GlDevice, BlendFactorsAndGouraudColoursWithinAStep)
{
    REQUIRE_GL();
    // Every pair of factors in a cell of its own: 4 x 4 pixels of a 40 x 40 frame, a flat
    // background and over it a Gouraud quad of four colours and alphas.
    Twins t(40, 40);
    t.both([](DeviceHarness& h) {
        for (uint32_t source = D3DBLEND_ZERO; source <= D3DBLEND_INVDESTCOLOR; source++)
            for (uint32_t destination = D3DBLEND_ZERO; destination <= D3DBLEND_INVDESTCOLOR;
                 destination++) {
                const float x = float(source - 1) * 4, y = float(destination - 1) * 4;
                h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
                // The frame has no alpha of its own: the background's reads as opaque.
                h.triangles(rectangle(h, x, y, 4, 4, 0.5f, 0x403080C0));
                h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
                h.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, source);
                h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, destination);
                h.triangles({h.at(x, y, 0.25f, 0x60E04010), h.at(x + 4, y, 0.25f, 0xA010C0F0),
                             h.at(x, y + 4, 0.25f, 0x20808080), h.at(x + 4, y, 0.25f, 0xA010C0F0),
                             h.at(x + 4, y + 4, 0.25f, 0xFF204060),
                             h.at(x, y + 4, 0.25f, 0x20808080)});
            }
    });
    EXPECT_EQ(t.differing(1), 0);
}

TEST(GlDevice, TexturesWrapFilterAndSampleOnlyTheLoadedLevels)
{
    REQUIRE_GL();
    // A 16 x 16 checker of 4-texel squares: magnified with wrap addressing, point and bilinear.
    std::vector<uint32_t> checker(16 * 16);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            checker[size_t(y * 16 + x)] = ((x ^ y) & 4) ? 0xFFE0C040 : 0xFF4060C0;
    for (uint32_t filter : {D3DTFG_POINT, D3DTFG_LINEAR}) {
        Twins t;
        t.both([&](DeviceHarness& h) {
            h.device->SetTexture(0, h.texture(16, 16, checker));
            h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
            h.triangles(rectangle(h, 0, 0, 32, 32, 0.5f, 0xFFFFFFFF, 1.5f));
        });
        EXPECT_LE(t.differing(3), 32 * 32 / 50) << filter;
    }
    // Levels 0, 1 and 3 of a 16 x 16 chain, each its own colour; level 2 never loaded. A quad
    // eight times smaller than the texture would take level 3: only 0 and 1 may be sampled.
    Twins t;
    t.both([](DeviceHarness& h) {
        gfx::Texture* texture = nullptr;
        h.library->D3DXCreateTexture(h.device, 0, 16, 16, D3DX_SF_A8R8G8B8, &texture);
        for (uint32_t level : {0u, 1u, 3u}) {
            const int side = 16 >> level;
            const std::vector<uint32_t> texels(size_t(side * side), level == 0   ? 0xFFFF0000
                                                                     : level == 1 ? 0xFF00FF00
                                                                                  : 0xFF0000FF);
            ASSERT_EQ(h.library->D3DXLoadTextureFromMemory(h.device, texture, level,
                                                           texels.data(), D3DX_SF_A8R8G8B8, 0,
                                                           D3DX_FT_LINEAR),
                      D3D_OK);
        }
        h.device->SetTexture(0, texture);
        h.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
        h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
        h.triangles(rectangle(h, 0, 0, 16, 16, 0.5f, 0xFFFFFFFF, 8.0f));
    });
    EXPECT_EQ(t.differing(0), 0);
    EXPECT_EQ(t.gl.pixel(8, 8), 0x00FF00u);
    // Bilinear magnification, point minification between levels: up to a level of detail of 0.5
    // (a 16-texel checker on 12 pixels: 0.42) the texture is magnified.
    Twins half;
    half.both([](DeviceHarness& h) {
        h.device->SetTexture(0, mip_chain(h, 16));
        h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        h.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
        h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
        h.triangles(rectangle(h, 2, 2, 12, 12, 0.5f, 0xFFFFFFFF));
    });
    EXPECT_EQ(half.differing(3), 0);
    EXPECT_LE(testing_support::largest_channel_difference(half.gl.pixel(5, 6), 0x808080), 8);
}

TEST(GlDevice, FacesAndLinesCrossingTheNearPlaneAndTheGuardBandAsTheSoftwareDevice)
{
    REQUIRE_GL();
    // Real perspective (w from -40 to 30): a Gouraud floor from far behind the eye, dark, to far
    // ahead, bright; a wall leaving the guard band at the side; lines through the near plane, the
    // guard band and behind the eye; a floor textured with the player's trilinear filter. Filled,
    // flat, wireframe and culled, on one sample, four and eight.
    struct Case {
        uint32_t fill, shade, cull;
        int samples;
    };
    for (const Case c : {Case{D3DFILL_SOLID, D3DSHADE_GOURAUD, D3DCULL_NONE, 1},
                         Case{D3DFILL_SOLID, D3DSHADE_FLAT, D3DCULL_CW, 1},
                         Case{D3DFILL_WIREFRAME, D3DSHADE_GOURAUD, D3DCULL_NONE, 1},
                         Case{D3DFILL_WIREFRAME, D3DSHADE_GOURAUD, D3DCULL_CCW, 1},
                         Case{D3DFILL_SOLID, D3DSHADE_GOURAUD, D3DCULL_NONE, 4},
                         Case{D3DFILL_SOLID, D3DSHADE_GOURAUD, D3DCULL_NONE, 8}}) {
        Twins t(64, 64, RenderTarget{0, 0, false, c.samples});
        t.both([c](DeviceHarness& h) {
            h.perspective(1.0f, 1.0f, 100.0f);
            h.device->SetRenderState(D3DRENDERSTATE_FILLMODE, c.fill);
            h.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, c.shade);
            h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, c.cull);
            h.triangles({world(0, -1, -40, 0xFF000010), world(6, -1, 30, 0xFF80FFFF),
                         world(-6, -1, 30, 0xFFFFF0A0)});
            h.triangles({world(-0.5f, 0.1f, 3, 0xFFFF0000), world(36, 0.5f, 3, 0xFF0000FF),
                         world(-0.5f, 1.2f, 4, 0xFF00FF00)});
            h.draw(D3DPT_LINELIST,
                   {world(-0.3f, 0.5f, -10, 0xFFFF00FF), world(0.4f, -0.6f, 20, 0xFF00FF00),
                    world(-0.9f, -0.8f, 2, 0xFFFFFFFF), world(30, 0.3f, 1.5f, 0xFF0000FF),
                    world(0, 0, -2, 0xFFFFFFFF), world(1, 1, -3, 0xFFFFFFFF)},
                   {0, 1, 2, 3, 4, 5});
            h.device->SetTexture(0, mip_chain(h, 64));
            h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
            h.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
            h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
            h.triangles({world(-4, 1, -5, 0xFFFFFFFF, 0, 0), world(4, 1, 60, 0xFFFFFFFF, 8, 30),
                         world(-4, 1, 60, 0xFFFFFFFF, 0, 30)});
        });
        const std::string name = std::to_string(c.fill) + "/" + std::to_string(c.shade) + "/" +
                                 std::to_string(c.cull) + "/" + std::to_string(c.samples);
        // A driver with fewer than eight samples a pixel (llvmpipe has four) puts the edges'
        // samples elsewhere: more edge pixels differ, none by a shade.
        EXPECT_LE(t.differing(4), 64 * 64 / (c.samples == 8 ? 25 : 100)) << name;
        EXPECT_LE(testing_support::mean_channel_difference(t.software.frame(), t.gl.frame()), 1.0)
            << name;
    }
}

TEST(GlDevice, DebugTextIsTheSameFontAtTheSameScaleOnEverySample)
{
    REQUIRE_GL();
    // A 32 x 24 frame drawn on 96 x 72 pixels with 4 samples: the font three times as large.
    Twins t(32, 24, RenderTarget{96, 72, false, 4});
    t.both([](DeviceHarness& h) {
        ASSERT_EQ(h.context->DrawDebugText(0.05f, 0.1f, 0x00FFC020, "Hi!\n*"), D3D_OK);
        EXPECT_NE(h.context->DrawDebugText(20.0f, 0.0f, 0xFFFFFF, "x"), D3D_OK);
        EXPECT_NE(h.context->DrawDebugText(0.0f, 0.0f, 0xFFFFFF, nullptr), D3D_OK);
    });
    EXPECT_EQ(t.differing(0), 0);
    EXPECT_GT(t.gl.count(0xFFC020), 9 * 30);
}

TEST(GlDevice, BadCallsAreRefusedWithoutHarm)
{
    REQUIRE_GL();
    DeviceHarness h(32, 32, RenderTarget{}, gl_library);
    void* data = nullptr;
    EXPECT_NE(h.destination->Lock(0, &data), D3D_OK);   // only ProcessVertices writes these
    EXPECT_NE(h.destination->ProcessVertices(D3DVOP_TRANSFORM, 4090, 10, h.source, 0, h.device, 0),
              D3D_OK);
    gfx::Texture* texture = nullptr;
    EXPECT_NE(h.library->D3DXCreateTexture(h.device, 0, 8192, 8, D3DX_SF_A8R8G8B8, &texture),
              D3D_OK);
    ASSERT_EQ(h.library->D3DXCreateTexture(h.device, D3DX_TEXTURE_NOMIPMAP, 8, 8,
                                           D3DX_SF_A8R8G8B8, &texture),
              D3D_OK);
    const std::vector<uint32_t> texels(64, 0xFFFFFFFF);
    EXPECT_NE(h.library->D3DXLoadTextureFromMemory(h.device, texture, 1, texels.data(),
                                                   D3DX_SF_A8R8G8B8, 0, 0),
              D3D_OK);
    EXPECT_NE(h.library->D3DXLoadTextureFromMemory(h.device, texture, 0, texels.data(),
                                                   D3DX_SF_A8R8G8B8, 16, 0),
              D3D_OK);   // rows shorter than the texture's
    // A software texture is not the GL device's.
    auto software = make_software_context_library(nullptr);
    gfx::Texture* foreign = nullptr;
    software->D3DXCreateTexture(nullptr, 0, 8, 8, D3DX_SF_A8R8G8B8, &foreign);
    EXPECT_NE(h.device->SetTexture(0, foreign), D3D_OK);
    gfx::Context* context = nullptr;
    EXPECT_NE(h.library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 0, 480, &context), D3D_OK);
    EXPECT_EQ(context, nullptr);
}

TEST(GlDevice, AFailureInTheDriverStopsTheProgramAtTheNextFrame)
{
    REQUIRE_GL();
    DeviceHarness h(32, 32, RenderTarget{}, gl_library);
    h.triangles(rectangle(h, 4, 4, 8, 8, 0.5f, 0xFF00FF00));
    EXPECT_EQ(fatal_message([&] { h.context->UpdateFrame(0); }), "");   // drawing leaves no error
    glEnable(GLenum(0xFFFF));   // as a driver's own failure would, GL holds an error
    EXPECT_EQ(fatal_message([&] { h.context->UpdateFrame(0); }),
              "The GL device failed: invalid enum (GL error 0x0500)!");
}
