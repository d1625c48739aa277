#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "anim/rotation_track.h"
#include "anim/spline_track.h"
#include "tests/support/expect_quat.h"

namespace {

constexpr float PI = 3.14159265f;

// A rotation track as the loader leaves it: angle/axis keys, prepared, then the spans set.
struct TestRotation {
    std::vector<Key> keys;
    std::vector<Quaternion> orientation, a, b;
    std::vector<std::array<float, 4>> angleAxis;
    RotationTrack track{};

    TestRotation(int flags, const std::vector<int>& frames,
                 const std::vector<std::array<float, 4>>& keyValues)
        : keys(frames.size()), orientation(frames.size()), a(frames.size()), b(frames.size()),
          angleAxis(keyValues)
    {
        for (size_t i = 0; i < frames.size(); ++i)
            keys[i].frame = frames[i];
        track = {flags,
                 int(frames.size()),
                 keys.data(),
                 orientation.data(),
                 reinterpret_cast<float(*)[4]>(angleAxis.data()),
                 a.data(),
                 b.data()};
    }
    void prepare()
    {
        prepare_rotation_track(track);
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i].span = i + 1 < keys.size()
                                ? int(int64_t(keys[i + 1].frame) - keys[i].frame)  // wraps
                                : 0;
    }
    Quaternion at(float frame) const
    {
        Quaternion q{-9, -9, -9, -9};
        eval_rotation_track(&track, frame, q);
        return q;
    }
};

float length(const Quaternion& q) { return std::sqrt(quat_dot(q, q)); }

}  // namespace

TEST(RotationTrack, OneKeyAndEmptyTracks)
{
    TestRotation one(3, {4}, {{PI / 3, 1, 0, 0}});
    one.prepare();
    for (float f : {-3.0f, 0.0f, 4.0f, 50.0f})
        expect_quat(one.at(f), std::cos(PI / 6), std::sin(PI / 6), 0, 0);

    TestRotation none(0, {}, {});
    none.prepare();
    expect_quat(none.at(2.0f), -9, -9, -9, -9, 0);
    Quaternion q{1, 2, 3, 4};
    eval_rotation_track(nullptr, 1.0f, q);
    expect_quat(q, 1, 2, 3, 4, 0);
}

TEST(RotationTrack, QuarterTurnAboutZ)
{
    TestRotation t(0, {0, 10}, {{0, 1, 0, 0}, {PI / 2, 0, 0, 1}});
    t.prepare();
    expect_quat(t.at(0), 1, 0, 0, 0);
    const float h = std::sqrt(0.5f);
    for (float f : {10.0f, 11.0f, 400.0f})
        expect_quat(t.at(f), h, 0, 0, h);
    float previous = 0;
    for (float f = 0.5f; f < 10; f += 0.5f) {
        const Quaternion q = t.at(f);
        EXPECT_NEAR(length(q), 1.0f, 1e-5f);
        EXPECT_NEAR(q.x, 0, 1e-6f);
        EXPECT_NEAR(q.y, 0, 1e-6f);
        EXPECT_GT(q.z, previous);
        previous = q.z;
    }
}

TEST(RotationTrack, RelativeKeysChainIntoAbsoluteOrientations)
{
    // Two quarter turns about z after a zero key: a half turn.
    TestRotation t(0, {0, 10, 20}, {{0, 0, 0, 1}, {PI / 2, 0, 0, 1}, {PI / 2, 0, 0, 1}});
    t.prepare();
    expect_quat(t.orientation[2], 0, 0, 0, 1);
    expect_quat(t.at(20), 0, 0, 0, 1);
    // Relative keys are applied on the right: (x by 90) then (z by 90) in key order.
    TestRotation r(0, {0, 10}, {{PI / 2, 1, 0, 0}, {PI / 2, 0, 0, 1}});
    r.prepare();
    expect_quat(r.orientation[1], 0.5f, 0.5f, -0.5f, 0.5f);
}

