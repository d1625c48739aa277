#pragma once
// The software device's vertex buffers: ProcessVertices transforms with the device's own matrices.

#include "gfxcontext/vertex_buffer.h"

class SoftwareVertexBuffer : public HostVertexBuffer {
public:
    using HostVertexBuffer::HostVertexBuffer;

    HRESULT ProcessVertices(uint32_t operations, uint32_t destIndex, uint32_t count,
                            gfx::VertexBuffer* source, uint32_t sourceIndex, gfx::Device* device,
                            uint32_t flags) override;
};
