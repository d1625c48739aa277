#include "app/device_library.h"

#include "gldevice/gl_context.h"
#include "gldevice/gl_renderer_name.h"
#include "softdevice/software_context.h"

namespace {

void say_no_gl(std::FILE* warnings, const std::string& reason)
{
    if (warnings)
        std::fprintf(warnings, "sarnoj: no GL device (%s): drawing with the software device\n",
                     reason.c_str());
}

bool hardware_level(uint32_t selector)
{
    return selector == D3DX_HWLEVEL_TL || selector == D3DX_HWLEVEL_RASTER ||
           selector == D3DX_HWLEVEL_2D;
}

// Hands each call to the library whose context the program draws with: the GL device's once a
// hardware level took it, else the software device's.
class PlayerLibrary : public gfx::ContextLibrary {
public:
    PlayerLibrary(std::optional<RenderDevice> forced, GlMaker makeGl,
                  std::unique_ptr<gfx::ContextLibrary> software, std::FILE* warnings,
                  std::string* glRenderer)
        : forced(forced), makeGl(std::move(makeGl)), software(std::move(software)),
          warnings(warnings), glRenderer(glRenderer)
    {
    }

    HRESULT D3DXInitialize() override { return software->D3DXInitialize(); }
    HRESULT D3DXUninitialize() override { return active()->D3DXUninitialize(); }

    HRESULT D3DXCreateContext(uint32_t selector, uint32_t flags, void* window, uint32_t width,
                              uint32_t height, gfx::Context** context) override
    {
        if (gl && drawing == gl.get())
            return gl->D3DXCreateContext(selector, flags, window, width, height, context);
        if (hardware_level(selector) && !drawing) {
            try_gl(window);
            if (gl) {
                const HRESULT made =
                    gl->D3DXCreateContext(selector, flags, window, width, height, context);
                if (made == D3D_OK && context && *context) {
                    drawing = gl.get();
                    if (glRenderer)
                        *glRenderer = renderer;
                    return made;
                }
                // Its render buffers did not fit in the graphics memory, or the driver refused
                // them: its GL context leaves the window to the software device.
                say_no_gl(warnings, "the GL device could not make its render buffers (out of "
                                    "graphics memory?)");
                gl.reset();
            }
        }
        const HRESULT made =
            software->D3DXCreateContext(selector, flags, window, width, height, context);
        if (made == D3D_OK && context && *context)
            drawing = software.get();
        return made;
    }

    HRESULT D3DXCreateTexture(gfx::Device* device, uint32_t flags, uint32_t width,
                              uint32_t height, uint32_t format, gfx::Texture** texture) override
    {
        return active()->D3DXCreateTexture(device, flags, width, height, format, texture);
    }
    HRESULT D3DXLoadTextureFromMemory(gfx::Device* device, gfx::Texture* texture, uint32_t level,
                                      const void* pixels, uint32_t format, uint32_t pitch,
                                      uint32_t filter) override
    {
        return active()->D3DXLoadTextureFromMemory(device, texture, level, pixels, format, pitch,
                                                   filter);
    }

private:
    gfx::ContextLibrary* active() { return drawing ? drawing : software.get(); }

    void try_gl(void* window)
    {
        if (triedGl || forced == RenderDevice::software)
            return;
        triedGl = true;
        GlAttempt attempt = makeGl(window);
        if (!attempt.library) {
            if (forced == RenderDevice::gl)
                say_no_gl(warnings, attempt.failure);
            return;
        }
        if (forced != RenderDevice::gl && is_software_renderer(attempt.renderer))
            return;   // the attempt's context goes with it
        gl = std::move(attempt.library);
        renderer = attempt.renderer;
        gl->D3DXInitialize();
    }

    std::optional<RenderDevice> forced;
    GlMaker makeGl;
    std::unique_ptr<gfx::ContextLibrary> software;
    std::unique_ptr<gfx::ContextLibrary> gl;
    gfx::ContextLibrary* drawing = nullptr;   // the library that made the context drawn with
    bool triedGl = false;
    std::string renderer;
    std::FILE* warnings;
    std::string* glRenderer;
};

}  // namespace

std::optional<RenderDevice> parse_render_device(std::string_view text, std::string& error)
{
    if (text == "software")
        return RenderDevice::software;
    if (text == "gl")
        return RenderDevice::gl;
    error = "device \"";
    error += text;
    error += "\" is neither software nor gl";
    return std::nullopt;
}

DeviceLibrary make_device_library(RenderDevice wanted, Presenter* presenter,
                                  const RenderTarget& target, std::FILE* warnings)
{
    if (wanted == RenderDevice::gl) {
        std::string reason, renderer;
        if (auto library = make_gl_context_library(presenter, target, reason, &renderer))
            return {std::move(library), RenderDevice::gl, renderer};
        say_no_gl(warnings, reason);
    }
    return {make_software_context_library(presenter, target), RenderDevice::software, {}};
}

GlAttempt make_headless_gl(Presenter* presenter, const RenderTarget& target)
{
    GlAttempt attempt;
    attempt.library = make_gl_context_library(presenter, target, attempt.failure,
                                              &attempt.renderer);
    return attempt;
}

std::unique_ptr<gfx::ContextLibrary> make_player_library(
    std::optional<RenderDevice> forced, GlMaker makeGl,
    std::unique_ptr<gfx::ContextLibrary> software, std::FILE* warnings, std::string* glRenderer)
{
    return std::make_unique<PlayerLibrary>(forced, std::move(makeGl), std::move(software),
                                           warnings, glRenderer);
}

bool software_gl_renderer(std::string_view renderer)
{
    return is_software_renderer(renderer);
}

void report_gl_device(std::FILE* out, std::string_view renderer)
{
    std::fprintf(out, "gl device: %.*s\n", int(renderer.size()), renderer.data());
    std::fflush(out);
}
