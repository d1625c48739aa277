#include "gfxcontext/null_context.h"

#include <vector>

#include "gfxcontext/counted.h"

namespace {

using namespace gfx;

class NullTexture : public Counted<Texture> {};

class NullVertexBuffer : public Counted<VertexBuffer> {
public:
    NullVertexBuffer(uint32_t fvf, uint32_t count) : fvf(fvf), storage(count) {}
    // Like the software device's: only ProcessVertices writes a transformed buffer.
    HRESULT Lock(uint32_t, void** data) override
    {
        if (!data || fvf == D3DFVF_TLVERTEX)
            return D3DERR_GENERIC;
        *data = storage.data();
        return D3D_OK;
    }
    HRESULT Unlock() override { return D3D_OK; }
    HRESULT Optimize(Device*, uint32_t) override { return D3D_OK; }
    HRESULT ProcessVertices(uint32_t, uint32_t, uint32_t, VertexBuffer*, uint32_t, Device*,
                            uint32_t) override
    {
        return D3D_OK;
    }

private:
    uint32_t fvf;
    std::vector<D3DLVERTEX> storage;
};

class NullDevice : public Counted<Device> {
public:
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const float*) override { return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, uint32_t) override { return D3D_OK; }
    HRESULT SetTextureStageState(uint32_t, D3DTEXTURESTAGESTATETYPE, uint32_t) override
    {
        return D3D_OK;
    }
    HRESULT SetTexture(uint32_t, Texture*) override { return D3D_OK; }
    HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE, VertexBuffer*, uint32_t, uint32_t,
                                   const uint16_t*, uint32_t, uint32_t) override
    {
        return D3D_OK;
    }
};

class NullDirect3D : public Counted<Direct3D> {
public:
    HRESULT CreateVertexBuffer(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** buffer,
                               uint32_t) override
    {
        buffers.push_back(std::make_unique<NullVertexBuffer>(desc.dwFVF, desc.dwNumVertices));
        *buffer = buffers.back().get();
        return D3D_OK;
    }

private:
    std::vector<std::unique_ptr<NullVertexBuffer>> buffers;
};

class NullContext : public Counted<Context> {
public:
    Device* GetD3DDevice() override
    {
        device.AddRef();
        return &device;
    }
    Direct3D* GetD3D() override
    {
        d3d.AddRef();
        return &d3d;
    }
    HRESULT UpdateFrame(uint32_t) override { return D3D_OK; }
    HRESULT Clear(uint32_t) override { return D3D_OK; }
    HRESULT DrawDebugText(float, float, uint32_t, const char*) override { return D3D_OK; }

private:
    NullDevice device;
    NullDirect3D d3d;
};

class NullLibrary : public ContextLibrary {
public:
    HRESULT D3DXInitialize() override { return D3D_OK; }
    HRESULT D3DXUninitialize() override { return D3D_OK; }
    HRESULT D3DXCreateContext(uint32_t, uint32_t, void*, uint32_t, uint32_t,
                              Context** context) override
    {
        contexts.push_back(std::make_unique<NullContext>());
        *context = contexts.back().get();
        return D3D_OK;
    }
    HRESULT D3DXCreateTexture(Device*, uint32_t, uint32_t, uint32_t, uint32_t,
                              Texture** texture) override
    {
        textures.push_back(std::make_unique<NullTexture>());
        *texture = textures.back().get();
        return D3D_OK;
    }
    HRESULT D3DXLoadTextureFromMemory(Device*, Texture*, uint32_t, const void*, uint32_t,
                                      uint32_t, uint32_t) override
    {
        return D3D_OK;
    }

private:
    std::vector<std::unique_ptr<NullContext>> contexts;
    std::vector<std::unique_ptr<NullTexture>> textures;
};

}  // namespace

std::unique_ptr<gfx::ContextLibrary> make_null_context_library()
{
    return std::make_unique<NullLibrary>();
}
