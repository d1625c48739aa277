#include "tests/app/soak_scene.h"

#include <cmath>
#include <string>
#include <vector>

#include "tools/writers/chunk_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

using namespace chunk_id;

namespace {

constexpr float pi = 3.14159265f;

// A torus of rings x sides quads, two faces each, with wrapping texture coordinates.
MeshDesc torus(const std::string& name, V3 centre, float major, float minor, int rings, int sides,
               const std::string& material)
{
    MeshDesc mesh;
    mesh.name = name;
    for (int r = 0; r <= rings; ++r) {
        for (int s = 0; s <= sides; ++s) {
            float a = 2 * pi * float(r) / float(rings), b = 2 * pi * float(s) / float(sides);
            float radius = major + minor * std::cos(b);
            mesh.vertices.push_back({centre[0] + radius * std::cos(a),
                                     centre[1] + radius * std::sin(a),
                                     centre[2] + minor * std::sin(b)});
            mesh.mappings.push_back({float(r) / float(rings) * 2, float(s) / float(sides)});
        }
    }
    FaceMaterialDesc all{material, {}};
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            auto at = [&](int i, int j) { return uint16_t(i * (sides + 1) + j); };
            all.faces.push_back(uint16_t(mesh.faces.size()));
            mesh.faces.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1), 7});
            all.faces.push_back(uint16_t(mesh.faces.size()));
            mesh.faces.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1), 7});
        }
    }
    mesh.faceMaterials.push_back(all);
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, centre[0], centre[1], centre[2]};
    return mesh;
}

std::vector<uint32_t> checker(int side, uint32_t a, uint32_t b)
{
    std::vector<uint32_t> pixels(size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pixels[size_t(y) * side + x] = (x / 8 + y / 8) % 2 ? a : b;
    return pixels;
}

bool write_textures(const std::filesystem::path& dir)
{
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = uint8_t(i);
        palette[3 * i + 1] = uint8_t(i / 2);
        palette[3 * i + 2] = uint8_t(255 - i);
    }
    std::vector<uint8_t> indices(64 * 64);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(i % 64 * 4);
    return write_file_bytes((dir / "stone.pcx").string(),
                            encode_pcx_rgb(checker(128, 0x806040, 0x403020), 128, 128)) &&
           write_file_bytes((dir / "glow.pcx").string(),
                            encode_pcx_indexed(indices, 64, 64, palette)) &&
           write_jpeg((dir / "metal.jpg").string(), checker(256, 0xC0C0D0, 0x505060), 256, 256) &&
           write_jpeg((dir / "mask.jpg").string(), checker(64, 0xFFFFFF, 0x000000), 64, 64);
}

KeyDesc key3(int frame, V3 value)
{
    return {.frame = frame, .value = {value[0], value[1], value[2]}};
}

}  // namespace

