#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "loader/chunk_reader.h"
#include "loader/editor_chunks.h"
#include "loader/keyframer_chunks.h"
#include "loader/material_chunks.h"
#include "tests/support/scene_fixture.h"

using namespace scene_test;

TEST(ChunkTable, ReadsTheFormatsChunksEachOnceAndWalksOnlyContainers)
{
    // Ids as the file format numbers them, with what must read them (null: walked into).
    const std::pair<uint16_t, ChunkHandler> format[] = {
        {0x4D4D, nullptr}, {0x3D3D, nullptr}, {0xAFFF, nullptr}, {0xB000, nullptr},
        {0x0002, read_version}, {0x0011, read_colour_byte}, {0x4000, read_object_block},
        {0x4100, read_triangular_mesh}, {0x4110, read_vertices}, {0x4120, read_faces},
        {0x4600, read_light}, {0x4700, read_camera}, {0xA000, read_material_name},
        {0xA200, read_texture_map1}, {0xA300, read_map_filename}, {0xB002, read_mesh_node},
        {0xB010, read_node_header}, {0xB020, read_position_keys}, {0xB021, read_rotation_keys},
        {0xB030, read_object_number},
    };
    for (const auto& [id, handler] : format) {
        SCOPED_TRACE(testing::Message() << std::hex << id);
        const int row = find_chunk_row(id);
        ASSERT_GE(row, 0);
        EXPECT_EQ(ChunkTable[row].handler, handler) << ChunkTable[row].name;
    }
    EXPECT_EQ(find_chunk_row(0x4150), -1);  // smoothing groups are skipped whole

    // Each id once (the search finds every row at its own place), and only the main, editor,
    // material and keyframer chunks are walked into without a reader.
    for (int i = 0; i < CHUNK_TABLE_SIZE; ++i) {
        const ChunkRow& row = ChunkTable[i];
        SCOPED_TRACE(testing::Message() << "row " << i << " " << row.name);
        EXPECT_EQ(find_chunk_row(row.id), i);
        const bool container = row.id == 0x4D4D || row.id == 0x3D3D || row.id == 0xAFFF ||
                               row.id == 0xB000;
        EXPECT_EQ(row.handler == nullptr, container);
    }
}

TEST(ChunkReader, SkipsUnknownChunksAtEveryLevel)
{
    ScratchDir dir;
    ChunkWriter w;
    w.open(0x1234);  // an unknown top-level chunk that would hold a mesh if it were walked
    w.mesh_object(triangle("HIDDEN"));
    w.close();
    // A top-level chunk other than the main chunk is walked too.
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.mesh_object(triangle("TOP"));
    w.close();
    w.open(chunk_id::MAIN_CHUNK);
    w.open(0x7777);
    w.u32(0xDEADBEEF);
    w.close();
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.begin_object("Box01");
    w.open(chunk_id::TRIANGULAR_MESH);
    w.open(0x4150);  // smoothing groups inside the mesh
    w.u32(1);
    w.close();
    w.vertices(std::vector<V3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    w.faces(std::vector<FaceDesc>{{0, 1, 2}});
    w.close();
    w.close();
    w.close();
    w.close();

    Scene* scene = build(w);
    EXPECT_EQ(count_nodes(*scene, NODE_MESH), 2);
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "BOX01");  // the name compares upper-cased
    EXPECT_STREQ(mesh.name, "BOX01");
    EXPECT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(scene->nodes->next->type, NODE_MESH);
    EXPECT_STREQ(scene->nodes->next->name, "TOP");
}

