#pragma once
// What the image harnesses demand of every decoded map, and how they give its memory back.

#include <initializer_list>
#include <string_view>

#include "scene/scene.h"

// A whole image: sides of at least one pixel, 4 bytes a pixel, no palette left, every pixel and
// every level readable, each level half the one above. Aborts (a finding) otherwise.
void check_image(const TextureMap& map);

// Aborts (a finding) unless the message holds one of the expected texts.
void check_fatal_message(std::string_view message, std::initializer_list<std::string_view> expected);

// Frees the map's pixels and levels and clears it.
void free_image(TextureMap& map);
