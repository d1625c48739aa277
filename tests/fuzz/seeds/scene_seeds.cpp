#include "tests/fuzz/seeds/scene_seeds.h"

#include "tests/fuzz/scene_textures.h"
#include "tools/writers/chunk_writer.h"

using namespace chunk_id;

namespace {

// A cube of 8 vertices and 12 faces around centre, with mappings, wrap flags on some faces and
// every face given a material.
MeshDesc cube(const std::string& name, V3 centre, float half, const std::string& material)
{
    MeshDesc mesh;
    mesh.name = name;
    for (int i = 0; i < 8; ++i) {
        mesh.vertices.push_back({centre[0] + (i & 1 ? half : -half),
                                 centre[1] + (i & 2 ? half : -half),
                                 centre[2] + (i & 4 ? half : -half)});
        mesh.mappings.push_back({i & 1 ? 0.95f : 0.1f, i & 2 ? 0.9f : 0.05f});
    }
    const uint16_t corners[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6},
                                     {0, 1, 4}, {1, 5, 4}, {2, 6, 3}, {3, 6, 7},
                                     {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
    for (int f = 0; f < 12; ++f) {
        uint16_t flags = uint16_t(7 | (f % 3 == 0 ? 8 : 0) | (f % 4 == 0 ? 16 : 0));
        mesh.faces.push_back({corners[f][0], corners[f][1], corners[f][2], flags});
    }
    FaceMaterialDesc all{material, {}};
    for (uint16_t f = 0; f < 12; ++f)
        all.faces.push_back(f);
    mesh.faceMaterials.push_back(all);
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, centre[0], centre[1], centre[2]};
    return mesh;
}

void editor_start(ChunkWriter& w)
{
    w.open(MAIN_CHUNK);
    w.version(3);
    w.open(OBJECT_MESH_DATA);
}

void camera_node(ChunkWriter& w, uint16_t number, const char* name)
{
    w.begin_node(CAMERA_TRACK, number, name);
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, -120, 30}},
                            {.frame = 600, .flags = 1, .tension = 0.5f, .value = {60, -90, 40}},
                            {.frame = 1150, .value = {0, -120, 30}}});
    w.track(FOV_KEYS, {{.frame = 0, .value = {45}}, {.frame = 900, .value = {60}}});
    w.track(ROLL_KEYS, {{.frame = 0, .value = {0}}, {.frame = 500, .flags = 2, .continuity = 0.3f,
                                                     .value = {10}}});
    w.close();
    w.begin_node(CAMERA_TARGET_TRACK, uint16_t(number + 1), name);
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, 0, 0}}, {.frame = 700, .value = {10, 5, 0}}});
    w.close();
}

