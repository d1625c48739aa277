#include "gfxcontext/offscreen_presenter.h"

#include <png.h>

#include <cstdio>
#include <memory>


void OffscreenPresenter::present(const uint32_t* pixels, int w, int h)
{
    frame.assign(pixels, pixels + size_t(w) * h);
    width = w;
    height = h;
    framesPresented++;
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool write_png(const std::string& path, const uint32_t* pixels, int width, int height)
{
    if (!pixels || width <= 0 || height <= 0)
        return false;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint32_t p = pixels[size_t(y) * width + x];
            row[size_t(x) * 3] = png_byte(p >> 16);
            row[size_t(x) * 3 + 1] = png_byte(p >> 8);
            row[size_t(x) * 3 + 2] = png_byte(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

bool read_png(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    // Rows are kept outside the jump so that a failing read frees them normally.
    std::vector<png_byte> row;
    std::vector<uint32_t> result;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file.get());
    png_set_user_limits(png, 16384, 16384);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
    if (depth != 8 || (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGBA)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    if (png_set_interlace_handling(png) != 1) {   // interlaced rows come in passes
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_read_update_info(png, info);
    const int channels = type == PNG_COLOR_TYPE_RGBA ? 4 : 3;
    row.resize(size_t(w) * channels);
    result.resize(size_t(w) * h);
    for (png_uint_32 y = 0; y < h; y++) {
        png_read_row(png, row.data(), nullptr);
        for (png_uint_32 x = 0; x < w; x++) {
            const png_byte* p = &row[size_t(x) * channels];
            result[size_t(y) * w + x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    pixels = std::move(result);
    width = int(w);
    height = int(h);
    return true;
}
