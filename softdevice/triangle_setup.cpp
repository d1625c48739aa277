// Setting up a triangle for the tiles: its corners rounded to 1/16 pixel, its edges with the fill
// rule's bias and its pixel bounds when it is queued; the planes of its attributes when a tile
// draws it, worked out in double precision two attributes at a time and stored as floats.

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "softdevice/rasterizer.h"
#include "softdevice/simd.h"

namespace {

// Screen vertices hold their attributes in the order of Rasterizer::Attribute, after x and y.
static_assert(offsetof(ScreenVertex, q) == offsetof(ScreenVertex, z) + 4 &&
              offsetof(ScreenVertex, uq) == offsetof(ScreenVertex, z) + 8 &&
              offsetof(ScreenVertex, vq) == offsetof(ScreenVertex, z) + 12 &&
              offsetof(ScreenVertex, g) == offsetof(ScreenVertex, r) + 4 &&
              offsetof(ScreenVertex, b) == offsetof(ScreenVertex, r) + 8 &&
              offsetof(ScreenVertex, a) == offsetof(ScreenVertex, r) + 12);

// Floor and ceiling of n / 16.
int floor16(int n) { return n >> 4; }
int ceil16(int n) { return -(-n >> 4); }

// Quads are walked over the bounds of triangles up to this many pixels wide; wider ones are
// drawn span by span, which skips the quads outside their edges.
constexpr int smallWidth = 32;
// Edge functions fit 32 bits over the bounds of triangles up to this many 1/16 pixels a side.
constexpr int smallSide = 1 << 14;

// What every attribute plane of a triangle shares: the edge vectors from the first corner, the
// reciprocal of their cross product, and the offset of the reference pixel from that corner.
struct PlaneBasis {
    double ex1, ey1, ex2, ey2, inverse, offsetX, offsetY;
};

// The planes of two attributes whose values at the corners are a0, a1 and a2. Each step is one
// rounding in double precision, the same on every processor.
inline void plane_pair(const PlaneBasis& p, const double* a0, const double* a1, const double* a2,
                       Rasterizer::Planes& planes, int attribute)
{
    for (int i = 0; i < 2; i++) {
        const double d1 = a1[i] - a0[i], d2 = a2[i] - a0[i];
        const double dx = (d1 * p.ey2 - d2 * p.ey1) * p.inverse;
        const double dy = (d2 * p.ex1 - d1 * p.ex2) * p.inverse;
        const double c = (a0[i] + dx * p.offsetX) + dy * p.offsetY;
        planes.c[attribute + i] = float(c);
        planes.dx[attribute + i] = float(dx);
        planes.dy[attribute + i] = float(dy);
    }
}

// The attributes of a corner from the first of four consecutive fields.
inline void attributes(const float* first, double* out)
{
    for (int i = 0; i < 4; i++)
        out[i] = first[i];
}

}  // namespace

void Rasterizer::triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                          uint32_t flatColour)
{
    const ScreenVertex* v[3] = {&a, &b, &c};
    if (!within_reach(a) || !within_reach(b) || !within_reach(c))
        return;
    // Within reach, x and y times 16 are exact in float and fit 32 bits; rounding is to nearest.
    int X[3], Y[3];
    for (int i = 0; i < 3; i++) {
        X[i] = simd::round(v[i]->x * float(subpixel));
        Y[i] = simd::round(v[i]->y * float(subpixel));
    }
    const int64_t area =
        int64_t(X[1] - X[0]) * (Y[2] - Y[0]) - int64_t(X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0)
        return;
    if (area < 0) {   // rasterise clockwise on screen: the inside is where every edge is >= 0
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    const int minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    const int minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    // The pixels whose sampling point, or any of whose samples, may lie inside.
    const int xMin = std::max(0, ceil16(minX - sampleReach));
    const int xMax = std::min(frame.width - 1, floor16(maxX + sampleReach));
    const int yMin = std::max(0, ceil16(minY - sampleReach));
    const int yMax = std::min(frame.height - 1, floor16(maxY + sampleReach));
    if (xMin > xMax || yMin > yMax)
        return;

    Queue& queue = filling_queue();
    Triangle t;   // every field is written below: no clearing first
    t.xMin = xMin;
    t.xMax = xMax;
    t.yMin = yMin;
    t.yMax = yMax;
    t.small = xMax - xMin < smallWidth && maxX - minX < smallSide && maxY - minY < smallSide;
    for (int i = 0; i < 3; i++) {
        const int j = (i + 1) % 3;
        Edge& e = t.edges[i];
        e.x = X[i];
        e.y = Y[i];
        e.dx = X[j] - X[i];
        e.dy = Y[j] - Y[i];
        // Going clockwise on a y-down screen, left edges run upwards and top edges rightwards.
        const bool topLeft = e.dy < 0 || (e.dy == 0 && e.dx > 0);
        e.bias = topLeft ? 0 : 1;
    }

    for (int i = 0; i < 3; i++) {
        std::memcpy(&t.corners[i][Z], &v[i]->z, 4 * sizeof(float));
        std::memcpy(&t.corners[i][R], &v[i]->r, 4 * sizeof(float));
    }
    t.flatColour = flatColour;
    t.state = pending_state(queue);
    const uint32_t index = uint32_t(queue.triangles.size());
    append(queue.triangles, t);
    queue_command(Kind::triangle, index, xMin, xMax, yMin, yMax, &queue.triangles.back());
}

Rasterizer::TrianglePlanes Rasterizer::triangle_planes(const Triangle& t, bool textured,
                                                       bool gouraud)
{
    TrianglePlanes result{};
    const Edge* e = t.edges;
    result.refX = floor16(e[0].x);
    result.refY = floor16(e[0].y);
    const double x0 = double(e[0].x) / subpixel, y0 = double(e[0].y) / subpixel;
    const double ex1 = double(e[1].x) / subpixel - x0, ey1 = double(e[1].y) / subpixel - y0;
    const double ex2 = double(e[2].x) / subpixel - x0, ey2 = double(e[2].y) / subpixel - y0;
    const PlaneBasis basis{ex1, ey1, ex2, ey2, 1.0 / (ex1 * ey2 - ex2 * ey1), result.refX - x0,
                           result.refY - y0};
    double corner[3][4];
    for (int i = 0; i < 3; i++)
        attributes(&t.corners[i][Z], corner[i]);
    plane_pair(basis, corner[0], corner[1], corner[2], result.planes, Z);   // and Q
    if (textured)
        plane_pair(basis, corner[0] + 2, corner[1] + 2, corner[2] + 2, result.planes, UQ);
    if (gouraud) {
        for (int i = 0; i < 3; i++)
            attributes(&t.corners[i][R], corner[i]);
        plane_pair(basis, corner[0], corner[1], corner[2], result.planes, R);   // and G
        plane_pair(basis, corner[0] + 2, corner[1] + 2, corner[2] + 2, result.planes, B);
    }
    return result;
}
