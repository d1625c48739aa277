#pragma once
// The description of the picture being made: its size, the projection of the current camera and
// the clip area, with the two per-point tests of the pipeline (clip codes and reciprocal w).

#include "math/matrix.h"

struct Vertex;

struct RenderView {
    int width, height;
    float centreX, centreY;
    float aspect;
    float widthF, heightF;
    float nearZ;
    float farZ;
    Matrix4 projection;
    float clipMinX, clipMaxX, clipMaxY, clipMinY;
    float clipFarW;
};

// Inside bits of a clip code.
enum ClipBits : int {
    CLIP_MIN_X = 0x01,
    CLIP_MAX_X = 0x02,
    CLIP_MAX_Y = 0x04,
    CLIP_MIN_Y = 0x08,
    CLIP_NEAR = 0x10,
    CLIP_FAR = 0x20,
    CLIP_USED = 0x40,         // set on the vertices of every filed face
    CLIP_RECIPROCAL_W = 0x80  // the vertex's reciprocal w was computed this frame
};
constexpr int CLIP_COMPLETE = 0x7F;

RenderView* render_view_create(int width, int height);
void render_view_set_clip(RenderView& view, float x0, float y0, float x1, float y1);
void render_view_set_projection(RenderView& view, float fovDegrees);
// ORs the inside bits of the homogeneous point (x, y, z, w) into code.
void clip_code(const RenderView& view, const float point[4], int& code);
void vertex_reciprocal_w(const RenderView& view, Vertex& vertex);
