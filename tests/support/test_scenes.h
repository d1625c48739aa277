#pragma once
// Scenes built as records in code, for the tests of the update, the renderer and the drawers:
// nodes, meshes, materials and keyed tracks, all from the system's allocator like the loader's.

#include <initializer_list>
#include <memory>

#include "scene/scene.h"
#include "tests/support/recording_context.h"

namespace test_scenes {

struct TrackKey {
    int frame;
    float x, y, z;
};

Scene* make_scene(int width = 640, int height = 480);
// Puts a node at the head of the scene's node list.
SceneNode* push_node(Scene& scene, int type, void* data, uint16_t objectNumber,
                    uint16_t parent = NO_PARENT);
Material* add_material(Scene& scene, const char* name);
// A mesh with count vertices and faces zeroed; the faces' corners left null.
Mesh* make_mesh(int vertexCount, int faceCount);
// A flat square of two faces in the z = 0 plane, from (x0, y0) to (x1, y1), its box set.
Mesh* make_square(float x0, float y0, float x1, float y1, Material* material);
void set_face(Mesh& mesh, int face, int a, int b, int c, Material* material);
// The bounding box of the mesh's vertex positions.
void set_box(Mesh& mesh);
Camera* make_camera(const float position[3], const float target[3], float fov = 60.0f);
Light* make_light(const float position[3], const float colour[3]);
// Three-component and one-component keyed tracks, prepared like the loader prepares them.
Track make_track(std::initializer_list<TrackKey> keys);
Track make_scalar_track(std::initializer_list<std::pair<int, float>> keys);
// Collects the scene's omni lights into omniNodes, in node-list order.
void collect_omni_lights(Scene& scene);

// The graphics globals pointed at a recording device, the batch state, texture registry and
// device buffers as at start; the previous globals come back when it goes.
class RecordingDevice {
public:
    RecordingDevice();
    ~RecordingDevice();
    testing_gfx::RecordingLibrary library;
};

}  // namespace test_scenes
