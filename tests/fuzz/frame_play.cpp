#include "tests/fuzz/frame_play.h"

#include <cstdio>
#include <string_view>

#include "app/device.h"
#include "app/free_camera.h"
#include "app/player.h"
#include "app/scene_calls.h"
#include "gfxcontext/graphics.h"
#include "loader/scene_build.h"
#include "render/renderer.h"
#include "render/renderer_state.h"
#include "tests/fuzz/frame_input.h"
#include "tests/fuzz/image_checks.h"
#include "tests/fuzz/input_arena.h"
#include "tests/fuzz/scene_checks.h"
#include "tests/fuzz/scene_textures.h"
#include "tests/fuzz/scratch_dir.h"
#include "tests/support/fatal_stop.h"

// The arena frees every block of an input with free(), whichever call made it.
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}

namespace {

// The graphics globals pointed at a device of the library, in the states device set-up gives it
// and with a scene open on it. The context is made at the harness's size (device_setup would make
// the player's 640 x 480, and needs a window).
void bring_up(gfx::ContextLibrary& library, int width, int height)
{
    graphics.library = &library;
    library.D3DXInitialize();
    library.D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, uint32_t(width), uint32_t(height),
                              &graphics.context);
    graphics.device = graphics.context->GetD3DDevice();
    graphics.d3d = graphics.context->GetD3D();
    device_set_initial_states(*graphics.device);
    graphics.device->BeginScene();
}

// The loader's messages, and the two with which the device preparation refuses a scene it cannot
// draw. The drawers' own limits ("Too many vertices!" and the like) are not among them: the
// preparation sizes the buffers for the whole scene, so a file reaching them is a finding.
void expect_known_stop(std::string_view message)
{
    check_fatal_message(message, message == "no vertices or no faces!" ||
                                     message == "Too many vertices in scene for D3D" ||
                                     is_scene_stop(message));
}

void play(const FrameInput& input, int width, int height)
{
    Scene* scene = build_scene("SCENE.3DS", width, height, prepare_scene_for_device);
    FreeCamera* freeCamera = nullptr;
    if (!scene->camera) {
        freeCamera = free_camera_create();
        scene->camera = &freeCamera->node;
    }
    const SceneCalls calls = player_scene_calls();
    for (float frame : input.frames) {
        scene->total = frame;
        // The player's own pass; the clock is not running, so presenting counts no ticks.
        draw_player_frame(*scene, freeCamera, calls, width, height);
    }
}

}  // namespace

void frame_harness_init()
{
    make_scratch_dir();
    {
        InScratchDir inScratch;
        scene_textures::write_scene_textures();
    }
    install_fatal_stop();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
}

void frame_harness_run(std::span<const uint8_t> data, MakeLibrary make, int width, int height)
{
    FrameInput input = split_frame_input(data);
    if (input.frames.empty())
        return;
    InScratchDir inScratch;
    write_scratch_file("SCENE.3DS", input.scene);
    InputArena arena;
    // The renderer's record points into the scene of the input before: back to its start.
    renderer = Renderer{};
    // A device for the input, destroyed with it: it owns the textures and buffers the scene asked
    // for. Its making and its end are not recorded: the C library keeps what starting and
    // joining the software device's workers allocate for the next threads.
    std::unique_ptr<gfx::ContextLibrary> library;
    {
        InputArena::Pause pause;
        library = make();
        bring_up(*library, width, height);
    }
    try {
        play(input, width, height);
    } catch (const FatalStop& stop) {
        expect_known_stop(stop.message);
    }
    InputArena::Pause pause;
    renderer = Renderer{};
    graphics = {};
    library.reset();
}
