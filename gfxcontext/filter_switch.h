#pragma once
// Where a texture's filter changes from magnification to minification, the same on both devices.

#include <cstdint>

#include "gfxcontext/d3d_types.h"

// A bilinear magnification that meets a point minification between mip levels stays magnified up
// to a level of detail of 0.5 (a footprint of rho^2 = 2), where a level's texels are no longer
// larger than a pixel, as GL puts the change; every other combination changes at 0.
inline bool magnified_to_half_level(uint32_t magFilter, uint32_t minFilter, uint32_t mipFilter)
{
    return magFilter == D3DTFG_LINEAR && minFilter != D3DTFN_LINEAR &&
           (mipFilter == D3DTFP_POINT || mipFilter == D3DTFP_LINEAR);
}
