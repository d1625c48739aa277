#include "tests/support/golden_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/writers/png_file.h"

namespace fs = std::filesystem;

namespace testing_support {

namespace {

// Each channel's difference times 16, so that a step or two shows.
std::vector<uint32_t> difference_map(std::span<const uint32_t> golden,
                                     std::span<const uint32_t> frame)
{
    std::vector<uint32_t> map(golden.size());
    for (size_t i = 0; i < golden.size(); i++)
        for (int shift = 0; shift < 24; shift += 8)
            map[i] |= uint32_t(std::min(255, channel_difference(golden[i], frame[i], shift) * 16))
                      << shift;
    return map;
}

}  // namespace

void expect_golden_image(const fs::path& golden, std::span<const uint32_t> frame, int width,
                         int height, int tolerance)
{
    ASSERT_EQ(frame.size(), size_t(width) * size_t(height));
    if (std::getenv("GOLDEN_UPDATE")) {
        fs::create_directories(golden.parent_path());
        ASSERT_TRUE(write_png(golden.string(), frame, width, height)) << golden;
        std::printf("wrote %s\n", golden.c_str());
        return;
    }
    std::vector<uint32_t> expected;
    int goldenWidth = 0, goldenHeight = 0;
    ASSERT_TRUE(read_png(golden.string(), expected, goldenWidth, goldenHeight)) << golden;
    ASSERT_EQ(goldenWidth, width) << golden;
    ASSERT_EQ(goldenHeight, height) << golden;
    const ImageDifference difference = compare_images(expected, frame, width, tolerance);
    if (difference.pixels == 0)
        return;
    const std::string name = golden.stem().string();
    const fs::path actual = fs::temp_directory_path() / (name + "-actual.png");
    const fs::path map = fs::temp_directory_path() / (name + "-diff.png");
    write_png(actual.string(), frame, width, height);
    write_png(map.string(), difference_map(expected, frame), width, height);
    ADD_FAILURE() << name << ": " << difference.pixels << " pixels differ by more than "
                  << tolerance << " (up to " << difference.largest << "), the first at ("
                  << difference.firstX << ", " << difference.firstY << "); the frame is "
                  << actual << ", the difference " << map;
}

}  // namespace testing_support
