#pragma once
// How far apart two frames of the same scene are, as the two devices draw it: the PSNR over the
// red, green and blue channels of every pixel, and the largest mean absolute difference of a
// channel over a 16 x 16 block (the blocks at the right and bottom edges may be smaller). Small
// misplacements of edges cost PSNR; a block mean shows a region drawn in another shade, also one
// brighter in one half and darker in the other.

#include <cstdint>
#include <span>

struct FrameComparison {
    double psnr = 0.0;             // dB; infinite for identical frames
    double worstBlockMean = 0.0;   // steps of 0..255
    int worstBlockX = 0, worstBlockY = 0;   // the top-left pixel of that block
};

constexpr int comparisonBlock = 16;
constexpr double minimumPsnr = 35.0;
constexpr double largestBlockMeanDifference = 8.0;

// Both frames width x height pixels 0x00RRGGBB; width, height > 0.
FrameComparison compare_frames(std::span<const uint32_t> a, std::span<const uint32_t> b,
                               int width, int height);

// Within the bounds the two devices are held to.
inline bool frames_agree(const FrameComparison& c)
{
    return c.psnr >= minimumPsnr && c.worstBlockMean <= largestBlockMeanDifference;
}
