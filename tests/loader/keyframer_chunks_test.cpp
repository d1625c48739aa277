#include <gtest/gtest.h>

#include <cmath>

#include "loader/chunk_reader.h"
#include "tests/support/scene_fixture.h"

using namespace scene_test;

namespace {

KeyDesc key3(int frame, float x, float y, float z) { return {.frame = frame, .value = {x, y, z}}; }

// A mesh BOX and an omni LAMP, and the keyframer chunks the callback writes.
ChunkWriter animated(const std::function<void(ChunkWriter&)>& keyframer)
{
    return editor_file(
        [](ChunkWriter& w) {
            w.mesh_object(triangle("BOX"));
            w.omni_object("LAMP", {0, 0, 0}, {1, 1, 1});
        },
        keyframer);
}

}  // namespace

TEST(KeyframerChunks, NodeHeadersSetNumberFlagsAndParent)
{
    ScratchDir dir;
    Scene* scene = build(animated([](ChunkWriter& w) {
        w.frames(0, 100);
        w.begin_node(chunk_id::OMNI_TRACK, 4, "Lamp", 0xFFFF, 0x800, 3);
        w.close();
        w.begin_node(chunk_id::MESH_TRACK, 7, "box", 4);
        w.pivot({1, 2, 3});
        w.close();
    }));
    SceneNode* box = find_node_by_name(*scene, NODE_MESH, "BOX");
    EXPECT_EQ(box->objectNumber, 7);
    EXPECT_EQ(box->parent, 4);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "BOX").pivot[2], 3.0f);
    SceneNode* lamp = find_node_by_name(*scene, NODE_OMNI, "LAMP");
    EXPECT_EQ(lamp->flags1, 0x800);
    EXPECT_EQ(lamp->flags2, 3);
    EXPECT_EQ(lamp->parent, NO_PARENT);
    EXPECT_EQ(scene->startFrame, 0u);
    EXPECT_EQ(scene->endFrame, 100u);
}

TEST(KeyframerChunks, KeyParametersFollowTheSplineFlags)
{
    ScratchDir dir;
    Scene* scene = build(animated([](ChunkWriter& w) {
        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX");
        w.track(chunk_id::POSITION_KEYS,
                {{.frame = 0, .flags = 0x0001, .tension = 0.5f, .value = {1, 2, 3}},
                 {.frame = 10, .flags = 0x0018, .easeTo = 0.25f, .easeFrom = 0.75f,
                  .value = {4, 5, 6}},
                 {.frame = 30, .flags = 0x0046, .continuity = -1, .bias = 1, .value = {7, 8, 9}}},
                3);
        w.close();
    }));
    Track& track = record<Mesh>(*scene, NODE_MESH, "BOX").positionTrack;
    ASSERT_EQ(track.keyCount, 3);
    EXPECT_EQ(track.flags, 3);
    EXPECT_EQ(track.keys[0].tension, 0.5f);
    EXPECT_EQ(track.keys[0].easeTo, 0.0f);
    EXPECT_EQ(track.keys[1].tension, 0.0f);
    EXPECT_EQ(track.keys[1].easeTo, 0.25f);
    EXPECT_EQ(track.keys[1].easeFrom, 0.75f);
    // Bit 6 took a float of its own; the value after it is read in place.
    EXPECT_EQ(track.keys[2].continuity, -1.0f);
    EXPECT_EQ(track.keys[2].bias, 1.0f);
    EXPECT_EQ(track.keys[2].flags, 0x46);
    EXPECT_EQ(track.values[6], 7.0f);
    EXPECT_EQ(track.values[8], 9.0f);
    EXPECT_EQ(track.keys[0].span, 10);
    EXPECT_EQ(track.keys[1].span, 20);
    EXPECT_EQ(track.keys[2].span, 0);
    EXPECT_NE(track.tangentIn, nullptr);
}

