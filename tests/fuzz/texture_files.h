#pragma once
// The input of the texture-dispatch harness: which name the material gives, and the files that
// the loader may probe for it. The first byte holds the choices, the rest holds the contents of
// the files that exist, one after the other, separated by texture_file_separator:
//
//   bits 0-1  the name given: "BRICK.PCX", "BRICK.JPG", "BRICK.TGA", "BRICK.JPX"
//   bit 2     the files on disk carry lower-case names (found regardless of case)
//   bit 3     a file of the given name exists
//   bit 4     "BRICK.JPG" exists
//   bit 5     "BRICK.PCX" exists
//
// A name that two bits both ask for is written once, with the first part meant for it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view texture_file_separator = "#FILE#";

struct TextureFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

struct TextureFileSet {
    std::string givenName;
    std::vector<TextureFile> files;
};

TextureFileSet split_texture_input(std::span<const uint8_t> input);

// The inverse, for the seeds: contents in the order of the bits that are set.
std::vector<uint8_t> join_texture_input(uint8_t choices,
                                        std::span<const std::vector<uint8_t>> contents);
