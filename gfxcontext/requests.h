#pragma once
// What every device of the contract accepts alike: the textures and vertex buffers it makes
// (larger requests are refused rather than allocated), a texture's chain of levels, and the
// pixels a level is loaded from.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfxcontext/d3d_types.h"

namespace gfx {

// The largest texture side and vertex buffer made; 16-bit indices reach 65536 vertices.
constexpr uint32_t maxTextureSide = 4096;
constexpr uint32_t maxVertices = 1u << 20;

// An A8R8G8B8 texture of 1 to maxTextureSide texels a side.
bool texture_request_valid(uint32_t format, uint32_t width, uint32_t height);
// A buffer of lit (D3DFVF_LVERTEX) or transformed (D3DFVF_TLVERTEX) vertices, 1 to maxVertices.
bool vertex_buffer_request_valid(const D3DVERTEXBUFFERDESC& desc);

struct LevelSize {
    int width, height;
};

// withMips: the whole chain down to 1 x 1, level i of max(1, w >> i) x max(1, h >> i); otherwise
// level 0 alone.
std::vector<LevelSize> level_sizes(uint32_t width, uint32_t height, bool withMips);

// The bytes from one row of a level's pixels to the next (pitch 0: packed rows), or 0 when the
// pitch is shorter than a row.
size_t level_stride(int levelWidth, uint32_t pitch);

// The end of the run of loaded levels from level 0: the deepest level that sampling may use.
template <class Levels>
int deepest_loaded(const Levels& levels)
{
    int deepest = 0;
    while (size_t(deepest) + 1 < levels.size() && levels[size_t(deepest) + 1].loaded)
        deepest++;
    return deepest;
}

}  // namespace gfx
