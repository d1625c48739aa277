// The frame harness through the null device: the whole pipeline up to the device calls, fast.

#include "gfxcontext/null_context.h"
#include "tests/fuzz/frame_play.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    frame_harness_init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    frame_harness_run({data, size}, make_null_context_library, 640, 480);
    return 0;
}
