#include "softdevice/sampler.h"

#include <algorithm>
#include <cstring>

#include "gfxcontext/filter_switch.h"

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
    int32_t xs[4], ys[4];
    I32x4 x, y;
    I32x4 fx, fy;         // fractions 0..63 of the texel right of x and below y
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

// The top-left texels of the bilinear fetches at u and v, and their weights. u and v go through
// the same steps side by side in the eight lanes.
[[gnu::always_inline]] inline Addresses bilinear_addresses(const TextureLevel& level, F32x4 u,
                                                           F32x4 v)
{
    const I32x8 size = join(all(level.width), all(level.height));
    const I32x8 t =
        truncate(wrap(join(u, v)) * join(all(float(level.width * 64)),
                                          all(float(level.height * 64)))) -
        join(all(32), all(32));
    I32x8 xy = shift_right<6>(t);
    // The texel left of the first one is the last one.
    const I32x4 zero = all(0);
    xy = xy + ((xy < join(zero, zero)) & size);
    Addresses a;
    const I32x4 fractionMask = all(63), one = all(64);
    a.x = xy.lo;
    a.y = xy.hi;
    a.fx = t.lo & fractionMask;
    a.fy = t.hi & fractionMask;
    const I32x4 gx = one - a.fx, gy = one - a.fy;
    a.upper = mul_small(gx, gy) | shift_left<16>(mul_small(a.fx, gy));
    a.lower = mul_small(gx, a.fy) | shift_left<16>(mul_small(a.fx, a.fy));
    store(a.xs, a.x);
    store(a.ys, a.y);
    return a;
}

