// The context layer: creation for every selector, references, frames handed to the presenter,
// debug text, and calls with bad arguments, which must fail without harm.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "gfxcontext/debug_font.h"
#include "gfxcontext/requests.h"
#include "softdevice/texture.h"
#include "tests/softdevice/device_harness.h"

TEST(Context, EverySelectorIsServedWithAFrameOfTheDefaultSize)
{
    OffscreenPresenter presenter;
    auto library = make_software_context_library(&presenter);
    EXPECT_EQ(library->D3DXInitialize(), D3D_OK);
    for (uint32_t selector : {D3DX_HWLEVEL_RASTER, D3DX_HWLEVEL_2D, D3DX_HWLEVEL_REFERENCE,
                              D3DX_HWLEVEL_NULL, D3DX_DEFAULT, 0u, 1u}) {
        gfx::Context* context = nullptr;
        ASSERT_EQ(library->D3DXCreateContext(selector, D3DX_CONTEXT_FULLSCREEN, nullptr,
                                             D3DX_DEFAULT, D3DX_DEFAULT, &context),
                  D3D_OK);
        ASSERT_NE(context, nullptr);
        context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        context->UpdateFrame(0);
        EXPECT_EQ(presenter.width, 640);
        EXPECT_EQ(presenter.height, 480);
    }
    EXPECT_EQ(presenter.framesPresented, 7);
    EXPECT_EQ(library->D3DXUninitialize(), D3D_OK);
}

TEST(Context, DeviceAndDirect3DComeWithAReferenceEach)
{
    DeviceHarness h;
    gfx::Device* again = h.context->GetD3DDevice();
    EXPECT_EQ(again, h.device);
    // Created with one, the harness took one, and this call another.
    EXPECT_EQ(again->Release(), 2u);
    EXPECT_EQ(h.d3d->Release(), 1u);
    EXPECT_EQ(h.d3d->Release(), 0u);
    EXPECT_EQ(h.d3d->Release(), 0u);   // released too often: stays at zero, nothing freed
}

TEST(Context, BadSizesAndNullOutputsAreRefused)
{
    auto library = make_software_context_library(nullptr);
    gfx::Context* context = nullptr;
    EXPECT_NE(library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 0, 480, &context), D3D_OK);
    EXPECT_NE(library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 1u << 20, 480, &context),
              D3D_OK);
    EXPECT_EQ(context, nullptr);
    EXPECT_NE(library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 64, 64, nullptr), D3D_OK);
    // Only 1, 4 or 8 samples a pixel.
    auto threeSamples = make_software_context_library(nullptr, RenderTarget{0, 0, false, 3});
    EXPECT_NE(threeSamples->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 64, 64, &context), D3D_OK);
    EXPECT_EQ(context, nullptr);
    // A context without a presenter still draws and updates.
    ASSERT_EQ(library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 64, 64, &context), D3D_OK);
    EXPECT_EQ(context->UpdateFrame(0), D3D_OK);
}

TEST(DebugText, GlyphPixelsTakeTheColourAndTheRestIsUntouched)
{
    // With several samples a pixel the text covers them all: the shown pixels are the same.
    for (int samples : {1, 4, 8}) {
        SCOPED_TRACE(samples);
        DeviceHarness h(64, 32, samples);
        h.triangles({h.at(0, 0, 0.5f, 0x808080), h.at(64, 0, 0.5f, 0x808080),
                     h.at(0, 64, 0.5f, 0x808080), h.at(64, 0, 0.5f, 0x808080),
                     h.at(64, 64, 0.5f, 0x808080), h.at(0, 64, 0.5f, 0x808080)});
        // At a quarter across and half down: pixel (16, 16).
        ASSERT_EQ(h.context->DrawDebugText(0.25f, 0.5f, 0xFF123456, "H!"), D3D_OK);
        const auto& frame = h.frame();
        int lit = 0, expected = 0;
        for (int c = 0; c < 2; c++) {
            const uint8_t* columns = glyph_columns(static_cast<unsigned char>("H!"[c]));
            for (int x = 0; x < 5; x++)
                for (int y = 0; y < 7; y++) {
                    bool on = columns[x] >> y & 1;
                    expected += on;
                    uint32_t p = frame[size_t(16 + y) * 64 + 16 + c * glyphCellWidth + x];
                    EXPECT_EQ(p, on ? 0x123456u : 0x808080u) << c << " " << x << "," << y;
                }
        }
        for (uint32_t p : frame)
            lit += p == 0x123456;
        EXPECT_EQ(lit, expected);
        // 'H': two full columns and a bar.
        EXPECT_EQ(h.pixel(16, 16), 0x123456u);
        EXPECT_EQ(h.pixel(20, 22), 0x123456u);
        EXPECT_EQ(h.pixel(18, 16), 0x808080u);
    }
}

