#include "image/pcx.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/image/image_test_util.h"
#include "tests/support/skip_or_fail.h"
#include "tools/writers/pcx_writer.h"

using namespace image_test;
namespace fs = std::filesystem;

namespace {

// The decoded map as 0x00RRGGBB words, checking the fields every decode must leave.
std::vector<uint32_t> decode(std::string name, int width, int height)
{
    TextureMap map{};
    pcx_decode(name.data(), map);
    EXPECT_EQ(map.width, width);
    EXPECT_EQ(map.height, height);
    EXPECT_EQ(map.bytesPerPixel, 4);
    EXPECT_EQ(map.palette, nullptr);
    std::vector<uint32_t> pixels;
    if (map.width == width && map.height == height)
        pixels.assign(map.pixels, map.pixels + size_t(width) * height);
    release_texture_image(map);
    return pixels;
}

std::vector<uint32_t> read_ppm(const fs::path& path, int& width, int& height)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    EXPECT_EQ(magic, "P6");
    EXPECT_EQ(maxval, 255);
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
    EXPECT_TRUE(in) << path;
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
    return pixels;
}

// A header by hand: the fields the decoder reads, version 5, 8 bits.
std::vector<uint8_t> header(int xMin, int yMin, int xMax, int yMax, int planes, int bytesPerLine)
{
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    auto put = [&](int at, int v) {
        out[at] = uint8_t(v);
        out[at + 1] = uint8_t(v >> 8);
    };
    put(4, xMin);
    put(6, yMin);
    put(8, xMax);
    put(10, yMax);
    out[65] = uint8_t(planes);
    put(66, bytesPerLine);
    return out;
}

std::array<uint8_t, 768> grey_palette()
{
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 768; ++i)
        palette[i] = uint8_t(i / 3);
    return palette;
}

}  // namespace

TEST(PcxDecode, SharedImagesDecodeToThePixelsOfTheirPpm)
{
    fs::path dir = fs::path(SHARED_DIR) / "images";
    if (!fs::exists(dir))
        SKIP_OR_FAIL_IN_CI("no shared images");
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".pcx")
            continue;
        SCOPED_TRACE(entry.path().string());
        fs::path ppm = entry.path();
        ppm.replace_extension(".ppm");
        int width = 0, height = 0;
        std::vector<uint32_t> expected = read_ppm(ppm, width, height);
        std::vector<uint32_t> pixels = decode(entry.path().string(), width, height);
        ASSERT_EQ(pixels.size(), expected.size());
        for (size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(pixels[i], expected[i]) << "pixel " << i % width << ", " << i / width;
        ++checked;
    }
    EXPECT_EQ(checked, 6);
}

