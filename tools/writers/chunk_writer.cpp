#include "tools/writers/chunk_writer.h"

#include <bit>
#include <cstdio>
#include <stdexcept>

#include "core/file_open.h"

void ChunkWriter::open(uint16_t id)
{
    open_.push_back(data_.size());
    u16(id);
    u32(0);
}

void ChunkWriter::close()
{
    if (open_.empty())
        throw std::logic_error("ChunkWriter::close without an open chunk");
    size_t start = open_.back();
    open_.pop_back();
    patch_u32(start + 2, static_cast<uint32_t>(data_.size() - start));
}

void ChunkWriter::empty(uint16_t id)
{
    open(id);
    close();
}

void ChunkWriter::header(uint16_t id, uint32_t length)
{
    u16(id);
    u32(length);
}

void ChunkWriter::u8(uint8_t value) { data_.push_back(value); }

void ChunkWriter::u16(uint16_t value)
{
    u8(static_cast<uint8_t>(value));
    u8(static_cast<uint8_t>(value >> 8));
}

void ChunkWriter::u32(uint32_t value)
{
    u16(static_cast<uint16_t>(value));
    u16(static_cast<uint16_t>(value >> 16));
}

void ChunkWriter::f32(float value) { u32(std::bit_cast<uint32_t>(value)); }

void ChunkWriter::floats(std::initializer_list<float> values)
{
    floats(std::span<const float>(values.begin(), values.size()));
}

void ChunkWriter::floats(std::span<const float> values)
{
    for (float value : values)
        f32(value);
}

void ChunkWriter::string(std::string_view text)
{
    data_.insert(data_.end(), text.begin(), text.end());
    u8(0);
}

void ChunkWriter::raw(std::span<const uint8_t> data) { data_.insert(data_.end(), data.begin(), data.end()); }