TEST(KeyframerChunks, KeyCountsAreCutToTheChunkAndZeroCountsAreEmpty)
{
    ScratchDir dir;
    Scene* scene = build(animated([](ChunkWriter& w) {
        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX");
        w.open(chunk_id::POSITION_KEYS);
        w.u16(0), w.u16(0), w.u16(0), w.u16(0), w.u16(0);
        w.u32(0x7FFFFFFF);  // would ask for gigabytes
        w.u32(0), w.u16(0), w.floats({1, 2, 3});
        w.u32(5), w.u16(1), w.floats({0.5f, 1, 2});  // a key cut short: its value is missing
        w.close();
        w.track(chunk_id::SCALE_KEYS, std::vector<KeyDesc>{});
        w.open(chunk_id::HIDE_KEYS);
        w.u16(0), w.u16(0), w.u16(0), w.u16(0), w.u16(0);
        w.u32(1000000);
        w.u32(10), w.u16(0);
        w.u32(20), w.u16(0);
        w.close();
        w.close();
    }));
    Mesh& box = record<Mesh>(*scene, NODE_MESH, "BOX");
    EXPECT_EQ(box.positionTrack.keyCount, 1);
    EXPECT_EQ(box.positionTrack.values[2], 3.0f);
    EXPECT_EQ(box.positionTrack.keys[0].span, 0);
    EXPECT_EQ(box.scaleTrack.keyCount, 0);
    EXPECT_EQ(box.scaleTrack.keys, nullptr);
    ASSERT_EQ(box.hideCount, 2);
    EXPECT_EQ(box.hideFrames[0], 10);
    EXPECT_EQ(box.hideFrames[1], 20);
}

TEST(KeyframerChunks, RotationKeysAreHandedOnAsRead)
{
    ScratchDir dir;
    const float quarter = static_cast<float>(M_PI / 2);
    Scene* scene = build(animated([&](ChunkWriter& w) {
        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX");
        w.track(chunk_id::ROTATION_KEYS,
                {{.frame = 0, .value = {quarter, 0, 0, 1}}, {.frame = 10, .value = {quarter, 0, 0, 1}}});
        w.close();
    }));
    RotationTrack& track = record<Mesh>(*scene, NODE_MESH, "BOX").rotationTrack;
    ASSERT_EQ(track.keyCount, 2);
    EXPECT_EQ(track.angleAxis[1][0], quarter);
    EXPECT_EQ(track.angleAxis[1][3], 1.0f);
    EXPECT_EQ(track.keys[0].span, 10);
    // Each key turns from the one before: a quarter turn twice is a half turn about z.
    EXPECT_NEAR(std::abs(track.orientation[1].w), 0.0f, 1e-6f);
    EXPECT_NEAR(std::abs(track.orientation[1].z), 1.0f, 1e-6f);
    EXPECT_NE(track.controlA, nullptr);
    EXPECT_NE(track.controlB, nullptr);
}

TEST(KeyframerChunks, AmbientBlockTakesOnlyColourKeys)
{
    ScratchDir dir;
    Scene* scene = build(animated([](ChunkWriter& w) {
        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX");
        w.close();
        w.begin_node(chunk_id::AMBIENT_TRACK, 0, "$AMBIENT$");
        w.track(chunk_id::POSITION_KEYS, {key3(0, 9, 9, 9)});
        w.track(chunk_id::COLOR_KEYS, {key3(0, 0.1f, 0.2f, 0.3f), key3(5, 1, 1, 1)});
        w.pivot({9, 9, 9});
        w.close();
    }));
    EXPECT_EQ(scene->ambientTrack.keyCount, 2);
    EXPECT_EQ(scene->ambientTrack.values[1], 0.2f);
    Mesh& box = record<Mesh>(*scene, NODE_MESH, "BOX");
    EXPECT_EQ(box.positionTrack.keyCount, 0);
    EXPECT_EQ(box.pivot[0], 0.0f);
}

