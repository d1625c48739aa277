#pragma once
// Small valid images of every kind the player reads, written by the project's own writers: the
// seeds of the image harnesses, and the fixed textures that the scene harnesses resolve against.

#include <cstdint>
#include <vector>

namespace seed_images {

std::vector<uint8_t> pcx_rgb(int width, int height);
std::vector<uint8_t> pcx_indexed(int width, int height);
std::vector<uint8_t> jpeg(int width, int height, int quality = 90);

}  // namespace seed_images
