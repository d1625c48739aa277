#include "tests/fuzz/scene_textures.h"

#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/scratch_dir.h"
#include "tests/fuzz/seeds/seed_images.h"

namespace scene_textures {

void write_scene_textures()
{
    bool written = write_scratch_file(rgb_pcx, seed_images::pcx_rgb(16, 16)) &&
                   write_scratch_file(indexed_pcx, seed_images::pcx_indexed(8, 8)) &&
                   write_scratch_file(square_jpeg, seed_images::jpeg(16, 16)) &&
                   write_scratch_file(wide_jpeg, seed_images::jpeg(8, 4)) &&
                   write_scratch_file(odd_pcx, seed_images::pcx_rgb(5, 3));
    if (!written) {
        std::perror("scene textures");
        std::abort();
    }
}

}  // namespace scene_textures