TEST(KeyframerChunks, LightAndCameraBlocksFillTheirRecords)
{
    ScratchDir dir;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) {
            w.omni_object("LAMP", {0, 0, 0}, {1, 1, 1});
            w.begin_object("SPOT");
            w.begin_light({0, 0, 0}, {1, 1, 1});
            w.spotlight({0, 0, 1}, 20, 30);
            w.close();
            w.close();
            w.camera_object("CAM", {0, 0, -5}, {0, 0, 0});
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::OMNI_TRACK, 0, "LAMP");
            w.track(chunk_id::COLOR_KEYS, {key3(0, 0.5f, 0.25f, 0), key3(8, 0, 0.75f, 1)});
            w.close();
            w.begin_node(chunk_id::SPOT_POSITION_TRACK, 1, "SPOT");
            w.track(chunk_id::POSITION_KEYS, {key3(0, 1, 1, 1)});
            w.close();
            w.begin_node(chunk_id::SPOT_TARGET_TRACK, 2, "SPOT");
            w.track(chunk_id::POSITION_KEYS, {key3(0, 2, 2, 2), key3(1, 2, 2, 2)});
            w.track(chunk_id::COLOR_KEYS, {key3(0, 1, 0, 0)});
            w.close();
            w.begin_node(chunk_id::CAMERA_TRACK, 3, "CAM");
            w.track(chunk_id::FOV_KEYS, {{.frame = 0, .value = {60}}, {.frame = 4, .value = {30}}});
            w.track(chunk_id::ROLL_KEYS, {{.frame = 0, .value = {10}}});
            w.track(chunk_id::ROTATION_KEYS, {{.frame = 0, .value = {1, 0, 0, 1}}});
            w.close();
            w.begin_node(chunk_id::CAMERA_TARGET_TRACK, 4, "CAM");
            w.track(chunk_id::POSITION_KEYS, {key3(0, 3, 3, 3)});
            w.close();
        }));
    Light& lamp = record<Light>(*scene, NODE_OMNI, "LAMP");
    ASSERT_EQ(lamp.colourTrack.keyCount, 2);
    EXPECT_EQ(lamp.colourTrack.keys[1].frame, 8);
    EXPECT_EQ(lamp.colourTrack.values[1], 0.25f);
    EXPECT_EQ(lamp.colourTrack.values[4], 0.75f);
    EXPECT_EQ(lamp.positionTrack.keyCount, 0);
    SpotLight& spot = record<SpotLight>(*scene, NODE_SPOTLIGHT, "SPOT");
    EXPECT_EQ(spot.positionTrack.keyCount, 1);
    EXPECT_EQ(spot.targetTrack.keyCount, 2);
    EXPECT_EQ(spot.colourTrack.keyCount, 1);
    EXPECT_EQ(find_node_by_name(*scene, NODE_SPOT_TARGET, "SPOT")->objectNumber, 2);
    Camera& cam = record<Camera>(*scene, NODE_CAMERA, "CAM");
    ASSERT_EQ(cam.fovTrack.keyCount, 2);
    EXPECT_EQ(cam.fovTrack.values[1], 30.0f);
    EXPECT_EQ(cam.fovTrack.keys[0].span, 4);
    EXPECT_EQ(cam.rollTrack.keyCount, 1);
    EXPECT_EQ(cam.targetTrack.keyCount, 1);
    EXPECT_EQ(cam.targetTrack.values[0], 3.0f);
    EXPECT_EQ(cam.positionTrack.keyCount, 0);
}

TEST(KeyframerChunks, DummiesAreNamedNodesWithTracksAndParents)
{
    ScratchDir dir;
    Scene* scene = build(animated([](ChunkWriter& w) {
        w.begin_node(chunk_id::MESH_TRACK, 0, "$$$DUMMY");
        w.dummy_name("Group");
        w.pivot({1, 1, 1});
        w.track(chunk_id::POSITION_KEYS, {key3(0, 5, 0, 0)});
        w.track(chunk_id::SCALE_KEYS, {key3(0, 2, 2, 2)});
        w.close();
        w.begin_node(chunk_id::MESH_TRACK, 1, "BOX", 0);
        w.close();
        w.begin_node(chunk_id::MESH_TRACK, 2, "$$$DUMMY", 1);  // never named
        w.close();
    }));
    SceneNode* group = find_node_by_name(*scene, NODE_DUMMY, "GROUP");
    DummyObject& dummy = *static_cast<DummyObject*>(group->data);
    EXPECT_EQ(dummy.kind, KIND_DUMMY);
    EXPECT_STREQ(dummy.instanceName, "GROUP");
    EXPECT_EQ(dummy.pivot[0], 1.0f);
    EXPECT_EQ(dummy.positionTrack.keyCount, 1);
    EXPECT_EQ(dummy.scaleTrack.keyCount, 1);
    EXPECT_EQ(group->objectNumber, 0);
    EXPECT_EQ(find_node_by_name(*scene, NODE_MESH, "BOX")->parent, 0);
    SceneNode* unnamed = find_node_by_name(*scene, NODE_DUMMY, "");
    EXPECT_EQ(unnamed->parent, 1);
    EXPECT_EQ(unnamed->objectNumber, 2);
}