// Everything at once: colours, every material chunk and map slot, meshes, an omni light with
// all its chunks, a spotlight, a camera, and a keyframer with every node block and track.
std::vector<uint8_t> everything()
{
    using namespace scene_textures;
    ChunkWriter w;
    editor_start(w);
    w.background(0.1f, 0.1f, 0.2f);
    w.ambient(0.2f, 0.2f, 0.2f);

    w.material({.name = "Brick", .ambient = {40, 30, 20}, .transparencyPercent = 50,
                .twoSided = true,
                .maps = {{.slot = TEXTURE_MAP_1, .fileName = rgb_pcx, .hasScale = true, .uScale = 2,
                          .vScale = 0.5f, .uOffset = 0.25f, .vOffset = 0.1f},
                         {.slot = OPACITY_MAP, .fileName = indexed_pcx}}});
    w.material({.name = "Glass", .additive = true, .wireframe = true,
                .maps = {{.slot = TEXTURE_MAP_2, .fileName = square_jpeg},
                         {.slot = BUMP_MAP, .fileName = odd_pcx},
                         {.slot = SHININESS_MAP, .fileName = wide_jpeg},
                         {.slot = SPECULAR_MAP, .fileName = rgb_pcx},
                         {.slot = SELF_ILLUM_MAP, .fileName = indexed_pcx}}});
    w.begin_material("Chrome");
    w.open(DIFFUSE_COLOR);
    w.colour_byte(200, 200, 200);
    w.close();
    w.open(SPECULAR_COLOR);
    w.colour_byte(255, 255, 255, true);
    w.close();
    w.open(REFLECTION_PERCENT);
    w.percent_float(40.0f);
    w.close();
    w.open(TRANSPARENCY_PERCENT);
    w.percent_float(25.0f);
    w.close();
    w.open(SHADING_METHOD);
    w.u16(2);
    w.close();
    w.map({.slot = REFLECTION_MAP, .fileName = square_jpeg});
    w.close();

    w.mesh_object(cube("Box01", {0, 0, 0}, 10, "Brick"));
    w.mesh_object(cube("Box02", {30, 0, 0}, 6, "Glass"));
    w.mesh_object(cube("Ball", {-30, 0, 5}, 4, "Chrome"));

    w.begin_object("Omni01");
    w.begin_light({0, -50, 50}, {1, 0.9f, 0.8f});
    w.colour_float(0.5f, 0.5f, 0.5f, true);
    w.empty(LIGHT_IS_OFF);
    w.empty(FADING_IS_ON);
    w.float_chunk(RANGE_START, 10);
    w.float_chunk(RANGE_END, 200);
    w.float_chunk(MULTIPLIER, 1.5f);
    w.close();
    w.close();
    w.begin_object("Spot01");
    w.begin_light({50, 50, 80}, {0.8f, 0.8f, 1});
    w.spotlight({0, 0, 0}, 30, 45);
    w.close();
    w.close();
    w.camera_object("Camera01", {0, -120, 30}, {0, 0, 0}, 5, 35);
    w.close();  // editor

    w.open(KEYFRAMER_DATA);
    w.frames(0, 1150);
    w.begin_node(AMBIENT_TRACK, 0, "$AMBIENT$");
    w.track(COLOR_KEYS, {{.frame = 0, .value = {0.1f, 0.1f, 0.1f}},
                          {.frame = 800, .value = {0.4f, 0.3f, 0.2f}}});
    w.close();
    w.begin_node(MESH_TRACK, 1, "$$$DUMMY");
    w.dummy_name("Pivot");
    w.pivot({1, 2, 3});
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, 0, 0}}});
    w.track(ROTATION_KEYS, {{.frame = 0, .value = {0, 0, 0, 1}},
                            {.frame = 575, .flags = 0x18, .easeTo = 0.5f, .easeFrom = 0.5f,
                             .value = {3.14159f, 0, 0, 1}},
                            {.frame = 1150, .value = {3.14159f, 0, 0, 1}}},
             3);
    w.track(SCALE_KEYS, {{.frame = 0, .value = {1, 1, 1}}});
    w.close();
    w.begin_node(MESH_TRACK, 2, "Box01", 1);
    w.pivot({0, 0, 0});
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, 0, 0}},
                            {.frame = 300, .flags = 7, .tension = 0.2f, .continuity = -0.3f,
                             .bias = 0.4f, .value = {0, 0, 20}},
                            {.frame = 1150, .value = {0, 0, 0}}},
             2);
    w.track(ROTATION_KEYS, {{.frame = 0, .value = {0, 0, 0, 1}},
                            {.frame = 400, .value = {1.5708f, 0, 1, 0}}});
    w.track(SCALE_KEYS, {{.frame = 0, .value = {1, 1, 1}}, {.frame = 900, .value = {2, 1, 1}}});
    w.track(MORPH_KEYS, {{.frame = 0, .morphTarget = "Box01"},
                         {.frame = 500, .morphTarget = "Box02"}});
    const int32_t hidden[] = {200, 260, 900};
    w.hide_track(hidden);
    w.close();
    w.begin_node(MESH_TRACK, 3, "Box02");
    w.track(POSITION_KEYS, {{.frame = 0, .value = {30, 0, 0}}});
    w.close();
    w.begin_node(MESH_TRACK, 4, "Ball", 2);
    w.close();
    w.begin_node(OMNI_TRACK, 5, "Omni01");
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, -50, 50}}, {.frame = 600, .value = {50, 0, 50}}});
    w.track(COLOR_KEYS, {{.frame = 0, .value = {1, 1, 1}}, {.frame = 600, .value = {1, 0, 0}}});
    w.close();
    w.begin_node(SPOT_POSITION_TRACK, 6, "Spot01");
    w.track(POSITION_KEYS, {{.frame = 0, .value = {50, 50, 80}}});
    w.track(COLOR_KEYS, {{.frame = 0, .value = {0.8f, 0.8f, 1}}});
    w.close();
    w.begin_node(SPOT_TARGET_TRACK, 7, "Spot01");
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, 0, 0}}, {.frame = 1000, .value = {30, 0, 0}}});
    w.close();
    camera_node(w, 8, "Camera01");
    w.close();  // keyframer
    w.close();  // main
    return w.bytes();
}

