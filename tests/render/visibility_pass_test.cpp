#include "render/visibility_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "anim/scene_update.h"
#include "core/alloc_block.h"
#include "render/face_drawers.h"
#include "render/render_view.h"
#include "render/renderer.h"
#include "tests/support/test_scenes.h"

using namespace test_scenes;

namespace {

std::vector<const Face*> drawnFaces;
int flushes = 0;
void record_face(Face* face) { drawnFaces.push_back(face); }
void count_flush() { ++flushes; }

// A camera 50 units in front of the origin looking along +z, and nothing else yet.
Scene* viewed_scene()
{
    Scene* scene = make_scene();
    const float position[3] = {0, 0, -50}, target[3] = {0, 0, 0};
    scene->camera = push_node(*scene, NODE_CAMERA, make_camera(position, target, 60.0f), 900);
    push_node(*scene, NODE_CAMERA_TARGET, scene->camera->data, 901);
    scene->drawCallback = count_flush;
    return scene;
}

Mesh* placed_square(Scene& scene, float x, float z, Material* material, uint16_t number)
{
    Mesh* mesh = make_square(-10, -10, 10, 10, material);
    mesh->matrix = matrix_translation(x, 0, z);
    for (int i = 0; i < mesh->faceCount; ++i)
        mesh->faces[i].drawer = record_face;
    push_node(scene, NODE_MESH, mesh, number);
    return mesh;
}

void frame(Scene& scene)
{
    drawnFaces.clear();
    flushes = 0;
    update_scene(scene);
    update_world(scene);
    render_scene(scene);
}

Light* omni(Scene& scene, const float objPos[3], float colour)
{
    const float rgb[3] = {colour, colour, colour};
    Light* light = make_light(objPos, rgb);
    std::copy(objPos, objPos + 3, light->objPos);
    push_node(scene, NODE_OMNI, light, uint16_t(100 + scene.omniCount));
    collect_omni_lights(scene);
    return light;
}

Vertex vertex_facing(float nz)
{
    Vertex v{};
    v.normal[2] = nz;
    v.worldNormal[2] = nz;
    return v;
}

}  // namespace

TEST(VisibilityPass, BoxesBehindOrBesideTheViewAreSkippedForTheFrame)
{
    Scene* scene = viewed_scene();
    Mesh* ahead = placed_square(*scene, 0, 0, nullptr, 1);
    Mesh* behind = placed_square(*scene, 0, -200, nullptr, 2);
    Mesh* beside = placed_square(*scene, 500, 0, nullptr, 3);
    frame(*scene);
    EXPECT_EQ(ahead->visible, 1);
    EXPECT_EQ(behind->visible, 0);
    EXPECT_EQ(beside->visible, 0);
    EXPECT_EQ(drawnFaces.size(), 2u);
    EXPECT_EQ(behind->vertices[0].outcode, 0);  // never touched
    EXPECT_EQ(scene->drawBuckets, nullptr);

    // The next frame's update makes them candidates again.
    update_scene(*scene);
    EXPECT_EQ(behind->visible, 1);
}

