#include "gfxcontext/vertex_buffer.h"

#include <span>

#include "gfxcontext/software_device.h"
#include "gfxcontext/transforms.h"

SoftwareVertexBuffer::SoftwareVertexBuffer(uint32_t fvf, uint32_t capacity)
    : fvf(fvf), count(capacity)
{
    if (transformed())
        clip.assign(capacity, ClipVertex{0, 0, 0, 1, 0, 0, 0});
    else
        lit.assign(capacity, D3DLVERTEX{});
}

HRESULT SoftwareVertexBuffer::Lock(uint32_t, void** data)
{
    if (!data || transformed())
        return D3DERR_GENERIC;
    *data = lit.data();
    return D3D_OK;
}

HRESULT SoftwareVertexBuffer::Unlock() { return D3D_OK; }

HRESULT SoftwareVertexBuffer::Optimize(gfx::Device*, uint32_t)
{
    // Our buffers stay writable: the renderer locks the source buffer again after optimising it.
    return D3D_OK;
}

HRESULT SoftwareVertexBuffer::ProcessVertices(uint32_t operations, uint32_t destIndex,
                                              uint32_t n, gfx::VertexBuffer* sourceBuffer,
                                              uint32_t sourceIndex, gfx::Device* deviceBase,
                                              uint32_t)
{
    auto* source = dynamic_cast<SoftwareVertexBuffer*>(sourceBuffer);
    auto* device = dynamic_cast<SoftwareDevice*>(deviceBase);
    if (!transformed() || !source || source->transformed() || !device)
        return D3DERR_GENERIC;
    if (uint64_t(destIndex) + n > count || uint64_t(sourceIndex) + n > source->count)
        return D3DERR_GENERIC;
    transform_vertices(std::span(source->lit).subspan(sourceIndex, n), device->combined_transform(),
                       operations & D3DVOP_TRANSFORM, clip.data() + destIndex);
    return D3D_OK;
}
