#include "softdevice/framebuffer.h"

#include <algorithm>
#include <cstddef>

#include "softdevice/simd.h"

FrameBuffer::FrameBuffer(int width, int height, int samples)
    : width(width), height(height), samples(samples),
      blockColumns(samples > 1 ? 64 : width),
      blockRows(samples > 1 ? 128 / samples : height),
      blocksAcross(samples > 1 ? (width + 63) / 64 : 1),
      resolved(samples > 1 ? size_t(width) * height : 0, 0u)
{
    // A frame of no pixels keeps blocks of one, so that offsets divide by something.
    blockColumns = std::max(blockColumns, 1);
    blockRows = std::max(blockRows, 1);
    const size_t blocksDown = size_t((height + blockRows - 1) / blockRows);
    colour.assign(size_t(blocksAcross) * blocksDown * block_size(), 0u);
    depth.assign(colour.size(), 1.0f);
}

namespace {

// Resolves count pixels of a row from the first sample's, the others `stride` apart.
template <int Samples>
void resolve_row(const uint32_t* first, size_t stride, size_t count, uint32_t* out)
{
    // Eight sums of 8 bits fit the 11 bits each channel has between the others' in 32 bits.
    constexpr int shift = Samples == 8 ? 3 : 2;
    constexpr uint32_t half = uint32_t(Samples / 2) * 0x00010101u;
    size_t x = 0;
    using namespace simd;
    const I32x4 redBlue = all(int32_t(0x00FF00FF)), green = all(int32_t(0x0000FF00));
    for (; x + 4 <= count; x += 4) {
        I32x4 rb = all(int32_t(half & 0x00FF00FFu)), g = all(int32_t(half & 0x0000FF00u));
        for (int s = 0; s < Samples; s++) {
            const uint32_t* p = first + s * stride + x;
            const I32x4 c = load_pairs(p, p + 2);
            rb = rb + (c & redBlue);
            g = g + (c & green);
        }
        store(out + x, (shift_right_logical<shift>(rb) & redBlue) |
                           (shift_right_logical<shift>(g) & green));
    }
    for (; x < count; x++) {
        uint32_t rb = half & 0x00FF00FFu, g = half & 0x0000FF00u;
        for (int s = 0; s < Samples; s++) {
            const uint32_t c = first[s * stride + x];
            rb += c & 0x00FF00FFu;
            g += c & 0x0000FF00u;
        }
        out[x] = ((rb >> shift) & 0x00FF00FFu) | ((g >> shift) & 0x0000FF00u);
    }
}

}  // namespace

void resolve_rows(FrameBuffer& frame, int rowStart, int rowEnd)
{
    resolve_rect(frame, 0, rowStart, frame.width, rowEnd);
}

void resolve_rect(FrameBuffer& frame, int x0, int y0, int x1, int y1)
{
    const size_t width = size_t(frame.width), stride = frame.sample_stride();
    for (int y = y0; y < y1; y++)
        // Block by block along the row.
        for (int x = x0; x < x1;) {
            const int end = std::min(x1, (x / frame.blockColumns + 1) * frame.blockColumns);
            const uint32_t* first = &frame.colour_at(x, y, 0);
            uint32_t* out = &frame.resolved[size_t(y) * width + size_t(x)];
            if (frame.samples == 8)
                resolve_row<8>(first, stride, size_t(end - x), out);
            else if (frame.samples == 4)
                resolve_row<4>(first, stride, size_t(end - x), out);
            x = end;
        }
}
