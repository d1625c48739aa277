#include "image/texture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/fuzz/seeds/seed_images.h"
#include "tests/image/image_test_util.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

using namespace image_test;

namespace {

// A 2 x 1 PCX of two greens and an 8 x 8 JPEG: the decoded size tells which was loaded.
void put_pcx(const ScratchDir& dir, const std::string& name)
{
    std::vector<uint32_t> pixels = {0x00FF00, 0x00FF00};
    dir.write(name, encode_pcx_rgb(pixels, 2, 1));
}

void put_jpeg(const ScratchDir& dir, const std::string& name)
{
    ASSERT_TRUE(write_jpeg(dir.file(name), std::vector<uint32_t>(64, 0x0000FF), 8, 8));
}

void put_other(const ScratchDir& dir, const std::string& name)
{
    dir.write(name, std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a'});
}

// Loads `given` from the directory; returns the loaded width and leaves the changed name.
int load(const ScratchDir& dir, std::string& name, const std::string& given)
{
    name = dir.file(given);
    TextureMap map{};
    load_texture_image(name.data(), map);
    EXPECT_EQ(map.levels, nullptr);
    EXPECT_EQ(map.bytesPerPixel, 4);
    int width = map.width;
    release_texture_image(map);
    return width;
}

}  // namespace

TEST(LoadTextureImage, FindsTheImageByItsNameOrItsVariants)
{
    ScratchDir dir;
    std::string name;

    // PCX alone: its decoder gets the "JPG" name and falls back to the lower-case "pcx".
    put_pcx(dir, "brick.pcx");
    EXPECT_EQ(load(dir, name, "BRICK.PCX"), 2);
    EXPECT_EQ(name, dir.file("BRICK.pcx"));

    // A JPEG beside it takes its place.
    put_jpeg(dir, "brick.jpg");
    EXPECT_EQ(load(dir, name, "BRICK.PCX"), 8);
    EXPECT_EQ(name, dir.file("BRICK.JPG"));

    // Named as a JPEG, read as one; a name that does not exist finds the JPEG first.
    EXPECT_EQ(load(dir, name, "BRICK.JPG"), 8);
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 8);
    EXPECT_EQ(name, dir.file("BRICK.JPG"));

    // Without the JPEG, a missing name finds the PCX.
    std::filesystem::remove(dir.file("brick.jpg"));
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 2);
    EXPECT_EQ(name, dir.file("BRICK.PCX"));

    // A file of another format with a PCX beside it.
    put_other(dir, "BRICK.TGA");
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 2);

    // The signature decides, not the extension.
    put_jpeg(dir, "photo.pcx");
    EXPECT_EQ(load(dir, name, "PHOTO.PCX"), 8);
    put_pcx(dir, "paint.jpg");
    EXPECT_EQ(load(dir, name, "PAINT.JPG"), 2);
    EXPECT_EQ(name, dir.file("PAINT.JPG"));
}

using LoadTextureImageDeathTest = testing::Test;

TEST_F(LoadTextureImageDeathTest, EachWayOfNotFindingAnImageHasItsMessage)
{
    ScratchDir dir;
    auto dies = [&](const std::string& given, const std::string& message) {
        SCOPED_TRACE(given);
        std::string name = dir.file(given);
        TextureMap map{};
        EXPECT_EXIT(load_texture_image(name.data(), map), testing::ExitedWithCode(1),
                    "Error!: " + message);
    };

    // None of the three: the last name tried.
    dies("BRICK.TGA", "No file .*/BRICK\\.PCX found!");
    // PCX data under another name, no JPEG: the PCX decoder's own fall-back finds nothing.
    put_pcx(dir, "BRICK.BMP");
    dies("BRICK.BMP", "No file .*/BRICK\\.pcx found!");

    // Another format and no variant: the name as given.
    put_other(dir, "WALL.TGA");
    dies("WALL.TGA", "File .*/WALL\\.TGA is unknown type!");
    // Another format under the first variant tried.
    put_other(dir, "WALL.PCX");
    dies("WALL.TGA", "No file .*/WALL\\.PCX found!");
    put_other(dir, "WALL.JPG");
    dies("WALL.TGA", "No file .*/WALL\\.JPG found!");

    // Missing, with a variant of another format.
    put_other(dir, "DOOR.JPG");
    dies("DOOR.TGA", "File .*/DOOR\\.TGA is unknown type!");
    put_other(dir, "ROOF.PCX");
    dies("ROOF.TGA", "File .*/ROOF\\.TGA is unknown type!");

    // A one-byte file is of another format.
    dir.write("TINY.TGA", std::vector<uint8_t>{0x0A});
    dies("TINY.TGA", "File .*/TINY\\.TGA is unknown type!");

    // A name too short to carry an extension counts as missing.
    char shortName[] = "AB";
    TextureMap map{};
    EXPECT_EXIT(load_texture_image(shortName, map), testing::ExitedWithCode(1),
                "Error!: No file AB found!");
    char empty[] = "";
    EXPECT_EXIT(load_texture_image(empty, map), testing::ExitedWithCode(1),
                "Error!: No file  found!");
}

