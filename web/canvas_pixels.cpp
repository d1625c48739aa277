#include "web/canvas_pixels.h"

void pixels_to_rgba(std::span<const uint32_t> pixels, std::vector<uint8_t>& out)
{
    out.resize(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        out[i * 4 + 0] = uint8_t(pixels[i] >> 16);
        out[i * 4 + 1] = uint8_t(pixels[i] >> 8);
        out[i * 4 + 2] = uint8_t(pixels[i]);
        out[i * 4 + 3] = 0xFF;
    }
}
