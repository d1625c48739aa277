#pragma once
// Alpha blending: result = source x source factor + destination x destination factor, per
// channel in 0..255, rounded and clamped. The colour buffer has no alpha channel, so destination
// alpha reads as 255.

#include <cstdint>

// source: 0xAARRGGBB; destination: 0x00RRGGBB; factors: D3DBLEND_* values. Returns 0x00RRGGBB.
uint32_t blend_pixel(uint32_t source, uint32_t destination, uint32_t srcFactor,
                     uint32_t destFactor);
