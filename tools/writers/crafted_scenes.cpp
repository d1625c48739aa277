#include "tools/writers/crafted_scenes.h"

#include <cstdint>
#include <string>
#include <vector>

#include "tools/writers/chunk_writer.h"
#include "tools/writers/pcx_writer.h"

namespace fs = std::filesystem;

namespace {

MeshDesc box(const std::string& name, V3 centre, float half, const std::string& material)
{
    MeshDesc mesh;
    mesh.name = name;
    for (int i = 0; i < 8; ++i)
        mesh.vertices.push_back({centre[0] + (i & 1 ? half : -half),
                                 centre[1] + (i & 2 ? half : -half),
                                 centre[2] + (i & 4 ? half : -half)});
    for (int i = 0; i < 8; ++i)
        mesh.mappings.push_back({i & 1 ? 1.0f : 0.0f, i & 2 ? 1.0f : 0.0f});
    const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        mesh.faces.push_back({q[0], q[1], q[2]});
        mesh.faces.push_back({q[0], q[2], q[3]});
    }
    std::vector<uint16_t> all;
    for (uint16_t f = 0; f < 12; ++f)
        all.push_back(f);
    if (!material.empty())
        mesh.faceMaterials.push_back({material, all});
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, centre[0], centre[1], centre[2]};
    return mesh;
}

MeshDesc pyramid(const std::string& name, V3 base, float half, const std::string& material)
{
    MeshDesc mesh;
    mesh.name = name;
    mesh.vertices = {{base[0] - half, base[1] - half, base[2]},
                     {base[0] + half, base[1] - half, base[2]},
                     {base[0] + half, base[1] + half, base[2]},
                     {base[0] - half, base[1] + half, base[2]},
                     {base[0], base[1], base[2] + 2 * half}};
    mesh.faces = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}, {0, 2, 1}, {0, 3, 2}};
    mesh.faceMaterials.push_back({material, {0, 1, 2, 3, 4, 5}});
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, base[0], base[1], base[2]};
    return mesh;
}

bool write_checker(const fs::path& file, uint32_t a, uint32_t b)
{
    std::vector<uint32_t> pixels(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            pixels[size_t(y * 64 + x)] = ((x ^ y) & 8) ? a : b;
    return write_file_bytes(file.string(), encode_pcx_rgb(pixels, 64, 64));
}

KeyDesc key(int frame, std::vector<float> value) { return KeyDesc{.frame = frame, .value = value}; }

}  // namespace

