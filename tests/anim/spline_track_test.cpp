#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "anim/spline_track.h"

namespace {

// A track as the loader leaves it: keys and values read, tangents prepared, then the spans set.
struct TestTrack {
    std::vector<Key> keys;
    std::vector<float> values, in, out;
    Track track{};

    TestTrack(int flags, const std::vector<int>& frames, const std::vector<float>& v)
        : keys(frames.size()), values(v), in(v.size()), out(v.size())
    {
        for (size_t i = 0; i < frames.size(); ++i)
            keys[i].frame = frames[i];
        track = {flags, int(frames.size()), keys.data(), values.data(), in.data(), out.data()};
    }
    void prepare(int width)
    {
        if (width == 3)
            prepare_track(track);
        else
            prepare_scalar_track(track);
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i].span = i + 1 < keys.size()
                                ? int(int64_t(keys[i + 1].frame) - keys[i].frame)  // wraps
                                : 0;
    }
};

TestTrack scalar(int flags, const std::vector<int>& frames, const std::vector<float>& v)
{
    TestTrack t(flags, frames, v);
    t.prepare(1);
    return t;
}

float at(const TestTrack& t, float frame)
{
    float v = -12345.0f;
    eval_scalar_track(&t.track, frame, v);
    return v;
}

Vec3 at3(const TestTrack& t, float frame)
{
    Vec3 v{-1, -1, -1};
    eval_track(&t.track, frame, v);
    return v;
}

constexpr int SINGLE = 0, REPEAT = 2, LOOP = 3;

}  // namespace

TEST(SplineTrack, OneKeyHoldsEverywhere)
{
    const TestTrack t = scalar(LOOP, {5}, {7.5f});
    for (float f : {-100.0f, -0.5f, 0.0f, 5.0f, 1e9f})
        EXPECT_EQ(at(t, f), 7.5f) << f;
}

TEST(SplineTrack, EmptyOrNullTrackLeavesTheValue)
{
    const TestTrack t = scalar(SINGLE, {}, {});
    EXPECT_EQ(at(t, 3.0f), -12345.0f);
    float v = 4.0f;
    eval_scalar_track(nullptr, 3.0f, v);
    EXPECT_EQ(v, 4.0f);
    Vec3 p{1, 2, 3};
    eval_track(nullptr, 3.0f, p);
    EXPECT_EQ(p.z, 3.0f);
}

TEST(SplineTrack, TwoKeysWithoutTensionMoveLinearlyAndStopAtTheEnd)
{
    TestTrack t(SINGLE, {0, 10}, {0, 0, 0, 10, -20, 30});
    t.prepare(3);
    const Vec3 v = at3(t, 7.9f);
    EXPECT_NEAR(v.x, 7.9f, 1e-4f);
    EXPECT_NEAR(v.y, -15.8f, 1e-4f);
    EXPECT_NEAR(v.z, 23.7f, 1e-4f);
    for (float f : {10.0f, 10.5f, 1e6f}) {
        const Vec3 end = at3(t, f);
        EXPECT_EQ(end.x, 10.0f);
        EXPECT_EQ(end.y, -20.0f);
        EXPECT_EQ(end.z, 30.0f);
    }
    // Tension shortens both tangents: (1 - T) (P1 - P0).
    TestTrack tense(SINGLE, {0, 10}, {0, 10});
    tense.keys[0].tension = 0.5f;
    tense.keys[1].tension = -1.0f;
    tense.prepare(1);
    EXPECT_EQ(tense.out[0], 5.0f);
    EXPECT_EQ(tense.in[1], 20.0f);
}

TEST(SplineTrack, FramesBeforeTheFirstKeyGiveItsValue)
{
    const TestTrack t = scalar(LOOP, {15, 25, 40}, {3, 9, 1});
    EXPECT_EQ(at(t, 3.0f), 3.0f);
    EXPECT_EQ(at(t, 14.99f), 3.0f);
    EXPECT_EQ(at(t, -7.0f), 3.0f);
}

TEST(SplineTrack, CollinearEvenKeysGiveAStraightLine)
{
    for (int flags : {SINGLE, 1}) {
        const TestTrack s = scalar(flags, {0, 10, 20}, {0, 10, 20});
        TestTrack v(flags, {0, 10, 20}, {0, 0, 0, 10, 20, -10, 20, 40, -20});
        v.prepare(3);
        for (float f : {2.5f, 5.0f, 12.0f, 17.5f}) {
            EXPECT_NEAR(at(s, f), f, 1e-4f);
            const Vec3 p = at3(v, f);
            EXPECT_NEAR(p.x, f, 1e-4f);
            EXPECT_NEAR(p.y, 2 * f, 1e-4f);
            EXPECT_NEAR(p.z, -f, 1e-4f);
        }
    }
}