TEST(KeyframerChunks, TracksOutsideTheirKindOfNodeAreSkipped)
{
    ScratchDir dir;
    Scene* scene = build(animated([](ChunkWriter& w) {
        // Keys before any header, keys for kinds that have no such track, and a mesh's keys
        // while a light's block is open.
        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX");
        w.close();
        w.open(chunk_id::MESH_TRACK);
        w.track(chunk_id::POSITION_KEYS, {key3(0, 9, 9, 9)});
        w.close();
        w.begin_node(chunk_id::OMNI_TRACK, 1, "LAMP");
        w.track(chunk_id::ROTATION_KEYS, {{.frame = 0, .value = {1, 0, 0, 1}}});
        w.track(chunk_id::MORPH_KEYS, {{.frame = 0, .morphTarget = "BOX"}});
        w.hide_track(std::vector<int32_t>{1});
        w.pivot({9, 9, 9});
        w.close();
        w.track(chunk_id::POSITION_KEYS, {key3(0, 9, 9, 9)});  // outside any block
    }));
    Mesh& box = record<Mesh>(*scene, NODE_MESH, "BOX");
    EXPECT_EQ(box.positionTrack.keyCount, 0);
    EXPECT_EQ(box.morphTrack.keyCount, 0);
    EXPECT_EQ(box.hideCount, 0);
    EXPECT_EQ(record<Light>(*scene, NODE_OMNI, "LAMP").positionTrack.keyCount, 0);
}

TEST(KeyframerChunks, ABlockNamingAnUnknownObjectIsNoSuchNode)
{
    ScratchDir dir;
    // A camera block cannot find a mesh of the same name.
    ChunkWriter w = animated([](ChunkWriter& w) {
        w.begin_node(chunk_id::CAMERA_TRACK, 0, "BOX");
        w.close();
    });
    EXPECT_EQ(fatal_message([&] { build(w); }), "No such node!");
    EXPECT_EXIT(build(w), testing::ExitedWithCode(1), "No such node!");
}

TEST(KeyframerChunks, MorphKeysHoldTheTargetShapesInTheTargetsObjectSpace)
{
    ScratchDir dir;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) {
            w.mesh_object(triangle("BASE"));
            MeshDesc target = triangle("TARGET");
            target.vertices = {{10, 0, 0}, {12, 0, 0}, {10, 4, 0}, {99, 99, 99}};
            target.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, 0};  // origin at x = 10
            w.mesh_object(target);
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 0, "BASE");
            w.track(chunk_id::MORPH_KEYS,
                    {{.frame = 0, .morphTarget = "base"}, {.frame = 8, .morphTarget = "target"}});
            w.close();
        }));
    MorphTrack& morph = record<Mesh>(*scene, NODE_MESH, "BASE").morphTrack;
    ASSERT_EQ(morph.keyCount, 2);
    EXPECT_STREQ(morph.targetNames[1], "TARGET");
    ASSERT_EQ(morph.vertexTrackCount, 3);
    const Track& second = morph.vertexTracks[1];
    EXPECT_EQ(second.keys, morph.keys);
    EXPECT_EQ(second.keyCount, 2);
    EXPECT_EQ(second.values[0], 1.0f);  // the base's own vertex 1
    EXPECT_EQ(second.values[3], 2.0f);  // (12, 0, 0) in the target's object space
    EXPECT_EQ(morph.vertexTracks[2].values[4], 4.0f);
    EXPECT_EQ(morph.keys[0].span, 8);
}

