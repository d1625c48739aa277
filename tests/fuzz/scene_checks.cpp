#include "tests/fuzz/scene_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Far more records than any input of the fuzzer's sizes can make: a longer list has a cycle.
constexpr int list_limit = 1 << 22;

volatile float sink;

[[noreturn]] void finding(const char* what, const char* name = "")
{
    std::fprintf(stderr, "scene check failed: %s %s\n", what, name ? name : "(no name)");
    std::abort();
}

void touch(const void* block, size_t bytes)
{
    if (bytes == 0)
        return;
    const auto* p = static_cast<const unsigned char*>(block);
    sink = float(p[0] + p[bytes - 1]);
}

void check_name(const char* name)
{
    if (name)
        sink = float(std::strlen(name));
}

void check_keys(const Key* keys, int count, const char* what)
{
    if (count < 0)
        finding("negative key count:", what);
    if (count > 0 && !keys)
        finding("keys missing:", what);
    touch(keys, sizeof(Key) * size_t(count));
}

void check_track(const Track& track, int floatsPerKey, const char* what)
{
    check_keys(track.keys, track.keyCount, what);
    size_t floats = size_t(track.keyCount) * floatsPerKey * sizeof(float);
    if (track.keyCount > 0 && (!track.values || !track.tangentIn || !track.tangentOut))
        finding("track arrays missing:", what);
    touch(track.values, floats);
    touch(track.tangentIn, floats);
    touch(track.tangentOut, floats);
}

void check_rotation(const RotationTrack& track, const char* what)
{
    check_keys(track.keys, track.keyCount, what);
    size_t count = size_t(track.keyCount);
    if (count > 0 && (!track.orientation || !track.angleAxis || !track.controlA || !track.controlB))
        finding("rotation arrays missing:", what);
    touch(track.orientation, count * sizeof(Quaternion));
    touch(track.angleAxis, count * sizeof(float[4]));
    touch(track.controlA, count * sizeof(Quaternion));
    touch(track.controlB, count * sizeof(Quaternion));
}

void check_map(const TextureMap* map)
{
    if (!map || !map->pixels)
        return;
    if (map->width < 1 || map->height < 1)
        finding("texture without size");
    touch(map->pixels, size_t(map->width) * size_t(map->height) * 4);
    for (const ImageLevel* level = map->levels; level; level = level->next)
        touch(level->pixels, size_t(level->width) * size_t(level->height) * 4);
}

void check_mesh(const Mesh& mesh)
{
    check_name(mesh.name);
    if (mesh.vertexCount < 0 || mesh.faceCount < 0)
        finding("negative count in mesh", mesh.name);
    touch(mesh.vertices, sizeof(Vertex) * size_t(mesh.vertexCount));
    const Vertex* first = mesh.vertices;
    const Vertex* end = first + mesh.vertexCount;
    for (int i = 0; i < mesh.faceCount; ++i) {
        const Face& face = mesh.faces[i];
        for (const Vertex* corner : {face.a, face.b, face.c}) {
            if (corner < first || corner >= end)
                finding("face corner outside the vertex array of", mesh.name);
        }
    }
    check_track(mesh.positionTrack, 3, "mesh position");
    check_rotation(mesh.rotationTrack, "mesh rotation");
    check_track(mesh.scaleTrack, 3, "mesh scale");
    const MorphTrack& morph = mesh.morphTrack;
    check_keys(morph.keys, morph.keyCount, "morph");
    if (morph.vertexTrackCount > 0 && morph.vertexTrackCount != mesh.vertexCount)
        finding("morph tracks and vertices differ in", mesh.name);
    touch(morph.targetNames, sizeof(char*) * size_t(morph.keyCount));
    for (int k = 0; k < morph.vertexTrackCount; ++k) {
        if (morph.vertexTracks[k].keyCount != morph.keyCount)
            finding("morph vertex track of another length in", mesh.name);
        check_track(morph.vertexTracks[k], 3, "morph vertex");
    }
    if (mesh.hideCount < 0)
        finding("negative hide count in", mesh.name);
    touch(mesh.hideFrames, sizeof(int) * size_t(mesh.hideCount));
}

void check_node(const SceneNode& node)
{
    check_name(node.name);
    if (!node.data)
        finding("node without record:", node.name);
    switch (node.type) {
    case NODE_MESH:
        check_mesh(*static_cast<const Mesh*>(node.data));
        break;
    case NODE_OMNI: {
        const auto& light = *static_cast<const Light*>(node.data);
        check_track(light.positionTrack, 3, "light position");
        check_track(light.colourTrack, 3, "light colour");
        break;
    }
    case NODE_SPOTLIGHT:
    case NODE_SPOT_TARGET: {
        const auto& spot = *static_cast<const SpotLight*>(node.data);
        check_track(spot.positionTrack, 3, "spot position");
        check_track(spot.targetTrack, 3, "spot target");
        check_track(spot.colourTrack, 3, "spot colour");
        break;
    }
    case NODE_CAMERA:
    case NODE_CAMERA_TARGET: {
        const auto& camera = *static_cast<const Camera*>(node.data);
        check_track(camera.positionTrack, 3, "camera position");
        check_track(camera.targetTrack, 3, "camera target");
        check_track(camera.fovTrack, 1, "camera fov");
        check_track(camera.rollTrack, 1, "camera roll");
        break;
    }
    case NODE_DUMMY: {
        const auto& dummy = *static_cast<const DummyObject*>(node.data);
        check_name(dummy.instanceName);
        check_track(dummy.positionTrack, 3, "dummy position");
        check_rotation(dummy.rotationTrack, "dummy rotation");
        check_track(dummy.scaleTrack, 3, "dummy scale");
        break;
    }
    default:
        finding("node of unknown type:", node.name);
    }
}

}  // namespace

void check_scene(const Scene& scene)
{
    if (!scene.view)
        finding("scene without render view");
    int count = 0;
    const SceneNode* previous = nullptr;
    for (const SceneNode* node = scene.nodes; node; node = node->next) {
        if (++count > list_limit)
            finding("node list without end");
        if (node->prev != previous)
            finding("node list links broken at", node->name);
        previous = node;
        check_node(*node);
    }
    count = 0;
    for (const Material* material = scene.materials; material; material = material->next) {
        if (++count > list_limit)
            finding("material list without end");
        check_name(material->name);
        for (const TextureMap* map :
             {material->texture1, material->texture2, material->opacityMap, material->bumpMap,
              material->shininessMap, material->specularMap, material->selfIllumMap,
              material->reflectionMap})
            check_map(map);
    }
    check_track(scene.ambientTrack, 3, "ambient");
    if (scene.omniCount < 0)
        finding("negative omni count");
    for (int i = 0; i < scene.omniCount; ++i) {
        if (!scene.omniNodes[i] || scene.omniNodes[i]->type != NODE_OMNI)
            finding("omni array holds another node");
    }
}
