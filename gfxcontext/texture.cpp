#include "gfxcontext/texture.h"

#include <algorithm>
#include <cstring>

SoftwareTexture::SoftwareTexture(uint32_t width, uint32_t height, bool withMips)
{
    int w = int(width), h = int(height);
    for (;;) {
        TextureLevel& level = levels.emplace_back();
        level.width = w;
        level.height = h;
        level.pitch = w + 1;
        level.texels.assign(size_t(w + 1) * (h + 1), 0u);
        if (!withMips || (w == 1 && h == 1))
            break;
        w = std::max(1, w >> 1);
        h = std::max(1, h >> 1);
    }
}

bool SoftwareTexture::load(uint32_t index, const void* pixels, uint32_t pitch)
{
    if (index >= levels.size() || !pixels)
        return false;
    TextureLevel& level = levels[index];
    const size_t rowBytes = size_t(level.width) * 4;
    const size_t stride = pitch ? pitch : rowBytes;
    if (stride < rowBytes)
        return false;
    const auto* source = static_cast<const unsigned char*>(pixels);
    for (int y = 0; y < level.height; y++) {
        uint32_t* row = &level.texels[size_t(y) * level.pitch];
        std::memcpy(row, source + size_t(y) * stride, rowBytes);
        row[level.width] = row[0];
    }
    std::memcpy(&level.texels[size_t(level.height) * level.pitch], level.texels.data(),
                size_t(level.pitch) * 4);
    level.loaded = true;

    deepest = 0;
    while (size_t(deepest) + 1 < levels.size() && levels[deepest + 1].loaded)
        deepest++;
    return true;
}
