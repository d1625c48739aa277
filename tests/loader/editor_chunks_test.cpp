#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "loader/chunk_reader.h"
#include "loader/material_chunks.h"
#include "tests/support/scene_fixture.h"

using namespace scene_test;

namespace {
std::vector<V3> three_vertices() { return {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}; }
}  // namespace

TEST(MeshChunks, ReadGeometryWithVNegatedAndFacesPointingIntoTheirMesh)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_material("Red");
        w.close();
        MeshDesc mesh = triangle("Tri");
        mesh.vertices.push_back({5, 5, 5});
        mesh.faces.push_back({3, 1, 0, 0x18});
        mesh.mappings = {{0.5f, 0.25f}, {1, 0}, {0, 1}, {2, -3}};
        mesh.faceMaterials = {{"RED", {1}}};
        w.mesh_object(mesh);
    });
    Scene* scene = build(w);
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "TRI");
    ASSERT_EQ(mesh.vertexCount, 4);
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.vertices[0].u, 0.5f);
    EXPECT_EQ(mesh.vertices[0].v, -0.25f);
    EXPECT_EQ(mesh.vertices[3].v, 3.0f);
    EXPECT_EQ(mesh.faces[1].a, &mesh.vertices[3]);
    EXPECT_EQ(mesh.faces[1].c, &mesh.vertices[0]);
    EXPECT_EQ(mesh.faces[1].flags, 0x18);
    EXPECT_EQ(mesh.faces[0].material, nullptr);
    EXPECT_EQ(mesh.faces[1].material, find_material(*scene, "RED"));
    EXPECT_EQ(mesh.kind, KIND_MESH);
    EXPECT_EQ(scene->nodes->parent, NO_PARENT);  // no keyframer header: no parent
}

TEST(MeshChunks, CountsAreCutToWhatTheChunkHolds)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_material("M");
        w.close();
        w.begin_object("CUT");
        w.open(chunk_id::TRIANGULAR_MESH);
        w.open(chunk_id::VERTICES_LIST);
        w.u16(60000);  // claims 60000 vertices, holds three
        w.floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
        w.close();
        w.open(chunk_id::MAPPINGS_LIST);
        w.u16(65535);
        w.floats({0.1f, 0.2f, 0.3f, 0.4f});
        w.close();
        w.open(chunk_id::FACES_LIST);
        w.u16(1);
        w.u16(0), w.u16(1), w.u16(2), w.u16(7);
        w.open(chunk_id::FACE_MATERIAL);
        w.string("M");
        w.u16(50000);
        w.u16(0);
        w.close();
        w.close();
        w.close();
        w.close();
        // The bytes of a face list's sub-chunks would count as faces: this list has none.
        w.begin_object("FACES");
        w.open(chunk_id::TRIANGULAR_MESH);
        w.vertices(three_vertices());
        w.open(chunk_id::FACES_LIST);
        w.u16(1000);
        w.u16(0), w.u16(1), w.u16(2), w.u16(7);
        w.u16(2), w.u16(1), w.u16(0), w.u16(7);
        w.u16(2), w.u16(1);  // half a face
        w.close();
        w.close();
        w.close();
    });
    Scene* scene = build(w);
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "CUT");
    EXPECT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.vertices[1].u, 0.3f);
    EXPECT_EQ(mesh.vertices[2].u, 0.0f);
    EXPECT_EQ(mesh.faces[0].material, find_material(*scene, "M"));
    Mesh& faces = record<Mesh>(*scene, NODE_MESH, "FACES");
    EXPECT_EQ(faces.faceCount, 2);
    EXPECT_EQ(faces.faces[1].a, &faces.vertices[2]);
}

TEST(MeshChunks, ZeroCountsGiveEmptyMeshes)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_object("EMPTY");
        w.open(chunk_id::TRIANGULAR_MESH);
        w.vertices(std::vector<V3>{});
        w.faces(std::vector<FaceDesc>{});
        w.close();
        w.close();
    });
    Scene* scene = build(w);
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "EMPTY");
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.faceCount, 0);
    EXPECT_EQ(mesh.vertices, nullptr);
    EXPECT_EQ(mesh.box[0][0], 1e9f);  // the box keeps its start values
    EXPECT_EQ(mesh.box[6][2], -1e9f);
}