void ChunkWriter::patch_u32(size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        data_[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void ChunkWriter::colour_float(float r, float g, float b, bool gamma)
{
    floats_chunk(gamma ? chunk_id::RGB_FLOAT_GAMMA : chunk_id::RGB_FLOAT, {r, g, b});
}

void ChunkWriter::colour_byte(uint8_t r, uint8_t g, uint8_t b, bool gamma)
{
    open(gamma ? chunk_id::RGB_BYTE_GAMMA : chunk_id::RGB_BYTE);
    u8(r);
    u8(g);
    u8(b);
    close();
}

void ChunkWriter::percent_int(uint16_t value)
{
    open(chunk_id::PERCENT_INT);
    u16(value);
    close();
}

void ChunkWriter::percent_float(float value) { float_chunk(chunk_id::PERCENT_FLOAT, value); }

void ChunkWriter::float_chunk(uint16_t id, float value) { floats_chunk(id, {value}); }

void ChunkWriter::floats_chunk(uint16_t id, std::initializer_list<float> values)
{
    open(id);
    floats(values);
    close();
}

// --- editor section ---

void ChunkWriter::version(uint32_t value)
{
    open(chunk_id::VERSION_3DS);
    u32(value);
    close();
}

void ChunkWriter::background(float r, float g, float b)
{
    open(chunk_id::BACKGROUND_COLOR);
    colour_float(r, g, b);
    close();
}

void ChunkWriter::ambient(float r, float g, float b)
{
    open(chunk_id::AMBIENT_COLOR);
    colour_float(r, g, b);
    close();
}

void ChunkWriter::begin_object(std::string_view name)
{
    open(chunk_id::OBJECT_BLOCK);
    string(name);
}

void ChunkWriter::vertices(std::span<const V3> list)
{
    open(chunk_id::VERTICES_LIST);
    u16(static_cast<uint16_t>(list.size()));
    for (const V3& v : list)
        floats(v);
    close();
}

void ChunkWriter::begin_faces(std::span<const FaceDesc> list)
{
    open(chunk_id::FACES_LIST);
    u16(static_cast<uint16_t>(list.size()));
    for (const FaceDesc& f : list) {
        u16(f.a);
        u16(f.b);
        u16(f.c);
        u16(f.flags);
    }
}

void ChunkWriter::faces(std::span<const FaceDesc> list)
{
    begin_faces(list);
    close();
}

void ChunkWriter::face_material(std::string_view material, std::span<const uint16_t> faces)
{
    open(chunk_id::FACE_MATERIAL);
    string(material);
    u16(static_cast<uint16_t>(faces.size()));
    for (uint16_t f : faces)
        u16(f);
    close();
}

void ChunkWriter::mappings(std::span<const V2> list)
{
    open(chunk_id::MAPPINGS_LIST);
    u16(static_cast<uint16_t>(list.size()));
    for (const V2& uv : list)
        floats(uv);
    close();
}

void ChunkWriter::matrix(const std::array<float, 12>& values)
{
    open(chunk_id::OBJECT_MATRIX);
    floats(values);
    close();
}

void ChunkWriter::mesh_object(const MeshDesc& mesh)
{
    begin_object(mesh.name);
    open(chunk_id::TRIANGULAR_MESH);
    if (!mesh.vertices.empty())
        vertices(mesh.vertices);
    if (!mesh.mappings.empty())
        mappings(mesh.mappings);
    if (!mesh.faces.empty()) {
        begin_faces(mesh.faces);
        for (const FaceMaterialDesc& fm : mesh.faceMaterials)
            face_material(fm.material, fm.faces);
        close();
    }
    if (mesh.hasMatrix)
        matrix(mesh.matrix);
    close();
    close();
}

void ChunkWriter::begin_light(V3 position, V3 colour)
{
    open(chunk_id::LIGHT);
    floats(position);
    colour_float(colour[0], colour[1], colour[2]);
}

void ChunkWriter::spotlight(V3 target, float hotspot, float falloff)
{
    open(chunk_id::SPOTLIGHT);
    floats(target);
    f32(hotspot);
    f32(falloff);
    close();
}

void ChunkWriter::omni_object(std::string_view name, V3 position, V3 colour)
{
    begin_object(name);
    begin_light(position, colour);
    close();
    close();
}

void ChunkWriter::camera(V3 position, V3 target, float roll, float lens)
{
    open(chunk_id::CAMERA);
    floats(position);
    floats(target);
    f32(roll);
    f32(lens);
    close();
}

void ChunkWriter::camera_object(std::string_view name, V3 position, V3 target, float roll,
                                float lens)
{
    begin_object(name);
    camera(position, target, roll, lens);
    close();
}

void ChunkWriter::begin_material(std::string_view name)
{
    open(chunk_id::MATERIAL);
    open(chunk_id::MATERIAL_NAME);
    string(name);
    close();
}

void ChunkWriter::percent_chunk(uint16_t id, uint16_t percent)
{
    open(id);
    percent_int(percent);
    close();
}

void ChunkWriter::map(const MapDesc& map)
{
    open(map.slot);
    percent_int(100);
    if (!map.fileName.empty()) {
        open(chunk_id::MAP_FILENAME);
        string(map.fileName);
        close();
    }
    if (map.hasScale) {
        float_chunk(chunk_id::U_SCALE, map.uScale);
        float_chunk(chunk_id::V_SCALE, map.vScale);
        float_chunk(chunk_id::U_OFFSET, map.uOffset);
        float_chunk(chunk_id::V_OFFSET, map.vOffset);
    }
    close();
}

void ChunkWriter::material(const MaterialDesc& material)
{
    begin_material(material.name);
    open(chunk_id::MATERIAL_AMBIENT_COLOR);
    colour_byte(material.ambient[0], material.ambient[1], material.ambient[2]);
    close();
    if (material.transparencyPercent >= 0)
        percent_chunk(chunk_id::TRANSPARENCY_PERCENT,
                      static_cast<uint16_t>(material.transparencyPercent));
    open(chunk_id::SHADING_METHOD);
    u16(static_cast<uint16_t>(material.shading));
    close();
    if (material.twoSided)
        empty(chunk_id::TWO_SIDED);
    if (material.additive)
        empty(chunk_id::ADDITIVE_TRANSPARENT);
    if (material.wireframe)
        empty(chunk_id::WIREFRAME);
    for (const MapDesc& m : material.maps)
        map(m);
    close();
}

// --- keyframer section ---

void ChunkWriter::begin_node(uint16_t block, uint16_t objectNumber, std::string_view name,
                             uint16_t parent, uint16_t flags1, uint16_t flags2)
{
    open(block);
    open(chunk_id::OBJECT_NUMBER);
    u16(objectNumber);
    close();
    node_header(name, flags1, flags2, parent);
}

void ChunkWriter::node_header(std::string_view name, uint16_t flags1, uint16_t flags2,
                              uint16_t parent)
{
    open(chunk_id::TRACK_OBJECT_NAME);
    string(name);
    u16(flags1);
    u16(flags2);
    u16(parent);
    close();
}

void ChunkWriter::dummy_name(std::string_view name)
{
    open(chunk_id::DUMMY_OBJECT_NAME);
    string(name);
    close();
}

void ChunkWriter::pivot(V3 point)
{
    open(chunk_id::PIVOT_POINT);
    floats(point);
    close();
}

void ChunkWriter::key(const KeyDesc& key)
{
    u32(static_cast<uint32_t>(key.frame));
    u16(key.flags);
    const float parameters[5] = {key.tension, key.continuity, key.bias, key.easeTo, key.easeFrom};
    for (int bit = 0; bit < 16; ++bit)
        if (key.flags & (1u << bit))
            f32(bit < 5 ? parameters[bit] : 0.0f);
}

void ChunkWriter::track(uint16_t id, std::span<const KeyDesc> keys, uint16_t flags)
{
    open(id);
    u16(flags);
    for (int i = 0; i < 4; ++i)
        u16(0);
    u32(static_cast<uint32_t>(keys.size()));
    for (const KeyDesc& k : keys) {
        key(k);
        if (id == chunk_id::MORPH_KEYS)
            string(k.morphTarget);
        else
            floats(k.value);
    }
    close();
}

void ChunkWriter::track(uint16_t id, std::initializer_list<KeyDesc> keys, uint16_t flags)
{
    track(id, std::span<const KeyDesc>(keys.begin(), keys.size()), flags);
}

void ChunkWriter::hide_track(std::span<const int32_t> frames)
{
    open(chunk_id::HIDE_KEYS);
    for (int i = 0; i < 5; ++i)
        u16(0);
    u32(static_cast<uint32_t>(frames.size()));
    for (int32_t frame : frames) {
        u32(static_cast<uint32_t>(frame));
        u16(0);
    }
    close();
}

void ChunkWriter::frames(uint32_t start, uint32_t end)
{
    open(chunk_id::FRAMES);
    u32(start);
    u32(end);
    close();
}

bool ChunkWriter::save(const std::string& path) const
{
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    bool ok = data_.empty() || std::fwrite(data_.data(), 1, data_.size(), file.get()) == data_.size();
    return std::fflush(file.get()) == 0 && ok;
}