bool write_lit_scene(const fs::path& dir)
{
    if (!write_checker(dir / "checker.pcx", 0xE0C040, 0x4060C0))
        return false;
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.ambient(0.3f, 0.3f, 0.3f);
    w.material({.name = "CHECKER", .shading = 3, .maps = {{.fileName = "checker.pcx"}}});
    w.material({.name = "CLAY", .shading = 1});
    w.material({.name = "GLASS", .transparencyPercent = 50, .shading = 3, .twoSided = true,
                .maps = {{.fileName = "checker.pcx"}}});
    w.material({.name = "WIRE", .wireframe = true});
    w.mesh_object(box("CUBE", {0, 0, 0}, 20, "CHECKER"));
    w.mesh_object(pyramid("PYRAMID", {-50, 0, -20}, 15, "CLAY"));
    MeshDesc pane = box("PANE", {45, 0, 0}, 18, "GLASS");
    w.mesh_object(pane);
    w.mesh_object(box("FRAME", {0, 45, 0}, 12, "WIRE"));
    w.begin_object("LAMP");
    w.begin_light({-60, -80, 80}, {1.0f, 0.9f, 0.8f});
    w.float_chunk(chunk_id::MULTIPLIER, 1.0f);  // without it a light gives nothing
    w.close();
    w.close();
    w.camera_object("CAM", {30, -160, 70}, {0, 0, 0}, 0, 50);
    w.close();

    w.open(chunk_id::KEYFRAMER_DATA);
    w.frames(0, 100);
    w.begin_node(chunk_id::CAMERA_TRACK, 0, "CAM");
    w.track(chunk_id::POSITION_KEYS, {key(0, {30, -160, 70}), key(100, {-40, -150, 90})});
    w.close();
    w.begin_node(chunk_id::CAMERA_TARGET_TRACK, 1, "CAM");
    w.track(chunk_id::POSITION_KEYS, {key(0, {0, 0, 0})});
    w.close();
    w.begin_node(chunk_id::MESH_TRACK, 2, "CUBE");
    w.track(chunk_id::POSITION_KEYS, {key(0, {0, 0, 0})});
    w.track(chunk_id::ROTATION_KEYS, {key(0, {0, 0, 0, 1}), key(100, {3.0f, 0, 0, 1})});
    w.close();
    w.begin_node(chunk_id::MESH_TRACK, 3, "$$$DUMMY");
    w.dummy_name("MOVER");
    w.track(chunk_id::POSITION_KEYS, {key(0, {0, 0, 0}), key(100, {0, -40, 0})});
    w.close();
    w.begin_node(chunk_id::MESH_TRACK, 4, "PYRAMID", 3);
    w.pivot({0, 0, 0});
    w.track(chunk_id::POSITION_KEYS, {key(0, {-50, 0, -20})});
    w.close();
    w.begin_node(chunk_id::MESH_TRACK, 5, "PANE");
    w.track(chunk_id::POSITION_KEYS, {key(0, {45, 0, 0})});
    w.close();
    w.begin_node(chunk_id::OMNI_TRACK, 6, "LAMP");
    w.track(chunk_id::POSITION_KEYS, {key(0, {-60, -80, 80})});
    w.track(chunk_id::COLOR_KEYS, {key(0, {1.0f, 0.9f, 0.8f})});
    w.close();
    w.close();
    w.close();
    return w.save((dir / "lit.3ds").string());
}

bool write_headlight_scene(const fs::path& dir)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "PAINT", .shading = 3});
    w.mesh_object(box("BLOCK", {0, 0, 0}, 25, "PAINT"));
    w.mesh_object(pyramid("ROOF", {0, 0, 25}, 25, "PAINT"));
    w.camera_object("EYE", {80, -120, 90}, {0, 0, 10}, 0, 45);
    w.close();
    w.close();
    return w.save((dir / "headlight.3ds").string());
}

bool write_paused_scene(const fs::path& dir)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "PAINT", .shading = 3});
    w.mesh_object(box("AHEAD", {0, 0, 80}, 15, "PAINT"));
    w.close();
    w.close();
    return w.save((dir / "paused.3ds").string());
}

bool write_near_plane_scene(const fs::path& dir)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "FLOOR", .shading = 3, .twoSided = true});
    MeshDesc floor;
    floor.name = "FLOOR";
    // A light fading out by 700 units, straight above the two far corners: the corner behind
    // the camera, 800 units away, is dark.
    floor.vertices = {{0, -300, 0}, {-60, 500, 0}, {60, 500, 0}};
    floor.faces = {{0, 2, 1}};
    floor.faceMaterials.push_back({"FLOOR", {0}});
    floor.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    w.mesh_object(floor);
    w.begin_object("SUN");
    w.begin_light({0, 500, 100}, {1.0f, 1.0f, 1.0f});
    w.float_chunk(chunk_id::MULTIPLIER, 1.0f);
    w.empty(chunk_id::FADING_IS_ON);
    w.float_chunk(chunk_id::RANGE_START, 50.0f);
    w.float_chunk(chunk_id::RANGE_END, 700.0f);
    w.close();
    w.close();
    w.camera_object("CAM", {0, 0, 30}, {0, 200, 0}, 0, 60);
    w.close();
    w.close();
    return w.save((dir / "near-plane.3ds").string());
}

bool write_crafted_scenes(const fs::path& dir)
{
    std::error_code error;
    fs::create_directories(dir, error);
    return !error && write_lit_scene(dir) && write_headlight_scene(dir) &&
           write_paused_scene(dir) && write_near_plane_scene(dir);
}
