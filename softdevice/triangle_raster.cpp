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

// texel x diffuse / 255 per 16-bit lane, rounded exactly.
[[gnu::always_inline]] inline I16x8 modulate(I16x8 texel, I16x8 diffuse)
{
    const I16x8 product = add16(mul16(texel, diffuse), all16(128));
    return shift_right_logical16<8>(add16(product, shift_right_logical16<8>(product)));
}

// Shades and writes the covered pixels of quads of one triangle: depth test, diffuse colour,
// texture, blending. Made for the planes the state uses: Z, and Q, UQ and VQ when Textured, and
// the colours when Gouraud; and for the frame's samples a pixel.
template <bool Textured, bool Gouraud, int Samples>
class QuadShader {
public:
    // Drawn within the tile, one block of the frame.
    QuadShader(const Rasterizer::Triangle& t, const RasterState& state, FrameBuffer& frame,
               const Rasterizer::TileView& tile)
        : state(state),
          texture(state.texture),
          frame(frame),
          row(tile.rect.y0),
          stride(frame.sample_stride()),
          rowStride(frame.row_stride()),
          colourRow(tile.colour),
          depthRow(tile.depth),
          planes(Rasterizer::triangle_planes(t, Textured, Gouraud))
    {
        // Flat colour in the layout of QuadTexels; alpha from the texture when there is one.
        const uint32_t flat = texture ? (t.flatColour | 0xFF000000u) : t.flatColour;
        const I16x8 flatPair = widen_pixels(flat, flat);
        flatDiffuse = QuadTexels{flatPair, flatPair};
        // Depth at a sample: the plane at the pixel's sampling point and its steps to the sample.
        const std::span<const SampleOffset> offsets = sample_offsets(Samples);
        const Rasterizer::Planes& p = planes.planes;
        for (int s = 0; s < Samples; s++)
            sampleDepth[s] = all(p.dx[Rasterizer::Z] * (float(offsets[s].x) / subpixel) +
                                 p.dy[Rasterizer::Z] * (float(offsets[s].y) / subpixel));
    }

    // The rows y and y + 1 of the tile (the same row when y + 1 is beyond the frame).
    void rows(int y)
    {
        const ptrdiff_t step = ptrdiff_t(rowStride);
        colour[0] = colourRow + (y - row) * step;
        depth[0] = depthRow + (y - row) * step;
        const bool below = y + 1 < frame.height;
        colour[1] = below ? colour[0] + step : colour[0];
        depth[1] = below ? depth[0] + step : depth[0];
        rowOffset = all(float(y - planes.refY)) + set(0.0f, 0.0f, 1.0f, 1.0f);
    }