TEST(VisibilityPass, UsedVerticesGetCodesLightAndReciprocalW)
{
    Scene* scene = viewed_scene();
    Mesh* mesh = placed_square(*scene, 0, 0, nullptr, 1);
    const float normal[3] = {0.6f, 0.0f, -0.8f};
    std::copy(normal, normal + 3, mesh->vertices[0].normal);
    frame(*scene);
    const Vertex& v = mesh->vertices[0];
    // The environment coordinates come from the normal as the camera sees it (a camera looking
    // straight along z turns the picture by 45 degrees), not from the object's own normal.
    EXPECT_NEAR(v.worldNormal[0], 0.6f * std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(v.worldNormal[1], 0.6f * std::sqrt(0.5f), 1e-6f);
    EXPECT_FLOAT_EQ(v.envU, (v.worldNormal[0] + 1.0f) * 0.5f);
    EXPECT_FLOAT_EQ(v.envV, (v.worldNormal[1] + 1.0f) * 0.5f);
    EXPECT_EQ(v.outcode & 0xFF, 0xFF);  // inside, used, reciprocal w computed
    EXPECT_NEAR(v.viewPosition[2], 50.0f, 1e-3f);
    EXPECT_NEAR(v.screen[2], 1.0f / v.clipPosition[3], 1e-6f);
    EXPECT_GE(v.light[0], 0.02f);
    EXPECT_EQ(mesh->faces[0].potentiallyVisible, 1);
    EXPECT_FLOAT_EQ(mesh->faces[0].faceColour[1],
                    (mesh->vertices[0].light[1] + mesh->vertices[1].light[1] +
                     mesh->vertices[2].light[1]) *
                        0.3333333f);
}

TEST(VisibilityPass, AFaceIsFiledWhenAnyCornerIsInsideAnyBoundary)
{
    Scene* scene = viewed_scene();
    Mesh* mesh = make_mesh(6, 2);
    const float corners[6][3] = {
        {1e5f, 1e5f, 6000},    // up and right, beyond the far plane
        {-1e3f, -1e3f, 100},   // down and left
        {0, 0, -100},          // behind the camera
        {200, -5, 0}, {210, -5, 0}, {200, 5, 0},  // wholly right of the view
    };
    for (int i = 0; i < 6; ++i)
        std::copy(corners[i], corners[i] + 3, mesh->vertices[i].position);
    set_face(*mesh, 0, 0, 1, 2, nullptr);  // no boundary has all three corners inside
    set_face(*mesh, 1, 3, 4, 5, nullptr);  // no corner inside the right boundary
    for (int i = 0; i < 2; ++i)
        mesh->faces[i].drawer = record_face;
    set_box(*mesh);
    mesh->matrix = matrix_identity();
    push_node(*scene, NODE_MESH, mesh, 1);
    frame(*scene);
    EXPECT_EQ(mesh->faces[0].potentiallyVisible, 1);
    EXPECT_EQ(mesh->faces[1].potentiallyVisible, 1);
    EXPECT_EQ(drawnFaces.size(), 2u);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(mesh->vertices[i].outcode & CLIP_USED) << "vertex " << i;
}

TEST(VisibilityPass, DrawOrderIsPassThenNewestBucketThenNewestFace)
{
    Scene* scene = viewed_scene();
    Material* red = add_material(*scene, "RED");
    Material* blue = add_material(*scene, "BLUE");
    Material* glass = add_material(*scene, "GLASS");
    glass->blendTable = glass;
    Mesh* first = placed_square(*scene, 0, 0, red, 1);
    Mesh* second = placed_square(*scene, 0, 10, red, 2);  // nearer the head: filed first
    Mesh* see = placed_square(*scene, 0, 20, glass, 3);
    Mesh* bare = placed_square(*scene, 0, 30, nullptr, 4);
    Mesh* other = placed_square(*scene, 0, 40, blue, 5);
    frame(*scene);
    // Meshes are filed from the head: other, bare, see, second, first.
    const std::vector<const Face*> expected{
        &bare->faces[1],   &bare->faces[0],                     // pass 0
        &first->faces[1],  &first->faces[0],  &second->faces[1], // pass 1, bucket RED (newer)
        &second->faces[0], &other->faces[1],  &other->faces[0],  // then BLUE
        &see->faces[1],    &see->faces[0]};                      // pass 3
    EXPECT_EQ(drawnFaces, expected);
    EXPECT_EQ(flushes, 4);
}

TEST(Lighting, OmniLightsOnOffAndFading)
{
    Scene* scene = viewed_scene();
    scene->ambient[0] = 0.2f;
    const float above[3] = {0, 0, -10};
    Light* light = omni(*scene, above, 0.5f);
    Vertex v = vertex_facing(1.0f);  // faces away from the light: the largest term

    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[0], 0.6f);
    EXPECT_FLOAT_EQ(v.light[1], 0.5f);
    light->multiplier = 0.5f;
    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[1], 0.25f);
    light->multiplier = 1.0f;

    light->on = 0;
    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[0], 0.1f);
    EXPECT_FLOAT_EQ(v.light[1], 0.02f);  // not the headlight: the scene has omni lights

    light->on = 1;
    light->fading = 1;
    light->rangeStart = 5;
    light->rangeEnd = 15;
    light_vertex(*scene, v);  // at 10: half way through the fade
    EXPECT_FLOAT_EQ(v.light[1], 0.25f);
    light->rangeEnd = 10;  // at the end of the range: nothing
    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[1], 0.02f);
    light->rangeStart = 10;
    light->rangeEnd = 20;  // at the start: the full term
    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[1], 0.5f);

    Vertex facing = vertex_facing(-1.0f);  // towards the light: the term is 0
    light_vertex(*scene, facing);
    EXPECT_FLOAT_EQ(facing.light[1], 0.02f);
}

TEST(Lighting, AVertexAtTheLightGetsAColourNotNaN)
{
    Scene* scene = viewed_scene();
    const float origin[3] = {0, 0, 0};
    omni(*scene, origin, 0.5f);
    Vertex v = vertex_facing(1.0f);
    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[0], 0.25f);

    // A NaN normal (a broken file) ends at the floor, never as garbage.
    const float aside[3] = {0, 0, -10};
    omni(*scene, aside, 0.5f);
    v.normal[2] = std::nanf("");
    light_vertex(*scene, v);
    EXPECT_FLOAT_EQ(v.light[0], 0.02f);
}

