#include "anim/scene_update.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/alloc_block.h"
#include "tests/support/test_scenes.h"

using namespace test_scenes;

namespace {

void expect_point(const Matrix4& m, const float in[3], float x, float y, float z)
{
    float out[3];
    matrix_transform_point3(m, in, out);
    EXPECT_NEAR(out[0], x, 1e-4f);
    EXPECT_NEAR(out[1], y, 1e-4f);
    EXPECT_NEAR(out[2], z, 1e-4f);
}

int* hide_frames(std::initializer_list<int> frames)
{
    int* values = alloc_array<int>(uint32_t(frames.size()));
    int i = 0;
    for (int frame : frames)
        values[i++] = frame;
    return values;
}

void step(Scene& scene, float frame)
{
    scene.total = frame;
    update_scene(scene);
    update_world(scene);
}

}  // namespace

TEST(HideKeys, TenAndTwentyHideTheMeshBetweenThemInAnyOrder)
{
    Mesh* mesh = make_mesh(0, 0);
    mesh->hideCount = 2;
    mesh->hideFrames = hide_frames({20, 10});
    EXPECT_EQ(eval_hide_keys(*mesh, -3.0f), 1);
    EXPECT_EQ(eval_hide_keys(*mesh, 0.0f), 1);
    EXPECT_EQ(eval_hide_keys(*mesh, 9.8f), 1);
    EXPECT_EQ(eval_hide_keys(*mesh, 10.0f), 0);
    EXPECT_EQ(eval_hide_keys(*mesh, 19.8f), 0);
    EXPECT_EQ(eval_hide_keys(*mesh, 20.0f), 1);
    EXPECT_EQ(eval_hide_keys(*mesh, 1e30f), 1);
    EXPECT_EQ(eval_hide_keys(*mesh, std::nanf("")), 1);
    Mesh* none = make_mesh(0, 0);
    EXPECT_EQ(eval_hide_keys(*none, 50.0f), 1);
}

TEST(MeshStep, HiddenFlagWinsOverHideKeysYetChildrenStillFollowTheHiddenMesh)
{
    Scene* scene = make_scene();
    Mesh* mesh = make_mesh(0, 0);
    mesh->hideCount = 2;  // keys that would show the mesh again from 20 on
    mesh->hideFrames = hide_frames({10, 20});
    mesh->positionTrack = make_track({{0, 0, 0, 0}, {30, 3, 0, 0}});
    SceneNode* node = push_node(*scene, NODE_MESH, mesh, 0);
    node->flags1 = int16_t(NODE_HIDDEN_FLAG);
    Mesh* child = make_mesh(0, 0);
    child->positionTrack = make_track({{0, 0, 5, 0}});
    SceneNode* childNode = push_node(*scene, NODE_MESH, child, 1, 0);
    const float origin[3] = {0, 0, 0};
    for (float frame : {0.0f, 15.0f, 30.0f}) {
        step(*scene, frame);
        EXPECT_EQ(mesh->visible, 0) << frame;
        EXPECT_EQ(child->visible, 1);
        expect_point(childNode->world, origin, frame / 10.0f, 5, 0);
    }
    node->flags1 = 0;
    step(*scene, 25.0f);
    EXPECT_EQ(mesh->visible, 1);
}

TEST(MeshStep, WithoutKeysTheObjectMatrixIsTheLocalOtherwiseMissingTracksAreNeutral)
{
    Scene* scene = make_scene();
    Mesh* still = make_mesh(0, 0);
    still->matrix = matrix_translation(4, 5, 6);
    still->matrix(0, 0) = 2.0f;
    SceneNode* stillNode = push_node(*scene, NODE_MESH, still, 0);
    Mesh* moved = make_mesh(0, 0);
    moved->matrix = matrix_translation(4, 5, 6);
    moved->positionTrack = make_track({{0, 1, 0, 0}});
    SceneNode* movedNode = push_node(*scene, NODE_MESH, moved, 1);

    step(*scene, 3.0f);
    const float p[3] = {1, 1, 1};
    expect_point(stillNode->world, p, 6, 6, 7);
    expect_point(movedNode->world, p, 2, 1, 1);  // no rotation, scale 1, the object matrix unused
}

TEST(World, ChildMovesWithItsParentDummyWithItsPivotSubtracted)
{
    Scene* scene = make_scene();
    DummyObject* dummy = alloc_record<DummyObject>();
    dummy->kind = KIND_DUMMY;
    dummy->positionTrack = make_track({{0, 0, 0, 0}, {10, 5, 0, 0}});
    push_node(*scene, NODE_DUMMY, dummy, 0);
    Mesh* child = make_mesh(0, 0);
    child->pivot[0] = 1;
    child->pivot[1] = 2;
    child->pivot[2] = 3;
    child->positionTrack = make_track({{0, 10, 0, 0}});
    SceneNode* childNode = push_node(*scene, NODE_MESH, child, 1, 0);

    const float p[3] = {1, 2, 3};  // the pivot itself lands on the child's position
    step(*scene, 0.0f);
    expect_point(childNode->world, p, 10, 0, 0);
    step(*scene, 10.0f);
    expect_point(childNode->world, p, 15, 0, 0);
    step(*scene, 40.0f);
    expect_point(childNode->world, p, 15, 0, 0);
}