TEST_F(LoadTextureImageDeathTest, MessagesCarryNamesOfAnyLength)
{
    ScratchDir dir;
    std::string given = std::string(240, 'X') + ".TGA";
    put_other(dir, given);
    std::string name = dir.file(given);
    TextureMap map{};
    EXPECT_EXIT(load_texture_image(name.data(), map), testing::ExitedWithCode(1),
                "File .*/" + std::string(240, 'X') + "\\.TGA is unknown type!");
}

namespace {

using seed_images::encode_bmp;
using seed_images::encode_png;
using seed_images::encode_tga;
using seed_images::PngChunk;
using seed_images::TgaColour;

// Five by three pixels of six colours, two rows alike in part, so that palettes, runs and raw
// packets all occur, and rows and columns each have their own colours.
const std::vector<uint32_t> sample = {
    0xFF0000, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF,
    0x102030, 0x102030, 0xFFFFFF, 0x000000, 0x0000FF,
    0x00FF00, 0x102030, 0xFF0000, 0xFF0000, 0xFFFFFF};

// What a load gives: the pixels (width and height first), or the fatal message.
struct Loaded {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    std::string message;
};

Loaded load_file(const ScratchDir& dir, const std::string& name, std::span<const uint8_t> bytes)
{
    dir.write(name, bytes);
    std::string path = dir.file(name);
    TextureMap map{};
    CatchFatal catchFatal;
    Loaded loaded;
    try {
        load_texture_image(path.data(), map);
    } catch (const FatalStop& stop) {
        std::free(map.pixels);
        loaded.message = stop.message;
        return loaded;
    }
    EXPECT_EQ(map.bytesPerPixel, 4);
    EXPECT_EQ(map.palette, nullptr);
    EXPECT_EQ(map.levels, nullptr);
    loaded.width = map.width;
    loaded.height = map.height;
    loaded.pixels.assign(map.pixels, map.pixels + size_t(map.width) * map.height);
    release_texture_image(map);
    std::filesystem::remove(path);
    return loaded;
}

void expect_sample(const Loaded& loaded)
{
    EXPECT_EQ(loaded.message, "");
    EXPECT_EQ(loaded.width, 5);
    EXPECT_EQ(loaded.height, 3);
    EXPECT_EQ(loaded.pixels, sample);
}

// PNG scan lines of the sample: each row's filter byte, then its samples as `sample_bytes` gives.
template <class SampleBytes>
std::vector<uint8_t> png_lines(SampleBytes sample_bytes)
{
    std::vector<uint8_t> lines;
    for (int y = 0; y < 3; ++y) {
        lines.push_back(0);
        for (int x = 0; x < 5; ++x)
            sample_bytes(lines, sample[size_t(y) * 5 + x]);
    }
    return lines;
}

}  // namespace

