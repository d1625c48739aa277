#pragma once
// Pixels and pictures of 0x00RRGGBB pixels compared channel by channel (the fourth byte is left
// out).

#include <cstdint>
#include <span>

namespace testing_support {

// The channel at the shift: 16 red, 8 green, 0 blue.
int channel(uint32_t pixel, int shift);
// How far the two pixels' channel at the shift lie apart.
int channel_difference(uint32_t a, uint32_t b, int shift);
// The largest of the three channels' differences.
int largest_channel_difference(uint32_t a, uint32_t b);

// The mean difference of every colour channel of two pictures of the same size.
double mean_channel_difference(std::span<const uint32_t> a, std::span<const uint32_t> b);

// Where a frame and its golden image part: the pixels with a channel more than the tolerance
// apart, the largest difference of a channel, the first such pixel (top row first).
struct ImageDifference {
    int pixels = 0;
    int largest = 0;
    int firstX = -1, firstY = -1;
};

// Both images width pixels wide, of the same size.
ImageDifference compare_images(std::span<const uint32_t> golden, std::span<const uint32_t> frame,
                               int width, int tolerance);

}  // namespace testing_support
