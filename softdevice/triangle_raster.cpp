// Drawing one set-up triangle into a tile, in 2 x 2 quads. Wide triangles find the
// exact span of each row from their edge functions and walk the quads along the spans of each
// pair of rows; small ones walk every quad of their bounds and test the edge functions at its
// four pixels at once. Both give each pixel the same coverage, so which is used does not show.
//
// With several samples a pixel, coverage, the depth test and blending are per sample, at the
// sample's position, while the colour is worked out once per pixel at the pixel's sampling
// point. A quad then carries a mask of its pixels for each sample.

#include <algorithm>
#include <span>

#include "softdevice/blender.h"
#include "softdevice/rasterizer.h"
#include "softdevice/sampler.h"
#include "softdevice/simd.h"

namespace {

using namespace simd;

constexpr int subpixel = Rasterizer::subpixel;

int64_t floor_div(int64_t n, int64_t d)   // d > 0
{
    int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// The pixels [left, right) of row y within columns [xMin, xMax] whose sample at `offset` is inside
// the triangle.
void span(const Rasterizer::Triangle& t, int y, int xMin, int xMax, SampleOffset offset,
          int& left, int& right)
{
    int64_t l = xMin, r = int64_t(xMax) + 1;
    const int64_t Y = int64_t(y) * subpixel + offset.y;
    for (const Rasterizer::Edge& e : t.edges) {
        // Inside: (Y - e.y) * dx - (X - e.x) * dy - bias >= 0 with X = x * subpixel + offset.x.
        int64_t a = -int64_t(e.dy) * subpixel;
        int64_t k = (Y - e.y) * e.dx + (int64_t(e.x) - offset.x) * e.dy - e.bias;
        if (a > 0)
            l = std::max(l, -floor_div(k, a));   // x >= ceil(-k / a)
        else if (a < 0)
            r = std::min(r, floor_div(k, -a) + 1);
        else if (k < 0)
            r = l;
    }
    l = std::min(l, int64_t(xMax) + 1);
    left = int(l);
    right = int(std::max(l, r));
}

// The lanes of one quad: its pixels (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1).
struct OneQuad {
    using F = F32x4;
    using I = I32x4;
    using I16 = I16x8;
    using Texels = QuadTexels;
    static constexpr int quads = 1;
    static constexpr int full = 15;   // the mask of every lane

    [[gnu::always_inline]] static F all(float x) { return simd::all(x); }
    [[gnu::always_inline]] static I all(int32_t x) { return simd::all(x); }
    [[gnu::always_inline]] static I16 all16(int16_t x) { return simd::all16(x); }
    // The lanes' columns and rows from the quad's.
    [[gnu::always_inline]] static F columns(float x) { return all(x) + set(0.0f, 1.0f, 0.0f, 1.0f); }
    [[gnu::always_inline]] static F rows(float y) { return all(y) + set(0.0f, 0.0f, 1.0f, 1.0f); }
    [[gnu::always_inline]] static I bits() { return set(1, 2, 4, 8); }   // lane i: 1 << i
    // The lanes of a step from those of its first quad, each further quad's its left
    // neighbour's plus step (a value along rows, such as an edge function).
    [[gnu::always_inline]] static I repeat(I32x4 quad, I32x4) { return quad; }
    // From a step's lanes to the next step's, step being from a quad to the one right of it.
    [[gnu::always_inline]] static I across(I32x4 step) { return step; }
    // The quad's values, from rows a and b at the quad's column.
    template <class T>
    [[gnu::always_inline]] static auto load(const T* a, const T* b)
    {
        return load_pairs(a, b);
    }
    template <class T, class V>
    [[gnu::always_inline]] static void store(T* a, T* b, V x)
    {
        store_pairs(a, b, x);
    }
    [[gnu::always_inline]] static Texels texels(uint32_t colour)
    {
        const I16 pair = widen_pixels(colour, colour);
        return {pair, pair};
    }
    [[gnu::always_inline]] static Texels sample(const SoftwareTexture& texture,
                                                const RasterState& state, F u, F v)
    {
        return sample_quad(texture, state, u, v);
    }
    [[gnu::always_inline]] static I blend(I source, I destination, uint32_t srcFactor,
                                          uint32_t destFactor)
    {
        return blend_quad(source, destination, srcFactor, destFactor);
    }
};

// Whether every sample of the pixels of rows first to last and columns left to right is inside
// t: each edge function is then non-negative at the corner least inside it for the sample least
// inside.
bool covers(const Rasterizer::Triangle& t, int first, int last, int left, int right,
            std::span<const SampleOffset> offsets)
{
    bool whole = true;
    for (const Rasterizer::Edge& e : t.edges) {
        int64_t gain = 0;
        for (const SampleOffset& offset : offsets)
            gain = std::min(gain, int64_t(offset.y) * e.dx - int64_t(offset.x) * e.dy);
        const int64_t X = int64_t(e.dy < 0 ? left : right) * subpixel;
        const int64_t Y = int64_t(e.dx > 0 ? first : last) * subpixel;
        whole &= (Y - e.y) * e.dx - (X - e.x) * e.dy - e.bias + gain >= 0;
    }
    return whole;
}

// The drawer made for the state's planes.
#define FOR_SAMPLES(draw, textured, gouraud)                                                  \
    if (frame.samples == 8)                                                                  \
        draw<textured, gouraud, 8>(frame, state, t, tile, first, last, left, right);         \
    else if (frame.samples == 4)                                                             \
        draw<textured, gouraud, 4>(frame, state, t, tile, first, last, left, right);         \
    else                                                                                     \
        draw<textured, gouraud, 1>(frame, state, t, tile, first, last, left, right)
#define FOR_STATE(draw)                                                                      \
    if (state.texture && state.gouraud) {                                                    \
        FOR_SAMPLES(draw, true, true);                                                       \
    } else if (state.texture) {                                                              \
        FOR_SAMPLES(draw, true, false);                                                      \
    } else if (state.gouraud) {                                                              \
        FOR_SAMPLES(draw, false, true);                                                      \
    } else {                                                                                 \
        FOR_SAMPLES(draw, false, false);                                                     \
    }

// The baseline build, a quad a step.
namespace baseline {
using Step = OneQuad;
#include "softdevice/triangle_quads.inc"
}  // namespace baseline

#ifdef PLAYER_SIMD_AVX2
// The AVX2 build, two quads a step in 256-bit lanes wherever two quads side by side are drawn,
// the same pixels as the baseline's; its three-operand forms and broadcasts spare many moves
// in the quads drawn alone.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace wide {
// The lanes of two quads side by side, each 128-bit half as OneQuad has a quad; lane masks
// have the left quad's in bits 0-3 and the right one's in 4-7.
struct TwoQuads {
    using F = avx2::F32x8;
    using I = avx2::I32x8;
    using I16 = avx2::I16x16;
    using Texels = PairTexels;
    static constexpr int quads = 2;
    static constexpr int full = 255;

    [[gnu::always_inline]] static F all(float x) { return avx2::all(x); }
    [[gnu::always_inline]] static I all(int32_t x) { return avx2::all(x); }
    [[gnu::always_inline]] static I16 all16(int16_t x) { return avx2::all16(x); }
    [[gnu::always_inline]] static F columns(float x)
    {
        return all(x) + avx2::set(0.0f, 1.0f, 0.0f, 1.0f, 2.0f, 3.0f, 2.0f, 3.0f);
    }
    [[gnu::always_inline]] static F rows(float y)
    {
        return all(y) + avx2::set(0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    }
    [[gnu::always_inline]] static I bits() { return avx2::set(1, 2, 4, 8, 16, 32, 64, 128); }
    [[gnu::always_inline]] static I repeat(I32x4 quad, I32x4 step)
    {
        return avx2::join(quad, quad + step);
    }
    [[gnu::always_inline]] static I across(I32x4 step)
    {
        return avx2::join(step + step, step + step);
    }
    template <class T>
    [[gnu::always_inline]] static auto load(const T* a, const T* b)
    {
        return avx2::load_quads(a, b);
    }
    template <class T, class V>
    [[gnu::always_inline]] static void store(T* a, T* b, V x)
    {
        avx2::store_quads(a, b, x);
    }
    [[gnu::always_inline]] static Texels texels(uint32_t colour)
    {
        const I16 pairs = avx2::widen_low(all(int32_t(colour)));
        return {pairs, pairs};
    }
    [[gnu::always_inline]] static Texels sample(const SoftwareTexture& texture,
                                                const RasterState& state, F u, F v)
    {
        return sample_pair(texture, state, u, v);
    }
    // Blending stays a quad at a time: it is rare enough.
    [[gnu::always_inline]] static I blend(I source, I destination, uint32_t srcFactor,
                                          uint32_t destFactor)
    {
        return avx2::join(
            blend_quad(avx2::low(source), avx2::low(destination), srcFactor, destFactor),
            blend_quad(avx2::high(source), avx2::high(destination), srcFactor, destFactor));
    }
};

using Step = TwoQuads;
#include "softdevice/triangle_quads.inc"
}  // namespace wide
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

#undef FOR_STATE
#undef FOR_SAMPLES

using TriangleDrawer = void (*)(FrameBuffer&, const RasterState&, const Rasterizer::Triangle&,
                                const Rasterizer::TileView&, int, int, int, int);
#ifndef PLAYER_SIMD_AVX2
const TriangleDrawer spanDrawer = baseline::draw_spans_for_state;
const TriangleDrawer quadDrawer = baseline::draw_quads_for_state;
const TriangleDrawer freshDrawer = baseline::draw_fresh_for_state;
#else
const TriangleDrawer spanDrawer =
    use_avx2() ? wide::draw_spans_for_state : baseline::draw_spans_for_state;
const TriangleDrawer quadDrawer =
    use_avx2() ? wide::draw_quads_for_state : baseline::draw_quads_for_state;
const TriangleDrawer freshDrawer =
    use_avx2() ? wide::draw_fresh_for_state : baseline::draw_fresh_for_state;
#endif

}  // namespace

void Rasterizer::draw_triangle(const Queue& queue, const Triangle& t, const TileView& tile)
{
    const Rect& r = tile.rect;
    const int first = std::max(t.yMin, r.y0), last = std::min(t.yMax, r.y1 - 1);
    const int left = std::max(t.xMin, r.x0), right = std::min(t.xMax, r.x1 - 1);
    if (first <= last && left <= right)
        (t.small ? quadDrawer : spanDrawer)(frame, queue.states[t.state], t, tile, first, last,
                                            left, right);
}

bool Rasterizer::draw_fresh_triangle(const Queue& queue, const Triangle& t, const TileView& tile)
{
    const Rect& r = tile.rect;
    const RasterState& state = queue.states[t.state];
    const bool even = ((r.x1 - r.x0) & 1) == 0 && ((r.y1 - r.y0) & 1) == 0;
    if (state.blendEnable || !even || t.xMin > r.x0 || t.xMax < r.x1 - 1 || t.yMin > r.y0 ||
        t.yMax < r.y1 - 1 ||
        !covers(t, r.y0, r.y1 - 1, r.x0, r.x1 - 1, sample_offsets(frame.samples)))
        return false;
    freshDrawer(frame, state, t, tile, r.y0, r.y1 - 1, r.x0, r.x1 - 1);
    return true;
}