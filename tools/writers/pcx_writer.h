#pragma once
// Writes PCX images the way common paint programs do: version 5, run-length encoded, 8 bits per
// plane, plane lines padded to an even number of bytes, runs never crossing a plane line.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Three planes (red, green, blue) from pixels 0x00RRGGBB, top row first.
std::vector<uint8_t> encode_pcx_rgb(std::span<const uint32_t> pixels, int width, int height);

// One plane of palette indices, top row first, then the marker 12 and the 768-byte palette
// (256 entries of red, green, blue).
std::vector<uint8_t> encode_pcx_indexed(std::span<const uint8_t> indices, int width, int height,
                                        std::span<const uint8_t, 768> palette);

// Writes bytes to a file; false when it cannot be written.
bool write_file_bytes(const std::string& path, std::span<const uint8_t> bytes);