TEST(RotationTrack, KeysTurningMoreThanACircleSpin)
{
    // 3 pi apart: one extra turn forward; -3 pi: one back. The controls fall on the keys here, so
    // the middle of the segment is the spun arc itself.
    const float h = std::sqrt(0.5f);
    TestRotation up(0, {0, 10}, {{0, 0, 0, 1}, {3 * PI, 0, 0, 1}});
    up.prepare();
    expect_quat(up.at(5), -h, 0, 0, -h, 1e-4f);
    TestRotation down(0, {0, 10}, {{0, 0, 0, 1}, {-3 * PI, 0, 0, 1}});
    down.prepare();
    expect_quat(down.at(5), h, 0, 0, -h, 1e-4f);
    for (float f = 0; f <= 10; f += 0.25f) {
        EXPECT_NEAR(length(up.at(f)), 1.0f, 1e-4f);
        EXPECT_NEAR(length(down.at(f)), 1.0f, 1e-4f);
    }
}

TEST(RotationTrack, KeysOnOneFrameStayFinite)
{
    TestRotation t(3, {5, 5, 5}, {{0.5f, 0, 1, 0}, {0.5f, 0, 1, 0}, {0.5f, 0, 1, 0}});
    t.prepare();
    for (const Quaternion& q : t.a)
        EXPECT_TRUE(std::isfinite(q.w + q.x + q.y + q.z));
    for (const Quaternion& q : t.b)
        EXPECT_TRUE(std::isfinite(q.w + q.x + q.y + q.z));
    const Quaternion q = t.at(9.5f);
    EXPECT_TRUE(std::isfinite(q.w + q.x + q.y + q.z));
    expect_quat(q, t.orientation[2].w, t.orientation[2].x, t.orientation[2].y, t.orientation[2].z,
                0);
}

TEST(RotationTrack, RandomTracksHitTheirKeysAndStayUnitLength)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> angle(-2.5f, 2.5f), unit(-1, 1), param(-0.5f, 0.5f),
        easing(0, 1);
    std::uniform_int_distribution<int> gap(1, 30), count(1, 10);
    for (int round = 0; round < 200; ++round) {
        const int n = count(random);
        const int flags = round % 4;
        std::vector<int> frames(n);
        std::vector<std::array<float, 4>> values(n);
        frames[0] = gap(random);
        for (int i = 0; i < n; ++i) {
            if (i > 0)
                frames[i] = frames[i - 1] + gap(random);
            float x, y, z, l;
            do {
                x = unit(random), y = unit(random), z = unit(random);
                l = std::sqrt(x * x + y * y + z * z);
            } while (l < 0.1f);
            values[i] = {angle(random), x / l, y / l, z / l};
        }
        TestRotation t(flags, frames, values);
        for (Key& k : t.keys) {
            k.tension = param(random);
            k.continuity = param(random);
            k.bias = param(random);
            k.easeTo = easing(random);
            k.easeFrom = easing(random);
        }
        t.prepare();
        const bool cyclic = flags >= 2;
        for (int k = 0; k < n; ++k) {
            const int expected = cyclic && k == n - 1 && n > 1 ? 0 : k;
            const Quaternion q = t.at(float(frames[k]));
            const Quaternion& o = t.orientation[expected];
            EXPECT_EQ(q.w, o.w) << round << " key " << k;
            EXPECT_EQ(q.x, o.x);
            EXPECT_EQ(q.y, o.y);
            EXPECT_EQ(q.z, o.z);
        }
        for (float f = 0; f < float(frames[n - 1]) * 2 + 5; f += 0.37f)
            EXPECT_NEAR(length(t.at(f)), 1.0f, 1e-3f) << round << " at " << f;
    }
}

TEST(ComposeMatrix, ScaleThenRotateThenMove)
{
    Matrix4 m;
    compose_matrix(Quaternion{1, 0, 0, 0}, Vec3{1, 2, 3}, Vec3{2, 2, 2}, m);
    Matrix4 expected = matrix_identity();
    expected(0, 0) = expected(1, 1) = expected(2, 2) = 2;
    expected(3, 0) = 1;
    expected(3, 1) = 2;
    expected(3, 2) = 3;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], expected.m[i]) << i;

    // A quarter turn about z with row vectors: the x axis goes to -y (the transpose of the usual
    // rotation), after the scale and before the move.
    const float h = std::sqrt(0.5f);
    compose_matrix(Quaternion{h, 0, 0, h}, Vec3{10, 0, 0}, Vec3{3, 1, 1}, m);
    const float p[3] = {1, 0, 0};
    float out[4];
    matrix_transform_point(m, p, out);
    EXPECT_NEAR(out[0], 10, 1e-5f);
    EXPECT_NEAR(out[1], -3, 1e-5f);
    EXPECT_NEAR(out[2], 0, 1e-5f);
    EXPECT_EQ(out[3], 1);
}
