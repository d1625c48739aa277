#pragma once
// The device of the GL context: render and texture-stage state, the three transforms, and the
// draw calls, which hand the processed clip-space vertices to GL with the state mapped onto GL's:
// depth test less-or-equal, the blend factors, culling by winding on screen, flat colour from a
// primitive's first vertex, wrap addressing and the filters of stage 0. A primitive with a corner
// outside the near or far plane or the guard band is clipped here as on the software device,
// its new corners' colours mixed along the clipped edges, and drawn from a stream buffer; GL
// then clips only at the sides, where colours interpolated as c w and w keep their value.

#include <cstdint>
#include <vector>

#include "gfxcontext/clipper.h"
#include "gfxcontext/context.h"
#include "gfxcontext/counted.h"
#include "gfxcontext/transforms.h"
#include "gldevice/gl_api.h"
#include "gldevice/gl_programs.h"

class GlTexture;
class GlVertexBuffer;

// The framebuffer a context's device draws into.
struct GlTarget {
    GLuint framebuffer = 0;
    int width = 0, height = 0;
};

class GlDevice : public gfx::Counted<gfx::Device> {
public:
    GlDevice(const GlPrograms& programs, const GlTarget& target);
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;
    ~GlDevice() override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const float matrix[16]) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                 uint32_t value) override;
    HRESULT SetTexture(uint32_t stage, gfx::Texture* texture) override;
    HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, gfx::VertexBuffer* buffer,
                                   uint32_t startVertex, uint32_t vertexCount,
                                   const uint16_t* indices, uint32_t indexCount,
                                   uint32_t flags) override;

    // world x view x projection, row vectors.
    const float* combined_transform();

private:
    void apply_state(bool triangles);
    // Adds the clipped primitive a, b(, c) to the stream; null c: a line.
    void clip_to_stream(const ClipPoint& a, const ClipPoint& b, const ClipPoint* c,
                        bool wireframe);
    void emit(ClipPoint p, const ClipPoint& first);
    bool culled(const ClipPoint* polygon, int count) const;
    // Draws what kept or the stream holds, and empties it.
    void flush_kept(GlVertexBuffer& buffer, GLenum mode, uint32_t startVertex, uint32_t reach);
    void flush_stream(GLenum mode);
#ifdef PLAYER_WEBGL
    void flush_lines();

    // A corner of the parallelogram a line is drawn in, with the whole line (see the line
    // program in gl_programs.cpp): screen pixels, depths 0..1, colours 0..1.
    struct LineCorner {
        float x, y;
        float ends[4];
        float depths[2];
        float colours[8];
    };
    GLuint lineArray = 0, lineBuffer = 0;
    std::vector<LineCorner> lineCorners;
#endif

    const GlPrograms& programs;
    const GlTarget& target;
    GLuint sampler = 0, indexBuffer = 0, streamArray = 0, streamBuffer = 0;
    bool depthEnable = true, gouraud = true, blendEnable = false;
    uint32_t srcBlend = D3DBLEND_ONE, destBlend = D3DBLEND_ZERO;
    uint32_t cullMode = D3DCULL_CCW, fillMode = D3DFILL_SOLID;
    uint32_t magFilter = D3DTFG_POINT, minFilter = D3DTFN_POINT, mipFilter = D3DTFP_NONE;
    const GlTexture* texture = nullptr;
    Transforms transforms;
    std::vector<uint16_t> kept;   // the indices of the primitives a draw hands to GL
    std::vector<ClipPoint> stream;   // clipped primitives, colours 0..1
};
