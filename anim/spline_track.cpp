#include "anim/spline_track.h"

#include <cmath>
#include <cstdint>

namespace {

// The largest float below 2^31: frames beyond it are taken as it, so that the integer frame
// always exists.
constexpr float MAX_FRAME = 2147483520.0f;

bool cyclic(int flags)
{
    const int ends = flags & 3;
    return ends == 2 || ends == 3;
}

// The parameters of the inner-key rule at key b between a and c; the frames wrap where the cycle
// closes. A zero interval (keys sharing one frame) gives zero tangents instead of a division by
// zero.
struct InnerWeights {
    float kIn, kOut;
    float inRatio;   // (fb - fa) / (fc - fa)
    float outRatio;  // (fc - fb) / (fc - fa)
    bool degenerate;
};

InnerWeights inner_weights(const Track& track, int a, int b, int c)
{
    const Key* keys = track.keys;
    const float last = float(keys[track.keyCount - 1].frame);
    const float fa = float(keys[a].frame);
    float fb = float(keys[b].frame);
    float fc = float(keys[c].frame);
    if (fa > fb) {
        fb += last;
        fc += last;
    } else if (fb > fc) {
        fc += last;
    }
    const Key& k = keys[b];
    const float common = (1.0f - k.continuity) * (1.0f - k.tension);
    InnerWeights w;
    w.kIn = common * (1.0f + k.bias);
    w.kOut = common * (1.0f - k.bias);
    w.degenerate = (fc - fa) == 0.0f;
    w.inRatio = w.degenerate ? 0.0f : (fb - fa) / (fc - fa);
    w.outRatio = w.degenerate ? 0.0f : (fc - fb) / (fc - fa);
    return w;
}

// The three-component rule weights the out tangent with the outgoing interval, the
// one-component rule with the incoming one: the stored scalar tracks were made that way.
template <int N>
void inner_key(Track& track, int a, int b, int c)
{
    const InnerWeights w = inner_weights(track, a, b, c);
    const float outRatio = N == 3 ? w.outRatio : w.inRatio;
    const float* p = track.values;
    for (int i = 0; i < N; ++i) {
        const float d1 = p[N * b + i] - p[N * a + i];
        const float d2 = p[N * c + i] - p[N * b + i];
        track.tangentIn[N * b + i] = (w.kIn * d1 + w.kIn * d2) * w.inRatio;
        track.tangentOut[N * b + i] = (w.kOut * d1 + w.kOut * d2) * outRatio;
    }
}

// L of the open end rules; three keys on one frame count as evenly spaced.
float end_term(int64_t near, int64_t middle, int64_t far)
{
    const int64_t whole = 2 * (far - near);
    if (whole == 0)
        return 0.0f;
    return 0.25f - float(middle - near) / float(whole);
}

// The open ends: out tangent of key 0 from keys 0, 1, 2 and in tangent of the last key from the
// last three. The one-component form takes L at half weight.
template <int N>
void open_ends(Track& track)
{
    const Key* keys = track.keys;
    const float* p = track.values;
    const int n = track.keyCount - 1;
    const float l0 = end_term(keys[0].frame, keys[1].frame, keys[2].frame);
    const float ln = end_term(keys[n].frame, keys[n - 1].frame, keys[n - 2].frame);
    const float t0 = 1.0f - keys[0].tension;
    const float tn = 1.0f - keys[n].tension;
    for (int i = 0; i < N; ++i) {
        const float d1 = p[N + i] - p[i];
        const float d2 = p[2 * N + i] - p[i];
        const float e1 = p[N * n + i] - p[N * (n - 1) + i];
        const float e2 = p[N * n + i] - p[N * (n - 2) + i];
        if (N == 3) {
            track.tangentOut[i] = t0 * (1.5f * (d1 - 0.5f * d2) + l0 * d2 + 0.5f * d2);
            track.tangentIn[N * n + i] = tn * (1.5f * (e1 - 0.5f * e2) + ln * e2 + 0.5f * e2);
        } else {
            track.tangentOut[i] = t0 * ((l0 + 1.0f) * 0.5f * d2 + 1.5f * (d1 - 0.5f * d2));
            track.tangentIn[N * n + i] = tn * ((ln + 1.0f) * 0.5f * e2 + 1.5f * (e1 - 0.5f * e2));
        }
    }
}

template <int N>
void prepare(Track& track)
{
    const int count = track.keyCount;
    if (count <= 1 || !track.keys || !track.values || !track.tangentIn || !track.tangentOut)
        return;
    const float* p = track.values;
    if (count == 2) {
        const float t0 = 1.0f - track.keys[0].tension;
        const float t1 = 1.0f - track.keys[1].tension;
        for (int i = 0; i < N; ++i) {
            const float d = p[N + i] - p[i];
            track.tangentOut[i] = t0 * d;
            track.tangentIn[N + i] = t1 * d;
        }
        return;
    }
    for (int b = 1; b < count - 1; ++b)
        inner_key<N>(track, b - 1, b, b + 1);
    if (cyclic(track.flags)) {
        // The last key is the same point of the cycle as key 0.
        inner_key<N>(track, count - 2, 0, 1);
        inner_key<N>(track, count - 2, count - 1, 1);
    } else {
        open_ends<N>(track);
    }
}

template <int N>
void evaluate(const Track* track, float frame, float* out)
{
    if (!track || track->keyCount <= 0)
        return;
    TrackSegment seg;
    const float* p = track->values;
    if (!find_track_segment(track->keys, track->keyCount, track->flags, frame, seg)) {
        for (int i = 0; i < N; ++i)
            out[i] = p[N * seg.start + i];
        return;
    }
    const float u = seg.u, u2 = u * u, u3 = u2 * u;
    const float h1 = 2.0f * u3 - 3.0f * u2 + 1.0f;
    const float h2 = 3.0f * u2 - 2.0f * u3;
    const float h3 = u3 - 2.0f * u2 + u;
    const float h4 = u3 - u2;
    const int s = N * seg.start, e = N * seg.end;
    for (int i = 0; i < N; ++i)
        out[i] = h1 * p[s + i] + h2 * p[e + i] + h3 * track->tangentOut[s + i] +
                 h4 * track->tangentIn[e + i];
}

}  // namespace

