#include "tests/fuzz/seeds/seed_images.h"

#include <array>

#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

namespace seed_images {

namespace {

// A gradient with a few sharp edges, so that every decoder path (runs, literals, varied DCT
// blocks) has something to do.
std::vector<uint32_t> pattern(int width, int height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t red = uint32_t(x * 255 / width), green = uint32_t(y * 255 / height);
            uint32_t blue = (x / 4 + y / 4) % 2 ? 0xC0 : 0x10;
            pixels[size_t(y) * width + x] = red << 16 | green << 8 | blue;
        }
    }
    return pixels;
}

}  // namespace

std::vector<uint8_t> pcx_rgb(int width, int height)
{
    return encode_pcx_rgb(pattern(width, height), width, height);
}

std::vector<uint8_t> pcx_indexed(int width, int height)
{
    std::vector<uint8_t> indices(size_t(width) * height);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(i % 7 == 0 ? 200 : i / 3);
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = uint8_t(i);
        palette[3 * i + 1] = uint8_t(255 - i);
        palette[3 * i + 2] = uint8_t(i * 7);
    }
    return encode_pcx_indexed(indices, width, height, palette);
}

std::vector<uint8_t> jpeg(int width, int height, int quality)
{
    return encode_jpeg(pattern(width, height), width, height, quality);
}

}  // namespace seed_images
