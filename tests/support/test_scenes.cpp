#include "tests/support/test_scenes.h"

#include <cstring>

#include "anim/spline_track.h"
#include "core/alloc_block.h"
#include "gfxcontext/graphics.h"
#include "render/render_view.h"
#include "render/renderer_state.h"

namespace test_scenes {

Scene* make_scene(int width, int height)
{
    Scene* scene = alloc_record<Scene>();
    scene->view = render_view_create(width, height);
    return scene;
}

SceneNode* push_node(Scene& scene, int type, void* data, uint16_t objectNumber, uint16_t parent)
{
    SceneNode* node = alloc_record<SceneNode>();
    node->type = type;
    node->data = data;
    node->objectNumber = objectNumber;
    node->parent = parent;
    node->local = matrix_identity();
    node->world = matrix_identity();
    node->next = scene.nodes;
    if (scene.nodes)
        scene.nodes->prev = node;
    scene.nodes = node;
    return node;
}

Material* add_material(Scene& scene, const char* name)
{
    Material* material = alloc_record<Material>();
    material->name = strdup(name);
    material->next = scene.materials;
    if (scene.materials)
        scene.materials->prev = material;
    scene.materials = material;
    return material;
}

Mesh* make_mesh(int vertexCount, int faceCount)
{
    Mesh* mesh = alloc_record<Mesh>();
    mesh->kind = KIND_MESH;
    mesh->matrix = matrix_identity();
    mesh->inverse = matrix_identity();
    mesh->visible = 1;
    mesh->vertexCount = vertexCount;
    mesh->vertices = alloc_array<Vertex>(uint32_t(vertexCount));
    mesh->faceCount = faceCount;
    mesh->faces = alloc_array<Face>(uint32_t(faceCount));
    return mesh;
}

void set_face(Mesh& mesh, int face, int a, int b, int c, Material* material)
{
    Face& f = mesh.faces[face];
    f.a = &mesh.vertices[a];
    f.b = &mesh.vertices[b];
    f.c = &mesh.vertices[c];
    f.material = material;
    f.flags = 7;
    const Vertex* corners[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; ++k) {
        f.uv[k][0] = corners[k]->u;
        f.uv[k][1] = corners[k]->v;
    }
}

void set_box(Mesh& mesh)
{
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (int i = 0; i < mesh.vertexCount; ++i)
        for (int k = 0; k < 3; ++k) {
            const float p = mesh.vertices[i].position[k];
            lo[k] = i == 0 || p < lo[k] ? p : lo[k];
            hi[k] = i == 0 || p > hi[k] ? p : hi[k];
        }
    const float corners[8][3] = {{lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]},
                                 {hi[0], lo[1], hi[2]}, {lo[0], lo[1], hi[2]},
                                 {lo[0], hi[1], lo[2]}, {hi[0], hi[1], lo[2]},
                                 {hi[0], hi[1], hi[2]}, {lo[0], hi[1], hi[2]}};
    std::memcpy(mesh.box, corners, sizeof corners);
}

Mesh* make_square(float x0, float y0, float x1, float y1, Material* material)
{
    Mesh* mesh = make_mesh(4, 2);
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (int i = 0; i < 4; ++i) {
        Vertex& v = mesh->vertices[i];
        v.position[0] = corners[i][0];
        v.position[1] = corners[i][1];
        v.u = i == 1 || i == 2 ? 1.0f : 0.0f;
        v.v = i >= 2 ? 1.0f : 0.0f;
        v.normal[2] = 1.0f;
    }
    set_face(*mesh, 0, 0, 1, 2, material);
    set_face(*mesh, 1, 0, 2, 3, material);
    mesh->faces[0].normal[2] = mesh->faces[1].normal[2] = 1.0f;
    set_box(*mesh);
    return mesh;
}

Camera* make_camera(const float position[3], const float target[3], float fov)
{
    Camera* camera = alloc_record<Camera>();
    camera->kind = KIND_CAMERA;
    std::memcpy(camera->position, position, sizeof camera->position);
    std::memcpy(camera->target, target, sizeof camera->target);
    camera->fov = fov;
    return camera;
}

Light* make_light(const float position[3], const float colour[3])
{
    Light* light = alloc_record<Light>();
    light->kind = KIND_LIGHT;
    std::memcpy(light->position, position, sizeof light->position);
    std::memcpy(light->colour, colour, sizeof light->colour);
    light->on = 1;
    light->multiplier = 1.0f;
    return light;
}

namespace {

Track empty_track(int count, int width)
{
    Track track{};
    track.keyCount = count;
    track.keys = alloc_array<Key>(uint32_t(count));
    track.values = alloc_array<float>(uint32_t(count * width));
    track.tangentIn = alloc_array<float>(uint32_t(count * width));
    track.tangentOut = alloc_array<float>(uint32_t(count * width));
    return track;
}

void fill_spans(Track& track)
{
    for (int i = 0; i < track.keyCount; ++i)
        track.keys[i].span = i + 1 < track.keyCount ? track.keys[i + 1].frame - track.keys[i].frame
                                                    : 0;
}

}  // namespace

Track make_track(std::initializer_list<TrackKey> keys)
{
    Track track = empty_track(int(keys.size()), 3);
    int i = 0;
    for (const TrackKey& key : keys) {
        track.keys[i].frame = key.frame;
        track.values[3 * i] = key.x;
        track.values[3 * i + 1] = key.y;
        track.values[3 * i + 2] = key.z;
        ++i;
    }
    prepare_track(track);
    fill_spans(track);
    return track;
}

Track make_scalar_track(std::initializer_list<std::pair<int, float>> keys)
{
    Track track = empty_track(int(keys.size()), 1);
    int i = 0;
    for (const auto& [frame, value] : keys) {
        track.keys[i].frame = frame;
        track.values[i] = value;
        ++i;
    }
    prepare_scalar_track(track);
    fill_spans(track);
    return track;
}

void collect_omni_lights(Scene& scene)
{
    int count = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        count += node->type == NODE_OMNI;
    scene.omniCount = count;
    scene.omniNodes = alloc_array<SceneNode*>(uint32_t(count));
    int i = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        if (node->type == NODE_OMNI)
            scene.omniNodes[i++] = node;
}

namespace {
Graphics savedGraphics;
}

RecordingDevice::RecordingDevice()
{
    savedGraphics = graphics;
    gfx::Context* context = nullptr;
    library.D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 640, 480, &context);
    graphics.library = &library;
    graphics.context = context;
    graphics.device = context->GetD3DDevice();
    graphics.d3d = context->GetD3D();
    renderer = Renderer{};
    library.clear();
}

RecordingDevice::~RecordingDevice()
{
    graphics = savedGraphics;
    renderer = Renderer{};
}

}  // namespace test_scenes