bool write_soak_scene(const std::filesystem::path& dir)
{
    if (!write_textures(dir))
        return false;
    ChunkWriter w;
    w.open(MAIN_CHUNK);
    w.version(3);
    w.open(OBJECT_MESH_DATA);
    w.background(0, 0, 0.1f);
    w.ambient(0.2f, 0.2f, 0.25f);
    w.material({.name = "Stone", .maps = {{.slot = TEXTURE_MAP_1, .fileName = "STONE.PCX"}}});
    w.material({.name = "Metal", .maps = {{.slot = REFLECTION_MAP, .fileName = "metal.jpg"}}});
    w.material({.name = "Glass", .transparencyPercent = 40, .twoSided = true,
                .maps = {{.slot = TEXTURE_MAP_1, .fileName = "metal.jpg"}}});
    w.material({.name = "Glow", .additive = true,
                .maps = {{.slot = TEXTURE_MAP_1, .fileName = "glow.pcx"},
                         {.slot = OPACITY_MAP, .fileName = "mask.jpg"}}});
    w.material({.name = "Plain", .ambient = {200, 120, 40}, .shading = 1});
    w.material({.name = "Wire", .wireframe = true});

    // 24 tori of 800 faces in a ring, a morphing pair and the floor: some 20,000 faces.
    const char* materials[] = {"Stone", "Metal", "Glass", "Glow", "Plain", "Wire"};
    for (int i = 0; i < 24; ++i) {
        float angle = 2 * pi * float(i) / 24;
        w.mesh_object(torus("Ring" + std::to_string(i),
                            {150 * std::cos(angle), 150 * std::sin(angle), 0}, 12, 4, 20, 20,
                            materials[i % 6]));
    }
    w.mesh_object(torus("Blob", {0, 0, 30}, 20, 8, 16, 12, "Plain"));
    w.mesh_object(torus("BlobFat", {0, 0, 30}, 20, 14, 16, 12, "Plain"));
    w.omni_object("Sun", {0, 0, 200}, {1, 0.9f, 0.8f});
    w.omni_object("Moon", {-200, 0, 50}, {0.3f, 0.3f, 0.6f});
    w.camera_object("Cam", {0, -300, 120}, {0, 0, 0}, 0, 40);
    w.close();

    w.open(KEYFRAMER_DATA);
    w.frames(0, 1150);
    w.begin_node(AMBIENT_TRACK, 0, "$AMBIENT$");
    w.track(COLOR_KEYS, {key3(0, {0.1f, 0.1f, 0.1f}), key3(1150, {0.3f, 0.2f, 0.2f})});
    w.close();
    w.begin_node(MESH_TRACK, 1, "$$$DUMMY");
    w.dummy_name("Spinner");
    w.track(ROTATION_KEYS, {{.frame = 0, .value = {0, 0, 0, 1}},
                            {.frame = 575, .value = {pi, 0, 0, 1}},
                            {.frame = 1150, .value = {pi, 0, 0, 1}}});
    w.close();
    for (int i = 0; i < 24; ++i) {
        float angle = 2 * pi * float(i) / 24;
        V3 at = {150 * std::cos(angle), 150 * std::sin(angle), 0};
        w.begin_node(MESH_TRACK, uint16_t(2 + i), "Ring" + std::to_string(i), 1);
        w.track(POSITION_KEYS, {key3(0, at), key3(300 + 20 * i, {at[0], at[1], 40}), key3(1150, at)});
        w.track(ROTATION_KEYS, {{.frame = 0, .value = {0, 0, 0, 1}},
                                {.frame = 400, .value = {pi / 2, 1, 0, 0}}},
                i % 2 ? 2 : 0);
        if (i % 5 == 0) {
            const int32_t hidden[] = {100 + 10 * i, 200 + 10 * i};
            w.hide_track(hidden);
        }
        w.close();
    }
    w.begin_node(MESH_TRACK, 30, "Blob");
    w.track(MORPH_KEYS, {{.frame = 0, .morphTarget = "Blob"},
                         {.frame = 500, .morphTarget = "BlobFat"},
                         {.frame = 1000, .morphTarget = "Blob"}});
    w.close();
    w.begin_node(MESH_TRACK, 31, "BlobFat");
    w.track(POSITION_KEYS, {key3(0, {0, 0, -1000})});
    w.close();
    w.begin_node(OMNI_TRACK, 32, "Sun");
    w.track(POSITION_KEYS, {key3(0, {0, 0, 200}), key3(1150, {100, 100, 150})});
    w.track(COLOR_KEYS, {key3(0, {1, 0.9f, 0.8f}), key3(700, {1, 0.5f, 0.3f})});
    w.close();
    w.begin_node(OMNI_TRACK, 33, "Moon");
    w.close();
    w.begin_node(CAMERA_TRACK, 34, "Cam");
    w.track(POSITION_KEYS, {key3(0, {0, -300, 120}), key3(400, {300, 0, 80}),
                            key3(800, {0, 300, 40}), key3(1150, {-300, 0, 120})});
    w.track(FOV_KEYS, {{.frame = 0, .value = {40}}, {.frame = 1150, .value = {70}}});
    w.track(ROLL_KEYS, {{.frame = 0, .value = {0}}, {.frame = 1150, .value = {20}}});
    w.close();
    w.begin_node(CAMERA_TARGET_TRACK, 35, "Cam");
    w.track(POSITION_KEYS, {key3(0, {0, 0, 0}), key3(1150, {0, 0, 30})});
    w.close();
    w.close();
    w.close();
    return w.save((dir / "sarnoj1.3ds").string());
}
