#pragma once
// Writes JPEG images through libjpeg's compressor: baseline, colour at full resolution.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Pixels 0x00RRGGBB, top row first; quality 1 to 100.
std::vector<uint8_t> encode_jpeg(std::span<const uint32_t> pixels, int width, int height,
                                 int quality = 95);

// encode_jpeg written to a file; false when it cannot be written.
bool write_jpeg(const std::string& path, std::span<const uint32_t> pixels, int width, int height,
                int quality = 95);
