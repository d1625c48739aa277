#include "loader/editor_chunks.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "loader/chunk_reader.h"
#include "loader/scene_build.h"
#include "math/matrix.h"
#include "scene/scene_records.h"

namespace {

// Geometry chunks apply only to the mesh whose "Triangular Mesh" chunk is being walked.
Mesh* open_mesh()
{
    return loader.openMesh ? static_cast<Mesh*>(loader.openMesh->data) : nullptr;
}

// The light sub-chunks apply only while an omni light is current.
Light* current_omni()
{
    SceneNode* node = loader.currentNode;
    if (loader.currentKind != NODE_OMNI || !node || node->type != NODE_OMNI)
        return nullptr;
    return static_cast<Light*>(node->data);
}

// Walks the sub-chunks of a mesh or light chunk with its node held open in `slot`, so that
// sub-chunks met anywhere else cannot reach it.
void walk_with_open_node(SceneNode*& slot, SceneNode* node, std::FILE* file, int depth, long end)
{
    SceneNode* outer = slot;
    slot = node;
    walk_chunks(file, depth, end);
    slot = outer;
}

}  // namespace

// --- scene colours ---

void read_background(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    loader.floatColourTarget = loader.scene->background;
    walk_chunks(file, depth, end);
}

void read_ambient(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    loader.floatColourTarget = loader.scene->ambient;
    walk_chunks(file, depth, end);
}

// --- mesh objects ---

void read_object_block(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    read_name(body);
    walk_chunks(file, depth, end);
}

void read_triangular_mesh(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = alloc_record<Mesh>();
    mesh->kind = KIND_MESH;
    mesh->name = copy_name(loader.currentName);
    // A mesh without "Object Matrix" keeps its vertices where the file puts them.
    mesh->matrix = matrix_identity();
    mesh->inverse = matrix_identity();
    SceneNode* node = add_node(*loader.scene, NODE_MESH, mesh, loader.currentName);
    loader.currentNode = node;
    loader.currentKind = NODE_MESH;
    walk_with_open_node(loader.openMesh, node, file, depth, end);
}

void read_vertices(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = open_mesh();
    // A second list would leave the faces read so far pointing into the first one.
    if (!mesh || mesh->vertices)
        return;
    ChunkBody body(file, end);
    uint16_t n;
    if (!body.u16(n))
        return;
    uint32_t count = body.fit(n, 12);
    mesh->vertices = alloc_array<Vertex>(count);
    mesh->vertexCount = 0;
    constexpr uint32_t BLOCK = 256;
    float values[3 * BLOCK];
    while (static_cast<uint32_t>(mesh->vertexCount) < count) {
        uint32_t k = count - mesh->vertexCount < BLOCK ? count - mesh->vertexCount : BLOCK;
        if (!body.floats(values, static_cast<int>(3 * k)))
            return;
        Vertex* v = mesh->vertices + mesh->vertexCount;
        for (uint32_t i = 0; i < k; ++i)
            std::memcpy(v[i].position, values + 3 * i, 12);
        mesh->vertexCount += static_cast<int>(k);
    }
}

void read_faces(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = open_mesh();
    if (!mesh)
        return;
    ChunkBody body(file, end);
    uint16_t n;
    if (!body.u16(n))
        return;
    uint32_t count = body.fit(n, 8);
    mesh->faces = alloc_array<Face>(count);
    mesh->faceCount = 0;
    constexpr uint32_t BLOCK = 512;
    uint8_t words[8 * BLOCK];
    const uint32_t vertexCount = static_cast<uint32_t>(mesh->vertexCount);
    while (static_cast<uint32_t>(mesh->faceCount) < count) {
        uint32_t k = count - mesh->faceCount < BLOCK ? count - mesh->faceCount : BLOCK;
        if (!body.bytes(words, 8 * k))
            return;
        Face* face = mesh->faces + mesh->faceCount;
        for (uint32_t i = 0; i < k; ++i, ++face) {
            const uint8_t* w = words + 8 * i;
            uint16_t a = le16(w), b = le16(w + 2), c = le16(w + 4);
            if (a >= vertexCount || b >= vertexCount || c >= vertexCount)
                fatal_error("Face vertex index out of range!");
            face->a = mesh->vertices + a;
            face->b = mesh->vertices + b;
            face->c = mesh->vertices + c;
            face->flags = le16(w + 6);
        }
        mesh->faceCount += static_cast<int>(k);
    }
    walk_chunks(file, depth, end);
}

void read_face_material(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = open_mesh();
    if (!mesh || !mesh->faces)
        return;
    ChunkBody body(file, end);
    bool whole;
    const char* name = read_name(body, &whole);
    if (!whole)
        return;  // cut short: names no material
    Material* material = find_material(*loader.scene, name);
    uint16_t n;
    if (!body.u16(n))
        return;
    uint32_t count = body.fit(n, 2);
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t index;
        if (!body.u16(index))
            return;
        if (index < mesh->faceCount)
            mesh->faces[index].material = material;
    }
}

