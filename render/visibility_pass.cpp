#include "render/visibility_pass.h"

#include <cstdlib>

#include "math/vector.h"
#include "render/draw_list.h"
#include "render/render_view.h"
#include "render/renderer.h"

namespace {

float clamp_light(float c)
{
    // NaN (from a singular node matrix, say) ends at the floor like any other dark value.
    return c > 0.02f ? (c < 0.98f ? c : 0.98f) : 0.02f;
}

// The eight box corners in clip space: a mesh is drawn only when no plane has all of them
// outside it.
bool box_in_view(const RenderView& view, const Mesh& mesh, const Matrix4& objectToClip)
{
    int all = 0;
    for (const float* corner : mesh.box) {
        float point[4];
        matrix_transform_point(objectToClip, corner, point);
        int code = CLIP_USED;
        clip_code(view, point, code);
        all |= code;
    }
    return all == CLIP_COMPLETE;
}

void transform_vertices(const RenderView& view, Mesh& mesh, const Matrix4& objectToCamera,
                        const Matrix4& objectToClip)
{
    for (int i = 0; i < mesh.vertexCount; ++i) {
        Vertex& vertex = mesh.vertices[i];
        vertex.outcode &= ~0xFF;
        vertex.batchStamp = 0;
        matrix_transform_point(objectToCamera, vertex.position, vertex.viewPosition);
        matrix_transform_point(objectToClip, vertex.position, vertex.clipPosition);
        clip_code(view, vertex.clipPosition, vertex.outcode);
    }
}

// A face is filed as soon as one corner is inside one boundary; the device clips the rest.
void mark_faces(Mesh& mesh)
{
    for (int i = 0; i < mesh.faceCount; ++i) {
        Face& face = mesh.faces[i];
        const int any = face.a->outcode | face.b->outcode | face.c->outcode;
        face.potentiallyVisible = (any & CLIP_COMPLETE) != 0;
        if (face.potentiallyVisible) {
            face.a->outcode |= CLIP_USED;
            face.b->outcode |= CLIP_USED;
            face.c->outcode |= CLIP_USED;
        }
    }
}

void lights_to_object_space(const Scene& scene, const Matrix4& worldToObject)
{
    if (!scene.omniNodes)
        return;
    for (int i = 0; i < scene.omniCount; ++i) {
        const SceneNode* node = scene.omniNodes[i];
        Light* light = node ? static_cast<Light*>(node->data) : nullptr;
        if (light && light->on)
            matrix_transform_point3(worldToObject, light->position, light->objPos);
    }
}

void light_used_vertices(const Scene& scene, const RenderView& view, Mesh& mesh,
                         const Matrix4& normalToCamera)
{
    for (int i = 0; i < mesh.vertexCount; ++i) {
        Vertex& vertex = mesh.vertices[i];
        if (!(vertex.outcode & CLIP_USED))
            continue;
        matrix_transform_direction(normalToCamera, vertex.normal, vertex.worldNormal);
        light_vertex(scene, vertex);
        vertex.envU = (vertex.worldNormal[0] + 1.0f) * 0.5f;
        vertex.envV = (vertex.worldNormal[1] + 1.0f) * 0.5f;
        if ((vertex.outcode & CLIP_COMPLETE) == CLIP_COMPLETE)
            vertex_reciprocal_w(view, vertex);
    }
}

void file_mesh(Scene& scene, SceneNode& node, Mesh& mesh)
{
    const RenderView& view = *scene.view;
    const Matrix4 objectToCamera = matrix_multiply(node.world, scene.camera->local);
    const Matrix4 objectToClip = matrix_multiply(objectToCamera, view.projection);

    mesh.visible = box_in_view(view, mesh, objectToClip) ? 1 : 0;
    if (!mesh.visible)
        return;

    Matrix4 worldToObject = node.world;
    matrix_inverse(worldToObject);
    Matrix4 normalToCamera = objectToCamera;
    matrix_rotation_part(normalToCamera);

    transform_vertices(view, mesh, objectToCamera, objectToClip);
    mark_faces(mesh);
    lights_to_object_space(scene, worldToObject);
    light_used_vertices(scene, view, mesh, normalToCamera);
    for (int i = 0; i < mesh.faceCount; ++i) {
        Face& face = mesh.faces[i];
        if (!face.potentiallyVisible)
            continue;
        face_colour(&scene, face);
        draw_list_add(scene, &face);
    }
}

void draw_bucket(Scene& scene, DrawBucket& bucket)
{
    DrawEntry* entry = bucket.entries;
    while (entry) {
        DrawEntry* next = entry->next;
        Face* face = entry->face;
        if (face->potentiallyVisible && face->drawer)
            face->drawer(face);
        draw_entry_free(entry);
        entry = next;
    }
    bucket.entries = nullptr;
    std::free(bucket.name);
    bucket.name = nullptr;
    bucket.pass = -1;
    if (scene.drawCallback)
        scene.drawCallback();
}

}  // namespace

