#pragma once
// Handlers of the editor section: scene colours, mesh objects, lights, spotlights and cameras.
// Each has the form of a chunk table handler.

#include <cstdio>

void read_background(std::FILE* file, int depth, long end);
void read_ambient(std::FILE* file, int depth, long end);
void read_object_block(std::FILE* file, int depth, long end);
void read_triangular_mesh(std::FILE* file, int depth, long end);
void read_vertices(std::FILE* file, int depth, long end);
void read_faces(std::FILE* file, int depth, long end);
void read_face_material(std::FILE* file, int depth, long end);
void read_mappings(std::FILE* file, int depth, long end);
void read_object_matrix(std::FILE* file, int depth, long end);
void read_light(std::FILE* file, int depth, long end);
void read_spotlight(std::FILE* file, int depth, long end);
void read_light_off(std::FILE* file, int depth, long end);
void read_fading_on(std::FILE* file, int depth, long end);
void read_range_start(std::FILE* file, int depth, long end);
void read_range_end(std::FILE* file, int depth, long end);
void read_multiplier(std::FILE* file, int depth, long end);
void read_camera(std::FILE* file, int depth, long end);
