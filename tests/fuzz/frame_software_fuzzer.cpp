// The frame harness through the software device: whatever a broken file makes of the geometry
// reaches the clipper and the rasteriser. A quarter of the player's frame keeps it quick.

#include "softdevice/software_context.h"
#include "tests/fuzz/frame_play.h"

namespace {

std::unique_ptr<gfx::ContextLibrary> software_device()
{
    return make_software_context_library(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    frame_harness_init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    frame_harness_run({data, size}, software_device, 320, 240);
    return 0;
}
