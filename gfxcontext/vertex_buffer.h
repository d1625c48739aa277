#pragma once
// Vertex buffers, in memory for the software device and the GL device alike. A lit-vertex buffer
// (D3DFVF_LVERTEX) holds what the caller writes; a transformed buffer (D3DFVF_TLVERTEX) holds the
// results of ProcessVertices as homogeneous clip-space vertices, so that clipping happens before
// the divide. Only ProcessVertices writes a transformed buffer: locking one fails.

#include <cstdint>
#include <vector>

#include "gfxcontext/context.h"
#include "gfxcontext/counted.h"

// A vertex in clip space with the attributes the rasteriser interpolates.
struct ClipVertex {
    float x, y, z, w;
    uint32_t colour;   // 0xAARRGGBB
    float u, v;
};

// The vertices in memory and the calls on them, alike for every device's buffers.
class HostVertexBuffer : public gfx::Counted<gfx::VertexBuffer> {
public:
    HostVertexBuffer(uint32_t fvf, uint32_t capacity);

    HRESULT Lock(uint32_t flags, void** data) override;
    HRESULT Unlock() override;
    HRESULT Optimize(gfx::Device* device, uint32_t flags) override;

    bool transformed() const { return fvf == D3DFVF_TLVERTEX; }
    uint32_t capacity() const { return count; }

    // Transformed buffers: the clip-space vertices. Lit-vertex buffers: the caller's vertices.
    std::vector<ClipVertex> clip;
    std::vector<D3DLVERTEX> lit;

protected:
    // ProcessVertices, once the device has found the source to be a buffer of its own (else
    // null) and given its world x view x projection (null when the call named another device):
    // the source's lit vertices [sourceIndex, + n) into this buffer's [destIndex, + n). False,
    // with nothing written, for a missing source or transform, a buffer of the wrong kind or a
    // range outside its buffer.
    bool transform_from(const HostVertexBuffer* source, uint32_t sourceIndex, uint32_t destIndex,
                        uint32_t n, const float* transform, uint32_t operations);

private:
    uint32_t fvf;
    uint32_t count;
};
