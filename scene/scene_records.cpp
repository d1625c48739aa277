#include "scene/scene_records.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "math/vector.h"
#include "scene/name_index.h"

char* copy_name(const char* name)
{
    size_t length = std::strlen(name);
    char* copy = alloc_array<char>(static_cast<uint32_t>(length + 1));
    std::memcpy(copy, name, length + 1);
    return copy;
}

SceneNode* add_node(Scene& scene, int type, void* data, const char* name)
{
    SceneNode* node = alloc_record<SceneNode>();
    node->type = type;
    node->data = data;
    node->name = copy_name(name);
    // Without a parent of its own a node would take the first node numbered 0 as its parent,
    // often itself.
    node->parent = NO_PARENT;
    node->next = scene.nodes;
    if (scene.nodes)
        scene.nodes->prev = node;
    scene.nodes = node;
    if (loadingNames.scene == &scene)
        loadingNames.add(node);
    return node;
}

void rename_node(Scene& scene, SceneNode* node, const char* name)
{
    bool indexed = loadingNames.scene == &scene;
    if (indexed)
        loadingNames.remove(node);
    // The name it replaces is the node's own copy: given back, or it would be lost for the rest
    // of the run.
    std::free(node->name);
    node->name = copy_name(name);
    if (indexed)
        loadingNames.add(node);
}

void set_node_type(Scene& scene, SceneNode* node, int type)
{
    bool indexed = loadingNames.scene == &scene;
    if (indexed)
        loadingNames.remove(node);
    node->type = type;
    if (indexed)
        loadingNames.add(node);
}

Material* add_material(Scene& scene, const char* name)
{
    Material* material = alloc_record<Material>();
    material->name = copy_name(name);
    material->next = scene.materials;
    if (material->next)
        material->next->prev = material;
    scene.materials = material;
    if (loadingNames.scene == &scene)
        loadingNames.add(material);
    return material;
}

uint64_t lookup_list_steps = 0;

SceneNode* find_node_by_name(Scene& scene, int type, const char* name)
{
    // While the scene loads its names are indexed (the loader asks only for a type and a name).
    if (loadingNames.scene == &scene && type != 0 && name) {
        if (SceneNode* node = loadingNames.node(type, name))
            return node;
        fatal_error("No such node!");
    }
    for (SceneNode* node = scene.nodes; node; node = node->next) {
        ++lookup_list_steps;
        if (type != 0 && node->type != type)
            continue;
        if (!name || (node->name && std::strcmp(node->name, name) == 0))
            return node;
    }
    fatal_error("No such node!");
}

Material* find_material(Scene& scene, const char* name)
{
    if (loadingNames.scene == &scene) {
        if (Material* material = loadingNames.material(name))
            return material;
        fatal_error("No such material!");
    }
    for (Material* material = scene.materials; material; material = material->next) {
        ++lookup_list_steps;
        if (material->name && std::strcmp(material->name, name) == 0)
            return material;
    }
    fatal_error("No such material!");
}

void compute_normals(Mesh& mesh)
{
    for (int i = 0; i < mesh.faceCount; ++i) {
        Face& face = mesh.faces[i];
        const float* a = face.a->position;
        const float* b = face.b->position;
        const float* c = face.c->position;
        float ca[3], ba[3];
        vec3_sub(c, a, ca);
        vec3_sub(b, a, ba);
        vec3_cross(ca, ba, face.normal);
        vec3_normalise_or_zero(face.normal);
    }
    for (int i = 0; i < mesh.vertexCount; ++i) {
        float* n = mesh.vertices[i].normal;
        n[0] = n[1] = n[2] = 0;
    }
    for (int i = 0; i < mesh.faceCount; ++i) {
        Face& face = mesh.faces[i];
        for (Vertex* corner : {face.a, face.b, face.c})
            for (int k = 0; k < 3; ++k)
                corner->normal[k] += face.normal[k];
    }
    for (int i = 0; i < mesh.vertexCount; ++i)
        vec3_normalise_or_zero(mesh.vertices[i].normal);
}
