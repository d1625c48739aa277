#include "loader/scene_build.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "image/texture_file.h"
#include "loader/chunk_reader.h"
#include "render/render_view.h"
#include "scene/scene_records.h"

namespace {

// Where a transparent material's blendTable points: only its being set is read.
uint8_t transparentMarker;

bool has_image(const TextureMap* map)
{
    return map && map->pixels && map->width > 0 && map->height > 0;
}

// The texture the alpha steps work on: the first texture slot with an image, else the second.
TextureMap* alpha_texture(Material& material)
{
    if (has_image(material.texture1))
        return material.texture1;
    if (has_image(material.texture2))
        return material.texture2;
    return nullptr;
}

void move_to_object_space(Mesh& mesh)
{
    const Matrix4& m = mesh.inverse;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        float* p = mesh.vertices[i].position;
        float x = p[0], y = p[1], z = p[2];
        for (int c = 0; c < 3; ++c)
            p[c] = x * m(0, c) + y * m(1, c) + z * m(2, c) + m(3, c);
    }
}

void set_bounding_box(Mesh& mesh)
{
    float lo[3] = {1e9f, 1e9f, 1e9f};
    float hi[3] = {-1e9f, -1e9f, -1e9f};
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const float* p = mesh.vertices[i].position;
        for (int c = 0; c < 3; ++c) {
            if (p[c] < lo[c])
                lo[c] = p[c];
            if (p[c] > hi[c])
                hi[c] = p[c];
        }
    }
    // Corners: bit 0 of the pattern picks max x, bit 1 max y, bit 2 max z.
    static const int corners[8] = {0, 1, 5, 4, 2, 3, 7, 6};
    for (int i = 0; i < 8; ++i) {
        mesh.box[i][0] = corners[i] & 1 ? hi[0] : lo[0];
        mesh.box[i][1] = corners[i] & 2 ? hi[1] : lo[1];
        mesh.box[i][2] = corners[i] & 4 ? hi[2] : lo[2];
    }
}

// A face asking for wrapping whose coordinates spread over more than 0.8 has its low corners
// shifted up by whole units; the vertices keep theirs.
void wrap_fix(Face& face, int axis, uint16_t flag)
{
    if (!(face.flags & flag))
        return;
    float lo = face.uv[0][axis], hi = face.uv[0][axis];
    for (int i = 1; i < 3; ++i) {
        lo = std::fmin(lo, face.uv[i][axis]);
        hi = std::fmax(hi, face.uv[i][axis]);
    }
    float spread = hi - lo;
    if (!(spread > 0.8f))
        return;
    float k = std::ceil(spread);
    for (int i = 0; i < 3; ++i) {
        if (face.uv[i][axis] < 0.5f) {
            face.uv[i][axis] += k;
            face.wrapFixed |= static_cast<uint16_t>(1u << i);
        }
    }
}

void set_face_coordinates(Mesh& mesh)
{
    for (int i = 0; i < mesh.faceCount; ++i) {
        Face& face = mesh.faces[i];
        const Vertex* corners[3] = {face.a, face.b, face.c};
        for (int c = 0; c < 3; ++c) {
            face.uv[c][0] = corners[c]->u;
            face.uv[c][1] = corners[c]->v;
        }
        wrap_fix(face, 0, 8);
        wrap_fix(face, 1, 16);
    }
}

// 255 - trunc(255 x transparency), for a transparency held to 0..1 (a file may store any float).
uint32_t transparency_alpha(float transparency)
{
    if (!(transparency > 0.0f))
        return 255;
    if (transparency >= 1.0f)
        return 0;
    return 255 - static_cast<uint32_t>(255.0f * transparency);
}

void set_alpha(uint32_t* pixels, int64_t count, uint32_t alpha)
{
    for (int64_t i = 0; i < count; ++i)
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | alpha << 24;
}

void apply_transparency(Material& material)
{
    if (material.transparency == 0.0f) {
        material.blendTable = nullptr;
        return;
    }
    material.blendTable = &transparentMarker;
    TextureMap* texture = alpha_texture(material);
    if (!texture)
        return;
    uint32_t alpha = transparency_alpha(material.transparency);
    set_alpha(texture->pixels, int64_t(texture->width) * texture->height, alpha);
    if (texture->levels)
        for (ImageLevel* level = texture->levels->next; level; level = level->next)
            set_alpha(level->pixels, int64_t(level->width) * level->height, alpha);
}

