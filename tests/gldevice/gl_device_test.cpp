// The GL device against the software device, call for call: each case draws the same thing
// through both and expects the same picture, exactly where nothing is filtered or blended, within
// a few steps where GL's arithmetic differs from the software device's fixed point. Skipped where
// no GL context can be made.

#include <gtest/gtest.h>

#include <string>

#include "gldevice/gl_api.h"
#include "gldevice/gl_context.h"
#include "tests/gfxcontext/device_harness.h"
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