TEST(DebugText, TextOffTheFrameOrUnprintableIsHarmless)
{
    DeviceHarness h(32, 16);
    EXPECT_EQ(h.context->DrawDebugText(0.9f, 0.9f, 0xFFFFFF, "clipped at the edges"), D3D_OK);
    EXPECT_EQ(h.context->DrawDebugText(-0.5f, -0.2f, 0xFFFFFF, "\x01\x7f\xff line\nnext"), D3D_OK);
    EXPECT_NE(h.context->DrawDebugText(0, 0, 0xFFFFFF, nullptr), D3D_OK);
    EXPECT_NE(h.context->DrawDebugText(std::numeric_limits<float>::quiet_NaN(), 0, 0xFFFFFF, "x"),
              D3D_OK);
    EXPECT_NE(h.context->DrawDebugText(1e30f, 0, 0xFFFFFF, "x"), D3D_OK);
    for (unsigned char c = 33; c < 127; c++) {   // every printable glyph has ink
        const uint8_t* columns = glyph_columns(c);
        EXPECT_NE(columns[0] | columns[1] | columns[2] | columns[3] | columns[4], 0) << c;
    }
}

TEST(Robustness, BadDrawsAndBuffersFailWithoutTouchingMemory)
{
    DeviceHarness h;
    gfx::VertexBuffer* buffer = nullptr;
    EXPECT_NE(h.d3d->CreateVertexBuffer({16, 0, D3DFVF_LVERTEX, 0}, &buffer, 0), D3D_OK);
    EXPECT_NE(h.d3d->CreateVertexBuffer({16, 0, D3DFVF_LVERTEX, 0xFFFFFFFFu}, &buffer, 0), D3D_OK);
    const uint32_t tooMany = gfx::maxVertices + 1;
    EXPECT_NE(h.d3d->CreateVertexBuffer({16, 0, D3DFVF_TLVERTEX, tooMany}, &buffer, 0), D3D_OK);
    EXPECT_NE(h.d3d->CreateVertexBuffer({16, 0, 0x123, 16}, &buffer, 0), D3D_OK);

    // Process beyond either buffer's end, or from a transformed buffer.
    EXPECT_NE(h.destination->ProcessVertices(D3DVOP_TRANSFORM, 4090, 10, h.source, 0, h.device, 0),
              D3D_OK);
    EXPECT_NE(h.destination->ProcessVertices(D3DVOP_TRANSFORM, 0, 10, h.source, 4090, h.device, 0),
              D3D_OK);
    EXPECT_NE(h.destination->ProcessVertices(D3DVOP_TRANSFORM, 0, 1, h.destination, 0, h.device, 0),
              D3D_OK);
    // Only ProcessVertices writes a transformed buffer.
    void* data = nullptr;
    EXPECT_NE(h.destination->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data), D3D_OK);
    EXPECT_EQ(data, nullptr);

    // Indices past the vertex count or the buffer draw nothing; a partial last triangle is
    // ignored; a start vertex that would wrap around is refused per index.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<D3DLVERTEX> v = {h.at(0, 0, 0.5f, 0xFFFFFF), h.at(60, 0, 0.5f, 0xFFFFFF),
                                 h.at(0, 60, 0.5f, 0xFFFFFF), {nan, 0, 0.5f, 0, 0xFFFFFF, 0, 0, 0},
                                 {1e30f, -1e30f, 0.5f, 0, 0xFFFFFF, 0, nan, 1e30f}};
    h.draw(D3DPT_TRIANGLELIST, v, {0, 1, 7, 0, 1, 60000, 0, 1, 3, 0, 1});
    std::vector<uint16_t> indices = {0, 1, 2};
    EXPECT_EQ(h.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, h.destination, 0xFFFFFFFFu, 3,
                                               indices.data(), 3, 0),
              D3D_OK);
    EXPECT_NE(h.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, h.source, 0, 3, indices.data(),
                                               3, 0),
              D3D_OK);
    EXPECT_NE(h.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, h.destination, 0, 3, nullptr,
                                               3, 0),
              D3D_OK);
    EXPECT_NE(h.device->DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE(5), h.destination, 0, 3,
                                               indices.data(), 3, 0),
              D3D_OK);
    EXPECT_EQ(h.count(0), h.width * h.height);

    // A corner far beyond the frame is clipped like any other: the triangle still shows.
    h.draw(D3DPT_TRIANGLELIST, v, {0, 1, 4});
    EXPECT_EQ(h.pixel(40, 2), 0xFFFFFFu);

    // A textured triangle whose coordinates are not numbers or huge samples without harm.
    h.device->SetTexture(0, h.texture(3, 5, std::vector<uint32_t>(15, 0xFF00FF00)));
    h.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    h.triangles({h.at(0, 0, 0.5f, 0xFFFFFF, nan, 1e30f), h.at(60, 0, 0.5f, 0xFFFFFF, -1e30f, 0),
                 h.at(0, 60, 0.5f, 0xFFFFFF, 1e9f, nan)});
    EXPECT_EQ(h.pixel(5, 5), 0x00FF00u);
}

