#pragma once
// The per-frame update: every track at the scene frame, then world matrices, camera and projection.

#include <cstdint>

#include "scene/scene.h"

void update_scene(Scene& scene);
void update_world(Scene& scene);
void camera_view_matrix(SceneNode& cameraNode);
SceneNode* find_node(Scene& scene, uint16_t objectNumber);
int eval_hide_keys(const Mesh& mesh, float frame);