void read_mappings(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = open_mesh();
    if (!mesh || !mesh->vertices)
        return;
    ChunkBody body(file, end);
    uint16_t n;
    if (!body.u16(n))
        return;
    uint32_t count = body.fit(n, 8);
    if (count > static_cast<uint32_t>(mesh->vertexCount))
        count = static_cast<uint32_t>(mesh->vertexCount);  // entries past the vertices are ignored
    constexpr uint32_t BLOCK = 256;
    float values[2 * BLOCK];
    for (uint32_t done = 0; done < count;) {
        uint32_t k = count - done < BLOCK ? count - done : BLOCK;
        if (!body.floats(values, static_cast<int>(2 * k)))
            return;
        for (uint32_t i = 0; i < k; ++i) {
            mesh->vertices[done + i].u = values[2 * i];
            mesh->vertices[done + i].v = -values[2 * i + 1];
        }
        done += k;
    }
}

void read_object_matrix(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = open_mesh();
    if (!mesh)
        return;
    ChunkBody body(file, end);
    float values[12];
    if (!body.floats(values, 12))
        return;
    Matrix4& m = mesh->matrix;
    m = matrix_identity();
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column)
            m(row, column) = values[3 * row + column];
    mesh->inverse = m;
    matrix_inverse(mesh->inverse);
}

// --- lights ---

void read_light(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    float position[3];
    if (!body.floats(position, 3))
        return;
    Light* light = alloc_record<Light>();
    light->kind = KIND_LIGHT;
    std::memcpy(light->position, position, sizeof position);
    light->on = 1;
    // Files leave out "Multiplier" when it is the neutral 1; a light without it must still shine.
    light->multiplier = 1.0f;
    light->name = copy_name(loader.currentName);
    SceneNode* node = add_node(*loader.scene, NODE_OMNI, light, loader.currentName);
    loader.currentNode = node;
    loader.currentKind = NODE_OMNI;
    loader.floatColourTarget = light->colour;
    walk_with_open_node(loader.openLight, node, file, depth, end);
}

void read_spotlight(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    SceneNode* node = loader.currentNode;
    // Only the omni light whose "Light" chunk holds this one turns into a spotlight.
    if (!node || node != loader.openLight || node->type != NODE_OMNI)
        return;
    ChunkBody body(file, end);
    float values[5];  // target x, y, z, hotspot, falloff
    if (!body.floats(values, 5))
        return;
    Light* light = static_cast<Light*>(node->data);
    SpotLight* spot = alloc_record<SpotLight>();
    spot->kind = KIND_SPOTLIGHT;
    std::memcpy(spot->position, light->position, sizeof spot->position);
    std::memcpy(spot->colour, light->colour, sizeof spot->colour);
    spot->on = light->on;
    spot->fading = light->fading;
    spot->rangeStart = light->rangeStart;
    spot->rangeEnd = light->rangeEnd;
    spot->multiplier = light->multiplier;
    std::memcpy(spot->target, values, sizeof spot->target);
    spot->hotspot = values[3];
    spot->falloff = values[4];
    spot->name = copy_name(loader.currentName);
    set_node_type(*loader.scene, node, NODE_SPOTLIGHT);
    node->data = spot;
    if (loader.floatColourTarget == light->colour)
        loader.floatColourTarget = nullptr;
    std::free(light->name);
    std::free(light);

    loader.currentNode = add_node(*loader.scene, NODE_SPOT_TARGET, spot, loader.currentName);
    loader.currentKind = NODE_SPOT_TARGET;
    walk_chunks(file, depth, end);
}

void read_light_off(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    if (Light* light = current_omni())
        light->on = 0;
}

void read_fading_on(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    if (Light* light = current_omni())
        light->fading = 1;
}

namespace {
void read_light_float(std::FILE* file, int depth, long end, float Light::*field)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Light* light = current_omni();
    if (!light)
        return;
    ChunkBody body(file, end);
    float value;
    if (body.f32(value))
        light->*field = value;
}
}  // namespace

void read_range_start(std::FILE* file, int depth, long end)
{
    read_light_float(file, depth, end, &Light::rangeStart);
}

void read_range_end(std::FILE* file, int depth, long end)
{
    read_light_float(file, depth, end, &Light::rangeEnd);
}

void read_multiplier(std::FILE* file, int depth, long end)
{
    read_light_float(file, depth, end, &Light::multiplier);
}

// --- cameras ---

void read_camera(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Camera* camera = alloc_record<Camera>();
    camera->kind = KIND_CAMERA;
    camera->name = copy_name(loader.currentName);
    SceneNode* node = add_node(*loader.scene, NODE_CAMERA, camera, loader.currentName);
    loader.currentNode = node;
    loader.currentKind = NODE_CAMERA;
    if (!loader.scene->camera)
        loader.scene->camera = node;
    ChunkBody body(file, end);
    float values[8];  // position, target, bank angle, lens
    if (!body.floats(values, 8))
        return;
    std::memcpy(camera->position, values, 12);
    std::memcpy(camera->target, values + 3, 12);
    camera->roll = values[6];
    camera->fov = values[7];
    loader.currentNode = add_node(*loader.scene, NODE_CAMERA_TARGET, camera, loader.currentName);
    loader.currentKind = NODE_CAMERA_TARGET;
}
