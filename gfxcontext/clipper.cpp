#include "gfxcontext/clipper.h"

#include <cmath>

#include "gfxcontext/d3d_types.h"

namespace {

constexpr int planeCount = 6;
// Keeps w away from zero: points this close to the eye plane would project to infinity.
constexpr float minimumW = 1e-6f;

// Signed distance to plane i: inside when >= 0.
float distance(const ClipPoint& p, int plane)
{
    switch (plane) {
    case 0: return p.z;
    case 1: return p.w - p.z;
    case 2: return guardBand * p.w + p.x;
    case 3: return guardBand * p.w - p.x;
    case 4: return guardBand * p.w + p.y;
    case 5: return guardBand * p.w - p.y;
    default: return p.w - minimumW;
    }
}

bool finite(const ClipPoint& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(p.w);
}

// The crossing point, always measured from the inside end so that two triangles sharing an edge
// compute the same point whichever way round they hold it.
ClipPoint crossing(const ClipPoint& in, const ClipPoint& out, float dIn, float dOut)
{
    float t = dIn / (dIn - dOut);
    auto mix = [t](float a, float b) { return a + (b - a) * t; };
    return ClipPoint{mix(in.x, out.x), mix(in.y, out.y), mix(in.z, out.z), mix(in.w, out.w),
                     mix(in.u, out.u), mix(in.v, out.v), mix(in.r, out.r), mix(in.g, out.g),
                     mix(in.b, out.b), mix(in.a, out.a)};
}

}  // namespace

uint32_t clip_outcode(const ClipPoint& p)
{
    if (!finite(p))
        return 0;
    // distance() plane by plane, written out: this runs for every vertex drawn.
    const float band = guardBand * p.w;
    uint32_t code = uint32_t(p.z >= 0.0f) | uint32_t(p.w - p.z >= 0.0f) << 1 |
                    uint32_t(band + p.x >= 0.0f) << 2 | uint32_t(band - p.x >= 0.0f) << 3 |
                    uint32_t(band + p.y >= 0.0f) << 4 | uint32_t(band - p.y >= 0.0f) << 5;
    if (p.w - minimumW < 0.0f)
        code &= ~1u;   // behind the eye: treated as outside the near plane
    return code;
}

int clip_triangle(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c,
                  ClipPoint out[maxClippedCorners])
{
    if (!finite(a) || !finite(b) || !finite(c))
        return 0;
    ClipPoint buffers[2][maxClippedCorners];
    ClipPoint* polygon = buffers[0];
    ClipPoint* next = buffers[1];
    polygon[0] = a;
    polygon[1] = b;
    polygon[2] = c;
    int count = 3;
    for (int plane = 0; plane <= planeCount && count > 0; plane++) {
        int kept = 0;
        for (int i = 0; i < count; i++) {
            const ClipPoint& p = polygon[i];
            const ClipPoint& q = polygon[(i + 1) % count];
            float dp = distance(p, plane), dq = distance(q, plane);
            if (dp >= 0.0f && kept < maxClippedCorners)
                next[kept++] = p;
            if ((dp >= 0.0f) != (dq >= 0.0f) && kept < maxClippedCorners)
                next[kept++] = dp >= 0.0f ? crossing(p, q, dp, dq) : crossing(q, p, dq, dp);
        }
        count = kept;
        ClipPoint* swap = polygon;
        polygon = next;
        next = swap;
    }
    if (count < 3)
        return 0;
    for (int i = 0; i < count; i++)
        out[i] = polygon[i];
    return count;
}

bool clip_line(ClipPoint& a, ClipPoint& b)
{
    if (!finite(a) || !finite(b))
        return false;
    float t0 = 0.0f, t1 = 1.0f;
    for (int plane = 0; plane <= planeCount; plane++) {
        float da = distance(a, plane), db = distance(b, plane);
        if (da < 0.0f && db < 0.0f)
            return false;
        if (da < 0.0f)
            t0 = std::fmax(t0, da / (da - db));
        else if (db < 0.0f)
            t1 = std::fmin(t1, da / (da - db));
    }
    if (t0 > t1)
        return false;
    const ClipPoint from = a, to = b;
    auto at = [&](float t) {
        auto mix = [t](float p, float q) { return p + (q - p) * t; };
        return ClipPoint{mix(from.x, to.x), mix(from.y, to.y), mix(from.z, to.z),
                         mix(from.w, to.w), mix(from.u, to.u), mix(from.v, to.v),
                         mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b),
                         mix(from.a, to.a)};
    };
    if (t0 > 0.0f)
        a = at(t0);
    if (t1 < 1.0f)
        b = at(t1);
    return true;
}

bool culled_by_winding(uint32_t cullMode, double area)
{
    return (cullMode == D3DCULL_CW && area > 0.0) || (cullMode == D3DCULL_CCW && area < 0.0);
}
