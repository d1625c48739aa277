// Any bytes as a PCX file: the decoder gives a whole image or stops with its own message.

#include <cstdint>
#include <cstdio>

#include "image/pcx.h"
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
    write_scratch_file("IMAGE.PCX", {data, size});
    char name[] = "IMAGE.PCX";
    TextureMap map{};
    try {
        pcx_decode(name, map);
        build_image_levels(map);
        check_image(map);
    } catch (const FatalStop& stop) {
        check_fatal_message(stop.message, {"File IMAGE.PCX is not a .pcx file!"});
    }
    free_image(map);
    return 0;
}
