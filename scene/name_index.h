#pragma once
// The names of the scene being loaded, indexed: every "Track Object Name", morph key and face
// material list looks a name up, and a walk of the lists for each would make a load quadratic in
// the number of records.
//
// The index gives exactly what the walk of the lists gives: the newest node of the type with the
// name (also after a node is renamed or changes its type), the newest material with the name.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "scene/scene.h"

struct NameIndex {
    // The scene indexed; null outside a load. Lookups on any other scene walk its lists.
    const Scene* scene = nullptr;
    // Nodes by type and name, each set ordered by when the node was made (newest last).
    std::unordered_map<std::string, std::map<uint64_t, SceneNode*>> nodes;
    std::unordered_map<const SceneNode*, uint64_t> made;
    uint64_t nodesMade = 0;
    std::unordered_map<std::string, Material*> materials;

    // Empties the index and starts indexing the scene (null: indexes none).
    void reset(const Scene* indexed);
    // A node just put at the head of the list, or one whose type or name just changed.
    void add(SceneNode* node);
    // A node whose type or name is about to change.
    void remove(const SceneNode* node);
    // The newest node of the type with the name, or null.
    SceneNode* node(int type, const char* name) const;

    void add(Material* material) { materials[material->name] = material; }
    Material* material(const char* name) const;
};

// The node and material names of the scene being loaded: the loader indexes its scene for the
// length of the load, and the records' lookups and creators keep to it.
extern NameIndex loadingNames;
