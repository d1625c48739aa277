#pragma once
// The face drawers: each puts one face into the current device batch. The first face of a bucket
// opens the batch and brings the device to its states; batch_flush hands the batch to the device
// in one transform-and-clip call and one indexed draw.

#include <cstdint>

#include "gfxcontext/context.h"
#include "scene/scene.h"

// Bits of the state cache: what the device is believed to hold.
enum StateCacheBits : int {
    STATE_FILL_SOLID = 0x01,
    STATE_CULL_CW = 0x02,
    STATE_SHADE_GOURAUD = 0x04,
    STATE_BLEND_ON = 0x08,
    STATE_BLEND_ADDITIVE = 0x10,
};

struct BatchState {
    int batchOpen;
    int batchVertexCount;
    int batchIndexCount;
    D3DLVERTEX* batchVertices;
    uint32_t primitiveType;
    int batchNumber;
    int stateCache;
    gfx::Texture* currentTexture;
    uint32_t flatColour;
};

// The device as device set-up leaves it: solid fill, Gouraud shading, no culling, no blending.
constexpr BatchState BATCH_STATE_INITIAL{
    0, 0, 0, nullptr, 1, 1, STATE_FILL_SOLID | STATE_SHADE_GOURAUD, nullptr, 0};

void draw_face_lines(Face* face);
void draw_face_flat(Face* face);
void draw_face_gouraud(Face* face);
void draw_face_textured(Face* face);
void draw_face_textured_flat(Face* face);
void draw_face_textured_gouraud(Face* face);
void draw_face_blend(Face* face);
void draw_face_blend_flat(Face* face);
void draw_face_blend_gouraud(Face* face);
void draw_face_none(Face* face);

void batch_flush();
gfx::Texture* texture_for_material(const Material* material);
// 0x00RRGGBB from channels in 0..1; out-of-range channels are clamped and NaN counts as 0, so
// nothing a broken file leads to reaches the device as garbage.
inline uint32_t pack_channel(float c)
{
    if (!(c > 0.0f))
        return 0;
    if (c >= 1.0f)
        return 255;
    return static_cast<uint32_t>(c * 255.0f + 0.5f);
}

inline uint32_t pack_colour(const float colour[3])
{
    return pack_channel(colour[2]) | pack_channel(colour[1]) << 8 | pack_channel(colour[0]) << 16;
}
