#pragma once
// A texture of the software device: a chain of levels of 32-bit A8R8G8B8 texels (bytes blue,
// green, red, alpha in memory). Each level is stored with one extra column and one extra row that
// repeat the first ones, so a bilinear fetch reads its 2 x 2 texels without wrapping the second.

#include <cstdint>
#include <vector>

#include "gfxcontext/context.h"
#include "gfxcontext/counted.h"

struct TextureLevel {
    int width = 0, height = 0;
    int pitch = 0;                  // texels a row: width + 1
    std::vector<uint32_t> texels;   // (width + 1) x (height + 1)
    bool loaded = false;
};

class SoftwareTexture : public gfx::Counted<gfx::Texture> {
public:
    // withMips: the whole chain down to 1 x 1, level i of max(1, w >> i) x max(1, h >> i).
    SoftwareTexture(uint32_t width, uint32_t height, bool withMips);

    // Fills a level from rows of 32-bit pixels pitch bytes apart (0: packed rows). False when the
    // level does not exist.
    bool load(uint32_t level, const void* pixels, uint32_t pitch);

    // The deepest level that sampling may use: the end of the run of loaded levels from 0.
    int deepest_level() const { return deepest; }

    std::vector<TextureLevel> levels;

private:
    int deepest = 0;
};
