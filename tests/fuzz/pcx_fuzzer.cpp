// Any bytes as a PCX file: the decoder gives a whole image or stops with its own message.

#include <cstdint>

#include "image/pcx.h"
#include "tests/fuzz/image_checks.h"
#include "tests/fuzz/scratch_dir.h"
#include "tests/support/fatal_stop.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    make_scratch_dir();
    install_fatal_stop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    decode_fuzz_input({data, size}, "IMAGE.PCX", pcx_decode, {"File IMAGE.PCX is not a .pcx file!"});
    return 0;
}