TEST(Robustness, BadTexturesAreRefused)
{
    DeviceHarness h;
    gfx::Texture* t = nullptr;
    EXPECT_NE(h.library->D3DXCreateTexture(h.device, 0, 0, 16, D3DX_SF_A8R8G8B8, &t), D3D_OK);
    EXPECT_NE(h.library->D3DXCreateTexture(h.device, 0, 1u << 20, 16, D3DX_SF_A8R8G8B8, &t),
              D3D_OK);
    EXPECT_NE(h.library->D3DXCreateTexture(h.device, 0, 16, 16, 99, &t), D3D_OK);
    EXPECT_NE(h.library->D3DXCreateTexture(h.device, 0, 16, gfx::maxTextureSide + 1,
                                           D3DX_SF_A8R8G8B8, &t),
              D3D_OK);
    EXPECT_EQ(t, nullptr);
    // The largest side is taken, with its whole chain of levels.
    ASSERT_EQ(h.library->D3DXCreateTexture(h.device, 0, gfx::maxTextureSide, 1, D3DX_SF_A8R8G8B8,
                                           &t),
              D3D_OK);
    EXPECT_EQ(static_cast<SoftwareTexture*>(t)->levels.size(), 13u);
    ASSERT_EQ(h.library->D3DXCreateTexture(h.device, 0, 16, 4, D3DX_SF_A8R8G8B8, &t), D3D_OK);
    std::vector<uint32_t> texels(16 * 4);
    // 16 x 4 has levels 16x4, 8x2, 4x1, 2x1, 1x1: level 5 does not exist.
    EXPECT_EQ(h.library->D3DXLoadTextureFromMemory(h.device, t, 4, texels.data(),
                                                   D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR),
              D3D_OK);
    EXPECT_NE(h.library->D3DXLoadTextureFromMemory(h.device, t, 5, texels.data(),
                                                   D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR),
              D3D_OK);
    EXPECT_NE(h.library->D3DXLoadTextureFromMemory(h.device, t, 0, nullptr, D3DX_SF_A8R8G8B8, 0,
                                                   D3DX_FT_LINEAR),
              D3D_OK);
    EXPECT_NE(h.library->D3DXLoadTextureFromMemory(h.device, nullptr, 0, texels.data(),
                                                   D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR),
              D3D_OK);
    // A pitch shorter than a row would read rows overlapping: refused.
    EXPECT_NE(h.library->D3DXLoadTextureFromMemory(h.device, t, 0, texels.data(),
                                                   D3DX_SF_A8R8G8B8, 8, D3DX_FT_LINEAR),
              D3D_OK);
}

