#include "gldevice/webgl_session.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>

namespace {

constexpr const char* CANVAS = "#canvas";

// The renderer's name from `gl`, a WebGL context; null when there is none.
EM_JS(char*, web_renderer_name, (int handle), {
    let gl = null;
    let own = false;
    if (handle) {
        const context = GL.getContext(handle);
        gl = context ? context.GLctx : null;
    } else {
        gl = document.createElement('canvas').getContext('webgl2');
        own = true;
    }
    if (!gl)
        return 0;
    const info = gl.getExtension('WEBGL_debug_renderer_info');
    const name = String(gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER) || "");
    if (own) {
        const lose = gl.getExtension('WEBGL_lose_context');
        if (lose)
            lose.loseContext();
    }
    return allocateUTF8(name);
});

// The canvas's displayed size in device pixels, which its own pixels are made to follow.
EM_JS(int, web_follow_canvas, (int* size), {
    const canvas = document.getElementById('canvas');
    if (!canvas)
        return 0;
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    const width = Math.max(1, Math.round((box.width || window.innerWidth) * ratio));
    const height = Math.max(1, Math.round((box.height || window.innerHeight) * ratio));
    if (canvas.width != width || canvas.height != height) {
        canvas.width = width;
        canvas.height = height;
    }
    HEAP32[size >> 2] = width;
    HEAP32[(size >> 2) + 1] = height;
    return 1;
});

std::string taken_name(char* name)
{
    std::string text = name ? name : "";
    std::free(name);
    return text;
}

EM_BOOL on_context_lost(int, const void*, void* data)
{
    static_cast<WebGlSession*>(data)->contextLost = true;
    return EM_TRUE;
}

}  // namespace

WebGlSession::~WebGlSession()
{
    emscripten_set_webglcontextlost_callback(CANVAS, nullptr, EM_FALSE, nullptr);
    if (context) {
        emscripten_webgl_make_context_current(0);
        emscripten_webgl_destroy_context(context);
    }
}

bool WebGlSession::window_size(int& width, int& height)
{
    int size[2] = {0, 0};
    if (!shown || !web_follow_canvas(size))
        return false;
    width = size[0];
    height = size[1];
    return true;
}

std::unique_ptr<WebGlSession> start_webgl_session(bool shown, std::string& reason)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    // The device draws into framebuffer objects of its own: the canvas's buffer gets only the
    // finished frame, opaque.
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    attributes.failIfMajorPerformanceCaveat = EM_FALSE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(CANVAS, &attributes);
    if (context <= 0) {
        reason = "the browser gives no WebGL 2 context";
        return nullptr;
    }
    auto session = std::make_unique<WebGlSession>();
    session->context = int(context);
    session->shown = shown;
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        reason = "the WebGL 2 context cannot be made current";
        return nullptr;
    }
    emscripten_set_webglcontextlost_callback(CANVAS, session.get(), EM_FALSE, on_context_lost);
    session->renderer = taken_name(web_renderer_name(int(context)));
    return session;
}

std::string webgl_renderer()
{
    return taken_name(web_renderer_name(0));
}
