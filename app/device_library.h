#pragma once
// The device the frames are drawn with: the software device, or the GL device when a GL context
// can be made. A GL device that cannot start leaves the software device in its place, with one
// line on `warnings` saying why.
//
// Headless (capture, tests) the device is asked for. The player chooses as the selector loop of
// device_setup goes: the hardware levels come first, and they get the GL device in the window
// when a GL context can be made there and it is drawn by a graphics processor; any other
// selector, and the hardware levels when the GL device is not taken, get the software device.

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "gfxcontext/context.h"
#include "gfxcontext/presenter.h"
#include "gfxcontext/render_target.h"

enum class RenderDevice { software, gl };

// "software" or "gl"; null, with the reason in `error`, for anything else.
std::optional<RenderDevice> parse_render_device(std::string_view text, std::string& error);

struct DeviceLibrary {
    std::unique_ptr<gfx::ContextLibrary> library;
    RenderDevice device = RenderDevice::software;   // the one that started
    std::string renderer;                           // GL_RENDERER, when the GL device started
};

// Whether a GL renderer's name is one of a rasteriser that runs on the processor (always, in a
// build without the GL device).
bool software_gl_renderer(std::string_view renderer);

// "gl device: <renderer>" in one line, so nobody measures a software renderer for a GPU.
void report_gl_device(std::FILE* out, std::string_view renderer);

DeviceLibrary make_device_library(RenderDevice wanted, Presenter* presenter,
                                  const RenderTarget& target, std::FILE* warnings);

// A try at the GL device in the window handed to context creation: the library, null with the
// reason when no GL context could be made, and the GL renderer's name.
struct GlAttempt {
    std::unique_ptr<gfx::ContextLibrary> library;
    std::string renderer;
    std::string failure;
};
using GlMaker = std::function<GlAttempt(void* window)>;

// The GL device headless (through EGL), drawing for `presenter` into `target`.
GlAttempt make_headless_gl(Presenter* presenter, const RenderTarget& target);

// The player's library. `forced` (from the environment): gl takes the GL device whatever
// rasteriser draws it (the software device, after a line on `warnings`, when none can be made);
// software never tries GL. Unforced, a GL renderer that runs on the processor is not taken: the
// software device draws the same pictures faster there. makeGl is called at most once.
// `glRenderer`, when given, receives the GL renderer's name once the GL device draws.
std::unique_ptr<gfx::ContextLibrary> make_player_library(
    std::optional<RenderDevice> forced, GlMaker makeGl,
    std::unique_ptr<gfx::ContextLibrary> software, std::FILE* warnings,
    std::string* glRenderer = nullptr);
