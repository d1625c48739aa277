#include "gldevice/gl_vertex_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "gldevice/gl_device.h"

GlVertexBuffer::GlVertexBuffer(uint32_t fvf, uint32_t capacity) : HostVertexBuffer(fvf, capacity)
{
    if (!transformed())
        return;
    drawable.assign(capacity, 1);
    glGenVertexArrays(1, &array);
    glGenBuffers(1, &buffer);
    glBindVertexArray(array);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(capacity * sizeof(ClipVertex)), clip.data(),
                 GL_DYNAMIC_DRAW);
    constexpr GLsizei stride = sizeof(ClipVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(ClipVertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<void*>(offsetof(ClipVertex, colour)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(ClipVertex, u)));
    glBindVertexArray(0);
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
    if (n == 0)
        return D3D_OK;
    for (uint32_t i = destIndex; i < destIndex + n; i++) {
        const ClipVertex& out = clip[i];
        drawable[i] = std::isfinite(out.x) && std::isfinite(out.y) &&
                                  std::isfinite(out.z) && std::isfinite(out.w);
    }
    if (dirtyBegin == dirtyEnd) {
        dirtyBegin = destIndex;
        dirtyEnd = destIndex + n;
    } else {
        dirtyBegin = std::min(dirtyBegin, destIndex);
        dirtyEnd = std::max(dirtyEnd, destIndex + n);
    }
    return D3D_OK;
}

void GlVertexBuffer::bind_for_drawing()
{
    glBindVertexArray(array);
    if (dirtyBegin == dirtyEnd)
        return;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(dirtyBegin * sizeof(ClipVertex)),
                    GLsizeiptr((dirtyEnd - dirtyBegin) * sizeof(ClipVertex)), &clip[dirtyBegin]);
    dirtyBegin = dirtyEnd = 0;
}
