// The inputs with which the fuzz harnesses once found a fault, replayed through the decoders:
// each gives a whole image or stops with the decoder's own message.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/jpeg.h"
#include "image/pcx.h"
#include "image/texture_file.h"
#include "tests/fuzz/texture_files.h"
#include "tests/image/image_test_util.h"
#include "tests/support/file_contents.h"

using namespace image_test;

namespace {

// The harness's inputs in tests/fuzz/regressions/<harness>, which scripts/fuzz.sh replays too; a
// failure when there are none, so that a moved or emptied folder is not a pass.
std::vector<std::filesystem::path> findings(const char* harness)
{
    std::vector<std::filesystem::path> files;
    std::filesystem::path dir = std::filesystem::path(SOURCE_DIR) / "tests/fuzz/regressions" / harness;
    if (std::filesystem::is_directory(dir)) {
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            files.push_back(entry.path());
    }
    if (files.empty())
        ADD_FAILURE() << "no inputs in " << dir;
    return files;
}

// Decodes a copy of the file under `name`; the message of a fatal stop, or empty after a whole
// image with its levels.
template <class Decode>
std::string outcome(const ScratchDir& dir, const std::filesystem::path& finding, const char* name,
                    Decode decode)
{
    std::string path = dir.write(name, testing_support::read_bytes(finding));
    TextureMap map{};
    CatchFatal catchFatal;
    try {
        decode(path.data(), map);
        build_image_levels(map);
    } catch (const FatalStop& stop) {
        std::free(map.pixels);
        return stop.message;
    }
    EXPECT_GE(map.width, 1);
    EXPECT_GE(map.height, 1);
    release_texture_image(map);
    return {};
}

}  // namespace

TEST(FuzzFindings, PcxInputsDecodeOrAreRefused)
{
    ScratchDir dir;
    for (const auto& finding : findings("pcx")) {
        SCOPED_TRACE(finding.filename().string());
        std::string message = outcome(dir, finding, "FOUND.PCX", pcx_decode);
        if (!message.empty()) {
            EXPECT_NE(message.find("is not a .pcx file!"), std::string::npos) << message;
        }
    }
}

TEST(FuzzFindings, JpegInputsDecodeToSomeImage)
{
    ScratchDir dir;
    for (const auto& finding : findings("jpeg")) {
        SCOPED_TRACE(finding.filename().string());
        EXPECT_EQ(outcome(dir, finding, "FOUND.JPG", jpeg_decode), "");
    }
}

// A 128-byte header that asks for 15362 x 9687 pixels: before sides were bounded by the largest
// texture a device takes, it took 600 MB and seconds to fill with the bytes of a file cut short.
TEST(FuzzFindings, HeaderAskingForAHugeImageIsRefusedBeforeAllocating)
{
    ScratchDir dir;
    auto finding = std::filesystem::path(SOURCE_DIR) /
                   "tests/fuzz/regressions/pcx/huge_sides_from_a_header.pcx";
    ASSERT_TRUE(std::filesystem::exists(finding));
    std::string message = outcome(dir, finding, "HUGE.PCX", pcx_decode);
    EXPECT_NE(message.find("HUGE.PCX is not a .pcx file!"), std::string::npos) << message;
}

namespace {

// Lays out the files of a texture-search input as the harness does and loads the given name:
// the message of a fatal stop, or empty after a whole image.
std::string search_outcome(const ScratchDir& dir, const std::filesystem::path& finding)
{
    TextureFileSet set = split_texture_input(testing_support::read_bytes(finding));
    for (const TextureFile& file : set.files)
        dir.write(file.name, file.bytes);
    std::string name = dir.file(set.givenName);
    TextureMap map{};
    CatchFatal catchFatal;
    std::string message;
    try {
        load_texture_image(name.data(), map);
        build_image_levels(map);
    } catch (const FatalStop& stop) {
        message = stop.message;
    }
    release_texture_image(map);
    for (const TextureFile& file : set.files)
        std::filesystem::remove(dir.file(file.name));
    return message;
}

}  // namespace

TEST(FuzzFindings, TextureSearchInputsDecodeOrAreRefused)
{
    ScratchDir dir;
    for (const auto& finding : findings("texture_file")) {
        SCOPED_TRACE(finding.filename().string());
        std::string message = search_outcome(dir, finding);
        bool known = message.empty() || message.ends_with(" found!") ||
                     message.ends_with(" is unknown type!") || message.ends_with(" is broken!") ||
                     message.ends_with(" is not a .pcx file!");
        EXPECT_TRUE(known) << message;
    }
}

// 62 bytes of a run-length TGA that ask for 1556 x 512 pixels: the decoder made the whole image
// of what reads past the end before it found the file cut short, seconds under the fuzzer.
// It is refused from its size alone.
TEST(FuzzFindings, RunLengthTgaFarTooSmallForItsSidesIsRefusedUndecoded)
{
    ScratchDir dir;
    auto finding = std::filesystem::path(SOURCE_DIR) /
                   "tests/fuzz/regressions/texture_file/tga_runs_of_62_bytes_asking_for_1556x512";
    ASSERT_TRUE(std::filesystem::exists(finding));
    testing::internal::CaptureStderr();
    std::string message = search_outcome(dir, finding);
    std::string reason = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(message.ends_with("/BRICK.TGA is broken!")) << message;
    EXPECT_NE(reason.find("too small for its sides"), std::string::npos) << reason;
}
