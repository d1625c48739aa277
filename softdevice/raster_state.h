#pragma once
// The device state a primitive is drawn with, captured when it is queued.

#include <cstdint>

#include "gfxcontext/d3d_types.h"

class SoftwareTexture;

struct RasterState {
    bool depthEnable = true;
    bool gouraud = true;
    bool blendEnable = false;
    uint32_t srcBlend = D3DBLEND_ONE;
    uint32_t destBlend = D3DBLEND_ZERO;
    const SoftwareTexture* texture = nullptr;
    uint32_t magFilter = D3DTFG_POINT;
    uint32_t minFilter = D3DTFN_POINT;
    uint32_t mipFilter = D3DTFP_NONE;

    bool operator==(const RasterState&) const = default;
};

// A projected vertex: screen position in pixels (y down), depth z/w, q = 1/w, the texture
// coordinates divided by w, and the diffuse colour as 0..255 per channel.
struct ScreenVertex {
    float x, y, z, q;
    float uq, vq;
    float r, g, b, a;
};