TEST(World, AParentNumberNamingNoNodeEndsTheChain)
{
    Scene* scene = make_scene();
    Mesh* mesh = make_mesh(0, 0);
    mesh->positionTrack = make_track({{0, 1, 0, 0}});
    SceneNode* node = push_node(*scene, NODE_MESH, mesh, 3, 77);
    step(*scene, 0.0f);
    const float origin[3] = {0, 0, 0};
    expect_point(node->world, origin, 1, 0, 0);
}

TEST(World, ParentLoopsEndAfterAsManyStepsAsThereAreNodes)
{
    Scene* scene = make_scene();
    DummyObject* a = alloc_record<DummyObject>();
    a->positionTrack = make_track({{0, 1, 0, 0}});
    DummyObject* b = alloc_record<DummyObject>();
    b->positionTrack = make_track({{0, 0, 1, 0}});
    SceneNode* nodeA = push_node(*scene, NODE_DUMMY, a, 1, 2);
    push_node(*scene, NODE_DUMMY, b, 2, 1);
    Mesh* self = make_mesh(0, 0);
    self->positionTrack = make_track({{0, 0, 0, 1}});
    SceneNode* selfNode = push_node(*scene, NODE_MESH, self, 3, 3);

    step(*scene, 0.0f);  // must come back
    const float origin[3] = {0, 0, 0};
    // Three nodes: its own local, then three ancestors b, a, b.
    expect_point(nodeA->world, origin, 2, 2, 0);
    expect_point(selfNode->world, origin, 0, 0, 4);
}

TEST(World, EmptyTracksHoldTheLoadedValuesAndAreMovedIntoTheWorldOnce)
{
    Scene* scene = make_scene();
    DummyObject* dummy = alloc_record<DummyObject>();
    dummy->positionTrack = make_track({{0, 5, 0, 0}});
    push_node(*scene, NODE_DUMMY, dummy, 0);
    const float position[3] = {1, 2, 3}, target[3] = {1, 2, 13};
    Camera* camera = make_camera(position, target, 45.0f);
    camera->roll = 10.0f;
    scene->camera = push_node(*scene, NODE_CAMERA, camera, 1, 0);
    push_node(*scene, NODE_CAMERA_TARGET, camera, 2);
    const float colour[3] = {0.5f, 0.25f, 1.0f};
    Light* light = make_light(position, colour);
    push_node(*scene, NODE_OMNI, light, 3, 0);

    for (float frame : {0.0f, 1.0f, 2.0f}) {
        step(*scene, frame);
        EXPECT_FLOAT_EQ(camera->position[0], 6.0f);
        EXPECT_FLOAT_EQ(camera->target[0], 1.0f);  // the target node has no parent
        EXPECT_FLOAT_EQ(camera->target[2], 13.0f);
        EXPECT_FLOAT_EQ(camera->fov, 45.0f);
        EXPECT_FLOAT_EQ(camera->roll, 10.0f);
        EXPECT_FLOAT_EQ(light->position[0], 6.0f);
        EXPECT_FLOAT_EQ(light->colour[1], 0.25f);
    }
}

TEST(World, KeyedCameraAndLightFollowTheirTracks)
{
    Scene* scene = make_scene();
    const float zero[3] = {0, 0, 0};
    Camera* camera = make_camera(zero, zero);
    camera->positionTrack = make_track({{0, 0, 0, -10}, {10, 0, 0, -20}});
    camera->targetTrack = make_track({{0, 0, 0, 0}});
    camera->fovTrack = make_scalar_track({{0, 30.0f}, {10, 60.0f}});
    camera->rollTrack = make_scalar_track({{0, 5.0f}});
    scene->camera = push_node(*scene, NODE_CAMERA, camera, 0);
    push_node(*scene, NODE_CAMERA_TARGET, camera, 1);
    step(*scene, 10.0f);
    EXPECT_FLOAT_EQ(camera->position[2], -20.0f);
    EXPECT_FLOAT_EQ(camera->fov, 60.0f);
    EXPECT_FLOAT_EQ(camera->roll, 5.0f);
    EXPECT_NEAR(camera->direction[2], 1.0f, 1e-6f);
}

TEST(CameraView, StraightDownZStillGetsAValidFrame)
{
    SceneNode node{};
    const float position[3] = {0, 0, 10}, target[3] = {0, 0, 0};
    Camera* camera = make_camera(position, target);
    node.data = camera;
    camera_view_matrix(node);
    for (float value : node.local.m)
        EXPECT_TRUE(std::isfinite(value));
    EXPECT_NEAR(camera->direction[2], -1.0f, 1e-6f);
    const float origin[3] = {0, 0, 0};
    expect_point(node.local, origin, 0, 0, 10);  // ten units ahead
    const float eye[3] = {0, 0, 10};
    expect_point(node.local, eye, 0, 0, 0);
}

