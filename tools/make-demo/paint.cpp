#include "tools/make-demo/paint.h"

#include <algorithm>
#include <cmath>

namespace demo::paint {
namespace {

uint32_t hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

float unit(uint32_t h) { return float(h & 0xFFFFFF) / float(0xFFFFFF); }

int wrap(int value, int period) { return ((value % period) + period) % period; }

}  // namespace

float noise(float x, float y, int period, uint32_t seed)
{
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    float fx = x - float(x0), fy = y - float(y0);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int dx, int dy) {
        return unit(hash(wrap(x0 + dx, period), wrap(y0 + dy, period), seed));
    };
    float top = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
    float bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
    return top + (bottom - top) * fy;
}

float fractal(float x, float y, int period, int octaves, uint32_t seed)
{
    float sum = 0, weight = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += noise(x, y, period, seed + uint32_t(o)) * weight;
        total += weight;
        x *= 2;
        y *= 2;
        period *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

void cells(float x, float y, int period, uint32_t seed, float& nearest, float& second)
{
    int cx = int(std::floor(x)), cy = int(std::floor(y));
    nearest = second = 1e9f;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int gx = cx + dx, gy = cy + dy;
            uint32_t h = hash(wrap(gx, period), wrap(gy, period), seed);
            float px = float(gx) + unit(h), py = float(gy) + unit(h >> 8 | h << 24);
            float d = std::hypot(px - x, py - y);
            if (d < nearest) {
                second = nearest;
                nearest = d;
            } else if (d < second) {
                second = d;
            }
        }
}

Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint32_t pack(Rgb c)
{
    auto channel = [](float v) { return uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
    return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

float smoothstep(float edge0, float edge1, float x)
{
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

}  // namespace demo::paint
