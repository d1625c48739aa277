#pragma once
#include <gtest/gtest.h>

#include "math/quaternion.h"

// Expects each component of q within the tolerance of (w, x, y, z).
inline void expect_quat(const Quaternion& q, float w, float x, float y, float z,
                        float tolerance = 1e-5f)
{
    EXPECT_NEAR(q.w, w, tolerance);
    EXPECT_NEAR(q.x, x, tolerance);
    EXPECT_NEAR(q.y, y, tolerance);
    EXPECT_NEAR(q.z, z, tolerance);
}
