#include <cstdlib>

#include "core/alloc_block.h"
#include "image/texture_file.h"

namespace {

// Each new pixel is the mean of a 2 x 2 square of the level above. The two low bits of every
// byte are cleared first so that four bytes add up without carrying into the next channel; the
// alpha byte is cleared with them.
void reduce(const ImageLevel& above, ImageLevel& level)
{
    constexpr uint32_t mask = 0xFCFCFC;
    for (int y = 0; y < level.height; ++y) {
        const uint32_t* top = above.pixels + size_t(2 * y) * above.width;
        const uint32_t* bottom = top + above.width;
        uint32_t* out = level.pixels + size_t(y) * level.width;
        for (int x = 0; x < level.width; ++x) {
            uint32_t sum = (top[2 * x] & mask) + (top[2 * x + 1] & mask) +
                           (bottom[2 * x] & mask) + (bottom[2 * x + 1] & mask);
            out[x] = sum >> 2;
        }
    }
}

}  // namespace

void build_image_levels(Image& map)
{
    ImageLevel* level = alloc_record<ImageLevel>();
    level->pixels = map.pixels;
    level->width = map.width;
    level->height = map.height;
    map.levels = level;

    while (level->width > 1 && level->height > 1) {
        ImageLevel* next = alloc_record<ImageLevel>();
        next->width = level->width / 2;
        next->height = level->height / 2;
        next->level = level->level + 1;
        next->pixels = static_cast<uint32_t*>(
            alloc_block(uint32_t(next->width) * uint32_t(next->height) * 4));
        reduce(*level, *next);
        level->next = next;
        level = next;
    }
}

void release_texture_image(Image& map)
{
    ImageLevel* level = map.levels;
    if (level) {
        ImageLevel* next = level->next;
        std::free(level);  // the first level shares the map's pixels
        for (level = next; level; level = next) {
            next = level->next;
            std::free(level->pixels);
            std::free(level);
        }
    }
    std::free(map.pixels);
    map.pixels = nullptr;
    map.levels = nullptr;
}
