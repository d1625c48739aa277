#include "scene/scene_release.h"

#include <cstdlib>
#include <initializer_list>

#include "image/texture_file.h"

namespace {

void release_track(Track& track)
{
    std::free(track.keys);
    std::free(track.values);
    std::free(track.tangentIn);
    std::free(track.tangentOut);
}

void release_rotation(RotationTrack& track)
{
    std::free(track.keys);
    std::free(track.orientation);
    std::free(track.angleAxis);
    std::free(track.controlA);
    std::free(track.controlB);
}

void release_mesh(Mesh* mesh)
{
    std::free(mesh->name);
    std::free(mesh->vertices);
    std::free(mesh->faces);
    release_track(mesh->positionTrack);
    release_rotation(mesh->rotationTrack);
    release_track(mesh->scaleTrack);
    MorphTrack& morph = mesh->morphTrack;
    for (int i = 0; i < morph.keyCount; ++i)
        std::free(morph.targetNames[i]);
    std::free(morph.targetNames);
    for (int i = 0; i < morph.vertexTrackCount; ++i) {
        morph.vertexTracks[i].keys = nullptr;  // shared with the morph track
        release_track(morph.vertexTracks[i]);
    }
    std::free(morph.vertexTracks);
    std::free(morph.keys);
    std::free(mesh->hideFrames);
    std::free(mesh);
}

void release_map(TextureMap* map)
{
    if (!map)
        return;
    release_texture_image(*map);
    std::free(map->fileName);
    std::free(map);
}

}  // namespace

void release_scene(Scene* scene)
{
    if (!scene)
        return;
    for (SceneNode* node = scene->nodes; node;) {
        SceneNode* next = node->next;
        switch (node->type) {
        case NODE_MESH:
            release_mesh(static_cast<Mesh*>(node->data));
            break;
        case NODE_OMNI: {
            Light* light = static_cast<Light*>(node->data);
            std::free(light->name);
            release_track(light->positionTrack);
            release_track(light->colourTrack);
            std::free(light);
            break;
        }
        case NODE_SPOTLIGHT: {  // its target node shares the record
            SpotLight* spot = static_cast<SpotLight*>(node->data);
            std::free(spot->name);
            release_track(spot->positionTrack);
            release_track(spot->targetTrack);
            release_track(spot->colourTrack);
            std::free(spot);
            break;
        }
        case NODE_CAMERA: {  // so does a camera's
            Camera* camera = static_cast<Camera*>(node->data);
            std::free(camera->name);
            release_track(camera->positionTrack);
            release_track(camera->targetTrack);
            release_track(camera->fovTrack);
            release_track(camera->rollTrack);
            std::free(camera);
            break;
        }
        case NODE_DUMMY: {
            DummyObject* dummy = static_cast<DummyObject*>(node->data);
            std::free(dummy->instanceName);
            release_track(dummy->positionTrack);
            release_rotation(dummy->rotationTrack);
            release_track(dummy->scaleTrack);
            std::free(dummy);
            break;
        }
        default:
            break;
        }
        std::free(node->name);
        std::free(node);
        node = next;
    }
    for (Material* material = scene->materials; material;) {
        Material* next = material->next;
        for (TextureMap* map : {material->texture1, material->texture2, material->opacityMap,
                                material->bumpMap, material->shininessMap, material->specularMap,
                                material->selfIllumMap, material->reflectionMap})
            release_map(map);
        std::free(material->name);
        std::free(material);
        material = next;
    }
    release_track(scene->ambientTrack);
    std::free(scene->omniNodes);
    std::free(scene->view);
    std::free(scene);
}
