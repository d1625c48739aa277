#pragma once
// Tension/continuity/bias Hermite spline tracks: tangents prepared once after loading, evaluation
// at a fractional scene frame every frame.
//
// A track without keys (or a null track) leaves `out` as it was: callers keep their own value.
// Evaluation reads the track only and allocates nothing.

#include "math/vector.h"
#include "scene/scene.h"

void prepare_track(Track& track);         // three components a key
void prepare_scalar_track(Track& track);  // one component a key
void eval_track(const Track* track, float frame, Vec3& out);
void eval_scalar_track(const Track* track, float frame, float& out);
float ease(float t, float easeFrom, float easeTo);

// A scene frame as the tracks and hide keys read it: a negative or NaN frame counts as frame 0
// (the scene clock starts there), and frames beyond 2147483520, the largest float below 2^31, as
// that one, so that int(bounded_frame(frame)) is always a whole frame that exists.
float bounded_frame(float frame);

// Where a frame falls on a track's keys, shared by the spline and the rotation tracks.
struct TrackSegment {
    int start, end;  // key indices
    float u;         // eased parameter from start (0) to end (1)
};

// Finds the segment of the keys (keyCount >= 1) for the frame, with the end behaviour of the
// flags (low two bits: 2 repeat, 3 loop). Returns false when the value is that of key `start`
// alone: one key, before the first key, past the end of a single-pass track.
bool find_track_segment(const Key* keys, int keyCount, int flags, float frame,
                        TrackSegment& segment);
