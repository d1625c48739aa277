#pragma once
// Vertex buffers of the GL device. A lit-vertex buffer holds what the caller writes; a transformed
// buffer holds the results of ProcessVertices as clip-space vertices with their clip codes, kept
// here and copied before a draw needs them into a ring in the buffer object: each upload goes
// past the ones before, which earlier draws may still read, and the draw finds its vertices
// through its base vertex (in WebGL 2, which has none, through attributes that start there). A
// full ring is orphaned and begun again.

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

    // Binds the vertex array of a transformed buffer with the processed vertices
    // [first, first + count) in the buffer object (count within the capacity); returns the base
    // vertex at which vertex `first` sits there.
    GLint bind_for_drawing(uint32_t first, uint32_t count);

    std::vector<uint8_t> drawable;   // per clip vertex: a finite position
    std::vector<uint8_t> codes;      // per clip vertex: its clip code (see gfxcontext/clipper.h)

private:
    // The attributes of the vertex array read the buffer object from vertex `base` on.
    void point_attributes(uint32_t base);
    // The base vertex a draw passes for vertex `base` of the ring.
    GLint based(uint32_t base);

    GLuint array = 0, buffer = 0;
    uint32_t ringSize = 0;   // in vertices
    uint32_t ringNext = 0;
    // The vertices [uploadedFirst, + uploadedCount) sit in the ring from uploadedBase, unless
    // ProcessVertices changed some since.
    bool changed = true;
    uint32_t uploadedFirst = 0, uploadedCount = 0, uploadedBase = 0;
#ifdef PLAYER_WEBGL
    std::vector<ClipVertex> staging;
#endif
};
