#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "render/render_view.h"
#include "scene/scene.h"

namespace {

struct ViewTest : testing::Test {
    RenderView* view = render_view_create(640, 480);
    ~ViewTest() override { std::free(view); }

    int code_of(float x, float y, float z, float w) const
    {
        const float p[4] = {x, y, z, w};
        int code = 0;
        clip_code(*view, p, code);
        return code;
    }
};

constexpr float EPS = 0.00001f;

}  // namespace

TEST_F(ViewTest, CreationSetsTheFieldsAndTheWholeClipArea)
{
    EXPECT_EQ(view->width, 640);
    EXPECT_EQ(view->height, 480);
    EXPECT_EQ(view->centreX, 320.0f);
    EXPECT_EQ(view->centreY, 240.0f);
    EXPECT_EQ(view->aspect, 1.2f);
    EXPECT_EQ(view->nearZ, 10.0f);
    EXPECT_EQ(view->farZ, 5000.0f);
    EXPECT_EQ(view->clipMinX, -1.0f);
    EXPECT_EQ(view->clipMaxX, 1.0f);
    EXPECT_EQ(view->clipMinY, -1.0f);
    EXPECT_EQ(view->clipMaxY, 1.0f);
    EXPECT_EQ(view->clipFarW, 1.0f);
}

TEST_F(ViewTest, ClipAreaInPixelsOrFractions)
{
    render_view_set_clip(*view, 0, 0, 640, 480);
    EXPECT_EQ(view->clipMinX, -1.0f);
    EXPECT_EQ(view->clipMaxX, 1.0f);
    EXPECT_EQ(view->clipMinY, -1.0f);
    EXPECT_EQ(view->clipMaxY, 1.0f);

    render_view_set_clip(*view, 160, 120, 480, 360);  // the middle quarter, in pixels
    EXPECT_EQ(view->clipMinX, -0.5f);
    EXPECT_EQ(view->clipMaxX, 0.5f);
    EXPECT_EQ(view->clipMinY, -0.5f);
    EXPECT_EQ(view->clipMaxY, 0.5f);

    render_view_set_clip(*view, 0.25f, 0.5f, 0.25f, 1.0f);  // fractions; an empty width is fine
    EXPECT_EQ(view->clipMinX, -0.5f);
    EXPECT_EQ(view->clipMaxX, -0.5f);
    EXPECT_EQ(view->clipMinY, 0.0f);
    EXPECT_EQ(view->clipMaxY, 1.0f);
}

TEST_F(ViewTest, InvertedOrNaNClipAreaStops)
{
    EXPECT_EXIT(render_view_set_clip(*view, 0.6f, 0, 0.5f, 1), testing::ExitedWithCode(1),
                "Wrong clip area defined!");
    EXPECT_EXIT(render_view_set_clip(*view, 0, 1, 1, 0.5f), testing::ExitedWithCode(1),
                "Wrong clip area defined!");
    EXPECT_EXIT(render_view_set_clip(*view, 0, std::nanf(""), 1, 1), testing::ExitedWithCode(1),
                "Wrong clip area defined!");
}

TEST_F(ViewTest, ProjectionPutsDepthZeroAtNearAndWAtFar)
{
    render_view_set_projection(*view, 90.0f);
    const float c = 1.0f / std::tan(90.0f * 0.017453292f * 0.5f);
    const Matrix4& p = view->projection;
    EXPECT_FLOAT_EQ(p(0, 0), c);
    EXPECT_FLOAT_EQ(p(1, 1), c * 1.2f);
    EXPECT_EQ(p(2, 3), 1.0f);
    EXPECT_EQ(p(3, 3), 0.0f);
    for (float z : {10.0f, 5000.0f}) {
        const float point[3] = {0, 0, z};
        float out[4];
        matrix_transform_point(p, point, out);
        EXPECT_NEAR(out[2], z == 10.0f ? 0.0f : out[3], 1e-3f);
        EXPECT_EQ(out[3], z);
    }
}

TEST_F(ViewTest, FieldOfViewWithoutFiniteScaleKeepsTheProjection)
{
    render_view_set_projection(*view, 60.0f);
    const Matrix4 before = view->projection;
    render_view_set_projection(*view, 0.0f);
    render_view_set_projection(*view, std::nanf(""));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(view->projection.m[i], before.m[i]);
}

TEST_F(ViewTest, ClipCodeBoundariesCountAsInside)
{
    // Inside by the margin on every side.
    EXPECT_EQ(code_of(0, 0, 1, 2), 0x3F);
    // Exactly on each shifted bound is inside; just beyond it is outside.
    const float w = 1.0f;
    EXPECT_TRUE(code_of(-w + EPS, 0, 0.5f, w) & CLIP_MIN_X);
    EXPECT_FALSE(code_of(-w, 0, 0.5f, w) & CLIP_MIN_X);
    EXPECT_TRUE(code_of(w - EPS, 0, 0.5f, w) & CLIP_MAX_X);
    EXPECT_FALSE(code_of(w, 0, 0.5f, w) & CLIP_MAX_X);
    EXPECT_TRUE(code_of(0, w - EPS, 0.5f, w) & CLIP_MAX_Y);
    EXPECT_FALSE(code_of(0, w, 0.5f, w) & CLIP_MAX_Y);
    EXPECT_TRUE(code_of(0, -w + EPS, 0.5f, w) & CLIP_MIN_Y);
    EXPECT_FALSE(code_of(0, -w, 0.5f, w) & CLIP_MIN_Y);
    EXPECT_TRUE(code_of(0, 0, EPS, w) & CLIP_NEAR);
    EXPECT_FALSE(code_of(0, 0, 0, w) & CLIP_NEAR);
    EXPECT_TRUE(code_of(0, 0, w - EPS, w) & CLIP_FAR);
    EXPECT_FALSE(code_of(0, 0, w, w) & CLIP_FAR);
}

TEST_F(ViewTest, ClipCodeAtTheEyeAndOnlyAddsBits)
{
    // At the eye every bound collapses to 0: the side bits stay, near and far do not.
    const int eye = code_of(0, 0, 0, 0);
    EXPECT_FALSE(eye & CLIP_NEAR);
    EXPECT_FALSE(eye & CLIP_FAR);
    EXPECT_NE(eye & CLIP_COMPLETE, CLIP_COMPLETE);

    const float p[4] = {5, 5, -1, 1};  // beyond the max sides and behind the eye
    int code = CLIP_USED;
    clip_code(*view, p, code);
    EXPECT_EQ(code, CLIP_USED | CLIP_MIN_X | CLIP_MIN_Y | CLIP_FAR);
}

TEST(VertexReciprocalW, ComputedOncePerFrameAndFiniteForZeroW)
{
    RenderView view{};
    Vertex v{};
    v.clipPosition[3] = 4.0f;
    vertex_reciprocal_w(view, v);
    EXPECT_EQ(v.screen[2], 0.25f);
    EXPECT_TRUE(v.outcode & CLIP_RECIPROCAL_W);

    v.clipPosition[3] = 2.0f;
    vertex_reciprocal_w(view, v);
    EXPECT_EQ(v.screen[2], 0.25f);  // already done this frame

    v.outcode &= ~0xFF;  // the next frame clears the low byte
    vertex_reciprocal_w(view, v);
    EXPECT_EQ(v.screen[2], 0.5f);

    for (float w : {0.0f, -0.0f, 1e-45f}) {
        v.outcode = 0;
        v.clipPosition[3] = w;
        vertex_reciprocal_w(view, v);
        EXPECT_EQ(v.screen[2], 0.0f) << w;
    }
}
