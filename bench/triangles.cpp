// Throughput of the software device on many small triangles, the shape of a real scene: a grid
// of 20000 textured, Gouraud-shaded triangles of about 15 pixels each over the 640 x 480 frame,
// sent in batches of 1000 as the renderer sends its buckets (process, then draw).

#include <benchmark/benchmark.h>

#include <vector>

#include "gfxcontext/context.h"
#include "softdevice/software_context.h"

namespace {

void BM_SmallTriangles(benchmark::State& state)
{
    auto library = make_software_context_library(nullptr);
    gfx::Context* context = nullptr;
    library->D3DXCreateContext(D3DX_HWLEVEL_RASTER, 0, nullptr, D3DX_DEFAULT, D3DX_DEFAULT,
                               &context);
    gfx::Device* device = context->GetD3DDevice();
    gfx::Direct3D* d3d = context->GetD3D();
    gfx::Texture* texture = nullptr;
    library->D3DXCreateTexture(device, D3DX_TEXTURE_NOMIPMAP, 64, 64, D3DX_SF_A8R8G8B8, &texture);
    std::vector<uint32_t> texels(64 * 64);
    for (size_t i = 0; i < texels.size(); i++)
        texels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    library->D3DXLoadTextureFromMemory(device, texture, 0, texels.data(), D3DX_SF_A8R8G8B8, 0,
                                       D3DX_FT_LINEAR);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);

    // A grid of cells of 5.5 x 5.5 pixels, two triangles each, in clip space (identity
    // transforms), in batches of 500 cells.
    constexpr int columns = 116, rows = 86, batchCells = 500;
    gfx::VertexBuffer* source = nullptr;
    gfx::VertexBuffer* destination = nullptr;
    d3d->CreateVertexBuffer({16, 0, D3DFVF_LVERTEX, batchCells * 4}, &source, 0);
    d3d->CreateVertexBuffer({16, 0, D3DFVF_TLVERTEX, batchCells * 4}, &destination, 0);
    std::vector<uint16_t> indices;
    for (int cell = 0; cell < batchCells; cell++)
        for (int k : {0, 1, 2, 0, 2, 3})
            indices.push_back(uint16_t(cell * 4 + k));

    for (auto _ : state) {
        context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        device->BeginScene();
        for (int first = 0; first < columns * rows; first += batchCells) {
            const int cells = std::min(batchCells, columns * rows - first);
            void* data = nullptr;
            source->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data);
            auto* v = static_cast<D3DLVERTEX*>(data);
            for (int i = 0; i < cells; i++) {
                const int cell = first + i;
                const float x = -1.0f + 2.0f * float(cell % columns) / columns;
                const float y = -1.0f + 2.0f * float(cell / columns) / rows;
                const float w = 2.0f / columns, h = 2.0f / rows, z = 0.5f + 0.001f * float(i % 7);
                v[4 * i + 0] = {x, y, z, 0, 0xFFFF8040, 0, 0, 0};
                v[4 * i + 1] = {x + w, y, z, 0, 0xFF40FF80, 0, 0.1f, 0};
                v[4 * i + 2] = {x + w, y + h, z, 0, 0xFF8040FF, 0, 0.1f, 0.1f};
                v[4 * i + 3] = {x, y + h, z, 0, 0xFFFFFFFF, 0, 0, 0.1f};
            }
            source->Unlock();
            source->Optimize(device, 0);
            destination->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_CLIP, 0, uint32_t(cells * 4),
                                         source, 0, device, 0);
            device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, destination, 0,
                                           uint32_t(cells * 4), indices.data(),
                                           uint32_t(cells * 6), 0);
        }
        device->EndScene();
        context->UpdateFrame(0);
    }
    state.counters["triangles_per_second"] = benchmark::Counter(
        double(state.iterations()) * columns * rows * 2, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_SmallTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
