#include "image/jpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/image/image_test_util.h"
#include "tests/support/file_contents.h"
#include "tests/support/pixel_difference.h"
#include "tools/writers/jpeg_writer.h"

using namespace image_test;

namespace {

// Every pixel within JPEG's error of the original, with the fourth byte 0.
void expect_close(const TextureMap& map, const std::vector<uint32_t>& expected, int width,
                  int height, int tolerance)
{
    ASSERT_EQ(map.width, width);
    ASSERT_EQ(map.height, height);
    EXPECT_EQ(map.bytesPerPixel, 4);
    EXPECT_EQ(map.palette, nullptr);
    int worst = 0;
    for (int i = 0; i < width * height; ++i) {
        ASSERT_EQ(map.pixels[i] >> 24, 0u) << i;
        worst = std::max(worst,
                         testing_support::largest_channel_difference(map.pixels[i], expected[i]));
    }
    EXPECT_LE(worst, tolerance);
}

std::vector<uint32_t> gradient(int width, int height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] = uint32_t(x * 255 / std::max(1, width - 1)) << 16 |
                                            uint32_t(y * 255 / std::max(1, height - 1)) << 8 |
                                            uint32_t((x + y) * 4 & 0xFF);
    return pixels;
}

// The start-of-frame header's height and width, big-endian after its marker, length and precision.
void set_frame_size(std::vector<uint8_t>& file, int width, int height)
{
    for (size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = uint8_t(height >> 8);
            file[i + 6] = uint8_t(height);
            file[i + 7] = uint8_t(width >> 8);
            file[i + 8] = uint8_t(width);
            return;
        }
    ADD_FAILURE() << "no frame header";
}

}  // namespace

TEST(JpegDecode, SmallColourImageKeepsItsColoursInBlueGreenRedOrder)
{
    ScratchDir dir;
    std::vector<uint32_t> colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0x808080};
    std::string name = dir.file("colours.jpg");
    ASSERT_TRUE(write_jpeg(name, colours, 3, 2, 100));
    TextureMap map{};
    jpeg_decode(name.data(), map);
    expect_close(map, colours, 3, 2, 8);
    // Pixel (0, 0) in memory: blue, green, red, 0.
    const auto* bytes = reinterpret_cast<const uint8_t*>(map.pixels);
    EXPECT_LE(bytes[0], 8);
    EXPECT_LE(bytes[1], 8);
    EXPECT_GE(bytes[2], 247);
    EXPECT_EQ(bytes[3], 0);
    release_texture_image(map);
}

TEST(JpegDecode, ImagesOfAnySizeDecode)
{
    ScratchDir dir;
    for (auto [width, height] : {std::pair{1, 1}, {17, 13}, {65, 33}, {300, 7}, {8, 1}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::vector<uint32_t> pixels = gradient(width, height);
        std::string name = dir.file("g.jpg");
        ASSERT_TRUE(write_jpeg(name, pixels, width, height, 100));
        TextureMap map{};
        jpeg_decode(name.data(), map);
        expect_close(map, pixels, width, height, 10);
        release_texture_image(map);
    }
}

TEST(JpegDecode, FallsBackToTheLowerCaseJpgExtension)
{
    ScratchDir dir;
    ASSERT_TRUE(write_jpeg(dir.file("brick.jpg"), gradient(4, 4), 4, 4));
    std::string name = dir.file("BRICK.JPX");
    TextureMap map{};
    jpeg_decode(name.data(), map);
    EXPECT_EQ(name, dir.file("BRICK.jpg"));
    EXPECT_EQ(map.width, 4);
    release_texture_image(map);
}

TEST(JpegDecode, BrokenFileLeavesOneBlackPixelAndTheLibraryMessage)
{
    ScratchDir dir;
    std::vector<uint8_t> good = encode_jpeg(gradient(9, 9), 9, 9);
    std::vector<uint8_t> tooLarge = good;
    set_frame_size(tooLarge, 20000, 9);
    std::vector<uint8_t> onePast = good;
    set_frame_size(onePast, 9, 4097);

    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        const char* message;
    };
    for (const Case& broken :
         {Case{"cut inside its header", std::vector<uint8_t>(good.begin(), good.begin() + 20),
               "JPEG"},
          Case{"signature only", {0xFF, 0xD8}, "JPEG"},
          Case{"larger than any texture", tooLarge, "20000 x 9 pixels is too large"},
          Case{"one row past the largest side", onePast, "9 x 4097 pixels is too large"}}) {
        SCOPED_TRACE(broken.what);
        std::string name = dir.write("broken.jpg", broken.file);
        // Whatever the map held before is replaced, never left half-set.
        TextureMap map{};
        map.width = 77;
        map.bytesPerPixel = 3;
        map.palette = reinterpret_cast<uint8_t*>(&map);
        CatchFatal noBox;
        testing::internal::CaptureStderr();
        EXPECT_NO_THROW(jpeg_decode(name.data(), map));
        std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_NE(errors.find(broken.message), std::string::npos) << errors;
        ASSERT_EQ(map.width, 1);
        ASSERT_EQ(map.height, 1);
        EXPECT_EQ(map.bytesPerPixel, 4);
        EXPECT_EQ(map.palette, nullptr);
        EXPECT_EQ(map.pixels[0], 0u);
        release_texture_image(map);
    }
}

