#include "gfxcontext/sampler.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The fractional part of each lane in [0, 1]; lanes that are not numbers or are beyond any useful
// range are taken as 0 first, so the conversions below stay in range.
inline __m128 wrap(__m128 t)
{
    t = _mm_max_ps(_mm_min_ps(t, _mm_set1_ps(1e6f)), _mm_set1_ps(-1e6f));
    __m128 whole = _mm_cvtepi32_ps(_mm_cvttps_epi32(t));
    whole = _mm_sub_ps(whole, _mm_and_ps(_mm_cmpgt_ps(whole, t), _mm_set1_ps(1.0f)));
    return _mm_sub_ps(t, whole);
}

struct Lanes {
    alignas(16) int32_t v[4];
};

inline __m128i widen(uint32_t texel)
{
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(texel)), _mm_setzero_si128());
}

// Pixel I of a quad: its 2 x 2 texels weighed by the I-th lanes of the row weights.
template <int I>
[[gnu::always_inline]] inline __m128i bilinear_pixel(const TextureLevel& level, const Lanes& xs,
                                                     const Lanes& ys, __m128i upper, __m128i lower)
{
    constexpr int lane = I * 0x55;
    const __m128i zero = _mm_setzero_si128();
    const uint32_t* p = &level.texels[size_t(ys.v[I]) * level.pitch + xs.v[I]];
    __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    __m128i bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + level.pitch));
    // Bytes of the left and right texel side by side, widened: l0 r0 l1 r1 ...
    top = _mm_unpacklo_epi8(_mm_unpacklo_epi8(top, _mm_srli_si128(top, 4)), zero);
    bottom = _mm_unpacklo_epi8(_mm_unpacklo_epi8(bottom, _mm_srli_si128(bottom, 4)), zero);
    __m128i sum = _mm_add_epi32(_mm_madd_epi16(top, _mm_shuffle_epi32(upper, lane)),
                                _mm_madd_epi16(bottom, _mm_shuffle_epi32(lower, lane)));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << 11)), 12);
    return _mm_packs_epi32(sum, sum);
}

// One level for the four pixels, as in QuadTexels.
[[gnu::always_inline]] inline QuadTexels sample_level(const TextureLevel& level, bool linear,
                                                      __m128 u, __m128 v)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i width = _mm_set1_epi32(level.width), height = _mm_set1_epi32(level.height);
    __m128i pixels[4];
    if (!linear) {
        __m128i x = _mm_cvttps_epi32(_mm_mul_ps(wrap(u), _mm_set1_ps(float(level.width))));
        __m128i y = _mm_cvttps_epi32(_mm_mul_ps(wrap(v), _mm_set1_ps(float(level.height))));
        // A coordinate that wrapped to exactly 1 lands on the first texel again.
        x = _mm_sub_epi32(x, _mm_andnot_si128(_mm_cmplt_epi32(x, width), width));
        y = _mm_sub_epi32(y, _mm_andnot_si128(_mm_cmplt_epi32(y, height), height));
        Lanes xs, ys;
        _mm_store_si128(reinterpret_cast<__m128i*>(xs.v), x);
        _mm_store_si128(reinterpret_cast<__m128i*>(ys.v), y);
        for (int i = 0; i < 4; i++)
            pixels[i] = widen(level.texels[size_t(ys.v[i]) * level.pitch + xs.v[i]]);
    } else {
        __m128i tx = _mm_sub_epi32(
            _mm_cvttps_epi32(_mm_mul_ps(wrap(u), _mm_set1_ps(float(level.width * 64)))),
            _mm_set1_epi32(32));
        __m128i ty = _mm_sub_epi32(
            _mm_cvttps_epi32(_mm_mul_ps(wrap(v), _mm_set1_ps(float(level.height * 64)))),
            _mm_set1_epi32(32));
        __m128i x = _mm_srai_epi32(tx, 6), y = _mm_srai_epi32(ty, 6);
        // The texel left of the first one is the last one.
        x = _mm_add_epi32(x, _mm_and_si128(_mm_cmplt_epi32(x, zero), width));
        y = _mm_add_epi32(y, _mm_and_si128(_mm_cmplt_epi32(y, zero), height));
        const __m128i fractionMask = _mm_set1_epi32(63), one = _mm_set1_epi32(64);
        __m128i fx = _mm_and_si128(tx, fractionMask), fy = _mm_and_si128(ty, fractionMask);
        __m128i gx = _mm_sub_epi32(one, fx), gy = _mm_sub_epi32(one, fy);
        // Weights (left, right) of the upper and of the lower texel row, 16 bits each.
        __m128i upper = _mm_or_si128(_mm_mullo_epi16(gx, gy),
                                     _mm_slli_epi32(_mm_mullo_epi16(fx, gy), 16));
        __m128i lower = _mm_or_si128(_mm_mullo_epi16(gx, fy),
                                     _mm_slli_epi32(_mm_mullo_epi16(fx, fy), 16));
        Lanes xs, ys;
        _mm_store_si128(reinterpret_cast<__m128i*>(xs.v), x);
        _mm_store_si128(reinterpret_cast<__m128i*>(ys.v), y);
        pixels[0] = bilinear_pixel<0>(level, xs, ys, upper, lower);
        pixels[1] = bilinear_pixel<1>(level, xs, ys, upper, lower);
        pixels[2] = bilinear_pixel<2>(level, xs, ys, upper, lower);
        pixels[3] = bilinear_pixel<3>(level, xs, ys, upper, lower);
    }
    return QuadTexels{_mm_unpacklo_epi64(pixels[0], pixels[1]),
                      _mm_unpacklo_epi64(pixels[2], pixels[3])};
}

