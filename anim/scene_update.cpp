#include "anim/scene_update.h"

#include <cmath>

#include "anim/rotation_track.h"
#include "anim/spline_track.h"
#include "math/vector.h"
#include "render/render_view.h"
#include "scene/scene_records.h"

namespace {

// A track the file gave no key behaves as one key holding the value loaded from the file (the
// evaluators leave the value alone), so every frame starts again from that value and
// update_world never moves a point twice.
void eval_or_loaded(const Track& track, float frame, const float loaded[3], float out[3])
{
    Vec3 value{loaded[0], loaded[1], loaded[2]};
    eval_track(&track, frame, value);
    out[0] = value.x;
    out[1] = value.y;
    out[2] = value.z;
}

float eval_scalar_or_loaded(const Track& track, float frame, float loaded)
{
    float value = loaded;
    eval_scalar_track(&track, frame, value);
    return value;
}

// The loaded values are taken once, before any track or world move has touched the record.
void keep_loaded(Camera& camera)
{
    if (camera.loadedKept)
        return;
    vec3_copy(camera.loadedPosition, camera.position);
    vec3_copy(camera.loadedTarget, camera.target);
    camera.loadedFov = camera.fov;
    camera.loadedRoll = camera.roll;
    camera.loadedKept = 1;
}

void keep_loaded(Light& light)
{
    if (light.loadedKept)
        return;
    vec3_copy(light.loadedPosition, light.position);
    vec3_copy(light.loadedColour, light.colour);
    light.loadedKept = 1;
}

void keep_loaded(SpotLight& spot)
{
    if (spot.loadedKept)
        return;
    vec3_copy(spot.loadedPosition, spot.position);
    vec3_copy(spot.loadedTarget, spot.target);
    vec3_copy(spot.loadedColour, spot.colour);
    spot.loadedKept = 1;
}

// The node matrix of a mesh or dummy: a track without keys leaves its neutral value (position 0,
// no rotation, scale 1).
void pose_local(const Track& position, const RotationTrack& rotation, const Track& scale,
                float frame, Matrix4& local)
{
    Vec3 p{0.0f, 0.0f, 0.0f};
    Vec3 s{1.0f, 1.0f, 1.0f};
    Quaternion q{1.0f, 0.0f, 0.0f, 0.0f};
    eval_track(&position, frame, p);
    eval_track(&scale, frame, s);
    eval_rotation_track(&rotation, frame, q);
    compose_matrix(q, p, s, local);
}

void morph_mesh(Mesh& mesh, float frame)
{
    MorphTrack& morph = mesh.morphTrack;
    int count = morph.vertexTrackCount < mesh.vertexCount ? morph.vertexTrackCount
                                                          : mesh.vertexCount;
    if (!morph.vertexTracks)
        return;
    for (int i = 0; i < count; ++i) {
        const Track& track = morph.vertexTracks[i];
        if (track.keyCount <= 0)
            continue;
        Vec3 value{};
        eval_track(&track, frame, value);
        float* position = mesh.vertices[i].position;
        position[0] = value.x;
        position[1] = value.y;
        position[2] = value.z;
    }
    compute_normals(mesh);
}

void update_mesh(SceneNode& node, Mesh& mesh, float frame)
{
    // A mesh hidden by its flag or its hide keys is never drawn, so it is not morphed: morph
    // positions come straight from the tracks, so the first frame it shows sets them afresh.
    // It is still posed, since children hang from its local matrix and would otherwise
    // collapse into its origin.
    const bool hidden = uint16_t(node.flags1) & NODE_HIDDEN_FLAG;
    mesh.visible = hidden ? 0 : eval_hide_keys(mesh, frame);
    if (mesh.visible && mesh.morphTrack.keyCount > 0)
        morph_mesh(mesh, frame);
    // Without keyframer data the object stays where it was modelled.
    if (mesh.positionTrack.keyCount <= 0 && mesh.rotationTrack.keyCount <= 0 &&
        mesh.scaleTrack.keyCount <= 0) {
        node.local = mesh.matrix;
        return;
    }
    pose_local(mesh.positionTrack, mesh.rotationTrack, mesh.scaleTrack, frame, node.local);
}

void update_node(SceneNode& node, float frame)
{
    if (!node.data) {
        node.local = matrix_identity();
        return;
    }
    switch (node.type) {
    case NODE_MESH:
        update_mesh(node, *static_cast<Mesh*>(node.data), frame);
        break;
    case NODE_DUMMY: {
        DummyObject& dummy = *static_cast<DummyObject*>(node.data);
        pose_local(dummy.positionTrack, dummy.rotationTrack, dummy.scaleTrack, frame, node.local);
        break;
    }
    case NODE_OMNI: {
        Light& light = *static_cast<Light*>(node.data);
        keep_loaded(light);
        eval_or_loaded(light.positionTrack, frame, light.loadedPosition, light.position);
        eval_or_loaded(light.colourTrack, frame, light.loadedColour, light.colour);
        node.local = matrix_identity();
        break;
    }
    case NODE_CAMERA: {
        Camera& camera = *static_cast<Camera*>(node.data);
        keep_loaded(camera);
        eval_or_loaded(camera.positionTrack, frame, camera.loadedPosition, camera.position);
        camera.fov = eval_scalar_or_loaded(camera.fovTrack, frame, camera.loadedFov);
        camera.roll = eval_scalar_or_loaded(camera.rollTrack, frame, camera.loadedRoll);
        node.local = matrix_translation(camera.position[0], camera.position[1],
                                        camera.position[2]);
        break;
    }
    case NODE_CAMERA_TARGET: {
        Camera& camera = *static_cast<Camera*>(node.data);
        keep_loaded(camera);
        eval_or_loaded(camera.targetTrack, frame, camera.loadedTarget, camera.target);
        break;
    }
    case NODE_SPOTLIGHT: {
        SpotLight& spot = *static_cast<SpotLight*>(node.data);
        keep_loaded(spot);
        eval_or_loaded(spot.positionTrack, frame, spot.loadedPosition, spot.position);
        eval_or_loaded(spot.targetTrack, frame, spot.loadedTarget, spot.target);
        eval_or_loaded(spot.colourTrack, frame, spot.loadedColour, spot.colour);
        node.local = matrix_identity();
        break;
    }
    default:
        node.local = matrix_identity();
        break;
    }
}

bool chains_to_parents(int type)
{
    switch (type) {
    case NODE_MESH:
    case NODE_DUMMY:
    case NODE_OMNI:
    case NODE_CAMERA:
    case NODE_CAMERA_TARGET:
    case NODE_SPOTLIGHT:
    case NODE_SPOT_TARGET:
        return true;
    default:
        return false;
    }
}

// world = own start x the locals of the ancestors. A broken file can make a node its own
// ancestor: no honest chain is longer than the node list, so the walk stops there.
void chain_world(Scene& scene, SceneNode& node, int nodeCount)
{
    if (!chains_to_parents(node.type)) {
        node.world = matrix_identity();
        return;
    }
    node.world = (node.type == NODE_MESH || node.type == NODE_DUMMY) ? node.local
                                                                       : matrix_identity();
    const SceneNode* current = &node;
    for (int steps = 0; current->parent != NO_PARENT && steps < nodeCount; ++steps) {
        const SceneNode* parent = find_node(scene, current->parent);
        if (!parent)
            break;
        node.world = matrix_multiply(node.world, parent->local);
        current = parent;
    }
}

void move_point(const Matrix4& world, float point[3])
{
    float moved[3];
    matrix_transform_point3(world, point, moved);
    vec3_copy(point, moved);
}

void pivot_first(const float pivot[3], Matrix4& world)
{
    world = matrix_multiply(matrix_translation(-pivot[0], -pivot[1], -pivot[2]), world);
}

void place_in_world(SceneNode& node)
{
    if (!node.data)
        return;
    switch (node.type) {
    case NODE_MESH:
        pivot_first(static_cast<Mesh*>(node.data)->pivot, node.world);
        break;
    case NODE_DUMMY:
        pivot_first(static_cast<DummyObject*>(node.data)->pivot, node.world);
        break;
    case NODE_OMNI:
        move_point(node.world, static_cast<Light*>(node.data)->position);
        break;
    case NODE_SPOTLIGHT:
        move_point(node.world, static_cast<SpotLight*>(node.data)->position);
        break;
    case NODE_CAMERA:
        move_point(node.world, static_cast<Camera*>(node.data)->position);
        break;
    case NODE_CAMERA_TARGET:
        move_point(node.world, static_cast<Camera*>(node.data)->target);
        break;
    case NODE_SPOT_TARGET:
        move_point(node.world, static_cast<SpotLight*>(node.data)->target);
        break;
    default:
        break;
    }
}

}  // namespace

