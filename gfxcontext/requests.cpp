#include "gfxcontext/requests.h"

#include <algorithm>

namespace gfx {

bool texture_request_valid(uint32_t format, uint32_t width, uint32_t height)
{
    return format == D3DX_SF_A8R8G8B8 && width != 0 && height != 0 && width <= maxTextureSide &&
           height <= maxTextureSide;
}

bool vertex_buffer_request_valid(const D3DVERTEXBUFFERDESC& desc)
{
    return (desc.dwFVF == D3DFVF_LVERTEX || desc.dwFVF == D3DFVF_TLVERTEX) &&
           desc.dwNumVertices != 0 && desc.dwNumVertices <= maxVertices;
}

std::vector<LevelSize> level_sizes(uint32_t width, uint32_t height, bool withMips)
{
    std::vector<LevelSize> sizes;
    int w = int(width), h = int(height);
    for (;;) {
        sizes.push_back(LevelSize{w, h});
        if (!withMips || (w == 1 && h == 1))
            return sizes;
        w = std::max(1, w >> 1);
        h = std::max(1, h >> 1);
    }
}

size_t level_stride(int levelWidth, uint32_t pitch)
{
    const size_t rowBytes = size_t(levelWidth) * 4;
    const size_t stride = pitch ? pitch : rowBytes;
    return stride < rowBytes ? 0 : stride;
}

}  // namespace gfx
