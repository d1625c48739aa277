#include "tests/fuzz/image_checks.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/texture_file.h"
#include "tests/fuzz/scratch_dir.h"
#include "tests/support/fatal_stop.h"

namespace {

[[noreturn]] void finding(const char* what)
{
    std::fprintf(stderr, "image check failed: %s\n", what);
    std::abort();
}

// Reads every pixel, so that a block shorter than its sides claim shows as an overflow.
uint32_t read_all(const uint32_t* pixels, int width, int height)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
        sum += pixels[i];
    return sum;
}

}  // namespace

void check_image(const Image& map)
{
    if (map.width < 1 || map.height < 1 || !map.pixels)
        finding("no image");
    if (map.bytesPerPixel != 4 || map.palette)
        finding("bytes per pixel or palette left from decoding");
    volatile uint32_t sum = read_all(map.pixels, map.width, map.height);
    (void)sum;
    const ImageLevel* level = map.levels;
    if (!level || level->pixels != map.pixels || level->width != map.width ||
        level->height != map.height || level->level != 0)
        finding("first level is not the image");
    for (; level->next; level = level->next) {
        const ImageLevel& next = *level->next;
        if (next.width != level->width / 2 || next.height != level->height / 2 ||
            next.level != level->level + 1 || next.width < 1 || next.height < 1)
            finding("level is not half the one above");
        sum = read_all(next.pixels, next.width, next.height);
    }
    if (level->width > 1 && level->height > 1)
        finding("chain of levels ends early");
}

void check_fatal_message(std::string_view message, bool known)
{
    if (known)
        return;
    std::fprintf(stderr, "unexpected fatal message: %.*s\n", int(message.size()), message.data());
    std::abort();
}

void decode_fuzz_input(std::span<const uint8_t> data, const char* fileName, ImageDecoder decode,
                       std::initializer_list<std::string_view> expected)
{
    InScratchDir inScratch;
    write_scratch_file(fileName, data);
    std::string name = fileName;
    Image map{};
    try {
        decode(name.data(), map);
        build_image_levels(map);
        check_image(map);
    } catch (const FatalStop& stop) {
        bool known = false;
        for (std::string_view text : expected)
            known = known || stop.message == text;
        check_fatal_message(stop.message, known);
    }
    release_texture_image(map);
}
