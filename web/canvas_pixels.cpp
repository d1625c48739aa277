#include "web/canvas_pixels.h"

#include <cstring>

void pixels_to_rgba(std::span<const uint32_t> pixels, std::vector<uint8_t>& out)
{
    out.resize(pixels.size() * 4);
    uint8_t* bytes = out.data();
    // A word a pixel, its bytes in memory order R G B A: a loop the compiler makes vector code.
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i];
        const uint32_t word = 0xFF000000u | (p & 0x0000FF00u) | ((p >> 16) & 0xFFu) |
                              ((p & 0xFFu) << 16);
        std::memcpy(bytes + i * 4, &word, 4);
    }
}
