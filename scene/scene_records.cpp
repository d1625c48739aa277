#include "scene/scene_records.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/core/alloc_block.h"
#include "app/core/fatal_error.h"
#include "scene/chunk_reader.h"
#include "scene/scene_build.h"

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
    if (loader.names.scene == &scene)
        loader.names.add(node);
    return node;
}

void rename_node(Scene& scene, SceneNode* node, const char* name)
{
    bool indexed = loader.names.scene == &scene;
    if (indexed)
        loader.names.remove(node);
    // The name it replaces is the node's own copy: given back, or it would be lost for the rest
    // of the run.
    std::free(node->name);
    node->name = copy_name(name);
    if (indexed)
        loader.names.add(node);
}

void set_node_type(Scene& scene, SceneNode* node, int type)
{
    bool indexed = loader.names.scene == &scene;
    if (indexed)
        loader.names.remove(node);
    node->type = type;
    if (indexed)
        loader.names.add(node);
}

Material* add_material(Scene& scene, const char* name)
{
    Material* material = alloc_record<Material>();
    material->name = copy_name(name);
    material->next = scene.materials;
    if (material->next)
        material->next->prev = material;
    scene.materials = material;
    if (loader.names.scene == &scene)
        loader.names.add(material);
    return material;
}

uint64_t lookup_list_steps = 0;

SceneNode* find_node_by_name(Scene& scene, int type, const char* name)
{
    // While the scene loads its names are indexed (the loader asks only for a type and a name).
    if (loader.names.scene == &scene && type != 0 && name) {
        if (SceneNode* node = loader.names.node(type, name))
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
    if (loader.names.scene == &scene) {
        if (Material* material = loader.names.material(name))
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

namespace {

// v divided by its length; a vector without a usable length (zero, or not finite) becomes the
// zero vector, which lights nothing and draws no NaN.
void normalise(float v[3])
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0 && std::isfinite(length)) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    } else {
        v[0] = v[1] = v[2] = 0;
    }
}

}  // namespace

void compute_normals(Mesh& mesh)
{
    for (int i = 0; i < mesh.faceCount; ++i) {
        Face& face = mesh.faces[i];
        const float* a = face.a->position;
        const float* b = face.b->position;
        const float* c = face.c->position;
        float ca[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        float ba[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        face.normal[0] = ca[1] * ba[2] - ca[2] * ba[1];
        face.normal[1] = ca[2] * ba[0] - ca[0] * ba[2];
        face.normal[2] = ca[0] * ba[1] - ca[1] * ba[0];
        normalise(face.normal);
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
        normalise(mesh.vertices[i].normal);
}
