// The player in the browser: the page's ports, the context library and the scene operations wired
// into the driver as the native program does. With ?frames=... in the page's address it draws
// those scene frames through the headless player instead and hands them to the page. Every end,
// a fatal one too, gives the page back its listeners, pointer lock and full screen.
//
// The frames are drawn by the GL device on WebGL 2 where the browser runs it on a graphics
// processor (its renderer's name says which), at the canvas's own pixels with 4 samples unless
// ?size and ?samples say otherwise; else by the software device at 640 x 480, its frames put on
// the canvas. ?device=gl|software forces either. The page learns which draws from
// window.sarnojDevice ("gl" or "software") and window.sarnojRenderer (WebGL's renderer).

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/device_library.h"
#include "app/headless_player.h"
#include "app/player.h"
#include "app/render_choice.h"
#include "app/scene_calls.h"
#include "core/fatal_error.h"
#include "gldevice/gl_context.h"
#include "gldevice/webgl_session.h"
#include "scene/scene.h"
#include "softdevice/software_context.h"
#include "web/canvas_pixels.h"
#include "web/page_options.h"
#include "web/scene_fetch.h"
#include "web/web_clock.h"
#include "web/web_message_box.h"
#include "web/web_presenter.h"
#include "web/web_sound.h"
#include "web/web_window.h"

namespace {

EM_JS(char*, web_page_query, (), { return allocateUTF8(window.location.search || ""); });

EM_JS(void, web_keep_test_frame, (double frame, const uint8_t* rgba, int width, int height), {
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext('2d');
    const image = context.createImageData(width, height);
    image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    context.putImageData(image, 0, 0);
    window.sarnojFrames = window.sarnojFrames || [];
    window.sarnojFrames.push({frame : frame, width : width, height : height,
                              png : canvas.toDataURL('image/png')});
});

// The frame rate the page itself measured over the run, for its final screen and for a test.
EM_JS(void, web_keep_run_stats, (double frames, double milliseconds), {
    window.sarnojRun = {frames : frames, milliseconds : milliseconds};
});

EM_JS(void, web_run_ended, (int code, int test), {
    window.sarnojExitCode = code;
    if (Module.onPlayerEnd)
        Module.onPlayerEnd(code, !!test);
});

// A render setting the player could not use: on the console and in a line on the page.
EM_JS(void, web_show_warnings, (const char* text), {
    const lines = UTF8ToString(text).split('\n').filter(line => line.length > 0);
    for (const line of lines) {
        console.warn(line);
        if (Module.onWarning)
            Module.onWarning(line.replace(/^sarnoj: /, "")
                                 .replace(/SARNOJ_RENDER_SIZE/g, '?size')
                                 .replace(/SARNOJ_RENDER_SAMPLES/g, '?samples'));
    }
});

EM_JS(void, web_tell_device, (int gl, const char* renderer), {
    window.sarnojDevice = gl ? 'gl' : 'software';
    window.sarnojRenderer = UTF8ToString(renderer);
});

bool testMode = false;
WebWindow* runWindow = nullptr;

// A fatal stop ends the run as its normal end does: the page gets back what the run held of it
// (std::exit skips the destructors) and shows its final screen (after the box's OK), or lets a
// test know.
[[noreturn]] void end_on_fatal_error(int code)
{
    web_release_page();
    web_run_ended(code, testMode ? 1 : 0);
    std::exit(code);
}

// The render target the address asks for, as the native player reads it from its environment;
// its one-line warnings go to the page.
RenderTarget page_render_target()
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* warnings = open_memstream(&text, &size);
    const RenderTarget target = render_target_from_environment(warnings ? warnings : stderr);
    if (warnings)
        std::fclose(warnings);
    const std::unique_ptr<char, decltype(&std::free)> kept(text, &std::free);
    if (kept && size > 0)
        web_show_warnings(kept.get());
    return target;
}

// The device asked for in the address; none when the page is to choose.
std::optional<RenderDevice> forced_device(const PageOptions& options)
{
    if (options.device.empty())
        return std::nullopt;
    return options.device == "gl" ? RenderDevice::gl : RenderDevice::software;
}

// Whether the GL device draws unforced: WebGL 2 on a renderer that is no rasteriser on the
// processor (a software renderer draws the same pictures slower than the software device).
bool gl_on_graphics_processor(const std::string& renderer)
{
    return !renderer.empty() && !software_gl_renderer(renderer);
}

