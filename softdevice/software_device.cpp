#include "softdevice/software_device.h"

#include <algorithm>

#include "softdevice/texture.h"
#include "softdevice/software_vertex_buffer.h"

namespace {

uint32_t pack(const ClipPoint& p)
{
    auto channel = [](float c) { return c <= 0.0f ? 0u : c >= 255.0f ? 255u : uint32_t(c + 0.5f); };
    return channel(p.a) << 24 | channel(p.r) << 16 | channel(p.g) << 8 | channel(p.b);
}

}  // namespace

SoftwareDevice::SoftwareDevice(FrameBuffer& frame, Rasterizer& rasterizer)
    : frame(frame), rasterizer(rasterizer)
{
}

HRESULT SoftwareDevice::BeginScene() { return D3D_OK; }

HRESULT SoftwareDevice::EndScene()
{
    // A frame of several samples is finished when it is resolved for showing, in the same pass
    // over each tile as the drawing.
    if (frame.samples == 1)
        rasterizer.flush(Rasterizer::Completion::image);
    return D3D_OK;
}

HRESULT SoftwareDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const float matrix[16])
{
    return set_transform(transforms, state, matrix);
}

const float* SoftwareDevice::combined_transform() { return ::combined_transform(transforms); }

HRESULT SoftwareDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value)
{
    switch (state) {
    case D3DRENDERSTATE_ZENABLE: raster.depthEnable = value != D3DZB_FALSE; break;
    case D3DRENDERSTATE_FILLMODE: fillMode = value; break;
    case D3DRENDERSTATE_SHADEMODE: raster.gouraud = value != D3DSHADE_FLAT; break;
    case D3DRENDERSTATE_SRCBLEND: raster.srcBlend = value; break;
    case D3DRENDERSTATE_DESTBLEND: raster.destBlend = value; break;
    case D3DRENDERSTATE_CULLMODE: cullMode = value; break;
    case D3DRENDERSTATE_ALPHABLENDENABLE: raster.blendEnable = value != 0; break;
    default: break;   // dithering, clipping and lighting change nothing in this device
    }
    return D3D_OK;
}

HRESULT SoftwareDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                             uint32_t value)
{
    if (stage != 0)
        return D3D_OK;
    switch (type) {
    case D3DTSS_MAGFILTER: raster.magFilter = value; break;
    case D3DTSS_MINFILTER: raster.minFilter = value; break;
    case D3DTSS_MIPFILTER: raster.mipFilter = value; break;
    default: break;
    }
    return D3D_OK;
}

HRESULT SoftwareDevice::SetTexture(uint32_t stage, gfx::Texture* texture)
{
    if (stage != 0)
        return D3D_OK;
    if (!texture) {
        raster.texture = nullptr;
        return D3D_OK;
    }
    auto* ours = dynamic_cast<SoftwareTexture*>(texture);
    if (!ours)
        return D3DERR_GENERIC;
    raster.texture = ours;
    return D3D_OK;
}

ClipPoint SoftwareDevice::fetch(const SoftwareVertexBuffer& buffer, uint32_t index)
{
    const ClipVertex& v = buffer.clip[index];
    return ClipPoint{v.x,
                     v.y,
                     v.z,
                     v.w,
                     v.u,
                     v.v,
                     float((v.colour >> 16) & 255),
                     float((v.colour >> 8) & 255),
                     float(v.colour & 255),
                     float(v.colour >> 24)};
}

ScreenVertex SoftwareDevice::project(const ClipPoint& p) const
{
    const float q = 1.0f / p.w;
    return ScreenVertex{(p.x * q + 1.0f) * float(frame.width) * 0.5f,
                        (1.0f - p.y * q) * float(frame.height) * 0.5f,
                        p.z * q,
                        q,
                        p.u * q,
                        p.v * q,
                        p.r,
                        p.g,
                        p.b,
                        p.a};
}

const SoftwareDevice::PreparedVertex* SoftwareDevice::prepare(const SoftwareVertexBuffer& buffer,
                                                              uint32_t startVertex,
                                                              uint32_t vertexCount, uint16_t index)
{
    const uint64_t at = uint64_t(startVertex) + index;
    if (index >= vertexCount || at >= buffer.capacity())
        return nullptr;   // an index outside the vertices given draws nothing
    PreparedVertex& v = prepared[index];
    v.clip = fetch(buffer, uint32_t(at));
    v.code = clip_outcode(v.clip);
    v.flatColour = pack(v.clip);
    if (v.code == allInside)
        v.screen = project(v.clip);
    preparedStamp[index] = stamp;
    return &v;
}

