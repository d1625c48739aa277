// Drawing one line into a tile. The line steps one pixel at a time along its major
// axis, from the pixel holding its first end to the pixel holding its last, both drawn; the minor
// coordinate, depth and colour are interpolated at each pixel's centre. Lines are not textured.
// A line covers every sample of the pixels it draws.

#include <algorithm>
#include <cmath>

#include "softdevice/blender.h"
#include "softdevice/rasterizer.h"

namespace {

uint8_t to_channel(float value)
{
    return value <= 0.0f ? 0 : value >= 255.0f ? 255 : uint8_t(int(value + 0.5f));
}

// The pixel holding coordinate c: pixels are centred on integers.
int pixel_of(float c) { return int(std::floor(c + 0.5f)); }

}  // namespace

void Rasterizer::draw_line(const Queue& queue, const Line& line, const Rect& tile)
{
    const int rowStart = tile.y0, rowEnd = tile.y1;
    const RasterState& state = queue.states[line.state];
    const ScreenVertex& a = line.a;
    const ScreenVertex& b = line.b;
    const float dx = b.x - a.x, dy = b.y - a.y;
    const bool alongX = std::fabs(dx) >= std::fabs(dy);
    const float major0 = alongX ? a.x : a.y, major1 = alongX ? b.x : b.y;
    const float majorLength = major1 - major0;

    int from = pixel_of(major0), to = pixel_of(major1);
    if (from > to)
        std::swap(from, to);
    from = std::max(from, alongX ? tile.x0 : rowStart);
    to = std::min(to, alongX ? tile.x1 - 1 : rowEnd - 1);
    if (alongX && dy != 0.0f && from <= to) {
        // A mostly horizontal line crosses the tile's rows over a stretch of x only: the x where
        // its centre line meets the rows' edges, widened by a row above and below for rounding and
        // by two pixels for the ends' clamping. The row test below still decides each pixel.
        const double xPerRow = double(dx) / double(dy);
        const double x0 = double(a.x) + (double(rowStart) - 1.5 - double(a.y)) * xPerRow;
        const double x1 = double(a.x) + (double(rowEnd) + 0.5 - double(a.y)) * xPerRow;
        from = int(std::clamp(std::floor(std::min(x0, x1)) - 2.0, double(from), double(to) + 1.0));
        to = int(std::clamp(std::ceil(std::max(x0, x1)) + 2.0, double(from) - 1.0, double(to)));
    }

    for (int p = from; p <= to; p++) {
        float t = majorLength != 0.0f ? (float(p) - major0) / majorLength : 0.0f;
        t = std::clamp(t, 0.0f, 1.0f);
        const float minor = alongX ? a.y + dy * t : a.x + dx * t;
        const int x = alongX ? p : pixel_of(minor);
        const int y = alongX ? pixel_of(minor) : p;
        if (y < rowStart || y >= rowEnd || x < tile.x0 || x >= tile.x1)
            continue;
        const float z = a.z + (b.z - a.z) * t;
        uint32_t source = line.flatColour;
        if (state.gouraud) {
            auto mix = [t](float p0, float p1) { return to_channel(p0 + (p1 - p0) * t); };
            source = uint32_t(mix(a.a, b.a)) << 24 | uint32_t(mix(a.r, b.r)) << 16 |
                     uint32_t(mix(a.g, b.g)) << 8 | mix(a.b, b.b);
        }
        // Every sample of the pixel, each with its own depth test and blend.
        for (int s = 0; s < frame.samples; s++) {
            float& depth = frame.depth_at(x, y, s);
            if (state.depthEnable && !(z <= depth))
                continue;
            uint32_t& target = frame.colour_at(x, y, s);
            target = state.blendEnable
                         ? blend_pixel(source, target, state.srcBlend, state.destBlend)
                         : source & 0x00FFFFFFu;
            if (state.depthEnable)
                depth = z;
        }
    }
}
