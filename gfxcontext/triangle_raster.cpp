// Drawing one set-up triangle into the rows of a band, in 2 x 2 quads. Wide triangles find the
// exact span of each row from their edge functions and walk the quads along the spans of each
// pair of rows; small ones walk every quad of their bounds and test the edge functions at its
// four pixels at once. Both give each pixel the same coverage, so which is used does not show.

#include <emmintrin.h>

#include <algorithm>
#include <cstdlib>

#include "gfxcontext/blender.h"
#include "gfxcontext/rasterizer.h"
#include "gfxcontext/sampler.h"

namespace {

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
inline __m128i modulate(__m128i texel, __m128i diffuse)
{
    __m128i product = _mm_add_epi16(_mm_mullo_epi16(texel, diffuse), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), 8);
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
        const __m128i flatPair =
            _mm_unpacklo_epi8(_mm_set1_epi32(int(flat)), _mm_setzero_si128());
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
        rowOffset = _mm_add_ps(_mm_set1_ps(float(y - planes.refY)), _mm_setr_ps(0, 0, 1, 1));
    }

    // The quad at column x of the current rows; mask bit i covers pixel
    // (x + (i & 1), y + (i >> 1)).
    [[gnu::always_inline]] inline void quad(int x, int mask)
    {
        const bool pair = x + 1 < frame.width;
        const __m128 offset =
            _mm_add_ps(_mm_set1_ps(float(x - planes.refX)), _mm_setr_ps(0, 1, 0, 1));
        __m128 z = at(Rasterizer::Z, offset);
        __m128 stored = _mm_setzero_ps();
        if (state.depthEnable) {
            stored =
                pair ? _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(),
                                                 reinterpret_cast<const __m64*>(depth[0] + x)),
                                    reinterpret_cast<const __m64*>(depth[1] + x))
                     : _mm_setr_ps(depth[0][x], 0.0f, depth[1][x], 0.0f);
            mask &= _mm_movemask_ps(_mm_cmple_ps(z, stored));
            if (!mask)
                return;
        }

        const QuadTexels diffuse = Gouraud ? gouraud_diffuse(offset) : flatDiffuse;
        QuadTexels shaded = diffuse;
        if (Textured) {
            const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), at(Rasterizer::Q, offset));
            const QuadTexels texel =
                sample_quad(*texture, state, _mm_mul_ps(at(Rasterizer::UQ, offset), w),
                            _mm_mul_ps(at(Rasterizer::VQ, offset), w));
            shaded.top = modulate(texel.top, diffuse.top);
            shaded.bottom = modulate(texel.bottom, diffuse.bottom);
        }
        __m128i pixels = _mm_packus_epi16(shaded.top, shaded.bottom);
        if (pair) {
            // Bottom row first: when the quad hangs below the frame both rows are the same and
            // the top row must be the last write.
            const __m128i old = _mm_unpacklo_epi64(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(colour[0] + x)),
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(colour[1] + x)));
            pixels = state.blendEnable
                         ? blend_quad(pixels, old, state.srcBlend, state.destBlend)
                         : _mm_and_si128(pixels, _mm_set1_epi32(0x00FFFFFF));
            if (mask != 15) {   // keep what the uncovered pixels hold
                const __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
                const __m128i covered =
                    _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(mask), bits), bits);
                pixels = _mm_or_si128(_mm_and_si128(covered, pixels),
                                      _mm_andnot_si128(covered, old));
                if (state.depthEnable)
                    z = _mm_or_ps(_mm_and_ps(_mm_castsi128_ps(covered), z),
                                  _mm_andnot_ps(_mm_castsi128_ps(covered), stored));
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(colour[1] + x), _mm_srli_si128(pixels, 8));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(colour[0] + x), pixels);
            if (state.depthEnable) {
                _mm_storeh_pi(reinterpret_cast<__m64*>(depth[1] + x), z);
                _mm_storel_pi(reinterpret_cast<__m64*>(depth[0] + x), z);
            }
            return;
        }
        alignas(16) uint32_t source[4];
        alignas(16) float depths[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(source), pixels);
        _mm_store_ps(depths, z);
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
    __m128 rowOffset = _mm_setzero_ps();

    // A plane at the quad's pixels, offset being their columns less the reference column:
    // c + (dx * offset + dy * rowOffset).
    [[gnu::always_inline]] inline __m128 at(int k, __m128 offset) const
    {
        const Rasterizer::Planes& p = planes.planes;
        return _mm_add_ps(_mm_set1_ps(p.c[k]),
                          _mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.dx[k]), offset),
                                     _mm_mul_ps(_mm_set1_ps(p.dy[k]), rowOffset)));
    }

    // The diffuse colour of the quad's pixels in the layout of QuadTexels; alpha lanes are 255
    // when the texture gives alpha.
    [[gnu::always_inline]] inline QuadTexels gouraud_diffuse(__m128 offset) const
    {
        const __m128 low = _mm_setzero_ps(), high = _mm_set1_ps(255.0f);
        auto channel = [&](int k) {
            return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(at(k, offset), low), high));
        };
        const __m128i b = channel(Rasterizer::B), g = channel(Rasterizer::G);
        const __m128i r = channel(Rasterizer::R);
        const __m128i a = Textured ? _mm_set1_epi32(255) : channel(Rasterizer::A);
        const __m128i bgLow = _mm_unpacklo_epi32(b, g), raLow = _mm_unpacklo_epi32(r, a);
        const __m128i bgHigh = _mm_unpackhi_epi32(b, g), raHigh = _mm_unpackhi_epi32(r, a);
        return QuadTexels{_mm_packs_epi32(_mm_unpacklo_epi64(bgLow, raLow),
                                          _mm_unpackhi_epi64(bgLow, raLow)),
                          _mm_packs_epi32(_mm_unpacklo_epi64(bgHigh, raHigh),
                                          _mm_unpackhi_epi64(bgHigh, raHigh))};
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
    __m128i row[3], stepX[3], stepY[3];
    for (int i = 0; i < 3; i++) {
        const Rasterizer::Edge& e = t.edges[i];
        const int64_t value = (int64_t(y0) * subpixel - e.y) * e.dx -
                              (int64_t(x0) * subpixel - e.x) * e.dy - e.bias;
        const int32_t alongX = -e.dy * subpixel, alongY = e.dx * subpixel;
        row[i] = _mm_add_epi32(_mm_set1_epi32(int32_t(value)),
                               _mm_setr_epi32(0, alongX, alongY, alongX + alongY));
        stepX[i] = _mm_set1_epi32(2 * alongX);
        stepY[i] = _mm_set1_epi32(2 * alongY);
    }
    // Pixels beyond the last column or outside the band's rows are left out.
    const int lastPair = t.xMax & ~1;
    const int lastColumns = t.xMax & 1 ? 15 : 5;
    QuadShader<Textured, Gouraud> shader(t, state, frame);
    for (int y = y0; y <= last; y += 2) {
        const int rows = (y >= first ? 3 : 0) | (y + 1 <= last ? 12 : 0);
        shader.rows(y);
        __m128i e0 = row[0], e1 = row[1], e2 = row[2];
        for (int x = x0; x <= t.xMax; x += 2) {
            // A pixel is outside when any of its edge functions is negative.
            const __m128i outside = _mm_or_si128(e0, _mm_or_si128(e1, e2));
            int mask = ~_mm_movemask_ps(_mm_castsi128_ps(outside)) & rows;
            if (x == lastPair)
                mask &= lastColumns;
            if (mask)
                shader.quad(x, mask);
            e0 = _mm_add_epi32(e0, stepX[0]);
            e1 = _mm_add_epi32(e1, stepX[1]);
            e2 = _mm_add_epi32(e2, stepX[2]);
        }
        for (int i = 0; i < 3; i++)
            row[i] = _mm_add_epi32(row[i], stepY[i]);
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

void draw_spans_sse2(FrameBuffer& frame, const RasterState& state, const Rasterizer::Triangle& t,
                     int first, int last)
{
    FOR_STATE(draw_spans);
}

void draw_quads_sse2(FrameBuffer& frame, const RasterState& state, const Rasterizer::Triangle& t,
                     int first, int last)
{
    FOR_STATE(draw_quads);
}

#undef FOR_STATE

using TriangleDrawer = void (*)(FrameBuffer&, const RasterState&, const Rasterizer::Triangle&,
                                int, int);
const bool withAvx2 =
    std::getenv("SOFTWARE_DEVICE_NO_AVX2") == nullptr && __builtin_cpu_supports("avx2");
const TriangleDrawer spanDrawer = withAvx2 ? draw_spans_avx2 : draw_spans_sse2;
const TriangleDrawer quadDrawer = withAvx2 ? draw_quads_avx2 : draw_quads_sse2;

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
