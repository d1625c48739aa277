#pragma once
// Load-time preparation of the scene for the device: device textures registered by material
// name, each face's drawer, and vertex buffers and an index array big enough for the whole scene.

#include <cstdint>

#include "gfxcontext/context.h"
#include "scene/scene.h"

struct TextureEntry {
    TextureEntry* next;
    gfx::Texture* texture;
    char* name;  // own copy of the material name
};

// The buffers every batch goes through: the face drawers fill them, and the preparation of the
// scene (device_buffers_setup) sizes them to hold every vertex and face of the scene at once.
struct DeviceBuffers {
    gfx::VertexBuffer* source;       // D3DFVF_LVERTEX: camera-space vertices of the batch
    gfx::VertexBuffer* destination;  // D3DFVF_TLVERTEX: what the device transformed and clipped
    int vertexCapacity;              // vertices in each buffer
    uint16_t* indices;               // six 16-bit indices a face
    int faceCapacity;
};

void register_material_texture(const Material& material);
TextureEntry* find_texture_entry(const Material& material);
gfx::Texture* create_device_texture(const TextureMap& map);
HRESULT device_buffers_setup(int64_t vertexTotal, int64_t faceTotal);
// The drawer of a face, by its material and whether the scene has omni lights.
FaceDrawer choose_face_drawer(const Face& face, bool lit);
