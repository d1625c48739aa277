// Cost of evaluating one spline track (three components and one) and one rotation track of 100
// keys at frames spread over the whole track, as the scene update does for every node each frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "anim/rotation_track.h"
#include "anim/spline_track.h"

namespace {

constexpr int KEYS = 100;
constexpr int GAP = 7;  // frames between keys

struct Keys {
    std::vector<Key> keys{KEYS};
    Keys()
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> param(-0.5f, 0.5f), easing(0, 0.5f);
        for (int i = 0; i < KEYS; ++i) {
            keys[i].frame = i * GAP;
            keys[i].tension = param(random);
            keys[i].continuity = param(random);
            keys[i].bias = param(random);
            keys[i].easeTo = easing(random);
            keys[i].easeFrom = easing(random);
        }
    }
    void set_spans()
    {
        for (int i = 0; i < KEYS; ++i)
            keys[i].span = i + 1 < KEYS ? keys[i + 1].frame - keys[i].frame : 0;
    }
};

struct SplineFixture : Keys {
    std::vector<float> values, in, out;
    Track track{};
    explicit SplineFixture(int width)
        : values(KEYS * width), in(KEYS * width), out(KEYS * width)
    {
        std::mt19937 random(2);
        std::uniform_real_distribution<float> value(-100, 100);
        for (float& v : values)
            v = value(random);
        track = {3, KEYS, keys.data(), values.data(), in.data(), out.data()};
        if (width == 3)
            prepare_track(track);
        else
            prepare_scalar_track(track);
        set_spans();
    }
};

struct RotationFixture : Keys {
    std::vector<float> angleAxis = std::vector<float>(KEYS * 4);
    std::vector<Quaternion> orientation{KEYS}, a{KEYS}, b{KEYS};
    RotationTrack track{};
    RotationFixture()
    {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> angle(-1, 1);
        for (int i = 0; i < KEYS; ++i) {
            angleAxis[4 * i] = angle(random);
            angleAxis[4 * i + 1 + i % 3] = 1.0f;
        }
        track = {3, KEYS, keys.data(), orientation.data(),
                 reinterpret_cast<float(*)[4]>(angleAxis.data()), a.data(), b.data()};
        prepare_rotation_track(track);
        set_spans();
    }
};

// Frames walk the track in steps of 0.2 (one tick) and wrap past its end.
float next_frame(float& frame)
{
    frame += 0.2f;
    if (frame > KEYS * GAP + 50)
        frame = 0;
    return frame;
}

void BM_eval_track(benchmark::State& state)
{
    SplineFixture fixture(3);
    float frame = 0;
    Vec3 out{};
    for (auto _ : state) {
        eval_track(&fixture.track, next_frame(frame), out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_eval_track);

void BM_eval_scalar_track(benchmark::State& state)
{
    SplineFixture fixture(1);
    float frame = 0;
    float out = 0;
    for (auto _ : state) {
        eval_scalar_track(&fixture.track, next_frame(frame), out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_eval_scalar_track);

void BM_eval_rotation_track(benchmark::State& state)
{
    RotationFixture fixture;
    float frame = 0;
    Quaternion out{};
    for (auto _ : state) {
        eval_rotation_track(&fixture.track, next_frame(frame), out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_eval_rotation_track);

}  // namespace

BENCHMARK_MAIN();
