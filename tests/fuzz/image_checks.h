#pragma once
// What the image harnesses demand of every decoded map.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "image/image.h"
#include "image/texture_file.h"

// A whole image: sides of at least one pixel, 4 bytes a pixel, no palette left, every pixel and
// every level readable, each level half the one above. Aborts (a finding) otherwise.
void check_image(const Image& map);

// Aborts (a finding), naming the message, unless it is known.
void check_fatal_message(std::string_view message, bool known);

// One input of an image harness: the bytes written as the file name, decoded, given its levels
// and checked; a fatal stop must be one of the expected messages word for word.
using ImageDecoder = void (*)(char* name, Image& map);
void decode_fuzz_input(std::span<const uint8_t> data, const char* fileName, ImageDecoder decode,
                       std::initializer_list<std::string_view> expected);
