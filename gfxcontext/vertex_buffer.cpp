#include "gfxcontext/vertex_buffer.h"

#include <span>

#include "gfxcontext/transforms.h"

HostVertexBuffer::HostVertexBuffer(uint32_t fvf, uint32_t capacity)
    : fvf(fvf), count(capacity)
{
    if (transformed())
        clip.assign(capacity, ClipVertex{0, 0, 0, 1, 0, 0, 0});
    else
        lit.assign(capacity, D3DLVERTEX{});
}

HRESULT HostVertexBuffer::Lock(uint32_t, void** data)
{
    if (!data || transformed())
        return D3DERR_GENERIC;
    *data = lit.data();
    return D3D_OK;
}

HRESULT HostVertexBuffer::Unlock() { return D3D_OK; }

HRESULT HostVertexBuffer::Optimize(gfx::Device*, uint32_t)
{
    // Our buffers stay writable: the renderer locks the source buffer again after optimising it.
    return D3D_OK;
}

bool HostVertexBuffer::transform_from(const HostVertexBuffer* source, uint32_t sourceIndex,
                                      uint32_t destIndex, uint32_t n, const float* transform,
                                      uint32_t operations)
{
    if (!transformed() || !source || source->transformed() || !transform)
        return false;
    if (uint64_t(destIndex) + n > count || uint64_t(sourceIndex) + n > source->count)
        return false;
    transform_vertices(std::span(source->lit).subspan(sourceIndex, n), transform,
                       operations & D3DVOP_TRANSFORM, clip.data() + destIndex);
    return true;
}
