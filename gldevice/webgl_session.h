#pragma once
// The GL device's context in the browser: WebGL 2 on the page's canvas (id "canvas"), made and
// used on the page's own thread, where the program's main loop runs (the software device's worker
// threads never draw through GL). Shown, the frames go to the canvas, whose pixels follow its
// displayed size times the screen's device pixel ratio, and a native target follows them;
// headless (the page's test mode), they are
// read back. A context the browser takes away (webglcontextlost) is remembered as lost.

#include <memory>
#include <string>

#include "gldevice/gl_host.h"

struct WebGlSession : GlHost {
    int context = 0;
    bool shown = false;
    bool contextLost = false;
    std::string renderer;   // as webgl_renderer names it

    WebGlSession() = default;
    WebGlSession(const WebGlSession&) = delete;
    WebGlSession& operator=(const WebGlSession&) = delete;
    ~WebGlSession() override;

    bool window_size(int& width, int& height) override;
    // The browser shows the canvas once the page's thread gets control back.
    void swap() override {}
    bool lost() override { return contextLost; }
    bool follows_window() override { return shown; }
};

// Null, with the reason in `reason`, when the browser gives the canvas no WebGL 2 context.
std::unique_ptr<WebGlSession> start_webgl_session(bool shown, std::string& reason);

// The name of the renderer behind the browser's WebGL 2 (WEBGL_debug_renderer_info's unmasked
// renderer where the browser offers it, else its RENDERER), asked of a canvas of its own so that
// the page's canvas stays free for either device; empty when there is no WebGL 2.
std::string webgl_renderer();
