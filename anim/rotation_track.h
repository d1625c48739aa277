#pragma once
// Quaternion rotation tracks: relative angle/axis keys chained into absolute orientations with
// control quaternions, evaluated with spin, and the node matrix of a rotation, position and scale.

#include "anim/quaternion.h"
#include "render/matrix.h"
#include "scene/scene.h"

void prepare_rotation_track(RotationTrack& track);
void eval_rotation_track(const RotationTrack* track, float frame, Quaternion& out);
void compose_matrix(const Quaternion& q, const Vec3& position, const Vec3& scale, Matrix4& out);