TEST(PcxDecode, WrittenImagesOfAnySizeComeBackExactly)
{
    ScratchDir dir;
    std::mt19937 random(7);
    std::array<uint8_t, 768> palette;
    for (auto& byte : palette)
        byte = uint8_t(random());
    // Narrow images decode to more bytes than their pixels hold (two bytes a plane line for a
    // width of one); odd widths carry a pad byte on every plane line.
    for (auto [width, height] : {std::pair{1, 1}, {1, 5}, {2, 3}, {3, 1}, {63, 40}, {64, 64},
                                 {127, 3}, {300, 2}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::vector<uint32_t> rgb(size_t(width) * height);
        std::vector<uint8_t> indices(rgb.size());
        for (size_t i = 0; i < rgb.size(); ++i) {
            // Runs and single bytes with their top bits set both appear.
            rgb[i] = (i / 5 % 2) ? 0x00C0FFC1 : random() & 0xFFFFFF;
            indices[i] = uint8_t(i / 7 % 2 ? 0xC5 : random());
        }
        std::string three = dir.write("rgb.pcx", encode_pcx_rgb(rgb, width, height));
        EXPECT_EQ(decode(three, width, height), rgb);

        std::string one = dir.write("pal.pcx", encode_pcx_indexed(indices, width, height, palette));
        std::vector<uint32_t> expected(indices.size());
        for (size_t i = 0; i < indices.size(); ++i) {
            const uint8_t* entry = &palette[3 * indices[i]];
            expected[i] = uint32_t(entry[0]) << 16 | uint32_t(entry[1]) << 8 | entry[2];
        }
        EXPECT_EQ(decode(one, width, height), expected);
    }
}

TEST(PcxDecode, RunsPlanesAndPaletteMakeTheLittleEndianPixel)
{
    ScratchDir dir;
    // 64 x 64, three planes, every byte a run of one: red 0x11, green 0x22, blue 0x33.
    std::vector<uint8_t> file = header(0, 0, 63, 63, 3, 64);
    for (int y = 0; y < 64; ++y)
        for (uint8_t value : {0x11, 0x22, 0x33})
            for (int x = 0; x < 64; ++x)
                file.insert(file.end(), {0xC1, value});
    EXPECT_EQ(decode(dir.write("runs.pcx", file), 64, 64), std::vector<uint32_t>(64 * 64, 0x112233));

    // Palette entry 5 = (255, 0, 0) is the word 0x00FF0000, bytes 0, 0, 255, 0 in memory.
    std::vector<uint8_t> indexed = header(0, 0, 1, 0, 1, 2);
    indexed.insert(indexed.end(), {5, 5, 12});
    std::array<uint8_t, 768> palette{};
    palette[15] = 255;
    indexed.insert(indexed.end(), palette.begin(), palette.end());
    std::vector<uint32_t> pixels = decode(dir.write("red.pcx", indexed), 2, 1);
    ASSERT_EQ(pixels.size(), 2u);
    uint8_t bytes[4];
    std::memcpy(bytes, &pixels[0], 4);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(bytes[3], 0);
}

TEST(PcxDecode, HeaderIsAcceptedWithEitherSignatureByteRightAndAnOffsetOrigin)
{
    ScratchDir dir;
    for (auto [manufacturer, encoding] : {std::pair{10, 0}, {0, 1}}) {
        std::vector<uint8_t> file = header(100, 200, 101, 200, 3, 2);  // 2 x 1
        file[0] = uint8_t(manufacturer);
        file[2] = uint8_t(encoding);
        file.insert(file.end(), {0xC2, 0x01, 0xC2, 0x02, 0xC2, 0x03});
        EXPECT_EQ(decode(dir.write("x.pcx", file), 2, 1), std::vector<uint32_t>(2, 0x010203));
    }
}

TEST(PcxDecode, RunsCrossLinesAndAreCutAtTheEndOfTheImage)
{
    ScratchDir dir;
    // 3 x 2, one plane, 4 bytes a line: one run of 63 covers both lines and far beyond.
    std::vector<uint8_t> file = header(0, 0, 2, 1, 1, 4);
    file.insert(file.end(), {0xFF, 9, 12});
    std::array<uint8_t, 768> palette = grey_palette();
    file.insert(file.end(), palette.begin(), palette.end());
    EXPECT_EQ(decode(dir.write("a.pcx", file), 3, 2), std::vector<uint32_t>(6, 0x090909));

    // Three planes of a 1 x 1 image with the pad byte: one run of 6 fills the whole image.
    std::vector<uint8_t> rgb = header(0, 0, 0, 0, 3, 2);
    rgb.insert(rgb.end(), {0xC6, 0x40});
    EXPECT_EQ(decode(dir.write("b.pcx", rgb), 1, 1), std::vector<uint32_t>(1, 0x404040));
}

TEST(PcxDecode, FileCutShortCompletesWithBytesOf255)
{
    ScratchDir dir;
    std::vector<uint8_t> file = header(0, 0, 3, 1, 3, 4);
    file.insert(file.end(), {0xC4, 0x10});  // the first red line only
    std::vector<uint32_t> pixels = decode(dir.write("short.pcx", file), 4, 2);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0x10FFFF, 0x10FFFF, 0x10FFFF, 0x10FFFF, 0xFFFFFF,
                                             0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));

    // A whole image of the largest side from a header alone ends at once.
    EXPECT_EQ(decode(dir.write("tall.pcx", header(0, 0, 0, 4095, 3, 65535)), 1, 4096),
              std::vector<uint32_t>(4096, 0xFFFFFF));
}

