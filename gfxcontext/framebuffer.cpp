#include "gfxcontext/framebuffer.h"

#include <cstddef>

FrameBuffer::FrameBuffer(int width, int height)
    : width(width), height(height), colour(size_t(width) * height, 0u),
      depth(size_t(width) * height, 1.0f)
{
}