void SoftwareDevice::draw_triangle(const PreparedVertex& a, const PreparedVertex& b,
                                   const PreparedVertex& c)
{
    if ((a.code | b.code | c.code) != allInside)
        return;   // all three outside one plane
    if ((a.code & b.code & c.code) == allInside) {
        // Nothing to clip, which is the common case: no copies.
        const ScreenVertex* corners[3] = {&a.screen, &b.screen, &c.screen};
        if (!culled(corners, 3))
            fill(a, b, c, corners, 3);
        return;
    }
    ClipPoint polygon[maxClippedCorners];
    ScreenVertex screen[maxClippedCorners];
    const ScreenVertex* corners[maxClippedCorners];
    const int count = clip_triangle(a.clip, b.clip, c.clip, polygon);
    if (count < 3)
        return;
    for (int i = 0; i < count; i++) {
        screen[i] = project(polygon[i]);
        corners[i] = &screen[i];
    }
    if (!culled(corners, count))
        fill(a, b, c, corners, count);
}

bool SoftwareDevice::culled(const ScreenVertex* const* corners, int count) const
{
    if (cullMode != D3DCULL_CW && cullMode != D3DCULL_CCW)
        return false;
    double area = 0.0;
    for (int i = 0; i < count; i++) {
        const ScreenVertex& p = *corners[i];
        const ScreenVertex& q = *corners[i + 1 < count ? i + 1 : 0];
        area += double(p.x) * q.y - double(q.x) * p.y;
    }
    return culled_by_winding(cullMode, area);
}

void SoftwareDevice::fill(const PreparedVertex& a, const PreparedVertex& b,
                          const PreparedVertex& c, const ScreenVertex* const* corners, int count)
{
    if (fillMode == D3DFILL_WIREFRAME || fillMode == D3DFILL_POINT) {
        draw_line(a.clip, b.clip, a.flatColour);
        draw_line(b.clip, c.clip, a.flatColour);
        draw_line(c.clip, a.clip, a.flatColour);
        return;
    }
    for (int i = 1; i + 1 < count; i++)
        rasterizer.triangle(*corners[0], *corners[i], *corners[i + 1], a.flatColour);
}

void SoftwareDevice::draw_line(ClipPoint a, ClipPoint b, uint32_t flatColour)
{
    if (!clip_line(a, b))
        return;
    rasterizer.line(project(a), project(b), flatColour);
}

HRESULT SoftwareDevice::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, gfx::VertexBuffer* base,
                                               uint32_t startVertex, uint32_t vertexCount,
                                               const uint16_t* indices, uint32_t indexCount,
                                               uint32_t)
{
    auto* buffer = dynamic_cast<SoftwareVertexBuffer*>(base);
    if (!buffer || !buffer->transformed() || (!indices && indexCount))
        return D3DERR_GENERIC;
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_LINELIST)
        return D3DERR_GENERIC;
    rasterizer.set_state(raster);
    // Vertices are shared by several primitives: each is fetched, classified and projected once.
    const size_t reach = std::min<size_t>(vertexCount, size_t(1) << 16);
    if (prepared.size() < reach) {
        prepared.resize(reach);
        preparedStamp.resize(reach, 0);
    }
    if (++stamp == 0) {
        std::fill(preparedStamp.begin(), preparedStamp.end(), 0u);
        stamp = 1;
    }
    const uint32_t corners = type == D3DPT_TRIANGLELIST ? 3 : 2;
    const PreparedVertex* p[3] = {};
    for (uint32_t first = 0; first + corners <= indexCount; first += corners) {
        bool valid = true;
        for (uint32_t k = 0; k < corners && valid; k++) {
            const uint16_t index = indices[first + k];
            // Only indices below vertexCount can carry this draw's stamp.
            p[k] = index < preparedStamp.size() && preparedStamp[index] == stamp
                       ? &prepared[index]
                       : prepare(*buffer, startVertex, vertexCount, index);
            valid = p[k] != nullptr;
        }
        if (!valid)
            continue;
        if (type == D3DPT_TRIANGLELIST)
            draw_triangle(*p[0], *p[1], *p[2]);
        else
            draw_line(p[0]->clip, p[1]->clip, p[0]->flatColour);
    }
    return D3D_OK;
}
