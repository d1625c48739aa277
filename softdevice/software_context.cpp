#include "softdevice/software_context.h"

#include <cmath>
#include <new>
#include <vector>

#include "softdevice/framebuffer.h"
#include "softdevice/rasterizer.h"
#include "gfxcontext/requests.h"
#include "softdevice/software_device.h"
#include "softdevice/texture.h"
#include "softdevice/software_vertex_buffer.h"

namespace {

using namespace gfx;

class SoftwareDirect3D : public Counted<Direct3D> {
public:
    HRESULT CreateVertexBuffer(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** buffer,
                               uint32_t) override
    {
        if (!buffer)
            return D3DERR_GENERIC;
        *buffer = nullptr;
        if (!vertex_buffer_request_valid(desc))
            return D3DERR_GENERIC;
        buffers.push_back(std::make_unique<SoftwareVertexBuffer>(desc.dwFVF, desc.dwNumVertices));
        *buffer = buffers.back().get();
        return D3D_OK;
    }

private:
    std::vector<std::unique_ptr<SoftwareVertexBuffer>> buffers;
};

class SoftwareContext : public Counted<Context> {
public:
    // Draws the logical width x height frame on a target of the given size.
    SoftwareContext(Presenter* presenter, int width, int height, TargetSize target, int samples)
        : presenter(presenter), frame(target.width, target.height, samples), rasterizer(frame),
          device(frame, rasterizer), textScale(debug_text_scale(target, width, height))
    {
    }

    Device* GetD3DDevice() override
    {
        device.AddRef();
        return &device;
    }
    Direct3D* GetD3D() override
    {
        d3d.AddRef();
        return &d3d;
    }
    HRESULT UpdateFrame(uint32_t) override
    {
        rasterizer.resolve();
        rasterizer.flush(Rasterizer::Completion::image);
        if (presenter)
            presenter->present(frame.image().data(), frame.width, frame.height);
        return D3D_OK;
    }
    HRESULT Clear(uint32_t flags) override
    {
        rasterizer.clear(flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
        return D3D_OK;
    }
    HRESULT DrawDebugText(float x, float y, uint32_t colour, const char* text) override
    {
        if (!text || !(std::fabs(x) <= 16.0f) || !(std::fabs(y) <= 16.0f))
            return D3DERR_GENERIC;
        rasterizer.text(int(std::floor(x * float(frame.width))),
                        int(std::floor(y * float(frame.height))), colour, text, textScale);
        return D3D_OK;
    }

    void flush() { rasterizer.flush(); }

private:
    Presenter* presenter;
    FrameBuffer frame;
    Rasterizer rasterizer;
    SoftwareDevice device;
    SoftwareDirect3D d3d;
    int textScale;
};

class SoftwareLibrary : public ContextLibrary {
public:
    SoftwareLibrary(Presenter* presenter, const RenderTarget& target)
        : presenter(presenter), target(target)
    {
    }

    HRESULT D3DXInitialize() override { return D3D_OK; }
    HRESULT D3DXUninitialize() override
    {
        for (auto& context : contexts)
            context->flush();
        return D3D_OK;
    }

    // Every selector is served: the device draws the same picture whatever level was asked for.
    HRESULT D3DXCreateContext(uint32_t, uint32_t, void*, uint32_t width, uint32_t height,
                              Context** context) override
    {
        if (!context)
            return D3DERR_GENERIC;
        *context = nullptr;
        int outputWidth = 0, outputHeight = 0;
        if (target.native && presenter)
            presenter->output_size(outputWidth, outputHeight);
        const auto size = context_size(width, height, target, outputWidth, outputHeight);
        // A target too large for the memory there is leaves the device without a context.
        if (!size ||
            !target_memory_problem(size->target, target.samples, available_memory()).empty())
            return D3DERR_GENERIC;
        try {
            contexts.push_back(std::make_unique<SoftwareContext>(
                presenter, size->width, size->height, size->target, target.samples));
        } catch (const std::bad_alloc&) {
            return D3DERR_GENERIC;
        }
        *context = contexts.back().get();
        return D3D_OK;
    }

    HRESULT D3DXCreateTexture(Device*, uint32_t flags, uint32_t width, uint32_t height,
                              uint32_t format, Texture** texture) override
    {
        if (!texture)
            return D3DERR_GENERIC;
        *texture = nullptr;
        if (!texture_request_valid(format, width, height))
            return D3DERR_GENERIC;
        textures.push_back(
            std::make_unique<SoftwareTexture>(width, height, !(flags & D3DX_TEXTURE_NOMIPMAP)));
        *texture = textures.back().get();
        return D3D_OK;
    }

    HRESULT D3DXLoadTextureFromMemory(Device*, Texture* texture, uint32_t level,
                                      const void* pixels, uint32_t format, uint32_t pitch,
                                      uint32_t) override
    {
        auto* ours = dynamic_cast<SoftwareTexture*>(texture);
        if (!ours || format != D3DX_SF_A8R8G8B8)
            return D3DERR_GENERIC;
        // Queued primitives may still sample the texture as it was.
        for (auto& context : contexts)
            context->flush();
        return ours->load(level, pixels, pitch) ? D3D_OK : D3DERR_GENERIC;
    }

private:
    Presenter* presenter;
    RenderTarget target;
    std::vector<std::unique_ptr<SoftwareTexture>> textures;
    std::vector<std::unique_ptr<SoftwareContext>> contexts;
};

}  // namespace

std::unique_ptr<gfx::ContextLibrary> make_software_context_library(Presenter* presenter,
                                                                   const RenderTarget& target)
{
    return std::make_unique<SoftwareLibrary>(presenter, target);
}
