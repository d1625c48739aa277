#include "gldevice/gl_context.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "core/fatal_error.h"
#include "gfxcontext/debug_font.h"
#include "gfxcontext/requests.h"
#include "gldevice/egl_session.h"
#include "gldevice/webgl_session.h"
#include "gldevice/gl_device.h"
#include "gldevice/gl_programs.h"
#include "gldevice/gl_texture.h"
#include "gldevice/gl_vertex_buffer.h"

namespace {

using namespace gfx;

// Whatever went wrong in the driver since the last frame stops the program: GL reports out of
// memory and a lost context no other way, and a frame drawn after them would be garbage.
void stop_on_gl_error()
{
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR)
        return;
    const char* what = "unknown error";
    switch (error) {
    case GL_INVALID_ENUM: what = "invalid enum"; break;
    case GL_INVALID_VALUE: what = "invalid value"; break;
    case GL_INVALID_OPERATION: what = "invalid operation"; break;
    case GL_INVALID_FRAMEBUFFER_OPERATION: what = "invalid framebuffer operation"; break;
    case GL_OUT_OF_MEMORY: what = "out of memory"; break;
    case 0x0507: what = "context lost"; break;
    case 0x9242: what = "its WebGL context was lost"; break;   // CONTEXT_LOST_WEBGL
    }
    char message[96];
    if (error == 0x9242)
        std::snprintf(message, sizeof message, "The GL device failed: %s!", what);
    else
        std::snprintf(message, sizeof message, "The GL device failed: %s (GL error 0x%04X)!",
                      what, unsigned(error));
    fatal_error(message);
}

#ifndef PLAYER_WEBGL
// Whether the current context was made to lose itself on a reset of the graphics processor and tell
// so through glGetGraphicsResetStatus (OpenGL 4.5, or GL_ARB_robustness / GL_KHR_robustness).
bool notifies_reset()
{
    GLint major = 0, minor = 0, extensions = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    bool robustness = major * 10 + minor >= 45;
    glGetIntegerv(GL_NUM_EXTENSIONS, &extensions);
    for (GLint i = 0; i < extensions && !robustness; ++i) {
        const auto* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, GLuint(i)));
        robustness = name && (std::strcmp(name, "GL_ARB_robustness") == 0 ||
                              std::strcmp(name, "GL_KHR_robustness") == 0);
    }
    if (!robustness)
        return false;
    GLint strategy = 0;
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategy);
    return strategy == GL_LOSE_CONTEXT_ON_RESET;
}

// A context lost to a reset stops the program as any other GL error does.
void stop_on_reset()
{
    const GLenum status = glGetGraphicsResetStatus();
    if (status == GL_NO_ERROR)
        return;
    const char* who = status == GL_GUILTY_CONTEXT_RESET     ? "by this context"
                      : status == GL_INNOCENT_CONTEXT_RESET ? "by another context"
                                                            : "of unknown cause";
    char message[96];
    std::snprintf(message, sizeof message,
                  "The GL device failed: context lost to a reset %s (0x%04X)!", who,
                  unsigned(status));
    fatal_error(message);
}
#endif

class GlDirect3D : public Counted<Direct3D> {
public:
    HRESULT CreateVertexBuffer(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** buffer,
                               uint32_t) override
    {
        if (!buffer)
            return D3DERR_GENERIC;
        *buffer = nullptr;
        if (!gfx::vertex_buffer_request_valid(desc))
            return D3DERR_GENERIC;
        buffers.push_back(std::make_unique<GlVertexBuffer>(desc.dwFVF, desc.dwNumVertices));
        *buffer = buffers.back().get();
        return D3D_OK;
    }

private:
    std::vector<std::unique_ptr<GlVertexBuffer>> buffers;
};

// A colour and a depth renderbuffer of the target's size, multisampled when samples > 1.
struct GlFramebuffer {
    GLuint framebuffer = 0, colour = 0, depth = 0;
    int samples;