TEST(LoadTextureImage, BmpAndTgaFilesOfEveryLayoutGiveTheirPixels)
{
    ScratchDir dir;
    // The alpha byte of 32-bit pixels (0x80) is dropped like every decoder's: alpha comes later,
    // from the material's transparency and opacity map.
    for (int bits : {8, 24, 32}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE("BMP, " + std::to_string(bits) + " bits, top down " +
                         std::to_string(topDown));
            expect_sample(load_file(dir, "WALL.BMP", encode_bmp(sample, 5, 3, bits, topDown)));
        }
    }
    struct Tga {
        TgaColour colour;
        int bits;
    };
    for (Tga tga : {Tga{TgaColour::Indexed, 8}, Tga{TgaColour::TrueColour, 24},
                    Tga{TgaColour::TrueColour, 32}}) {
        for (bool runLength : {false, true}) {
            for (bool topLeft : {false, true}) {
                SCOPED_TRACE("TGA, " + std::to_string(tga.bits) + " bits, runs " +
                             std::to_string(runLength) + ", top left " + std::to_string(topLeft));
                std::vector<uint8_t> file =
                    encode_tga(sample, 5, 3, tga.colour, tga.bits, runLength, topLeft);
                expect_sample(load_file(dir, "WALL.TGA", file));
            }
        }
    }
    // Grey TGA: each byte becomes blue, green and red alike.
    std::vector<uint32_t> grey(sample.size());
    for (size_t i = 0; i < sample.size(); ++i)
        grey[i] = (sample[i] >> 8 & 0xFF) * 0x010101u;
    for (bool runLength : {false, true}) {
        std::vector<uint8_t> file = encode_tga(sample, 5, 3, TgaColour::Grey, 8, runLength);
        EXPECT_EQ(load_file(dir, "WALL.TGA", file).pixels, grey);
    }
}

TEST(LoadTextureImage, PngFilesOfEveryColourTypeGiveTheirPixels)
{
    ScratchDir dir;
    auto rgb = [](std::vector<uint8_t>& out, uint32_t p) {
        out.insert(out.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    };
    expect_sample(load_file(dir, "WALL.PNG", encode_png(5, 3, 8, 2, png_lines(rgb))));

    // With alpha, and at 16 bits a sample (the high byte counts).
    auto rgba = [&](std::vector<uint8_t>& out, uint32_t p) {
        rgb(out, p);
        out.push_back(0x40);
    };
    expect_sample(load_file(dir, "WALL.PNG", encode_png(5, 3, 8, 6, png_lines(rgba))));
    auto rgb16 = [](std::vector<uint8_t>& out, uint32_t p) {
        out.insert(out.end(), {uint8_t(p >> 16), 0x7F, uint8_t(p >> 8), 0x01, uint8_t(p), 0xFF});
    };
    expect_sample(load_file(dir, "WALL.PNG", encode_png(5, 3, 16, 2, png_lines(rgb16))));

    // Palette, with and without transparency, at 8 and 4 bits an index.
    std::vector<uint8_t> entries;
    std::vector<uint32_t> colours;
    for (uint32_t p : sample) {
        if (std::find(colours.begin(), colours.end(), p) == colours.end()) {
            colours.push_back(p);
            rgb(entries, p);
        }
    }
    auto index = [&](uint32_t p) {
        return uint8_t(std::find(colours.begin(), colours.end(), p) - colours.begin());
    };
    std::vector<PngChunk> palette = {{"PLTE", entries}};
    auto index8 = [&](std::vector<uint8_t>& out, uint32_t p) { out.push_back(index(p)); };
    expect_sample(load_file(dir, "WALL.PNG", encode_png(5, 3, 8, 3, png_lines(index8), palette)));
    palette.push_back({"tRNS", {0, 0x80}});
    expect_sample(load_file(dir, "WALL.PNG", encode_png(5, 3, 8, 3, png_lines(index8), palette)));
    std::vector<uint8_t> nibbles;
    for (int y = 0; y < 3; ++y) {
        nibbles.push_back(0);
        for (int x = 0; x < 5; x += 2) {
            uint8_t high = index(sample[size_t(y) * 5 + x]);
            uint8_t low = x + 1 < 5 ? index(sample[size_t(y) * 5 + x + 1]) : 0;
            nibbles.push_back(uint8_t(high << 4 | low));
        }
    }
    expect_sample(load_file(dir, "WALL.PNG", encode_png(5, 3, 4, 3, nibbles, palette)));

    // Grey, and grey with alpha.
    std::vector<uint32_t> grey(sample.size());
    for (size_t i = 0; i < sample.size(); ++i)
        grey[i] = (sample[i] & 0xFF) * 0x010101u;
    auto grey8 = [](std::vector<uint8_t>& out, uint32_t p) { out.push_back(uint8_t(p)); };
    auto greyAlpha = [](std::vector<uint8_t>& out, uint32_t p) {
        out.insert(out.end(), {uint8_t(p), 9});
    };
    EXPECT_EQ(load_file(dir, "WALL.PNG", encode_png(5, 3, 8, 0, png_lines(grey8))).pixels, grey);
    std::vector<uint8_t> withAlpha = encode_png(5, 3, 8, 4, png_lines(greyAlpha));
    EXPECT_EQ(load_file(dir, "WALL.PNG", withAlpha).pixels, grey);

    // Interlaced 2 x 2: pass 1 holds (0, 0), pass 6 (1, 0), pass 7 the second row.
    std::vector<uint8_t> passes = {0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12};
    Loaded interlaced = load_file(dir, "WALL.PNG", encode_png(2, 2, 8, 2, passes, {}, true));
    EXPECT_EQ(interlaced.pixels, (std::vector<uint32_t>{0x010203, 0x040506, 0x070809, 0x0A0B0C}));
}

TEST(LoadTextureImage, BmpTgaAndPngAreReadWhereTheSearchWouldStop)
{
    ScratchDir dir;
    std::string name;
    const std::vector<uint8_t> tga = encode_tga(sample, 5, 3, TgaColour::TrueColour, 24, true);
    const std::vector<uint8_t> bmp = encode_bmp(sample, 5, 3, 24);
    const std::vector<uint8_t> png = seed_images::encode_png_rgb(sample, 5, 3);

    // Alone, each is read under its own name, found regardless of case.
    dir.write("brick.tga", tga);
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 5);
    EXPECT_EQ(name, dir.file("BRICK.TGA"));
    // A JPEG or PCX variant beside it still takes its place, as before.
    put_jpeg(dir, "BRICK.JPG");
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 8);
    std::filesystem::remove(dir.file("BRICK.JPG"));
    put_pcx(dir, "BRICK.PCX");
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 2);
    // A variant of another kind no longer stops the search: the TGA is read, under its name.
    put_other(dir, "BRICK.JPG");
    EXPECT_EQ(load(dir, name, "BRICK.TGA"), 5);
    EXPECT_EQ(name, dir.file("BRICK.TGA"));

    // A missing name finds a PNG or a BMP under a variant's name.
    dir.write("ROOF.JPG", png);
    EXPECT_EQ(load(dir, name, "ROOF.TGA"), 5);
    EXPECT_EQ(name, dir.file("ROOF.JPG"));
    dir.write("DOOR.PCX", bmp);
    EXPECT_EQ(load(dir, name, "DOOR.TGA"), 5);
    EXPECT_EQ(name, dir.file("DOOR.PCX"));
    // The first one met is read: the name as given before its variants.
    dir.write("GATE.PNG", png);
    dir.write("GATE.JPG", encode_bmp(sample, 5, 3, 8));
    EXPECT_EQ(load(dir, name, "GATE.PNG"), 5);
    EXPECT_EQ(name, dir.file("GATE.PNG"));
    // The signature decides for BMP and PNG, whatever the extension.
    dir.write("WALL.PCX", bmp);
    EXPECT_EQ(load(dir, name, "WALL.PCX"), 5);
}

