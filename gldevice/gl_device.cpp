#include "gldevice/gl_device.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "gfxcontext/filter_switch.h"
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
    glGenVertexArrays(1, &streamArray);
    glGenBuffers(1, &streamBuffer);
    glBindVertexArray(streamArray);
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    constexpr GLsizei stride = sizeof(ClipPoint);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(ClipPoint, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(ClipPoint, r)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(ClipPoint, u)));
    glBindVertexArray(0);
#ifdef PLAYER_WEBGL
    glGenVertexArrays(1, &lineArray);
    glGenBuffers(1, &lineBuffer);
    glBindVertexArray(lineArray);
    glBindBuffer(GL_ARRAY_BUFFER, lineBuffer);
    constexpr GLsizei cornerStride = sizeof(LineCorner);
    const auto attribute = [](GLuint index, GLint size, size_t offset) {
        glEnableVertexAttribArray(index);
        glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, cornerStride,
                              reinterpret_cast<void*>(offset));
    };
    attribute(0, 2, offsetof(LineCorner, x));
    attribute(1, 4, offsetof(LineCorner, ends));
    attribute(2, 2, offsetof(LineCorner, depths));
    attribute(3, 4, offsetof(LineCorner, colours));
    attribute(4, 4, offsetof(LineCorner, colours) + 4 * sizeof(float));
    glBindVertexArray(0);
#endif
}

GlDevice::~GlDevice()
{
#ifdef PLAYER_WEBGL
    glDeleteBuffers(1, &lineBuffer);
    glDeleteVertexArrays(1, &lineArray);
#endif
    glDeleteSamplers(1, &sampler);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &streamBuffer);
    glDeleteVertexArrays(1, &streamArray);
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
    const bool magnifiedToHalf = magnified_to_half_level(magFilter, minFilter, mipFilter);
    glUniform1i(programs.sceneMode,
                (textured ? 1 : 0) | (gouraud ? 2 : 0) | (magnifiedToHalf ? 4 : 0));
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
#ifndef PLAYER_WEBGL
    // WebGL 2 has neither: its wireframes go through the stream as lines, and a target with
    // samples draws every primitive with them.
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
    // Lines cover every sample of the pixels they touch, as on the software device.
    if (triangles && !wireframe)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
#endif
    if (textured) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture->id);
        glBindSampler(0, sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                            magFilter == D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, min_filter(minFilter, mipFilter));
    }
}

// A corner with its colour scaled to 0..1; flat shading takes every corner's from the
// primitive's first.
void GlDevice::emit(ClipPoint p, const ClipPoint& first)
{
    const ClipPoint& colour = gouraud ? p : first;
    p.r = colour.r / 255.0f;
    p.g = colour.g / 255.0f;
    p.b = colour.b / 255.0f;
    p.a = colour.a / 255.0f;
    stream.push_back(p);
}

// As the software device culls a clipped polygon: by its winding on screen (y down).
bool GlDevice::culled(const ClipPoint* polygon, int count) const
{
    if (cullMode != D3DCULL_CW && cullMode != D3DCULL_CCW)
        return false;
    double area = 0.0;
    for (int i = 0; i < count; i++) {
        const ClipPoint& p = polygon[i];
        const ClipPoint& q = polygon[i + 1 < count ? i + 1 : 0];
        const double px = double(p.x) / p.w, py = -double(p.y) / p.w;
        const double qx = double(q.x) / q.w, qy = -double(q.y) / q.w;
        area += px * qy - qx * py;
    }
    return culled_by_winding(cullMode, area);
}

