#include <gtest/gtest.h>

#include <cmath>

#include "math/quaternion.h"
#include "tests/support/expect_quat.h"

namespace {

constexpr float PI = 3.14159265f;

}  // namespace

TEST(Quaternion, ProductInverseAndGuards)
{
    const float h = std::sqrt(0.5f);
    const Quaternion z90{h, 0, 0, h};
    expect_quat(quat_mul(z90, z90), 0, 0, 0, 1);
    const Quaternion x90{h, h, 0, 0};
    // a on the left: the vector part's cross product has the sign of a x b.
    expect_quat(quat_mul(x90, z90), 0.5f, 0.5f, -0.5f, 0.5f);
    expect_quat(quat_mul(z90, quat_inverse(z90)), 1, 0, 0, 0);
    expect_quat(quat_inverse(Quaternion{2, 0, 0, 0}), 0.5f, 0, 0, 0);
    expect_quat(quat_inverse(Quaternion{0, 0, 0, 0}), 0, 0, 0, 0);
    Quaternion zero{0, 0, 0, 0};
    quat_conj_unit(zero);
    expect_quat(zero, 0, 0, 0, 0);
    Quaternion q{0, 3, 0, 4};
    quat_conj_unit(q);
    expect_quat(q, 0, -0.6f, 0, -0.8f);
    expect_quat(quat_exp(Quaternion{5, 0, 0, 0}), 1, 0, 0, 0);
    expect_quat(quat_exp(Quaternion{0, 0, 0, PI / 4}), h, 0, 0, h);
    // The log of an axis is a quarter turn about it, the axis not normalised.
    expect_quat(quat_log_axis(Quaternion{0, 0, 2, 0}), 0, 0, PI, 0);
    // ln of the difference of a quarter turn about z: half its angle about z.
    expect_quat(quat_ln_dif(Quaternion{1, 0, 0, 0}, z90), 0, 0, 0, PI / 4);
    expect_quat(quat_ln_dif(z90, z90), 0, 0, 0, 0);
}

TEST(Quaternion, SlerpBlendsNearlyEqualOrOppositeRotationsLinearly)
{
    const Quaternion a{1, 0, 0, 0};
    const Quaternion b{0.9999996f, 0.0008944f, 0, 0};  // dot within 1e-6 of 1
    const Quaternion q = quat_slerp(a, b, 0.25f, 3.0f);  // spin plays no part there
    EXPECT_EQ(q.w, 0.75f * a.w + 0.25f * b.w);
    EXPECT_EQ(q.x, 0.25f * b.x);
    // Opposite signs: no flip, and no renormalising either.
    const Quaternion m = quat_slerp(a, Quaternion{-1, 0, 0, 0}, 0.5f, 0);
    expect_quat(m, 0, 0, 0, 0);
    // Away from the branch: the arc, with spin adding whole turns.
    const float h = std::sqrt(0.5f);
    expect_quat(quat_slerp(a, Quaternion{0, 0, 0, 1}, 0.5f, 0), h, 0, 0, h);
    expect_quat(quat_slerp(a, Quaternion{0, 0, 0, 1}, 0.5f, 1), -h, 0, 0, h);
}
