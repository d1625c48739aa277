#include "tools/compare-frames/frame_compare.h"

#include <algorithm>
#include <cmath>
#include <limits>

FrameComparison compare_frames(std::span<const uint32_t> a, std::span<const uint32_t> b,
                               int width, int height)
{
    FrameComparison result;
    double squares = 0.0;
    for (int by = 0; by < height; by += comparisonBlock)
        for (int bx = 0; bx < width; bx += comparisonBlock) {
            const int x1 = std::min(width, bx + comparisonBlock);
            const int y1 = std::min(height, by + comparisonBlock);
            int64_t sums[3] = {0, 0, 0};   // |a - b| per channel over the block
            for (int y = by; y < y1; y++)
                for (int x = bx; x < x1; x++) {
                    const size_t i = size_t(y) * size_t(width) + size_t(x);
                    for (int c = 0; c < 3; c++) {
                        const int d = int((a[i] >> (8 * c)) & 255) - int((b[i] >> (8 * c)) & 255);
                        sums[c] += d < 0 ? -d : d;   // signed ones would cancel
                        squares += double(d) * d;
                    }
                }
            const double pixels = double(x1 - bx) * double(y1 - by);
            for (int64_t sum : sums) {
                const double mean = double(sum) / pixels;
                if (mean > result.worstBlockMean) {
                    result.worstBlockMean = mean;
                    result.worstBlockX = bx;
                    result.worstBlockY = by;
                }
            }
        }
    const double mse = squares / (double(width) * double(height) * 3.0);
    result.psnr = mse == 0.0 ? std::numeric_limits<double>::infinity()
                             : 10.0 * std::log10(255.0 * 255.0 / mse);
    return result;
}