    // The quad at column x of the current rows; bit i of masks[s] covers sample s of pixel
    // (x + (i & 1), y + (i >> 1)).
    [[gnu::always_inline]] inline void quad(int x, const int (&coverage)[Samples])
    {
        const bool pair = x + 1 < frame.width;
        const F32x4 offset = all(float(x - planes.refX)) + set(0.0f, 1.0f, 0.0f, 1.0f);
        const F32x4 centre = at(Rasterizer::Z, offset);
        int masks[Samples];
        F32x4 z[Samples], stored[Samples];
        int any = 0;
        #pragma GCC unroll 8
        for (int s = 0; s < Samples; s++) {
            masks[s] = coverage[s];
            z[s] = Samples == 1 ? centre : centre + sampleDepth[s];
            stored[s] = all(0.0f);
            if (state.depthEnable && masks[s]) {
                float* row0 = depth[0] + size_t(s) * stride;
                float* row1 = depth[1] + size_t(s) * stride;
                stored[s] = pair ? load_pairs(row0 + x, row1 + x)
                                 : set(row0[x], 0.0f, row1[x], 0.0f);
                masks[s] &= movemask(z[s] <= stored[s]);
            }
            any |= masks[s];
        }
        if (!any)
            return;

        const QuadTexels diffuse = Gouraud ? gouraud_diffuse(offset) : flatDiffuse;
        QuadTexels shaded = diffuse;
        if (Textured) {
            const F32x4 w = all(1.0f) / at(Rasterizer::Q, offset);
            const QuadTexels texel = sample_quad(*texture, state, at(Rasterizer::UQ, offset) * w,
                                                 at(Rasterizer::VQ, offset) * w);
            shaded.top = modulate(texel.top, diffuse.top);
            shaded.bottom = modulate(texel.bottom, diffuse.bottom);
        }
        const I32x4 source = pack_bytes(shaded.top, shaded.bottom);
        const I32x4 opaque = source & all(0x00FFFFFF);
        #pragma GCC unroll 8
        for (int s = 0; s < Samples; s++) {
            int mask = masks[s];
            if (!mask)
                continue;
            uint32_t* colour0 = colour[0] + size_t(s) * stride;
            uint32_t* colour1 = colour[1] + size_t(s) * stride;
            float* depth0 = depth[0] + size_t(s) * stride;
            float* depth1 = depth[1] + size_t(s) * stride;
            F32x4 zs = z[s];
            if (pair) {
                // Bottom row first: when the quad hangs below the frame both rows are the same
                // and the top row must be the last write.
                I32x4 pixels = opaque;
                if (mask != 15 || state.blendEnable) {
                    const I32x4 old = load_pairs(colour0 + x, colour1 + x);
                    if (state.blendEnable)
                        pixels = blend_quad(source, old, state.srcBlend, state.destBlend);
                    if (mask != 15) {   // keep what the uncovered pixels hold
                        const I32x4 bits = set(1, 2, 4, 8);
                        const I32x4 covered = (all(mask) & bits) == bits;
                        pixels = (covered & pixels) | andnot(covered, old);
                        if (state.depthEnable)
                            zs = (as_float(covered) & zs) | andnot(as_float(covered), stored[s]);
                    }
                }
                store_pairs(colour0 + x, colour1 + x, pixels);
                if (state.depthEnable)
                    store_pairs(depth0 + x, depth1 + x, zs);
                continue;
            }
            uint32_t pixels[4];
            float depths[4];
            store(pixels, source);
            store(depths, zs);
            uint32_t* colourRows[2] = {colour0, colour1};
            float* depthRows[2] = {depth0, depth1};
            for (int i = 0; i < 4; i++) {
                if (!(mask >> i & 1))
                    continue;
                const int px = x + (i & 1), row = i >> 1;
                uint32_t& target = colourRows[row][px];
                target = state.blendEnable
                             ? blend_pixel(pixels[i], target, state.srcBlend, state.destBlend)
                             : pixels[i] & 0x00FFFFFFu;
                if (state.depthEnable)
                    depthRows[row][px] = depths[i];
            }
        }
    }