void GlDevice::clip_to_stream(const ClipPoint& a, const ClipPoint& b, const ClipPoint* c,
                              bool wireframe)
{
    if (!c) {
        ClipPoint from = a, to = b;
        if (clip_line(from, to)) {
            emit(from, a);
            emit(to, a);
        }
        return;
    }
    ClipPoint polygon[maxClippedCorners];
    const int count = clip_triangle(a, b, *c, polygon);
    if (count < 3)
        return;
    if (!wireframe) {   // GL culls the fan's triangles by the polygon's winding
        for (int i = 1; i + 1 < count; i++) {
            emit(polygon[0], a);
            emit(polygon[i], a);
            emit(polygon[i + 1], a);
        }
        return;
    }
    // The triangle's own edges, each clipped, in the first corner's flat colour.
    if (culled(polygon, count))
        return;
    const ClipPoint* corners[3] = {&a, &b, c};
    for (int i = 0; i < 3; i++) {
        ClipPoint from = *corners[i], to = *corners[(i + 1) % 3];
        if (clip_line(from, to)) {
            emit(from, a);
            emit(to, a);
        }
    }
}

void GlDevice::flush_kept(GlVertexBuffer& buffer, GLenum mode, uint32_t startVertex,
                          uint32_t reach)
{
    if (kept.empty())
        return;
    const GLint base = buffer.bind_for_drawing(startVertex, reach);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(kept.size() * sizeof(uint16_t)), kept.data(),
                 GL_STREAM_DRAW);
#ifdef PLAYER_WEBGL
    glDrawElements(mode, GLsizei(kept.size()), GL_UNSIGNED_SHORT, nullptr);
    (void)base;   // always 0: the attributes start at the base vertex
#else
    glDrawElementsBaseVertex(mode, GLsizei(kept.size()), GL_UNSIGNED_SHORT, nullptr, base);
#endif
    glBindVertexArray(0);
    kept.clear();
}

void GlDevice::flush_stream(GLenum mode)
{
    if (stream.empty())
        return;
#ifdef PLAYER_WEBGL
    if (mode == GL_LINES) {
        flush_lines();
        return;
    }
#endif
    glBindVertexArray(streamArray);
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(stream.size() * sizeof(ClipPoint)), stream.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(mode, 0, GLsizei(stream.size()));
    glBindVertexArray(0);
    stream.clear();
}

#ifdef PLAYER_WEBGL
void GlDevice::flush_lines()
{
    lineCorners.clear();
    const float width = float(target.width), height = float(target.height);
    for (size_t i = 0; i + 1 < stream.size(); i += 2) {
        // The ends on the screen, as the software device projects them.
        float ends[2][3];
        for (int k = 0; k < 2; k++) {
            const ClipPoint& p = stream[i + size_t(k)];
            const float q = 1.0f / p.w;
            ends[k][0] = (p.x * q + 1.0f) * width * 0.5f;
            ends[k][1] = (1.0f - p.y * q) * height * 0.5f;
            ends[k][2] = p.z * q;
        }
        const ClipPoint &a = stream[i], &b = stream[i + 1];
        const float dx = ends[1][0] - ends[0][0], dy = ends[1][1] - ends[0][1];
        const bool alongX = std::fabs(dx) >= std::fabs(dy);
        const float major0 = alongX ? ends[0][0] : ends[0][1];
        const float major1 = alongX ? ends[1][0] : ends[1][1];
        const float minor0 = alongX ? ends[0][1] : ends[0][0];
        const float slope = major1 != major0 ? (alongX ? dy / dx : dx / dy) : 0.0f;
        // From a pixel before the first to one past the last along the major axis, two pixels to
        // either side of the line along the minor one: every pixel the line steps onto, whole.
        const float from = std::floor(std::min(major0, major1) + 0.5f) - 1.0f;
        const float to = std::floor(std::max(major0, major1) + 0.5f) + 1.0f;
        LineCorner corner{0.0f, 0.0f,
                          {ends[0][0], ends[0][1], ends[1][0], ends[1][1]},
                          {ends[0][2], ends[1][2]},
                          {a.r, a.g, a.b, a.a, b.r, b.g, b.b, b.a}};
        LineCorner corners[4];
        for (int k = 0; k < 4; k++) {
            const float major = k < 2 ? from : to;
            const float side = k == 1 || k == 2 ? 2.0f : -2.0f;
            const float minor = minor0 + (major - major0) * slope + side;
            corner.x = alongX ? major : minor;
            corner.y = alongX ? minor : major;
            corners[k] = corner;
        }
        for (int k : {0, 1, 2, 0, 2, 3})
            lineCorners.push_back(corners[k]);
    }
    stream.clear();
    if (lineCorners.empty())
        return;
    glDisable(GL_CULL_FACE);
    glUseProgram(programs.line);
    glUniform2f(programs.linePixel, 1.0f / float(target.width), 1.0f / float(target.height));
    glBindVertexArray(lineArray);
    glBindBuffer(GL_ARRAY_BUFFER, lineBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(lineCorners.size() * sizeof(LineCorner)),
                 lineCorners.data(), GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(lineCorners.size()));
    glBindVertexArray(0);
    glUseProgram(programs.scene);
}
#endif

