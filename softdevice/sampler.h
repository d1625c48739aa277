#pragma once
// Texture sampling for a 2 x 2 quad of pixels: the mip levels chosen from the quad's footprint in
// the texture, then point or bilinear fetches with wrap addressing in each level and a linear
// blend between two levels. Bilinear weights have 6-bit fractions, as the texture units of the
// time had; every step is integer or a fixed sequence of float operations, so results are the
// same on every run and machine.

#include "softdevice/raster_state.h"
#include "softdevice/simd.h"
#include "softdevice/texture.h"

struct MipChoice {
    int level0 = 0, level1 = 0;
    int fraction = 0;      // weight of level1, 0..128
    bool linear = false;   // bilinear within the levels
};

// The texels of the quad's pixels 0 and 1 (x, then x + 1 on the top row) and 2 and 3 (the row
// below), each pixel as four 16-bit lanes blue, green, red, alpha in 0..255.
struct QuadTexels {
    simd::I16x8 top, bottom;
};

// u, v: the texture coordinates of the quad's four pixels in the order above.
QuadTexels sample_quad(const SoftwareTexture& texture, const RasterState& state, simd::F32x4 u,
                       simd::F32x4 v);

#ifdef PLAYER_SIMD_AVX2
// Two quads side by side, each 128-bit half as QuadTexels has a quad.
struct PairTexels {
    simd::avx2::I16x16 top, bottom;
};

// sample_quad for two quads at once, lanes 0-3 of u and v the left quad's and 4-7 the right
// one's; each quad has the levels of its own footprint. Only where simd::use_avx2() holds.
[[gnu::target("avx2")]] PairTexels sample_pair(const SoftwareTexture& texture,
                                               const RasterState& state,
                                               const simd::avx2::F32x8& u,
                                               const simd::avx2::F32x8& v);
#endif

// The same built for the baseline processor. sample_quad takes the AVX2 build of the same code
// where simd::use_avx2() says so, with the same results.
QuadTexels sample_quad_baseline(const SoftwareTexture& texture, const RasterState& state,
                                simd::F32x4 u, simd::F32x4 v);

// log2 to within 0.01: enough to choose and blend mip levels.
float approximate_log2(float x);