    GlFramebuffer(int width, int height, int samples, bool withDepth) : samples(samples)
    {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        // A renderbuffer's name is an object once bound.
        const auto attach = [&](GLuint& buffer, GLenum attachment) {
            glGenRenderbuffers(1, &buffer);
            glBindRenderbuffer(GL_RENDERBUFFER, buffer);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, buffer);
        };
        attach(colour, GL_COLOR_ATTACHMENT0);
        if (withDepth)
            attach(depth, GL_DEPTH_ATTACHMENT);
        allocate(width, height);
    }
    // Storage of a new size for the buffers (their contents undefined).
    void allocate(int width, int height)
    {
        auto storage = [&](GLuint buffer, GLenum format) {
            glBindRenderbuffer(GL_RENDERBUFFER, buffer);
            if (samples > 1)
                glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
            else
                glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
        };
        storage(colour, GL_RGBA8);
        if (depth)
            storage(depth, GL_DEPTH_COMPONENT32F);
    }
    GlFramebuffer(const GlFramebuffer&) = delete;
    GlFramebuffer& operator=(const GlFramebuffer&) = delete;
    ~GlFramebuffer()
    {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        glDeleteRenderbuffers(1, &depth);
    }
    bool complete() const
    {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
};

class GlContext : public Counted<Context> {
public:
    // follow: the target whose size follows the window's (a native one, where the host lets it).
    GlContext(Presenter* presenter, GlHost& host, const GlPrograms& programs, int width,
              int height, TargetSize size, int samples, bool robust,
              std::optional<RenderTarget> follow)
        : presenter(presenter), host(host), programs(programs), robust(robust),
          follow(follow), logicalWidth(width), logicalHeight(height),
          drawn(size.width, size.height, samples, true),
          resolved(samples > 1 ? std::make_unique<GlFramebuffer>(size.width, size.height, 1, false)
                               : nullptr),
          target{drawn.framebuffer, size.width, size.height}, device(programs, target),
          textScale(debug_text_scale(size, width, height))
    {
        glGenVertexArrays(1, &textArray);
        glGenBuffers(1, &textBuffer);
        glBindVertexArray(textArray);
        glBindBuffer(GL_ARRAY_BUFFER, textBuffer);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        glBindVertexArray(0);
        // A new frame is black with every depth at the far plane, as the software device's.
        Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    }
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;
    ~GlContext() override
    {
        glDeleteBuffers(1, &textBuffer);
        glDeleteVertexArrays(1, &textArray);
    }

    bool complete() const { return drawn.complete() && (!resolved || resolved->complete()); }

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
        const int width = target.width, height = target.height;
        GLuint source = drawn.framebuffer;
        if (resolved) {
            glBindFramebuffer(GL_READ_FRAMEBUFFER, drawn.framebuffer);
            glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved->framebuffer);
            glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                              GL_NEAREST);
            source = resolved->framebuffer;
        }
#ifndef PLAYER_WEBGL
        if (robust)
            stop_on_reset();   // once a frame: a read of a flag, no wait for the processor
#endif
        // A browser tells of a lost WebGL context by an event, and by glGetError only once.
        if (host.lost())
            fatal_error("The GL device failed: its WebGL context was lost!");
        stop_on_gl_error();
        int windowWidth = 0, windowHeight = 0;
        if (host.window_size(windowWidth, windowHeight)) {
            show_in_window(source, windowWidth, windowHeight);
            if (follow)
                refit(windowWidth, windowHeight);
            return D3D_OK;
        }
        glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        pixels.resize(size_t(width) * height);
#ifdef PLAYER_WEBGL
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        for (uint32_t& pixel : pixels)
            pixel = swap_red_blue(pixel) & 0x00FFFFFFu;
#else
        glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
        for (uint32_t& pixel : pixels)
            pixel &= 0x00FFFFFFu;
#endif
        if (presenter)
            presenter->present(pixels.data(), width, height);
        return D3D_OK;
    }
    HRESULT Clear(uint32_t flags) override
    {
        GLbitfield mask = 0;
        if (flags & D3DCLEAR_TARGET)
            mask |= GL_COLOR_BUFFER_BIT;
        if (flags & D3DCLEAR_ZBUFFER)
            mask |= GL_DEPTH_BUFFER_BIT;
        glBindFramebuffer(GL_FRAMEBUFFER, drawn.framebuffer);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
#ifdef PLAYER_WEBGL
        glClearDepthf(1.0f);
#else
        glClearDepth(1.0);
#endif
        if (mask)
            glClear(mask);
        return D3D_OK;
    }
    HRESULT DrawDebugText(float x, float y, uint32_t colour, const char* text) override
    {
        if (!text || !(std::fabs(x) <= 16.0f) || !(std::fabs(y) <= 16.0f))
            return D3DERR_GENERIC;
        text_squares(int(std::floor(x * float(target.width))),
                     int(std::floor(y * float(target.height))), text);
        if (squares.empty())
            return D3D_OK;
        glBindFramebuffer(GL_FRAMEBUFFER, drawn.framebuffer);
        glViewport(0, 0, target.width, target.height);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
#ifndef PLAYER_WEBGL
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
#endif
        glUseProgram(programs.text);
        glUniform2f(programs.textScale, 2.0f / float(target.width), 2.0f / float(target.height));
        glUniform4f(programs.textColour, float((colour >> 16) & 255) / 255.0f,
                    float((colour >> 8) & 255) / 255.0f, float(colour & 255) / 255.0f, 1.0f);
        glBindVertexArray(textArray);
        glBindBuffer(GL_ARRAY_BUFFER, textBuffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(squares.size() * sizeof(float)), squares.data(),
                     GL_STREAM_DRAW);
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(squares.size() / 2));
        glBindVertexArray(0);
        return D3D_OK;
    }

