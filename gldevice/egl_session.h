#pragma once
// An OpenGL 3.3 core context without a window: on an EGL device of a graphics processor where EGL
// lists one, else on the surfaceless EGL platform when there is one, else on the default display
// (drawing goes to framebuffer objects either way). The context is current on the thread that
// made it for the session's life.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gldevice/gl_host.h"
#include "gldevice/gl_renderer_name.h"

struct EglSession : GlHost {
    void* display = nullptr;
    void* context = nullptr;
    void* surface = nullptr;   // a 1 x 1 pbuffer where surfaceless contexts are not offered
    std::string renderer;      // GL_RENDERER

    EglSession() = default;
    EglSession(const EglSession&) = delete;
    EglSession& operator=(const EglSession&) = delete;
    ~EglSession() override;

    bool window_size(int&, int&) override { return false; }
    void swap() override {}
};

// Null, with the reason in `reason`, when no such context can be made.
std::unique_ptr<EglSession> start_egl_session(std::string& reason);


// Whether an EGL extension list (names separated by spaces; null for none) holds `name`.
bool has_extension(const char* list, std::string_view name);

// A display worth a try: an enumerated EGL device (by its index), Mesa's surfaceless platform or
// the default display.
struct DisplayChoice {
    enum Kind { device, surfaceless, fallback } kind;
    size_t index;   // of the device
};
// The displays to try, best first, from the client extensions (null where platform displays
// cannot be asked for) and each enumerated device's extensions: every device of a graphics
// processor (a vendor's driver may offer one beside Mesa's, whose surfaceless platform may be
// its CPU rasteriser), then the surfaceless platform, then the default display.
std::vector<DisplayChoice> display_order(const char* clientExtensions,
                                         std::span<const char* const> deviceExtensions);
