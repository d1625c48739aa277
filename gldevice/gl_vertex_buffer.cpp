#include "gldevice/gl_vertex_buffer.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "gfxcontext/clipper.h"
#include "gldevice/gl_device.h"

namespace {

// Draws of a few vertices from a large buffer should not orphan the ring at every draw.
constexpr uint32_t ringCopies = 3;

}  // namespace

GlVertexBuffer::GlVertexBuffer(uint32_t fvf, uint32_t capacity) : HostVertexBuffer(fvf, capacity)
{
    if (!transformed())
        return;
    drawable.assign(capacity, 1);
    codes.assign(capacity, uint8_t(allInside));
    ringSize = capacity * ringCopies;
    glGenVertexArrays(1, &array);
    glGenBuffers(1, &buffer);
    glBindVertexArray(array);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(ringSize) * sizeof(ClipVertex)), nullptr,
                 GL_STREAM_DRAW);
    point_attributes(0);
    glBindVertexArray(0);
}

void GlVertexBuffer::point_attributes(uint32_t base)
{
    constexpr GLsizei stride = sizeof(ClipVertex);
    const auto at = [base](size_t offset) {
        return reinterpret_cast<void*>(size_t(base) * stride + offset);
    };
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(ClipVertex, x)));
    glEnableVertexAttribArray(1);
#ifdef PLAYER_WEBGL
    // The colours go up with red and blue swapped (see bind_for_drawing).
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          at(offsetof(ClipVertex, colour)));
#else
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          at(offsetof(ClipVertex, colour)));
#endif
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(ClipVertex, u)));
}

GlVertexBuffer::~GlVertexBuffer()
{
    glDeleteBuffers(1, &buffer);
    glDeleteVertexArrays(1, &array);
}

HRESULT GlVertexBuffer::ProcessVertices(uint32_t operations, uint32_t destIndex, uint32_t n,
                                        gfx::VertexBuffer* source, uint32_t sourceIndex,
                                        gfx::Device* device, uint32_t)
{
    auto* ours = dynamic_cast<GlDevice*>(device);
    if (!transform_from(dynamic_cast<GlVertexBuffer*>(source), sourceIndex, destIndex, n,
                        ours ? ours->combined_transform() : nullptr, operations))
        return D3DERR_GENERIC;
    for (uint32_t i = destIndex; i < destIndex + n; i++) {
        const ClipVertex& out = clip[i];
        drawable[i] = std::isfinite(out.x) && std::isfinite(out.y) &&
                      std::isfinite(out.z) && std::isfinite(out.w);
        codes[i] = uint8_t(clip_outcode(ClipPoint{out.x, out.y, out.z, out.w, 0, 0, 0, 0, 0, 0}));
    }
    changed = changed || n > 0;
    return D3D_OK;
}

GLint GlVertexBuffer::bind_for_drawing(uint32_t first, uint32_t count)
{
    glBindVertexArray(array);
    if (count == 0)
        return 0;
    if (!changed && first >= uploadedFirst && first + count <= uploadedFirst + uploadedCount)
        return based(uploadedBase + (first - uploadedFirst));
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    constexpr size_t stride = sizeof(ClipVertex);
    if (ringNext + count > ringSize) {
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(ringSize) * stride), nullptr,
                     GL_STREAM_DRAW);
        ringNext = 0;
    }
#ifdef PLAYER_WEBGL
    // WebGL maps no buffers: a copy goes up, its colours in the R G B A byte order.
    staging.assign(clip.begin() + first, clip.begin() + first + count);
    for (ClipVertex& vertex : staging)
        vertex.colour = swap_red_blue(vertex.colour);
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(size_t(ringNext) * stride),
                    GLsizeiptr(size_t(count) * stride), staging.data());
#else
    // Unsynchronised: nothing drawn before reads this part of the ring.
    void* at = glMapBufferRange(GL_ARRAY_BUFFER, GLintptr(size_t(ringNext) * stride),
                                GLsizeiptr(size_t(count) * stride),
                                GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT |
                                    GL_MAP_UNSYNCHRONIZED_BIT);
    if (at) {
        std::memcpy(at, &clip[first], size_t(count) * stride);
        glUnmapBuffer(GL_ARRAY_BUFFER);
    } else {
        glBufferSubData(GL_ARRAY_BUFFER, GLintptr(size_t(ringNext) * stride),
                        GLsizeiptr(size_t(count) * stride), &clip[first]);
    }
#endif
    changed = false;
    uploadedFirst = first;
    uploadedCount = count;
    uploadedBase = ringNext;
    ringNext += count;
    return based(uploadedBase);
}

GLint GlVertexBuffer::based(uint32_t base)
{
#ifdef PLAYER_WEBGL
    // No base vertex in WebGL 2: the attributes start at it instead.
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    point_attributes(base);
    return 0;
#else
    return GLint(base);
#endif
}
