#include "image/image_kind.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/file_open.h"

namespace {

constexpr uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t read_u32(const uint8_t* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24;
}

bool has_tga_extension(const char* name)
{
    size_t length = std::strlen(name);
    return length >= 4 && strcasecmp(name + length - 4, ".tga") == 0;
}

// The 18-byte TGA header as the decoder takes it: a colour map only with an indexed image, known
// image types (raw or run-length; indexed, true colour or grey), sides of at least one pixel and a
// depth it converts.
bool plausible_tga_header(const uint8_t* header)
{
    int colourMapType = header[1], imageType = header[2];
    int width = header[12] | header[13] << 8, height = header[14] | header[15] << 8;
    int bits = header[16];
    if (colourMapType == 1) {
        int entryBits = header[7];
        if ((imageType != 1 && imageType != 9) || (bits != 8 && bits != 16))
            return false;
        if (entryBits != 8 && entryBits != 15 && entryBits != 16 && entryBits != 24 &&
            entryBits != 32)
            return false;
    } else if (colourMapType == 0) {
        if (imageType != 2 && imageType != 3 && imageType != 10 && imageType != 11)
            return false;
        if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
            return false;
    } else {
        return false;
    }
    return width >= 1 && height >= 1;
}

// BMP files name their compression in the info header; run-length (1, 2) and embedded JPEG or PNG
// data (4 and up) are not read. The 12-byte core header has no compression field.
bool readable_bmp_header(const uint8_t* header, size_t length)
{
    if (length < 34 || read_u32(header + 14) == 12)
        return true;
    uint32_t compression = read_u32(header + 30);
    return compression == 0 || compression == 3;
}

}  // namespace

ImageKind probe_image_kind(const char* name)
{
    FilePtr file = open_file(name, "rb");
    if (!file)
        return ImageKind::Missing;
    uint8_t header[34];
    size_t length = std::fread(header, 1, sizeof header, file.get());
    if (length < 2)
        return ImageKind::Other;
    if (header[0] == 0x0A && header[1] == 0x05)
        return ImageKind::Pcx;
    if (header[0] == 0xFF && header[1] == 0xD8)
        return ImageKind::Jpeg;
    if (length >= 8 && std::memcmp(header, png_signature, 8) == 0)
        return ImageKind::Png;
    if (header[0] == 'B' && header[1] == 'M')
        return readable_bmp_header(header, length) ? ImageKind::Bmp : ImageKind::Other;
    if (length >= 18 && has_tga_extension(name) && plausible_tga_header(header))
        return ImageKind::Tga;
    return ImageKind::Other;
}
