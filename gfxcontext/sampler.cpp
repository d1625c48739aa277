#include "gfxcontext/sampler.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace simd;

// The fractional part of each lane in [0, 1]; lanes that are not numbers or are beyond any useful
// range are taken as 0 first, so the conversions below stay in range.
[[gnu::always_inline]] inline F32x8 wrap(F32x8 t)
{
    t = max(min(t, join(all(1e6f), all(1e6f))), join(all(-1e6f), all(-1e6f)));
    F32x8 whole = to_float(truncate(t));
    const F32x4 one = all(1.0f);
    whole = whole - ((whole > t) & join(one, one));
    return t - whole;
}

// Texel columns and rows of the four pixels, and for bilinear fetches the weights.
struct Addresses {
    alignas(16) int32_t xs[4], ys[4];
    I32x4 upper, lower;   // weights (left, right) of the upper and of the lower texel row
};

// Pixel I of a quad: its 2 x 2 texels weighed by the I-th lanes of the row weights.
template <int I>
[[gnu::always_inline]] inline I16x8 bilinear_pixel(const TextureLevel& level, const Addresses& a)
{
    const uint32_t* p = &level.texels[size_t(a.ys[I]) * level.pitch + a.xs[I]];
    // Bytes of the left and right texel side by side, widened: l0 r0 l1 r1 ...
    const I16x8 top = interleave_pair(load_pair(p));
    const I16x8 bottom = interleave_pair(load_pair(p + level.pitch));
    I32x4 sum = multiply_add16(top, as_i16(broadcast_lane<I>(a.upper))) +
                multiply_add16(bottom, as_i16(broadcast_lane<I>(a.lower)));
    sum = shift_right_logical<12>(sum + all(1 << 11));
    return pack_saturated(sum, sum);
}

// The 16-bit products of lanes that fit 16 bits.
[[gnu::always_inline]] inline I32x4 mul_small(I32x4 a, I32x4 b)
{
    return as_i32(mul16(as_i16(a), as_i16(b)));
}

// One level for the four pixels, as in QuadTexels. u and v go through the same steps side by
// side in the eight lanes.
[[gnu::always_inline]] inline QuadTexels sample_level(const TextureLevel& level, bool linear,
                                                      F32x4 u, F32x4 v)
{
    const I32x8 size = join(all(level.width), all(level.height));
    const F32x8 uv = wrap(join(u, v));
    I16x8 pixels[4];
    Addresses a;
    if (!linear) {
        I32x8 xy = truncate(uv * join(all(float(level.width)), all(float(level.height))));
        // A coordinate that wrapped to exactly 1 lands on the first texel again.
        xy = xy - andnot(xy < size, size);
        store(a.xs, xy.lo);
        store(a.ys, xy.hi);
        for (int i = 0; i < 4; i++) {
            const uint32_t texel = level.texels[size_t(a.ys[i]) * level.pitch + a.xs[i]];
            pixels[i] = widen_pixels(texel, 0);
        }
    } else {
        const I32x8 t = truncate(uv * join(all(float(level.width * 64)),
                                           all(float(level.height * 64)))) -
                        join(all(32), all(32));
        I32x8 xy = shift_right<6>(t);
        // The texel left of the first one is the last one.
        const I32x4 zero = all(0);
        xy = xy + ((xy < join(zero, zero)) & size);
        const I32x4 fractionMask = all(63), one = all(64);
        const I32x4 fx = t.lo & fractionMask, fy = t.hi & fractionMask;
        const I32x4 gx = one - fx, gy = one - fy;
        a.upper = mul_small(gx, gy) | shift_left<16>(mul_small(fx, gy));
        a.lower = mul_small(gx, fy) | shift_left<16>(mul_small(fx, fy));
        store(a.xs, xy.lo);
        store(a.ys, xy.hi);
        pixels[0] = bilinear_pixel<0>(level, a);
        pixels[1] = bilinear_pixel<1>(level, a);
        pixels[2] = bilinear_pixel<2>(level, a);
        pixels[3] = bilinear_pixel<3>(level, a);
    }
    return QuadTexels{join_low(pixels[0], pixels[1]), join_low(pixels[2], pixels[3])};
}

// a + (b - a) x fraction / 128 per 16-bit lane.
[[gnu::always_inline]] inline I16x8 mix(I16x8 a, I16x8 b, I16x8 fraction)
{
    return add16(a, shift_right16<7>(mul16(sub16(b, a), fraction)));
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
                                                 const RasterState& state, F32x4 u, F32x4 v)
{
    float us[4], vs[4];
    store(us, u);
    store(vs, v);
    const float w = float(texture.levels[0].width), h = float(texture.levels[0].height);
    const float dudx = (us[1] - us[0]) * w, dvdx = (vs[1] - vs[0]) * h;
    const float dudy = (us[2] - us[0]) * w, dvdy = (vs[2] - vs[0]) * h;
    const float rho2 = std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy);
    return choose(texture, state, rho2);
}

// The sampler for every path, built into each.
[[gnu::always_inline]] inline QuadTexels sample(const SoftwareTexture& texture,
                                                const RasterState& state, F32x4 u, F32x4 v)
{
    const MipChoice mip = quad_mip(texture, state, u, v);
    QuadTexels first = sample_level(texture.levels[mip.level0], mip.linear, u, v);
    if (mip.fraction == 0)
        return first;
    QuadTexels second = sample_level(texture.levels[mip.level1], mip.linear, u, v);
    const I16x8 fraction = all16(int16_t(mip.fraction));
    return QuadTexels{mix(first.top, second.top, fraction),
                      mix(first.bottom, second.bottom, fraction)};
}

#ifndef PLAYER_PORTABLE_SIMD
[[gnu::target("avx2")]] QuadTexels sample_quad_avx2(const SoftwareTexture& texture,
                                                    const RasterState& state, F32x4 u, F32x4 v)
{
    return sample(texture, state, u, v);
}
#endif

}  // namespace

QuadTexels sample_quad_baseline(const SoftwareTexture& texture, const RasterState& state,
                                F32x4 u, F32x4 v)
{
    return sample(texture, state, u, v);
}

namespace {

using QuadSampler = QuadTexels (*)(const SoftwareTexture&, const RasterState&, F32x4, F32x4);

#ifdef PLAYER_PORTABLE_SIMD
const QuadSampler quadSampler = sample_quad_baseline;
#else
const QuadSampler quadSampler = use_avx2() ? sample_quad_avx2 : sample_quad_baseline;
#endif

}  // namespace

QuadTexels sample_quad(const SoftwareTexture& texture, const RasterState& state, F32x4 u,
                       F32x4 v)
{
    return quadSampler(texture, state, u, v);
}
