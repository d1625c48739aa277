#pragma once
// The device contract the renderer draws through: a rendering context with its Direct3D-style
// device, vertex buffers and textures, and the context library that makes them. Every
// implementation (the software device, the null device, the recording device of the tests) keeps
// the same calls. Results are returned as the platform did; the player does not examine them.

#include <cstdint>

#include "gfxcontext/d3d_types.h"

namespace gfx {

class Device;

// Objects handed out by the library are owned by it; Release drops the caller's reference.
class Unknown {
public:
    virtual ~Unknown() = default;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
};

class Texture : public Unknown {};

class VertexBuffer : public Unknown {
public:
    virtual HRESULT Lock(uint32_t flags, void** data) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT Optimize(Device* device, uint32_t flags) = 0;
    // Transforms (world x view x projection) and clip-codes count vertices of source, from
    // sourceIndex on, into this buffer at destIndex.
    virtual HRESULT ProcessVertices(uint32_t operations, uint32_t destIndex, uint32_t count,
                                    VertexBuffer* source, uint32_t sourceIndex, Device* device,
                                    uint32_t flags) = 0;
};

class Device : public Unknown {
public:
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const float matrix[16]) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) = 0;
    virtual HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                         uint32_t value) = 0;
    virtual HRESULT SetTexture(uint32_t stage, Texture* texture) = 0;
    virtual HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, VertexBuffer* buffer,
                                           uint32_t startVertex, uint32_t vertexCount,
                                           const uint16_t* indices, uint32_t indexCount,
                                           uint32_t flags) = 0;
};

class Direct3D : public Unknown {
public:
    virtual HRESULT CreateVertexBuffer(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** buffer,
                                       uint32_t flags) = 0;
};

class Context : public Unknown {
public:
    // One reference each.
    virtual Device* GetD3DDevice() = 0;
    virtual Direct3D* GetD3D() = 0;
    virtual HRESULT UpdateFrame(uint32_t flags) = 0;
    virtual HRESULT Clear(uint32_t flags) = 0;
    // x, y as fractions of the back buffer; colour 0x00RRGGBB; transparent background.
    virtual HRESULT DrawDebugText(float x, float y, uint32_t colour, const char* text) = 0;
};

// The context library: the free functions of the platform's context layer, as one port.
class ContextLibrary {
public:
    virtual ~ContextLibrary() = default;
    virtual HRESULT D3DXInitialize() = 0;
    virtual HRESULT D3DXUninitialize() = 0;
    // selector: a D3DX_HWLEVEL_* value, D3DX_DEFAULT or a device index. window: the platform
    // window the context presents into (opaque here).
    virtual HRESULT D3DXCreateContext(uint32_t selector, uint32_t flags, void* window,
                                      uint32_t width, uint32_t height, Context** context) = 0;
    virtual HRESULT D3DXCreateTexture(Device* device, uint32_t flags, uint32_t width,
                                      uint32_t height, uint32_t format, Texture** texture) = 0;
    // Fills mip level `level` of the texture from 32-bit pixels of that level's size.
    virtual HRESULT D3DXLoadTextureFromMemory(Device* device, Texture* texture, uint32_t level,
                                              const void* pixels, uint32_t format, uint32_t pitch,
                                              uint32_t filter) = 0;
};

}  // namespace gfx