// The opacity map's brightness becomes the texture's alpha, sampled in 16.16 steps over the
// texture's rows; then each smaller level takes the alpha of the pixel above its own.
void fold_opacity(Material& material, TextureMap& texture, TextureMap& opacity)
{
    bool transparent = material.blendTable != nullptr;
    float t = material.transparency;
    if (!(t > 0.0f))
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    const int64_t stepX = (int64_t(opacity.width) << 16) / texture.width;
    const int64_t stepY = (int64_t(opacity.height) << 16) / texture.height;
    int64_t y = 0;
    for (int row = 0; row < texture.height; ++row, y += stepY) {
        int64_t sy = std::min<int64_t>(y >> 16, opacity.height - 1);
        const uint32_t* source = opacity.pixels + sy * opacity.width;
        uint32_t* target = texture.pixels + int64_t(row) * texture.width;
        int64_t x = 0;
        for (int column = 0; column < texture.width; ++column, x += stepX) {
            uint32_t sample = source[std::min<int64_t>(x >> 16, opacity.width - 1)];
            uint32_t sum = (sample >> 16 & 0xFF) + (sample >> 8 & 0xFF) + (sample & 0xFF);
            uint32_t alpha = transparent ? static_cast<uint32_t>(sum * t * 0.33333334f) : sum / 3;
            target[column] = (target[column] & 0x00FFFFFFu) | alpha << 24;
        }
    }
    if (!transparent) {
        material.blendTable = &transparentMarker;
        material.additive = 0;
    }
    release_texture_image(opacity);
    std::free(opacity.fileName);
    std::free(&opacity);
    material.opacityMap = nullptr;

    if (!texture.levels)
        return;
    for (ImageLevel* above = texture.levels; above->next; above = above->next) {
        ImageLevel* level = above->next;
        for (int row = 0; row < level->height; ++row) {
            int sy = std::min(2 * row, above->height - 1);
            for (int column = 0; column < level->width; ++column) {
                int sx = std::min(2 * column, above->width - 1);
                uint32_t alpha = above->pixels[int64_t(sy) * above->width + sx] & 0xFF000000u;
                uint32_t& pixel = level->pixels[int64_t(row) * level->width + column];
                pixel = (pixel & 0x00FFFFFFu) | alpha;
            }
        }
    }
}

void prepare_material(Material& material)
{
    apply_transparency(material);
    if (material.reflectionMap && !material.texture1) {
        material.texture1 = material.reflectionMap;
        material.reflectionMap = nullptr;
        material.envMapped = 1;
    }
    if (has_image(material.opacityMap)) {
        if (TextureMap* texture = alpha_texture(material))
            fold_opacity(material, *texture, *material.opacityMap);
    }
    if (!material.opacityMap && !material.blendTable) {
        if (TextureMap* texture = alpha_texture(material))
            set_alpha(texture->pixels, int64_t(texture->width) * texture->height, 255);
    }
}

// A parent chain that comes back on itself would send the per-frame walk up the hierarchy round
// for ever. Parents resolve as that walk resolves them (the first node in list order with the
// number); every chain is followed once, and the link that closes a loop is cut.
void break_parent_cycles(Scene& scene)
{
    std::vector<SceneNode*> byNumber(65536, nullptr);
    std::vector<SceneNode*> nodes;
    for (SceneNode* node = scene.nodes; node; node = node->next) {
        if (!byNumber[node->objectNumber])
            byNumber[node->objectNumber] = node;
        nodes.push_back(node);
    }
    auto parent_of = [&](SceneNode* node) {
        return node->parent == NO_PARENT ? nullptr : byNumber[node->parent];
    };
    enum : uint8_t { UNSEEN, ON_PATH, DONE };
    std::unordered_map<SceneNode*, uint8_t> state;
    for (SceneNode* start : nodes) {
        SceneNode* node = start;
        while (node && state[node] == UNSEEN) {
            state[node] = ON_PATH;
            SceneNode* parent = parent_of(node);
            if (parent && state[parent] == ON_PATH)
                node->parent = NO_PARENT;  // the loop closes here
            node = parent;
        }
        for (node = start; node && state[node] == ON_PATH; node = parent_of(node))
            state[node] = DONE;
    }
}

}  // namespace

Scene* build_scene(const char* fileName, int width, int height, PrepareScene prepare)
{
    Scene* scene = alloc_record<Scene>();
    load_scene_file(fileName, *scene);
    scene->total = 0;
    if (!scene->nodes)
        fatal_error("3DS-file didn't load properly.\n");

    int omniCount = 0;
    for (SceneNode* node = scene->nodes; node; node = node->next) {
        if (node->type == NODE_OMNI)
            ++omniCount;
        if (node->type != NODE_MESH)
            continue;
        Mesh& mesh = *static_cast<Mesh*>(node->data);
        move_to_object_space(mesh);
        set_bounding_box(mesh);
        set_face_coordinates(mesh);
        compute_normals(mesh);
    }
    break_parent_cycles(*scene);

    for (Material* material = scene->materials; material; material = material->next)
        prepare_material(*material);

    scene->omniNodes = alloc_array<SceneNode*>(static_cast<uint32_t>(omniCount));
    scene->omniCount = 0;
    for (SceneNode* node = scene->nodes; node; node = node->next)
        if (node->type == NODE_OMNI)
            scene->omniNodes[scene->omniCount++] = node;

    if (prepare)
        prepare(*scene);
    scene->view = render_view_create(width, height);
    return scene;
}
