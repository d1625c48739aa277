#include "app/headless_player.h"

#include <cmath>

#include "app/device.h"
#include "app/frame_clock.h"
#include "app/free_camera.h"
#include "app/player.h"
#include "app/scene_calls.h"
#include "app/window.h"
#include "gfxcontext/graphics.h"
#include "softdevice/software_context.h"
#include "loader/scene_build.h"
#include "render/render_view.h"
#include "render/renderer.h"
#include "render/renderer_state.h"

// A window system with no screen: every call succeeds and nothing arrives.
class HeadlessWindow : public WindowPort {
public:
    HeadlessWindow(int width, int height) : width(width), height(height) {}
    bool register_class(const char*) override { return true; }
    bool create_window(const char*, int, int, bool) override { return true; }
    void show_window() override {}
    void* handle() override { return nullptr; }
    void pump_messages(WindowProc) override {}
    LRESULT default_proc(uint32_t, WPARAM, LPARAM) override { return 0; }
    ScreenRect cursor_clip_rect() override { return {0, 0, width, height}; }
    void set_cursor_pos(int, int) override {}
    void show_cursor(bool) override {}

private:
    int width, height;
};

// Frames are chosen, not timed: the clock never moves.
class StoppedClock : public ClockPort {
public:
    uint32_t milliseconds() override { return 0; }
};

HeadlessPlayer::HeadlessPlayer(const RenderTarget& target, int width, int height,
                               RenderDevice device)
    : offscreen(std::make_unique<OffscreenPresenter>()),
      windowPort(std::make_unique<HeadlessWindow>(width, height)),
      clockPort(std::make_unique<StoppedClock>()),
      width(width),
      height(height)
{
    // The GL device, when asked for, as the player takes it: the software device after a line
    // when no GL context can be made or its render buffers do not fit in the graphics memory.
    if (device == RenderDevice::gl)
        library = make_player_library(
            RenderDevice::gl,
            [this, target](void*) { return make_headless_gl(offscreen.get(), target); },
            make_software_context_library(offscreen.get(), target), stderr, &glRenderer);
    else
        library = make_software_context_library(offscreen.get(), target);
    window.port = windowPort.get();
    frameClock.time = clockPort.get();
    graphics.library = library.get();
    // Buffers, textures and states an earlier device left belong to that device.
    renderer = Renderer{};
    device_setup(*render_view_create(width, height), false);
    deviceInUse = glRenderer.empty() ? RenderDevice::software : RenderDevice::gl;
}

HeadlessPlayer::HeadlessPlayer(const char* sceneFile, const RenderTarget& target, int width,
                               int height, RenderDevice device)
    : HeadlessPlayer(target, width, height, device)
{
    start(build_scene(sceneFile, width, height, prepare_scene_for_device));
}

HeadlessPlayer::HeadlessPlayer(SceneMaker make, const RenderTarget& target, int width, int height,
                               RenderDevice device)
    : HeadlessPlayer(target, width, height, device)
{
    Scene* scene = make(width, height);
    prepare_scene_for_device(*scene);
    if (!scene->view)
        scene->view = render_view_create(width, height);
    start(scene);
}

void HeadlessPlayer::start(Scene* scene)
{
    loaded = scene;
    if (!loaded->camera) {
        freeCamera = free_camera_create();
        loaded->camera = &freeCamera->node;
    }
    loaded->total = 0.0f;
}

HeadlessPlayer::~HeadlessPlayer()
{
    device_shutdown();
    graphics = Graphics{};
    renderer = Renderer{};
}

void HeadlessPlayer::render(float frame)
{
    if (!(frame > 0.0f))
        frame = 0.0f;
    if (frame > HEADLESS_LAST_FRAME)
        frame = HEADLESS_LAST_FRAME;

    if (freeCamera) {
        const int64_t ticks = std::llround(frame / FRAMES_PER_TICK);
        if (ticks < ticksFlown) {
            freeCamera = free_camera_create();  // back to the start
            loaded->camera = &freeCamera->node;
            ticksFlown = 0;
        }
        for (; ticksFlown < ticks; ++ticksFlown)
            free_camera_tick(*freeCamera, 0, 0);
        loaded->total = 0.0f;
    } else {
        loaded->total = frame;
    }

    draw_player_frame(*loaded, freeCamera, player_scene_calls(), width, height);
}
