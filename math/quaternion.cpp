#include "math/quaternion.h"

#include <cmath>

namespace {

constexpr float HALF_PI = 1.5707963705062866f;
constexpr float PI = 3.1415927410125732f;
constexpr float LINEAR_LIMIT = 9.999999974752427e-07f;

float vector_length(const Quaternion& a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

}  // namespace

Quaternion quat_mul(const Quaternion& a, const Quaternion& b)
{
    return {a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z),
            a.w * b.x + b.w * a.x + a.y * b.z - a.z * b.y,
            a.w * b.y + b.w * a.y + a.z * b.x - a.x * b.z,
            a.w * b.z + b.w * a.z + a.x * b.y - a.y * b.x};
}

Quaternion quat_weighted_sum(float ka, const Quaternion& a, float kb, const Quaternion& b)
{
    return {ka * a.w + kb * b.w, ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z};
}

float quat_dot(const Quaternion& a, const Quaternion& b)
{
    return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
}

Quaternion quat_inverse(const Quaternion& a)
{
    const float n = quat_dot(a, a);
    const float s = n != 0.0f ? 1.0f / n : 1.0f;
    return {s * a.w, -s * a.x, -s * a.y, -s * a.z};
}

void quat_conj_unit(Quaternion& a)
{
    float l = std::sqrt(quat_dot(a, a));
    if (l == 0.0f)
        l = 1.0f;
    a = {a.w / l, -a.x / l, -a.y / l, -a.z / l};
}

// The vector part is scaled by the angle, not normalised first: the rotation tracks call this
// with w = 0 and the key's axis, which gives a quarter turn about that axis.
Quaternion quat_log_axis(const Quaternion& a)
{
    const float angle = a.w != 0.0f ? float(std::atan(double(vector_length(a)) / a.w)) : HALF_PI;
    return {0.0f, angle * a.x, angle * a.y, angle * a.z};
}

Quaternion quat_ln_dif(const Quaternion& a, const Quaternion& b)
{
    const Quaternion d = quat_mul(quat_inverse(a), b);
    const float h = vector_length(d);
    const float c = quat_dot(b, a);
    float angle = c != 0.0f ? float(std::atan(double(h) / c)) : HALF_PI;
    if (h != 0.0f)
        angle /= h;
    return {0.0f, angle * d.x, angle * d.y, angle * d.z};
}

Quaternion quat_exp(const Quaternion& a)
{
    const float theta = vector_length(a);
    const float g = theta > 0.0f ? float(std::sin(double(theta)) / theta) : 1.0f;
    return {float(std::cos(double(theta))), g * a.x, g * a.y, g * a.z};
}

// Spherical interpolation with whole extra turns: spin adds spin x pi to the arc between the two
// quaternions, which is spin full turns of the rotation. Nearly equal or
// opposite rotations blend linearly (without renormalising); b is never flipped, so the path may
// take the long way round, which the stored tracks rely on.
Quaternion quat_slerp(const Quaternion& a, const Quaternion& b, float t, float spin)
{
    const float c = quat_dot(a, b);
    if (1.0f - std::fabs(c) < LINEAR_LIMIT)
        return quat_weighted_sum(1.0f - t, a, t, b);
    const double theta = std::acos(double(c));
    const float phi = float(t * (theta + double(spin) * PI));
    const float s = float(std::sin(theta));
    // Both sines are rounded like s, so that t = 0 gives a itself, to the bit.
    const float ka = float(std::sin(theta - phi)) / s;
    const float kb = float(std::sin(double(phi))) / s;
    return quat_weighted_sum(ka, a, kb, b);
}
