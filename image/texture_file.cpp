#include "image/texture_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/core/fatal_error.h"
#include "app/core/file_open.h"
#include "image/jpeg.h"
#include "image/pcx.h"

namespace {

enum class ImageFormat { Missing, Pcx, Jpeg, Other };

// Opens the file only to read its first two bytes.
ImageFormat probe(const char* name)
{
    FilePtr file = open_file(name, "rb");
    if (!file)
        return ImageFormat::Missing;
    uint8_t bytes[2];
    if (std::fread(bytes, 1, 2, file.get()) != 2)
        return ImageFormat::Other;
    if (bytes[0] == 0x0A && bytes[1] == 0x05)
        return ImageFormat::Pcx;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8)
        return ImageFormat::Jpeg;
    return ImageFormat::Other;
}

// Overwrites the last three characters; the caller has made sure there are three.
void replace_extension(char* name, const char* extension)
{
    std::memcpy(name + std::strlen(name) - 3, extension, 3);
}

// Decodes with the decoder of a probed format; false for Missing and Other.
bool decode(ImageFormat format, char* name, TextureMap& map)
{
    if (format == ImageFormat::Jpeg)
        jpeg_decode(name, map);
    else if (format == ImageFormat::Pcx)
        pcx_decode(name, map);
    else
        return false;
    return true;
}

[[noreturn]] void no_file(const char* name)
{
    fatal_error(std::string("No file ") + name + " found!");
}

[[noreturn]] void unknown_type(const std::string& given)
{
    fatal_error("File " + given + " is unknown type!");
}

// Every branch ends in a decoder or a fatal error.
void find_and_decode(char* name, const std::string& given, TextureMap& map)
{
    // A name too short to have an extension cannot be varied: it counts as missing.
    if (std::strlen(name) < 3)
        no_file(name);

    switch (probe(name)) {
    case ImageFormat::Pcx: {
        // A JPEG beside a PCX of the same base name takes its place. Otherwise the PCX decoder
        // gets the "JPG" name and finds the PCX through its own fall-back.
        replace_extension(name, "JPG");
        if (probe(name) == ImageFormat::Jpeg)
            jpeg_decode(name, map);
        else
            pcx_decode(name, map);
        return;
    }
    case ImageFormat::Jpeg:
        jpeg_decode(name, map);
        return;
    case ImageFormat::Other: {
        replace_extension(name, "JPG");
        ImageFormat format = probe(name);
        if (decode(format, name, map))
            return;
        if (format == ImageFormat::Other)
            no_file(name);
        replace_extension(name, "PCX");
        format = probe(name);
        if (decode(format, name, map))
            return;
        if (format == ImageFormat::Other)
            no_file(name);
        unknown_type(given);
    }
    case ImageFormat::Missing: {
        replace_extension(name, "JPG");
        ImageFormat format = probe(name);
        if (decode(format, name, map))
            return;
        if (format == ImageFormat::Other)
            unknown_type(given);
        replace_extension(name, "PCX");
        format = probe(name);
        if (decode(format, name, map))
            return;
        if (format == ImageFormat::Other)
            unknown_type(given);
        no_file(name);
    }
    }
}

}  // namespace

FilePtr open_image_file(char* name, const char* extension)
{
    FilePtr file = open_file(name, "rb");
    if (!file && std::strlen(name) >= 3) {
        replace_extension(name, extension);
        file = open_file(name, "rb");
    }
    return file;
}

void load_texture_image(char* name, TextureMap& map)
{
    std::string given(name);
    find_and_decode(name, given, map);
    map.levels = nullptr;
}
