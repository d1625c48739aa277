#pragma once
// Handlers of the keyframer section: the node blocks, their headers and the key tracks. Each has
// the form of a chunk table handler.

#include <cstdio>

void read_ambient_node(std::FILE* file, int depth, long end);
void read_mesh_node(std::FILE* file, int depth, long end);
void read_camera_node(std::FILE* file, int depth, long end);
void read_camera_target_node(std::FILE* file, int depth, long end);
void read_omni_node(std::FILE* file, int depth, long end);
void read_spot_target_node(std::FILE* file, int depth, long end);
void read_spot_node(std::FILE* file, int depth, long end);
void read_node_header(std::FILE* file, int depth, long end);
void read_dummy_name(std::FILE* file, int depth, long end);
void read_pivot(std::FILE* file, int depth, long end);
void read_position_keys(std::FILE* file, int depth, long end);
void read_rotation_keys(std::FILE* file, int depth, long end);
void read_scale_keys(std::FILE* file, int depth, long end);
void read_fov_keys(std::FILE* file, int depth, long end);
void read_roll_keys(std::FILE* file, int depth, long end);
void read_colour_keys(std::FILE* file, int depth, long end);
void read_morph_keys(std::FILE* file, int depth, long end);
void read_hide_keys(std::FILE* file, int depth, long end);
void read_object_number(std::FILE* file, int depth, long end);
void read_frames(std::FILE* file, int depth, long end);
