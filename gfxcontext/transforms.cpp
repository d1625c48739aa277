#include "gfxcontext/transforms.h"

#include <cstring>

namespace {

void multiply(const float a[16], const float b[16], float out[16])
{
    for (int row = 0; row < 4; row++)
        for (int column = 0; column < 4; column++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++)
                sum += a[row * 4 + k] * b[k * 4 + column];
            out[row * 4 + column] = sum;
        }
}

}  // namespace

HRESULT set_transform(Transforms& transforms, D3DTRANSFORMSTATETYPE state, const float matrix[16])
{
    float* target = state == D3DTRANSFORMSTATE_WORLD        ? transforms.world
                    : state == D3DTRANSFORMSTATE_VIEW       ? transforms.view
                    : state == D3DTRANSFORMSTATE_PROJECTION ? transforms.projection
                                                            : nullptr;
    if (!target || !matrix)
        return D3DERR_GENERIC;
    std::memcpy(target, matrix, 16 * sizeof(float));
    transforms.combinedValid = false;
    return D3D_OK;
}

const float* combined_transform(Transforms& transforms)
{
    if (!transforms.combinedValid) {
        float worldView[16];
        multiply(transforms.world, transforms.view, worldView);
        multiply(worldView, transforms.projection, transforms.combined);
        transforms.combinedValid = true;
    }
    return transforms.combined;
}

void transform_vertices(std::span<const D3DLVERTEX> vertices, const float* m, bool transform,
                        ClipVertex* out)
{
    for (const D3DLVERTEX& v : vertices) {
        if (transform) {
            out->x = v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12];
            out->y = v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13];
            out->z = v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14];
            out->w = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
        } else {
            out->x = v.x;
            out->y = v.y;
            out->z = v.z;
            out->w = 1.0f;
        }
        out->colour = v.color;
        out->u = v.tu;
        out->v = v.tv;
        out++;
    }
}
