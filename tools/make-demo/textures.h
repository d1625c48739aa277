#pragma once
// The production's texture images, painted procedurally and written as JPEG and as PCX of one
// and of three planes. All are square or 1:2 powers of two, as the player's texture steps expect.

#include <string>
#include <vector>

namespace demo {

struct TextureFile {
    std::string fileName;    // as written to disk, lower case
    std::string sceneName;   // as the scene names it: another case or extension, found by fall-back
};

// Writes every texture into dir; returns an empty string, or what could not be written.
std::string write_textures(const std::string& dir);

// The files and the names the materials give them, in the order they are written.
const std::vector<TextureFile>& texture_files();

// The scene name of the texture whose file name starts with `stem` ("marble", "stone", ...).
const std::string& scene_name(const std::string& stem);

}  // namespace demo