HRESULT GlDevice::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, gfx::VertexBuffer* base,
                                         uint32_t startVertex, uint32_t vertexCount,
                                         const uint16_t* indices, uint32_t indexCount, uint32_t)
{
    auto* buffer = dynamic_cast<GlVertexBuffer*>(base);
    if (!buffer || !buffer->transformed() || (!indices && indexCount))
        return D3DERR_GENERIC;
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_LINELIST)
        return D3DERR_GENERIC;
    const bool triangles = type == D3DPT_TRIANGLELIST;
    const bool wireframe = fillMode == D3DFILL_WIREFRAME || fillMode == D3DFILL_POINT;
    const GLenum keptMode = triangles ? GL_TRIANGLES : GL_LINES;
    const GLenum streamMode = triangles && !wireframe ? GL_TRIANGLES : GL_LINES;
#ifdef PLAYER_WEBGL
    const bool keepable = streamMode != GL_LINES;   // lines are drawn by the line program
#else
    const bool keepable = true;
#endif
    const uint32_t reach =
        startVertex < buffer->capacity()
            ? uint32_t(std::min<uint64_t>(vertexCount, buffer->capacity() - startVertex))
            : 0;
    apply_state(triangles);
    // A primitive with an index outside the vertices given, or a vertex that is not a number,
    // draws nothing; one with every corner inside goes to GL as it is, one outside a plane with
    // every corner draws nothing, and the others are clipped into the stream. Runs of either
    // kind are drawn in turn, so that primitives keep their order.
    const uint32_t corners = triangles ? 3 : 2;
    kept.clear();
    stream.clear();
    for (uint32_t first = 0; first + corners <= indexCount; first += corners) {
        bool valid = true;
        uint32_t all = allInside, any = 0;
        for (uint32_t k = 0; k < corners && valid; k++) {
            const uint16_t index = indices[first + k];
            const uint64_t at = uint64_t(startVertex) + index;
            valid = index < vertexCount && at < buffer->capacity() && buffer->drawable[at];
            if (valid) {
                all &= buffer->codes[at];
                any |= buffer->codes[at];
            }
        }
        if (!valid || any != allInside)
            continue;
        if (all == allInside && keepable) {
            flush_stream(streamMode);
#ifdef PLAYER_WEBGL
            // The flat colour is the last corner's in WebGL: the first is put last, which
            // leaves a triangle's winding as it was.
            kept.insert(kept.end(), indices + first + 1, indices + first + corners);
            kept.push_back(indices[first]);
#else
            kept.insert(kept.end(), indices + first, indices + first + corners);
#endif
            continue;
        }
        flush_kept(*buffer, keptMode, startVertex, reach);
        ClipPoint p[3];
        for (uint32_t k = 0; k < corners; k++) {
            const ClipVertex& v = buffer->clip[startVertex + indices[first + k]];
            p[k] = ClipPoint{v.x, v.y, v.z, v.w, v.u, v.v,
                             float((v.colour >> 16) & 255), float((v.colour >> 8) & 255),
                             float(v.colour & 255), float(v.colour >> 24)};
        }
        clip_to_stream(p[0], p[1], triangles ? &p[2] : nullptr, wireframe);
    }
    flush_kept(*buffer, keptMode, startVertex, reach);
    flush_stream(streamMode);
    return D3D_OK;
}
