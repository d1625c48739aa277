// Any bytes as a JPEG file: the glue gives a whole image (a single black pixel for data the
// library refuses) and never stops the program for a file that exists.

#include <cstdint>

#include "image/jpeg.h"
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
    decode_fuzz_input({data, size}, "IMAGE.JPG", jpeg_decode, {});
    return 0;
}