TEST(SplineTrack, UnevenKeysKeepTheScalarRulesOwnWeights)
{
    // Keys at 0, 10, 30 with values 0, 10, 40 in both kinds of track. The one-component inner
    // out tangent takes the incoming interval ratio, its end rules half the L term.
    const TestTrack s = scalar(SINGLE, {0, 10, 30}, {0, 10, 40});
    TestTrack v(SINGLE, {0, 10, 30}, {0, 0, 0, 10, 0, 0, 40, 0, 0});
    v.prepare(3);
    EXPECT_NEAR(v.in[3], 40.0f / 3, 1e-4f);
    EXPECT_NEAR(v.out[3], 80.0f / 3, 1e-4f);
    EXPECT_NEAR(s.in[1], 40.0f / 3, 1e-4f);
    EXPECT_NEAR(s.out[1], 40.0f / 3, 1e-4f);

    EXPECT_NEAR(v.out[0], 25.0f / 3, 1e-4f);
    EXPECT_NEAR(s.out[0], 20.0f / 3, 1e-4f);
    EXPECT_NEAR(v.in[6], 95.0f / 3, 1e-4f);
    EXPECT_NEAR(s.in[2], 100.0f / 3, 1e-4f);
}

TEST(SplineTrack, ContinuityAndBiasScaleBothTangents)
{
    TestTrack t(SINGLE, {0, 10, 20}, {0, 10, 20});
    t.keys[1].continuity = 0.5f;
    t.keys[1].bias = 0.5f;
    t.prepare(1);
    EXPECT_NEAR(t.in[1], 0.5f * 1.5f * 20 * 0.5f, 1e-5f);
    EXPECT_NEAR(t.out[1], 0.5f * 0.5f * 20 * 0.5f, 1e-5f);
}

TEST(SplineTrack, CyclicTracksCloseTheirTangentsAndWrapTheFrame)
{
    // The last key is the same point of the cycle as key 0: both get one tangent.
    TestTrack closed(LOOP, {0, 10, 20, 30}, {0, 10, 20, 0});
    closed.prepare(1);
    EXPECT_NEAR(closed.out[0], -5.0f, 1e-5f);
    EXPECT_NEAR(closed.in[3], -5.0f, 1e-5f);

    for (int flags : {REPEAT, LOOP}) {
        const TestTrack t = scalar(flags, {0, 10, 20}, {4, 9, -3});
        EXPECT_EQ(at(t, 25.5f), at(t, 5.5f));
        EXPECT_EQ(at(t, 20.0f), at(t, 0.0f));
        EXPECT_EQ(at(t, 20.0f), 4.0f);
        EXPECT_EQ(at(t, 47.25f), at(t, 7.25f));
        // The cycle starts at the first key, not at frame 0.
        const TestTrack late = scalar(flags, {10, 20, 30}, {4, 9, -3});
        EXPECT_EQ(at(late, 38.0f), at(late, 18.0f));
    }
}

TEST(SplineTrack, CycleWithoutPeriodHoldsTheLastKey)
{
    for (int flags : {REPEAT, LOOP}) {
        const TestTrack two = scalar(flags, {5, 5}, {1, 2});
        EXPECT_EQ(at(two, 5.0f), 2.0f);
        EXPECT_EQ(at(two, 99.5f), 2.0f);
        // Keys sharing a frame leave no interval to weight tangents with: they stay finite.
        TestTrack same(flags, {5, 5, 5}, {1, 1, 1, 2, 2, 2, 3, 3, 3});
        same.prepare(3);
        for (float x : same.in)
            EXPECT_TRUE(std::isfinite(x));
        for (float x : same.out)
            EXPECT_TRUE(std::isfinite(x));
        EXPECT_EQ(at3(same, 8.0f).x, 3.0f);
    }
    const TestTrack open = scalar(SINGLE, {5, 5, 5, 9}, {1, 2, 3, 4});
    for (float x : open.out)
        EXPECT_TRUE(std::isfinite(x));
    for (float f = 0; f < 12; f += 0.25f)
        EXPECT_TRUE(std::isfinite(at(open, f))) << f;
}

