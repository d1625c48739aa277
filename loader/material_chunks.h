#pragma once
// Handlers of the material chunks and their map slots. Each has the form of a chunk table handler.

#include <cstdint>
#include <cstdio>

// Every map decodes its own image, so a small file naming one large image in many maps could ask
// for any amount of memory: the images of one scene may hold this many bytes in all (1 GiB).
extern uint64_t image_memory_budget;

void read_material_name(std::FILE* file, int depth, long end);
void read_material_ambient(std::FILE* file, int depth, long end);
void ignore_chunk(std::FILE* file, int depth, long end);
void read_transparency(std::FILE* file, int depth, long end);
void read_reflection(std::FILE* file, int depth, long end);
void read_two_sided(std::FILE* file, int depth, long end);
void read_additive(std::FILE* file, int depth, long end);
void read_wireframe(std::FILE* file, int depth, long end);
void read_shading(std::FILE* file, int depth, long end);
void read_texture_map1(std::FILE* file, int depth, long end);
void read_texture_map2(std::FILE* file, int depth, long end);
void read_opacity_map(std::FILE* file, int depth, long end);
void read_bump_map(std::FILE* file, int depth, long end);
void read_shininess_map(std::FILE* file, int depth, long end);
void read_specular_map(std::FILE* file, int depth, long end);
void read_self_illum_map(std::FILE* file, int depth, long end);
void read_reflection_map(std::FILE* file, int depth, long end);
void read_map_filename(std::FILE* file, int depth, long end);
void read_v_scale(std::FILE* file, int depth, long end);
void read_u_scale(std::FILE* file, int depth, long end);
void read_u_offset(std::FILE* file, int depth, long end);
void read_v_offset(std::FILE* file, int depth, long end);
