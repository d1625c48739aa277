#include <gtest/gtest.h>

#include <cmath>

#include "render/render_view.h"
#include "tests/support/scene_fixture.h"

using namespace scene_test;

namespace {

MeshDesc wrapped_face(const std::string& name, uint16_t flags, V2 a, V2 b, V2 c)
{
    MeshDesc mesh = triangle(name);
    mesh.faces[0].flags = flags;
    // v is stored negated: write the negation so the test reads the values it means.
    mesh.mappings = {{a[0], -a[1]}, {b[0], -b[1]}, {c[0], -c[1]}};
    return mesh;
}

uint32_t alpha(uint32_t pixel) { return pixel >> 24; }

}  // namespace

TEST(SceneBuild, MovesVerticesIntoObjectSpaceAndBoxesThem)
{
    ScratchDir dir;
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        MeshDesc mesh = triangle("BOX");
        mesh.vertices = {{11, 2, 3}, {9, 4, -1}, {10, 0, 5}};
        mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, 0};
        w.mesh_object(mesh);
    }));
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "BOX");
    EXPECT_FLOAT_EQ(mesh.vertices[0].position[0], 1);
    const float expected[8][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 5}, {-1, 0, 5},
                                  {-1, 4, -1}, {1, 4, -1}, {1, 4, 5}, {-1, 4, 5}};
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_FLOAT_EQ(mesh.box[i][c], expected[i][c]) << i << "," << c;
    EXPECT_EQ(scene->total, 0.0f);
    ASSERT_NE(scene->view, nullptr);
    EXPECT_EQ(scene->view->width, 640);
    EXPECT_EQ(scene->view->height, 480);
}

TEST(SceneBuild, NormalsAreUnitAndDegenerateOnesZero)
{
    ScratchDir dir;
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        MeshDesc mesh = triangle("BOX");
        mesh.vertices.push_back({5, 5, 5});     // used by no face
        mesh.vertices.push_back({2, 0, 0});     // on the line of a and b
        mesh.faces.push_back({0, 1, 4});        // degenerate
        w.mesh_object(mesh);
    }));
    Mesh& mesh = record<Mesh>(*scene, NODE_MESH, "BOX");
    // (c - a) x (b - a) with a = origin, b = x, c = y: -z.
    EXPECT_FLOAT_EQ(mesh.faces[0].normal[2], -1);
    EXPECT_FLOAT_EQ(mesh.vertices[0].normal[2], -1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(mesh.faces[1].normal[k], 0.0f);
        EXPECT_EQ(mesh.vertices[3].normal[k], 0.0f);
        EXPECT_EQ(mesh.vertices[4].normal[k], 0.0f);
    }
}

TEST(SceneBuild, WrapFixShiftsLowCornersOfWideFaces)
{
    ScratchDir dir;
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        w.mesh_object(wrapped_face("U", 8, {0.1f, 0}, {0.9f, 0}, {0.95f, 0}));
        w.mesh_object(wrapped_face("NARROW", 8, {0.2f, 0}, {0.5f, 0}, {0.7f, 0}));
        w.mesh_object(wrapped_face("NOT ASKED", 0, {0.1f, 0}, {0.9f, 0}, {0.95f, 0}));
        w.mesh_object(wrapped_face("V", 16, {0, 2.4f}, {0, 0.3f}, {0, 0.4f}));
    }));
    Face& u = record<Mesh>(*scene, NODE_MESH, "U").faces[0];
    EXPECT_FLOAT_EQ(u.uv[0][0], 1.1f);
    EXPECT_FLOAT_EQ(u.uv[1][0], 0.9f);
    EXPECT_EQ(u.wrapFixed, 1);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "U").vertices[0].u, 0.1f);  // vertices unchanged
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "NARROW").faces[0].wrapFixed, 0);
    EXPECT_EQ(record<Mesh>(*scene, NODE_MESH, "NOT ASKED").faces[0].wrapFixed, 0);
    Face& v = record<Mesh>(*scene, NODE_MESH, "V").faces[0];
    EXPECT_FLOAT_EQ(v.uv[1][1], 3.3f);  // spread 2.1: k = 3
    EXPECT_FLOAT_EQ(v.uv[0][1], 2.4f);
    EXPECT_EQ(v.wrapFixed, 6);
}

