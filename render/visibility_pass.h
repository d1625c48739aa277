#pragma once
// The per-frame visibility, transform and lighting pass, and the lighting of one vertex and one
// face that it uses.

#include "scene/scene.h"

// The lit colour of a vertex from the omni lights (their objPos in the mesh's space), or from the
// camera headlight when the scene has none, plus half the ambient colour; each channel in
// 0.02..0.98.
void light_vertex(const Scene& scene, Vertex& vertex);
// The mean of the corners' lit colours; nothing without a scene.
void face_colour(const Scene* scene, Face& face);