private:
    // Two triangles for each font pixel that lands on the frame, as the software device lays the
    // glyphs out: scale x scale squares, 6 x 8 cells, a line break back to x.
    void text_squares(int x, int y, const char* text)
    {
        squares.clear();
        const int scale = textScale;
        layout_debug_text(x, y, text, scale, target.width, [&](int px, int py) {
            if (px + scale <= 0 || py + scale <= 0 || px >= target.width || py >= target.height)
                return;
            const float x0 = float(px), y0 = float(py), x1 = x0 + float(scale),
                        y1 = y0 + float(scale);
            squares.insert(squares.end(), {x0, y0, x1, y0, x1, y1, x0, y0, x1, y1, x0, y1});
        });
    }

    // A new size for the target when the window's calls for one: the next frame is drawn there.
    void refit(int windowWidth, int windowHeight)
    {
        const TargetSize size = resolve_target_size(*follow, logicalWidth, logicalHeight,
                                                    windowWidth, windowHeight);
        if (size.width == target.width && size.height == target.height)
            return;
        drawn.allocate(size.width, size.height);
        if (resolved)
            resolved->allocate(size.width, size.height);
        target.width = size.width;
        target.height = size.height;
        textScale = debug_text_scale(size, logicalWidth, logicalHeight);
        Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    }

    // The frame, the window's back buffer cleared black around it, shown in the window: scaled to
    // the largest area of its aspect, rows flipped into the window's bottom-up order.
    void show_in_window(GLuint source, int windowWidth, int windowHeight)
    {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glViewport(0, 0, windowWidth, windowHeight);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const TargetSize fitted =
            fit_aspect(target.width, target.height, windowWidth, windowHeight);
        const int x = (windowWidth - fitted.width) / 2, y = (windowHeight - fitted.height) / 2;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
        glBlitFramebuffer(0, 0, target.width, target.height, x, y + fitted.height,
                          x + fitted.width, y, GL_COLOR_BUFFER_BIT, GL_LINEAR);
        host.swap();
    }

    Presenter* presenter;
    GlHost& host;
    const GlPrograms& programs;
    [[maybe_unused]] bool robust;   // WebGL has no reset status to read
    std::optional<RenderTarget> follow;
    int logicalWidth, logicalHeight;
    GlFramebuffer drawn;
    std::unique_ptr<GlFramebuffer> resolved;
    GlTarget target;
    GlDevice device;
    GlDirect3D d3d;
    int textScale;
    GLuint textArray = 0, textBuffer = 0;
    std::vector<float> squares;
    std::vector<uint32_t> pixels;
};

class GlLibrary : public ContextLibrary {
public:
    GlLibrary(std::unique_ptr<GlHost> host, Presenter* presenter, const RenderTarget& target)
        : host(std::move(host)), presenter(presenter), target(target)
    {
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        glDisable(GL_DITHER);
#ifndef PLAYER_WEBGL
        robust = notifies_reset();
        // A flat primitive takes the colour of its first vertex (in WebGL, which keeps the last
        // one's, the device puts the first corner last).
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
#endif
    }
    ~GlLibrary() override
    {
        contexts.clear();
        textures.clear();
        programs.reset();
    }

    bool ready() { return make_programs(*programs); }

    HRESULT D3DXInitialize() override { return D3D_OK; }
    HRESULT D3DXUninitialize() override
    {
        glFinish();
        return D3D_OK;
    }

