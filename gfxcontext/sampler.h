#pragma once
// Texture sampling: the choice of mip levels from the screen-space footprint of a 2 x 2 quad,
// and point or bilinear fetches with wrap addressing. Results are four 32-bit lanes holding the
// blue, green, red and alpha channels, 0..255.

#include <emmintrin.h>

#include "gfxcontext/raster_state.h"
#include "gfxcontext/texture.h"

struct MipChoice {
    int level0 = 0, level1 = 0;
    int fraction = 0;      // weight of level1, 0..256
    bool linear = false;   // bilinear within the levels
};

// rho2: the larger squared length, in texels of level 0, of the texture step along x or y.
MipChoice choose_mip(const SoftwareTexture& texture, const RasterState& state, float rho2);

__m128i sample_texture(const SoftwareTexture& texture, const MipChoice& mip, float u, float v);

// log2 to within 0.01: enough to choose and blend mip levels, and the same on every machine.
float approximate_log2(float x);