TEST(LoadTextureImage, KindsNotReadAndBrokenFilesStopWithTheirMessages)
{
    ScratchDir dir;
    auto message = [&](const std::string& fileName, const std::vector<uint8_t>& bytes) {
        return load_file(dir, fileName, bytes).message;
    };
    std::vector<uint8_t> tga = encode_tga(sample, 5, 3, TgaColour::TrueColour, 32, false);
    std::vector<uint8_t> runs = encode_tga(sample, 5, 3, TgaColour::Indexed, 8, true);
    std::vector<uint8_t> bmp = encode_bmp(sample, 5, 3, 24);
    std::vector<uint8_t> png = seed_images::encode_png_rgb(sample, 5, 3);

    // TGA carries no signature: only a name ending in TGA is read as one.
    EXPECT_EQ(message("TILE.JPX", tga), "File " + dir.file("TILE.JPX") + " is unknown type!");
    // Run-length BMP is not read.
    std::vector<uint8_t> bmpRuns = bmp;
    bmpRuns[30] = 1;
    EXPECT_EQ(message("TILE.BMP", bmpRuns), "File " + dir.file("TILE.BMP") + " is unknown type!");

    // Cut short anywhere, in the header, the palette or the pixels, raw or in runs.
    std::string broken = "File " + dir.file("TILE.TGA") + " is broken!";
    for (const std::vector<uint8_t>* file : {&tga, &runs}) {
        for (size_t length : {size_t(18), size_t(30), file->size() - 1}) {
            std::vector<uint8_t> cut(file->begin(), file->begin() + length);
            EXPECT_EQ(message("TILE.TGA", cut), broken) << length;
        }
    }
    for (size_t length : {size_t(2), size_t(20), size_t(60), bmp.size() - 5}) {
        std::vector<uint8_t> cut(bmp.begin(), bmp.begin() + length);
        EXPECT_EQ(message("TILE.BMP", cut), "File " + dir.file("TILE.BMP") + " is broken!");
    }
    for (size_t length : {size_t(8), size_t(20), size_t(40), png.size() - 13}) {
        std::vector<uint8_t> cut(png.begin(), png.begin() + length);
        EXPECT_EQ(message("TILE.PNG", cut), "File " + dir.file("TILE.PNG") + " is broken!");
    }
    // The last row's padding may be missing: the pixels are all there.
    std::vector<uint8_t> unpadded(bmp.begin(), bmp.end() - 1);
    EXPECT_EQ(message("TILE.BMP", unpadded), "");

    // A bad header, and compressed data that is not deflate.
    std::vector<uint8_t> badDepth = tga;
    badDepth[16] = 7;
    EXPECT_EQ(message("TILE.TGA", badDepth), "File " + dir.file("TILE.TGA") + " is unknown type!");
    std::vector<uint8_t> badPlanes = bmp;
    badPlanes[26] = 2;
    EXPECT_EQ(message("TILE.BMP", badPlanes), "File " + dir.file("TILE.BMP") + " is broken!");
    std::vector<uint8_t> badStream = png;
    badStream[43] = 0x07;  // the reserved block type in place of a stored block
    EXPECT_EQ(message("TILE.PNG", badStream), "File " + dir.file("TILE.PNG") + " is broken!");
}