    HRESULT D3DXCreateContext(uint32_t, uint32_t, void*, uint32_t width, uint32_t height,
                              Context** context) override
    {
        if (!context)
            return D3DERR_GENERIC;
        *context = nullptr;
        int outputWidth = 0, outputHeight = 0;
        if (target.native && !host->window_size(outputWidth, outputHeight) && presenter)
            presenter->output_size(outputWidth, outputHeight);
        const auto size = context_size(width, height, target, outputWidth, outputHeight);
        if (!size)
            return D3DERR_GENERIC;
        // A driver with fewer samples a pixel draws with as many as it has, and says so once.
        const int samples = std::max(1, std::min(target.samples, int(maxSamples)));
        if (samples < target.samples && !cappedSaid) {
            std::fprintf(stderr,
                         "sarnoj: the GL device draws with %d samples a pixel, not %d: its "
                         "driver's GL_MAX_SAMPLES\n",
                         samples, target.samples);
            cappedSaid = true;
        }
        std::optional<RenderTarget> follow;
        if (target.native && host->follows_window())
            follow = target;
        auto made = std::make_unique<GlContext>(presenter, *host, *programs, size->width,
                                                size->height, size->target, samples, robust,
                                                follow);
        // Render buffers the graphics memory cannot hold are reported here (GL_OUT_OF_MEMORY) and
        // nowhere else: the context is refused, and the player draws with the software device.
        if (glGetError() != GL_NO_ERROR || !made->complete())
            return D3DERR_GENERIC;
        contexts.push_back(std::move(made));
        *context = contexts.back().get();
        return D3D_OK;
    }

    HRESULT D3DXCreateTexture(Device*, uint32_t flags, uint32_t width, uint32_t height,
                              uint32_t format, Texture** texture) override
    {
        if (!texture)
            return D3DERR_GENERIC;
        *texture = nullptr;
        if (!gfx::texture_request_valid(format, width, height))
            return D3DERR_GENERIC;
        textures.push_back(
            std::make_unique<GlTexture>(width, height, !(flags & D3DX_TEXTURE_NOMIPMAP)));
        *texture = textures.back().get();
        return D3D_OK;
    }

    HRESULT D3DXLoadTextureFromMemory(Device*, Texture* texture, uint32_t level,
                                      const void* pixels, uint32_t format, uint32_t pitch,
                                      uint32_t) override
    {
        auto* ours = dynamic_cast<GlTexture*>(texture);
        if (!ours || format != D3DX_SF_A8R8G8B8)
            return D3DERR_GENERIC;
        return ours->load(level, pixels, pitch) ? D3D_OK : D3DERR_GENERIC;
    }

private:
    std::unique_ptr<GlHost> host;   // its context made current first, released last
    std::unique_ptr<GlPrograms> programs = std::make_unique<GlPrograms>();
    Presenter* presenter;
    RenderTarget target;
    GLint maxSamples = 1;
    bool cappedSaid = false;
    bool robust = false;   // the context tells of a reset of the graphics processor
    std::vector<std::unique_ptr<GlTexture>> textures;
    std::vector<std::unique_ptr<GlContext>> contexts;
};

}  // namespace

std::unique_ptr<gfx::ContextLibrary> make_gl_context_library(Presenter* presenter,
                                                             const RenderTarget& target,
                                                             std::string& reason,
                                                             std::string* renderer)
{
#ifdef PLAYER_WEBGL
    std::unique_ptr<WebGlSession> session = start_webgl_session(false, reason);
#else
    std::unique_ptr<EglSession> session = start_egl_session(reason);
#endif
    if (!session)
        return nullptr;
    if (renderer)
        *renderer = session->renderer;
    return make_gl_context_library(std::move(session), presenter, target, reason);
}

std::unique_ptr<gfx::ContextLibrary> make_gl_context_library(std::unique_ptr<GlHost> host,
                                                             Presenter* presenter,
                                                             const RenderTarget& target,
                                                             std::string& reason)
{
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
#ifdef PLAYER_WEBGL
    if (major < 3) {
        reason = "the GL context is older than OpenGL ES 3.0";
        return nullptr;
    }
#else
    if (major * 10 + minor < 33) {
        reason = "the GL context is older than OpenGL 3.3";
        return nullptr;
    }
#endif
    auto library = std::make_unique<GlLibrary>(std::move(host), presenter, target);
    if (!library->ready()) {
        reason = "the GL device's shaders do not compile here";
        return nullptr;
    }
    return library;
}
