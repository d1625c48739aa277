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
    return _mm_add_ps(_mm_set1_ps(p.c),
                      _mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.dx), dx), _mm_mul_ps(_mm_set1_ps(p.dy), dy)));
}

inline uint8_t to_channel(float value)
{
    return value <= 0.0f ? 0 : value >= 255.0f ? 255 : uint8_t(int(value + 0.5f));
}

inline __m128i expand(uint32_t pixel)
{
    __m128i zero = _mm_setzero_si128();
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(pixel)), zero), zero);
}

inline uint32_t narrow(__m128i lanes)
{
    __m128i words = _mm_packs_epi32(lanes, lanes);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

// texel x diffuse / 255 per lane, rounded exactly.
inline __m128i modulate(__m128i texel, __m128i diffuse)
{
    __m128i product = _mm_add_epi32(_mm_mullo_epi16(texel, diffuse), _mm_set1_epi32(128));
    return _mm_srli_epi32(_mm_add_epi32(product, _mm_srli_epi32(product, 8)), 8);
}

}  // namespace

void Rasterizer::draw_triangle(const Triangle& t, int rowStart, int rowEnd)
{
    const int first = std::max(t.yMin, rowStart), last = std::min(t.yMax, rowEnd - 1);
    if (first > last)
        return;
    const RasterState& state = states[t.state];
    const SoftwareTexture* texture = state.texture;
    const int width = frame.width, height = frame.height;
    const float texWidth = texture ? float(texture->levels[0].width) : 0.0f;
    const float texHeight = texture ? float(texture->levels[0].height) : 0.0f;
    const __m128 quadX = _mm_setr_ps(0, 1, 0, 1), quadY = _mm_setr_ps(0, 0, 1, 1);
    const __m128i flatDiffuse = expand(t.flatColour);

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

        for (int x = start; x < end; x += 2) {
            // Coverage: bit i for pixel (x + (i & 1), y + (i >> 1)).
            int mask = 0;
            for (int i = 0; i < 4; i++) {
                int px = x + (i & 1);
                bool inside = (i >> 1) ? (px >= l1 && px < r1) : (px >= l0 && px < r0);
                mask |= int(inside) << i;
            }
            if (!mask)
                continue;
            const __m128 dx = _mm_add_ps(_mm_set1_ps(float(x - t.refX)), quadX);
            alignas(16) float z[4];
            _mm_store_ps(z, evaluate(t.z, dx, dy));
            if (state.depthEnable) {
                for (int i = 0; i < 4; i++)
                    if ((mask >> i & 1) && !(z[i] <= depth[i >> 1][x + (i & 1)]))
                        mask &= ~(1 << i);
                if (!mask)
                    continue;
            }

            alignas(16) float u[4], v[4];
            MipChoice mip;
            if (texture) {
                __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), evaluate(t.q, dx, dy));
                _mm_store_ps(u, _mm_mul_ps(evaluate(t.uq, dx, dy), w));
                _mm_store_ps(v, _mm_mul_ps(evaluate(t.vq, dx, dy), w));
                float dudx = (u[1] - u[0]) * texWidth, dvdx = (v[1] - v[0]) * texHeight;
                float dudy = (u[2] - u[0]) * texWidth, dvdy = (v[2] - v[0]) * texHeight;
                float rho2 = std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy);
                mip = choose_mip(*texture, state, rho2);
            }
            alignas(16) float r[4], g[4], b[4], a[4];
            if (state.gouraud) {
                _mm_store_ps(r, evaluate(t.r, dx, dy));
                _mm_store_ps(g, evaluate(t.g, dx, dy));
                _mm_store_ps(b, evaluate(t.b, dx, dy));
                _mm_store_ps(a, evaluate(t.a, dx, dy));
            }

            for (int i = 0; i < 4; i++) {
                if (!(mask >> i & 1))
                    continue;
                __m128i diffuse = flatDiffuse;
                if (state.gouraud)
                    diffuse = _mm_setr_epi32(to_channel(b[i]), to_channel(g[i]), to_channel(r[i]),
                                             to_channel(a[i]));
                uint32_t source;
                if (texture) {
                    __m128i texel = sample_texture(*texture, mip, u[i], v[i]);
                    // Alpha comes from the texture alone: its lane is multiplied by 255.
                    diffuse = _mm_or_si128(_mm_and_si128(diffuse, _mm_setr_epi32(-1, -1, -1, 0)),
                                           _mm_setr_epi32(0, 0, 0, 255));
                    source = narrow(modulate(texel, diffuse));
                } else {
                    source = narrow(diffuse);
                }
                const int px = x + (i & 1), row = i >> 1;
                uint32_t& target = colour[row][px];
                target = state.blendEnable
                             ? blend_pixel(source, target, state.srcBlend, state.destBlend)
                             : source & 0x00FFFFFFu;
                if (state.depthEnable)
                    depth[row][px] = z[i];
            }
        }
    }
}
