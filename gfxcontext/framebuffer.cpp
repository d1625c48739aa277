#include "gfxcontext/framebuffer.h"

#include <algorithm>

#include "gfxcontext/d3d_types.h"

FrameBuffer::FrameBuffer(int width, int height)
    : width(width), height(height), colour(size_t(width) * height, 0u),
      depth(size_t(width) * height, 1.0f)
{
}

void FrameBuffer::clear(uint32_t flags)
{
    if (flags & D3DCLEAR_TARGET)
        std::fill(colour.begin(), colour.end(), 0u);
    if (flags & D3DCLEAR_ZBUFFER)
        std::fill(depth.begin(), depth.end(), 1.0f);
}