void light_vertex(const Scene& scene, Vertex& vertex)
{
    float c[3] = {0.0f, 0.0f, 0.0f};
    if (scene.omniCount != 0 && scene.omniNodes) {
        for (int i = 0; i < scene.omniCount; ++i) {
            const SceneNode* node = scene.omniNodes[i];
            const Light* light = node ? static_cast<const Light*>(node->data) : nullptr;
            if (!light || !light->on)
                continue;
            float d[3];
            vec3_sub(light->objPos, vertex.position, d);
            const float dist = vec3_length(d);
            if (light->fading && dist >= light->rangeEnd)
                continue;
            // A vertex exactly at the light has no direction to it: it takes the half term of
            // a light at right angles to its normal.
            const float facing =
                dist > 0.0f ? vec3_dot(d, vertex.normal) / dist : 0.0f;
            float intensity = (0.5f - 0.5f * facing) * light->multiplier;
            if (intensity <= 0.0f)
                continue;
            if (light->fading && light->rangeStart < dist && dist < light->rangeEnd)
                intensity *= (light->rangeEnd - dist) / (light->rangeEnd - light->rangeStart);
            for (int k = 0; k < 3; ++k)
                c[k] += intensity * light->colour[k];
        }
    } else {
        const Camera* camera =
            scene.camera ? static_cast<const Camera*>(scene.camera->data) : nullptr;
        float head = 0.5f;
        if (camera)
            head = (vec3_dot(camera->direction, vertex.worldNormal) + 1.0f) * 0.5f;
        c[0] = c[1] = c[2] = head;
    }
    for (int k = 0; k < 3; ++k)
        vertex.light[k] = clamp_light(c[k] + scene.ambient[k] * 0.5f);
}

void face_colour(const Scene* scene, Face& face)
{
    if (!scene)
        return;
    for (int k = 0; k < 3; ++k)
        face.faceColour[k] = (face.a->light[k] + face.b->light[k] + face.c->light[k]) * 0.3333333f;
}

void render_scene(Scene& scene)
{
    if (!scene.view || !scene.camera)
        return;
    for (SceneNode* node = scene.nodes; node; node = node->next) {
        if (node->type != NODE_MESH || !node->data)
            continue;
        Mesh& mesh = *static_cast<Mesh*>(node->data);
        if (mesh.visible)
            file_mesh(scene, *node, mesh);
    }

    // Pass by pass; within a pass from the head of the list. A drawn bucket no longer matches
    // any pass, so walking on from it visits the buckets in the same order as starting again
    // from the head.
    for (int pass = 0; pass < DRAW_PASS_COUNT; ++pass)
        for (DrawBucket* bucket = scene.drawBuckets; bucket; bucket = bucket->next)
            if (bucket->pass == pass)
                draw_bucket(scene, *bucket);
    draw_list_free(scene);
}
