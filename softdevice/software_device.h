#pragma once
// The device of the software context: render and texture-stage state, the three transforms, and
// the draw calls, which clip primitives in homogeneous space, project them onto the frame and
// hand them to the rasteriser.

#include <cstdint>
#include <vector>

#include "gfxcontext/clipper.h"
#include "gfxcontext/context.h"
#include "gfxcontext/counted.h"
#include "softdevice/rasterizer.h"
#include "gfxcontext/transforms.h"

class SoftwareVertexBuffer;

class SoftwareDevice : public gfx::Counted<gfx::Device> {
public:
    SoftwareDevice(FrameBuffer& frame, Rasterizer& rasterizer);

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
    // A vertex of the draw in progress, made ready once however many primitives share it.
    struct PreparedVertex {
        ClipPoint clip;
        ScreenVertex screen;   // when code is allInside
        uint32_t code;
        uint32_t flatColour;
    };

    // The vertex at index, which is below the buffer's capacity.
    static ClipPoint fetch(const SoftwareVertexBuffer& buffer, uint32_t index);
    ScreenVertex project(const ClipPoint& p) const;
    const PreparedVertex* prepare(const SoftwareVertexBuffer& buffer, uint32_t startVertex,
                                  uint32_t vertexCount, uint16_t index);
    void draw_triangle(const PreparedVertex& a, const PreparedVertex& b, const PreparedVertex& c);
    bool culled(const ScreenVertex* const* corners, int count) const;
    void fill(const PreparedVertex& a, const PreparedVertex& b, const PreparedVertex& c,
              const ScreenVertex* const* corners, int count);
    void draw_line(ClipPoint a, ClipPoint b, uint32_t flatColour);

    FrameBuffer& frame;
    Rasterizer& rasterizer;
    RasterState raster;
    uint32_t cullMode = D3DCULL_CCW;
    uint32_t fillMode = D3DFILL_SOLID;
    Transforms transforms;

    // Indexed by the draw's 16-bit indices; an entry is ready when its stamp is the draw's.
    std::vector<PreparedVertex> prepared;
    std::vector<uint32_t> preparedStamp;
    uint32_t stamp = 0;
};
