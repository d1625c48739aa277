#pragma once
// The device's 0x00RRGGBB pixels as a canvas's bytes: red, green, blue, opaque alpha.

#include <cstdint>
#include <span>
#include <vector>

void pixels_to_rgba(std::span<const uint32_t> pixels, std::vector<uint8_t>& rgba);
