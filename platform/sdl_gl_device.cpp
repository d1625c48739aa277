#include "platform/sdl_gl_device.h"

#include <SDL.h>

#include <memory>
#include <optional>

#include "gldevice/egl_session.h"
#include "gldevice/gl_api.h"
#include "gldevice/gl_context.h"
#include "gldevice/gl_host.h"
#include "platform/display_pacer.h"

namespace {

class SdlGlHost : public GlHost {
public:
    SdlGlHost(SDL_Window* window, SDL_GLContext context) : window(window), context(context) {}
    SdlGlHost(const SdlGlHost&) = delete;
    SdlGlHost& operator=(const SdlGlHost&) = delete;
    ~SdlGlHost() override
    {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }

    bool window_size(int& width, int& height) override
    {
        SDL_GL_GetDrawableSize(window, &width, &height);
        return true;
    }
    void swap() override
    {
        SDL_GL_SwapWindow(window);
        if (pacer)
            pacer->wait();
    }

    void synchronise()
    {
        pacer = pacer_unless_synchronised(SDL_GL_SetSwapInterval, display_period(window));
    }

private:
    SDL_Window* window;
    SDL_GLContext context;
    std::optional<DisplayPacer> pacer;
};

}  // namespace

GlAttempt make_sdl_gl_device(SdlWindow& window, Presenter* presenter,
                             const RenderTarget& softwareTarget, const RenderTarget& gpuTarget)
{
    GlAttempt attempt;
    SDL_Window* sdl = window.sdl_window();
    if (!sdl || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL)) {
        attempt.failure = "the window has no OpenGL";
        return attempt;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // A context that is lost, and says so, when the graphics processor is reset (the device stops
    // with its error): isolated from other programs' resets where the driver offers that, else
    // just told; where the driver can make neither, a plain context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_RESET_ISOLATION_FLAG);
    SDL_GLContext context = SDL_GL_CreateContext(sdl);
    if (!context) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
        context = SDL_GL_CreateContext(sdl);
    }
    if (!context) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION,
                            SDL_GL_CONTEXT_RESET_NO_NOTIFICATION);
        context = SDL_GL_CreateContext(sdl);
    }
    // SDL's own renderer, should the software device show the frames after all, asks for what
    // it needs.
    SDL_GL_ResetAttributes();
    if (!context) {
        attempt.failure = SDL_GetError();
        return attempt;
    }
    auto host = std::make_unique<SdlGlHost>(sdl, context);
    if (SDL_GL_MakeCurrent(sdl, context) != 0) {
        attempt.failure = SDL_GetError();
        return attempt;
    }
    host->synchronise();
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    attempt.renderer = renderer ? renderer : "";
    const RenderTarget& target =
        is_software_renderer(attempt.renderer) ? softwareTarget : gpuTarget;
    attempt.library = make_gl_context_library(std::move(host), presenter, target, attempt.failure);
    return attempt;
}