void prepare_track(Track& track) { prepare<3>(track); }

void prepare_scalar_track(Track& track) { prepare<1>(track); }

void eval_track(const Track* track, float frame, Vec3& out)
{
    if (!track || track->keyCount <= 0)
        return;
    float v[3];
    evaluate<3>(track, frame, v);
    out = {v[0], v[1], v[2]};
}

void eval_scalar_track(const Track* track, float frame, float& out) { evaluate<1>(track, frame, &out); }

float bounded_frame(float frame)
{
    const float x = frame > 0.0f ? frame : 0.0f;
    return x > MAX_FRAME ? MAX_FRAME : x;
}

// Beyond the last key a repeat or loop track wraps its integer frame into the cycle and keeps the
// fraction. A cycle of length zero (last key on the first key's frame) has no period: it holds
// the last key's value.
bool find_track_segment(const Key* keys, int keyCount, int flags, float frame,
                        TrackSegment& segment)
{
    segment = {0, 0, 0.0f};
    if (keyCount == 1)
        return false;
    float x = bounded_frame(frame);
    int g = int(x);
    const int first = keys[0].frame;
    const int last = keys[keyCount - 1].frame;
    if (g < first)
        return false;
    if (g >= last) {
        const int64_t period = int64_t(last) - first;
        if (!cyclic(flags) || period == 0) {
            segment.start = keyCount - 1;
            return false;
        }
        const int64_t wrapped = first + (int64_t(g) - first) % period;
        x = float(wrapped) + (x - std::trunc(x));
        if (x > MAX_FRAME)
            x = MAX_FRAME;
        g = int(x);
    }
    int i = 0;
    while (i < keyCount && keys[i].frame <= g)
        ++i;
    const int s = i > 0 ? i - 1 : 0;
    int e = i;
    if (e >= keyCount) {
        // Only a wrapped frame rounded up to the last key lands here.
        e = (flags & 3) == 3 ? 0 : keyCount - 1;
        if (e == s)
            x = float(g);
    }
    const int span = keys[s].span;
    float u = span != 0 ? (x - float(keys[s].frame)) / float(span) : 0.0f;
    // Keys in frame order keep u within the segment anyway; keys out of order (a broken file)
    // must not extrapolate the curve without bound.
    u = u < 0.0f ? 0.0f : (u > 1.0f ? 1.0f : u);
    segment = {s, e, ease(u, keys[s].easeFrom, keys[e].easeTo)};
    return true;
}

// Remaps the segment parameter for ease-from at its start and ease-to at its end: quadratic
// acceleration, a straight middle, quadratic deceleration. A zero ease weight stands in the
// division as k x 10^7, which the branch it belongs to never reaches for t in 0..1.
float ease(float t, float easeFrom, float easeTo)
{
    float a = easeFrom, b = easeTo;
    const float s = a + b;
    if (s == 0.0f)
        return t;
    if (s > 1.0f) {
        a /= s;
        b /= s;
    }
    const float k = 1.0f / (2.0f - a - b);
    if (t < a)
        return (a != 0.0f ? k / a : k * 1e7f) * t * t;
    if (t < 1.0f - b)
        return k * (2.0f * t - a);
    const float r = 1.0f - t;
    return 1.0f - (b != 0.0f ? k / b : k * 1e7f) * r * r;
}
