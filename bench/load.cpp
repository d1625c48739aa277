// Loading a large generated scene: twelve meshes of 2025 vertices and 3872 faces each (24,300
// vertices, 46,464 faces in all) with texture coordinates, face materials, matrices and keyframer
// tracks, no texture images. "build" is the whole scene build the player runs, "read" the chunk
// walk alone. The file is written to $LOAD_BENCH_FILE (default /tmp/load-bench-scene.3ds) so
// that bench/run-load.sh can hand the same file to the peer library.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/alloc_block.h"
#include "loader/chunk_reader.h"
#include "loader/scene_build.h"
#include "scene/scene_release.h"
#include "tools/writers/chunk_writer.h"

namespace {

constexpr int MESHES = 12;
constexpr int GRID = 45;  // vertices a side

std::string scene_path()
{
    const char* path = std::getenv("LOAD_BENCH_FILE");
    return path ? path : "/tmp/load-bench-scene.3ds";
}

ChunkWriter generate()
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.version(3);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "STONE", .transparencyPercent = 0, .twoSided = true});
    w.material({.name = "MOSS", .transparencyPercent = 20});
    for (int m = 0; m < MESHES; ++m) {
        MeshDesc mesh{.name = "HILL" + std::to_string(m)};
        for (int y = 0; y < GRID; ++y) {
            for (int x = 0; x < GRID; ++x) {
                float h = std::sin(x * 0.3f + m) * std::cos(y * 0.2f);
                mesh.vertices.push_back({float(x + 50 * m), float(y), h});
                mesh.mappings.push_back({x / float(GRID - 1), y / float(GRID - 1)});
            }
        }
        FaceMaterialDesc stone{.material = "STONE"}, moss{.material = "MOSS"};
        for (int y = 0; y + 1 < GRID; ++y) {
            for (int x = 0; x + 1 < GRID; ++x) {
                uint16_t a = uint16_t(y * GRID + x), b = uint16_t(a + 1), c = uint16_t(a + GRID),
                         d = uint16_t(c + 1);
                auto& group = (x + y) % 3 ? stone : moss;
                group.faces.push_back(uint16_t(mesh.faces.size()));
                mesh.faces.push_back({a, b, d, 0x0F});
                group.faces.push_back(uint16_t(mesh.faces.size()));
                mesh.faces.push_back({a, d, c, 0x17});
            }
        }
        mesh.faceMaterials = {stone, moss};
        mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, float(50 * m), 0, 0};
        w.mesh_object(mesh);
    }
    w.omni_object("SUN", {0, 100, 100}, {1, 1, 0.9f});
    w.camera_object("VIEW", {0, -50, 30}, {300, 20, 0});
    w.close();
    w.open(chunk_id::KEYFRAMER_DATA);
    w.frames(0, 1000);
    for (int m = 0; m < MESHES; ++m) {
        w.begin_node(chunk_id::MESH_TRACK, uint16_t(m), "HILL" + std::to_string(m));
        w.pivot({0, 0, 0});
        std::vector<KeyDesc> position, rotation;
        for (int k = 0; k < 20; ++k) {
            position.push_back({.frame = 50 * k, .flags = 0x07, .tension = 0.2f, .value = {0, 0, float(k)}});
            rotation.push_back({.frame = 50 * k, .value = {0.1f, 0, 0, 1}});
        }
        w.track(chunk_id::POSITION_KEYS, position);
        w.track(chunk_id::ROTATION_KEYS, rotation);
        w.track(chunk_id::SCALE_KEYS, {{.frame = 0, .value = {1, 1, 1}}});
        w.close();
    }
    w.close();
    w.close();
    return w;
}

const std::string& scene_file()
{
    static const std::string path = [] {
        std::string p = scene_path();
        if (!generate().save(p)) {
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
            std::exit(1);
        }
        return p;
    }();
    return path;
}

void no_preparation(Scene&) {}

void BM_BuildScene(benchmark::State& state)
{
    const std::string& path = scene_file();
    int faces = 0;
    for (auto _ : state) {
        Scene* scene = build_scene(path.c_str(), 640, 480, no_preparation);
        benchmark::DoNotOptimize(scene);
        state.PauseTiming();
        faces = 0;
        for (SceneNode* node = scene->nodes; node; node = node->next)
            if (node->type == NODE_MESH)
                faces += static_cast<Mesh*>(node->data)->faceCount;
        release_scene(scene);
        state.ResumeTiming();
    }
    state.counters["faces"] = faces;
}
BENCHMARK(BM_BuildScene)->Name("load/build")->Unit(benchmark::kMillisecond);

void BM_ReadScene(benchmark::State& state)
{
    const std::string& path = scene_file();
    for (auto _ : state) {
        Scene* scene = alloc_record<Scene>();
        load_scene_file(path.c_str(), *scene);
        benchmark::DoNotOptimize(scene);
        state.PauseTiming();
        release_scene(scene);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadScene)->Name("load/read")->Unit(benchmark::kMillisecond);

// "M12" and the like, built by appending (GCC 12 warns falsely of "M" + std::to_string at -O3).
std::string numbered(char prefix, int i)
{
    std::string name(1, prefix);
    name += std::to_string(i);
    return name;
}

// A scene whose every record is looked up by name: 60,000 cameras, each named by a keyframer
// block, and a face material list for each of 20,000 materials, all looked up oldest first.
// Walking the lists for each lookup took minutes.
void BM_BuildNamedRecords(benchmark::State& state)
{
    constexpr int CAMERAS = 60000, MATERIALS = 20000;
    static const std::string path = [] {
        ChunkWriter w;
        w.open(chunk_id::MAIN_CHUNK);
        w.open(chunk_id::OBJECT_MESH_DATA);
        MeshDesc mesh{.name = "MESH", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}};
        for (int i = 0; i < MATERIALS; ++i) {
            w.begin_material(numbered('M', i));
            w.close();
            mesh.faceMaterials.push_back({.material = numbered('M', i), .faces = {0}});
        }
        for (int i = 0; i < CAMERAS; ++i)
            w.camera_object(numbered('C', i), {0, 0, 0}, {0, 0, 1});
        w.mesh_object(mesh);
        w.close();
        w.open(chunk_id::KEYFRAMER_DATA);
        for (int i = 0; i < CAMERAS; ++i) {
            w.begin_node(chunk_id::CAMERA_TRACK, uint16_t(i), numbered('C', i));
            w.close();
        }
        w.close();
        w.close();
        std::string p = scene_path() + ".named";
        if (!w.save(p)) {
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
            std::exit(1);
        }
        return p;
    }();
    for (auto _ : state) {
        Scene* scene = build_scene(path.c_str(), 640, 480, no_preparation);
        benchmark::DoNotOptimize(scene);
        state.PauseTiming();
        release_scene(scene);
        state.ResumeTiming();
    }
    state.counters["records"] = CAMERAS * 2 + MATERIALS;
}
BENCHMARK(BM_BuildNamedRecords)->Name("load/named-records")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