// a + (b - a) x fraction / 128 per 16-bit lane.
inline __m128i mix(__m128i a, __m128i b, __m128i fraction)
{
    return _mm_add_epi16(a, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(b, a), fraction), 7));
}

[[gnu::always_inline]] inline float fast_log2(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    float exponent = float(int((bits >> 23) & 255) - 127);
    bits = (bits & 0x007FFFFFu) | 0x3F800000u;
    float m;
    std::memcpy(&m, &bits, 4);
    return exponent + (-0.34484843f * m + 2.02466578f) * m - 1.67487759f;
}

[[gnu::always_inline]] inline MipChoice choose(const SoftwareTexture& texture,
                                               const RasterState& state, float rho2)
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
    const float lod = 0.5f * fast_log2(rho2);
    if (!(lod < float(deepest))) {
        choice.level0 = choice.level1 = deepest;
        return choice;
    }
    if (state.mipFilter == D3DTFP_POINT) {
        choice.level0 = choice.level1 = std::min(deepest, int(lod + 0.5f));
        return choice;
    }
    const int whole = int(lod);
    choice.level0 = whole;
    choice.level1 = std::min(deepest, whole + 1);
    choice.fraction = int((lod - float(whole)) * 128.0f);
    return choice;
}

}  // namespace

float approximate_log2(float x) { return fast_log2(x); }

namespace {

[[gnu::always_inline]] inline MipChoice quad_mip(const SoftwareTexture& texture,
                                                 const RasterState& state, __m128 u, __m128 v)
{
    alignas(16) float us[4], vs[4];
    _mm_store_ps(us, u);
    _mm_store_ps(vs, v);
    const float w = float(texture.levels[0].width), h = float(texture.levels[0].height);
    const float dudx = (us[1] - us[0]) * w, dvdx = (vs[1] - vs[0]) * h;
    const float dudy = (us[2] - us[0]) * w, dvdy = (vs[2] - vs[0]) * h;
    const float rho2 = std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy);
    return choose(texture, state, rho2);
}

}  // namespace

QuadTexels sample_quad_sse2(const SoftwareTexture& texture, const RasterState& state, __m128 u,
                            __m128 v)
{
    const MipChoice mip = quad_mip(texture, state, u, v);
    QuadTexels first = sample_level(texture.levels[mip.level0], mip.linear, u, v);
    if (mip.fraction == 0)
        return first;
    QuadTexels second = sample_level(texture.levels[mip.level1], mip.linear, u, v);
    const __m128i fraction = _mm_set1_epi16(int16_t(mip.fraction));
    return QuadTexels{mix(first.top, second.top, fraction),
                      mix(first.bottom, second.bottom, fraction)};
}

namespace {

// The bilinear fetch of sample_level with gathers: the two texels of a row of each pixel come in
// one 64-bit gather lane, are weighed horizontally with byte multiply-adds and then vertically.
// The sums are the same integers as in sample_level, so both give the same picture.
[[gnu::target("avx2"), gnu::always_inline]] inline QuadTexels bilinear_avx2(
    const TextureLevel& level, __m128 u, __m128 v)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i width = _mm_set1_epi32(level.width), height = _mm_set1_epi32(level.height);
    const __m128i tx = _mm_sub_epi32(
        _mm_cvttps_epi32(_mm_mul_ps(wrap(u), _mm_set1_ps(float(level.width * 64)))),
        _mm_set1_epi32(32));
    const __m128i ty = _mm_sub_epi32(
        _mm_cvttps_epi32(_mm_mul_ps(wrap(v), _mm_set1_ps(float(level.height * 64)))),
        _mm_set1_epi32(32));
    __m128i x = _mm_srai_epi32(tx, 6), y = _mm_srai_epi32(ty, 6);
    x = _mm_add_epi32(x, _mm_and_si128(_mm_cmplt_epi32(x, zero), width));
    y = _mm_add_epi32(y, _mm_and_si128(_mm_cmplt_epi32(y, zero), height));
    const __m128i fractionMask = _mm_set1_epi32(63), one = _mm_set1_epi32(64);
    const __m128i fx = _mm_and_si128(tx, fractionMask), fy = _mm_and_si128(ty, fractionMask);

