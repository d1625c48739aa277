#pragma once
// The one entry point of the scene loader, and the operations on the loaded records.

#include <cstdint>

#include "scene/scene.h"

using PrepareScene = void (*)(Scene& scene);

Scene* build_scene(const char* fileName, int width, int height, PrepareScene prepare);
void release_texture_image(TextureMap& map);

SceneNode* find_node_by_name(Scene& scene, int type, const char* name);
Material* find_material(Scene& scene, const char* name);

// The records these lookups have stepped over in the lists, since the program started. While a
// scene loads they ask its name index and step over none; the count shows that a load stays
// linear in the number of its records.
extern uint64_t lookup_list_steps;
void compute_normals(Mesh& mesh);