TEST(PcxDecode, LineLengthsOtherThanTheWidthStayInsideTheImage)
{
    ScratchDir dir;
    std::array<uint8_t, 768> palette = grey_palette();
    // Lines shorter than the image read on into the next line; past the data the index is 0.
    std::vector<uint8_t> narrow = header(0, 0, 3, 1, 1, 2);
    narrow.insert(narrow.end(), {1, 2, 3, 4, 12});
    narrow.insert(narrow.end(), palette.begin(), palette.end());
    EXPECT_EQ(decode(dir.write("narrow.pcx", narrow), 4, 2),
              (std::vector<uint32_t>{0x010101, 0x020202, 0x030303, 0x040404, 0x030303, 0x040404,
                                     0, 0}));

    // No bytes a line: no image data, the palette marker follows the header.
    std::vector<uint8_t> empty = header(0, 0, 2, 2, 1, 0);
    empty.push_back(12);
    empty.insert(empty.end(), palette.begin(), palette.end());
    EXPECT_EQ(decode(dir.write("empty.pcx", empty), 3, 3), std::vector<uint32_t>(9, 0));

    // Lines far longer than the image: only the first bytes of each plane line are pixels.
    std::vector<uint8_t> wide = header(0, 0, 0, 1, 3, 1000);
    for (uint8_t value : {1, 2, 3, 4, 5, 6})
        for (int i = 0; i < 1000; i += 50)
            wide.insert(wide.end(), {0xF2, uint8_t(value + i / 50 * 16)});
    EXPECT_EQ(decode(dir.write("wide.pcx", wide), 1, 2), (std::vector<uint32_t>{0x010203, 0x040506}));
}

TEST(PcxDecode, FallsBackToTheLowerCasePcxExtension)
{
    ScratchDir dir;
    std::vector<uint32_t> rgb = {0x123456, 0x654321};
    dir.write("brick.pcx", encode_pcx_rgb(rgb, 2, 1));
    std::string name = dir.file("BRICK.JPG");
    TextureMap map{};
    pcx_decode(name.data(), map);
    EXPECT_EQ(name, dir.file("BRICK.pcx"));
    ASSERT_EQ(map.width, 2);
    EXPECT_EQ(map.pixels[1], 0x654321u);
    release_texture_image(map);
}

using PcxDecodeDeathTest = testing::Test;

TEST_F(PcxDecodeDeathTest, MissingFileNamesTheChangedName)
{
    ScratchDir dir;
    std::string name = dir.file("BRICK.JPG");
    TextureMap map{};
    EXPECT_EXIT(pcx_decode(name.data(), map), testing::ExitedWithCode(1),
                "Error!: No file .*/BRICK\\.pcx found!");
    // A name too short for an extension is tried as it is.
    char shortName[] = "ab";
    EXPECT_EXIT(pcx_decode(shortName, map), testing::ExitedWithCode(1), "No file ab found!");
}

TEST_F(PcxDecodeDeathTest, RefusesWhatIsNotAnImageBeforeAllocating)
{
    ScratchDir dir;
    std::array<uint8_t, 768> palette = grey_palette();
    std::vector<uint8_t> good = header(0, 0, 1, 1, 1, 2);
    good.insert(good.end(), {0xC4, 0, 12});
    good.insert(good.end(), palette.begin(), palette.end());

    auto refused = [&](const char* what, std::vector<uint8_t> file) {
        SCOPED_TRACE(what);
        std::string name = dir.write("BAD.PCX", file);
        TextureMap map{};
        EXPECT_EXIT(pcx_decode(name.data(), map), testing::ExitedWithCode(1),
                    "Error!: File .*/BAD\\.PCX is not a \\.pcx file!");
    };
    std::vector<uint8_t> file = good;
    file[0] = 0;
    file[2] = 0;
    refused("neither signature byte", file);
    for (int planes : {0, 2, 4, 255}) {
        file = good;
        file[65] = uint8_t(planes);
        refused("plane count", file);
    }
    refused("Xmax below Xmin", header(5, 0, 4, 0, 3, 2));
    refused("Ymax below Ymin", header(0, 1, 0, 0, 3, 2));
    refused("too wide", header(0, 0, 4096, 0, 3, 2));
    refused("too tall", header(1, 1, 1, 4097, 3, 2));
    refused("header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 127));
    file = good;
    file[130] = 11;
    refused("no palette marker", file);
    refused("no palette marker at the end of the file",
            std::vector<uint8_t>(good.begin(), good.begin() + 130));
    refused("palette cut short", std::vector<uint8_t>(good.begin(), good.end() - 1));
}