// One textured mesh and a camera: the texture search's fall-backs through the map name.
std::vector<uint8_t> textured(const char* mapName, uint16_t slot)
{
    ChunkWriter w;
    editor_start(w);
    w.material({.name = "Mat", .maps = {{.slot = slot, .fileName = mapName}}});
    w.mesh_object(cube("Box", {0, 0, 0}, 10, "Mat"));
    w.camera_object("Cam", {0, -60, 10}, {0, 0, 0});
    w.close();
    w.close();
    return w.bytes();
}

// A mesh without camera or keyframer: the free camera's scene.
std::vector<uint8_t> bare_mesh()
{
    ChunkWriter w;
    editor_start(w);
    MeshDesc mesh = cube("Lonely", {0, 0, 40}, 5, "");
    mesh.faceMaterials.clear();
    w.mesh_object(mesh);
    w.close();
    w.close();
    return w.bytes();
}

// A hierarchy of dummies and meshes with looping tracks.
std::vector<uint8_t> hierarchy()
{
    ChunkWriter w;
    editor_start(w);
    w.material({.name = "Plain", .ambient = {90, 90, 90}, .shading = 1});
    w.mesh_object(cube("Arm", {0, 0, 0}, 3, "Plain"));
    w.mesh_object(cube("Hand", {0, 10, 0}, 2, "Plain"));
    w.omni_object("Lamp", {0, 0, 60}, {1, 1, 1});
    w.camera_object("Eye", {0, -80, 20}, {0, 0, 0});
    w.close();
    w.open(KEYFRAMER_DATA);
    w.frames(0, 100);
    w.begin_node(MESH_TRACK, 0, "$$$DUMMY");
    w.dummy_name("Root");
    w.track(ROTATION_KEYS, {{.frame = 0, .value = {0, 0, 0, 1}}, {.frame = 50, .value = {1, 0, 0, 1}}},
            2);
    w.close();
    w.begin_node(MESH_TRACK, 1, "Arm", 0);
    w.track(POSITION_KEYS, {{.frame = 0, .value = {0, 0, 0}}, {.frame = 100, .value = {0, 0, 10}}},
            3);
    w.close();
    w.begin_node(MESH_TRACK, 2, "Hand", 1);
    w.close();
    w.begin_node(OMNI_TRACK, 3, "Lamp");
    w.close();
    camera_node(w, 4, "Eye");
    w.close();
    w.close();
    return w.bytes();
}

}  // namespace

std::vector<SceneSeed> scene_seeds()
{
    using namespace scene_textures;
    return {
        {"everything.3ds", everything(), {0, 321.4f, 1150}},
        {"texture_pcx.3ds", textured(rgb_pcx, TEXTURE_MAP_1), {10}},
        {"texture_jpeg_as_tga.3ds", textured("C.TGA", TEXTURE_MAP_1), {10}},
        {"texture_pcx_as_jpg.3ds", textured("E.JPG", TEXTURE_MAP_2), {10}},
        {"texture_lower_case.3ds", textured("b.pcx", TEXTURE_MAP_1), {10}},
        {"texture_missing.3ds", textured("NONE.GIF", TEXTURE_MAP_1), {10}},
        {"reflection_only.3ds", textured(wide_jpeg, REFLECTION_MAP), {10}},
        {"opacity_only.3ds", textured(indexed_pcx, OPACITY_MAP), {10}},
        {"bare_mesh.3ds", bare_mesh(), {0, 5}},
        {"hierarchy.3ds", hierarchy(), {0, 25.5f, 120}},
    };
}
