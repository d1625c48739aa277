#pragma once
// Alpha blending: result = source x source factor + destination x destination factor, per
// channel in 0..255, rounded and clamped. The colour buffer has no alpha channel, so destination
// alpha reads as 255.

#include <cstdint>

#include "gfxcontext/d3d_types.h"
#include "softdevice/simd.h"

// source: 0xAARRGGBB; destination: 0x00RRGGBB; factors: D3DBLEND_* values. Returns 0x00RRGGBB.
uint32_t blend_pixel(uint32_t source, uint32_t destination, uint32_t srcFactor,
                     uint32_t destFactor);

namespace blending {

using simd::I16x8;

// The factor of kind for 16-bit channel lanes: s the source, sa its alpha in every lane of a
// pixel, d the destination.
[[gnu::always_inline]] inline I16x8 factor(uint32_t kind, I16x8 s, I16x8 sa, I16x8 d)
{
    const I16x8 full = simd::all16(255);
    switch (kind) {
    case D3DBLEND_ZERO:
    case D3DBLEND_INVDESTALPHA: return simd::all16(0);
    case D3DBLEND_SRCCOLOR: return s;
    case D3DBLEND_INVSRCCOLOR: return simd::sub16(full, s);
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return simd::sub16(full, sa);
    case D3DBLEND_DESTCOLOR: return d;
    case D3DBLEND_INVDESTCOLOR: return simd::sub16(full, d);
    default: return full;   // D3DBLEND_ONE, D3DBLEND_DESTALPHA, and anything unknown
    }
}

// Two pixels in 16-bit lanes.
[[gnu::always_inline]] inline I16x8 pair(I16x8 s, I16x8 d, uint32_t srcFactor,
                                         uint32_t destFactor)
{
    using namespace simd;
    const I16x8 sa = alpha16(s);
    // Products fit 16 bits; a sum beyond them saturates, and anything from 65280 up comes out
    // as 255 after the clamp either way. Below 65536, x / 255 is (x * 32897) >> 23.
    I16x8 sum = add_saturated_unsigned16(mul16(s, factor(srcFactor, s, sa, d)),
                                         mul16(d, factor(destFactor, s, sa, d)));
    sum = add_saturated_unsigned16(sum, all16(127));
    const I16x8 value = shift_right_logical16<7>(mul_high_unsigned16(sum, all16(-32639)));
    return min16(value, all16(255));
}

}  // namespace blending

// blend_pixel for four pixels at once, with the same results.
[[gnu::always_inline]] inline simd::I32x4 blend_quad(simd::I32x4 source, simd::I32x4 destination,
                                                     uint32_t srcFactor, uint32_t destFactor)
{
    using namespace simd;
    const I16x8 low = blending::pair(widen_low(source), widen_low(destination), srcFactor,
                                     destFactor);
    const I16x8 high = blending::pair(widen_high(source), widen_high(destination), srcFactor,
                                      destFactor);
    return pack_bytes(low, high) & all(0x00FFFFFF);
}