TEST(ChunkReader, ShortLengthsEndTheirLevelAndLongOnesEndWithTheParent)
{
    ScratchDir dir;
    for (uint32_t length : {0u, 5u, 0xFFFFFFF0u}) {
        ChunkWriter w;
        w.open(chunk_id::MAIN_CHUNK);
        w.open(chunk_id::OBJECT_MESH_DATA);
        w.mesh_object(triangle("FIRST"));
        w.header(chunk_id::OBJECT_BLOCK, length);  // a zero length would read this header for ever
        w.string("OUTER");
        w.mesh_object(triangle("INNER"));  // walked only as a part of the long chunk
        w.close();
        w.open(chunk_id::OBJECT_MESH_DATA);  // the main chunk's walk goes on with its next chunk
        w.mesh_object(triangle("SECOND"));
        w.close();
        w.close();
        Scene* scene = build(w);
        std::vector<std::string> names;
        for (SceneNode* node = scene->nodes; node; node = node->next)
            names.insert(names.begin(), node->name);
        if (length < 6)
            EXPECT_EQ(names, (std::vector<std::string>{"FIRST", "SECOND"})) << length;
        else
            EXPECT_EQ(names, (std::vector<std::string>{"FIRST", "INNER", "SECOND"})) << length;
    }
}

TEST(ChunkReader, ASubChunkClaimingMoreThanItsParentEndsWithIt)
{
    ScratchDir dir;
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.begin_object("BOX");
    w.open(chunk_id::TRIANGULAR_MESH);
    // The vertex list claims 100 bytes more than the mesh has, and three vertices more than it
    // holds: it is read up to the mesh's end.
    w.header(chunk_id::VERTICES_LIST, 6 + 2 + 36 + 100);
    w.u16(6);
    w.floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    w.close();
    w.close();
    w.mesh_object(triangle("AFTER"));
    w.close();
    w.close();
    Scene* scene = build(w);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "BOX").vertexCount, 3);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "AFTER").vertexCount, 3);
    EXPECT_EQ(count_nodes(*scene, NODE_MESH), 2);
}

TEST(ChunkReader, AFileCutShortLoadsWhatItHoldsUpToTheCut)
{
    ScratchDir dir;
    dir.write_pcx("wall.pcx", 2, 2, 0x808080);
    // Keeps the first `size` bytes of the file and builds them; null after a fatal stop.
    auto build_cut = [&](const ChunkWriter& w, size_t size) {
        std::string bytes(w.bytes().begin(), w.bytes().end());
        dir.write("scene.3ds", bytes.substr(0, size));
        Scene* scene = nullptr;
        std::string stop = fatal_message(
            [&] { scene = build_scene("scene.3ds", 640, 480, no_preparation); });
        EXPECT_EQ(stop, "") << size;
        return scene;
    };
    // Where the last `text` in the file begins, plus `plus`.
    auto last = [](const ChunkWriter& w, std::string_view text, size_t plus) {
        std::string bytes(w.bytes().begin(), w.bytes().end());
        size_t at = bytes.rfind(text);
        EXPECT_NE(at, std::string::npos) << text;
        return at + plus;
    };
    MeshDesc box = triangle("BOX");
    MeshDesc cut = triangle("CUT");
    cut.vertices.push_back({5, 5, 5});
    cut.faces.push_back({0, 1, 3});
    cut.faceMaterials = {{"WALLMATERIAL", {0}}, {"WALLMATERIAL", {1}}};

    // Three bytes into the second face of a face list.
    size_t cutStart = 0;
    ChunkWriter w = editor_file([&](ChunkWriter& w) {
        w.material({.name = "WALLMATERIAL"});
        w.mesh_object(box);
        cutStart = w.bytes().size();
        w.mesh_object(cut);
    });
    std::string bytes(w.bytes().begin(), w.bytes().end());
    size_t faces = bytes.find(std::string("\x20\x41", 2), cutStart);  // the face list's id
    Scene* scene = build_cut(w, faces + 6 + 2 + 8 + 3);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "BOX").faceCount, 1);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "CUT").vertexCount, 4);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "CUT").faceCount, 1);

    // In the name of a face material list: it names no material.
    scene = build_cut(w, last(w, "WALLMATERIAL", 4));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "CUT").faces[1].material, nullptr);
    EXPECT_STREQ(record<Mesh>(*scene, NODE_MESH, "CUT").faces[0].material->name, "WALLMATERIAL");

    // In the name of a keyframer node: it names no node.
    w = editor_file([&](ChunkWriter& w) { w.mesh_object(box); },
                    [](ChunkWriter& w) {
                        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX", NO_PARENT);
                        w.close();
                    });
    scene = build_cut(w, last(w, "BOX", 2));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(count_nodes(*scene, NODE_MESH), 1);

    // In the target name of a morph key: the keys before it stay.
    w = editor_file([&](ChunkWriter& w) { w.mesh_object(box); },
                    [](ChunkWriter& w) {
                        w.begin_node(chunk_id::MESH_TRACK, 0, "BOX", NO_PARENT);
                        w.track(chunk_id::MORPH_KEYS, {{.frame = 0, .morphTarget = "BOX"},
                                                       {.frame = 5, .morphTarget = "BOX"}});
                        w.close();
                    });
    scene = build_cut(w, last(w, "BOX", 2));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "BOX").morphTrack.keyCount, 1);

    // In the file name of a map: the map is dropped, as a map without a file name is.
    w = editor_file([&](ChunkWriter& w) {
        w.mesh_object(box);
        w.material({.name = "WALL", .maps = {{.fileName = "WALL.PCX"}}});
    });
    scene = build_cut(w, last(w, "WALL.PCX", 4));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(find_material(*scene, "WALL")->texture1, nullptr);
}