TEST(Robustness, RandomVerticesAndStatesNeverReachOutsideTheBuffers)
{
    // Vertex words drawn from raw random bits (not-a-numbers, infinities, huge and tiny values
    // included), random indices, states and transforms; run under the sanitizers this checks
    // that nothing reads or writes outside the frame, textures or buffers.
    DeviceHarness h(48, 40);
    gfx::Texture* mipmapped = nullptr;
    h.library->D3DXCreateTexture(h.device, 0, 7, 5, D3DX_SF_A8R8G8B8, &mipmapped);
    std::vector<uint32_t> texels(35, 0xFF8040C0);
    h.library->D3DXLoadTextureFromMemory(h.device, mipmapped, 0, texels.data(), D3DX_SF_A8R8G8B8,
                                         0, D3DX_FT_LINEAR);
    h.library->D3DXLoadTextureFromMemory(h.device, mipmapped, 1, texels.data(), D3DX_SF_A8R8G8B8,
                                         0, D3DX_FT_LINEAR);
    uint32_t seed = 99;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    auto real = [&] {
        switch (next() % 4) {
        case 0: {
            uint32_t bits = next();
            float f;
            std::memcpy(&f, &bits, 4);
            return f;
        }
        case 1: return float(int(next() % 2001) - 1000) * 0.01f;
        case 2: return float(int(next() % 200001) - 100000);
        default: return float(next() % 1000) * 1e-6f;
        }
    };
    for (int round = 0; round < 200; round++) {
        h.device->SetRenderState(D3DRENDERSTATE_CULLMODE, 1 + next() % 3);
        h.device->SetRenderState(D3DRENDERSTATE_FILLMODE, 1 + next() % 3);
        h.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, 1 + next() % 2);
        h.device->SetRenderState(D3DRENDERSTATE_ZENABLE, next() % 2);
        h.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, next() % 2);
        h.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, next() % 12);
        h.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, next() % 12);
        h.device->SetTextureStageState(0, D3DTSS_MAGFILTER, next() % 3);
        h.device->SetTextureStageState(0, D3DTSS_MINFILTER, next() % 3);
        h.device->SetTextureStageState(0, D3DTSS_MIPFILTER, next() % 4);
        h.device->SetTexture(0, next() % 3 ? mipmapped : nullptr);
        if (round % 5 == 0) {
            float m[16];
            for (float& value : m)
                value = real();
            h.device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, m);
        }
        std::vector<D3DLVERTEX> vertices(1 + next() % 12);
        for (D3DLVERTEX& v : vertices)
            v = D3DLVERTEX{real(), real(), real(), next(), next(), next(), real(), real()};
        std::vector<uint16_t> indices(next() % 40);
        for (uint16_t& index : indices)
            index = uint16_t(next() % (vertices.size() + 2));
        h.draw(next() % 2 ? D3DPT_TRIANGLELIST : D3DPT_LINELIST, vertices, indices);
    }
    h.context->DrawDebugText(0.5f, 0.5f, 0xFFFFFF, "done");
    EXPECT_EQ(h.context->UpdateFrame(0), D3D_OK);
}

TEST(Draws, EachDrawReadsTheVerticesItIsGiven)
{
    // The same indices over fresh vertices, and over other vertices of the buffer through the
    // start vertex: no draw may see the corners of an earlier one.
    DeviceHarness h;
    h.triangles({h.at(2, 2, 0.5f, 0xFF0000), h.at(30, 2, 0.5f, 0xFF0000),
                 h.at(2, 30, 0.5f, 0xFF0000)});
    h.triangles({h.at(62, 62, 0.5f, 0x00FF00), h.at(34, 62, 0.5f, 0x00FF00),
                 h.at(62, 34, 0.5f, 0x00FF00)});
    EXPECT_EQ(h.pixel(5, 5), 0xFF0000u);
    EXPECT_EQ(h.pixel(58, 58), 0x00FF00u);

    h.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    const std::vector<D3DLVERTEX> six = {
        h.at(2, 2, 0.5f, 0x0000FF),   h.at(30, 2, 0.5f, 0x0000FF),  h.at(2, 30, 0.5f, 0x0000FF),
        h.at(62, 62, 0.5f, 0xFFFF00), h.at(34, 62, 0.5f, 0xFFFF00), h.at(62, 34, 0.5f, 0xFFFF00)};
    h.draw(D3DPT_LINELIST, six, {});   // only loads the six vertices
    const std::vector<uint16_t> indices = {0, 1, 2};
    h.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, h.destination, 3, 3, indices.data(), 3,
                                     0);
    EXPECT_EQ(h.pixel(5, 5), 0u);
    EXPECT_EQ(h.pixel(58, 58), 0xFFFF00u);
    h.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, h.destination, 0, 3, indices.data(), 3,
                                     0);
    EXPECT_EQ(h.pixel(5, 5), 0x0000FFu);
}

namespace {

// A presenter that shows on a screen of a given size.
struct ScreenPresenter : OffscreenPresenter {
    int screenWidth = 0, screenHeight = 0;
    bool output_size(int& w, int& h) override
    {
        w = screenWidth;
        h = screenHeight;
        return screenWidth > 0;
    }
};

// The size of the frame a context of 640 x 480 presents through a library made for the target.
std::pair<int, int> presented_size(const RenderTarget& target, int screenWidth = 0,
                                   int screenHeight = 0)
{
    ScreenPresenter presenter;
    presenter.screenWidth = screenWidth;
    presenter.screenHeight = screenHeight;
    auto library = make_software_context_library(&presenter, target);
    gfx::Context* context = nullptr;
    if (library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 640, 480, &context) != D3D_OK)
        return {0, 0};
    context->UpdateFrame(0);
    return {presenter.width, presenter.height};
}

}  // namespace

