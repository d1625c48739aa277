// Any bytes as a JPEG file: the glue gives a whole image (a single black pixel for data the
// library refuses) and never stops the program for a file that exists.

#include <cstdint>
#include <cstdio>

#include "image/jpeg.h"
#include "image/texture_file.h"
#include "tests/fuzz/fatal_stop.h"
#include "tests/fuzz/image_checks.h"
#include "tests/fuzz/scratch_dir.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    make_scratch_dir();
    install_fatal_stop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InScratchDir inScratch;
    write_scratch_file("IMAGE.JPG", {data, size});
    char name[] = "IMAGE.JPG";
    TextureMap map{};
    try {
        jpeg_decode(name, map);
        build_image_levels(map);
        check_image(map);
    } catch (const FatalStop& stop) {
        check_fatal_message(stop.message, {});
    }
    free_image(map);
    return 0;
}
