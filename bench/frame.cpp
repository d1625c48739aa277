// Cost of one frame of a generated scene of about 30,000 textured, lit faces: the per-frame work
// before rasterisation (scene update, world matrices, projection upload, visibility, lighting,
// draw list and batches) through the null device, and the whole frame as the player makes it
// (rasterised by the software device and presented offscreen: at 640 x 480, or on the target
// FRAME_WIDTH, FRAME_HEIGHT and FRAME_SAMPLES ask for).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "anim/rotation_track.h"
#include "anim/scene_update.h"
#include "anim/spline_track.h"
#include "app/headless_player.h"
#include "bench/bench_target.h"
#include "core/alloc_block.h"
#include "gfxcontext/graphics.h"
#include "gfxcontext/null_context.h"
#include "gfxcontext/offscreen_presenter.h"
#include "image/texture_file.h"
#include "render/face_drawers.h"
#include "render/mesh_preparation.h"
#include "render/render_view.h"
#include "render/renderer.h"
#include "render/renderer_state.h"

namespace {

constexpr int MESHES = 30;
constexpr int GRID = 23;  // 23 x 23 quads: 1,058 faces and 576 vertices a mesh
constexpr int TEXTURE_SIDE = 64;

SceneNode* push_node(Scene& scene, int type, void* data, uint16_t number)
{
    SceneNode* node = alloc_record<SceneNode>();
    node->type = type;
    node->data = data;
    node->objectNumber = number;
    node->parent = NO_PARENT;
    node->next = scene.nodes;
    scene.nodes = node;
    return node;
}

Track keyed_track(std::initializer_list<std::pair<int, Vec3>> keys)
{
    Track track{};
    track.keyCount = int(keys.size());
    track.keys = alloc_array<Key>(uint32_t(track.keyCount));
    track.values = alloc_array<float>(uint32_t(3 * track.keyCount));
    track.tangentIn = alloc_array<float>(uint32_t(3 * track.keyCount));
    track.tangentOut = alloc_array<float>(uint32_t(3 * track.keyCount));
    int i = 0;
    for (const auto& [frame, value] : keys) {
        track.keys[i].frame = frame;
        std::memcpy(&track.values[3 * i], &value, sizeof value);
        ++i;
    }
    prepare_track(track);
    for (i = 0; i + 1 < track.keyCount; ++i)
        track.keys[i].span = track.keys[i + 1].frame - track.keys[i].frame;
    return track;
}

RotationTrack spin_track()
{
    RotationTrack track{};
    track.keyCount = 2;
    track.keys = alloc_array<Key>(2);
    track.keys[1].frame = 100;
    track.angleAxis = alloc_array<float[4]>(2);
    track.angleAxis[1][0] = 3.0f;
    track.angleAxis[1][2] = 1.0f;
    track.orientation = alloc_array<Quaternion>(2);
    track.controlA = alloc_array<Quaternion>(2);
    track.controlB = alloc_array<Quaternion>(2);
    prepare_rotation_track(track);
    track.keys[0].span = 100;
    return track;
}

TextureMap* checker_texture()
{
    TextureMap* map = alloc_record<TextureMap>();
    map->width = map->height = TEXTURE_SIDE;
    map->bytesPerPixel = 4;
    map->pixels = alloc_array<uint32_t>(uint32_t(TEXTURE_SIDE * TEXTURE_SIDE));
    for (int y = 0; y < TEXTURE_SIDE; ++y)
        for (int x = 0; x < TEXTURE_SIDE; ++x)
            map->pixels[y * TEXTURE_SIDE + x] = ((x ^ y) & 4) ? 0xFFFF8040u : 0xFF2040FFu;
    build_image_levels(*map);   // the levels the player makes for a loaded image
    return map;
}

// A wavy grid of GRID x GRID quads in the x-y plane around the origin, 40 units a side.
Mesh* grid_mesh(Material* material)
{
    Mesh* mesh = alloc_record<Mesh>();
    mesh->kind = KIND_MESH;
    mesh->matrix = matrix_identity();
    mesh->visible = 1;
    const int side = GRID + 1;
    mesh->vertexCount = side * side;
    mesh->vertices = alloc_array<Vertex>(uint32_t(mesh->vertexCount));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            Vertex& v = mesh->vertices[y * side + x];
            v.position[0] = -20.0f + 40.0f * float(x) / GRID;
            v.position[1] = -20.0f + 40.0f * float(y) / GRID;
            v.position[2] = 2.0f * std::sin(0.5f * float(x)) * std::cos(0.5f * float(y));
            v.normal[2] = 1.0f;
            v.u = float(x) / GRID;
            v.v = -float(y) / GRID;
        }
    mesh->faceCount = 2 * GRID * GRID;
    mesh->faces = alloc_array<Face>(uint32_t(mesh->faceCount));
    int f = 0;
    for (int y = 0; y < GRID; ++y)
        for (int x = 0; x < GRID; ++x) {
            Vertex* v = &mesh->vertices[y * side + x];
            Vertex* corners[2][3] = {{v, v + side + 1, v + 1}, {v, v + side, v + side + 1}};
            for (auto& tri : corners) {
                Face& face = mesh->faces[f++];
                face.a = tri[0];
                face.b = tri[1];
                face.c = tri[2];
                face.material = material;
                face.flags = 7;
                face.normal[2] = 1.0f;
                const Vertex* cs[3] = {tri[0], tri[1], tri[2]};
                for (int k = 0; k < 3; ++k) {
                    face.uv[k][0] = cs[k]->u;
                    face.uv[k][1] = cs[k]->v;
                }
            }
        }
    const float lo[3] = {-20, -20, -2}, hi[3] = {20, 20, 2};
    for (int c = 0; c < 8; ++c) {
        const bool maxX = c == 1 || c == 2 || c == 5 || c == 6;
        const bool maxZ = c == 2 || c == 3 || c == 6 || c == 7;
        mesh->box[c][0] = maxX ? hi[0] : lo[0];
        mesh->box[c][1] = c >= 4 ? hi[1] : lo[1];
        mesh->box[c][2] = maxZ ? hi[2] : lo[2];
    }
    return mesh;
}

