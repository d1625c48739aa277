#include "render/render_view.h"

#include <cmath>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "scene/scene.h"

RenderView* render_view_create(int width, int height)
{
    RenderView* view = alloc_record<RenderView>();
    view->width = width;
    view->height = height;
    view->centreX = float(width) * 0.5f;
    view->centreY = float(height) * 0.5f;
    view->aspect = 1.2f;
    view->widthF = float(width);
    view->heightF = float(height);
    view->nearZ = 10.0f;
    view->farZ = 5000.0f;
    render_view_set_clip(*view, 0.0f, 0.0f, 1.0f, 1.0f);
    return view;
}

// Values above 1 mean pixels, otherwise fractions of the view. An inverted area stops the
// program; so does one with a NaN bound, which no comparison would otherwise catch.
void render_view_set_clip(RenderView& view, float x0, float y0, float x1, float y1)
{
    if (!(x0 <= x1) || !(y0 <= y1))
        fatal_error("Wrong clip area defined!");
    if (x0 > 1.0f || y0 > 1.0f || x1 > 1.0f || y1 > 1.0f) {
        x0 /= view.widthF;
        x1 /= view.widthF;
        y0 /= view.heightF;
        y1 /= view.heightF;
    }
    view.clipMinX = 2.0f * x0 - 1.0f;
    view.clipMaxX = 2.0f * x1 - 1.0f;
    view.clipMaxY = 2.0f * y1 - 1.0f;
    view.clipMinY = 2.0f * y0 - 1.0f;
    view.clipFarW = 1.0f;
}

// Depth runs from 0 at the near plane to w at the far plane. A field of view whose scale is not
// a finite number (0 degrees, NaN from a broken file) keeps the previous projection instead of
// filling it with infinities.
void render_view_set_projection(RenderView& view, float fovDegrees)
{
    const float t = fovDegrees * 0.017453292f * 0.5f;
    const float c = float(1.0 / std::tan(double(t)));
    if (!std::isfinite(c))
        return;
    const float q = view.farZ / (view.farZ - view.nearZ);
    Matrix4& p = view.projection;
    p = Matrix4{};
    p(0, 0) = c;
    p(1, 1) = c * view.aspect;
    p(2, 2) = q;
    p(2, 3) = 1.0f;
    p(3, 2) = -q * view.nearZ;
}

// Each bound is shifted inwards by the margin; a point exactly on the shifted bound is inside.
void clip_code(const RenderView& view, const float point[4], int& code)
{
    constexpr float margin = 0.00001f;
    const float x = point[0], y = point[1], z = point[2], w = point[3];
    int inside = 0;
    if (!(view.clipMinX * w > x - margin))
        inside |= CLIP_MIN_X;
    if (view.clipMaxX * w >= x + margin)
        inside |= CLIP_MAX_X;
    if (view.clipMaxY * w >= y + margin)
        inside |= CLIP_MAX_Y;
    if (!(view.clipMinY * w > y - margin))
        inside |= CLIP_MIN_Y;
    if (z - margin >= 0.0f)
        inside |= CLIP_NEAR;
    if (view.clipFarW * w >= z + margin)
        inside |= CLIP_FAR;
    code |= inside;
}

// Only complete vertices come here, so w is well away from 0; should one slip through, a w whose
// reciprocal is not finite gives 0 rather than an infinity.
void vertex_reciprocal_w(const RenderView&, Vertex& vertex)
{
    if (vertex.outcode & CLIP_RECIPROCAL_W)
        return;
    const float r = 1.0f / vertex.clipPosition[3];
    vertex.screen[2] = std::isfinite(r) ? r : 0.0f;
    vertex.outcode |= CLIP_RECIPROCAL_W;
}
