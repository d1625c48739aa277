#pragma once
// An image as the decoders leave it and the renderer uploads it: 32-bit pixels and the chain of
// halved levels built from them. A material's map slot holds one.

#include <cstdint>

#include "image/image_level.h"

struct Image {
    uint32_t* pixels;  // width x height pixels 0xAARRGGBB, top row first
    uint8_t* palette;
    int width, height;
    int bytesPerPixel;
    ImageLevel* levels;
};
