// The built-in production loads, and carries every feature the player has: checked on the
// records the loader builds, so that a change of the generator cannot quietly drop one.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "loader/scene_build.h"
#include "scene/scene_records.h"
#include "tests/tools/demo_files.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

using namespace demo_test;

namespace {

constexpr float kFullTurn = 6.2831853f;

void no_preparation(Scene&) {}

// The production loaded once for all tests of this file, from its own directory (the player
// finds the textures relative to the working directory).
Scene& demo_scene()
{
    static Scene* scene = [] {
        testing_support::InDirectory inside(demo_dir());
        return build_scene("sarnoj1.3ds", 640, 480, no_preparation);
    }();
    return *scene;
}

template <class F>
int count_nodes(Scene& scene, F predicate)
{
    int n = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        n += predicate(*node) ? 1 : 0;
    return n;
}

Mesh& mesh_named(Scene& scene, const char* name)
{
    return *static_cast<Mesh*>(find_node_by_name(scene, NODE_MESH, name)->data);
}

bool turns_more_than_once(const RotationTrack& track)
{
    for (int k = 1; k < track.keyCount; ++k)
        if (std::abs(track.angleAxis[k][0] - track.angleAxis[k - 1][0]) > kFullTurn)
            return true;
    return false;
}

// Every test reads the production: none runs without it, and each says why.
class DemoScene : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(std::filesystem::exists(demo_dir() / "sarnoj1.3ds")); }
};

}  // namespace

TEST_F(DemoScene, LoadsWithItsFrameRangeAndStaysWithinTheDeviceVertexLimit)
{
    Scene& scene = demo_scene();
    EXPECT_EQ(scene.startFrame, 0u);
    EXPECT_EQ(scene.endFrame, 1150u);
    long vertices = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next) {
        if (node->type != NODE_MESH)
            continue;
        Mesh& mesh = *static_cast<Mesh*>(node->data);
        vertices += mesh.vertexCount;
        for (int f = 0; f < mesh.faceCount; ++f)
            for (int bit = 0; bit < 3; ++bit)
                vertices += (mesh.faces[f].wrapFixed >> bit) & 1;
    }
    EXPECT_LT(vertices, 65535);
    // Light enough for a software device: a few thousand vertices.
    EXPECT_LT(vertices, 12000);
}

TEST_F(DemoScene, CameraFliesWithFieldOfViewAndRollKeys)
{
    Scene& scene = demo_scene();
    ASSERT_NE(scene.camera, nullptr);
    Camera& camera = *static_cast<Camera*>(scene.camera->data);
    EXPECT_GE(camera.positionTrack.keyCount, 10);
    EXPECT_GE(camera.targetTrack.keyCount, 10);
    EXPECT_GE(camera.fovTrack.keyCount, 3);
    ASSERT_GE(camera.rollTrack.keyCount, 3);
    float lowest = 1e9f, highest = -1e9f;
    for (int k = 0; k < camera.rollTrack.keyCount; ++k) {
        lowest = std::min(lowest, camera.rollTrack.values[k]);
        highest = std::max(highest, camera.rollTrack.values[k]);
    }
    EXPECT_GE(highest - lowest, 360.0f);  // a full barrel roll
    // Some camera keys carry spline parameters.
    int shaped = 0;
    for (int k = 0; k < camera.positionTrack.keyCount; ++k)
        shaped += camera.positionTrack.keys[k].flags != 0;
    EXPECT_GE(shaped, 3);
}

TEST_F(DemoScene, HierarchyOfDummiesWithPivotsAndMultiTurnRotations)
{
    Scene& scene = demo_scene();
    std::set<uint16_t> dummyNumbers;
    bool pivot = false;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        if (node->type == NODE_DUMMY) {
            dummyNumbers.insert(node->objectNumber);
            DummyObject& dummy = *static_cast<DummyObject*>(node->data);
            pivot |= dummy.pivot[0] != 0 || dummy.pivot[1] != 0 || dummy.pivot[2] != 0;
        }
    EXPECT_GE(dummyNumbers.size(), 3u);
    EXPECT_TRUE(pivot);
    // Dummies under dummies, and meshes and a light under dummies.
    EXPECT_GE(count_nodes(scene, [&](SceneNode& n) {
                  return n.type == NODE_DUMMY && dummyNumbers.count(n.parent);
              }), 2);
    EXPECT_GE(count_nodes(scene, [&](SceneNode& n) {
                  return n.type == NODE_MESH && dummyNumbers.count(n.parent);
              }), 2);
    EXPECT_EQ(count_nodes(scene, [&](SceneNode& n) {
                  return n.type == NODE_OMNI && dummyNumbers.count(n.parent);
              }), 1);
    EXPECT_GE(count_nodes(scene, [](SceneNode& n) {
                  if (n.type == NODE_MESH)
                      return turns_more_than_once(static_cast<Mesh*>(n.data)->rotationTrack);
                  if (n.type == NODE_DUMMY)
                      return turns_more_than_once(static_cast<DummyObject*>(n.data)->rotationTrack);
                  return false;
              }), 5);
    // A mesh swinging about its pivot on a repeating track.
    Mesh& banner = mesh_named(scene, "BANNER1");
    EXPECT_NE(banner.pivot[2], 0.0f);
    EXPECT_EQ(banner.rotationTrack.flags & 3, 2);
}