// The GL device on the page's canvas, drawing the run into `target`; unforced, tried only on a
// graphics processor (`renderer`: WebGL's), so that the canvas stays free for the software device
// otherwise.
GlAttempt make_canvas_gl(std::optional<RenderDevice> forced, const std::string& renderer,
                         Presenter* presenter, const RenderTarget& target)
{
    GlAttempt attempt;
    if (!forced && !gl_on_graphics_processor(renderer)) {
        attempt.renderer = renderer;
        attempt.failure = renderer.empty() ? "no WebGL 2" : "a software renderer";
        return attempt;
    }
    std::unique_ptr<WebGlSession> session = start_webgl_session(true, attempt.failure);
    if (!session)
        return attempt;
    attempt.renderer = session->renderer;
    attempt.library =
        make_gl_context_library(std::move(session), presenter, target, attempt.failure);
    return attempt;
}

// WebGL's renderer, and the GL renderer's name once the GL device draws the run.
std::string webglRenderer, runGlRenderer;

// The scene as the player builds it; one without a camera of its own is flown by the free
// camera, which steers by the mouse under pointer lock. By then the device that draws is known.
Scene* (*build_player_scene)(const char*, int, int, PrepareScene) = nullptr;
Scene* build_scene_noting_camera(const char* fileName, int width, int height,
                                 PrepareScene prepare)
{
    web_tell_device(runGlRenderer.empty() ? 0 : 1, webglRenderer.c_str());
    Scene* scene = build_player_scene(fileName, width, height, prepare);
    if (runWindow)
        runWindow->steer_by_mouse(scene && !scene->camera);
    return scene;
}

std::string page_query()
{
    char* query = web_page_query();
    std::string text = query ? query : "";
    std::free(query);
    return text;
}

int draw_test_frames(const PageOptions& options)
{
    const std::optional<RenderDevice> forced = forced_device(options);
    const std::string renderer = webgl_renderer();
    const bool gl = forced ? *forced == RenderDevice::gl : gl_on_graphics_processor(renderer);
    HeadlessPlayer player(APP_SETTINGS.sceneFileName, page_render_target(),
                          APP_SETTINGS.screenWidth, APP_SETTINGS.screenHeight,
                          gl ? RenderDevice::gl : RenderDevice::software);
    const bool drawnByGl = player.device() == RenderDevice::gl;
    web_tell_device(drawnByGl ? 1 : 0, renderer.c_str());
    std::vector<uint8_t> rgba;
    for (float frame : options.frames) {
        player.render(frame);
        const OffscreenPresenter& shown = player.presenter();
        pixels_to_rgba(shown.frame, rgba);
        web_keep_test_frame(double(frame), rgba.data(), shown.width, shown.height);
    }
    return 0;
}

}  // namespace

int main(int, char**)
{
    set_fatal_hooks({web_show_message_box, nullptr, end_on_fatal_error});
    const PageOptions options = parse_page_options(page_query());
    testMode = options.testMode;
    // The test mode runs unattended: its boxes are shown, not waited on.
    web_message_boxes_wait(!options.testMode);
    if (!options.problem.empty())
        fatal_error(options.problem);
    if (!options.size.empty())
        setenv(RENDER_SIZE_VARIABLE, options.size.c_str(), 1);
    if (!options.samples.empty())
        setenv(RENDER_SAMPLES_VARIABLE, options.samples.c_str(), 1);

    // The page has put the scene's files into the in-memory folder, or knows why it could not.
    const std::string problem = enter_scene_folder();
    if (!problem.empty())
        fatal_error(problem);

    if (options.testMode) {
        const int code = draw_test_frames(options);
        web_run_ended(code, 1);
        return code;
    }

    int code;
    {
        WebWindow window(!options.unpaced);
        WebClock clock;
        WebMessageBox messageBox;
        WebSound sound;
        WebPresenter presenter;
        // The GL device takes the canvas's own pixels with 4 samples unless the address says
        // otherwise (a setting it cannot use was named with the software device's).
        const RenderTarget target = page_render_target();
        const RenderTarget gpuTarget =
            render_target_from_environment(nullptr, available_memory(), true);
        const std::optional<RenderDevice> forced = forced_device(options);
        webglRenderer = webgl_renderer();
        web_tell_device(0, webglRenderer.c_str());
        auto graphics = make_player_library(
            forced,
            [&](void*) { return make_canvas_gl(forced, webglRenderer, &presenter, gpuTarget); },
            make_software_context_library(&presenter, target), stderr, &runGlRenderer);
        PlayerPorts ports{window, clock, messageBox, sound, *graphics};
        SceneCalls calls = player_scene_calls();
        build_player_scene = calls.build_scene;
        calls.build_scene = build_scene_noting_camera;
        runWindow = &window;
        RunStats stats{};
        code = run_player(ports, calls, APP_SETTINGS, &stats);
        runWindow = nullptr;
        if (stats.frames) {
            report_frame_rate(stats, stdout);  // a console line, not an error
            web_keep_run_stats(stats.frames, stats.milliseconds);
        }
    }
    web_run_ended(code, 0);
    return code;
}