TEST(MeshChunks, AFaceOutsideTheVertexArrayStopsTheLoad)
{
    ScratchDir dir;
    MeshDesc bad = triangle("BAD");
    bad.faces.push_back({0, 1, 3});
    ChunkWriter w = editor_file([&](ChunkWriter& w) { w.mesh_object(bad); });
    EXPECT_EQ(fatal_message([&] { build(w); }), "Face vertex index out of range!");
    // Faces ahead of their vertices index nothing yet.
    ChunkWriter early = editor_file([](ChunkWriter& w) {
        w.begin_object("EARLY");
        w.open(chunk_id::TRIANGULAR_MESH);
        w.faces(std::vector<FaceDesc>{{0, 1, 2}});
        w.vertices(three_vertices());
        w.close();
        w.close();
    });
    EXPECT_EQ(fatal_message([&] { build(early); }), "Face vertex index out of range!");
    EXPECT_EXIT(build(w), testing::ExitedWithCode(1), "Face vertex index out of range!");
}

TEST(MeshChunks, IndicesBeyondTheArraysAreIgnored)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_material("M");
        w.close();
        MeshDesc mesh = triangle("TRI");
        mesh.faceMaterials = {{"M", {7, 0, 65535}}};
        mesh.mappings = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};  // two more than vertices
        w.mesh_object(mesh);
    });
    Scene* scene = build(w);
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "TRI");
    EXPECT_EQ(mesh.faces[0].material, find_material(*scene, "M"));
    EXPECT_EQ(mesh.vertices[2].u, 3.0f);
}

TEST(MeshChunks, GeometryOutsideItsMeshIsSkipped)
{
    ScratchDir dir;
    ChunkWriter w = editor_file(
        [](ChunkWriter& w) {
            MeshDesc box = triangle("BOX");
            box.mappings = {{0.5f, 0}};
            w.begin_object("BOX");
            w.open(chunk_id::TRIANGULAR_MESH);
            w.vertices(box.vertices);
            w.faces(box.faces);
            w.vertices(std::vector<V3>{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}});  // a second list
            w.close();
            w.close();
            // Loose geometry in the editor section, and in a light that follows a mesh.
            w.vertices(std::vector<V3>{{9, 9, 9}});
            w.faces(std::vector<FaceDesc>{{0, 0, 0}});
            w.begin_object("LAMP");
            w.begin_light({0, 0, 0}, {1, 1, 1});
            w.mappings(std::vector<V2>{{7, 7}});
            w.matrix({2, 0, 0, 0, 2, 0, 0, 0, 2, 1, 1, 1});
            w.close();
            w.close();
            // Mappings and face materials ahead of the arrays they index.
            w.begin_object("LATE");
            w.open(chunk_id::TRIANGULAR_MESH);
            w.mappings(std::vector<V2>{{7, 7}});
            w.face_material("NOT DEFINED", std::vector<uint16_t>{0});
            w.vertices(three_vertices());
            w.faces(std::vector<FaceDesc>{{0, 1, 2}});
            w.close();
            w.close();
        },
        [](ChunkWriter& w) {
            // A vertex list inside a mesh's keyframer block is not the mesh's.
            w.begin_node(chunk_id::MESH_TRACK, 0, "BOX");
            w.vertices(std::vector<V3>{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}});
            w.close();
        });
    Scene* scene = build(w);
    Mesh& box = record<Mesh>(*scene, NODE_MESH, "BOX");
    EXPECT_EQ(box.vertexCount, 3);
    EXPECT_EQ(box.faceCount, 1);
    EXPECT_EQ(box.vertices[0].u, 0.0f);
    EXPECT_EQ(box.vertices[1].position[0], 1.0f);
    Light& lamp = record<Light>(*scene, NODE_OMNI, "LAMP");
    EXPECT_EQ(lamp.kind, KIND_LIGHT);
    Mesh& late = record<Mesh>(*scene, NODE_MESH, "LATE");
    EXPECT_EQ(late.vertices[0].u, 0.0f);
    EXPECT_EQ(late.faces[0].material, nullptr);
}

