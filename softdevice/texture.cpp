#include "softdevice/texture.h"

#include <cstring>

#include "gfxcontext/requests.h"

SoftwareTexture::SoftwareTexture(uint32_t width, uint32_t height, bool withMips)
{
    for (const gfx::LevelSize size : gfx::level_sizes(width, height, withMips)) {
        TextureLevel& level = levels.emplace_back();
        level.width = size.width;
        level.height = size.height;
        level.pitch = size.width + 1;
        level.texels.assign(size_t(size.width + 1) * (size.height + 1), 0u);
    }
}

bool SoftwareTexture::load(uint32_t index, const void* pixels, uint32_t pitch)
{
    if (index >= levels.size() || !pixels)
        return false;
    TextureLevel& level = levels[index];
    const size_t rowBytes = size_t(level.width) * 4;
    const size_t stride = gfx::level_stride(level.width, pitch);
    if (stride == 0)
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
    deepest = gfx::deepest_loaded(levels);
    return true;
}
