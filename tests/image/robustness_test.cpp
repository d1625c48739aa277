// Broken image files, cut short and with flipped bits: each must decode to some valid image or
// stop through fatal_error with the decoder's message, without reading or writing out of bounds
// (the sanitizer build watches that) and without hanging. Standard error stays uncaptured here so
// that a sanitizer's report is seen; the library's and the fatal messages go there as well.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "image/jpeg.h"
#include "image/pcx.h"
#include "image/texture_file.h"
#include "tests/fuzz/seeds/seed_images.h"
#include "tests/image/image_test_util.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

using namespace image_test;

namespace {

std::vector<uint32_t> test_pixels(int width, int height)
{
    std::mt19937 random(3);
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 3 ? random() & 0xFFFFFF : 0x20C040;
    return pixels;
}

std::vector<std::vector<uint8_t>> broken_variants(const std::vector<uint8_t>& good)
{
    std::vector<std::vector<uint8_t>> variants;
    for (size_t length = 0; length < good.size(); length += length < 160 ? 1 : 13)
        variants.emplace_back(good.begin(), good.begin() + length);
    // Every bit of the leading bytes (the headers), then random single and multiple flips.
    for (size_t bit = 0; bit < 8 * std::min<size_t>(good.size(), 160); ++bit) {
        variants.push_back(good);
        variants.back()[bit / 8] ^= uint8_t(1 << bit % 8);
    }
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        variants.push_back(good);
        int flips = 1 + i % 4;
        for (int f = 0; f < flips; ++f) {
            size_t at = random() % good.size();
            variants.back()[at] ^= uint8_t(1 << random() % 8);
        }
    }
    return variants;
}

// Decodes each variant through the loader; the result must be a whole image whose every pixel
// and level can be read, or one of the allowed messages.
void feed(const std::vector<std::vector<uint8_t>>& variants, const std::string& fileName,
          const std::vector<std::string>& allowedMessages)
{
    ScratchDir dir;
    CatchFatal catchFatal;
    int decoded = 0, refused = 0;
    for (size_t i = 0; i < variants.size(); ++i) {
        std::string name = dir.write(fileName, variants[i]);
        TextureMap map{};
        try {
            load_texture_image(name.data(), map);
            build_image_levels(map);
        } catch (const FatalStop& stop) {
            bool allowed = false;
            for (const std::string& message : allowedMessages)
                allowed = allowed || stop.message.find(message) != std::string::npos;
            EXPECT_TRUE(allowed) << "variant " << i << ": " << stop.message;
            ++refused;
            std::free(map.pixels);
            continue;
        }
        ASSERT_GE(map.width, 1) << "variant " << i;
        ASSERT_GE(map.height, 1) << "variant " << i;
        ASSERT_EQ(map.bytesPerPixel, 4);
        ASSERT_EQ(map.palette, nullptr);
        uint32_t sum = 0;
        for (ImageLevel* level = map.levels; level; level = level->next)
            for (int p = 0; p < level->width * level->height; ++p)
                sum += level->pixels[p];
        volatile uint32_t keep = sum;
        (void)keep;
        ++decoded;
        release_texture_image(map);
    }
    EXPECT_GT(decoded, 0);
    std::printf("%zu variants: %d decoded, %d refused\n", variants.size(), decoded, refused);
}

}  // namespace

TEST(BrokenImages, PcxFilesDecodeOrAreRefused)
{
    std::vector<uint32_t> pixels = test_pixels(17, 13);
    std::array<uint8_t, 768> palette;
    for (int i = 0; i < 768; ++i)
        palette[i] = uint8_t(i * 7);
    std::vector<uint8_t> indices(pixels.size());
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(pixels[i]);
    // Cut or flipped files may lose their signature and fall to the other decoder or to the
    // loader's own messages; "pcx" below is the decoder's fall-back under the "JPG" name.
    std::vector<std::string> allowed = {"is not a .pcx file!", "is unknown type!",
                                        "IMAGE.pcx found!", "IMAGE.PCX found!"};
    feed(broken_variants(encode_pcx_rgb(pixels, 17, 13)), "IMAGE.PCX", allowed);
    feed(broken_variants(encode_pcx_indexed(indices, 17, 13, palette)), "IMAGE.PCX", allowed);
}

TEST(BrokenImages, JpegFilesAlwaysGiveAnImage)
{
    std::vector<uint32_t> pixels = test_pixels(19, 11);
    // The PCX decoder may meet a flipped signature; its messages are the only fatal ones.
    std::vector<std::string> allowed = {"is not a .pcx file!", "is unknown type!",
                                        "IMAGE.pcx found!", "IMAGE.JPG found!"};
    feed(broken_variants(encode_jpeg(pixels, 19, 11, 90)), "IMAGE.JPG", allowed);
}

TEST(BrokenImages, BmpTgaAndPngFilesDecodeOrAreRefused)
{
    using namespace seed_images;
    std::vector<uint32_t> pixels = test_pixels(13, 7);
    std::vector<uint32_t> fewColours = pixels;
    for (uint32_t& pixel : fewColours)
        pixel &= 0xC0C0C0;
    // A flipped signature or extension makes another kind, or none; the search's own messages.
    std::vector<std::string> allowed = {"is broken!", "is unknown type!", "is not a .pcx file!",
                                        "found!"};
    feed(broken_variants(encode_bmp(pixels, 13, 7, 24)), "IMAGE.BMP", allowed);
    feed(broken_variants(encode_bmp(fewColours, 13, 7, 8)), "IMAGE.BMP", allowed);
    feed(broken_variants(encode_tga(pixels, 13, 7, TgaColour::TrueColour, 32, true)), "IMAGE.TGA",
         allowed);
    feed(broken_variants(encode_tga(fewColours, 13, 7, TgaColour::Indexed, 8, true)), "IMAGE.TGA",
         allowed);
    feed(broken_variants(encode_png_rgb(pixels, 13, 7)), "IMAGE.PNG", allowed);
}