// Thirty spinning grids in a 6 x 5 wall, three omni lights, four textured materials (one
// transparent) and a camera moving along the wall.
Scene* generated_scene(int width = 640, int height = 480)
{
    Scene* scene = alloc_record<Scene>();
    scene->view = render_view_create(width, height);
    Material* materials[4];
    for (int i = 0; i < 4; ++i) {
        Material* m = alloc_record<Material>();
        m->name = strdup(i == 0 ? "STONE" : i == 1 ? "WOOD" : i == 2 ? "METAL" : "GLASS");
        m->shading = i == 1 ? 1 : 2;
        m->texture1 = checker_texture();
        m->blendTable = i == 3 ? m : nullptr;
        m->next = scene->materials;
        scene->materials = m;
        materials[i] = m;
    }
    uint16_t number = 0;
    for (int i = 0; i < MESHES; ++i) {
        Mesh* mesh = grid_mesh(materials[i % 4]);
        const Vec3 at{-125.0f + 50.0f * float(i % 6), -100.0f + 50.0f * float(i / 6), 0.0f};
        mesh->positionTrack = keyed_track({{0, at}, {100, {at.x, at.y, 20.0f}}});
        mesh->rotationTrack = spin_track();
        push_node(*scene, NODE_MESH, mesh, number++);
    }
    const int lights = 3;
    scene->omniNodes = alloc_array<SceneNode*>(lights);
    for (int i = 0; i < lights; ++i) {
        Light* light = alloc_record<Light>();
        light->kind = KIND_LIGHT;
        light->on = 1;
        light->multiplier = 1.0f;
        light->colour[i] = 1.0f;
        light->position[0] = -100.0f + 100.0f * float(i);
        light->position[2] = -80.0f;
        scene->omniNodes[i] = push_node(*scene, NODE_OMNI, light, number++);
    }
    scene->omniCount = lights;
    Camera* camera = alloc_record<Camera>();
    camera->kind = KIND_CAMERA;
    camera->positionTrack = keyed_track({{0, {-20, 0, -260}}, {100, {20, 10, -240}}});
    camera->targetTrack = keyed_track({{0, {0, 0, 0}}});
    camera->fov = 60.0f;
    scene->camera = push_node(*scene, NODE_CAMERA, camera, number++);
    push_node(*scene, NODE_CAMERA_TARGET, camera, number++);
    return scene;
}