TEST(MeshChunks, ObjectMatrixGivesTheInverseAndAMissingOneTheIdentity)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        MeshDesc moved = triangle("MOVED");
        moved.vertices = {{10, 0, 0}, {12, 0, 0}, {10, 2, 0}};
        moved.matrix = {2, 0, 0, 0, 2, 0, 0, 0, 2, 10, 0, 0};
        w.mesh_object(moved);
        MeshDesc plain = triangle("PLAIN");
        plain.hasMatrix = false;
        plain.vertices = {{10, 0, 0}, {12, 0, 0}, {10, 2, 0}};
        w.mesh_object(plain);
    });
    Scene* scene = build(w);
    Mesh& moved = record<Mesh>(*scene, NODE_MESH, "MOVED");
    EXPECT_EQ(moved.matrix(3, 0), 10.0f);
    EXPECT_EQ(moved.matrix(0, 0), 2.0f);
    EXPECT_EQ(moved.matrix(3, 3), 1.0f);
    EXPECT_FLOAT_EQ(moved.inverse(0, 0), 0.5f);
    EXPECT_FLOAT_EQ(moved.inverse(3, 0), -5.0f);
    // Object space: (10,0,0) -> origin, (12,0,0) -> (1,0,0).
    EXPECT_FLOAT_EQ(moved.vertices[1].position[0], 1.0f);
    EXPECT_FLOAT_EQ(moved.vertices[0].position[0], 0.0f);
    Mesh& plain = record<Mesh>(*scene, NODE_MESH, "PLAIN");
    EXPECT_EQ(plain.vertices[1].position[0], 12.0f);
}

TEST(LightChunks, OmniLightsTakeTheirSubChunks)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_object("Omni01");
        w.begin_light({1, 2, 3}, {0.5f, 0.5f, 1});
        w.empty(chunk_id::LIGHT_IS_OFF);
        w.empty(chunk_id::FADING_IS_ON);
        w.float_chunk(chunk_id::RANGE_START, 10);
        w.float_chunk(chunk_id::RANGE_END, 100);
        w.float_chunk(chunk_id::MULTIPLIER, 2);
        w.close();
        w.close();
        w.omni_object("Omni02", {0, 0, 0}, {1, 1, 1});
    });
    Scene* scene = build(w);
    Light& light = record<Light>(*scene, NODE_OMNI, "OMNI01");
    EXPECT_EQ(light.position[2], 3.0f);
    EXPECT_EQ(light.colour[2], 1.0f);
    EXPECT_EQ(light.on, 0);
    EXPECT_EQ(light.fading, 1);
    EXPECT_EQ(light.rangeStart, 10.0f);
    EXPECT_EQ(light.rangeEnd, 100.0f);
    EXPECT_EQ(light.multiplier, 2.0f);
    Light& plain = record<Light>(*scene, NODE_OMNI, "OMNI02");
    EXPECT_EQ(plain.on, 1);
    EXPECT_EQ(plain.multiplier, 1.0f) << "a light without a multiplier chunk shines at full strength";
}

TEST(LightChunks, ASpotlightReplacesItsLightAndKeepsTheValuesReadBeforeIt)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_object("Spot");
        w.begin_light({1, 2, 3}, {0.25f, 0.5f, 0.75f});
        w.float_chunk(chunk_id::RANGE_END, 50);
        w.empty(chunk_id::LIGHT_IS_OFF);
        w.spotlight({4, 5, 6}, 30, 45);
        w.float_chunk(chunk_id::RANGE_END, 999);
        w.empty(chunk_id::FADING_IS_ON);
        w.colour_float(1, 0, 0);  // the released light's colour target is gone
        w.spotlight({7, 7, 7}, 1, 1);  // a second conversion has no omni light to turn
        w.close();
        w.close();
        w.spotlight({8, 8, 8}, 1, 1);  // outside any light
    });
    Scene* scene = build(w);
    EXPECT_EQ(count_nodes(*scene, NODE_OMNI), 0);
    EXPECT_EQ(count_nodes(*scene, NODE_SPOTLIGHT), 1);
    EXPECT_EQ(count_nodes(*scene, NODE_SPOT_TARGET), 1);
    SceneNode* spotNode = find_node_by_name(*scene, NODE_SPOTLIGHT, "SPOT");
    SceneNode* targetNode = find_node_by_name(*scene, NODE_SPOT_TARGET, "SPOT");
    EXPECT_EQ(scene->nodes, targetNode);
    ASSERT_EQ(spotNode->data, targetNode->data);
    SpotLight& spot = *static_cast<SpotLight*>(spotNode->data);
    EXPECT_EQ(spot.kind, KIND_SPOTLIGHT);
    EXPECT_EQ(spot.position[1], 2.0f);
    EXPECT_EQ(spot.target[2], 6.0f);
    EXPECT_EQ(spot.colour[1], 0.5f);
    EXPECT_EQ(spot.rangeEnd, 50.0f);
    EXPECT_EQ(spot.on, 0);
    EXPECT_EQ(spot.fading, 0);
    EXPECT_EQ(spot.hotspot, 30.0f);
    EXPECT_EQ(spot.falloff, 45.0f);
    EXPECT_STREQ(spot.name, "SPOT");
    EXPECT_EQ(scene->omniCount, 0);
}

