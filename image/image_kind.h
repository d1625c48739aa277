#pragma once
// Telling an image file's kind from its first bytes (and, for TGA, which carries no signature,
// from its name's extension and a plausible header).

enum class ImageKind { Missing, Pcx, Jpeg, Bmp, Tga, Png, Other };

// Opens the file only to read its header. Missing when it cannot be opened; Other for a kind the
// player does not read, a file too short to tell, and BMP files compressed in a way not read
// (run-length or embedded images).
ImageKind probe_image_kind(const char* name);

// BMP, TGA and PNG, decoded by stb_decode.
inline bool is_common_kind(ImageKind kind)
{
    return kind == ImageKind::Bmp || kind == ImageKind::Tga || kind == ImageKind::Png;
}