TEST(SplineTrack, ExtremeFramesStayDefined)
{
    // Key frames at the ends of the integer range and frames far outside it: no overflow, a
    // finite value, nothing read beyond the keys.
    for (int flags : {SINGLE, REPEAT, LOOP}) {
        const TestTrack t = scalar(flags, {INT_MIN, 0, INT_MAX}, {1, 2, 3});
        const TestTrack r = scalar(flags, {INT_MAX, 0, INT_MIN}, {1, 2, 3});
        for (float f : {-1e30f, -1.0f, 0.5f, 3e9f, 1e30f, INFINITY, -INFINITY, NAN}) {
            EXPECT_TRUE(std::isfinite(at(t, f))) << f;
            EXPECT_TRUE(std::isfinite(at(r, f))) << f;
        }
    }
    // A span that wrapped past the integer range (as the loader's subtraction leaves it) does
    // not extrapolate the curve: the segment parameter stays within 0..1.
    const TestTrack wide = scalar(SINGLE, {INT_MIN, 100, INT_MAX}, {0, 100, 0});
    for (float f : {0.5f, 50.0f, 1e6f, 2e9f}) {
        EXPECT_GE(at(wide, f), -30.0f) << f;
        EXPECT_LE(at(wide, f), 130.0f) << f;
    }
    // A negative or NaN frame counts as frame 0.
    const TestTrack t = scalar(SINGLE, {0, 10}, {4, 8});
    EXPECT_EQ(at(t, -0.5f), 4.0f);
    EXPECT_EQ(at(t, NAN), 4.0f);
}

TEST(BoundedFrame, EveryFloatGivesAFrameWhoseWholePartFitsAnInt)
{
    EXPECT_EQ(bounded_frame(12.75f), 12.75f);  // the fraction stays for the tracks
    for (float low : {0.0f, -0.0f, -3.5f, -INFINITY, NAN})
        EXPECT_EQ(bounded_frame(low), 0.0f) << low;
    for (float high : {2147483520.0f, 2147483648.0f, 1e30f, INFINITY})
        EXPECT_EQ(int(bounded_frame(high)), 2147483520) << high;
}

TEST(SplineTrack, EveryKindAndEndReturnsEachKeyExactlyAtItsFrame)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-1000, 1000), param(-1, 1), easing(0, 1);
    std::uniform_int_distribution<int> gap(1, 40), count(1, 12), start(0, 50);
    for (int round = 0; round < 300; ++round) {
        const int n = count(random);
        const int flags = round % 4;
        const int width = round % 2 ? 3 : 1;
        std::vector<int> frames(n);
        frames[0] = start(random);
        for (int i = 1; i < n; ++i)
            frames[i] = frames[i - 1] + gap(random);
        std::vector<float> values(n * width);
        for (float& v : values)
            v = value(random);
        TestTrack t(flags, frames, values);
        for (Key& k : t.keys) {
            k.tension = param(random);
            k.continuity = param(random);
            k.bias = param(random);
            k.easeTo = easing(random);
            k.easeFrom = easing(random);
        }
        t.prepare(width);
        const bool cyclic = flags >= 2;
        for (int k = 0; k < n; ++k) {
            // On a cyclic track the last key's frame is the start of the next cycle.
            const int expected = cyclic && k == n - 1 && n > 1 ? 0 : k;
            const float f = float(frames[k]);
            if (width == 1) {
                EXPECT_EQ(at(t, f), values[expected]) << round << " key " << k;
            } else {
                const Vec3 v = at3(t, f);
                EXPECT_EQ(v.x, values[3 * expected]) << round << " key " << k;
                EXPECT_EQ(v.y, values[3 * expected + 1]);
                EXPECT_EQ(v.z, values[3 * expected + 2]);
            }
        }
        // Between the keys the curve stays finite.
        for (float f = float(frames[0]) - 3; f < float(frames[n - 1]) * 2 + 10; f += 0.7f)
            EXPECT_TRUE(std::isfinite(width == 1 ? at(t, f) : at3(t, f).y));
    }
}

TEST(Ease, NormalisesHeavyWeightsAndKeepsItsEnds)
{
    EXPECT_EQ(ease(0.37f, 0, 0), 0.37f);
    for (float t : {0.1f, 0.3f, 0.5f, 0.8f, 0.95f})
        EXPECT_EQ(ease(t, 0.6f, 0.6f), ease(t, 0.5f, 0.5f)) << t;
    // Weights summing to exactly 1 are left alone: quadratic in, quadratic out, no middle.
    EXPECT_FLOAT_EQ(ease(0.25f, 0.5f, 0.5f), 0.125f);
    EXPECT_FLOAT_EQ(ease(0.75f, 0.5f, 0.5f), 0.875f);
    // Ease-from only: a slow start, then the straight part.
    EXPECT_FLOAT_EQ(ease(0.2f, 0.4f, 0), 0.2f * 0.2f / (1.6f * 0.4f));
    EXPECT_FLOAT_EQ(ease(0.7f, 0.4f, 0), (2 * 0.7f - 0.4f) / 1.6f);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> w(0, 1.5f);
    for (int i = 0; i < 200; ++i) {
        const float a = w(random), b = w(random);
        EXPECT_EQ(ease(0, a, b), 0.0f);
        EXPECT_NEAR(ease(1, a, b), 1.0f, 1e-6f);
        float previous = 0;
        for (float t = 0.05f; t < 1; t += 0.05f) {
            const float e = ease(t, a, b);
            EXPECT_GE(e, previous - 1e-6f);
            previous = e;
        }
    }
}
