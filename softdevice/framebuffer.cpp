#include "softdevice/framebuffer.h"

#include <cstddef>

#include "softdevice/simd.h"

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

namespace {

// Resolves a row of pixels from the first sample's row, the others following width apart.
template <int Samples>
void resolve_row(const uint32_t* first, size_t width, uint32_t* out)
{
    // Eight sums of 8 bits fit the 11 bits each channel has between the others' in 32 bits.
    constexpr int shift = Samples == 8 ? 3 : 2;
    constexpr uint32_t half = uint32_t(Samples / 2) * 0x00010101u;
    size_t x = 0;
    using namespace simd;
    const I32x4 redBlue = all(int32_t(0x00FF00FF)), green = all(int32_t(0x0000FF00));
    for (; x + 4 <= width; x += 4) {
        I32x4 rb = all(int32_t(half & 0x00FF00FFu)), g = all(int32_t(half & 0x0000FF00u));
        for (int s = 0; s < Samples; s++) {
            const uint32_t* p = first + s * width + x;
            const I32x4 c = load_pairs(p, p + 2);
            rb = rb + (c & redBlue);
            g = g + (c & green);
        }
        store(out + x, (shift_right_logical<shift>(rb) & redBlue) |
                           (shift_right_logical<shift>(g) & green));
    }
    for (; x < width; x++) {
        uint32_t rb = half & 0x00FF00FFu, g = half & 0x0000FF00u;
        for (int s = 0; s < Samples; s++) {
            const uint32_t c = first[s * width + x];
            rb += c & 0x00FF00FFu;
            g += c & 0x0000FF00u;
        }
        out[x] = ((rb >> shift) & 0x00FF00FFu) | ((g >> shift) & 0x0000FF00u);
    }
}

}  // namespace

void resolve_rows(FrameBuffer& frame, int rowStart, int rowEnd)
{
    const size_t width = size_t(frame.width);
    for (int y = rowStart; y < rowEnd; y++) {
        uint32_t* out = &frame.resolved[size_t(y) * width];
        if (frame.samples == 8)
            resolve_row<8>(frame.colour_row(y, 0), width, out);
        else if (frame.samples == 4)
            resolve_row<4>(frame.colour_row(y, 0), width, out);
    }
}
