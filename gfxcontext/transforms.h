#pragma once
// The three transforms a device keeps (world, view and projection, for row vectors) and their
// product, made again only after one of them changed; and lit vertices taken through it into clip
// space. Every device of the contract uses these, so that their vertices agree to the bit.

#include <span>

#include "gfxcontext/d3d_types.h"
#include "gfxcontext/vertex_buffer.h"

struct Transforms {
    float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float combined[16] = {};
    bool combinedValid = false;
};

// Sets the world, view or projection matrix; an error for any other state or no matrix.
HRESULT set_transform(Transforms& transforms, D3DTRANSFORMSTATETYPE state, const float matrix[16]);
// world x view x projection.
const float* combined_transform(Transforms& transforms);
// The vertices through `matrix` into out, with their colour and texture coordinates; without
// `transform`, their positions as they are with w = 1.
void transform_vertices(std::span<const D3DLVERTEX> vertices, const float* matrix, bool transform,
                        ClipVertex* out);
