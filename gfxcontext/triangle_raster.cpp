// Drawing one set-up triangle into the rows of a band, in 2 x 2 quads. Wide triangles find the
// exact span of each row from their edge functions and walk the quads along the spans of each
// pair of rows; small ones walk every quad of their bounds and test the edge functions at its
// four pixels at once. Both give each pixel the same coverage, so which is used does not show.

#include <algorithm>

#include "gfxcontext/blender.h"
#include "gfxcontext/rasterizer.h"
#include "gfxcontext/sampler.h"
#include "gfxcontext/simd.h"

namespace {

using namespace simd;

constexpr int subpixel = Rasterizer::subpixel;

int64_t floor_div(int64_t n, int64_t d)   // d > 0
{
    int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// The pixels [left, right) of row y inside the triangle.
void span(const Rasterizer::Triangle& t, int y, int& left, int& right)
{
    int64_t l = t.xMin, r = int64_t(t.xMax) + 1;
    const int64_t Y = int64_t(y) * subpixel;
    for (const Rasterizer::Edge& e : t.edges) {
        // Inside: (Y - e.y) * dx - (X - e.x) * dy - bias >= 0 with X = x * subpixel.
        int64_t a = -int64_t(e.dy) * subpixel;
        int64_t k = (Y - e.y) * e.dx + int64_t(e.x) * e.dy - e.bias;
        if (a > 0)
            l = std::max(l, -floor_div(k, a));   // x >= ceil(-k / a)
        else if (a < 0)
            r = std::min(r, floor_div(k, -a) + 1);
        else if (k < 0)
            r = l;
    }
    left = int(l);
    right = int(std::max(l, r));
}

// texel x diffuse / 255 per 16-bit lane, rounded exactly.
[[gnu::always_inline]] inline I16x8 modulate(I16x8 texel, I16x8 diffuse)
{
    const I16x8 product = add16(mul16(texel, diffuse), all16(128));
    return shift_right_logical16<8>(add16(product, shift_right_logical16<8>(product)));
}

// Shades and writes the covered pixels of quads of one triangle: depth test, diffuse colour,
// texture, blending. Made for the planes the state uses: Z, and Q, UQ and VQ when Textured, and
// the colours when Gouraud.
template <bool Textured, bool Gouraud>
class QuadShader {
public:
    QuadShader(const Rasterizer::Triangle& t, const RasterState& state, FrameBuffer& frame)
        : state(state),
          texture(state.texture),
          frame(frame),
          planes(Rasterizer::triangle_planes(t, Textured, Gouraud))
    {
        // Flat colour in the layout of QuadTexels; alpha from the texture when there is one.
        const uint32_t flat = texture ? (t.flatColour | 0xFF000000u) : t.flatColour;
        const I16x8 flatPair = widen_pixels(flat, flat);
        flatDiffuse = QuadTexels{flatPair, flatPair};
    }

    // The rows y and y + 1 (the same row when y + 1 is beyond the frame).
    void rows(int y)
    {
        const int width = frame.width;
        colour[0] = &frame.colour[size_t(y) * width];
        depth[0] = &frame.depth[size_t(y) * width];
        colour[1] = y + 1 < frame.height ? colour[0] + width : colour[0];
        depth[1] = y + 1 < frame.height ? depth[0] + width : depth[0];
        rowOffset = all(float(y - planes.refY)) + set(0.0f, 0.0f, 1.0f, 1.0f);
    }

    // The quad at column x of the current rows; mask bit i covers pixel
    // (x + (i & 1), y + (i >> 1)).
    [[gnu::always_inline]] inline void quad(int x, int mask)
    {
        const bool pair = x + 1 < frame.width;
        const F32x4 offset = all(float(x - planes.refX)) + set(0.0f, 1.0f, 0.0f, 1.0f);
        F32x4 z = at(Rasterizer::Z, offset);
        F32x4 stored = all(0.0f);
        if (state.depthEnable) {
            stored = pair ? load_pairs(depth[0] + x, depth[1] + x)
                          : set(depth[0][x], 0.0f, depth[1][x], 0.0f);
            mask &= movemask(z <= stored);
            if (!mask)
                return;
        }

        const QuadTexels diffuse = Gouraud ? gouraud_diffuse(offset) : flatDiffuse;
        QuadTexels shaded = diffuse;
        if (Textured) {
            const F32x4 w = all(1.0f) / at(Rasterizer::Q, offset);
            const QuadTexels texel = sample_quad(*texture, state, at(Rasterizer::UQ, offset) * w,
                                                 at(Rasterizer::VQ, offset) * w);
            shaded.top = modulate(texel.top, diffuse.top);
            shaded.bottom = modulate(texel.bottom, diffuse.bottom);
        }
        I32x4 pixels = pack_bytes(shaded.top, shaded.bottom);
        if (pair) {
            // Bottom row first: when the quad hangs below the frame both rows are the same and
            // the top row must be the last write.
            const I32x4 old = load_pairs(colour[0] + x, colour[1] + x);
            pixels = state.blendEnable
                         ? blend_quad(pixels, old, state.srcBlend, state.destBlend)
                         : pixels & all(0x00FFFFFF);
            if (mask != 15) {   // keep what the uncovered pixels hold
                const I32x4 bits = set(1, 2, 4, 8);
                const I32x4 covered = (all(mask) & bits) == bits;
                pixels = (covered & pixels) | andnot(covered, old);
                if (state.depthEnable)
                    z = (as_float(covered) & z) | andnot(as_float(covered), stored);
            }
            store_pairs(colour[0] + x, colour[1] + x, pixels);
            if (state.depthEnable)
                store_pairs(depth[0] + x, depth[1] + x, z);
            return;
        }
        uint32_t source[4];
        float depths[4];
        store(source, pixels);
        store(depths, z);
        for (int i = 0; i < 4; i++) {
            if (!(mask >> i & 1))
                continue;
            const int px = x + (i & 1), row = i >> 1;
            uint32_t& target = colour[row][px];
            target = state.blendEnable
                         ? blend_pixel(source[i], target, state.srcBlend, state.destBlend)
                         : source[i] & 0x00FFFFFFu;
            if (state.depthEnable)
                depth[row][px] = depths[i];
        }
    }

private:
    const RasterState& state;
    const SoftwareTexture* texture;
    FrameBuffer& frame;
    const Rasterizer::TrianglePlanes planes;
    QuadTexels flatDiffuse;
    uint32_t* colour[2] = {};
    float* depth[2] = {};
    // The quad's rows, y and y + 1, less the reference row, in the lanes of a quad's pixels.
    F32x4 rowOffset = all(0.0f);

    // A plane at the quad's pixels, offset being their columns less the reference column:
    // c + (dx * offset + dy * rowOffset).
    [[gnu::always_inline]] inline F32x4 at(int k, F32x4 offset) const
    {
        const Rasterizer::Planes& p = planes.planes;
        return all(p.c[k]) + (all(p.dx[k]) * offset + all(p.dy[k]) * rowOffset);
    }

    // The diffuse colour of the quad's pixels in the layout of QuadTexels; alpha lanes are 255
    // when the texture gives alpha.
    [[gnu::always_inline]] inline QuadTexels gouraud_diffuse(F32x4 offset) const
    {
        const F32x4 low = all(0.0f), high = all(255.0f);
        auto channel = [&](int k) {
            return round(min(max(at(k, offset), low), high));
        };
        const I32x4 b = channel(Rasterizer::B), g = channel(Rasterizer::G);
        const I32x4 r = channel(Rasterizer::R);
        const I32x4 a = Textured ? all(255) : channel(Rasterizer::A);
        QuadTexels result;
        channels_to_pixels(b, g, r, a, result.top, result.bottom);
        return result;
    }
};

// The pixels of rows first to last inside t, span by span.
template <bool Textured, bool Gouraud>
[[gnu::always_inline]] inline void draw_spans(FrameBuffer& frame, const RasterState& state,
                                              const Rasterizer::Triangle& t, int first, int last)
{
    QuadShader<Textured, Gouraud> shader(t, state, frame);
    for (int y = first & ~1; y <= last; y += 2) {
        int l0 = 0, r0 = 0, l1 = 0, r1 = 0;
        if (y >= first)
            span(t, y, l0, r0);
        if (y + 1 <= last)
            span(t, y + 1, l1, r1);
        if (l0 >= r0) {
            l0 = l1;
            r0 = l1;
        }
        if (l1 >= r1) {
            l1 = l0;
            r1 = l0;
        }
        const int start = std::min(l0, l1) & ~1, end = std::max(r0, r1);
        shader.rows(y);
        // Quads between inner0 and inner1 lie wholly inside both spans.
        const int inner0 = std::max(l0, l1), inner1 = std::min(r0, r1);
        for (int x = start; x < end; x += 2) {
            int mask = 15;
            if (x < inner0 || x + 2 > inner1) {
                mask = 0;
                for (int i = 0; i < 4; i++) {
                    int px = x + (i & 1);
                    bool inside = (i >> 1) ? (px >= l1 && px < r1) : (px >= l0 && px < r0);
                    mask |= int(inside) << i;
                }
                if (!mask)
                    continue;
            }
            shader.quad(x, mask);
        }
    }
}

// The pixels of rows first to last inside a small t, quad by quad over its bounds.
template <bool Textured, bool Gouraud>
[[gnu::always_inline]] inline void draw_quads(FrameBuffer& frame, const RasterState& state,
                                              const Rasterizer::Triangle& t, int first, int last)
{
    // The edge functions at the four pixels of the first quad, and their steps from quad to
    // quad. Over the bounds of a small triangle they fit 32 bits.
    const int x0 = t.xMin & ~1, y0 = first & ~1;
    I32x4 row[3], stepX[3], stepY[3];
    for (int i = 0; i < 3; i++) {
        const Rasterizer::Edge& e = t.edges[i];
        const int64_t value = (int64_t(y0) * subpixel - e.y) * e.dx -
                              (int64_t(x0) * subpixel - e.x) * e.dy - e.bias;
        const int32_t alongX = -e.dy * subpixel, alongY = e.dx * subpixel;
        row[i] = all(int32_t(value)) + set(0, alongX, alongY, alongX + alongY);
        stepX[i] = all(2 * alongX);
        stepY[i] = all(2 * alongY);
    }
    // Pixels beyond the last column or outside the band's rows are left out.
    const int lastPair = t.xMax & ~1;
    const int lastColumns = t.xMax & 1 ? 15 : 5;
    QuadShader<Textured, Gouraud> shader(t, state, frame);
    for (int y = y0; y <= last; y += 2) {
        const int rows = (y >= first ? 3 : 0) | (y + 1 <= last ? 12 : 0);
        shader.rows(y);
        I32x4 e0 = row[0], e1 = row[1], e2 = row[2];
        for (int x = x0; x <= t.xMax; x += 2) {
            // A pixel is outside when any of its edge functions is negative.
            int mask = ~movemask(e0 | (e1 | e2)) & rows;
            if (x == lastPair)
                mask &= lastColumns;
            if (mask)
                shader.quad(x, mask);
            e0 = e0 + stepX[0];
            e1 = e1 + stepX[1];
            e2 = e2 + stepX[2];
        }
        for (int i = 0; i < 3; i++)
            row[i] = row[i] + stepY[i];
    }
}

// Calls the drawer made for the state's planes.
#define FOR_STATE(draw)                                                                      \
    if (state.texture && state.gouraud)                                                      \
        draw<true, true>(frame, state, t, first, last);                                      \
    else if (state.texture)                                                                  \
        draw<true, false>(frame, state, t, first, last);                                     \
    else if (state.gouraud)                                                                  \
        draw<false, true>(frame, state, t, first, last);                                     \
    else                                                                                     \
        draw<false, false>(frame, state, t, first, last)

#ifndef PLAYER_PORTABLE_SIMD
// The same code built for processors with AVX2, whose three-operand forms and broadcasts spare
// many moves; every operation and its order stay the same, and so do the pixels.
[[gnu::target("avx2")]] void draw_spans_avx2(FrameBuffer& frame, const RasterState& state,
                                             const Rasterizer::Triangle& t, int first, int last)
{
    FOR_STATE(draw_spans);
}

[[gnu::target("avx2")]] void draw_quads_avx2(FrameBuffer& frame, const RasterState& state,
                                             const Rasterizer::Triangle& t, int first, int last)
{
    FOR_STATE(draw_quads);
}
#endif

void draw_spans_baseline(FrameBuffer& frame, const RasterState& state, const Rasterizer::Triangle& t,
                     int first, int last)
{
    FOR_STATE(draw_spans);
}

void draw_quads_baseline(FrameBuffer& frame, const RasterState& state, const Rasterizer::Triangle& t,
                     int first, int last)
{
    FOR_STATE(draw_quads);
}

#undef FOR_STATE

using TriangleDrawer = void (*)(FrameBuffer&, const RasterState&, const Rasterizer::Triangle&,
                                int, int);
#ifdef PLAYER_PORTABLE_SIMD
const TriangleDrawer spanDrawer = draw_spans_baseline;
const TriangleDrawer quadDrawer = draw_quads_baseline;
#else
const TriangleDrawer spanDrawer = use_avx2() ? draw_spans_avx2 : draw_spans_baseline;
const TriangleDrawer quadDrawer = use_avx2() ? draw_quads_avx2 : draw_quads_baseline;
#endif

}  // namespace

void Rasterizer::draw_triangle(const Queue& queue, const Triangle& t, int rowStart, int rowEnd)
{
    const int first = std::max(t.yMin, rowStart), last = std::min(t.yMax, rowEnd - 1);
    if (first <= last)
        spanDrawer(frame, queue.states[t.state], t, first, last);
}

void Rasterizer::draw_small_triangle(const Queue& queue, const Triangle& t, int rowStart,
                                     int rowEnd)
{
    const int first = std::max(t.yMin, rowStart), last = std::min(t.yMax, rowEnd - 1);
    if (first <= last)
        quadDrawer(frame, queue.states[t.state], t, first, last);
}
