#include "scene/name_index.h"

#include <cstring>

NameIndex loadingNames;

namespace {

std::string node_key(int type, const char* name)
{
    std::string key(sizeof type, '\0');
    std::memcpy(key.data(), &type, sizeof type);
    key += name;
    return key;
}

}  // namespace

void NameIndex::reset(const Scene* indexed)
{
    // Fresh containers rather than cleared ones: a cleared hash map keeps its buckets, and the
    // index should hold no memory between loads.
    *this = NameIndex{};
    scene = indexed;
}

void NameIndex::add(SceneNode* node)
{
    // A node seen before keeps its place in the order: the lists keep it where it was made.
    auto [at, fresh] = made.try_emplace(node, nodesMade);
    if (fresh)
        ++nodesMade;
    nodes[node_key(node->type, node->name)].emplace(at->second, node);
}

void NameIndex::remove(const SceneNode* node)
{
    auto at = made.find(node);
    if (at == made.end())
        return;
    auto set = nodes.find(node_key(node->type, node->name));
    if (set == nodes.end())
        return;
    set->second.erase(at->second);
    if (set->second.empty())
        nodes.erase(set);
}

SceneNode* NameIndex::node(int type, const char* name) const
{
    auto set = nodes.find(node_key(type, name));
    return set == nodes.end() ? nullptr : set->second.rbegin()->second;
}

Material* NameIndex::material(const char* name) const
{
    auto at = materials.find(name);
    return at == materials.end() ? nullptr : at->second;
}
