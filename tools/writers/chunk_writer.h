#pragma once
// A small builder of 3D Studio chunk trees: tests state their scenes as code with it, and the demo
// generator writes its scene with it. Chunks are opened and closed like brackets; closing patches
// the chunk's length. The helpers write the chunks the player reads, complete with their usual
// sub-chunks; the raw calls (header, u8 ... string) let a test craft any broken file it needs.
//
//   ChunkWriter w;
//   w.open(chunk_id::MAIN_CHUNK);
//   w.open(chunk_id::OBJECT_MESH_DATA);
//   w.mesh_object({.name = "Box01", .vertices = {...}, .faces = {...}});
//   w.close();
//   w.close();
//   w.save("scene.3ds");

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "loader/chunk_ids.h"

using V2 = std::array<float, 2>;
using V3 = std::array<float, 3>;

struct FaceDesc {
    uint16_t a = 0, b = 0, c = 0;
    uint16_t flags = 7;  // all three edges visible
};

struct FaceMaterialDesc {
    std::string material = {};
    std::vector<uint16_t> faces = {};
};

// One mesh object: "Object Block" with its "Triangular Mesh". Empty lists write no chunk; an
// empty matrix writes none either (the identity otherwise: set hasMatrix).
struct MeshDesc {
    std::string name = {};
    std::vector<V3> vertices = {};
    std::vector<FaceDesc> faces = {};
    std::vector<FaceMaterialDesc> faceMaterials = {};
    std::vector<V2> mappings = {};  // as stored in the file (v not negated)
    bool hasMatrix = true;
    std::array<float, 12> matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};  // X, Y, Z axes, origin
};

struct MapDesc {
    uint16_t slot = chunk_id::TEXTURE_MAP_1;
    std::string fileName = {};  // empty: no "Map Filename"
    bool hasScale = false;
    float uScale = 1, vScale = 1, uOffset = 0, vOffset = 0;
};

struct MaterialDesc {
    std::string name = {};
    std::array<uint8_t, 3> ambient = {0, 0, 0};
    int transparencyPercent = -1;  // "Percent (int)" under "Transparency Percent"; -1: none
    int shading = 3;
    bool twoSided = false, additive = false, wireframe = false;
    std::vector<MapDesc> maps = {};
};

// One key of a track. The five parameters are written for the set bits 0 to 4 of flags, lowest
// first; set bits above bit 4 write a float of 0 each.
struct KeyDesc {
    int32_t frame = 0;
    uint16_t flags = 0;
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
    std::vector<float> value = {};  // 3 floats, 4 for rotation (angle, axis), 1 for FOV and roll
    std::string morphTarget = {};   // "Morph Keys" only: written instead of value
};

class ChunkWriter {
public:
    // Brackets: open writes the id and a length that close patches.
    void open(uint16_t id);
    void close();
    // A complete chunk without body, and a header with a length as given (for broken files).
    void empty(uint16_t id);
    void header(uint16_t id, uint32_t length);

    void u8(uint8_t value);
    void u16(uint16_t value);
    void u32(uint32_t value);
    void f32(float value);
    void floats(std::initializer_list<float> values);
    void floats(std::span<const float> values);
    void string(std::string_view text);  // zero-terminated
    void raw(std::span<const uint8_t> data);

    // Common sub-chunks.
    void colour_float(float r, float g, float b, bool gamma = false);
    void colour_byte(uint8_t r, uint8_t g, uint8_t b, bool gamma = false);
    void percent_int(uint16_t value);
    void percent_float(float value);
    void float_chunk(uint16_t id, float value);
    void floats_chunk(uint16_t id, std::initializer_list<float> values);

    // Editor section.
    void version(uint32_t value);
    void background(float r, float g, float b);
    void ambient(float r, float g, float b);
    void begin_object(std::string_view name);  // open "Object Block" and write its name
    void vertices(std::span<const V3> list);
    void faces(std::span<const FaceDesc> list);      // the "Faces List" without sub-chunks
    void begin_faces(std::span<const FaceDesc> list);  // the same, left open for its sub-chunks
    void face_material(std::string_view material, std::span<const uint16_t> faces);
    void mappings(std::span<const V2> list);
    void matrix(const std::array<float, 12>& values);
    void mesh_object(const MeshDesc& mesh);
    // "Light" with its position and a float colour, left open for its sub-chunks.
    void begin_light(V3 position, V3 colour);
    void spotlight(V3 target, float hotspot, float falloff);
    void omni_object(std::string_view name, V3 position, V3 colour);
    void camera(V3 position, V3 target, float roll, float lens);
    void camera_object(std::string_view name, V3 position, V3 target, float roll = 0,
                       float lens = 45);
    void begin_material(std::string_view name);  // open "Material" and write "Material Name"
    void percent_chunk(uint16_t id, uint16_t percent);  // "Transparency/Reflection Percent"
    void map(const MapDesc& map);
    void material(const MaterialDesc& material);

    // Keyframer section.
    void begin_node(uint16_t block, uint16_t objectNumber, std::string_view name,
                    uint16_t parent = 0xFFFF, uint16_t flags1 = 0, uint16_t flags2 = 0);
    void node_header(std::string_view name, uint16_t flags1, uint16_t flags2, uint16_t parent);
    void dummy_name(std::string_view name);
    void pivot(V3 point);
    void track(uint16_t id, std::span<const KeyDesc> keys, uint16_t flags = 0);
    void track(uint16_t id, std::initializer_list<KeyDesc> keys, uint16_t flags = 0);
    void hide_track(std::span<const int32_t> frames);
    void frames(uint32_t start, uint32_t end);

    const std::vector<uint8_t>& bytes() const { return data_; }
    // Writes the bytes to a file; false when it cannot be written. Open chunks are written as
    // they stand.
    bool save(const std::string& path) const;

private:
    void patch_u32(size_t at, uint32_t value);
    void key(const KeyDesc& key);

    std::vector<uint8_t> data_;
    std::vector<size_t> open_;
};
