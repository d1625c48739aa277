#include "gfxcontext/sampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The wrapped coordinate in [0, 1]; anything not finite samples the first texel.
inline float wrap(float t)
{
    float f = t - std::floor(t);
    return f >= 0.0f && f <= 1.0f ? f : 0.0f;
}

inline __m128i expand(uint32_t texel)
{
    __m128i zero = _mm_setzero_si128();
    __m128i bytes = _mm_cvtsi32_si128(int(texel));
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
}

inline __m128i point(const TextureLevel& level, float u, float v)
{
    int x = int(wrap(u) * float(level.width));
    int y = int(wrap(v) * float(level.height));
    if (x >= level.width)
        x -= level.width;
    if (y >= level.height)
        y -= level.height;
    return expand(level.texels[size_t(y) * level.pitch + x]);
}

// Bilinear with 7-bit fractions: the four weights sum to 2^14 and each fits a signed 16-bit lane,
// so one multiply-add per texture row weighs both texels of that row.
inline __m128i bilinear(const TextureLevel& level, float u, float v)
{
    int tx = int(wrap(u) * float(level.width * 128)) - 64;
    int ty = int(wrap(v) * float(level.height * 128)) - 64;
    int x = tx >> 7, y = ty >> 7;
    int fx = tx & 127, fy = ty & 127;
    if (x < 0)
        x += level.width;
    if (y < 0)
        y += level.height;
    const uint32_t* p = &level.texels[size_t(y) * level.pitch + x];
    __m128i zero = _mm_setzero_si128();
    __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    __m128i bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + level.pitch));
    // Bytes of the left and right texel side by side, widened: l0 r0 l1 r1 l2 r2 l3 r3.
    top = _mm_unpacklo_epi8(_mm_unpacklo_epi8(top, _mm_srli_si128(top, 4)), zero);
    bottom = _mm_unpacklo_epi8(_mm_unpacklo_epi8(bottom, _mm_srli_si128(bottom, 4)), zero);
    int w00 = (128 - fx) * (128 - fy), w10 = fx * (128 - fy);
    int w01 = (128 - fx) * fy, w11 = fx * fy;
    __m128i sum = _mm_add_epi32(_mm_madd_epi16(top, _mm_set1_epi32(w00 | (w10 << 16))),
                                _mm_madd_epi16(bottom, _mm_set1_epi32(w01 | (w11 << 16))));
    return _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << 13)), 14);
}

inline __m128i sample_level(const TextureLevel& level, bool linear, float u, float v)
{
    return linear ? bilinear(level, u, v) : point(level, u, v);
}

}  // namespace

float approximate_log2(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    float exponent = float(int((bits >> 23) & 255) - 127);
    bits = (bits & 0x007FFFFFu) | 0x3F800000u;
    float m;
    std::memcpy(&m, &bits, 4);
    return exponent + (-0.34484843f * m + 2.02466578f) * m - 0.67487759f;
}

MipChoice choose_mip(const SoftwareTexture& texture, const RasterState& state, float rho2)
{
    MipChoice choice;
    if (!(rho2 > 1.0f)) {   // magnified (or a footprint that is not a number)
        choice.linear = state.magFilter == D3DTFG_LINEAR;
        return choice;
    }
    choice.linear = state.minFilter == D3DTFN_LINEAR;
    const int deepest = texture.deepest_level();
    if (state.mipFilter != D3DTFP_POINT && state.mipFilter != D3DTFP_LINEAR)
        return choice;
    float lod = 0.5f * approximate_log2(rho2);
    if (!(lod < float(deepest))) {
        choice.level0 = choice.level1 = deepest;
        return choice;
    }
    if (state.mipFilter == D3DTFP_POINT) {
        choice.level0 = choice.level1 = std::min(deepest, int(lod + 0.5f));
        return choice;
    }
    int whole = int(lod);
    choice.level0 = whole;
    choice.level1 = std::min(deepest, whole + 1);
    choice.fraction = int((lod - float(whole)) * 256.0f);
    return choice;
}

__m128i sample_texture(const SoftwareTexture& texture, const MipChoice& mip, float u, float v)
{
    __m128i first = sample_level(texture.levels[mip.level0], mip.linear, u, v);
    if (mip.fraction == 0)
        return first;
    __m128i second = sample_level(texture.levels[mip.level1], mip.linear, u, v);
    // Both levels in one multiply-add: lane = first | second << 16, weights (256 - f, f).
    __m128i pair = _mm_or_si128(first, _mm_slli_epi32(second, 16));
    __m128i weights = _mm_set1_epi32((256 - mip.fraction) | (mip.fraction << 16));
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(pair, weights), _mm_set1_epi32(128)), 8);
}