TEST(SceneBuild, TransparencySetsTheAlphaOfEveryLevel)
{
    ScratchDir dir;
    dir.write_pcx("half.pcx", 8, 4, 0x102030);
    dir.write_pcx("tenth.pcx", 6, 3, 0x102030);  // not a power of two
    dir.write_pcx("opaque.pcx", 5, 3, 0x102030);
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        w.material({.name = "HALF", .transparencyPercent = 50, .maps = {{.fileName = "half.pcx"}}});
        w.material({.name = "TENTH",
                    .transparencyPercent = 10,
                    .maps = {{.slot = chunk_id::TEXTURE_MAP_2, .fileName = "tenth.pcx"}}});
        w.material({.name = "OPAQUE", .maps = {{.fileName = "opaque.pcx"}}});
        w.material({.name = "PLAIN"});
        // Percentages outside 0..1 are held to it for the alpha.
        for (auto [name, percent] : {std::pair{"OVER", 5.0f}, std::pair{"UNDER", -2.0f}}) {
            w.begin_material(name);
            w.open(chunk_id::TRANSPARENCY_PERCENT);
            w.percent_float(percent);
            w.close();
            w.map({.fileName = "opaque.pcx"});
            w.close();
        }
        w.mesh_object(triangle("BOX"));
    }));
    EXPECT_EQ(alpha(find_material(*scene, "OVER")->texture1->pixels[0]), 0u);
    EXPECT_EQ(alpha(find_material(*scene, "UNDER")->texture1->pixels[0]), 255u);
    EXPECT_NE(find_material(*scene, "UNDER")->blendTable, nullptr);
    TextureMap& half = *find_material(*scene, "HALF")->texture1;
    EXPECT_NE(find_material(*scene, "HALF")->blendTable, nullptr);
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(half.pixels[i], 0x80102030u) << i;
    int levels = 0;
    for (ImageLevel* level = half.levels; level; level = level->next, ++levels)
        for (int i = 0; i < level->width * level->height; ++i)
            ASSERT_EQ(alpha(level->pixels[i]), 128u);
    EXPECT_EQ(levels, 3);
    TextureMap& tenth = *find_material(*scene, "TENTH")->texture2;
    for (int i = 0; i < 18; ++i)
        ASSERT_EQ(alpha(tenth.pixels[i]), 230u);
    TextureMap& opaque = *find_material(*scene, "OPAQUE")->texture1;
    EXPECT_EQ(find_material(*scene, "OPAQUE")->blendTable, nullptr);
    for (int i = 0; i < 15; ++i)
        ASSERT_EQ(opaque.pixels[i], 0xFF102030u);
    EXPECT_EQ(alpha(opaque.levels->next->pixels[0]), 0u);  // smaller levels are left alone
    EXPECT_EQ(find_material(*scene, "PLAIN")->blendTable, nullptr);
}

TEST(SceneBuild, ReflectionMapMovesIntoAnEmptyFirstSlot)
{
    ScratchDir dir;
    dir.write_pcx("env.pcx", 2, 2, 0x404040);
    dir.write_pcx("tex.pcx", 2, 2, 0x404040);
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        w.material({.name = "CHROME", .maps = {{.slot = chunk_id::REFLECTION_MAP, .fileName = "env.pcx"}}});
        w.material({.name = "BOTH",
                    .maps = {{.slot = chunk_id::TEXTURE_MAP_1, .fileName = "tex.pcx"},
                             {.slot = chunk_id::REFLECTION_MAP, .fileName = "env.pcx"}}});
        w.mesh_object(triangle("BOX"));
    }));
    Material& chrome = *find_material(*scene, "CHROME");
    ASSERT_NE(chrome.texture1, nullptr);
    EXPECT_STREQ(chrome.texture1->fileName, "ENV.PCX");
    EXPECT_EQ(chrome.reflectionMap, nullptr);
    EXPECT_EQ(chrome.envMapped, 1);
    EXPECT_EQ(alpha(chrome.texture1->pixels[0]), 255u);
    Material& both = *find_material(*scene, "BOTH");
    EXPECT_STREQ(both.texture1->fileName, "TEX.PCX");
    EXPECT_NE(both.reflectionMap, nullptr);
    EXPECT_EQ(both.envMapped, 0);
}