// One level for the four pixels, as in QuadTexels.
[[gnu::always_inline]] inline QuadTexels sample_level(const TextureLevel& level, bool linear,
                                                      F32x4 u, F32x4 v)
{
    I16x8 pixels[4];
    if (!linear) {
        const I32x8 size = join(all(level.width), all(level.height));
        const F32x8 uv = wrap(join(u, v));
        I32x8 xy = truncate(uv * join(all(float(level.width)), all(float(level.height))));
        // A coordinate that wrapped to exactly 1 lands on the first texel again.
        xy = xy - andnot(xy < size, size);
        int32_t xs[4], ys[4];
        store(xs, xy.lo);
        store(ys, xy.hi);
        for (int i = 0; i < 4; i++) {
            const uint32_t texel = level.texels[size_t(ys[i]) * level.pitch + xs[i]];
            pixels[i] = widen_pixels(texel, 0);
        }
    } else {
        const Addresses a = bilinear_addresses(level, u, v);
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

#ifdef PLAYER_SIMD_AVX2
[[gnu::target("avx2"), gnu::always_inline]] inline simd::avx2::I16x16 mix(
    simd::avx2::I16x16 a, simd::avx2::I16x16 b, simd::avx2::I16x16 fraction)
{
    return add16(a, shift_right16<7>(mul16(sub16(b, a), fraction)));
}
#endif

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
    const bool toHalf = magnified_to_half_level(state.magFilter, state.minFilter, state.mipFilter);
    if (!(rho2 > (toHalf ? 2.0f : 1.0f))) {   // magnified (or a footprint that is not a number)
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

#ifdef PLAYER_SIMD_AVX2
// The bilinear fetch of sample_level with gathers: the two texels of a row of each pixel come in
// one 64-bit gather lane, are weighed horizontally with byte multiply-adds and then vertically.
// The sums are the same integers as in bilinear_pixel, so both give the same picture. offset:
// each pixel's top-left texel from the level's first; fx, fy: the fractions of Addresses.
// Gives the 16-bit pixels 0 1 | 2 3.
[[gnu::target("avx2"), gnu::always_inline]] inline simd::avx2::I32x8 bilinear_weighed(
    const TextureLevel& level, I32x4 offset, I32x4 fx, I32x4 fy)
{
    namespace wide = simd::avx2;
    const wide::I32x8 top = wide::interleave_pairs(wide::gather_pairs(level.texels.data(), offset));
    const wide::I32x8 bottom = wide::interleave_pairs(
        wide::gather_pairs(level.texels.data(), offset + all(level.pitch)));
    // Horizontal weight bytes (64 - fx, fx), four times in each pixel's 64 bits.
    I32x4 wx = (all(64) - fx) | shift_left<8>(fx);
    const wide::I32x8 wx64 = wide::repeat_in_pairs(wx | shift_left<16>(wx));
    const wide::I32x8 rowTop = wide::multiply_add8(top, wx64);
    const wide::I32x8 rowBottom = wide::multiply_add8(bottom, wx64);
    // Vertical: (top, bottom) word pairs against (64 - fy, fy); pixels 0 and 2, then 1 and 3.
    const I32x4 wy = (all(64) - fy) | shift_left<16>(fy);
    const wide::I32x8 round = wide::all(1 << 11);
    wide::I32x8 even = wide::multiply_add16(wide::interleave_low16(rowTop, rowBottom),
                                            wide::broadcast_halves<0, 2>(wy));
    wide::I32x8 odd = wide::multiply_add16(wide::interleave_high16(rowTop, rowBottom),
                                           wide::broadcast_halves<1, 3>(wy));
    even = wide::shift_right_logical<12>(even + round);
    odd = wide::shift_right_logical<12>(odd + round);
    return wide::pack_saturated(even, odd);
}

[[gnu::target("avx2"), gnu::always_inline]] inline QuadTexels bilinear_gathered(
    const TextureLevel& level, F32x4 u, F32x4 v)
{
    namespace wide = simd::avx2;
    const Addresses a = bilinear_addresses(level, u, v);
    const wide::I32x8 packed =
        bilinear_weighed(level, wide::mul32(a.y, all(level.pitch)) + a.x, a.fx, a.fy);
    return QuadTexels{wide::low_half(packed), wide::high_half(packed)};
}

// wrap() for the 256-bit lanes of two quads.
[[gnu::target("avx2"), gnu::always_inline]] inline simd::avx2::F32x8 wrap_pair(
    simd::avx2::F32x8 t)
{
    namespace wide = simd::avx2;
    t = wide::max(wide::min(t, wide::all(1e6f)), wide::all(-1e6f));
    wide::F32x8 whole = wide::to_float(wide::truncate(t));
    whole = whole - ((whole > t) & wide::all(1.0f));
    return t - whole;
}

// bilinear_gathered for two quads at the same level, their addresses found side by side in
// 256-bit lanes with the same steps as bilinear_addresses.
[[gnu::target("avx2"), gnu::always_inline]] inline PairTexels bilinear_pair(
    const TextureLevel& level, const simd::avx2::F32x8& u, const simd::avx2::F32x8& v)
{
    namespace wide = simd::avx2;
    const wide::I32x8 tx =
        wide::truncate(wrap_pair(u) * wide::all(float(level.width * 64))) - wide::all(32);
    const wide::I32x8 ty =
        wide::truncate(wrap_pair(v) * wide::all(float(level.height * 64))) - wide::all(32);
    // The texel left of the first one is the last one.
    wide::I32x8 x = wide::shift_right<6>(tx), y = wide::shift_right<6>(ty);
    x = x + ((x < wide::all(0)) & wide::all(level.width));
    y = y + ((y < wide::all(0)) & wide::all(level.height));
    const wide::I32x8 offset = wide::mul32(y, wide::all(level.pitch)) + x;
    const wide::I32x8 fx = tx & wide::all(63), fy = ty & wide::all(63);
    const wide::I32x8 left =
        bilinear_weighed(level, wide::low(offset), wide::low(fx), wide::low(fy));
    const wide::I32x8 right =
        bilinear_weighed(level, wide::high(offset), wide::high(fx), wide::high(fy));
    return PairTexels{wide::join_low_halves(left, right), wide::join_high_halves(left, right)};
}

// The quad's texels at the levels mip chose for it.
[[gnu::target("avx2"), gnu::always_inline]] inline QuadTexels sample_avx2(
    const SoftwareTexture& texture, const RasterState& state, const MipChoice& mip, F32x4 u,
    F32x4 v)
{
    if (!mip.linear)
        return sample(texture, state, u, v);   // point sampling has nothing to gather
    QuadTexels first = bilinear_gathered(texture.levels[mip.level0], u, v);
    if (mip.fraction == 0)
        return first;
    QuadTexels second = bilinear_gathered(texture.levels[mip.level1], u, v);
    const I16x8 fraction = all16(int16_t(mip.fraction));
    return QuadTexels{mix(first.top, second.top, fraction),
                      mix(first.bottom, second.bottom, fraction)};
}

[[gnu::target("avx2")]] QuadTexels sample_quad_avx2(const SoftwareTexture& texture,
                                                    const RasterState& state, F32x4 u, F32x4 v)
{
    return sample_avx2(texture, state, quad_mip(texture, state, u, v), u, v);
}
#endif

}  // namespace

#ifdef PLAYER_SIMD_AVX2
// Each quad with its own levels, as sample_quad gives them; quads that have the same bilinear
// levels and blend side by side.
[[gnu::target("avx2")]] PairTexels sample_pair(const SoftwareTexture& texture,
                                               const RasterState& state,
                                               const simd::avx2::F32x8& u,
                                               const simd::avx2::F32x8& v)
{
    namespace wide = simd::avx2;
    const F32x4 leftU = wide::low(u), leftV = wide::low(v);
    const F32x4 rightU = wide::high(u), rightV = wide::high(v);
    const MipChoice left = quad_mip(texture, state, leftU, leftV);
    const MipChoice right = quad_mip(texture, state, rightU, rightV);
    // level1 follows from level0 where fraction is not 0.
    if (left.linear && right.linear && left.level0 == right.level0 &&
        left.fraction == right.fraction) {
        const PairTexels first = bilinear_pair(texture.levels[left.level0], u, v);
        if (left.fraction == 0)
            return first;
        const PairTexels second = bilinear_pair(texture.levels[left.level1], u, v);
        const wide::I16x16 fraction = wide::all16(int16_t(left.fraction));
        return PairTexels{mix(first.top, second.top, fraction),
                          mix(first.bottom, second.bottom, fraction)};
    }
    const QuadTexels l = sample_avx2(texture, state, left, leftU, leftV);
    const QuadTexels r = sample_avx2(texture, state, right, rightU, rightV);
    return PairTexels{wide::join(l.top, r.top), wide::join(l.bottom, r.bottom)};
}
#endif

QuadTexels sample_quad_baseline(const SoftwareTexture& texture, const RasterState& state,
                                F32x4 u, F32x4 v)
{
    return sample(texture, state, u, v);
}

namespace {

using QuadSampler = QuadTexels (*)(const SoftwareTexture&, const RasterState&, F32x4, F32x4);

#ifndef PLAYER_SIMD_AVX2
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