TEST(Lighting, WithoutOmniLightsTheHeadlightFollowsTheCameraDirection)
{
    Scene* scene = viewed_scene();
    update_world(*scene);  // the camera's direction: +z
    Vertex along = vertex_facing(1.0f), against = vertex_facing(-1.0f);
    Vertex across{};
    across.worldNormal[0] = 1.0f;
    scene->ambient[2] = 0.4f;
    light_vertex(*scene, along);
    light_vertex(*scene, against);
    light_vertex(*scene, across);
    EXPECT_FLOAT_EQ(along.light[0], 0.98f);
    EXPECT_FLOAT_EQ(against.light[0], 0.02f);
    EXPECT_FLOAT_EQ(across.light[0], 0.5f);
    EXPECT_FLOAT_EQ(across.light[2], 0.7f);
}

TEST(VisibilityPass, AWholeFrameThroughTheRecordingDevice)
{
    RecordingDevice device;
    Scene* scene = viewed_scene();
    Material* red = add_material(*scene, "RED");
    Mesh* mesh = make_square(-10, -10, 10, 10, red);
    push_node(*scene, NODE_MESH, mesh, 1);
    prepare_scene_for_device(*scene);
    device.library.clear();
    update_scene(*scene);
    update_world(*scene);
    upload_projection(*scene);
    render_scene(*scene);
    ASSERT_EQ(device.library.draws.size(), 1u);
    const auto& draw = device.library.draws[0];
    EXPECT_EQ(draw.vertices.size(), 4u);
    EXPECT_EQ(draw.indices.size(), 6u);
    EXPECT_NEAR(draw.vertices[0].z, 50.0f, 1e-3f);  // camera space reaches the device
    EXPECT_EQ(scene->drawBuckets, nullptr);
}

TEST(Lighting, FaceColourNeedsAScene)
{
    Mesh* mesh = make_square(0, 0, 1, 1, nullptr);
    mesh->vertices[0].light[0] = 0.3f;
    face_colour(nullptr, mesh->faces[0]);
    EXPECT_EQ(mesh->faces[0].faceColour[0], 0.0f);
}

TEST(VisibilityPass, SingularMatricesAndNaNReachTheDeviceAsPlainColours)
{
    RecordingDevice device;
    Scene* scene = viewed_scene();
    const float front[3] = {0, 0, -10}, white[3] = {1, 1, 1};
    Light* light = make_light(front, white);
    push_node(*scene, NODE_OMNI, light, 50);
    collect_omni_lights(*scene);
    Material* paint = add_material(*scene, "PAINT");
    Mesh* flat = make_square(-10, -10, 10, 10, paint);
    flat->vertices[0].position[0] = flat->vertices[0].position[1] = 0.0f;
    flat->scaleTrack = make_track({{0, 1, 1, 0}});  // flattened: a singular world matrix
    push_node(*scene, NODE_MESH, flat, 1);
    Mesh* broken = make_square(-5, -5, 5, 5, paint);
    broken->vertices[2].normal[0] = std::nanf("");
    push_node(*scene, NODE_MESH, broken, 2);  // filed before flat: flat sets objPos last
    prepare_scene_for_device(*scene);
    update_scene(*scene);
    update_world(*scene);
    render_scene(*scene);

    // The singular matrix cannot be inverted and is used as it is: the light lands on the
    // flattened plane, on vertex 0, rather than at a NaN that would darken nothing.
    EXPECT_EQ(light->objPos[0], 0.0f);
    EXPECT_EQ(light->objPos[1], 0.0f);
    EXPECT_EQ(light->objPos[2], 0.0f);
    // On the plane every direction to the light lies across the normal: the half term.
    for (int i = 0; i < flat->vertexCount; ++i)
        for (float c : flat->vertices[i].light)
            EXPECT_EQ(c, 0.5f) << "vertex " << i;
    // The light 10 units in front of the unflattened square, and a NaN normal at the floor.
    const float facing = -10.0f / std::sqrt(150.0f);
    for (int i = 0; i < broken->vertexCount; ++i)
        for (float c : broken->vertices[i].light)
            EXPECT_FLOAT_EQ(c, i == 2 ? 0.02f : 0.5f - 0.5f * facing) << "vertex " << i;

    ASSERT_EQ(device.library.draws.size(), 1u);
    std::vector<uint32_t> colours;
    for (const D3DLVERTEX& v : device.library.draws[0].vertices)
        colours.push_back(v.color);
    std::sort(colours.begin(), colours.end());
    EXPECT_EQ(colours, (std::vector<uint32_t>{0x050505, 0x808080, 0x808080, 0x808080, 0x808080,
                                              0xE8E8E8, 0xE8E8E8, 0xE8E8E8}));
}
