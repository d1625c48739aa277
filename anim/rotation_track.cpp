#include "anim/rotation_track.h"

#include <cmath>
#include <cstdint>

#include "anim/spline_track.h"

namespace {

// A neighbour further than this (2 pi less about 10^-5) in stored angle turns by a full circle or
// more: its difference is taken as a quarter turn about its axis, since the quaternions alone no
// longer tell how far it went.
constexpr double FULL_TURN = 6.283175482025399;
constexpr float INV_TWO_PI = 0.15915494f;

float key_angle(const RotationTrack& track, int k) { return track.angleAxis[k][0]; }

Quaternion axis_of(const RotationTrack& track, int k)
{
    return {0.0f, track.angleAxis[k][1], track.angleAxis[k][2], track.angleAxis[k][3]};
}

// Control quaternions of key k from its neighbours p and n (-1 where there is none).
void control_pair(RotationTrack& track, int k, int p, int n)
{
    const Quaternion* q = track.orientation;
    Quaternion dIn{}, dOut{};
    if (p >= 0) {
        if (std::fabs(key_angle(track, k) - key_angle(track, p)) > FULL_TURN) {
            dIn = quat_log_axis(axis_of(track, k));
        } else {
            Quaternion prev = q[p];
            if (quat_dot(prev, q[k]) < 0.0f)
                quat_conj_unit(prev);
            dIn = quat_ln_dif(prev, q[k]);
        }
    }
    if (n >= 0) {
        if (std::fabs(key_angle(track, n) - key_angle(track, k)) > FULL_TURN) {
            dOut = quat_log_axis(axis_of(track, n));
        } else {
            Quaternion next = q[n];
            if (quat_dot(next, q[k]) < 0.0f)
                quat_conj_unit(next);
            dOut = quat_ln_dif(q[k], next);
        }
    }
    if (p < 0)
        dIn = dOut;
    if (n < 0)
        dOut = dIn;

    const Key& key = track.keys[k];
    float fp = 1.0f, fn = 1.0f;
    if (p >= 0 && n >= 0) {
        // Neighbours on one frame give no interval to compare: such a key counts as an end.
        const int64_t fk = key.frame, fpv = track.keys[p].frame, fnv = track.keys[n].frame;
        const float dt = 0.5f * float(fnv - fpv);
        if (dt != 0.0f) {
            fp = float(fk - fpv) / dt;
            fn = float(fnv - fk) / dt;
            const float c = std::fabs(key.continuity);
            fp = c + fp - c * fp;
            fn = c + fn - c * fn;
        }
    }

    const float tm = 0.5f * (1.0f - key.tension);
    const float cm = 1.0f - key.continuity;
    const float cp = 2.0f - cm;
    const float bm = 1.0f - key.bias;
    const float bp = 2.0f - bm;
    const float tmcm = tm * cm;
    const float tmcp = tm * cp;
    const float ksm = 1.0f - tmcm * bp * fp;
    const float ksp = -tmcp * bm * fp;
    const float kdm = tmcp * bp * fn;
    const float kdp = tmcm * bm * fn - 1.0f;

    const Quaternion qa = quat_weighted_sum(0.5f * kdp, dOut, 0.5f * kdm, dIn);
    const Quaternion qb = quat_weighted_sum(0.5f * ksp, dOut, 0.5f * ksm, dIn);
    track.controlA[k] = quat_mul(q[k], quat_exp(qa));
    track.controlB[k] = quat_mul(q[k], quat_exp(qb));
}

}  // namespace

// Each stored key turns relative to the key before it, applied on the right. The end keys are
// always treated as open, also on repeat and loop tracks.
void prepare_rotation_track(RotationTrack& track)
{
    const int count = track.keyCount;
    if (count <= 0 || !track.keys || !track.angleAxis || !track.orientation)
        return;
    for (int j = 0; j < count; ++j) {
        const double half = double(track.angleAxis[j][0]) * 0.5;
        const float s = float(std::sin(half));
        const Quaternion r = {float(std::cos(half)), s * track.angleAxis[j][1],
                              s * track.angleAxis[j][2], s * track.angleAxis[j][3]};
        track.orientation[j] = j == 0 ? r : quat_mul(track.orientation[j - 1], r);
    }
    if (count < 2 || !track.controlA || !track.controlB)
        return;
    for (int b = 1; b < count - 1; ++b)
        control_pair(track, b, b - 1, b + 1);
    control_pair(track, 0, -1, 1);
    control_pair(track, count - 1, count - 2, -1);
}

// Squad between the keys, with whole extra turns where the stored angles of the segment differ by
// a full circle or more.
void eval_rotation_track(const RotationTrack* track, float frame, Quaternion& out)
{
    if (!track || track->keyCount <= 0)
        return;
    TrackSegment seg;
    if (!find_track_segment(track->keys, track->keyCount, track->flags, frame, seg)) {
        out = track->orientation[seg.start];
        return;
    }
    const int s = seg.start, e = seg.end;
    const float difference = key_angle(*track, e) - key_angle(*track, s);
    const float turns = difference * INV_TWO_PI;
    const float spin = difference > 0.0f ? std::floor(turns) : std::ceil(turns);
    const float u = seg.u;
    const Quaternion p = quat_slerp(track->orientation[s], track->orientation[e], u, spin);
    const Quaternion q = quat_slerp(track->controlB[s], track->controlA[e], u, spin);
    out = quat_slerp(p, q, 2.0f * u * (1.0f - u), 0.0f);
}

// Scale, then the rotation of q (its transpose in the row-vector convention), then the move.
void compose_matrix(const Quaternion& q, const Vec3& position, const Vec3& scale, Matrix4& out)
{
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    out = matrix_identity();
    out(0, 0) = (1.0f - 2.0f * y * y - 2.0f * z * z) * scale.x;
    out(0, 1) = (2.0f * x * y - 2.0f * w * z) * scale.x;
    out(0, 2) = (2.0f * x * z + 2.0f * w * y) * scale.x;
    out(1, 0) = (2.0f * x * y + 2.0f * w * z) * scale.y;
    out(1, 1) = (1.0f - 2.0f * x * x - 2.0f * z * z) * scale.y;
    out(1, 2) = (2.0f * y * z - 2.0f * w * x) * scale.y;
    out(2, 0) = (2.0f * x * z - 2.0f * w * y) * scale.z;
    out(2, 1) = (2.0f * y * z + 2.0f * w * x) * scale.z;
    out(2, 2) = (1.0f - 2.0f * x * x - 2.0f * y * y) * scale.z;
    out(3, 0) = position.x;
    out(3, 1) = position.y;
    out(3, 2) = position.z;
}
