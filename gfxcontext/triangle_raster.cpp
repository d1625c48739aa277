// Drawing one set-up triangle into the rows of a band: exact spans per row from the edge
// functions, then 2 x 2 quads along the spans of each pair of rows.

#include <emmintrin.h>

#include <algorithm>

#include "gfxcontext/blender.h"
#include "gfxcontext/rasterizer.h"
#include "gfxcontext/sampler.h"

namespace {

constexpr int subpixel = 16;

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
        int64_t a = -e.dy * subpixel;
        int64_t k = (Y - e.y) * e.dx + e.x * e.dy - e.bias;
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

inline __m128 evaluate(const Rasterizer::Plane& p, __m128 dx, __m128 dy)
{
    return _mm_add_ps(_mm_set1_ps(p.c), _mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.dx), dx),
                                                   _mm_mul_ps(_mm_set1_ps(p.dy), dy)));
}

// The diffuse colour of the quad's pixels in the layout of QuadTexels, from the planes of a
// Gouraud triangle; alpha lanes are 255 when the texture gives alpha.
inline QuadTexels gouraud_diffuse(const Rasterizer::Triangle& t, __m128 dx, __m128 dy,
                                  bool alphaFromTexture)
{
    const __m128 low = _mm_setzero_ps(), high = _mm_set1_ps(255.0f);
    auto channel = [&](const Rasterizer::Plane& p) {
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(evaluate(p, dx, dy), low), high));
    };
    const __m128i b = channel(t.b), g = channel(t.g), r = channel(t.r);
    const __m128i a = alphaFromTexture ? _mm_set1_epi32(255) : channel(t.a);
    const __m128i bgLow = _mm_unpacklo_epi32(b, g), raLow = _mm_unpacklo_epi32(r, a);
    const __m128i bgHigh = _mm_unpackhi_epi32(b, g), raHigh = _mm_unpackhi_epi32(r, a);
    return QuadTexels{_mm_packs_epi32(_mm_unpacklo_epi64(bgLow, raLow),
                                      _mm_unpackhi_epi64(bgLow, raLow)),
                      _mm_packs_epi32(_mm_unpacklo_epi64(bgHigh, raHigh),
                                      _mm_unpackhi_epi64(bgHigh, raHigh))};
}

// texel x diffuse / 255 per 16-bit lane, rounded exactly.
inline __m128i modulate(__m128i texel, __m128i diffuse)
{
    __m128i product = _mm_add_epi16(_mm_mullo_epi16(texel, diffuse), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), 8);
}

}  // namespace

void Rasterizer::draw_triangle(const Queue& queue, const Triangle& t, int rowStart, int rowEnd)
{
    const int first = std::max(t.yMin, rowStart), last = std::min(t.yMax, rowEnd - 1);
    if (first > last)
        return;
    const RasterState& state = queue.states[t.state];
    const SoftwareTexture* texture = state.texture;
    const int width = frame.width, height = frame.height;
    const __m128 quadX = _mm_setr_ps(0, 1, 0, 1), quadY = _mm_setr_ps(0, 0, 1, 1);
    // Flat colour in the layout of QuadTexels; alpha from the texture when there is one.
    const uint32_t flat = texture ? (t.flatColour | 0xFF000000u) : t.flatColour;
    const __m128i flatPair = _mm_unpacklo_epi8(_mm_set1_epi32(int(flat)), _mm_setzero_si128());
    const QuadTexels flatDiffuse{flatPair, flatPair};

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
        uint32_t* colour[2] = {&frame.colour[size_t(y) * width], nullptr};
        float* depth[2] = {&frame.depth[size_t(y) * width], nullptr};
        colour[1] = y + 1 < height ? colour[0] + width : colour[0];
        depth[1] = y + 1 < height ? depth[0] + width : depth[0];
        const __m128 dy = _mm_add_ps(_mm_set1_ps(float(y - t.refY)), quadY);

        // Quads between inner0 and inner1 lie wholly inside both spans.
        const int inner0 = std::max(l0, l1), inner1 = std::min(r0, r1);
        for (int x = start; x < end; x += 2) {
            // Coverage: bit i for pixel (x + (i & 1), y + (i >> 1)).
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
            const bool pair = x + 1 < width;
            const __m128 dx = _mm_add_ps(_mm_set1_ps(float(x - t.refX)), quadX);
            const __m128 z = evaluate(t.z, dx, dy);
            if (state.depthEnable) {
                __m128 stored =
                    pair ? _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(),
                                                     reinterpret_cast<const __m64*>(depth[0] + x)),
                                        reinterpret_cast<const __m64*>(depth[1] + x))
                         : _mm_setr_ps(depth[0][x], 0.0f, depth[1][x], 0.0f);
                mask &= _mm_movemask_ps(_mm_cmple_ps(z, stored));
                if (!mask)
                    continue;
            }

            const QuadTexels diffuse =
                state.gouraud ? gouraud_diffuse(t, dx, dy, texture != nullptr) : flatDiffuse;
            QuadTexels shaded = diffuse;
            if (texture) {
                const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), evaluate(t.q, dx, dy));
                const QuadTexels texel = sample_quad(*texture, state,
                                                     _mm_mul_ps(evaluate(t.uq, dx, dy), w),
                                                     _mm_mul_ps(evaluate(t.vq, dx, dy), w));
                shaded.top = modulate(texel.top, diffuse.top);
                shaded.bottom = modulate(texel.bottom, diffuse.bottom);
            }
            __m128i pixels = _mm_packus_epi16(shaded.top, shaded.bottom);
            if (mask == 15 && !state.blendEnable) {
                pixels = _mm_and_si128(pixels, _mm_set1_epi32(0x00FFFFFF));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(colour[0] + x), pixels);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(colour[1] + x),
                                 _mm_srli_si128(pixels, 8));
                if (state.depthEnable) {
                    _mm_storel_pi(reinterpret_cast<__m64*>(depth[0] + x), z);
                    _mm_storeh_pi(reinterpret_cast<__m64*>(depth[1] + x), z);
                }
                continue;
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
    }
}
