#pragma once
// The colour and depth buffers of a context. Colour pixels are 0x00RRGGBB, top row first; the
// surface has no alpha of its own, so a destination alpha reads as opaque. Depth is z/w in 0..1.

#include <cstdint>
#include <vector>

struct FrameBuffer {
    int width = 0, height = 0;
    std::vector<uint32_t> colour;
    std::vector<float> depth;

    FrameBuffer(int width, int height);
};
