#pragma once
// Alpha blending: result = source x source factor + destination x destination factor, per
// channel in 0..255, rounded and clamped. The colour buffer has no alpha channel, so destination
// alpha reads as 255.

#include <emmintrin.h>

#include <cstdint>

#include "gfxcontext/d3d_types.h"

// source: 0xAARRGGBB; destination: 0x00RRGGBB; factors: D3DBLEND_* values. Returns 0x00RRGGBB.
uint32_t blend_pixel(uint32_t source, uint32_t destination, uint32_t srcFactor,
                     uint32_t destFactor);

namespace blending {

// The factor of kind for 16-bit channel lanes: s the source, sa its alpha in every lane of a
// pixel, d the destination.
[[gnu::always_inline]] inline __m128i factor(uint32_t kind, __m128i s, __m128i sa, __m128i d)
{
    const __m128i full = _mm_set1_epi16(255);
    switch (kind) {
    case D3DBLEND_ZERO:
    case D3DBLEND_INVDESTALPHA: return _mm_setzero_si128();
    case D3DBLEND_SRCCOLOR: return s;
    case D3DBLEND_INVSRCCOLOR: return _mm_sub_epi16(full, s);
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return _mm_sub_epi16(full, sa);
    case D3DBLEND_DESTCOLOR: return d;
    case D3DBLEND_INVDESTCOLOR: return _mm_sub_epi16(full, d);
    default: return full;   // D3DBLEND_ONE, D3DBLEND_DESTALPHA, and anything unknown
    }
}

// Two pixels in 16-bit lanes.
[[gnu::always_inline]] inline __m128i pair(__m128i s, __m128i d, uint32_t srcFactor,
                                           uint32_t destFactor)
{
    const __m128i sa = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    // Products fit 16 bits; a sum beyond them saturates, and anything from 65280 up comes out
    // as 255 after the clamp either way. Below 65536, x / 255 is (x * 32897) >> 23.
    __m128i sum = _mm_adds_epu16(_mm_mullo_epi16(s, factor(srcFactor, s, sa, d)),
                                 _mm_mullo_epi16(d, factor(destFactor, s, sa, d)));
    sum = _mm_adds_epu16(sum, _mm_set1_epi16(127));
    const __m128i value = _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(-32639)), 7);
    return _mm_min_epi16(value, _mm_set1_epi16(255));
}

}  // namespace blending

// blend_pixel for four pixels at once, with the same results.
[[gnu::always_inline]] inline __m128i blend_quad(__m128i source, __m128i destination,
                                                 uint32_t srcFactor, uint32_t destFactor)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = blending::pair(_mm_unpacklo_epi8(source, zero),
                                       _mm_unpacklo_epi8(destination, zero), srcFactor,
                                       destFactor);
    const __m128i high = blending::pair(_mm_unpackhi_epi8(source, zero),
                                        _mm_unpackhi_epi8(destination, zero), srcFactor,
                                        destFactor);
    return _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0x00FFFFFF));
}
