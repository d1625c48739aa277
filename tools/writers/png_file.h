#pragma once
// Frames as PNG files: the capture tool writes them, the tests keep their golden frames in them.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Writes width x height pixels 0x00RRGGBB, top row first, as an 8-bit RGB PNG; false when the
// pixels are not width x height or the file cannot be made.
bool write_png(const std::string& path, std::span<const uint32_t> pixels, int width, int height);

// Reads an 8-bit RGB or RGBA PNG into pixels 0x00RRGGBB (alpha dropped), top row first; false
// when it cannot be read, is of another kind, or has a side beyond 16384.
bool read_png(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height);
