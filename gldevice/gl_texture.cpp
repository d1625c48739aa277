#include "gldevice/gl_texture.h"

#include <cstring>

#include "gfxcontext/requests.h"

namespace {

#ifdef PLAYER_WEBGL
// WebGL 2 takes no BGRA: the texels go up as R G B A bytes.
constexpr GLenum texelFormat = GL_RGBA, texelType = GL_UNSIGNED_BYTE;
#else
// A8R8G8B8 words as they lie in memory.
constexpr GLenum texelFormat = GL_BGRA, texelType = GL_UNSIGNED_INT_8_8_8_8_REV;
#endif

}  // namespace

GlTexture::GlTexture(uint32_t width, uint32_t height, bool withMips)
{
    for (const gfx::LevelSize size : gfx::level_sizes(width, height, withMips))
        levels.push_back(Level{size.width, size.height, false});
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const std::vector<uint32_t> black(size_t(width) * height, 0u);
    for (size_t i = 0; i < levels.size(); i++)
        glTexImage2D(GL_TEXTURE_2D, GLint(i), GL_RGBA8, levels[i].width, levels[i].height, 0,
                     texelFormat, texelType, i == 0 ? black.data() : nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
}

GlTexture::~GlTexture() { glDeleteTextures(1, &id); }

bool GlTexture::load(uint32_t index, const void* pixels, uint32_t pitch)
{
    if (index >= levels.size() || !pixels)
        return false;
    Level& level = levels[index];
    const size_t rowBytes = size_t(level.width) * 4;
    const size_t stride = gfx::level_stride(level.width, pitch);
    if (stride == 0)
        return false;
    glBindTexture(GL_TEXTURE_2D, id);
    std::vector<uint32_t> packed;
#ifdef PLAYER_WEBGL
    // Packed rows, red and blue swapped.
    packed.resize(size_t(level.width) * level.height);
    const auto* source = static_cast<const unsigned char*>(pixels);
    for (int y = 0; y < level.height; y++) {
        uint32_t* row = &packed[size_t(y) * level.width];
        std::memcpy(row, source + size_t(y) * stride, rowBytes);
        for (int x = 0; x < level.width; x++)
            row[x] = swap_red_blue(row[x]);
    }
    pixels = packed.data();
#else
    if (stride % 4 == 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(stride / 4));
    } else {
        packed.resize(size_t(level.width) * level.height);
        const auto* source = static_cast<const unsigned char*>(pixels);
        for (int y = 0; y < level.height; y++)
            std::memcpy(&packed[size_t(y) * level.width], source + size_t(y) * stride, rowBytes);
        pixels = packed.data();
    }
#endif
    glTexSubImage2D(GL_TEXTURE_2D, GLint(index), 0, 0, level.width, level.height, texelFormat,
                    texelType, pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    level.loaded = true;
    deepest = gfx::deepest_loaded(levels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, deepest);
    return true;
}
