// The texture loader's search over a material's file name and its JPG and PCX variants, with
// the format told by the first bytes (and the TGA extension): the input chooses the name and the
// files that exist (texture_files.h), and the files' contents run through the PCX, JPEG, BMP,
// TGA and PNG decoders. Every outcome is a whole image or one of the loaders' messages.

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "image/texture_file.h"
#include "tests/fuzz/image_checks.h"
#include "tests/fuzz/scene_messages.h"
#include "tests/fuzz/scratch_dir.h"
#include "tests/fuzz/texture_files.h"
#include "tests/support/fatal_stop.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    make_scratch_dir();
    install_fatal_stop();
    // The missing-JPEG line goes to standard output; unbuffered, so that no buffer is kept.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TextureFileSet set = split_texture_input({data, size});
    if (set.givenName.empty())
        return 0;
    InScratchDir inScratch;
    clear_scratch_dir();
    for (const TextureFile& file : set.files)
        write_scratch_file(file.name.c_str(), file.bytes);

    char name[32];
    std::snprintf(name, sizeof name, "%s", set.givenName.c_str());
    Image map{};
    try {
        load_texture_image(name, map);
        build_image_levels(map);
        check_image(map);
    } catch (const FatalStop& stop) {
        check_fatal_message(stop.message, is_scene_stop(stop.message));
    }
    release_texture_image(map);
    return 0;
}
