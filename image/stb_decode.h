#pragma once
// Decoding BMP, TGA and PNG files (the kinds the probe calls common) through stb_image.

#include "image/image.h"
#include "image/image_kind.h"

// Decodes the file of the given kind into the map's image fields: 32-bit pixels (blue, green,
// red and a zero alpha byte in memory, top row first, as the PCX and JPEG decoders leave them),
// palette null, bytesPerPixel 4. Colour types, depths, palettes and run-length data of the three
// kinds all come out as such pixels; a file's own alpha is dropped. A file that cannot be read,
// is cut short, is corrupt, or has a side beyond 4096 stops the program with
// "File " + name + " is broken!" (the decoder's reason goes to standard error first).
void stb_decode(const char* name, ImageKind kind, Image& map);