TEST(SceneBuild, OpacityMapsFoldIntoTheTextureAlpha)
{
    ScratchDir dir;
    // A 4 x 2 texture over a 2 x 1 opacity map: each opacity pixel covers two texture columns.
    dir.write_pcx("tex.pcx", 4, 2, 0x336699);
    dir.write_pcx("mask.pcx", 2, 1, {0x0A141E, 0xFFFFFF});  // sums 60 and 765
    dir.write_pcx("odd.pcx", 6, 3, 0x336699);  // not a power of two
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        w.material({.name = "MASKED",
                    .additive = true,
                    .maps = {{.fileName = "tex.pcx"}, {.slot = chunk_id::OPACITY_MAP, .fileName = "mask.pcx"}}});
        w.material({.name = "FADED",
                    .transparencyPercent = 50,
                    .additive = true,
                    .maps = {{.fileName = "tex.pcx"}, {.slot = chunk_id::OPACITY_MAP, .fileName = "mask.pcx"}}});
        w.material({.name = "ODD",
                    .maps = {{.fileName = "odd.pcx"}, {.slot = chunk_id::OPACITY_MAP, .fileName = "mask.pcx"}}});
        w.material({.name = "NO TEXTURE",
                    .maps = {{.slot = chunk_id::OPACITY_MAP, .fileName = "mask.pcx"}}});
        w.mesh_object(triangle("BOX"));
    }));
    Material& masked = *find_material(*scene, "MASKED");
    EXPECT_EQ(masked.opacityMap, nullptr);
    EXPECT_NE(masked.blendTable, nullptr);
    EXPECT_EQ(masked.additive, 0);
    const uint32_t* p = masked.texture1->pixels;
    const uint32_t expected[8] = {20, 20, 255, 255, 20, 20, 255, 255};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(alpha(p[i]), expected[i]) << i;
        EXPECT_EQ(p[i] & 0xFFFFFF, 0x336699u);
    }
    // Level 1 (2 x 1) takes the alpha of pixels (0, 0) and (2, 0) above it.
    ImageLevel* level = masked.texture1->levels->next;
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(alpha(level->pixels[0]), 20u);
    EXPECT_EQ(alpha(level->pixels[1]), 255u);

    Material& faded = *find_material(*scene, "FADED");
    EXPECT_EQ(faded.additive, 1);  // already transparent: additive stays
    EXPECT_EQ(alpha(faded.texture1->pixels[0]), 10u);    // trunc(60 x 0.5 x 0.33333334)
    EXPECT_EQ(alpha(faded.texture1->pixels[3]), 127u);   // trunc(765 x 0.5 / 3)

    // Six columns over two: the step 2 x 65536 / 6 truncates, so column 3 still samples column 0.
    const uint32_t* odd = find_material(*scene, "ODD")->texture1->pixels;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 6; ++column)
            EXPECT_EQ(alpha(odd[row * 6 + column]), column < 4 ? 20u : 255u) << row << "," << column;

    Material& bare = *find_material(*scene, "NO TEXTURE");
    EXPECT_NE(bare.opacityMap, nullptr);  // nothing to fold into: it stays
    EXPECT_EQ(bare.blendTable, nullptr);
}

