#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "image/texture_file.h"
#include "tests/image/image_test_util.h"

using namespace image_test;

namespace {

TextureMap image_of(int width, int height, uint32_t fill)
{
    TextureMap map{};
    map.width = width;
    map.height = height;
    map.bytesPerPixel = 4;
    map.pixels = static_cast<uint32_t*>(std::malloc(size_t(width) * height * 4));
    for (int i = 0; i < width * height; ++i)
        map.pixels[i] = fill;
    return map;
}

}  // namespace

TEST(BuildImageLevels, HalvesUntilASideIsOne)
{
    TextureMap map = image_of(256, 128, 0);
    build_image_levels(map);
    std::vector<std::pair<int, int>> sizes;
    int expectedLevel = 0;
    for (ImageLevel* level = map.levels; level; level = level->next) {
        EXPECT_EQ(level->level, expectedLevel++);
        sizes.emplace_back(level->width, level->height);
    }
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{
                         {256, 128}, {128, 64}, {64, 32}, {32, 16}, {16, 8}, {8, 4}, {4, 2},
                         {2, 1}}));
    EXPECT_EQ(map.levels->pixels, map.pixels);
    release_texture_image(map);

    for (auto [width, height] : {std::pair{1, 64}, {64, 1}, {1, 1}}) {
        map = image_of(width, height, 0);
        build_image_levels(map);
        ASSERT_NE(map.levels, nullptr);
        EXPECT_EQ(map.levels->next, nullptr);
        EXPECT_EQ(map.levels->width, width);
        release_texture_image(map);
    }
}

TEST(BuildImageLevels, EachPixelIsTheMaskedMeanOfFour)
{
    TextureMap map = image_of(2, 2, 0x00FFFFFF);
    build_image_levels(map);
    EXPECT_EQ(map.levels->next->pixels[0], 0x00FCFCFCu);
    release_texture_image(map);

    // One white and three black; channels never carry into their neighbours, and alpha goes.
    map = image_of(2, 2, 0);
    map.pixels[3] = 0x00FFFFFF;
    build_image_levels(map);
    EXPECT_EQ(map.levels->next->pixels[0], 0x003F3F3Fu);
    release_texture_image(map);

    map = image_of(2, 2, 0xFF0103FF);
    build_image_levels(map);
    EXPECT_EQ(map.levels->next->pixels[0], 0x000000FCu);
    release_texture_image(map);
}

TEST(BuildImageLevels, OddSidesDropTheirLastRowAndColumn)
{
    // 5 x 3: level 1 is 2 x 1 from the top-left 4 x 2; the last column and row are not used.
    TextureMap map = image_of(5, 3, 0x00FFFFFF);
    for (int x = 0; x < 5; ++x)
        map.pixels[10 + x] = 0x00101010;
    for (int y = 0; y < 3; ++y)
        map.pixels[5 * y + 4] = 0x00101010;
    map.pixels[0] = map.pixels[1] = map.pixels[5] = map.pixels[6] = 0x00400000;
    build_image_levels(map);
    ImageLevel* half = map.levels->next;
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->width, 2);
    EXPECT_EQ(half->height, 1);
    EXPECT_EQ(half->pixels[0], 0x00400000u);
    EXPECT_EQ(half->pixels[1], 0x00FCFCFCu);
    EXPECT_EQ(half->next, nullptr);
    release_texture_image(map);
}