TEST(LoadTextureImage, SidesBeyond4096AndImagesTheirFilesCannotHoldAreRefusedBeforeDecoding)
{
    ScratchDir dir;
    auto refusal = [&](const std::string& fileName, const std::vector<uint8_t>& bytes) {
        testing::internal::CaptureStderr();
        std::string message = load_file(dir, fileName, bytes).message;
        std::string reason = testing::internal::GetCapturedStderr();
        EXPECT_EQ(message, "File " + dir.file(fileName) + " is broken!");
        return reason;
    };
    auto set16 = [](std::vector<uint8_t>& file, size_t at, uint32_t value) {
        file[at] = uint8_t(value);
        file[at + 1] = uint8_t(value >> 8);
    };
    std::vector<uint8_t> tga = encode_tga(sample, 5, 3, TgaColour::TrueColour, 24, false);
    std::vector<uint8_t> bmp = encode_bmp(sample, 5, 3, 24);

    // 4097 pixels on a side.
    std::vector<uint8_t> wide = tga;
    set16(wide, 12, 4097);
    EXPECT_NE(refusal("HUGE.TGA", wide), "");
    std::vector<uint8_t> tall = bmp;
    set16(tall, 22, 4097);
    EXPECT_NE(refusal("HUGE.BMP", tall), "");
    std::vector<uint8_t> none;
    EXPECT_NE(refusal("HUGE.PNG", encode_png(4097, 1, 8, 2, none)), "");

    // 4096 on a side is allowed, but not from a file that cannot hold it: none of these few
    // bytes asks for the image's memory.
    std::vector<uint8_t> large = tga;
    set16(large, 12, 4096);
    set16(large, 14, 4096);
    EXPECT_NE(refusal("LARGE.TGA", large).find("too small for its sides"), std::string::npos);
    large[2] = 10;  // run-length: 128 pixels a packet at most
    EXPECT_NE(refusal("LARGE.TGA", large).find("too small for its sides"), std::string::npos);
    std::vector<uint8_t> largeBmp = bmp;
    set16(largeBmp, 18, 4096);
    set16(largeBmp, 22, 4096);
    EXPECT_NE(refusal("LARGE.BMP", largeBmp).find("too small for its sides"), std::string::npos);
    // A 16-bit RGBA PNG of 4096 x 4096 (128 MiB of scan lines) from 65 KiB of stored data.
    std::vector<uint8_t> lines(65000, 0);
    std::string reason = refusal("LARGE.PNG", encode_png(4096, 4096, 16, 6, lines));
    EXPECT_NE(reason.find("too little image data"), std::string::npos);
    // A chunk whose length runs past the end of the file.
    std::vector<uint8_t> png = seed_images::encode_png_rgb(sample, 5, 3);
    png[33] = 0x7F;
    EXPECT_NE(refusal("LONG.PNG", png).find("past the end"), std::string::npos);
}