TEST_F(DemoScene, HeartMorphsThroughHiddenShapesOfItsVertexCount)
{
    Scene& scene = demo_scene();
    Mesh& heart = mesh_named(scene, "HEART");
    ASSERT_GE(heart.morphTrack.keyCount, 4);
    EXPECT_EQ(heart.morphTrack.vertexTrackCount, heart.vertexCount);
    std::set<std::string> shapes;
    for (int k = 0; k < heart.morphTrack.keyCount; ++k) {
        const char* target = heart.morphTrack.targetNames[k];
        shapes.insert(target);
        SceneNode* node = find_node_by_name(scene, NODE_MESH, target);
        EXPECT_EQ(static_cast<Mesh*>(node->data)->vertexCount, heart.vertexCount) << target;
        if (std::strcmp(target, "HEART") != 0) {
            EXPECT_TRUE(node->flags1 & NODE_HIDDEN_FLAG) << target << " shows";
        }
    }
    EXPECT_GE(shapes.size(), 3u);
    // Beams and crystals appear and vanish by hide keys.
    EXPECT_EQ(mesh_named(scene, "CRYSTAL1").hideCount, 2);
    EXPECT_GT(mesh_named(scene, "BEAM1").hideCount, 10);
}

TEST_F(DemoScene, LightsFadeChangeColourAndTheAmbientIsAnimated)
{
    Scene& scene = demo_scene();
    ASSERT_GE(scene.omniCount, 3);
    int fading = 0, coloured = 0, looping = 0;
    for (int i = 0; i < scene.omniCount; ++i) {
        Light& light = *static_cast<Light*>(scene.omniNodes[i]->data);
        EXPECT_TRUE(light.on);
        fading += light.fading && light.rangeEnd > light.rangeStart;
        coloured += light.colourTrack.keyCount > 1;
        looping += (light.colourTrack.flags & 3) == 3;
    }
    EXPECT_GE(fading, 2);
    EXPECT_EQ(coloured, scene.omniCount);
    EXPECT_EQ(looping, 1);
    SceneNode* spot = find_node_by_name(scene, NODE_SPOTLIGHT, "SEARCH");
    EXPECT_GT(static_cast<SpotLight*>(spot->data)->targetTrack.keyCount, 5);
    EXPECT_GT(scene.ambientTrack.keyCount, 3);
}

TEST_F(DemoScene, MaterialsCoverEveryKindOfSurface)
{
    Scene& scene = demo_scene();
    auto material = [&](const char* name) { return find_material(scene, name); };
    Material* chrome = material("CHROME");
    EXPECT_TRUE(chrome->envMapped);
    ASSERT_NE(chrome->texture1, nullptr);
    EXPECT_EQ(chrome->reflectionMap, nullptr);

    Material* lace = material("GOLDEN LACE");  // opacity map folded into the texture's alpha
    EXPECT_NE(lace->blendTable, nullptr);
    EXPECT_EQ(lace->opacityMap, nullptr);
    EXPECT_FALSE(lace->additive);
    std::set<uint32_t> alphas;
    for (int i = 0; i < lace->texture1->width * lace->texture1->height; ++i)
        alphas.insert(lace->texture1->pixels[i] >> 24);
    EXPECT_TRUE(alphas.count(0) && alphas.count(255));

    EXPECT_TRUE(material("LIGHT BEAM")->additive);
    EXPECT_NE(material("LIGHT BEAM")->blendTable, nullptr);
    EXPECT_NE(material("HALO GLASS")->blendTable, nullptr);
    EXPECT_TRUE(material("BANNER CLOTH")->twoSided);
    EXPECT_TRUE(material("DOME WIRE")->wireframe);
    Material* veil = material("VEIL");
    EXPECT_NE(veil->shininessMap, nullptr);
    EXPECT_EQ(veil->texture1, nullptr);

    // Every image decoded, whatever case or extension the scene gave its name: JPEG (marble),
    // three-plane PCX (stone, banner), one-plane PCX (lava, glow).
    for (const char* name :
         {"MARBLE FLOOR", "FLUTED STONE", "BANNER CLOTH", "LAVA HEART", "HALO GLASS"}) {
        TextureMap* map = material(name)->texture1;
        ASSERT_NE(map, nullptr) << name;
        EXPECT_NE(map->pixels, nullptr) << name;
        EXPECT_GE(map->width, 64) << name;
        EXPECT_EQ(map->width & (map->width - 1), 0) << name << ": not a power of two";
    }
    EXPECT_EQ(material("BANNER CLOTH")->texture1->height, 128);
}

