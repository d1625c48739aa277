#pragma once
#include "image/image.h"

// Decodes a run-length encoded PCX file of one plane with palette or three planes into the map's
// image fields (32-bit pixels, palette null, bytesPerPixel 4). When the name cannot be opened its
// last three characters become "pcx" in place. A missing file, a file that is not such an image
// (other plane counts, sides beyond 4096, a palette missing or cut short) stops the program.
void pcx_decode(char* name, Image& map);