TEST(SceneBuild, OmniNodesAreListedInNodeOrder)
{
    ScratchDir dir;
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        w.omni_object("A", {0, 0, 0}, {1, 1, 1});
        w.mesh_object(triangle("BOX"));
        w.omni_object("B", {0, 0, 0}, {1, 1, 1});
        w.begin_object("SPOT");
        w.begin_light({0, 0, 0}, {1, 1, 1});
        w.spotlight({0, 0, 1}, 1, 2);
        w.close();
        w.close();
    }));
    ASSERT_EQ(scene->omniCount, 2);
    EXPECT_STREQ(scene->omniNodes[0]->name, "B");
    EXPECT_STREQ(scene->omniNodes[1]->name, "A");
    Scene* none = build(editor_file([](ChunkWriter& w) { w.mesh_object(triangle("BOX")); }));
    EXPECT_EQ(none->omniCount, 0);
    EXPECT_EQ(none->omniNodes, nullptr);
}

TEST(SceneBuild, CallsThePreparationBeforeMakingTheView)
{
    ScratchDir dir;
    static int calls;
    static bool viewBefore;
    calls = 0;
    ChunkWriter w = editor_file([](ChunkWriter& w) { w.mesh_object(triangle("BOX")); });
    ASSERT_TRUE(w.save("scene.3ds"));
    Scene* scene = build_scene("SCENE.3DS", 320, 200, [](Scene& s) {
        ++calls;
        viewBefore = s.view != nullptr;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(viewBefore);
    EXPECT_EQ(scene->view->width, 320);
}

TEST(SceneBuild, ParentChainsThatLoopAreCut)
{
    ScratchDir dir;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) {
            w.mesh_object(triangle("A"));
            w.mesh_object(triangle("B"));
            w.mesh_object(triangle("C"));
        },
        [](ChunkWriter& w) {
            w.begin_node(chunk_id::MESH_TRACK, 1, "A", 2);
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 2, "B", 1);
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 3, "C", 3);  // its own parent
            w.close();
        }));
    // Every chain now ends: walking up from any node reaches a node without parent.
    for (SceneNode* node = scene->nodes; node; node = node->next) {
        int steps = 0;
        for (SceneNode* p = node; p->parent != NO_PARENT && steps < 10; ++steps) {
            SceneNode* next = nullptr;
            for (SceneNode* q = scene->nodes; q && !next; q = q->next)
                if (q->objectNumber == p->parent)
                    next = q;
            if (!next)
                break;
            p = next;
        }
        EXPECT_LT(steps, 10) << node->name;
    }
    EXPECT_EQ(find_node_by_name(*scene, NODE_MESH, "C")->parent, NO_PARENT);
}

TEST(SceneRecords, LookupsMatchByTypeNameOrBoth)
{
    ScratchDir dir;
    Scene* scene = build(editor_file([](ChunkWriter& w) {
        w.mesh_object(triangle("X"));
        w.omni_object("X", {0, 0, 0}, {1, 1, 1});
    }));
    EXPECT_EQ(find_node_by_name(*scene, 0, "X")->type, NODE_OMNI);  // newest first
    EXPECT_EQ(find_node_by_name(*scene, NODE_MESH, nullptr)->type, NODE_MESH);
    EXPECT_EQ(fatal_message([&] { find_node_by_name(*scene, NODE_CAMERA, "X"); }), "No such node!");
    EXPECT_EQ(fatal_message([&] { find_material(*scene, "X"); }), "No such material!");
}

TEST(SceneBuild, ALongParentLoopIsCutOnceAndQuickly)
{
    ScratchDir dir;
    constexpr int N = 30000;
    Scene* scene = build(editor_file(
        [](ChunkWriter& w) { w.mesh_object(triangle("BOX")); },
        [](ChunkWriter& w) {
            // Dummy i hangs from dummy i + 1; the last hangs from the first.
            for (int i = 0; i < N; ++i) {
                w.begin_node(chunk_id::MESH_TRACK, uint16_t(i), "$$$DUMMY", uint16_t((i + 1) % N));
                w.close();
            }
        }));
    int cut = 0;
    for (SceneNode* node = scene->nodes; node; node = node->next)
        cut += node->type == NODE_DUMMY && node->parent == NO_PARENT;
    EXPECT_EQ(cut, 1);
}
