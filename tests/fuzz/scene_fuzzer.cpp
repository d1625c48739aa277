// Any bytes as the scene file: loading and the scene build give a scene whose records hold
// together, or stop with one of the loader's messages. Material maps resolve against a fixed set
// of valid images (scene_textures.h). Nothing is drawn: the build's device preparation is left
// to the frame harness.

#include <cstdint>
#include <cstdio>

#include "loader/scene_build.h"
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

void no_device(Scene&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    make_scratch_dir();
    InScratchDir inScratch;
    scene_textures::write_scene_textures();
    install_fatal_stop();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InScratchDir inScratch;
    write_scratch_file("SCENE.3DS", {data, size});
    InputArena arena;
    try {
        Scene* scene = build_scene("SCENE.3DS", 640, 480, no_device);
        check_scene(*scene);
    } catch (const FatalStop& stop) {
        check_fatal_message(stop.message, is_scene_stop(stop.message));
    }
    return 0;
}
