#pragma once
// Finding a material's image file, telling its format by its first two bytes, decoding it into
// 32-bit pixels, and the chain of halved image levels.

#include "scene/scene.h"

// name: writable, zero-terminated; its last three characters may be replaced in place.
void load_texture_image(char* name, TextureMap& map);
void build_image_levels(TextureMap& map);
