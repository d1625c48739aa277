#pragma once
// The bounds every image decoder keeps, whatever a file's header asks for.

#include <cstdint>

// Sides above this are refused before anything is allocated: no device takes a larger texture,
// and one image then takes at most 64 MiB of pixels.
inline constexpr int max_image_side = 4096;

// The most a decoding library may hold at once while it decodes one image: its working buffers,
// not the pixels it hands over. The images of a scene with their levels have a budget of the same
// size (image_memory_budget).
inline constexpr uint64_t decoder_memory = uint64_t(1) << 30;