TEST(ChunkReader, DeeplyNestedContainersAreCutOffNotFollowed)
{
    ScratchDir dir;
    ChunkWriter w;
    for (int i = 0; i < 20000; ++i)
        w.open(chunk_id::MAIN_CHUNK);
    w.mesh_object(triangle("DEEP"));
    for (int i = 0; i < 20000; ++i)
        w.close();
    w.open(chunk_id::MAIN_CHUNK);
    w.mesh_object(triangle("SHALLOW"));
    w.close();
    Scene* scene = build(w);
    EXPECT_EQ(count_nodes(*scene, NODE_MESH), 1);
    EXPECT_STREQ(scene->nodes->name, "SHALLOW");
}

TEST(ChunkReader, NamesAreUpperCasedAndCutToTheBuffer)
{
    ScratchDir dir;
    std::string longName(700, 'a');
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.begin_object(longName);
    w.camera(V3{0, 0, 0}, V3{0, 0, 1}, 0, 45);
    w.close();
    w.begin_object("MiXeD_09.z");
    w.camera(V3{0, 0, 0}, V3{0, 0, 1}, 0, 45);
    w.close();
    w.close();
    Scene* scene = build(w);
    std::string cut(511, 'A');
    EXPECT_STREQ(record<Camera>(*scene, NODE_CAMERA, cut.c_str()).name, cut.c_str());
    // The rest of the long name was skipped: the camera after it was read in full.
    Camera& mixed = record<Camera>(*scene, NODE_CAMERA, "MIXED_09.Z");
    EXPECT_EQ(mixed.target[2], 1.0f);
    EXPECT_EQ(count_nodes(*scene, NODE_CAMERA_TARGET), 2);
}

TEST(ChunkReader, ANameRunningIntoTheEndOfTheFileEndsThere)
{
    ScratchDir dir;
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.omni_object("LAMP", {1, 2, 3}, {1, 1, 1});
    w.open(chunk_id::OBJECT_BLOCK);
    w.raw(std::vector<uint8_t>{'t', 'a', 'i', 'l'});  // no terminating zero
    w.close();
    w.close();
    Scene* scene = build(w);
    EXPECT_EQ(count_nodes(*scene, NODE_OMNI), 1);
    EXPECT_STREQ(loader.nameBuffer, "TAIL");
}

TEST(ChunkReaderDeathTest, AMissingFileStopsWithItsMessage)
{
    EXPECT_EQ(fatal_message([] { build_scene("/nonexistent/none.3ds", 640, 480, no_preparation); }),
              "Could not find 3DS-file!");
    EXPECT_EXIT(build_scene("/nonexistent/none.3ds", 640, 480, no_preparation),
                testing::ExitedWithCode(1), "Could not find 3DS-file!");
}