struct NullDevice {
    std::unique_ptr<gfx::ContextLibrary> library = make_null_context_library();
    NullDevice()
    {
        gfx::Context* context = nullptr;
        library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 640, 480, &context);
        graphics = {library.get(), context, context->GetD3DDevice(), context->GetD3D()};
        // Buffers, textures and states of an earlier device are not this one's.
        renderer = Renderer{};
    }
};

void BM_FrameBeforeRasterisation(benchmark::State& state)
{
    NullDevice device;
    Scene* scene = generated_scene();
    prepare_scene_for_device(*scene);
    float frame = 0.0f;
    int64_t faces = 0;
    for (auto _ : state) {
        scene->total = frame;
        update_scene(*scene);
        update_world(*scene);
        upload_projection(*scene);
        render_scene(*scene);
        frame = frame >= 100.0f ? 0.0f : frame + 0.2f;
        faces += MESHES * 2 * GRID * GRID;
    }
    state.counters["faces"] = MESHES * 2 * GRID * GRID;
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    benchmark::DoNotOptimize(faces);
}
BENCHMARK(BM_FrameBeforeRasterisation)->Unit(benchmark::kMillisecond);

void BM_WholeFrame(benchmark::State& state)
{
    std::string error;
    const auto target = bench_target("FRAME", error);
    if (!target) {
        state.SkipWithError(error.c_str());
        return;
    }
    // FRAME_DEVICE=gl: the GL device (the software device when no GL context can be made).
    const char* device = std::getenv("FRAME_DEVICE");
    const RenderDevice wanted = device && std::string_view(device) == "gl" ? RenderDevice::gl
                                                                             : RenderDevice::software;
    HeadlessPlayer player([](int width, int height) { return generated_scene(width, height); },
                          *target, 640, 480, wanted);
    float frame = 0.0f;
    for (auto _ : state) {
        player.render(frame);
        frame = frame >= 100.0f ? 0.0f : frame + 0.2f;
    }
    // The share of the screen the last frame covered: the scene fills the view, not a corner.
    int covered = 0;
    for (uint32_t pixel : player.presenter().frame)
        covered += (pixel & 0xFFFFFF) != 0;
    state.counters["covered%"] = 100.0 * covered / double(player.presenter().frame.size() + 1);
    state.counters["faces"] = MESHES * 2 * GRID * GRID;
    state.counters["width"] = player.presenter().width;
    state.counters["height"] = player.presenter().height;
    state.counters["samples"] = target->samples;
    state.counters["gl"] = player.device() == RenderDevice::gl;
    state.SetLabel(player.gl_renderer());
    state.counters["software renderer"] =
        player.device() != RenderDevice::gl || software_gl_renderer(player.gl_renderer());
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the GL device's whole frame spends handing the picture back (FRAME_DEVICE=gl, on the
// FRAME_ target): the multisample resolve and the read into the presenter, timed on an empty
// frame, so that bench/gpu-check.sh can report the drawing without it.
void BM_GlReadback(benchmark::State& state)
{
    std::string error;
    const auto target = bench_target("FRAME", error);
    if (!target) {
        state.SkipWithError(error.c_str());
        return;
    }
    OffscreenPresenter presenter;
    DeviceLibrary made = make_device_library(RenderDevice::gl, &presenter, *target, nullptr);
    gfx::Context* context = nullptr;
    if (made.device != RenderDevice::gl ||
        made.library->D3DXCreateContext(D3DX_HWLEVEL_TL, 0, nullptr, 640, 480, &context) !=
            D3D_OK ||
        !context) {
        state.SkipWithError("no GL device here");
        return;
    }
    for (auto _ : state)
        context->UpdateFrame(0);
    state.SetLabel(made.renderer);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    context->Release();
}
BENCHMARK(BM_GlReadback)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