TEST(CameraChunks, TheFirstCameraIsTheScenesAndACutShortOneHasNoTarget)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_object("Short");
        w.open(chunk_id::CAMERA);
        w.floats({1, 2, 3});
        w.close();
        w.close();
        w.camera_object("Cam02", {0, 0, -10}, {0, 0, 0}, 5, 35);
    });
    Scene* scene = build(w);
    EXPECT_STREQ(scene->camera->name, "SHORT");
    EXPECT_EQ(count_nodes(*scene, NODE_CAMERA), 2);
    EXPECT_EQ(count_nodes(*scene, NODE_CAMERA_TARGET), 1);
    Camera& cam = record<Camera>(*scene, NODE_CAMERA_TARGET, "CAM02");
    EXPECT_EQ(&cam, &record<Camera>(*scene, NODE_CAMERA, "CAM02"));
    EXPECT_EQ(cam.position[2], -10.0f);
    EXPECT_EQ(cam.roll, 5.0f);
    EXPECT_EQ(cam.fov, 35.0f);
    EXPECT_EQ(record<Camera>(*scene, NODE_CAMERA, "SHORT").kind, KIND_CAMERA);
}

TEST(CameraChunks, AFileWithoutCamerasLeavesTheSceneCameraNull)
{
    ScratchDir dir;
    Scene* scene = build(editor_file([](ChunkWriter& w) { w.mesh_object(triangle("A")); }));
    EXPECT_EQ(scene->camera, nullptr);
}

TEST(MaterialChunks, FlagsColoursAndTheLastOfTwoSameNamedMaterials)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.material({.name = "Glass", .ambient = {255, 51, 0}, .shading = 0x0203, .twoSided = true,
                    .additive = true, .wireframe = true});
        w.begin_material("GLASS");
        w.open(chunk_id::DIFFUSE_COLOR);
        w.colour_byte(1, 2, 3);
        w.close();
        w.open(chunk_id::SPECULAR_COLOR);
        w.colour_byte(1, 2, 3);
        w.close();
        w.open(chunk_id::MATERIAL_AMBIENT_COLOR);  // without a colour: black
        w.close();
        w.close();
        MeshDesc mesh = triangle("BOX");
        mesh.faceMaterials = {{"GLASS", {0}}};
        w.mesh_object(mesh);
    });
    Scene* scene = build(w);
    Material* newest = scene->materials;
    Material* older = newest->next;
    ASSERT_NE(older, nullptr);
    EXPECT_EQ(older->prev, newest);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "BOX").faces[0].material, newest);
    EXPECT_EQ(newest->ambient[0], 0.0f);
    EXPECT_EQ(newest->twoSided, 0);
    EXPECT_FLOAT_EQ(older->ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(older->ambient[1], 0.2f);
    EXPECT_EQ(older->shading, 3);
    EXPECT_EQ(older->twoSided, 1);
    EXPECT_EQ(older->additive, 1);
    EXPECT_EQ(older->wireframe, 1);
}

TEST(MaterialChunks, AFaceMaterialDefinedLaterIsNoSuchMaterial)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        MeshDesc mesh = triangle("BOX");
        mesh.faceMaterials = {{"LATER", {0}}};
        w.mesh_object(mesh);
        w.begin_material("LATER");
        w.close();
    });
    EXPECT_EQ(fatal_message([&] { build(w); }), "No such material!");
}

