#include "gldevice/gl_device.h"


#include "gldevice/gl_texture.h"
#include "gldevice/gl_vertex_buffer.h"

namespace {

// The frame has no alpha of its own: destination alpha reads as opaque.
GLenum blend_factor(uint32_t kind)
{
    switch (kind) {
    case D3DBLEND_ZERO:
    case D3DBLEND_INVDESTALPHA: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
    }
}

GLint min_filter(uint32_t minFilter, uint32_t mipFilter)
{
    const bool linear = minFilter == D3DTFN_LINEAR;
    if (mipFilter == D3DTFP_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mipFilter == D3DTFP_LINEAR)
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

}  // namespace

GlDevice::GlDevice(const GlPrograms& programs, const GlTarget& target)
    : programs(programs), target(target)
{
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glGenBuffers(1, &indexBuffer);
}

GlDevice::~GlDevice()
{
    glDeleteSamplers(1, &sampler);
    glDeleteBuffers(1, &indexBuffer);
}

HRESULT GlDevice::BeginScene() { return D3D_OK; }
HRESULT GlDevice::EndScene() { return D3D_OK; }

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const float matrix[16])
{
    return set_transform(transforms, state, matrix);
}

const float* GlDevice::combined_transform() { return ::combined_transform(transforms); }

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value)
{
    switch (state) {
    case D3DRENDERSTATE_ZENABLE: depthEnable = value != D3DZB_FALSE; break;
    case D3DRENDERSTATE_FILLMODE: fillMode = value; break;
    case D3DRENDERSTATE_SHADEMODE: gouraud = value != D3DSHADE_FLAT; break;
    case D3DRENDERSTATE_SRCBLEND: srcBlend = value; break;
    case D3DRENDERSTATE_DESTBLEND: destBlend = value; break;
    case D3DRENDERSTATE_CULLMODE: cullMode = value; break;
    case D3DRENDERSTATE_ALPHABLENDENABLE: blendEnable = value != 0; break;
    default: break;   // dithering, clipping and lighting change nothing here either
    }
    return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                       uint32_t value)
{
    if (stage != 0)
        return D3D_OK;
    switch (type) {
    case D3DTSS_MAGFILTER: magFilter = value; break;
    case D3DTSS_MINFILTER: minFilter = value; break;
    case D3DTSS_MIPFILTER: mipFilter = value; break;
    default: break;
    }
    return D3D_OK;
}

HRESULT GlDevice::SetTexture(uint32_t stage, gfx::Texture* base)
{
    if (stage != 0)
        return D3D_OK;
    if (!base) {
        texture = nullptr;
        return D3D_OK;
    }
    auto* ours = dynamic_cast<GlTexture*>(base);
    if (!ours)
        return D3DERR_GENERIC;
    texture = ours;
    return D3D_OK;
}

void GlDevice::apply_state(bool triangles)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, target.width, target.height);
    glUseProgram(programs.scene);
    glUniform2f(programs.scenePixel, 1.0f / float(target.width), 1.0f / float(target.height));
    const bool wireframe = fillMode == D3DFILL_WIREFRAME || fillMode == D3DFILL_POINT;
    const bool textured = triangles && texture && !wireframe;   // lines are never textured
    glUniform1i(programs.sceneMode, (textured ? 1 : 0) | (gouraud ? 2 : 0));
    if (depthEnable) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    if (blendEnable) {
        glEnable(GL_BLEND);
        glBlendFunc(blend_factor(srcBlend), blend_factor(destBlend));
    } else {
        glDisable(GL_BLEND);
    }
    // Rows go top first in GL's window y, so a winding clockwise on screen has positive area.
    if (triangles && (cullMode == D3DCULL_CW || cullMode == D3DCULL_CCW)) {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(cullMode == D3DCULL_CW ? GL_FRONT : GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
    }
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
    // Lines cover every sample of the pixels they touch, as on the software device.
    if (triangles && !wireframe)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
    if (textured) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture->id);
        glBindSampler(0, sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                            magFilter == D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, min_filter(minFilter, mipFilter));
    }
}

HRESULT GlDevice::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, gfx::VertexBuffer* base,
                                         uint32_t startVertex, uint32_t vertexCount,
                                         const uint16_t* indices, uint32_t indexCount, uint32_t)
{
    auto* buffer = dynamic_cast<GlVertexBuffer*>(base);
    if (!buffer || !buffer->transformed() || (!indices && indexCount))
        return D3DERR_GENERIC;
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_LINELIST)
        return D3DERR_GENERIC;
    // A primitive with an index outside the vertices given, or a vertex that is not a number,
    // draws nothing; GL is handed only the others.
    const uint32_t corners = type == D3DPT_TRIANGLELIST ? 3 : 2;
    kept.clear();
    for (uint32_t first = 0; first + corners <= indexCount; first += corners) {
        bool valid = true;
        for (uint32_t k = 0; k < corners && valid; k++) {
            const uint16_t index = indices[first + k];
            const uint64_t at = uint64_t(startVertex) + index;
            valid = index < vertexCount && at < buffer->capacity() && buffer->drawable[at];
        }
        if (valid)
            kept.insert(kept.end(), indices + first, indices + first + corners);
    }
    if (kept.empty())
        return D3D_OK;
    apply_state(type == D3DPT_TRIANGLELIST);
    buffer->bind_for_drawing();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(kept.size() * sizeof(uint16_t)), kept.data(),
                 GL_STREAM_DRAW);
    glDrawElementsBaseVertex(type == D3DPT_TRIANGLELIST ? GL_TRIANGLES : GL_LINES,
                             GLsizei(kept.size()), GL_UNSIGNED_SHORT, nullptr,
                             GLint(startVertex));
    glBindVertexArray(0);
    return D3D_OK;
}
