#pragma once
// Three-component vectors: the Vec3 record the tracks hand out, and the few operations on float[3]
// the records' points, normals and colours need. Each sums its products left to right, as the
// pipeline always has, so every result stays bit for bit what it was.

#include <cmath>
#include <cstring>

struct Vec3 {
    float x, y, z;
};

inline void vec3_copy(float to[3], const float from[3])
{
    std::memcpy(to, from, 3 * sizeof(float));
}

inline float vec3_dot(const float a[3], const float b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

inline float vec3_length(const float v[3]) { return std::sqrt(vec3_dot(v, v)); }

// out = a - b.
inline void vec3_sub(const float a[3], const float b[3], float out[3])
{
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

// out = a x b; out may not be a or b.
inline void vec3_cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// v divided by its length; a vector without a usable length (zero, or not finite) becomes the
// zero vector, which lights nothing and draws no NaN.
inline void vec3_normalise_or_zero(float v[3])
{
    const float length = vec3_length(v);
    if (length > 0 && std::isfinite(length)) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    } else {
        v[0] = v[1] = v[2] = 0;
    }
}