TEST(KeyframerChunks, AMorphTargetWithFewerVerticesStopsTheLoad)
{
    ScratchDir dir;
    ChunkWriter w = editor_file(
        [](ChunkWriter& w) {
            MeshDesc base = triangle("BASE");
            base.vertices.push_back({1, 1, 1});
            w.mesh_object(base);
            w.mesh_object(triangle("SMALL"));
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 0, "BASE");
            w.track(chunk_id::MORPH_KEYS, {{.frame = 0, .morphTarget = "SMALL"}});
            w.close();
        });
    EXPECT_EQ(fatal_message([&] { build(w); }), "Morph target has fewer vertices than its mesh!");
    ChunkWriter missing = editor_file(
        [](ChunkWriter& w) { w.mesh_object(triangle("BASE")); },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 0, "BASE");
            w.track(chunk_id::MORPH_KEYS, {{.frame = 0, .morphTarget = "GONE"}});
            w.close();
        });
    EXPECT_EQ(fatal_message([&] { build(missing); }), "No such node!");
}

TEST(KeyframerChunks, AMorphTrackBeyondItsBoundStopsTheLoad)
{
    ScratchDir dir;
    // 65535 vertices times 65 keys: over four million vertex keys.
    ChunkWriter w = editor_file(
        [](ChunkWriter& w) {
            MeshDesc big{.name = "BIG", .vertices = std::vector<V3>(65535, V3{0, 0, 0})};
            w.mesh_object(big);
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 0, "BIG");
            w.track(chunk_id::MORPH_KEYS, std::vector<KeyDesc>(65, KeyDesc{.morphTarget = "BIG"}));
            w.close();
        });
    EXPECT_EQ(fatal_message([&] { build(w); }), "Morph track too large!");
}

TEST(KeyframerChunks, TheMorphTracksOfALoadShareOneBound)
{
    ScratchDir dir;
    // Three meshes of 65535 vertices, each with a morph chunk claiming 22 keys: each track is
    // under the bound, the three together are over it. The chunks hold one key whose target name
    // runs to the chunk's end, so what is read (and allocated) stays small while the claimed
    // count still fits the chunk.
    const uint32_t claimed = 22;
    const std::string target(claimed * 7 - 6, 'X');  // the rest of a chunk of 22 short keys
    const std::vector<std::string> names = {target, "SECOND", "THIRD"};
    ChunkWriter w = editor_file(
        [&](ChunkWriter& w) {
            for (const std::string& name : names)
                w.mesh_object({.name = name, .vertices = std::vector<V3>(65535, V3{0, 0, 0})});
        },
        [&](ChunkWriter& w) {
            for (size_t i = 0; i < names.size(); ++i) {
                w.begin_node(chunk_id::MESH_TRACK, static_cast<uint16_t>(i), names[i]);
                w.open(chunk_id::MORPH_KEYS);
                w.u16(0);
                w.raw(std::vector<uint8_t>(8, 0));
                w.u32(claimed);
                w.u32(0);  // frame
                w.u16(0);  // no spline parameters
                w.raw(std::vector<uint8_t>(target.begin(), target.end()));  // unterminated
                w.close();
                w.close();
            }
        });
    EXPECT_EQ(fatal_message([&] { build(w); }), "Morph track too large!");
}

TEST(KeyframerChunks, ASecondMorphChunkForTheSameMeshIsIgnored)
{
    ScratchDir dir;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) {
            w.mesh_object(triangle("BASE"));
            w.mesh_object(triangle("TARGET"));
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 0, "BASE");
            w.track(chunk_id::MORPH_KEYS, {{.frame = 0, .morphTarget = "BASE"}});
            w.track(chunk_id::MORPH_KEYS,
                    {{.frame = 0, .morphTarget = "BASE"}, {.frame = 8, .morphTarget = "TARGET"}});
            w.close();
        }));
    MorphTrack& morph = record<Mesh>(*scene, NODE_MESH, "BASE").morphTrack;
    EXPECT_EQ(morph.keyCount, 1);
    EXPECT_STREQ(morph.targetNames[0], "BASE");
    EXPECT_EQ(morph.vertexTracks[0].keyCount, 1);
}
