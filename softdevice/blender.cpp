#include "softdevice/blender.h"

#include "gfxcontext/d3d_types.h"

namespace {

struct Rgba {
    uint32_t c[4];   // blue, green, red, alpha
};

Rgba unpack(uint32_t pixel)
{
    return Rgba{{pixel & 255, (pixel >> 8) & 255, (pixel >> 16) & 255, pixel >> 24}};
}

// The factor of one channel: the weight of source or destination channel i, 0..255.
uint32_t factor(uint32_t kind, const Rgba& source, const Rgba& destination, int i)
{
    switch (kind) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_SRCCOLOR: return source.c[i];
    case D3DBLEND_INVSRCCOLOR: return 255 - source.c[i];
    case D3DBLEND_SRCALPHA: return source.c[3];
    case D3DBLEND_INVSRCALPHA: return 255 - source.c[3];
    case D3DBLEND_DESTALPHA: return 255;
    case D3DBLEND_INVDESTALPHA: return 0;
    case D3DBLEND_DESTCOLOR: return destination.c[i];
    case D3DBLEND_INVDESTCOLOR: return 255 - destination.c[i];
    default: return 255;   // D3DBLEND_ONE, and anything unknown
    }
}

}  // namespace

uint32_t blend_pixel(uint32_t sourcePixel, uint32_t destinationPixel, uint32_t srcFactor,
                     uint32_t destFactor)
{
    const Rgba source = unpack(sourcePixel);
    const Rgba destination = unpack(destinationPixel | 0xFF000000u);
    uint32_t result = 0;
    for (int i = 0; i < 3; i++) {
        uint32_t sum = source.c[i] * factor(srcFactor, source, destination, i) +
                       destination.c[i] * factor(destFactor, source, destination, i);
        uint32_t value = (sum + 127) / 255;   // rounded; 255 is odd, so there are no ties
        result |= (value > 255 ? 255 : value) << (8 * i);
    }
    return result;
}
