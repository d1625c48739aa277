#include "render/mesh_preparation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "gfxcontext/graphics.h"
#include "render/face_drawers.h"
#include "render/render_view.h"
#include "render/renderer.h"
#include "render/renderer_state.h"

namespace {

// log2 of a side, to the nearest whole number; a side below 1 has no levels.
int rounded_log2(int side)
{
    if (side < 1)
        return 0;
    return static_cast<int>(std::log(static_cast<double>(side)) * 1.442695 + 0.5);
}

int wrap_fixed_corners(const Face& face)
{
    const int bits = face.wrapFixed & 7;
    return (bits & 1) + ((bits >> 1) & 1) + ((bits >> 2) & 1);
}

HRESULT set_transform(D3DTRANSFORMSTATETYPE state, const Matrix4& matrix)
{
    return graphics.device->SetTransform(state, matrix.m);
}

gfx::VertexBuffer* create_buffer(uint32_t format, int capacity)
{
    D3DVERTEXBUFFERDESC description{};
    description.dwSize = sizeof(D3DVERTEXBUFFERDESC);
    description.dwCaps = D3DVBCAPS_WRITEONLY | D3DVBCAPS_SYSTEMMEMORY;
    description.dwFVF = format;
    description.dwNumVertices = static_cast<uint32_t>(capacity);
    gfx::VertexBuffer* buffer = nullptr;
    graphics.d3d->CreateVertexBuffer(description, &buffer, 0);
    return buffer;
}

}  // namespace

TextureEntry* find_texture_entry(const Material& material)
{
    // A material the file left unnamed goes by the empty name, as it is registered.
    const char* name = material.name ? material.name : "";
    for (TextureEntry* entry = renderer.textures; entry; entry = entry->next)
        if (std::strcmp(entry->name, name) == 0)
            return entry;
    return nullptr;
}

void register_material_texture(const Material& material)
{
    if (find_texture_entry(material))
        return;
    const TextureMap* map = material.texture1 ? material.texture1 : material.texture2;
    if (!map)
        return;
    TextureEntry* entry = alloc_record<TextureEntry>();
    entry->name = strdup(material.name ? material.name : "");
    if (!entry->name)
        fatal_error("Not enough memory!");
    entry->texture = create_device_texture(*map);
    entry->next = renderer.textures;
    renderer.textures = entry;
}

gfx::Texture* create_device_texture(const TextureMap& map)
{
    // A side of one pixel rounds to no level at all; the image's own level is still loaded, or
    // the texture would be left unfilled.
    const int levels = std::max(1, std::min(rounded_log2(map.width), rounded_log2(map.height)));
    const uint32_t width = static_cast<uint32_t>(std::max(map.width, 0));
    const uint32_t height = static_cast<uint32_t>(std::max(map.height, 0));
    gfx::Texture* texture = nullptr;
    gfx::ContextLibrary& library = *graphics.library;
    if (map.levels) {
        library.D3DXCreateTexture(graphics.device, 0, width, height, D3DX_SF_A8R8G8B8, &texture);
        const ImageLevel* level = map.levels;
        for (int i = 0; i < levels; ++i, level = level->next) {
            if (!level)
                fatal_error("perkele");
            library.D3DXLoadTextureFromMemory(graphics.device, texture, static_cast<uint32_t>(i),
                                              level->pixels, D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR);
        }
    } else {
        library.D3DXCreateTexture(graphics.device, D3DX_TEXTURE_NOMIPMAP, width, height,
                                  D3DX_SF_A8R8G8B8, &texture);
        library.D3DXLoadTextureFromMemory(graphics.device, texture, 0, map.pixels,
                                          D3DX_SF_A8R8G8B8, 0, D3DX_FT_LINEAR);
    }
    return texture;
}

HRESULT device_buffers_setup(int64_t vertexTotal, int64_t faceTotal)
{
    if (vertexTotal == 0 || faceTotal == 0)
        fatal_error("no vertices or no faces!");
    if (vertexTotal > 0xFFFF)
        fatal_error("Too many vertices in scene for D3D");

    DeviceBuffers& buffers = renderer.buffers;
    if (buffers.vertexCapacity < vertexTotal) {
        if (buffers.vertexCapacity != 0) {
            buffers.source->Release();
            buffers.destination->Release();
        }
        buffers.vertexCapacity = static_cast<int>(vertexTotal);
        buffers.source = create_buffer(D3DFVF_LVERTEX, buffers.vertexCapacity);
        buffers.destination = create_buffer(D3DFVF_TLVERTEX, buffers.vertexCapacity);
    }
    if (buffers.faceCapacity < faceTotal) {
        std::free(buffers.indices);
        // Six 16-bit indices a face; a total beyond 32 bits of bytes stops as an exhausted heap.
        buffers.indices =
            static_cast<uint16_t*>(alloc_block_checked(static_cast<uint64_t>(faceTotal) * 12));
        buffers.faceCapacity = static_cast<int>(faceTotal);
    }

    // The device gets camera-space positions: no world transform, y turned upside down by the
    // view, and a placeholder projection until the first upload_projection.
    set_transform(D3DTRANSFORMSTATE_WORLD, matrix_identity());
    Matrix4 view = matrix_identity();
    view(1, 1) = -1.0f;
    set_transform(D3DTRANSFORMSTATE_VIEW, view);
    Matrix4 projection = matrix_identity();
    projection(2, 3) = 1.0f;
    projection(3, 2) = -1.0f;
    projection(3, 3) = 0.0f;
    return set_transform(D3DTRANSFORMSTATE_PROJECTION, projection);
}

FaceDrawer choose_face_drawer(const Face& face, bool lit)
{
    const Material* material = face.material;
    if (!material || material->wireframe)
        return draw_face_lines;
    const bool flat = material->shading == 1;
    if (!material->blendTable) {
        if (material->texture1 || material->texture2) {
            if (!lit)
                return draw_face_textured;
            return flat ? draw_face_textured_flat : draw_face_textured_gouraud;
        }
        if (material->shininessMap)
            return draw_face_none;
        return flat ? draw_face_flat : draw_face_gouraud;
    }
    if (!material->texture1)
        return draw_face_gouraud;
    if (!lit)
        return draw_face_blend;
    if (flat)
        return draw_face_blend_flat;
    return material->shading == 2 ? draw_face_blend_gouraud : draw_face_blend;
}

void prepare_scene_for_device(Scene& scene)
{
    scene.drawCallback = batch_flush;
    for (Material* material = scene.materials; material; material = material->next)
        if (material->texture1 || material->texture2)
            register_material_texture(*material);

    const bool lit = scene.omniCount != 0;
    int64_t vertexTotal = 0;
    int64_t faceTotal = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next) {
        if (node->type != NODE_MESH || !node->data)
            continue;
        Mesh& mesh = *static_cast<Mesh*>(node->data);
        if (mesh.faceCount > 0)
            faceTotal += mesh.faceCount;
        if (mesh.vertexCount > 0)
            vertexTotal += mesh.vertexCount;
        for (int i = 0; i < mesh.faceCount && mesh.faces; ++i) {
            Face& face = mesh.faces[i];
            vertexTotal += wrap_fixed_corners(face);
            face.drawer = choose_face_drawer(face, lit);
        }
    }
    device_buffers_setup(vertexTotal, faceTotal);
}

void upload_projection(Scene& scene)
{
    if (scene.view)
        set_transform(D3DTRANSFORMSTATE_PROJECTION, scene.view->projection);
}
