#pragma once
// Making the scene's records: name copies and nodes put at the head of the node list. The lookups
// and the normals are declared with the scene build.

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
