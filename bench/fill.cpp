// Fill rate of the software device, headless: per frame a clear, then LAYERS full-screen layers
// of two textured triangles receding in depth (a 256 x 256 checker with its full mip chain,
// trilinear, wrapped, modulated by Gouraud colour, depth test less-or-equal), seen through a
// 60-degree 4:3 perspective with near 1 and far 100, at 640 x 480 or the target size asked for.
// This is the workload of the peer fill benchmark; bench/run-fill.sh runs both and prints the
// ratio.
//
// Environment: FILL_LAYERS (default 2), FILL_WIDTH and FILL_HEIGHT (default 640 and 480: the
// device draws the 640 x 480 context on a target of that size), FILL_SAMPLES (1, 4 or 8; default
// 1).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_target.h"
#include "gfxcontext/context.h"
#include "softdevice/software_context.h"
#include "tests/support/box_halve.h"

namespace {

constexpr int textureSize = 256;

void BM_Fill(benchmark::State& state)
{
    const char* layersText = std::getenv("FILL_LAYERS");
    const int layers = layersText ? std::max(1, std::atoi(layersText)) : 2;

    std::string error;
    const auto chosen = bench_target("FILL", error);
    if (!chosen) {
        state.SkipWithError(error.c_str());
        return;
    }
    const RenderTarget target = *chosen;

    auto library = make_software_context_library(nullptr, target);
    library->D3DXInitialize();
    gfx::Context* context = nullptr;
    if (library->D3DXCreateContext(D3DX_HWLEVEL_RASTER, 0, nullptr, D3DX_DEFAULT, D3DX_DEFAULT,
                                   &context) != D3D_OK) {
        state.SkipWithError("no context of that target");
        return;
    }
    gfx::Device* device = context->GetD3DDevice();
    gfx::Direct3D* d3d = context->GetD3D();

    gfx::Texture* texture = nullptr;
    library->D3DXCreateTexture(device, 0, textureSize, textureSize, D3DX_SF_A8R8G8B8, &texture);
    std::vector<uint32_t> level(size_t(textureSize) * textureSize);
    for (int y = 0; y < textureSize; y++)
        for (int x = 0; x < textureSize; x++)
            level[size_t(y) * textureSize + x] = ((x ^ y) & 16) ? 0xffff8040u : 0xff2040ffu;
    for (int i = 0, size = textureSize; size >= 1; i++, size /= 2) {
        library->D3DXLoadTextureFromMemory(device, texture, uint32_t(i), level.data(),
                                           D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR);
        if (size > 1)
            level = box_halve(level, size);
    }

    gfx::VertexBuffer* source = nullptr;
    gfx::VertexBuffer* destination = nullptr;
    const uint32_t capacity = uint32_t(4 * layers);
    d3d->CreateVertexBuffer({16, D3DVBCAPS_SYSTEMMEMORY, D3DFVF_LVERTEX, capacity}, &source, 0);
    d3d->CreateVertexBuffer({16, D3DVBCAPS_SYSTEMMEMORY, D3DFVF_TLVERTEX, capacity}, &destination,
                            0);

    // Camera-space positions with the eye looking down -z, as the peer gives them: the view
    // turns z round; the projection is the usual one with depth 0 at near and w at far.
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    const float f = 1.0f / std::tan(30.0f * 3.14159265f / 180.0f), zn = 1, zf = 100;
    const float q = zf / (zf - zn);
    const float projection[16] = {f / (4.0f / 3.0f), 0, 0, 0, 0, f, 0, 0, 0, 0, q, 1,
                                  0, 0, -q * zn, 0};
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, identity);
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, view);
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, projection);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    device->SetTexture(0, texture);

    std::vector<uint16_t> indices;
    for (int l = 0; l < layers; l++)
        for (int k : {0, 1, 2, 0, 2, 3})
            indices.push_back(uint16_t(4 * l + k));

    int frame = 0;
    for (auto _ : state) {
        context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        device->BeginScene();
        void* data = nullptr;
        source->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data);
        auto* v = static_cast<D3DLVERTEX*>(data);
        for (int l = 0; l < layers; l++) {
            const float z = -2 - l * 0.1f - (frame % 10) * 0.01f, s = 2.0f;
            v[4 * l + 0] = {-s, -s, z, 0, 0xFFFFCC99, 0, 0, 0};
            v[4 * l + 1] = {s, -s, z * 1.5f, 0, 0xFF99FFCC, 0, 4, 0};
            v[4 * l + 2] = {s, s, z * 1.5f, 0, 0xFFCC99FF, 0, 4, 4};
            v[4 * l + 3] = {-s, s, z, 0, 0xFF999999, 0, 0, 4};
        }
        source->Unlock();
        destination->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_CLIP, 0, capacity, source, 0,
                                     device, 0);
        device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, destination, 0, capacity,
                                       indices.data(), uint32_t(indices.size()), 0);
        device->EndScene();
        context->UpdateFrame(0);
        frame++;
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["layers"] = layers;
    state.counters["width"] = target.width;
    state.counters["height"] = target.height;
    state.counters["samples"] = target.samples;
}

}  // namespace

BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
