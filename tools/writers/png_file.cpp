#include "tools/writers/png_file.h"

#include <png.h>

namespace {

constexpr png_uint_32 kMaxSide = 16384;

// libpng's state for a file being read, freed however the reading ends.
struct ReadImage {
    png_image image{};
    ReadImage() { image.version = PNG_IMAGE_VERSION; }
    ~ReadImage() { png_image_free(&image); }
    ReadImage(const ReadImage&) = delete;
    ReadImage& operator=(const ReadImage&) = delete;
};

}  // namespace

bool write_png(const std::string& path, std::span<const uint32_t> pixels, int width, int height)
{
    if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height))
        return false;
    std::vector<png_byte> rgb(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); i++) {
        rgb[i * 3] = png_byte(pixels[i] >> 16);
        rgb[i * 3 + 1] = png_byte(pixels[i] >> 8);
        rgb[i * 3 + 2] = png_byte(pixels[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    // Removes a half-written file itself when writing fails.
    const int written = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return written != 0;
}

bool read_png(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height)
{
    ReadImage file;
    png_image& image = file.image;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    // The header alone: 8 bits a channel, true colour (a palette, grey or 16 bits are refused).
    if ((image.format & ~png_uint_32(PNG_FORMAT_FLAG_ALPHA)) != PNG_FORMAT_RGB ||
        image.width > kMaxSide || image.height > kMaxSide)
        return false;
    const size_t count = size_t(image.width) * image.height;
    image.format = PNG_FORMAT_RGBA;  // an alpha channel comes through as it is, not blended
    std::vector<png_byte> rgba(count * 4);
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
        return false;
    std::vector<uint32_t> result(count);
    for (size_t i = 0; i < count; i++) {
        const png_byte* p = &rgba[i * 4];
        result[i] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    pixels = std::move(result);
    width = int(image.width);
    height = int(image.height);
    return true;
}