SceneNode* find_node(Scene& scene, uint16_t objectNumber)
{
    for (SceneNode* node = scene.nodes; node; node = node->next)
        if (node->objectNumber == objectNumber)
            return node;
    return nullptr;
}

int eval_hide_keys(const Mesh& mesh, float frame)
{
    // Whole frames only, bounded as the tracks bound them.
    const int whole = static_cast<int>(bounded_frame(frame));
    int visible = 1;
    if (!mesh.hideFrames)
        return visible;
    for (int i = 0; i < mesh.hideCount; ++i)
        if (mesh.hideFrames[i] <= whole)
            visible ^= 1;
    return visible;
}

void update_scene(Scene& scene)
{
    const float frame = scene.total;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        update_node(*node, frame);

    // Without keys the ambient is black, whatever the file said.
    Vec3 ambient{0.0f, 0.0f, 0.0f};
    eval_track(&scene.ambientTrack, frame, ambient);
    scene.ambient[0] = ambient.x;
    scene.ambient[1] = ambient.y;
    scene.ambient[2] = ambient.z;
}

void update_world(Scene& scene)
{
    int nodeCount = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        ++nodeCount;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        chain_world(scene, *node, nodeCount);
    for (SceneNode* node = scene.nodes; node; node = node->next)
        place_in_world(*node);

    if (!scene.camera || !scene.camera->data)
        return;
    if (scene.view)
        render_view_set_projection(*scene.view, static_cast<Camera*>(scene.camera->data)->fov);
    camera_view_matrix(*scene.camera);
}

