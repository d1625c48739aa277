#include "gfxcontext/framebuffer.h"

#include <cstddef>

namespace {

constexpr SampleOffset oneSample[1] = {{0, 0}};
constexpr SampleOffset fourSamples[4] = {{-2, -6}, {6, -2}, {-6, 2}, {2, 6}};
constexpr SampleOffset eightSamples[8] = {{1, -3}, {-1, 3}, {5, 1},  {-3, -5},
                                          {-5, 5}, {-7, -1}, {3, 7}, {7, -7}};

}  // namespace

FrameBuffer::FrameBuffer(int width, int height, int samples)
    : width(width), height(height), samples(samples),
      colour(size_t(width) * height * samples, 0u),
      depth(size_t(width) * height * samples, 1.0f),
      resolved(samples > 1 ? size_t(width) * height : 0, 0u)
{
}

std::span<const SampleOffset> sample_offsets(int samples)
{
    if (samples == 8)
        return eightSamples;
    if (samples == 4)
        return fourSamples;
    return oneSample;
}

void resolve_rows(FrameBuffer& frame, int rowStart, int rowEnd)
{
    const int samples = frame.samples;
    if (samples == 1)
        return;
    // Eight sums of 8 bits fit the 11 bits each channel has between the others' in 32 bits.
    const uint32_t half = uint32_t(samples / 2) * 0x00010101u;
    const int shift = samples == 8 ? 3 : 2;
    const size_t width = size_t(frame.width);
    for (int y = rowStart; y < rowEnd; y++) {
        uint32_t* out = &frame.resolved[size_t(y) * width];
        const uint32_t* first = frame.colour_row(y, 0);
        for (size_t x = 0; x < width; x++) {
            uint32_t rb = half & 0x00FF00FFu, g = half & 0x0000FF00u;
            for (int s = 0; s < samples; s++) {
                const uint32_t c = first[s * width + x];
                rb += c & 0x00FF00FFu;
                g += c & 0x0000FF00u;
            }
            out[x] = ((rb >> shift) & 0x00FF00FFu) | ((g >> shift) & 0x0000FF00u);
        }
    }
}
