#pragma once
// A texture of the GL device: A8R8G8B8 levels in one GL texture. As on the software device,
// sampling reaches only the run of levels loaded from level 0 on (GL_TEXTURE_MAX_LEVEL).

#include <cstdint>
#include <vector>

#include "gfxcontext/context.h"
#include "gfxcontext/counted.h"
#include "gldevice/gl_api.h"

class GlTexture : public gfx::Counted<gfx::Texture> {
public:
    // withMips: the whole chain down to 1 x 1. Level 0 starts out black and transparent.
    GlTexture(uint32_t width, uint32_t height, bool withMips);
    GlTexture(const GlTexture&) = delete;
    GlTexture& operator=(const GlTexture&) = delete;
    ~GlTexture() override;

    // Fills a level from rows of 32-bit pixels pitch bytes apart (0: packed rows). False when the
    // level does not exist.
    bool load(uint32_t level, const void* pixels, uint32_t pitch);

    GLuint id = 0;
    struct Level {
        int width, height;
        bool loaded;
    };
    std::vector<Level> levels;
    int deepest = 0;   // the end of the run of loaded levels from 0
};
