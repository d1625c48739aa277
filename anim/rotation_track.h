#pragma once
// Quaternion rotation tracks: relative angle/axis keys chained into absolute orientations with
// control quaternions, evaluated with spin, and the node matrix of a rotation, position and scale.

#include "math/matrix.h"
#include "math/quaternion.h"
#include "math/vector.h"
#include "scene/scene.h"

// Builds the absolute orientations from the stored angle/axis keys, then the control
// quaternions. Called once after loading, before the keys' spans are set.
void prepare_rotation_track(RotationTrack& track);
// A track without keys (or a null track) leaves `out` as it was: callers keep their own value.
// Reads the track only and allocates nothing.
void eval_rotation_track(const RotationTrack* track, float frame, Quaternion& out);
void compose_matrix(const Quaternion& q, const Vec3& position, const Vec3& scale, Matrix4& out);
