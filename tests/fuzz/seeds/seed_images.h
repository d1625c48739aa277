#pragma once
// Small valid images of every kind the player reads, written by the project's own writers: the
// seeds of the image harnesses, and the fixed textures that the scene harnesses resolve against.
// BMP, TGA and PNG files come from the plain encoders below, which the image tests use as well.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace seed_images {

std::vector<uint8_t> pcx_rgb(int width, int height);
std::vector<uint8_t> pcx_indexed(int width, int height);
std::vector<uint8_t> jpeg(int width, int height, int quality = 90);
std::vector<uint8_t> bmp(int width, int height, int bits);
std::vector<uint8_t> tga(int width, int height, int bits, bool runLength);
std::vector<uint8_t> png(int width, int height);

// The encoders take pixels as 0x00RRGGBB, top row first. An 8-bit palette is made of the
// distinct colours in order of appearance (at most 256); a 32-bit pixel is written with the
// alpha byte 0x80.

// BMP with a 40-byte info header: 8 (palette), 24 or 32 bits a pixel, rows padded to four
// bytes, bottom row first unless top-down (a negative height).
std::vector<uint8_t> encode_bmp(std::span<const uint32_t> pixels, int width, int height, int bits,
                                bool topDown = false);

enum class TgaColour { Indexed, TrueColour, Grey };

// TGA: indexed (8-bit indices into 24-bit entries), true colour (24 or 32 bits) or grey (8 bits,
// the green byte of each pixel); raw or run-length packets; bottom row first unless top-left.
std::vector<uint8_t> encode_tga(std::span<const uint32_t> pixels, int width, int height,
                                TgaColour colour, int bits, bool runLength, bool topLeft = false);

struct PngChunk {
    std::string type;
    std::vector<uint8_t> data;
};

// PNG from its scan lines as they go into the compressed stream (a filter byte in front of each
// row, the passes one after another when interlaced), stored uncompressed. The chunks given go
// between the header and the data (PLTE, tRNS).
std::vector<uint8_t> encode_png(int width, int height, int bitDepth, int colourType,
                                std::span<const uint8_t> scanLines,
                                std::span<const PngChunk> chunks = {}, bool interlaced = false);

// An 8-bit RGB PNG of the pixels, no filtering.
std::vector<uint8_t> encode_png_rgb(std::span<const uint32_t> pixels, int width, int height);

}  // namespace seed_images
