#pragma once
// Making the scene's records (name copies, nodes and materials put at the head of their lists),
// finding them by name, and the normals of a mesh.

#include <cstdint>

#include "scene/scene.h"

// A copy of a zero-terminated name from the system's allocator.
char* copy_name(const char* name);

// A new node of the type, behind which the record lies, named with a copy of name, at the head of
// the scene's node list. It has no parent until a keyframer header gives it one.
SceneNode* add_node(Scene& scene, int type, void* data, const char* name);

// A node's name replaced by a copy of name, and its type changed: through these, so that the
// lookups of a load keep finding what a walk of the node list finds.
void rename_node(Scene& scene, SceneNode* node, const char* name);
void set_node_type(Scene& scene, SceneNode* node, int type);

// A new material named with a copy of name, at the head of the scene's material list.
Material* add_material(Scene& scene, const char* name);

// The newest node of the type (0: any) with the name (null: any), the newest material with the
// name; none stops the program with "No such node!" or "No such material!".
SceneNode* find_node_by_name(Scene& scene, int type, const char* name);
Material* find_material(Scene& scene, const char* name);

// The records these lookups have stepped over in the lists, since the program started. While a
// scene loads they ask its name index and step over none; the count shows that a load stays
// linear in the number of its records.
extern uint64_t lookup_list_steps;

// Face normals from the corners, then each vertex's normal as the normalised sum of its faces'.
void compute_normals(Mesh& mesh);
