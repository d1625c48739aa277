#pragma once
#include "image/image.h"

// Decodes a JPEG file into the map's image fields (32-bit pixels, palette null, bytesPerPixel 4).
// When the name cannot be opened its last three characters become "jpg" in place; a file missing
// under both names stops the program. Data the library cannot decode (or an image beyond 4096 on
// a side) leaves its message on standard error and the map a single black pixel.
void jpeg_decode(char* name, Image& map);