    const __m128i offset = _mm_add_epi32(_mm_mullo_epi32(y, _mm_set1_epi32(level.pitch)), x);
    const auto* base = reinterpret_cast<const long long*>(level.texels.data());
    __m256i top = _mm256_i32gather_epi64(base, offset, 4);
    __m256i bottom =
        _mm256_i32gather_epi64(base, _mm_add_epi32(offset, _mm_set1_epi32(level.pitch)), 4);
    // Left and right texel bytes side by side within each pixel's 64 bits.
    const __m256i pairs = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15,
                                           0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    top = _mm256_shuffle_epi8(top, pairs);
    bottom = _mm256_shuffle_epi8(bottom, pairs);
    // Horizontal weight bytes (64 - fx, fx), four times in each pixel's 64 bits.
    __m128i wx = _mm_or_si128(_mm_sub_epi32(one, fx), _mm_slli_epi32(fx, 8));
    wx = _mm_or_si128(wx, _mm_slli_epi32(wx, 16));
    __m256i wx64 = _mm256_cvtepu32_epi64(wx);
    wx64 = _mm256_or_si256(wx64, _mm256_slli_epi64(wx64, 32));
    const __m256i rowTop = _mm256_maddubs_epi16(top, wx64);
    const __m256i rowBottom = _mm256_maddubs_epi16(bottom, wx64);
    // Vertical: (top, bottom) word pairs against (64 - fy, fy); pixels 0 and 2, then 1 and 3.
    const __m128i wy = _mm_or_si128(_mm_sub_epi32(one, fy), _mm_slli_epi32(fy, 16));
    const __m256i wyEven = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_shuffle_epi32(wy, 0x00)), _mm_shuffle_epi32(wy, 0xAA), 1);
    const __m256i wyOdd = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_shuffle_epi32(wy, 0x55)), _mm_shuffle_epi32(wy, 0xFF), 1);
    const __m256i round = _mm256_set1_epi32(1 << 11);
    __m256i even = _mm256_madd_epi16(_mm256_unpacklo_epi16(rowTop, rowBottom), wyEven);
    __m256i odd = _mm256_madd_epi16(_mm256_unpackhi_epi16(rowTop, rowBottom), wyOdd);
    even = _mm256_srli_epi32(_mm256_add_epi32(even, round), 12);
    odd = _mm256_srli_epi32(_mm256_add_epi32(odd, round), 12);
    const __m256i packed = _mm256_packs_epi32(even, odd);   // pixels 0 1 | 2 3
    return QuadTexels{_mm256_castsi256_si128(packed), _mm256_extracti128_si256(packed, 1)};
}

[[gnu::target("avx2")]] QuadTexels sample_quad_avx2(const SoftwareTexture& texture,
                                                    const RasterState& state, __m128 u, __m128 v)
{
    const MipChoice mip = quad_mip(texture, state, u, v);
    if (!mip.linear)
        return sample_quad_sse2(texture, state, u, v);   // point sampling has nothing to gather
    QuadTexels first = bilinear_avx2(texture.levels[mip.level0], u, v);
    if (mip.fraction == 0)
        return first;
    QuadTexels second = bilinear_avx2(texture.levels[mip.level1], u, v);
    const __m128i fraction = _mm_set1_epi16(int16_t(mip.fraction));
    return QuadTexels{mix(first.top, second.top, fraction),
                      mix(first.bottom, second.bottom, fraction)};
}

using QuadSampler = QuadTexels (*)(const SoftwareTexture&, const RasterState&, __m128, __m128);

QuadSampler pick_sampler()
{
    if (std::getenv("SOFTWARE_DEVICE_NO_AVX2") == nullptr && __builtin_cpu_supports("avx2"))
        return sample_quad_avx2;
    return sample_quad_sse2;
}

const QuadSampler quadSampler = pick_sampler();

}  // namespace

QuadTexels sample_quad(const SoftwareTexture& texture, const RasterState& state, __m128 u,
                       __m128 v)
{
    return quadSampler(texture, state, u, v);
}
