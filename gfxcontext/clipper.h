#pragma once
// Clipping in homogeneous clip space, before the divide: against the near plane (z >= 0), the far
// plane (z <= w), a guard band around the sides (|x|, |y| <= guardBand * w) and a plane just in
// front of the eye (w > 0), so that whatever is left projects to finite screen positions that fit
// the rasteriser's fixed-point range. The sides proper are left to the rasteriser's scissor.

#include <cstdint>

struct ClipPoint {
    float x, y, z, w;
    float u, v;
    float r, g, b, a;   // 0..255
};

constexpr float guardBand = 4.0f;
// A polygon clipped from a triangle gains at most one corner per plane (seven planes); rounding
// can only drop corners beyond that bound.
constexpr int maxClippedCorners = 3 + 7;

// Inside bits, one per plane; all set: nothing to clip.
constexpr uint32_t allInside = 0x3F;
uint32_t clip_outcode(const ClipPoint& p);

// Clips the triangle a, b, c into a convex polygon of 0 or 3..maxClippedCorners corners written to
// out, in the triangle's winding; returns the corner count.
int clip_triangle(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c,
                  ClipPoint out[maxClippedCorners]);

// Clips the segment a..b in place; false when nothing is left.
bool clip_line(ClipPoint& a, ClipPoint& b);

// Whether a polygon whose signed area on screen (y down; positive: clockwise) is `area` is culled
// under the cull mode (D3DCULL); both devices cull clipped polygons by it.
bool culled_by_winding(uint32_t cullMode, double area);
