#pragma once
// Frames compared with golden images kept beside the tests. GOLDEN_UPDATE=1 writes the images
// anew instead; a frame that differs is left in the temporary directory with a map of where.

#include <cstdint>
#include <filesystem>
#include <span>

#include "tests/support/pixel_difference.h"

namespace testing_support {

// Expects the frame to be the golden PNG: every channel of every pixel within tolerance steps
// of it (0: the same bytes). On a difference it writes <name>-actual.png and <name>-diff.png
// (each channel's difference, brightened) to the temporary directory.
void expect_golden_image(const std::filesystem::path& golden, std::span<const uint32_t> frame,
                         int width, int height, int tolerance);

}  // namespace testing_support
