#pragma once
// Tension/continuity/bias Hermite spline tracks: tangents prepared once after loading, evaluation
// at a fractional scene frame every frame.

#include "anim/quaternion.h"
#include "scene/scene.h"

void prepare_track(Track& track);         // three components a key
void prepare_scalar_track(Track& track);  // one component a key
void eval_track(const Track* track, float frame, Vec3& out);
void eval_scalar_track(const Track* track, float frame, float& out);
float ease(float t, float easeFrom, float easeTo);
