#include "image/texture_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/fatal_error.h"
#include "core/file_open.h"
#include "image/image_kind.h"
#include "image/jpeg.h"
#include "image/pcx.h"
#include "image/stb_decode.h"

namespace {

// Overwrites the last three characters; the caller has made sure there are three.
void replace_extension(char* name, const char* extension)
{
    std::memcpy(name + std::strlen(name) - 3, extension, 3);
}

// One search for a map's image. The steps go by PCX and JPEG signatures alone, as they always
// have; a BMP, TGA or PNG file met on the way counts as "other" there. Where the steps would stop
// with "No file ... found!" or "... is unknown type!", the first such file met (the name as
// given, then its JPG and PCX variants) is decoded instead, under its own name.
struct Search {
    char* name;
    std::string given;
    Image& map;
    ImageKind common = ImageKind::Other;  // the first BMP, TGA or PNG file met
    char commonExtension[3] = {};

    ImageKind probe()
    {
        ImageKind kind = probe_image_kind(name);
        if (!is_common_kind(kind))
            return kind;
        if (common == ImageKind::Other) {
            common = kind;
            std::memcpy(commonExtension, name + std::strlen(name) - 3, 3);
        }
        return ImageKind::Other;
    }

    // Decodes the first BMP, TGA or PNG file met; false when there was none.
    bool decode_common()
    {
        if (common == ImageKind::Other)
            return false;
        std::memcpy(name + std::strlen(name) - 3, commonExtension, 3);
        stb_decode(name, common, map);
        return true;
    }

    [[noreturn]] void no_file() { fatal_error(std::string("No file ") + name + " found!"); }
    [[noreturn]] void unknown_type() { fatal_error("File " + given + " is unknown type!"); }

    void no_file_unless_common()
    {
        if (!decode_common())
            no_file();
    }
    void unknown_type_unless_common()
    {
        if (!decode_common())
            unknown_type();
    }
};

// Decodes with the decoder of a probed signature; false for Missing and Other.
bool decode(ImageKind kind, char* name, Image& map)
{
    if (kind == ImageKind::Jpeg)
        jpeg_decode(name, map);
    else if (kind == ImageKind::Pcx)
        pcx_decode(name, map);
    else
        return false;
    return true;
}

// Every branch ends in a decoder or a fatal error.
void find_and_decode(Search& search)
{
    char* name = search.name;
    Image& map = search.map;
    // A name too short to have an extension cannot be varied: it counts as missing.
    if (std::strlen(name) < 3)
        search.no_file();

    switch (search.probe()) {
    case ImageKind::Pcx: {
        // A JPEG beside a PCX of the same base name takes its place. Otherwise the PCX decoder
        // gets the "JPG" name and finds the PCX through its own fall-back.
        replace_extension(name, "JPG");
        if (search.probe() == ImageKind::Jpeg)
            jpeg_decode(name, map);
        else
            pcx_decode(name, map);
        return;
    }
    case ImageKind::Jpeg:
        jpeg_decode(name, map);
        return;
    case ImageKind::Missing: {
        replace_extension(name, "JPG");
        ImageKind kind = search.probe();
        if (decode(kind, name, map))
            return;
        if (kind == ImageKind::Other)
            return search.unknown_type_unless_common();
        replace_extension(name, "PCX");
        kind = search.probe();
        if (decode(kind, name, map))
            return;
        if (kind == ImageKind::Other)
            return search.unknown_type_unless_common();
        search.no_file();
    }
    default: {  // another kind
        replace_extension(name, "JPG");
        ImageKind kind = search.probe();
        if (decode(kind, name, map))
            return;
        if (kind == ImageKind::Other)
            return search.no_file_unless_common();
        replace_extension(name, "PCX");
        kind = search.probe();
        if (decode(kind, name, map))
            return;
        if (kind == ImageKind::Other)
            return search.no_file_unless_common();
        search.unknown_type_unless_common();
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

void load_texture_image(char* name, Image& map)
{
    Search search{name, std::string(name), map};
    find_and_decode(search);
    map.levels = nullptr;
}
