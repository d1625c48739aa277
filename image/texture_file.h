#pragma once
// Finding a material's image file, telling its format by its first bytes (PCX, JPEG, BMP, PNG;
// TGA by its extension and header), decoding it into 32-bit pixels, and the chain of halved
// image levels.

#include "core/file_open.h"
#include "image/image.h"

// name: writable, zero-terminated; its last three characters may be replaced in place.
void load_texture_image(char* name, Image& map);
void build_image_levels(Image& map);
// Gives back the image's pixels and levels; both are null afterwards.
void release_texture_image(Image& map);

// Opens an image file for reading. When the name cannot be opened and has three characters or
// more, its last three become the extension (in place) and that name is opened instead.
FilePtr open_image_file(char* name, const char* extension);