TEST(Target, SizesAndSampleCountsAreReadStrictlyAndNativeFillsTheScreenAt4To3)
{
    std::string error;
    EXPECT_EQ(parse_target_size("1920x1440", error)->width, 1920);
    EXPECT_EQ(parse_target_size("1x8192", error)->height, 8192);
    EXPECT_TRUE(parse_target_size("native", error)->native);
    for (const char* bad : {"", "0x480", "640x0", "8193x100", "640X480", "640x", "x480", " 640x480",
                            "640x480x", "-640x480", "+640x480", "640x4.8", "99999999999x1",
                            "nativ", "Native"}) {
        error.clear();
        EXPECT_FALSE(parse_target_size(bad, error)) << bad;
        EXPECT_NE(error.find("neither native nor WxH"), std::string::npos) << bad;
    }
    EXPECT_EQ(parse_sample_count("4", error), 4);
    for (const char* bad : {"", "0", "2", "16", "4 ", "04", "x"})
        EXPECT_FALSE(parse_sample_count(bad, error)) << bad;

    EXPECT_EQ(presented_size({}), std::make_pair(640, 480));
    EXPECT_EQ(presented_size({1920, 1440, false, 1}), std::make_pair(1920, 1440));
    // Native: the largest 4:3 area of the screen's pixels; without a known screen, 640 x 480.
    EXPECT_EQ(presented_size({0, 0, true, 1}, 2560, 1440), std::make_pair(1920, 1440));
    EXPECT_EQ(presented_size({0, 0, true, 1}, 1080, 1920), std::make_pair(1080, 810));
    EXPECT_EQ(presented_size({0, 0, true, 1}, 20000, 20000), std::make_pair(8192, 6144));
    EXPECT_EQ(presented_size({0, 0, true, 1}), std::make_pair(640, 480));
    EXPECT_EQ(presented_size({0, 0, true, 1}, 1, 1), std::make_pair(640, 480));

    // Memory: colour and depth a sample, and the resolved image with several samples.
    EXPECT_EQ(target_bytes({640, 480}, 1), 640u * 480 * 8);
    EXPECT_EQ(target_bytes({8192, 8192}, 8), 8192ull * 8192 * 68);
    EXPECT_EQ(target_memory_problem({8192, 8192}, 8, std::nullopt), "");
    EXPECT_EQ(target_memory_problem({640, 480}, 1, 640u * 480 * 8), "");
    EXPECT_EQ(target_memory_problem({640, 480}, 1, 640u * 480 * 8 - 1),
              "640x480 with 1 sample needs 3 MB, more than the 2 MB of memory available");
}

TEST(Target, DebugTextKeepsItsPlaceAndGrowsByAWholeFactor)
{
    // The same text on 64 x 32 and on targets 2 and 2.5 times as large: at the same fractions,
    // each font pixel a 2 x 2 square.
    DeviceHarness small(64, 32);
    ASSERT_EQ(small.context->DrawDebugText(0.25f, 0.5f, 0xFF123456, "H!\nH"), D3D_OK);
    const std::vector<uint32_t> reference = small.frame();
    for (auto [w, h] : {std::make_pair(128, 64), std::make_pair(160, 80)}) {
        OffscreenPresenter presenter;
        auto library = make_software_context_library(&presenter, RenderTarget{w, h, false, 1});
        gfx::Context* context = nullptr;
        ASSERT_EQ(library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 64, 32, &context), D3D_OK);
        context->Clear(D3DCLEAR_TARGET);
        ASSERT_EQ(context->DrawDebugText(0.25f, 0.5f, 0xFF123456, "H!\nH"), D3D_OK);
        context->UpdateFrame(0);
        ASSERT_EQ(presenter.width, w);
        const int left = w / 4, top = h / 2;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const int fx = x - left, fy = y - top;
                const bool inText = fx >= 0 && fy >= 0 && fx < 2 * 32 && fy < 2 * 16;
                const uint32_t expected =
                    inText ? reference[size_t(16 + fy / 2) * 64 + 16 + fx / 2] : 0u;
                ASSERT_EQ(presenter.frame[size_t(y) * w + x], expected) << w << ": " << x << "," << y;
            }
    }
}
