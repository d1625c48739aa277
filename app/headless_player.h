#pragma once
// The player's frames without a window: the scene file loaded into the device chosen (the software
// device unless the GL device is asked for and starts) and drawn
// at chosen scene frames by the very calls of the main loop, each finished frame kept by an
// offscreen presenter. The capture tool and the golden-frame tests draw through it.

#include <cstdint>
#include <memory>

#include "app/device_library.h"
#include "gfxcontext/context.h"
#include "gfxcontext/offscreen_presenter.h"
#include "gfxcontext/render_target.h"
#include "scene/scene.h"

struct FreeCamera;
class HeadlessWindow;
class StoppedClock;

// The farthest frame a capture may ask for: a scene without a camera is flown there tick by tick.
constexpr float HEADLESS_LAST_FRAME = 100000.0f;

class HeadlessPlayer {
public:
    // Loads the scene as the player does (a broken file stops through fatal_error). One player
    // at a time: the device and the renderer's buffers are the program's globals. The program
    // draws in its logical width x height; the device draws that on the target asked for (the
    // presenter has no window, so a native target is the logical size).
    explicit HeadlessPlayer(const char* sceneFile, const RenderTarget& target = {},
                            int width = 640, int height = 480,
                            RenderDevice device = RenderDevice::software);
    // A scene made in code (benchmarks): made once the device is up, then prepared for it as
    // the scene build prepares a loaded one.
    using SceneMaker = Scene* (*)(int width, int height);
    explicit HeadlessPlayer(SceneMaker make, const RenderTarget& target = {}, int width = 640,
                            int height = 480, RenderDevice device = RenderDevice::software);
    ~HeadlessPlayer();
    HeadlessPlayer(const HeadlessPlayer&) = delete;
    HeadlessPlayer& operator=(const HeadlessPlayer&) = delete;

    // One pass of the main loop at the scene frame (clamped to 0 .. HEADLESS_LAST_FRAME). Without
    // a camera of its own the scene stays at frame 0 and the free camera is where frame / 0.2
    // ticks have flown it, with "* PAUSED *" in the corner.
    void render(float frame);

    const OffscreenPresenter& presenter() const { return *offscreen; }
    Scene& scene() { return *loaded; }
    // The device drawing the frames: the software device when the GL device did not start.
    RenderDevice device() const { return deviceInUse; }
    // GL_RENDERER of the GL device; empty for the software device.
    const std::string& gl_renderer() const { return glRenderer; }

private:
    HeadlessPlayer(const RenderTarget& target, int width, int height, RenderDevice device);
    void start(Scene* scene);

    std::unique_ptr<OffscreenPresenter> offscreen;
    std::unique_ptr<HeadlessWindow> windowPort;
    std::unique_ptr<StoppedClock> clockPort;
    std::unique_ptr<gfx::ContextLibrary> library;
    RenderDevice deviceInUse = RenderDevice::software;
    std::string glRenderer;
    Scene* loaded = nullptr;
    FreeCamera* freeCamera = nullptr;
    int64_t ticksFlown = 0;
    int width, height;
};
