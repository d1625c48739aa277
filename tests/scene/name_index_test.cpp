// The lookups of a load by name: the same nodes and materials a walk of the lists finds, and a
// load whose every record is named stays linear.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/joined.h"
#include "tests/support/scene_fixture.h"

using namespace scene_test;
using testing_support::joined;

namespace {

// The nodes of the type, oldest first.
std::vector<SceneNode*> nodes_made(const Scene& scene, int type)
{
    std::vector<SceneNode*> nodes;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        if (node->type == type)
            nodes.insert(nodes.begin(), node);
    return nodes;
}

}  // namespace

TEST(NameLookups, RenamedNodesAreFoundAsTheListOrderFindsThem)
{
    ScratchDir dir;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) {
            w.mesh_object(triangle("A"));  // first
            w.mesh_object(triangle("A"));  // second: the newer A
            w.mesh_object(triangle("B"));  // third
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 0, "A", 5);  // the second
            w.dummy_name("C");
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 1, "A", 6);  // now the first
            w.dummy_name("B");  // older than the third, which stays the B found
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 2, "B", 7);
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 3, "C", 8);
            w.close();
        }));
    std::vector<SceneNode*> meshes = nodes_made(*scene, NODE_MESH);
    ASSERT_EQ(meshes.size(), 3u);
    EXPECT_EQ(meshes[0]->parent, 6);
    EXPECT_EQ(meshes[1]->parent, 8);
    EXPECT_EQ(meshes[2]->parent, 7);
}

TEST(NameLookups, AnOmniLightTurnedSpotlightIsFoundAsASpotlight)
{
    ScratchDir dir;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) {
            w.omni_object("S", {0, 0, 0}, {1, 1, 1});
            w.begin_object("S");
            w.begin_light({1, 2, 3}, {1, 1, 1});
            w.spotlight({4, 5, 6}, 30, 45);
            w.close();
            w.close();
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::OMNI_TRACK, 0, "S", 3);
            w.close();
            w.begin_node(chunk_id::SPOT_POSITION_TRACK, 1, "S", 4);
            w.close();
        }));
    std::vector<SceneNode*> omnis = nodes_made(*scene, NODE_OMNI);
    std::vector<SceneNode*> spots = nodes_made(*scene, NODE_SPOTLIGHT);
    ASSERT_EQ(omnis.size(), 1u);
    ASSERT_EQ(spots.size(), 1u);
    EXPECT_EQ(omnis[0]->parent, 3);
    EXPECT_EQ(spots[0]->parent, 4);
}

TEST(NameLookups, ALoadOfManyNamedNodesStaysLinear)
{
    ScratchDir dir;
    // Each header names a camera and each face list a material, oldest first: walking the lists
    // for each made loads quadratic, minutes for files of a few megabytes. The lookups count the
    // records they step over; the time it takes is measured in bench/load.cpp.
    constexpr int count = 6000;
    constexpr int materials = 2000;
    ChunkWriter w = editor_file(
        [](ChunkWriter& w) {
            MeshDesc mesh = triangle("MESH");
            for (int i = 0; i < materials; ++i) {
                const std::string name = joined({"M", std::to_string(i)});
                w.begin_material(name);
                w.close();
                mesh.faceMaterials.push_back({.material = name, .faces = {0}});
            }
            for (int i = 0; i < count; ++i)
                w.camera_object(joined({"C", std::to_string(i)}), {0, 0, 0}, {0, 0, 1});
            w.mesh_object(mesh);
        },
        [](ChunkWriter& w) {
            for (int i = 0; i < count; ++i) {
                w.begin_node(chunk_id::CAMERA_TRACK, static_cast<uint16_t>(i),
                             joined({"C", std::to_string(i)}), NO_PARENT,
                             static_cast<uint16_t>(i));
                w.close();
            }
        });
    uint64_t before = lookup_list_steps;
    Scene* scene = build(w);
    EXPECT_LE(lookup_list_steps - before, uint64_t(count + materials));
    std::vector<SceneNode*> cameras = nodes_made(*scene, NODE_CAMERA);
    ASSERT_EQ(cameras.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(cameras[i]->flags1, static_cast<int16_t>(i)) << i;
    // The last face list wins: the newest material.
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "MESH").faces[0].material, scene->materials);
}