TEST(JpegDecode, FileCutInsideItsDataStillGivesTheWholeImage)
{
    // The library warns and completes the image; a warning does not stop decoding.
    ScratchDir dir;
    std::vector<uint8_t> file = encode_jpeg(gradient(40, 40), 40, 40);
    file.resize(file.size() * 3 / 4);
    std::string name = dir.write("cut.jpg", file);
    TextureMap map{};
    testing::internal::CaptureStderr();
    jpeg_decode(name.data(), map);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(map.width, 40);
    EXPECT_EQ(map.height, 40);
    release_texture_image(map);
}

namespace {

// A progressive greyscale stream of the size whose scans, all alike, refine the AC coefficients
// and hold no entropy-coded data.
std::vector<uint8_t> progressive_with_empty_scans(int side, int scans)
{
    std::vector<uint8_t> file = {0xFF, 0xD8};
    auto segment = [&](uint8_t marker, std::vector<uint8_t> body) {
        size_t length = body.size() + 2;
        file.insert(file.end(), {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
        file.insert(file.end(), body.begin(), body.end());
    };
    std::vector<uint8_t> quantisation(65, 1);
    quantisation[0] = 0;
    segment(0xDB, quantisation);
    segment(0xC2, {8, uint8_t(side >> 8), uint8_t(side), uint8_t(side >> 8), uint8_t(side), 1, 1,
                   0x11, 0});
    std::vector<uint8_t> huffman(18, 0);
    huffman[0] = 0x10;  // the first AC table
    huffman[1] = 1;     // one code of one bit
    huffman[17] = 0xE0;
    segment(0xC4, huffman);
    for (int i = 0; i < scans; ++i)
        segment(0xDA, {1, 1, 0x00, 1, 63, 0x00});
    file.insert(file.end(), {0xFF, 0xD9});
    return file;
}

}  // namespace

TEST(JpegDecode, AStreamOfTooManyScansIsRefusedQuickly)
{
    ScratchDir dir;
    struct Case {
        const char* what;
        int side, scans;
        int width;  // decoded width: the image's, or 1 for the black pixel
    };
    for (const Case& c : {Case{"a few hundred scans", 16, 250, 16},
                          Case{"past the bound", 16, 400, 1},
                          Case{"thousands over a large image", 4096, 10000, 1}}) {
        SCOPED_TRACE(c.what);
        std::string name = dir.write("scans.jpg", progressive_with_empty_scans(c.side, c.scans));
        TextureMap map{};
        testing::internal::CaptureStderr();
        jpeg_decode(name.data(), map);
        std::string messages = testing::internal::GetCapturedStderr();
        ASSERT_EQ(map.width, c.width);
        if (c.width == 1) {
            EXPECT_EQ(map.height, 1);
            EXPECT_EQ(map.pixels[0], 0u);
            // Every scan walks the whole image (ten thousand over 4096 x 4096 took seconds): the
            // stream is given up at the first scan past the bound, not after reading them all.
            EXPECT_NE(messages.find("entry 301"), std::string::npos) << messages;
        }
        release_texture_image(map);
    }
}

using JpegDecodeDeathTest = testing::Test;

TEST_F(JpegDecodeDeathTest, MissingFileWritesItsNameAndStopsWithFound)
{
    ScratchDir dir;
    std::string name = dir.file("BRICK.JPX");
    std::string out = dir.file("stdout.txt");
    TextureMap map{};
    EXPECT_EXIT(
        {
            if (!std::freopen(out.c_str(), "w", stdout))
                std::exit(2);
            jpeg_decode(name.data(), map);
        },
        testing::ExitedWithCode(1), "Error!: found!");
    EXPECT_EQ(testing_support::read_text(out), "No file \"" + dir.file("BRICK.jpg") + "\" ");

    char shortName[] = "jp";
    EXPECT_EXIT(jpeg_decode(shortName, map), testing::ExitedWithCode(1), "Error!: found!");
}