#ifdef SCENE_DUMP_PATH
TEST_F(DemoScene, SceneDumpPrintsTheCameraFieldOfView)
{
    ScratchDir out("scene-dump");
    const std::string tool = quoted(SCENE_DUMP_PATH);
    ASSERT_EQ(run(tool + " --help > " + quoted(out.path / "help.txt")), 0);
    const std::vector<uint8_t> help = read_bytes(out.path / "help.txt");
    EXPECT_EQ(std::string(help.begin(), help.end()).rfind("usage: scene-dump", 0), 0u);
    EXPECT_EQ(run(tool + " > /dev/null 2>&1"), 2);

    const std::filesystem::path json = out.path / "scene.json";
    ASSERT_EQ(run(tool + " " + quoted(demo_dir() / "sarnoj1.3ds") + " > " + quoted(json)),
              0);
    const std::string text = read_text(json);
    char fov[48];
    std::snprintf(fov, sizeof fov, "\"fov\": %.9g,",
                  double(static_cast<Camera*>(demo_scene().camera->data)->fov));
    EXPECT_NE(text.find(fov), std::string::npos) << fov;
}

// The files the web build fetches: those the player opens, found as it finds them (case-blind,
// backslash folders, the JPG and PCX fall-backs), and nothing else of the folder.
TEST(SceneDump, FilesAreThoseThePlayerOpens)
{
    ScratchDir dir("scene-files");
    const std::vector<uint32_t> pixels(16 * 16, 0x808080);
    std::filesystem::create_directory(dir.path / "MAPS");
    ASSERT_TRUE(write_jpeg((dir.path / "MAPS/brick.JPG").string(), pixels, 16, 16));
    ASSERT_TRUE(write_file_bytes(dir.file("WALL.pcx"), encode_pcx_rgb(pixels, 16, 16)));
    ASSERT_TRUE(write_file_bytes(dir.file("SARNOJ.MP3"), std::vector<uint8_t>(4, 0)));
    for (const char* junk : {"notes.wav", ".DS_Store", "unused.jpg", "wall.bmp.zip"})
        ASSERT_TRUE(write_file_bytes(dir.file(junk), std::vector<uint8_t>(4, 0)));
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "BRICK", .maps = {{.fileName = "maps\\Brick.jpg"}}});
    w.material({.name = "WALL", .maps = {{.fileName = "wall.bmp"}}});
    w.mesh_object({.name = "TRI", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                   .faces = {{0, 1, 2}}, .faceMaterials = {{"BRICK", {0}}},
                   .mappings = {{0, 0}, {1, 0}, {0, 1}}});
    w.close();
    w.open(chunk_id::KEYFRAMER_DATA);
    w.frames(0, 10);
    w.begin_node(chunk_id::MESH_TRACK, 0, "TRI");
    w.track(chunk_id::POSITION_KEYS, {{.value = {0, 0, 0}}});
    w.close();
    w.close();
    w.close();
    w.save(dir.file("Sarnoj1.3DS"));

    const std::filesystem::path list = dir.path / "files.txt";
    ASSERT_EQ(run(quoted(SCENE_DUMP_PATH) + " " + quoted(dir.path / "sarnoj1.3ds") +
                  " --files > " + quoted(list)),
              0);
    EXPECT_EQ(read_text(list), "MAPS/brick.JPG\nSARNOJ.MP3\nSarnoj1.3DS\nWALL.pcx\n");
}
#endif