TEST(ChunkReader, AFileWithoutNodesDidNotLoadProperly)
{
    ScratchDir dir;
    for (int variant = 0; variant < 3; ++variant) {
        ChunkWriter w;
        if (variant == 1) {
            w.open(chunk_id::MAIN_CHUNK);
            w.open(chunk_id::MATERIAL);
            w.begin_material("ONLY");
            w.close();
            w.close();
            w.close();
        } else if (variant == 2) {
            w.header(chunk_id::MAIN_CHUNK, 3);
        }
        EXPECT_EQ(fatal_message([&] { build(w); }), "3DS-file didn't load properly.\n") << variant;
    }
}

TEST(ColourSubChunks, TheFirstOfEachKindWinsAndGammaTwinsShareTheTarget)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        w.begin_object("LAMP");
        w.open(chunk_id::LIGHT);
        w.floats({0, 0, 0});
        w.colour_float(0.25f, 0.5f, 0.75f, true);
        w.colour_float(1, 1, 1);
        w.close();
        w.close();
        w.open(chunk_id::BACKGROUND_COLOR);
        w.colour_float(0.1f, 0.2f, 0.3f);
        w.colour_float(0.9f, 0.9f, 0.9f);
        w.close();
        w.open(chunk_id::AMBIENT_COLOR);
        w.colour_byte(255, 0, 0);  // a byte colour does not fill a float target
        w.colour_float(0.4f, 0.5f, 0.6f, true);
        w.close();
    });
    Scene* scene = build(w);
    Light& light = record<Light>(*scene, NODE_OMNI, "LAMP");
    EXPECT_EQ(light.colour[0], 0.25f);
    EXPECT_EQ(light.colour[2], 0.75f);
    EXPECT_EQ(scene->background[1], 0.2f);
    EXPECT_EQ(scene->ambient[0], 0.4f);
    EXPECT_EQ(scene->ambient[2], 0.6f);
}

TEST(PercentSubChunks, IntegersCountInHundredthsAndANonZeroFloatWins)
{
    ScratchDir dir;
    ChunkWriter w = editor_file([](ChunkWriter& w) {
        auto material = [&](const char* name, auto body) {
            w.begin_material(name);
            w.open(chunk_id::TRANSPARENCY_PERCENT);
            body();
            w.close();
            w.close();
        };
        material("INT", [&] { w.percent_int(50); });
        material("FLOAT", [&] { w.percent_float(0.3f); });
        material("BOTH", [&] {
            w.percent_int(80);
            w.percent_float(0.2f);
        });
        material("ZERO FLOAT", [&] {
            w.percent_float(0.0f);
            w.percent_int(40);
        });
        material("TWO INTS", [&] {
            w.percent_int(10);
            w.percent_int(90);
        });
        w.begin_material("REFLECTIVE");
        w.percent_chunk(chunk_id::REFLECTION_PERCENT, 25);
        w.close();
        w.mesh_object(triangle("BOX"));
    });
    Scene* scene = build(w);
    EXPECT_FLOAT_EQ(find_material(*scene, "INT")->transparency, 0.5f);
    EXPECT_FLOAT_EQ(find_material(*scene, "FLOAT")->transparency, 0.3f);
    EXPECT_FLOAT_EQ(find_material(*scene, "BOTH")->transparency, 0.2f);
    EXPECT_FLOAT_EQ(find_material(*scene, "ZERO FLOAT")->transparency, 0.4f);
    EXPECT_FLOAT_EQ(find_material(*scene, "TWO INTS")->transparency, 0.1f);
    EXPECT_FLOAT_EQ(find_material(*scene, "REFLECTIVE")->reflection, 0.25f);
    EXPECT_EQ(find_material(*scene, "REFLECTIVE")->transparency, 0.0f);
}