TEST(CameraView, SideUpForwardAndRoll)
{
    SceneNode node{};
    const float position[3] = {0, 0, 0}, target[3] = {0, 10, 0};
    Camera* camera = make_camera(position, target);
    node.data = camera;
    camera_view_matrix(node);
    // Looking along +y: forward is y, the side vector (f.y, -f.x, 0) is +x, up is f x s = -z.
    const float ahead[3] = {0, 5, 0}, side[3] = {1, 0, 0}, up[3] = {0, 0, -1};
    expect_point(node.local, ahead, 0, 0, 5);
    expect_point(node.local, side, 1, 0, 0);
    expect_point(node.local, up, 0, 1, 0);

    camera->roll = 90.0f;
    camera_view_matrix(node);
    // Rolled by 90 degrees the side axis turns into the up axis.
    expect_point(node.local, side, 0, -1, 0);
    expect_point(node.local, up, 1, 0, 0);
}

TEST(Ambient, BlackWithoutKeysWhateverTheFileSaid)
{
    Scene* scene = make_scene();
    scene->ambient[0] = scene->ambient[1] = scene->ambient[2] = 0.7f;
    update_scene(*scene);
    EXPECT_EQ(scene->ambient[0], 0.0f);
    EXPECT_EQ(scene->ambient[2], 0.0f);
    scene->ambientTrack = make_track({{0, 0.1f, 0.2f, 0.3f}});
    update_scene(*scene);
    EXPECT_FLOAT_EQ(scene->ambient[1], 0.2f);
}

TEST(World, FindNodeTakesTheFirstInListOrder)
{
    Scene* scene = make_scene();
    SceneNode* older = push_node(*scene, NODE_DUMMY, nullptr, 5);
    SceneNode* newer = push_node(*scene, NODE_DUMMY, nullptr, 5);
    EXPECT_EQ(find_node(*scene, 5), newer);
    EXPECT_NE(find_node(*scene, 5), older);
    EXPECT_EQ(find_node(*scene, 6), nullptr);
}

TEST(MeshStep, MorphKeysMoveEveryVertexAndRecomputeTheNormals)
{
    Scene* scene = make_scene();
    Mesh* mesh = make_square(0, 0, 1, 1, nullptr);
    mesh->morphTrack.keyCount = 1;
    mesh->morphTrack.vertexTrackCount = 4;
    mesh->morphTrack.vertexTracks = alloc_array<Track>(4);
    // The square tilts into the x-z plane between frames 0 and 10.
    const float target[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        const float* p = mesh->vertices[i].position;
        mesh->morphTrack.vertexTracks[i] =
            make_track({{0, p[0], p[1], p[2]}, {10, target[i][0], target[i][1], target[i][2]}});
    }
    push_node(*scene, NODE_MESH, mesh, 0);
    scene->total = 10.0f;
    update_scene(*scene);
    EXPECT_FLOAT_EQ(mesh->vertices[2].position[2], 1.0f);
    EXPECT_FLOAT_EQ(mesh->vertices[2].position[1], 0.0f);
    // (c - a) x (b - a) of the face (0, 1, 2): (1, 0, 1) x (1, 0, 0) = (0, 1, 0).
    EXPECT_NEAR(mesh->faces[0].normal[1], 1.0f, 1e-6f);
    EXPECT_NEAR(mesh->faces[0].normal[2], 0.0f, 1e-6f);
}

TEST(MeshStep, AMeshHiddenByItsHideKeysIsNotMorphedUntilItShowsAgain)
{
    Scene* scene = make_scene();
    Mesh* mesh = make_square(0, 0, 1, 1, nullptr);
    mesh->hideCount = 2;  // hidden from frame 10 to frame 19
    mesh->hideFrames = hide_frames({10, 20});
    mesh->morphTrack.keyCount = 1;
    mesh->morphTrack.vertexTrackCount = 4;
    mesh->morphTrack.vertexTracks = alloc_array<Track>(4);
    // Every vertex rises along z by a tenth of the frame.
    for (int i = 0; i < 4; ++i) {
        const float* p = mesh->vertices[i].position;
        mesh->morphTrack.vertexTracks[i] = make_track({{0, p[0], p[1], 0}, {30, p[0], p[1], 3}});
    }
    push_node(*scene, NODE_MESH, mesh, 0);
    step(*scene, 5.0f);
    EXPECT_FLOAT_EQ(mesh->vertices[2].position[2], 0.5f);

    // Marked, so that a morph while hidden would show.
    mesh->vertices[2].position[2] = -7.0f;
    mesh->faces[0].normal[2] = -7.0f;
    for (float frame : {10.0f, 15.0f, 19.5f}) {
        step(*scene, frame);
        EXPECT_EQ(mesh->visible, 0) << frame;
        EXPECT_EQ(mesh->vertices[2].position[2], -7.0f) << frame;
        EXPECT_EQ(mesh->faces[0].normal[2], -7.0f) << frame;
    }

    step(*scene, 25.0f);
    EXPECT_EQ(mesh->visible, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(mesh->vertices[i].position[2], 2.5f, 1e-5f) << i;
    EXPECT_NEAR(std::fabs(mesh->faces[0].normal[2]), 1.0f, 1e-6f);
}
