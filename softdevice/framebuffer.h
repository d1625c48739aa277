#pragma once
// The colour and depth buffers of a context. Colour pixels are 0x00RRGGBB, top row first; the
// surface has no alpha of its own, so a destination alpha reads as opaque. Depth is z/w in 0..1.
//
// A frame may keep 1, 4 or 8 samples a pixel, each with its own colour and depth. The samples of
// a row are kept as that many rows one after the other: sample s of pixel (x, y) is at
// (y * samples + s) * width + x, so with one sample the buffers are plain images. The resolved
// image, the mean of each pixel's samples, is made by resolve_rows into `resolved`.

#include <cstdint>
#include <span>
#include <vector>

struct FrameBuffer {
    int width = 0, height = 0;
    int samples = 1;
    std::vector<uint32_t> colour;
    std::vector<float> depth;
    std::vector<uint32_t> resolved;   // width x height, kept only with more than one sample

    FrameBuffer(int width, int height, int samples = 1);

    // The values of row y's sample s.
    uint32_t* colour_row(int y, int s) { return &colour[(size_t(y) * samples + s) * width]; }
    float* depth_row(int y, int s) { return &depth[(size_t(y) * samples + s) * width]; }
    // The image shown: the colour buffer itself with one sample, else `resolved`.
    std::span<const uint32_t> image() const { return samples == 1 ? colour : resolved; }
};

// The positions of the samples of a pixel for 1, 4 or 8 samples: offsets from the pixel's
// sampling point in 1/16 pixel, x right, y down.
struct SampleOffset {
    int x, y;
};
std::span<const SampleOffset> sample_offsets(int samples);

// Writes rows [rowStart, rowEnd) of `resolved`: each channel the mean of the pixel's samples,
// rounded to nearest with halves up, (sum + samples / 2) / samples. Nothing with one sample.
void resolve_rows(FrameBuffer& frame, int rowStart, int rowEnd);
