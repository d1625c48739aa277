#pragma once
// The colour and depth buffers of a context. Colour pixels are 0x00RRGGBB, top row first; the
// surface has no alpha of its own, so a destination alpha reads as opaque. Depth is z/w in 0..1.
//
// A frame may keep 1, 4 or 8 samples a pixel, each with its own colour and depth. With one sample
// the buffers are plain images. With several, they are cut into blocks of blockColumns x blockRows
// pixels (64 x 32 with 4 samples, 64 x 16 with 8), the rasteriser's tiles, each block's values
// together so that a tile drawn is a few pages the cache keeps whole: block after block along a
// row of blocks, then the next row of blocks; in a block, row after row, and in a row, sample
// after sample, each blockColumns values. Blocks on the right and bottom edges are kept whole,
// their columns and rows beyond the frame unused. The resolved image, the mean of each pixel's
// samples, is made by resolve_rect into `resolved`.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct FrameBuffer {
    int width = 0, height = 0;
    int samples = 1;
    int blockColumns = 0, blockRows = 0;   // the frame's own size with one sample
    int blocksAcross = 1;
    std::vector<uint32_t> colour;
    std::vector<float> depth;
    std::vector<uint32_t> resolved;   // width x height, kept only with more than one sample

    FrameBuffer(int width, int height, int samples = 1);

    // Where sample s of pixel (x, y) is kept in colour and depth.
    size_t offset(int x, int y, int s) const
    {
        const int bx = x / blockColumns, by = y / blockRows;
        return (size_t(by) * size_t(blocksAcross) + size_t(bx)) * block_size() +
               (size_t(y - by * blockRows) * size_t(samples) + size_t(s)) * size_t(blockColumns) +
               size_t(x - bx * blockColumns);
    }
    // Values from one block to the next, and from a sample of a row to the next sample.
    size_t block_size() const { return size_t(blockColumns) * size_t(blockRows) * size_t(samples); }
    size_t sample_stride() const { return size_t(blockColumns); }
    // Values from a row of a block to the next row.
    size_t row_stride() const { return size_t(samples) * size_t(blockColumns); }
    uint32_t& colour_at(int x, int y, int s) { return colour[offset(x, y, s)]; }
    float& depth_at(int x, int y, int s) { return depth[offset(x, y, s)]; }
    // Row y's sample s indexed by column, for the columns of the block holding column x.
    uint32_t* colour_row(int y, int s, int x) { return &colour_at(x, y, s) - x; }
    float* depth_row(int y, int s, int x) { return &depth_at(x, y, s) - x; }
    // The image shown: the colour buffer itself with one sample, else `resolved`.
    std::span<const uint32_t> image() const { return samples == 1 ? colour : resolved; }
};

// The positions of the samples of a pixel for 1, 4 or 8 samples: offsets from the pixel's
// sampling point in 1/16 pixel, x right, y down.
struct SampleOffset {
    int x, y;
};
inline constexpr SampleOffset oneSample[1] = {{0, 0}};
inline constexpr SampleOffset fourSamples[4] = {{-2, -6}, {6, -2}, {-6, 2}, {2, 6}};
inline constexpr SampleOffset eightSamples[8] = {{1, -3}, {-1, 3}, {5, 1},  {-3, -5},
                                                 {-5, 5}, {-7, -1}, {3, 7}, {7, -7}};
constexpr std::span<const SampleOffset> sample_offsets(int samples)
{
    if (samples == 8)
        return eightSamples;
    if (samples == 4)
        return fourSamples;
    return oneSample;
}

// Writes rows [rowStart, rowEnd) of `resolved`: each channel the mean of the pixel's samples,
// rounded to nearest with halves up, (sum + samples / 2) / samples. Nothing with one sample.
void resolve_rows(FrameBuffer& frame, int rowStart, int rowEnd);
// The same for the pixels [x0, x1) x [y0, y1).
void resolve_rect(FrameBuffer& frame, int x0, int y0, int x1, int y1);
