// PNG frames: what is written reads back the same, and broken or unsuitable input is refused.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/writers/png_file.h"

TEST(Png, FramesRoundTripAndBrokenFilesAreRefused)
{
    const std::string path = ::testing::TempDir() + "device_frame.png";
    std::vector<uint32_t> pixels = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF};
    ASSERT_TRUE(write_png(path, pixels, 3, 2));
    std::vector<uint32_t> back;
    int w = 0, h = 0;
    ASSERT_TRUE(read_png(path, back, w, h));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(back, pixels);

    // Cut short inside the image data: refused, and what was read before stays.
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size - 20);
    EXPECT_FALSE(read_png(path, back, w, h));
    EXPECT_EQ(back, pixels);
    EXPECT_EQ(w, 3);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("\x89PNG\r\n\x1a\n broken", file);
    std::fclose(file);
    EXPECT_FALSE(read_png(path, back, w, h));
    EXPECT_FALSE(read_png(path + ".missing", back, w, h));
    EXPECT_FALSE(write_png("/nonexistent-dir/x.png", pixels, 3, 2));
    // The pixels must be the frame's, no more and no fewer.
    EXPECT_FALSE(write_png(path, pixels, 2, 2));
    EXPECT_FALSE(write_png(path, pixels, 4, 2));
    EXPECT_FALSE(write_png(path, {}, 0, 0));
    std::remove(path.c_str());
}
