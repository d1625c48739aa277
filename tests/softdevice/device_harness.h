#pragma once
// A software context of a small frame for the device tests (or a context of another library
// given, such as the GL device's), with helpers that place vertices in pixels and read the
// presented frame back.

#include <memory>
#include <vector>

#include "gfxcontext/context.h"
#include "gfxcontext/offscreen_presenter.h"
#include "softdevice/software_context.h"

struct DeviceHarness {
    OffscreenPresenter presenter;
    std::unique_ptr<gfx::ContextLibrary> library;
    gfx::Context* context = nullptr;
    gfx::Device* device = nullptr;
    gfx::Direct3D* d3d = nullptr;
    gfx::VertexBuffer* source = nullptr;
    gfx::VertexBuffer* destination = nullptr;
    int width, height;

    using LibraryMaker = std::unique_ptr<gfx::ContextLibrary> (*)(Presenter*, const RenderTarget&);

    explicit DeviceHarness(int w = 64, int h = 64, int samples = 1)
        : DeviceHarness(w, h, RenderTarget{0, 0, false, samples}, nullptr)
    {
    }
    // make: the library (null: the software device's), drawing on the target given.
    DeviceHarness(int w, int h, const RenderTarget& target, LibraryMaker make) : width(w), height(h)
    {
        library = make ? make(&presenter, target) : make_software_context_library(&presenter, target);
        library->D3DXCreateContext(D3DX_HWLEVEL_RASTER, 0, nullptr, uint32_t(w), uint32_t(h),
                                   &context);
        device = context->GetD3DDevice();
        d3d = context->GetD3D();
        d3d->CreateVertexBuffer({16, 0, D3DFVF_LVERTEX, 4096}, &source, 0);
        d3d->CreateVertexBuffer({16, 0, D3DFVF_TLVERTEX, 4096}, &destination, 0);
        context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    }

    // Perspective with focal factor c on both axes, depth 0 at near and w at far; the eye looks
    // down +z. World and view stay identity.
    void perspective(float c, float nearZ, float farZ)
    {
        const float q = farZ / (farZ - nearZ);
        const float m[16] = {c, 0, 0, 0, 0, c, 0, 0, 0, 0, q, 1, 0, 0, -q * nearZ, 0};
        device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, m);
    }

    // A texture of w x h with level 0 from texels (more levels left unloaded).
    gfx::Texture* texture(int w, int h, const std::vector<uint32_t>& texels, bool mips = false)
    {
        gfx::Texture* t = nullptr;
        library->D3DXCreateTexture(device, mips ? 0 : D3DX_TEXTURE_NOMIPMAP, uint32_t(w),
                                   uint32_t(h), D3DX_SF_A8R8G8B8, &t);
        library->D3DXLoadTextureFromMemory(device, t, 0, texels.data(), D3DX_SF_A8R8G8B8, 0,
                                           D3DX_FT_LINEAR);
        return t;
    }

    // A vertex at pixel position (x, y) with depth z, w = 1 under identity transforms.
    D3DLVERTEX at(float x, float y, float z, uint32_t colour, float u = 0, float v = 0) const
    {
        return D3DLVERTEX{x / (width * 0.5f) - 1.0f, 1.0f - y / (height * 0.5f), z, 0, colour, 0,
                          u, v};
    }

    void draw(D3DPRIMITIVETYPE type, const std::vector<D3DLVERTEX>& vertices,
              const std::vector<uint16_t>& indices)
    {
        void* data = nullptr;
        source->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data);
        std::copy(vertices.begin(), vertices.end(), static_cast<D3DLVERTEX*>(data));
        source->Unlock();
        destination->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_CLIP, 0, uint32_t(vertices.size()),
                                     source, 0, device, 0);
        device->DrawIndexedPrimitiveVB(type, destination, 0, uint32_t(vertices.size()),
                                       indices.data(), uint32_t(indices.size()), 0);
    }

    void triangles(const std::vector<D3DLVERTEX>& vertices)
    {
        std::vector<uint16_t> indices;
        for (size_t i = 0; i < vertices.size(); i++)
            indices.push_back(uint16_t(i));
        draw(D3DPT_TRIANGLELIST, vertices, indices);
    }

    const std::vector<uint32_t>& frame()
    {
        context->UpdateFrame(0);
        return presenter.frame;
    }
    uint32_t pixel(int x, int y) { return frame()[size_t(y) * width + x]; }
    int count(uint32_t colour)
    {
        int n = 0;
        for (uint32_t p : frame())
            n += p == colour;
        return n;
    }
};
