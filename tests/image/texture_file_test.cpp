#include "image/texture_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    free_image(map);
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
