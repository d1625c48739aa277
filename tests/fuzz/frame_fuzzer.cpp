// Any scene file, played: loaded and built with the device preparation, then updated and drawn
// through the null device at the frames the input chooses (frame_input.h). A scene without a
// camera is shown through the free camera, as the driver does. Every outcome is a drawn frame
// or one of the loader's messages.

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "anim/scene_update.h"
#include "app/free_camera.h"
#include "gfxcontext/graphics.h"
#include "gfxcontext/null_context.h"
#include "render/draw_list.h"
#include "render/face_drawers.h"
#include "render/mesh_preparation.h"
#include "render/renderer.h"
#include "scene/scene_build.h"
#include "tests/fuzz/fatal_stop.h"
#include "tests/fuzz/frame_input.h"
#include "tests/fuzz/image_checks.h"
#include "tests/fuzz/input_arena.h"
#include "tests/fuzz/scene_checks.h"
#include "tests/fuzz/scene_textures.h"
#include "tests/fuzz/scratch_dir.h"

// The arena frees every block of an input with free(), whichever call made it.
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}

namespace {

// A device of its own for every input, made inside the input's arena and never destroyed: the
// device owns the textures and buffers the scene asked for, and the arena releases them all.
void make_device()
{
    gfx::ContextLibrary* library = make_null_context_library().release();
    graphics.library = library;
    library->D3DXInitialize();
    library->D3DXCreateContext(D3DX_DEFAULT, 0, nullptr, 640, 480, &graphics.context);
    graphics.device = graphics.context->GetD3DDevice();
    graphics.d3d = graphics.context->GetD3D();
}

// The renderer's globals point into the scene of the input before: back to their state at start.
void reset_renderer()
{
    draw_list_forget_spares();
    textureRegistry = nullptr;
    deviceBuffers = {};
    batchState = BATCH_STATE_INITIAL;
}

// The loader's messages, and the two with which the device preparation refuses a scene it cannot
// draw. The drawers' own limits ("Too many vertices!" and the like) are not among them: the
// preparation sizes the buffers for the whole scene, so a file reaching them is a finding.
void expect_known_stop(std::string_view message)
{
    for (std::string_view text : {"no vertices or no faces!", "Too many vertices in scene for D3D"})
        if (message == text)
            return;
    check_fatal_message(message, scene_messages);
}

void play(const FrameInput& input)
{
    Scene* scene = build_scene("SCENE.3DS", 640, 480, prepare_scene_for_device);
    FreeCamera* freeCamera = nullptr;
    if (!scene->camera) {
        freeCamera = free_camera_create();
        scene->camera = &freeCamera->node;
    }
    for (float frame : input.frames) {
        scene->total = frame;
        update_scene(*scene);
        if (freeCamera)
            free_camera_aim(*freeCamera);
        update_world(*scene);
        upload_projection(*scene);
        render_scene(*scene);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    make_scratch_dir();
    {
        InScratchDir inScratch;
        scene_textures::write_scene_textures();
    }
    install_fatal_stop();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FrameInput input = split_frame_input({data, size});
    if (input.frames.empty())
        return 0;
    InScratchDir inScratch;
    write_scratch_file("SCENE.3DS", input.scene);
    {
        InputArena arena;
        reset_renderer();
        make_device();
        try {
            play(input);
        } catch (const FatalStop& stop) {
            expect_known_stop(stop.message);
        }
        reset_renderer();
        graphics = {};
    }
    return 0;
}
