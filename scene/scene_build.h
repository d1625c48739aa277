#pragma once
// The one entry point of the scene loader, and the operations on the loaded records.

#include "scene/scene.h"

using PrepareScene = void (*)(Scene& scene);

Scene* build_scene(const char* fileName, int width, int height, PrepareScene prepare);
void release_texture_image(TextureMap& map);

SceneNode* find_node_by_name(Scene& scene, int type, const char* name);
Material* find_material(Scene& scene, const char* name);
void compute_normals(Mesh& mesh);