TEST(MaterialChunks, MapsLoadTheirImagesAndMapsWithoutAFileAreDropped)
{
    ScratchDir dir;
    dir.write_pcx("brick.pcx", 4, 4, 0x808080);
    dir.write_pcx("bump.pcx", 2, 2, 0x808080);
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_material("M");
        w.map({.slot = chunk_id::TEXTURE_MAP_1, .fileName = "Brick.pcx"});
        w.map({.slot = chunk_id::TEXTURE_MAP_2});  // no file name
        w.open(chunk_id::OPACITY_MAP);  // an empty file name, which names no file either
        w.open(chunk_id::MAP_FILENAME);
        w.string("");
        w.close();
        w.close();
        w.map({.slot = chunk_id::SPECULAR_MAP, .fileName = "brick.PCX"});
        w.open(chunk_id::BUMP_MAP);
        w.float_chunk(chunk_id::U_SCALE, 7);  // before the file name: reset by it
        w.open(chunk_id::MAP_FILENAME);
        w.string("bump.pcx");
        w.close();
        w.float_chunk(chunk_id::V_SCALE, 3);
        w.float_chunk(chunk_id::U_OFFSET, 0.5f);
        w.float_chunk(chunk_id::V_OFFSET, -0.5f);
        w.close();
        w.close();
        w.begin_material("N");
        w.float_chunk(chunk_id::U_SCALE, 9);  // a new material has no map yet
        w.close();
        w.mesh_object(triangle("BOX"));
    });
    Scene* scene = nullptr;
    ASSERT_EQ(fatal_message([&] { scene = build(w); }), "");
    Material& m = *find_material(*scene, "M");
    ASSERT_NE(m.texture1, nullptr);
    EXPECT_STREQ(m.texture1->fileName, "BRICK.PCX");
    EXPECT_EQ(m.texture1->width, 4);
    EXPECT_NE(m.texture1->pixels, nullptr);
    EXPECT_NE(m.texture1->levels, nullptr);
    EXPECT_EQ(m.texture1->uScale, 1.0f);
    EXPECT_EQ(m.texture2, nullptr);
    EXPECT_EQ(m.opacityMap, nullptr);
    // Each slot takes its own map: the specular one lands in its slot and no other.
    ASSERT_NE(m.specularMap, nullptr);
    EXPECT_STREQ(m.specularMap->fileName, "BRICK.PCX");
    EXPECT_NE(m.specularMap->pixels, nullptr);
    for (TextureMap* other : {m.shininessMap, m.selfIllumMap, m.reflectionMap})
        EXPECT_EQ(other, nullptr);
    ASSERT_NE(m.bumpMap, nullptr);
    EXPECT_EQ(m.bumpMap->uScale, 1.0f);
    EXPECT_EQ(m.bumpMap->vScale, 3.0f);
    EXPECT_EQ(m.bumpMap->uOffset, 0.5f);
    EXPECT_EQ(m.bumpMap->vOffset, -0.5f);
}

TEST(MaterialChunks, MapNamesFindWindowsFoldersAndRegularFilesOnly)
{
    ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "Maps" / "folder.pcx");
    dir.write_pcx("Maps/brick.pcx", 4, 2, 0x808080);
    ASSERT_EQ(::mkfifo("Maps/pipe.pcx", 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.path() / "Maps" / "zero.pcx");
    auto scene_with_map = [](const std::string& name) {
        return editor_file([&](ChunkWriter& w) {
            w.material({.name = "M", .maps = {{.fileName = name}}});
            w.mesh_object(triangle("BOX"));
        });
    };
    Scene* scene = build(scene_with_map("MAPS\\BRICK.PCX"));
    EXPECT_EQ(find_material(*scene, "M")->texture1->width, 4);

    // A FIFO, a device or a folder is no image file: the search goes on and ends as for a missing
    // file. Each load runs in a child that an alarm ends: a FIFO used to block it for ever.
    for (const char* base : {"PIPE", "ZERO", "FOLDER"}) {
        std::string name = std::string("MAPS\\") + base;
        ChunkWriter w = scene_with_map(name + ".PCX");
        pid_t child = ::fork();
        if (child == 0) {
            ::alarm(2);
            ::_exit(fatal_message([&] { build(w); }) == "No file " + name + ".PCX found!" ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << base;
    }
}

TEST(MaterialChunks, ManyMapsOfOneImageCannotAskForUnboundedMemory)
{
    // Each map decodes its image anew: 16 x 16 pixels with their levels hold 1,364 bytes, so a
    // budget of 4,000 takes two maps and refuses the third.
    ScratchDir dir;
    dir.write_pcx("big.pcx", 16, 16, 0x808080);
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        for (const char* name : {"A", "B", "C"}) {
            w.begin_material(name);
            w.map({.slot = chunk_id::TEXTURE_MAP_1, .fileName = "BIG.PCX"});
            w.close();
        }
        w.mesh_object(triangle("BOX"));
    });
    uint64_t budget = image_memory_budget;
    image_memory_budget = 4000;
    std::string message = fatal_message([&] { build(w); });
    image_memory_budget = 2800;
    w = editor_file([](ChunkWriter& w) {
        for (const char* name : {"A", "B"}) {
            w.begin_material(name);
            w.map({.slot = chunk_id::TEXTURE_MAP_1, .fileName = "BIG.PCX"});
            w.close();
        }
        w.mesh_object(triangle("BOX"));
    });
    std::string twoMaps = fatal_message([&] { build(w); });
    image_memory_budget = budget;
    EXPECT_EQ(message, "Texture images too large in total!");
    EXPECT_EQ(twoMaps, "") << "a budget counts per load, and two maps fit";
}
