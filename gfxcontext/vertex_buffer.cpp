#include "gfxcontext/vertex_buffer.h"

#include "gfxcontext/software_device.h"

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
    const bool transform = operations & D3DVOP_TRANSFORM;
    const float* m = device->combined_transform();
    for (uint32_t i = 0; i < n; i++) {
        const D3DLVERTEX& v = source->lit[sourceIndex + i];
        ClipVertex& out = clip[destIndex + i];
        if (transform) {
            out.x = v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12];
            out.y = v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13];
            out.z = v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14];
            out.w = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
        } else {
            out.x = v.x;
            out.y = v.y;
            out.z = v.z;
            out.w = 1.0f;
        }
        out.colour = v.color;
        out.u = v.tu;
        out.v = v.tv;
    }
    return D3D_OK;
}
