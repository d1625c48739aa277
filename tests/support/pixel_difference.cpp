#include "tests/support/pixel_difference.h"

#include <algorithm>
#include <cstdlib>

namespace testing_support {

int channel(uint32_t pixel, int shift)
{
    return int(pixel >> shift & 0xFF);
}

int channel_difference(uint32_t a, uint32_t b, int shift)
{
    return std::abs(channel(a, shift) - channel(b, shift));
}

int largest_channel_difference(uint32_t a, uint32_t b)
{
    return std::max({channel_difference(a, b, 0), channel_difference(a, b, 8),
                     channel_difference(a, b, 16)});
}

double mean_channel_difference(std::span<const uint32_t> a, std::span<const uint32_t> b)
{
    const size_t count = std::min(a.size(), b.size());
    if (count == 0)
        return 0;
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        for (int shift : {0, 8, 16})
            sum += channel_difference(a[i], b[i], shift);
    return sum / double(count * 3);
}

ImageDifference compare_images(std::span<const uint32_t> golden, std::span<const uint32_t> frame,
                               int width, int tolerance)
{
    ImageDifference difference;
    for (size_t i = 0; i < golden.size() && i < frame.size(); i++) {
        const int largest = largest_channel_difference(golden[i], frame[i]);
        difference.largest = std::max(difference.largest, largest);
        if (largest <= tolerance)
            continue;
        if (difference.pixels++ == 0) {
            difference.firstX = int(i % size_t(width));
            difference.firstY = int(i / size_t(width));
        }
    }
    return difference;
}

}  // namespace testing_support
