#pragma once
// Vertex buffers of the GL device. A lit-vertex buffer holds what the caller writes; a transformed
// buffer holds the results of ProcessVertices as clip-space vertices (GL clips them), kept here
// and copied to the buffer object the draws read before a draw needs them.

#include <cstdint>
#include <vector>

#include "gfxcontext/context.h"
#include "gfxcontext/vertex_buffer.h"
#include "gldevice/gl_api.h"

class GlVertexBuffer : public HostVertexBuffer {
public:
    GlVertexBuffer(uint32_t fvf, uint32_t capacity);
    GlVertexBuffer(const GlVertexBuffer&) = delete;
    GlVertexBuffer& operator=(const GlVertexBuffer&) = delete;
    ~GlVertexBuffer() override;

    HRESULT ProcessVertices(uint32_t operations, uint32_t destIndex, uint32_t count,
                            gfx::VertexBuffer* source, uint32_t sourceIndex, gfx::Device* device,
                            uint32_t flags) override;

    // Binds the vertex array of a transformed buffer with every processed vertex in place.
    void bind_for_drawing();

    std::vector<uint8_t> drawable;   // per clip vertex: a finite position

private:
    GLuint array = 0, buffer = 0;
    uint32_t dirtyBegin = 0, dirtyEnd = 0;
};