void camera_view_matrix(SceneNode& cameraNode)
{
    Camera& camera = *static_cast<Camera*>(cameraNode.data);
    const Matrix4 move = matrix_translation(-camera.position[0], -camera.position[1],
                                            -camera.position[2]);

    const float r = camera.roll * 0.01745329238474369f;
    Matrix4 roll = matrix_identity();
    roll(0, 0) = std::cos(r);
    roll(0, 1) = -std::sin(r);
    roll(1, 0) = std::sin(r);
    roll(1, 1) = std::cos(r);

    // Tiny components are replaced, so that the side vector below never vanishes, even for a
    // camera looking straight along z.
    float* f = camera.direction;
    for (int i = 0; i < 3; ++i) {
        f[i] = camera.target[i] - camera.position[i];
        if (std::fabs(f[i]) < 1.0000000116860974e-07f)
            f[i] = 9.99999993922529e-09f;
    }
    float length = vec3_length(f);
    for (int i = 0; i < 3; ++i)
        f[i] /= length;

    float s[3] = {f[1], -f[0], 0.0f};
    length = std::sqrt(s[0] * s[0] + s[1] * s[1]);
    s[0] /= length;
    s[1] /= length;

    float u[3];
    vec3_cross(f, s, u);
    length = vec3_length(u);
    for (int i = 0; i < 3; ++i)
        u[i] /= length;

    Matrix4 axes = matrix_identity();
    for (int i = 0; i < 3; ++i) {
        axes(i, 0) = s[i];
        axes(i, 1) = u[i];
        axes(i, 2) = f[i];
    }
    cameraNode.local = matrix_multiply(matrix_multiply(move, axes), roll);
}
