#include "loader/material_chunks.h"

#include <cstdlib>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "image/texture_file.h"
#include "loader/chunk_reader.h"
#include "scene/scene_records.h"

void read_material_name(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    const char* name = read_name(body);
    loader.currentMaterial = add_material(*loader.scene, name);
    loader.currentMap = nullptr;  // map chunks of the new material start with its own maps
}

void read_material_ambient(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMaterial)
        return;
    uint8_t bytes[3] = {0, 0, 0};
    loader.byteColourTarget = bytes;
    walk_chunks(file, depth, end);
    loader.byteColourTarget = nullptr;
    for (int i = 0; i < 3; ++i)
        loader.currentMaterial->ambient[i] = bytes[i] * 0.003921569f;
}

void ignore_chunk(std::FILE*, int, long) {}

namespace {

// "Percent (float)" wins unless it is exactly 0; then "Percent (int)" counts in hundredths.
float read_percentage(std::FILE* file, int depth, long end)
{
    float floatPercent = 0.0f;
    uint16_t intPercent = 0;
    loader.floatPercentTarget = &floatPercent;
    loader.intPercentTarget = &intPercent;
    walk_chunks(file, depth, end);
    loader.floatPercentTarget = nullptr;
    loader.intPercentTarget = nullptr;
    if (floatPercent == 0.0f)
        floatPercent = intPercent * 0.01f;
    return floatPercent;
}

void set_material_flag(std::FILE* file, int depth, long end, int Material::*flag)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMaterial)
        return;
    loader.currentMaterial->*flag = 1;
}

// A map slot: a new map in the material's slot, current for the file name and the mapping
// parameters that follow. A slot whose chunk names no image file is dropped again, so that
// nothing after the load meets a map without pixels.
void read_map_slot(std::FILE* file, int depth, long end, TextureMap* Material::*slot)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMaterial)
        return;
    Material* material = loader.currentMaterial;
    TextureMap* map = alloc_record<TextureMap>();
    map->uScale = map->vScale = 1.0f;
    material->*slot = map;
    loader.currentMap = map;
    walk_chunks(file, depth, end);
    if (map->fileName)
        return;
    if (material->*slot == map)
        material->*slot = nullptr;
    if (loader.currentMap == map)
        loader.currentMap = nullptr;
    std::free(map);
}

void read_map_float(std::FILE* file, int depth, long end, float TextureMap::*field)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMap)
        return;
    ChunkBody body(file, end);
    float value;
    if (body.f32(value))
        loader.currentMap->*field = value;
}

}  // namespace

void read_transparency(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMaterial)
        return;
    loader.currentMaterial->transparency = read_percentage(file, depth, end);
}

void read_reflection(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMaterial)
        return;
    loader.currentMaterial->reflection = read_percentage(file, depth, end);
}

void read_two_sided(std::FILE* file, int depth, long end)
{
    set_material_flag(file, depth, end, &Material::twoSided);
}

void read_additive(std::FILE* file, int depth, long end)
{
    set_material_flag(file, depth, end, &Material::additive);
}

void read_wireframe(std::FILE* file, int depth, long end)
{
    set_material_flag(file, depth, end, &Material::wireframe);
}

void read_shading(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMaterial)
        return;
    ChunkBody body(file, end);
    uint8_t low;
    if (body.u8(low))
        loader.currentMaterial->shading = low;
}

void read_texture_map1(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::texture1);
}

void read_texture_map2(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::texture2);
}

void read_opacity_map(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::opacityMap);
}

void read_bump_map(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::bumpMap);
}

void read_shininess_map(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::shininessMap);
}

void read_specular_map(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::specularMap);
}

void read_self_illum_map(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::selfIllumMap);
}

void read_reflection_map(std::FILE* file, int depth, long end)
{
    read_map_slot(file, depth, end, &Material::reflectionMap);
}

uint64_t image_memory_budget = uint64_t(1) << 30;

void read_map_filename(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentMap)
        return;
    TextureMap* map = loader.currentMap;
    ChunkBody body(file, end);
    bool whole;
    char* name = read_name(body, &whole);
    // An empty name, or one the file's end cut short, names no file: the map keeps no file name
    // and its slot drops it, as it drops a map without a "Map Filename".
    if (!whole || name[0] == 0)
        return;
    map->fileName = copy_name(name);
    load_texture_image(name, *map);
    build_image_levels(*map);
    for (const ImageLevel* level = map->levels; level; level = level->next)
        loader.imageBytes += uint64_t(level->width) * uint64_t(level->height) * 4;
    if (loader.imageBytes > image_memory_budget)
        fatal_error("Texture images too large in total!");
    map->uScale = 1.0f;
    map->vScale = 1.0f;
    map->uOffset = 0.0f;
    map->vOffset = 0.0f;
}

void read_v_scale(std::FILE* file, int depth, long end)
{
    read_map_float(file, depth, end, &TextureMap::vScale);
}

void read_u_scale(std::FILE* file, int depth, long end)
{
    read_map_float(file, depth, end, &TextureMap::uScale);
}

void read_u_offset(std::FILE* file, int depth, long end)
{
    read_map_float(file, depth, end, &TextureMap::uOffset);
}

void read_v_offset(std::FILE* file, int depth, long end)
{
    read_map_float(file, depth, end, &TextureMap::vOffset);
}