    // The quad at column x of the current rows, both in the frame, of a tile still cleared
    // that the triangle covers whole, drawn without blending: what the clear and quad() would
    // leave, the samples that fail the depth test keeping the cleared values, written without
    // reading the buffers.
    [[gnu::always_inline]] inline void fresh_quad(int x)
    {
        const F32x4 offset = all(float(x - planes.refX)) + set(0.0f, 1.0f, 0.0f, 1.0f);
        const F32x4 centre = at(Rasterizer::Z, offset);
        const F32x4 far = all(1.0f);
        int masks[Samples];
        F32x4 z[Samples];
        int any = 0;
        #pragma GCC unroll 8
        for (int s = 0; s < Samples; s++) {
            z[s] = Samples == 1 ? centre : centre + sampleDepth[s];
            masks[s] = state.depthEnable ? movemask(z[s] <= far) : 15;
            any |= masks[s];
        }
        I32x4 opaque = all(0);
        if (any) {
            const QuadTexels diffuse = Gouraud ? gouraud_diffuse(offset) : flatDiffuse;
            QuadTexels shaded = diffuse;
            if (Textured) {
                const F32x4 w = all(1.0f) / at(Rasterizer::Q, offset);
                const QuadTexels texel = sample_quad(*texture, state,
                                                     at(Rasterizer::UQ, offset) * w,
                                                     at(Rasterizer::VQ, offset) * w);
                shaded.top = modulate(texel.top, diffuse.top);
                shaded.bottom = modulate(texel.bottom, diffuse.bottom);
            }
            opaque = pack_bytes(shaded.top, shaded.bottom) & all(0x00FFFFFF);
        }
        const I32x4 bits = set(1, 2, 4, 8);
        #pragma GCC unroll 8
        for (int s = 0; s < Samples; s++) {
            const I32x4 covered = (all(masks[s]) & bits) == bits;
            const F32x4 zs = state.depthEnable
                                 ? (as_float(covered) & z[s]) | andnot(as_float(covered), far)
                                 : far;
            store_pairs(colour[0] + size_t(s) * stride + x, colour[1] + size_t(s) * stride + x,
                        covered & opaque);
            store_pairs(depth[0] + size_t(s) * stride + x, depth[1] + size_t(s) * stride + x,
                        zs);
        }
    }

private:
    const RasterState& state;
    const SoftwareTexture* texture;
    FrameBuffer& frame;
    const int row;
    const size_t stride;      // from a sample of a row to the next
    const size_t rowStride;   // from a row of the tile to the next
    uint32_t* const colourRow;   // the values of row `row`, indexed by column
    float* const depthRow;
    const Rasterizer::TrianglePlanes planes;
    QuadTexels flatDiffuse;
    F32x4 sampleDepth[Samples];
    uint32_t* colour[2] = {};   // sample 0 of the rows; sample s is s strides further
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

// A whole tile of even columns and rows that t covers, into buffers still cleared there.
template <bool Textured, bool Gouraud, int Samples>
[[gnu::always_inline]] inline void draw_fresh(FrameBuffer& frame, const RasterState& state,
                                              const Rasterizer::Triangle& t,
                                              const Rasterizer::TileView& tile, int first,
                                              int last, int left, int right)
{
    QuadShader<Textured, Gouraud, Samples> shader(t, state, frame, tile);
    for (int y = first; y <= last; y += 2) {
        shader.rows(y);
        for (int x = left; x <= right; x += 2)
            shader.fresh_quad(x);
    }
}

// The mask of the pixels of a quad at column x inside the spans [l0, r0) of its top row and
// [l1, r1) of its bottom one.
inline int span_mask(int x, int l0, int r0, int l1, int r1)
{
    int mask = 0;
    for (int i = 0; i < 4; i++) {
        const int px = x + (i & 1);
        const bool inside = (i >> 1) ? (px >= l1 && px < r1) : (px >= l0 && px < r0);
        mask |= int(inside) << i;
    }
    return mask;
}

// The pixels of rows first to last and columns left to right inside t, span by span.
template <bool Textured, bool Gouraud, int Samples>
[[gnu::always_inline]] inline void draw_spans(FrameBuffer& frame, const RasterState& state,
                                              const Rasterizer::Triangle& t,
                                              const Rasterizer::TileView& tile, int first,
                                              int last, int left, int right)
{
    QuadShader<Textured, Gouraud, Samples> shader(t, state, frame, tile);
    const std::span<const SampleOffset> offsets = sample_offsets(Samples);
    // Whether every sample of the rows and columns drawn is inside: each row's span is then all
    // of them.
    const bool whole = covers(t, first, last, left, right, offsets);
    auto row_span = [&](int y, SampleOffset offset, int& l, int& r) {
        if (whole) {
            l = left;
            r = right + 1;
        } else {
            span(t, y, left, right, offset, l, r);
        }
    };
    for (int y = first & ~1; y <= last; y += 2) {
        // Each sample's spans in the two rows, an empty one moved onto the other's start.
        int l0[Samples], r0[Samples], l1[Samples], r1[Samples];
        int start = right + 1, end = left, inner0 = left, inner1 = right + 1;
        for (int s = 0; s < Samples; s++) {
            l0[s] = r0[s] = l1[s] = r1[s] = 0;
            if (y >= first)
                row_span(y, offsets[s], l0[s], r0[s]);
            if (y + 1 <= last)
                row_span(y + 1, offsets[s], l1[s], r1[s]);
            if (l0[s] >= r0[s]) {
                l0[s] = l1[s];
                r0[s] = l1[s];
            }
            if (l1[s] >= r1[s]) {
                l1[s] = l0[s];
                r1[s] = l0[s];
            }
            start = std::min(start, std::min(l0[s], l1[s]) & ~1);
            end = std::max(end, std::max(r0[s], r1[s]));
            // Quads between inner0 and inner1 lie wholly inside every span.
            inner0 = std::max(inner0, std::max(l0[s], l1[s]));
            inner1 = std::min(inner1, std::min(r0[s], r1[s]));
        }
        shader.rows(y);
        for (int x = start; x < end; x += 2) {
            int masks[Samples];
            if (x < inner0 || x + 2 > inner1) {
                int any = 0;
                #pragma GCC unroll 8
                for (int s = 0; s < Samples; s++) {
                    masks[s] = span_mask(x, l0[s], r0[s], l1[s], r1[s]);
                    any |= masks[s];
                }
                if (!any)
                    continue;
            } else {
                #pragma GCC unroll 8
                for (int s = 0; s < Samples; s++)
                    masks[s] = 15;
            }
            shader.quad(x, masks);
        }
    }
}

// The pixels of rows first to last and columns left to right inside a small t, quad by quad.
template <bool Textured, bool Gouraud, int Samples>
[[gnu::always_inline]] inline void draw_quads(FrameBuffer& frame, const RasterState& state,
                                              const Rasterizer::Triangle& t,
                                              const Rasterizer::TileView& tile, int first,
                                              int last, int left, int right)
{
    // The edge functions at the first quad's pixels, their steps from quad to quad, and what
    // each gains from a pixel's sampling point to each sample. Over the bounds of a small
    // triangle they fit 32 bits; blocks reaching beyond the bounds are tested in 64.
    const int x0 = left & ~1, y0 = first & ~1;
    int64_t origin[3];
    I32x4 start[3], stepX[3], stepY[3], toSample[3][Samples];
    const std::span<const SampleOffset> offsets = sample_offsets(Samples);
    for (int i = 0; i < 3; i++) {
        const Rasterizer::Edge& e = t.edges[i];
        origin[i] = (int64_t(y0) * subpixel - e.y) * e.dx - (int64_t(x0) * subpixel - e.x) * e.dy -
                    e.bias;
        const int32_t alongX = -e.dy * subpixel, alongY = e.dx * subpixel;
        start[i] = all(int32_t(origin[i])) + set(0, alongX, alongY, alongX + alongY);
        stepX[i] = all(2 * alongX);
        stepY[i] = all(2 * alongY);
        for (int s = 0; s < Samples; s++)
            toSample[i][s] = all(offsets[s].y * e.dx - offsets[s].x * e.dy);
    }
    // Pixels beyond the last column or outside the rows drawn are left out.
    const int lastPair = right & ~1;
    const int lastColumns = right & 1 ? 15 : 5;
    QuadShader<Textured, Gouraud, Samples> shader(t, state, frame, tile);
    // Blocks of 16 x 16 pixels, each left out whole when one edge function is negative at the
    // block's corner deepest inside that edge for every sample; the rest quad by quad. Bounds
    // within one block, most triangles at the sizes drawn (smaller blocks cost more in set-up
    // than they spare), have that block tested by the bounds already and skip the blocks'
    // set-up; long thin triangles leave out the blocks their bounds hold beside them.
    constexpr int block = 16;
    const bool oneBlock = right - x0 < block && last - y0 < block;
    int64_t alongX[3] = {}, alongY[3] = {}, deepest[3] = {};
    for (int i = 0; !oneBlock && i < 3; i++) {
        const Rasterizer::Edge& e = t.edges[i];
        alongX[i] = -int64_t(e.dy) * subpixel;
        alongY[i] = int64_t(e.dx) * subpixel;
        int64_t reach = 0;
        for (int s = 0; s < Samples; s++)
            reach = std::max(reach, int64_t(offsets[s].y * e.dx - offsets[s].x * e.dy));
        deepest[i] = origin[i] + reach + std::max<int64_t>(alongX[i], 0) * (block - 1) +
                     std::max<int64_t>(alongY[i], 0) * (block - 1);
    }
    for (int by = y0; by <= last; by += block) {
        for (int bx = x0; bx <= right; bx += block) {
            I32x4 row[3] = {start[0], start[1], start[2]};
            if (!oneBlock) {
                bool outside = false;
                for (int i = 0; i < 3; i++) {
                    const int64_t shift = alongX[i] * (bx - x0) + alongY[i] * (by - y0);
                    outside |= deepest[i] + shift < 0;
                    row[i] = row[i] + all(int32_t(shift));
                }
                if (outside)
                    continue;
            }
            const int columnEnd = std::min(right, bx + block - 1);
            const int rowEnd = std::min(last, by + block - 1);
            for (int y = by; y <= rowEnd; y += 2) {
                const int rows = (y >= first ? 3 : 0) | (y + 1 <= last ? 12 : 0);
                shader.rows(y);
                I32x4 e0 = row[0], e1 = row[1], e2 = row[2];
                for (int x = bx; x <= columnEnd; x += 2) {
                    // A sample is outside when any of its edge functions is negative.
                    const int keep = x == lastPair ? rows & lastColumns : rows;
                    int masks[Samples];
                    int any = 0;
                    #pragma GCC unroll 8
                    for (int s = 0; s < Samples; s++) {
                        if (Samples == 1)
                            masks[s] = ~movemask(e0 | (e1 | e2)) & keep;
                        else
                            masks[s] = ~movemask((e0 + toSample[0][s]) |
                                                 ((e1 + toSample[1][s]) |
                                                  (e2 + toSample[2][s]))) &
                                       keep;
                        any |= masks[s];
                    }
                    if (any)
                        shader.quad(x, masks);
                    e0 = e0 + stepX[0];
                    e1 = e1 + stepX[1];
                    e2 = e2 + stepX[2];
                }
                for (int i = 0; i < 3; i++)
                    row[i] = row[i] + stepY[i];
            }
        }
    }
}

// Calls the drawer made for the state's planes.
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

#ifdef PLAYER_SIMD_AVX2
// The same code built for processors with AVX2, whose three-operand forms and broadcasts spare
// many moves; every operation and its order stay the same, and so do the pixels.
[[gnu::target("avx2")]] void draw_spans_avx2(FrameBuffer& frame, const RasterState& state,
                                             const Rasterizer::Triangle& t,
                                             const Rasterizer::TileView& tile, int first,
                                             int last, int left, int right)
{
    FOR_STATE(draw_spans);
}

[[gnu::target("avx2")]] void draw_fresh_avx2(FrameBuffer& frame, const RasterState& state,
                                             const Rasterizer::Triangle& t,
                                             const Rasterizer::TileView& tile, int first,
                                             int last, int left, int right)
{
    FOR_STATE(draw_fresh);
}

[[gnu::target("avx2")]] void draw_quads_avx2(FrameBuffer& frame, const RasterState& state,
                                             const Rasterizer::Triangle& t,
                                             const Rasterizer::TileView& tile, int first,
                                             int last, int left, int right)
{
    FOR_STATE(draw_quads);
}
#endif

void draw_spans_baseline(FrameBuffer& frame, const RasterState& state,
                         const Rasterizer::Triangle& t, const Rasterizer::TileView& tile,
                         int first, int last, int left, int right)
{
    FOR_STATE(draw_spans);
}

void draw_fresh_baseline(FrameBuffer& frame, const RasterState& state,
                         const Rasterizer::Triangle& t, const Rasterizer::TileView& tile,
                         int first, int last, int left, int right)
{
    FOR_STATE(draw_fresh);
}

void draw_quads_baseline(FrameBuffer& frame, const RasterState& state,
                         const Rasterizer::Triangle& t, const Rasterizer::TileView& tile,
                         int first, int last, int left, int right)
{
    FOR_STATE(draw_quads);
}

#undef FOR_STATE
#undef FOR_SAMPLES

using TriangleDrawer = void (*)(FrameBuffer&, const RasterState&, const Rasterizer::Triangle&,
                                const Rasterizer::TileView&, int, int, int, int);
#ifndef PLAYER_SIMD_AVX2
const TriangleDrawer spanDrawer = draw_spans_baseline;
const TriangleDrawer quadDrawer = draw_quads_baseline;
const TriangleDrawer freshDrawer = draw_fresh_baseline;
#else
const TriangleDrawer spanDrawer = use_avx2() ? draw_spans_avx2 : draw_spans_baseline;
const TriangleDrawer quadDrawer = use_avx2() ? draw_quads_avx2 : draw_quads_baseline;
const TriangleDrawer freshDrawer = use_avx2() ? draw_fresh_avx2 : draw_fresh_baseline;
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
